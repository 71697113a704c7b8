// Runs a benchmark workload through the library, as a C++ program calling
// the interface directly (early bound), or writes it as a call script for
// the command-line client (late bound).
//
//   vellum_workload early WORKLOAD OUTPUT.pdf [PICTURE_FOLDER]
//   vellum_workload script WORKLOAD OUTPUT.pdf [PICTURE_FOLDER] > workload.vls
//   vellum_workload check        prints the generator's reference values
#include <cstdio>
#include <cstring>
#include <string>

#include "calls.h"
#include "early_bound.h"
#include "lcg.h"
#include "script_writer.h"

namespace {

// The values the workloads' description lists to check a generator by.
void PrintReferenceValues() {
    vellum::bench::Lcg w1;
    std::printf("w1.first |%s|\n", std::string(w1.Line80()).c_str());
    vellum::bench::Lcg w2;
    const double x1 = w2.Unit() * 595, y1 = w2.Unit() * 842, x2 = w2.Unit() * 595, y2 = w2.Unit() * 842;
    std::printf("w2.first %.6f %.6f %.6f %.6f\n", x1, y1, x2, y2);
    vellum::bench::Lcg w5;
    std::printf("w5.targets");
    for (int i = 0; i < 5; ++i) std::printf(" %u", w5.Int(1000));
    std::printf("\n");
}

int Usage() {
    std::fprintf(stderr,
                 "usage: vellum_workload early|script WORKLOAD OUTPUT.pdf [PICTURE_FOLDER]\n"
                 "       vellum_workload check\n"
                 "WORKLOAD: w0 w1 w2 w3 w4 w5, or w1-PAGES, w5-BOOKMARKS\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "check") == 0) {
        PrintReferenceValues();
        return 0;
    }
    if (argc < 4 || argc > 5) return Usage();
    const std::string mode = argv[1];
    const std::string output = argv[3];
    const std::string pictures = argc == 5 ? argv[4] : ".";
    try {
        if (mode == "early") {
            vellum::bench::EarlyBound calls;
            return vellum::bench::RunWorkload(argv[2], calls, output, pictures) ? 0 : Usage();
        }
        if (mode == "script") {
            vellum::bench::ScriptWriter calls(stdout);
            return vellum::bench::RunWorkload(argv[2], calls, output, pictures) ? 0 : Usage();
        }
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "vellum_workload: %s\n", failure.what());
        return 1;
    }
    return Usage();
}

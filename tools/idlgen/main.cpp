// idlgen: prints the type library's IDL (automation/VELLUM_XP.idl), or with
// a file name writes it there.
#include <cstdio>

#include "idl_text.h"

int main(int argc, char** argv) {
    const std::string text = vellum::idl::TypeLibraryIdl();
    std::FILE* out = argc > 1 ? std::fopen(argv[1], "wb") : stdout;
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if (out != stdout && std::fclose(out) != 0) return 1;
    return written ? 0 : 1;
}

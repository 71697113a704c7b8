// Writes a small document through the installed C++ layer, and reaches the
// raw interface through the interface header: both must be found by the
// compiler flags the package hands out. Prints where the library came from.
#include <vellum/document.hpp>

#include "VELLUM_XP_TLB.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: consumer OUTPUT.pdf\n");
        return 2;
    }
    try {
        vellum::Document doc;
        try {
            doc.TextOut("before NewPDF", 10, 10);
            std::fprintf(stderr, "a call without a document did not fail\n");
            return 1;
        } catch (const vellum::Error& error) {
            if (error.description().empty()) return 1;
        }
        doc.NewPDF("Installed");
        doc.FontName("Helvetica-Bold");
        doc.TextOut("Written by an installed Vellum", 20, 30);
        IPDFDocument* raw = doc.get();
        if (FAILED(raw->put_FontHeight(9.0))) return 1;
        doc.TextOut("through the raw interface too", 20, 40);
        doc.SavePDF(argv[1]);
        std::printf("%s\n%s\n", doc.OCXVersion().c_str(), vellum::Library::Installed().path().c_str());
        return 0;
    } catch (const vellum::Error& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}

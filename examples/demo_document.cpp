// Writes a small multi-page document straight through the engine.
#include <cstdio>
#include <exception>
#include <string>

#include "document.h"

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : "out/demo.pdf";
    try {
        vellum::TPDFDoc doc;
        doc.ResetDocument();
        doc.SetUnitOfMeasure("mm");
        vellum::TInfo& info = doc.RequireInfo();
        info.Title = "Vellum demo (engine)";
        info.Author = "The Vellum team";
        info.Subject = "Pages, sizes and information entries";
        info.Keywords = "demo, pdf";
        doc.SetSinglePage(false);
        doc.SetPageDimensions(148, 210);
        doc.NewPage();
        doc.SetPageDimensions(297, 210);
        doc.NewPage();
        doc.SaveToFile(path);
        std::printf("wrote %s\n", path.c_str());
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "demo_document: %s\n", error.what());
        return 1;
    }
}

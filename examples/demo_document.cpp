// Writes a small multi-page document straight through the engine.
#include <cstdio>
#include <exception>
#include <string>

#include "document.h"

namespace {

// Three pages of different sizes: A4, A5 and A4 landscape.
void WriteDemo(const std::string& path, bool singlePage) {
    vellum::TPDFDoc doc;
    doc.ResetDocument();
    doc.SetUnitOfMeasure("mm");
    vellum::TInfo& info = doc.RequireInfo();
    info.Title = singlePage ? "Vellum demo (single page layout)" : "Vellum demo (one column layout)";
    info.Author = "The Vellum team";
    info.Subject = "Pages, sizes and information entries";
    info.Keywords = "demo, pdf";
    doc.SetSinglePage(singlePage);
    doc.NewPage();
    doc.SetPageDimensions(148, 210);
    doc.NewPage();
    doc.SetPageDimensions(297, 210);
    doc.SaveToFile(path);
    std::printf("wrote %s\n", path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : "out";
    try {
        WriteDemo(folder + "/demo.pdf", false);
        WriteDemo(folder + "/demo-single-page.pdf", true);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "demo_document: %s\n", error.what());
        return 1;
    }
}

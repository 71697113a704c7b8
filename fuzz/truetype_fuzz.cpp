// libFuzzer target: any bytes given as a TrueType font file are either
// refused with an EngineError before the document changes, or embedded in a
// document that is then written and must be structurally sound.
#include <cstddef>
#include <cstdint>
#include <string>

#include "document.h"
#include "errors.h"
#include "input_file.h"
#include "pdf_structure.h"

namespace {

const std::string& FontPath() {
    static const std::string path = vellum::fuzz::InputFilePath("truetype-fuzz", ".ttf");
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!vellum::fuzz::WriteInputFile(FontPath(), data, size)) return 0;
    vellum::TPDFDoc doc;
    doc.ResetDocument();
    const std::int32_t objectsBefore = doc.ObjectCount();
    try {
        const std::string name = doc.AddTrueTypeFont("Fuzzed Font", FontPath());
        if (name != "/F12") __builtin_trap();
        doc.AddTrueTypeFontMonospaced("Fuzzed Mono", FontPath(), 600);
        doc.SelectFont("Fuzzed Font");
        doc.SetParagraphWidth(40);
        doc.Page(1).TextOutEx("Font \xE9t\xE9 \x80 measured and wrapped by its widths", 10, 10);
        doc.Page(1).GetTextBoxLines("Some text to measure");
    } catch (const vellum::EngineError&) {
        if (doc.Fonts->Count() == 12 && doc.ObjectCount() != objectsBefore) __builtin_trap();
    }
    const std::string bytes = doc.SaveToByteArray();
    if (!vellum::test::PdfStructureProblems(bytes).empty()) __builtin_trap();
    return 0;
}

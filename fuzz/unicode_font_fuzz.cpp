// libFuzzer target: any bytes given as a Unicode font file are either
// refused with an EngineError before the document changes, or the font draws
// and measures text and the document is written, whatever glyphs it drew,
// and is structurally sound.
#include <cstddef>
#include <cstdint>
#include <string>

#include "document.h"
#include "errors.h"
#include "input_file.h"
#include "pdf_structure.h"

namespace {

const std::string& FontPath() {
    static const std::string path = vellum::fuzz::InputFilePath("unicode-font-fuzz", ".ttf");
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!vellum::fuzz::WriteInputFile(FontPath(), data, size)) return 0;
    vellum::TPDFDoc doc;
    doc.ResetDocument();
    const std::int32_t objectsBefore = doc.ObjectCount();
    try {
        if (doc.AddUnicodeFont("Fuzzed", FontPath()) != "/F12") __builtin_trap();
        // The same file again shares what was read the first time.
        if (doc.AddUnicodeFont("Again", FontPath()) != "/F13") __builtin_trap();
        doc.SelectFont("Fuzzed");
        doc.SetParagraphWidth(40);
        doc.Page(1).TextOutEx("Az \xC3\xA9\xCE\xA9\xD0\x96 \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80 wrapped", 10, 10);
        doc.Page(1).GetTextBoxLines("Some text to measure");
    } catch (const vellum::EngineError&) {
        if (doc.Fonts->Count() == 12 && doc.ObjectCount() != objectsBefore) __builtin_trap();
    }
    const std::string bytes = doc.SaveToByteArray();
    if (!vellum::test::PdfStructureProblems(bytes).empty()) __builtin_trap();
    return 0;
}

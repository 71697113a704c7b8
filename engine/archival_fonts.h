// The fonts of an archival document, for one write: every font embedded and
// described by its program. The standard fonts become subsets of the
// Liberation faces with their widths; TrueType fonts get descriptors measured
// from their files, an end of line before "endstream" and, when symbolic, no
// encoding; composite fonts list their glyphs (part 1); every one-byte font
// maps its codes to Unicode. The document's own texts are put back afterwards.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "pdf_object.h"

namespace vellum {

class TPDFDoc;
struct TPDFFont;
struct TPDFObject;
class UnicodeFont;

class ArchivalFonts {
public:
    // Throws EngineError, changing nothing, for a font the level cannot take
    // (widths that disagree with the program) or a face that cannot be read.
    ArchivalFonts(TPDFDoc& doc, bool listCompositeGlyphs);
    ~ArchivalFonts();
    ArchivalFonts(const ArchivalFonts&) = delete;
    ArchivalFonts& operator=(const ArchivalFonts&) = delete;

    // The objects the write adds: descriptors and programs of the standard
    // fonts, the shared ToUnicode map, glyph lists. Composite fonts must be
    // prepared first.
    void WriteObjects(ObjectWriter& file) const;

    // How many object numbers the constructor takes.
    static std::int32_t NumbersNeeded(const TPDFDoc& doc, bool listCompositeGlyphs);

private:
    struct StandardProgram {
        std::int32_t descriptor = 0, program = 0;
        std::string descriptorText;
        std::shared_ptr<const std::string> compressed;
        std::size_t length = 0;
    };

    void EmbedStandardFont(TPDFFont& font);
    void Restore();
    void DescribeTrueTypeFont(TPDFFont& font);

    TPDFDoc& doc_;
    std::int32_t toUnicode_ = 0;
    std::vector<StandardProgram> programs_;
    std::vector<std::pair<UnicodeFont*, std::int32_t>> glyphLists_;
    std::vector<std::pair<std::string*, std::string>> savedTexts_;  // where, what it held
    std::vector<TPDFObject*> directStreams_;
};

}  // namespace vellum

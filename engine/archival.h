// Archival (PDF/A) documents: the level a caller claims, and the scope that
// makes one write carry what that level demands (header version, /ID, the XMP
// packet, the output intent, annotation flags) and gives the document back
// unchanged afterwards.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "archival_fonts.h"
#include "pdf_object.h"

namespace vellum {

class TPDFDoc;
struct TInfo;

enum class Conformance { None, A1b, A2b, A2u, A3b, A3u };

// "PDF/A-1b", "PDF/A-2b", "PDF/A-2u", "PDF/A-3b" or "PDF/A-3u", in any letter
// case and with blanks around; empty (or blank) for none. Throws EngineError
// for any other name, listing the ones there are.
Conformance ParseConformance(std::string_view name);
// The canonical name; empty for None.
std::string_view ConformanceName(Conformance level);

// Sets the document's Additions for one write and puts the earlier ones back
// when it ends. Without a level it does nothing, so the file stays as it was.
class ArchivalForWrite {
public:
    // Throws EngineError for what the level forbids (encryption) or when the
    // file identifier cannot be drawn.
    ArchivalForWrite(TPDFDoc& doc, Conformance level, bool encrypted);
    ~ArchivalForWrite();
    ArchivalForWrite(const ArchivalForWrite&) = delete;
    ArchivalForWrite& operator=(const ArchivalForWrite&) = delete;

    // The XMP packet (saying what `info` says, with its defaults settled),
    // the output intent's profile and the fonts' added objects.
    void WriteObjects(ObjectWriter& file, const TInfo& info, std::string_view creationDate) const;

    // Whether attached files are associated with the document (/AF), as part 3 asks.
    bool AssociatesFiles() const;

private:
    TPDFDoc& doc_;
    Conformance level_;
    std::int32_t metadataNumber_ = 0;
    std::int32_t profileNumber_ = 0;
    FileAdditions previous_;
    std::optional<ArchivalFonts> fonts_;
};

}  // namespace vellum

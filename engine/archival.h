// Archival (PDF/A) and accessible (PDF/UA-1) documents: the levels a caller
// claims, and the scope that makes one write carry what they demand (header
// version, /ID, the XMP packet, the output intent, annotation flags, embedded
// fonts) and gives the document back unchanged afterwards.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "archival_fonts.h"
#include "pdf_object.h"

namespace vellum {

class TPDFDoc;
struct EncryptionSettings;
struct TInfo;

enum class ArchivalLevel { None, A1b, A2b, A2u, A3b, A3u };

// What a document claims: an archival level, PDF/UA-1, both or neither.
struct Conformance {
    ArchivalLevel archival = ArchivalLevel::None;
    bool accessible = false;  // PDF/UA-1

    bool Claimed() const { return archival != ArchivalLevel::None || accessible; }
    bool operator==(const Conformance&) const = default;
};

// Names separated by blanks, in any letter case and order: at most one of
// "PDF/A-1b", "PDF/A-2b", "PDF/A-2u", "PDF/A-3b", "PDF/A-3u", and "PDF/UA-1";
// empty (or blank) for none. Throws EngineError for any other name or two
// archival levels, listing the names there are.
Conformance ParseConformance(std::string_view names);
// The canonical names, the archival level first ("PDF/A-2u PDF/UA-1"); empty
// for none.
std::string ConformanceName(Conformance conformance);

// Sets the document's Additions for one write and puts the earlier ones back
// when it ends. Without a level it does nothing, so the file stays as it was.
class ArchivalForWrite {
public:
    // Throws EngineError for what a level forbids (encryption in archival
    // documents, or encryption that keeps assistive technology out of an
    // accessible one) or when the file identifier cannot be drawn.
    ArchivalForWrite(TPDFDoc& doc, Conformance claimed, const EncryptionSettings* encryption);
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
    Conformance claimed_;
    std::int32_t metadataNumber_ = 0;
    std::int32_t profileNumber_ = 0;
    FileAdditions previous_;
    std::optional<ArchivalFonts> fonts_;
};

}  // namespace vellum

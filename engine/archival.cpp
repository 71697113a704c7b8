// The claimed levels' names checked into a Conformance, and the scope that
// applies them to one write.
#include "archival.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "ascii.h"
#include "crypto.h"
#include "document.h"
#include "encryption.h"
#include "errors.h"
#include "output_intent.h"
#include "xmp_extension.h"
#include "xmp_metadata.h"

namespace vellum {
namespace {

struct NamedLevel {
    ArchivalLevel level;
    std::string_view name;
};

constexpr NamedLevel kLevels[] = {
    {ArchivalLevel::A1b, "PDF/A-1b"}, {ArchivalLevel::A2b, "PDF/A-2b"}, {ArchivalLevel::A2u, "PDF/A-2u"},
    {ArchivalLevel::A3b, "PDF/A-3b"}, {ArchivalLevel::A3u, "PDF/A-3u"},
};
constexpr std::string_view kAccessibleName = "PDF/UA-1";
constexpr std::string_view kNameList = "use PDF/A-1b, PDF/A-2b, PDF/A-2u, PDF/A-3b or PDF/A-3u, PDF/UA-1, "
                                       "an archival level and PDF/UA-1 separated by a blank, or an empty text for none";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The blank-separated words of `text`.
std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    while (true) {
        while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
        if (text.empty()) return words;
        std::size_t end = 0;
        while (end < text.size() && !IsBlank(text[end])) ++end;
        words.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
}

PdfaLevel LevelOf(ArchivalLevel level) {
    switch (level) {
        case ArchivalLevel::None: return kNoPdfaLevel;
        case ArchivalLevel::A2b: return {2, 'B'};
        case ArchivalLevel::A2u: return {2, 'U'};
        case ArchivalLevel::A3b: return {3, 'B'};
        case ArchivalLevel::A3u: return {3, 'U'};
        default: return {1, 'B'};
    }
}

// The packet's claim of PDF/UA-1; an archival packet also declares it, as
// its schema is none of those archival readers know.
XmpCustomSchema AccessibleIdentification() {
    return {"http://www.aiim.org/pdfua/ns/id/", "pdfuaid", {{"part", "1", "Integer", "internal"}}};
}

std::vector<std::string> PacketDescriptions(const TPDFDoc& doc, Conformance claimed) {
    std::vector<XmpCustomSchema> schemas = doc.CustomMetadata();
    if (!claimed.accessible) return CustomDescriptions(schemas);
    if (claimed.archival != ArchivalLevel::None) {
        schemas.push_back(AccessibleIdentification());
        return CustomDescriptions(schemas);
    }
    std::vector<std::string> descriptions = CustomDescriptions(schemas);
    descriptions.push_back(XmpDescriptionBlock(AccessibleIdentification()));
    return descriptions;
}

// Archival readers need the identifier to tell versions of a file apart; drawn
// at random like encryption's, so two writes of the same document differ.
PdfValue FileIdentifier() {
    std::uint8_t bytes[16];
    try {
        crypto::RandomBytes(bytes);
    } catch (const crypto::CryptoError& error) {
        throw EngineError(std::string("Cannot draw the archival document's identifier: ") + error.what());
    }
    const PdfValue identifier = PdfValue::Hex(std::string_view(reinterpret_cast<const char*>(bytes), sizeof bytes));
    return PdfValue::Array({identifier, identifier});
}

}  // namespace

Conformance ParseConformance(std::string_view names) {
    Conformance claimed;
    for (const std::string_view word : Words(names)) {
        const auto known = std::find_if(std::begin(kLevels), std::end(kLevels), [&](const NamedLevel& level) {
            return EqualsIgnoringAsciiCase(word, level.name);
        });
        const bool accessible = EqualsIgnoringAsciiCase(word, kAccessibleName);
        const bool repeated = accessible ? claimed.accessible : claimed.archival != ArchivalLevel::None;
        if ((known == std::end(kLevels) && !accessible) || repeated) {
            throw EngineError("Unknown conformance \"" + std::string(names) + "\": " + std::string(kNameList));
        }
        if (accessible) {
            claimed.accessible = true;
        } else {
            claimed.archival = known->level;
        }
    }
    return claimed;
}

std::string ConformanceName(Conformance claimed) {
    std::string name;
    for (const NamedLevel& known : kLevels) {
        if (known.level == claimed.archival) name = known.name;
    }
    if (claimed.accessible) name += name.empty() ? kAccessibleName : " " + std::string(kAccessibleName);
    return name;
}

void TPDFDoc::SetConformance(std::string_view names) {
    RequireReady();
    const Conformance claimed = ParseConformance(names);
    // An accessible document is a tagged one; turning tagging on may fail.
    if (claimed.accessible) SetTagged(true);
    // Text is measured as the fonts that will be embedded measure it.
    if (claimed.Claimed() != conformance_.Claimed()) MeasureStandardFonts(*Fonts, claimed.Claimed());
    conformance_ = claimed;
}

void TPDFDoc::AddMetadataXml(std::string_view rdf) {
    RequireReady();
    XmpCustomSchema schema = ReadRdfDescription(rdf);
    CheckJoinable(customMetadata_, schema);
    customMetadata_.push_back(std::move(schema));
}

std::string TPDFDoc::ConformanceName() const { return vellum::ConformanceName(conformance_); }

bool TPDFDoc::ForbidsTransparency() const { return LevelOf(conformance_.archival).part == 1; }

ArchivalForWrite::ArchivalForWrite(TPDFDoc& doc, Conformance claimed, const EncryptionSettings* encryption)
    : doc_(doc), claimed_(claimed) {
    if (!claimed.Claimed()) {
        // The packet that would carry them is written for such documents only.
        if (!doc.CustomMetadata().empty()) {
            throw EngineError("The metadata given to AddMetadataXml is written into archival or accessible "
                              "documents only: set Conformance to a PDF/A level or PDF/UA-1");
        }
        return;
    }
    const std::string name = vellum::ConformanceName(claimed);
    const bool archival = claimed.archival != ArchivalLevel::None;
    const PdfaLevel level = LevelOf(claimed.archival);
    if (archival && encryption != nullptr) {
        throw EngineError("Cannot write the document as " + name +
                          ": archival documents may not be encrypted; drop the encryption or the conformance");
    }
    if (claimed.accessible && encryption != nullptr && (encryption->permissions & kAccessibilityPermission) == 0) {
        throw EngineError("Cannot write the document as " + name +
                          ": its encryption keeps screen readers from its text; add accessibility to the permissions");
    }
    const auto& states = doc.OpacityStates();
    if (level.part == 1 && std::any_of(states.begin(), states.end(), [](const OpacityState& state) {
            return state.Translucent();
        })) {
        throw EngineError("Cannot write the document as " + name +
                          ": PDF/A-1 forbids transparency, and SetOpacity made drawing translucent; "
                          "claim PDF/A-2b or a later level, or keep opacity at 1");
    }
    if (archival && !doc.Attachments().empty() && level.part < 3) {
        throw EngineError("Cannot write the document as " + name +
                          ": only part 3 of the archival levels (PDF/A-3b, PDF/A-3u) may carry attached files");
    }
    doc.RequireObjectRoom(2);
    FileAdditions additions = doc.Additions;
    metadataNumber_ = doc.NextObjectNumber();
    additions.catalog.push_back({"Metadata", PdfValue::Reference(metadataNumber_)});
    if (archival) {
        additions.trailer.push_back({"ID", FileIdentifier()});
        profileNumber_ = doc.NextObjectNumber();
        additions.version = std::max(additions.version, std::string(level.part == 1 ? "1.4" : "1.7"));
        additions.catalog.push_back(OutputIntentsCatalogEntry(profileNumber_));
        // Printed as shown (bit 3); notes also keep their size and direction
        // whatever the view (bits 4 and 5).
        additions.link.push_back({"F", PdfValue::Integer(4)});
        additions.note.push_back({"F", PdfValue::Integer(28)});
    } else {
        // Accessible documents are read by the rules of PDF 1.7.
        additions.version = std::max(additions.version, std::string("1.7"));
    }
    fonts_.emplace(doc, level.part == 1);
    previous_ = std::exchange(doc.Additions, std::move(additions));
}

bool ArchivalForWrite::AssociatesFiles() const { return LevelOf(claimed_.archival).part == 3; }

ArchivalForWrite::~ArchivalForWrite() {
    if (claimed_.Claimed()) doc_.Additions = std::move(previous_);
}

void ArchivalForWrite::WriteObjects(ObjectWriter& file, const TInfo& info, std::string_view creationDate) const {
    if (!claimed_.Claimed()) return;
    // The information dictionary writes every entry, empty ones too.
    const XmpDocumentInfo described{info.Title,   info.Author,  info.Subject,
                                    info.Keywords, info.Creator, info.Producer,
                                    std::string(creationDate), ""};
    file.Stream(metadataNumber_, XmpPacket(described, LevelOf(claimed_.archival), PacketDescriptions(doc_, claimed_)),
                {{"Type", PdfValue::Name("Metadata")},
                 {"Subtype", PdfValue::Name("XML")},
                 {"Length", PdfValue::StreamLength()}},
                StreamEnd::NewLine);
    if (profileNumber_ != 0) {
        const IccProfileStream profile = SrgbProfileStream();
        file.Stream(profileNumber_, *profile.data, profile.dictionary, StreamEnd::NewLine);
    }
    fonts_->WriteObjects(file);
}

}  // namespace vellum

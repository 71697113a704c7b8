// The archival level's name checked into an enumeration, and the scope that
// applies the level to one write.
#include "archival.h"

#include <algorithm>
#include <utility>

#include "ascii.h"
#include "crypto.h"
#include "document.h"
#include "errors.h"
#include "output_intent.h"
#include "xmp_metadata.h"

namespace vellum {
namespace {

struct NamedLevel {
    Conformance level;
    std::string_view name;
};

constexpr NamedLevel kLevels[] = {
    {Conformance::A1b, "PDF/A-1b"}, {Conformance::A2b, "PDF/A-2b"}, {Conformance::A2u, "PDF/A-2u"},
    {Conformance::A3b, "PDF/A-3b"}, {Conformance::A3u, "PDF/A-3u"},
};

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

PdfaLevel LevelOf(Conformance level) {
    switch (level) {
        case Conformance::A2b: return {2, 'B'};
        case Conformance::A2u: return {2, 'U'};
        case Conformance::A3b: return {3, 'B'};
        case Conformance::A3u: return {3, 'U'};
        default: return {1, 'B'};
    }
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

Conformance ParseConformance(std::string_view name) {
    const std::string_view trimmed = Trimmed(name);
    if (trimmed.empty()) return Conformance::None;
    for (const NamedLevel& known : kLevels) {
        if (EqualsIgnoringAsciiCase(trimmed, known.name)) return known.level;
    }
    throw EngineError("Unknown conformance \"" + std::string(name) +
                      "\": use PDF/A-1b, PDF/A-2b, PDF/A-2u, PDF/A-3b, PDF/A-3u or an empty text for none");
}

std::string_view ConformanceName(Conformance level) {
    for (const NamedLevel& known : kLevels) {
        if (known.level == level) return known.name;
    }
    return {};
}

void TPDFDoc::SetConformance(std::string_view name) {
    RequireReady();
    const Conformance level = ParseConformance(name);
    // Text is measured as the fonts that will be embedded measure it.
    if ((level == Conformance::None) != (conformance_ == Conformance::None)) {
        MeasureStandardFonts(*Fonts, level != Conformance::None);
    }
    conformance_ = level;
}

void TPDFDoc::AddMetadataXml(std::string_view rdf) {
    RequireReady();
    XmpCustomSchema schema = ReadRdfDescription(rdf);
    CheckJoinable(customMetadata_, schema);
    customMetadata_.push_back(std::move(schema));
}

std::string_view TPDFDoc::ConformanceName() const { return vellum::ConformanceName(conformance_); }

ArchivalForWrite::ArchivalForWrite(TPDFDoc& doc, Conformance level, bool encrypted) : doc_(doc), level_(level) {
    if (level == Conformance::None) {
        // The packet that would carry them is written for archival documents only.
        if (!doc.CustomMetadata().empty()) {
            throw EngineError("The metadata given to AddMetadataXml is written into archival documents only: "
                              "set Conformance to a PDF/A level");
        }
        return;
    }
    const std::string name(vellum::ConformanceName(level));
    if (encrypted) {
        throw EngineError("Cannot write the document as " + name +
                          ": archival documents may not be encrypted; drop the encryption or the conformance");
    }
    if (!doc.Attachments().empty() && LevelOf(level).part < 3) {
        throw EngineError("Cannot write the document as " + name +
                          ": only part 3 of the archival levels (PDF/A-3b, PDF/A-3u) may carry attached files");
    }
    doc.RequireObjectRoom(2);
    FileAdditions additions = doc.Additions;
    additions.trailer.push_back({"ID", FileIdentifier()});
    metadataNumber_ = doc.NextObjectNumber();
    profileNumber_ = doc.NextObjectNumber();
    additions.version = std::max(additions.version, std::string(LevelOf(level).part == 1 ? "1.4" : "1.7"));
    additions.catalog.push_back({"Metadata", PdfValue::Reference(metadataNumber_)});
    additions.catalog.push_back(OutputIntentsCatalogEntry(profileNumber_));
    // Printed as shown (bit 3); notes also keep their size and direction
    // whatever the view (bits 4 and 5).
    additions.link.push_back({"F", PdfValue::Integer(4)});
    additions.note.push_back({"F", PdfValue::Integer(28)});
    fonts_.emplace(doc, LevelOf(level).part == 1);
    previous_ = std::exchange(doc.Additions, std::move(additions));
}

bool ArchivalForWrite::AssociatesFiles() const { return level_ != Conformance::None && LevelOf(level_).part == 3; }

ArchivalForWrite::~ArchivalForWrite() {
    if (level_ != Conformance::None) doc_.Additions = std::move(previous_);
}

void ArchivalForWrite::WriteObjects(ObjectWriter& file, const TInfo& info, std::string_view creationDate) const {
    if (level_ == Conformance::None) return;
    // The information dictionary writes every entry, empty ones too.
    const XmpDocumentInfo described{info.Title,   info.Author,  info.Subject,
                                    info.Keywords, info.Creator, info.Producer,
                                    std::string(creationDate), ""};
    file.Stream(metadataNumber_, XmpPacket(described, LevelOf(level_), CustomDescriptions(doc_.CustomMetadata())),
                {{"Type", PdfValue::Name("Metadata")},
                 {"Subtype", PdfValue::Name("XML")},
                 {"Length", PdfValue::StreamLength()}},
                StreamEnd::NewLine);
    const IccProfileStream profile = SrgbProfileStream();
    file.Stream(profileNumber_, *profile.data, profile.dictionary, StreamEnd::NewLine);
    fonts_->WriteObjects(file);
}

}  // namespace vellum

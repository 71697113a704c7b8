// The members of a tagged document: turning structure on, the language, and
// the elements, artifacts and alternative texts callers give.
#include "document.h"
#include "errors.h"

namespace vellum {
namespace {

// Letters, digits and hyphens, in subtags of at most eight: the shape of a
// BCP 47 tag (the registry itself is not consulted).
bool IsAsciiAlphanumeric(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

bool IsLanguageTag(std::string_view tag) {
    std::size_t subtag = 0;
    for (const char c : tag) {
        if (c == '-') {
            if (subtag == 0) return false;
            subtag = 0;
        } else if (IsAsciiAlphanumeric(c) && ++subtag <= 8) {
            continue;
        } else {
            return false;
        }
    }
    return subtag > 0;
}

}  // namespace

void TPDFDoc::SetTagged(bool tagged) {
    RequireReady();
    if (tagged == Tagged()) return;
    if (!tagged && conformance_.accessible) {
        throw EngineError("A PDF/UA-1 document is tagged: drop PDF/UA-1 from Conformance first");
    }
    if (drawn_) {
        throw EngineError("Turn tagging on or off before anything is drawn: what is on the pages already "
                          "would stay outside the structure");
    }
    structure_ = tagged ? std::make_unique<DocumentStructure>() : nullptr;
}

void TPDFDoc::SetLanguage(std::string_view tag) {
    RequireReady();
    if (!tag.empty() && !IsLanguageTag(tag)) {
        throw EngineError("\"" + std::string(tag) + "\" is no language tag: give one such as en, en-GB or de-CH");
    }
    language_ = std::string(tag);
}

namespace {

DocumentStructure& RequireStructure(DocumentStructure* structure, std::string_view member) {
    if (structure == nullptr) {
        throw EngineError(std::string(member) + " needs a tagged document: set Tagged first");
    }
    return *structure;
}

}  // namespace

void TPDFDoc::BeginStructure(std::string_view role, std::string_view altText, std::string_view language) {
    RequireReady();
    DocumentStructure& structure = RequireStructure(structure_.get(), "BeginStructure");
    const std::optional<StructRole> parsed = ParseStructRole(role);
    if (!parsed) {
        throw EngineError("Unknown structure role \"" + std::string(role) +
                          "\": use Document, Part, Sect, Div, P, H1 to H6, L, LI, Lbl, LBody, Table, THead, TBody, "
                          "TR, TH, TD, Figure, Caption, BlockQuote, Quote, Note, Code, Span or Link");
    }
    if (!language.empty() && !IsLanguageTag(language)) {
        throw EngineError("\"" + std::string(language) + "\" is no language tag: give one such as en, en-GB or de-CH");
    }
    structure.Begin(*parsed, std::string(altText), std::string(language));
}

void TPDFDoc::EndStructure() {
    RequireReady();
    RequireStructure(structure_.get(), "EndStructure").End();
}

void TPDFDoc::BeginArtifact(std::string_view kind) {
    RequireReady();
    DocumentStructure& structure = RequireStructure(structure_.get(), "BeginArtifact");
    const std::optional<ArtifactKind> parsed = ParseArtifactKind(kind);
    if (!parsed) {
        throw EngineError("Unknown artifact kind \"" + std::string(kind) + "\": use Pagination, Layout or Background");
    }
    structure.BeginArtifact(*parsed);
}

void TPDFDoc::EndArtifact() {
    RequireReady();
    RequireStructure(structure_.get(), "EndArtifact").EndArtifact();
}

void TPDFDoc::SetImageAltText(std::int32_t imageNumber, std::string_view text) {
    RequireReady();
    if (imageNumber < 0 || static_cast<std::size_t>(imageNumber) >= Images->Count()) {
        throw EngineError("There is no picture " + std::to_string(imageNumber) + " to describe");
    }
    (*Images)[static_cast<std::size_t>(imageNumber)].AltText = std::string(text);
}

}  // namespace vellum

// The logical structure of a tagged document: structure elements in a tree,
// the marked content of each drawing call that belongs to one, artifacts
// (page furniture readers skip), and the annotations that elements hold.
// Drawing calls ask for a marking before they draw (Mark) and give it back
// when they fail (Unmark), so a call that draws nothing leaves no trace.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vellum {

enum class StructRole : std::uint8_t {
    Document, Part, Sect, Div, P, H1, H2, H3, H4, H5, H6, L, LI, Lbl, LBody, Table, THead, TBody, TR, TH, TD,
    Figure, Caption, BlockQuote, Quote, Note, Code, Span, Link, Annot,
};

// The role by its standard name, exact; nullopt for any other.
std::optional<StructRole> ParseStructRole(std::string_view name);
std::string_view StructRoleName(StructRole role);

enum class ArtifactKind : std::uint8_t { Pagination, Layout, Background };
std::optional<ArtifactKind> ParseArtifactKind(std::string_view name);
std::string_view ArtifactKindName(ArtifactKind kind);

// What a drawing call puts on the page.
enum class ContentKind : std::uint8_t { Text, Shape, Picture };

struct StructKid {
    enum class Kind : std::uint8_t { Element, Content, Annotation };
    Kind kind = Kind::Element;
    std::int32_t value = 0;  // element index, MCID, or annotation index in its page
    std::int32_t page = 0;   // page index, for content and annotations
};

struct StructElement {
    StructRole role = StructRole::P;
    std::int32_t parent = -1;  // -1: the Document element at the root
    std::string alt, lang;     // UTF-8; empty: none
    std::vector<StructKid> kids;
};

// One drawing call's marking: the operator text around its content, and
// what it added, so Unmark can take it back.
struct ContentMarking {
    std::string begin;  // "/P <</MCID 0>> BDC\r\n", or an artifact's; empty: not marked
    std::int32_t element = -1;
    bool createdElement = false;
    std::int32_t page = 0;
};

// Element 0 is the Document element every tree has at its root (readers
// expect one); a caller's first top-level "Document" opens it.
class DocumentStructure {
public:
    DocumentStructure();

    // Opens an element inside the innermost open one. Throws EngineError,
    // changing nothing, where the role may not stand (a TD outside a TR) or
    // inside an artifact.
    void Begin(StructRole role, std::string alt, std::string lang);
    // Throws EngineError when no element is open.
    void End();
    // Throws EngineError when an artifact is open already.
    void BeginArtifact(ArtifactKind kind);
    void EndArtifact();

    // The marking of content drawn now on page `page`: inside an artifact,
    // an artifact; inside an element that takes content, that element's;
    // otherwise a new element of the kind's own (a P for text, a Figure
    // with `figureAlt` for a picture), and shapes as layout artifacts.
    // Throws EngineError, changing nothing, where content may not stand.
    ContentMarking Mark(std::int32_t page, ContentKind kind, std::string_view figureAlt);
    // Takes back the last marking (the call that asked for it drew nothing).
    void Unmark(const ContentMarking& marking);

    // An annotation (link or note) of page `page`: a Link or Annot element
    // holding it, inside the innermost open element.
    void AddAnnotation(std::int32_t page, std::int32_t annotation, bool link);

    const std::vector<StructElement>& Elements() const { return elements_; }
    // Per page, the element of each MCID.
    const std::vector<std::vector<std::int32_t>>& ContentOwners() const { return contentOwners_; }
    std::size_t OpenCount() const { return open_.size(); }
    bool InArtifact() const { return artifact_.has_value(); }

private:
    std::int32_t AddElement(StructRole role, std::int32_t parent, std::string alt, std::string lang);
    std::int32_t Innermost() const { return open_.empty() ? 0 : open_.back(); }

    std::vector<StructElement> elements_;
    bool rootOpened_ = false;
    std::vector<std::int32_t> open_;
    std::optional<ArtifactKind> artifact_;
    std::vector<std::vector<std::int32_t>> contentOwners_;
};

}  // namespace vellum

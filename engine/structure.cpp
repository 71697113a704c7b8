#include "structure.h"

#include <algorithm>
#include <array>
#include <utility>

#include "errors.h"
#include "format.h"

namespace vellum {
namespace {

constexpr std::array<std::string_view, 30> kRoleNames = {
    "Document", "Part", "Sect", "Div", "P", "H1", "H2", "H3", "H4", "H5", "H6", "L", "LI", "Lbl", "LBody",
    "Table", "THead", "TBody", "TR", "TH", "TD", "Figure", "Caption", "BlockQuote", "Quote", "Note", "Code",
    "Span", "Link", "Annot"};
constexpr std::array<std::string_view, 3> kArtifactNames = {"Pagination", "Layout", "Background"};

using R = StructRole;

bool IsOneOf(R role, std::initializer_list<R> roles) { return std::find(roles.begin(), roles.end(), role) != roles.end(); }

// Tables and lists hold only their own parts; everything else holds anything.
bool IsContainer(R role) { return IsOneOf(role, {R::Table, R::THead, R::TBody, R::TR, R::L, R::LI}); }

bool MayHold(R parent, R child) {
    switch (parent) {
        case R::Table: return IsOneOf(child, {R::TR, R::THead, R::TBody, R::Caption});
        case R::THead:
        case R::TBody: return child == R::TR;
        case R::TR: return IsOneOf(child, {R::TH, R::TD});
        case R::L: return IsOneOf(child, {R::LI, R::Caption});
        case R::LI: return IsOneOf(child, {R::Lbl, R::LBody});
        default: break;
    }
    // Parts of tables and lists stand only in their own containers.
    return !IsOneOf(child, {R::TR, R::TH, R::TD, R::THead, R::TBody, R::LI, R::Lbl, R::LBody});
}

// Roles whose content is drawn into them directly; the others group elements.
bool TakesContent(R role) { return !IsContainer(role) && !IsOneOf(role, {R::Document, R::Part, R::Sect, R::Div}); }

std::string ParentName(std::int32_t parent, const std::vector<StructElement>& elements) {
    return parent == 0 ? std::string("the document's top level")
                       : "a " + std::string(StructRoleName(elements[static_cast<std::size_t>(parent)].role)) + " element";
}

std::string MarkedBegin(std::string_view tag, std::int32_t mcid) {
    std::string text = "/";
    text += tag;
    text += " <</MCID ";
    AppendInteger(text, mcid);
    text += ">> BDC\r\n";
    return text;
}

}  // namespace

std::optional<StructRole> ParseStructRole(std::string_view name) {
    for (std::size_t i = 0; i < kRoleNames.size(); ++i) {
        if (kRoleNames[i] == name) return static_cast<StructRole>(i);
    }
    return std::nullopt;
}

std::string_view StructRoleName(StructRole role) { return kRoleNames[static_cast<std::size_t>(role)]; }

std::optional<ArtifactKind> ParseArtifactKind(std::string_view name) {
    for (std::size_t i = 0; i < kArtifactNames.size(); ++i) {
        if (kArtifactNames[i] == name) return static_cast<ArtifactKind>(i);
    }
    return std::nullopt;
}

std::string_view ArtifactKindName(ArtifactKind kind) { return kArtifactNames[static_cast<std::size_t>(kind)]; }

DocumentStructure::DocumentStructure() { elements_.push_back(StructElement{R::Document, -1, {}, {}, {}}); }

std::int32_t DocumentStructure::AddElement(StructRole role, std::int32_t parent, std::string alt, std::string lang) {
    const auto index = static_cast<std::int32_t>(elements_.size());
    elements_.push_back(StructElement{role, parent, std::move(alt), std::move(lang), {}});
    elements_[static_cast<std::size_t>(parent)].kids.push_back({StructKid::Kind::Element, index, 0});
    return index;
}

void DocumentStructure::Begin(StructRole role, std::string alt, std::string lang) {
    if (artifact_) {
        throw EngineError("Cannot open a " + std::string(StructRoleName(role)) +
                          " element inside an artifact: end the artifact first");
    }
    const std::int32_t parent = Innermost();
    if (role == R::Document && open_.empty() && !rootOpened_) {
        rootOpened_ = true;
        elements_[0].alt = std::move(alt);
        elements_[0].lang = std::move(lang);
        open_.push_back(0);
        return;
    }
    if (!MayHold(elements_[static_cast<std::size_t>(parent)].role, role)) {
        throw EngineError("A " + std::string(StructRoleName(role)) + " element cannot stand in " +
                          ParentName(parent, elements_));
    }
    open_.push_back(AddElement(role, parent, std::move(alt), std::move(lang)));
}

void DocumentStructure::End() {
    if (open_.empty()) throw EngineError("There is no open structure element to end");
    open_.pop_back();
}

void DocumentStructure::BeginArtifact(ArtifactKind kind) {
    if (artifact_) throw EngineError("An artifact is open already: artifacts do not nest");
    artifact_ = kind;
}

void DocumentStructure::EndArtifact() {
    if (!artifact_) throw EngineError("There is no open artifact to end");
    artifact_.reset();
}

ContentMarking DocumentStructure::Mark(std::int32_t page, ContentKind kind, std::string_view figureAlt) {
    ContentMarking marking;
    marking.page = page;
    const std::int32_t open = Innermost();
    const R openRole = elements_[static_cast<std::size_t>(open)].role;
    const bool artifact = artifact_.has_value() || (kind == ContentKind::Shape && openRole != R::Figure);
    if (artifact) {
        const ArtifactKind artifactKind = artifact_.value_or(ArtifactKind::Layout);
        marking.begin = "/Artifact <</Type /";
        marking.begin += ArtifactKindName(artifactKind);
        marking.begin += ">> BDC\r\n";
        return marking;
    }
    std::int32_t element = open;
    const bool direct = kind == ContentKind::Picture ? openRole == R::Figure : TakesContent(openRole);
    if (!direct) {
        const R made = kind == ContentKind::Picture ? R::Figure : R::P;
        if (!MayHold(openRole, made)) {
            throw EngineError(std::string(kind == ContentKind::Picture ? "A picture" : "Text") + " cannot stand in " +
                              ParentName(open, elements_) + ": open the element it belongs to first");
        }
        element = AddElement(made, open, kind == ContentKind::Picture ? std::string(figureAlt) : std::string(), {});
        marking.createdElement = true;
    }
    if (contentOwners_.size() <= static_cast<std::size_t>(page)) contentOwners_.resize(static_cast<std::size_t>(page) + 1);
    std::vector<std::int32_t>& owners = contentOwners_[static_cast<std::size_t>(page)];
    const auto mcid = static_cast<std::int32_t>(owners.size());
    owners.push_back(element);
    elements_[static_cast<std::size_t>(element)].kids.push_back({StructKid::Kind::Content, mcid, page});
    marking.element = element;
    marking.begin = MarkedBegin(StructRoleName(elements_[static_cast<std::size_t>(element)].role), mcid);
    return marking;
}

void DocumentStructure::Unmark(const ContentMarking& marking) {
    if (marking.element < 0) return;
    contentOwners_[static_cast<std::size_t>(marking.page)].pop_back();
    elements_[static_cast<std::size_t>(marking.element)].kids.pop_back();
    if (!marking.createdElement) return;
    elements_[static_cast<std::size_t>(elements_.back().parent)].kids.pop_back();
    elements_.pop_back();
}

void DocumentStructure::AddAnnotation(std::int32_t page, std::int32_t annotation, bool link) {
    // A link or note stands in the innermost element that may hold it.
    std::int32_t parent = Innermost();
    // A Link the caller opened holds the link itself, beside its text.
    if (link && elements_[static_cast<std::size_t>(parent)].role == R::Link) {
        elements_[static_cast<std::size_t>(parent)].kids.push_back({StructKid::Kind::Annotation, annotation, page});
        return;
    }
    while (IsContainer(elements_[static_cast<std::size_t>(parent)].role)) {
        parent = elements_[static_cast<std::size_t>(parent)].parent;
    }
    const std::int32_t element = AddElement(link ? R::Link : R::Annot, parent, {}, {});
    elements_[static_cast<std::size_t>(element)].kids.push_back({StructKid::Kind::Annotation, annotation, page});
}

}  // namespace vellum

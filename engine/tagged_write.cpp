#include "tagged_write.h"

#include <algorithm>
#include <string>
#include <utility>

#include "document.h"
#include "errors.h"

namespace vellum {
namespace {

constexpr auto kEscape = DocStringEscape::UnbalancedParentheses;

// The page an element's first marked content or annotation is on; -1 for
// none (an element holding only elements).
std::int32_t FirstPage(const StructElement& element) {
    for (const StructKid& kid : element.kids) {
        if (kid.kind != StructKid::Kind::Element) return kid.page;
    }
    return -1;
}

TAnnot& AnnotationOf(const TPDFDoc& doc, const StructKid& kid) {
    return (*doc.Pages)[static_cast<std::size_t>(kid.page)].Annots[static_cast<std::size_t>(kid.value)];
}

// What each header cell heads, which readers cannot tell from the table
// alone: the cells of the table's first row (or of its THead) head their
// columns, any other header cell heads its row. Empty for other elements.
std::vector<std::string_view> HeaderScopes(const std::vector<StructElement>& elements) {
    std::vector<std::string_view> scopes(elements.size());
    std::vector<std::int32_t> firstRowOfTable(elements.size(), -1);
    auto tableOf = [&](std::int32_t row) {
        std::int32_t up = elements[static_cast<std::size_t>(row)].parent;
        if (up >= 0 && elements[static_cast<std::size_t>(up)].role != StructRole::Table) {
            up = elements[static_cast<std::size_t>(up)].parent;
        }
        return up;
    };
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const StructElement& element = elements[i];
        if (element.role == StructRole::TR) {
            const std::int32_t table = tableOf(static_cast<std::int32_t>(i));
            if (table >= 0 && firstRowOfTable[static_cast<std::size_t>(table)] < 0) {
                firstRowOfTable[static_cast<std::size_t>(table)] = static_cast<std::int32_t>(i);
            }
        }
        if (element.role != StructRole::TH || element.parent < 0) continue;
        const std::int32_t row = element.parent;
        const std::int32_t section = elements[static_cast<std::size_t>(row)].parent;
        const std::int32_t table = tableOf(row);
        const bool headRow = (section >= 0 && elements[static_cast<std::size_t>(section)].role == StructRole::THead) ||
                             (table >= 0 && firstRowOfTable[static_cast<std::size_t>(table)] == row);
        scopes[i] = headRow ? "Column" : "Row";
    }
    return scopes;
}

int HeadingLevel(StructRole role) {
    const int level = static_cast<int>(role) - static_cast<int>(StructRole::H1) + 1;
    return level >= 1 && level <= 6 ? level : 0;
}

// What an accessible document needs from the caller, all of it named at once
// so one failed write tells the whole story. Elements are numbered in the
// order they were opened, which is reading order.
std::vector<std::string> AccessibilityGaps(const TPDFDoc& doc, const DocumentStructure& structure) {
    std::vector<std::string> gaps;
    if (doc.Info->Title.empty()) gaps.emplace_back("a title (NewPDF's or SetTitle's)");
    if (doc.Language().empty()) gaps.emplace_back("a Language");
    int figures = 0, previousLevel = 0;
    std::string headingGap;
    for (const StructElement& element : structure.Elements()) {
        if (element.role == StructRole::Figure && element.alt.empty()) ++figures;
        const int level = HeadingLevel(element.role);
        if (level == 0) continue;
        if (level > previousLevel + 1 && headingGap.empty()) {
            headingGap = previousLevel == 0 ? "a first heading of H1, not H" + std::to_string(level)
                                            : "no heading skipping a level (H" + std::to_string(level) + " follows H" +
                                                  std::to_string(previousLevel) + ")";
        }
        previousLevel = level;
    }
    if (figures > 0) {
        gaps.push_back("alternative text for " + std::to_string(figures) +
                       (figures == 1 ? " picture" : " pictures") +
                       " (SetImageAltText before drawing, or BeginStructure's AltText)");
    }
    if (!headingGap.empty()) gaps.push_back(headingGap);
    return gaps;
}

void RequireAccessible(const TPDFDoc& doc, const DocumentStructure& structure) {
    const std::vector<std::string> gaps = AccessibilityGaps(doc, structure);
    if (gaps.empty()) return;
    std::string message = "Cannot write the document as PDF/UA-1: it needs ";
    for (std::size_t i = 0; i < gaps.size(); ++i) {
        if (i > 0) message += i + 1 == gaps.size() ? " and " : ", ";
        message += gaps[i];
    }
    throw EngineError(message);
}

}  // namespace

TaggedForWrite::TaggedForWrite(TPDFDoc& doc, bool accessible, std::int32_t signatureWidget)
    : doc_(doc), signatureWidget_(signatureWidget) {
    const DocumentStructure* structure = doc.Structure();
    if (structure == nullptr) return;
    if (accessible) RequireAccessible(doc, *structure);
    const auto elements = static_cast<std::int32_t>(structure->Elements().size());
    const bool signedDocument = signatureWidget != 0;
    doc.RequireObjectRoom(2 + elements + (signedDocument ? 1 : 0));
    rootNumber_ = doc.NextObjectNumber();
    parentTreeNumber_ = doc.NextObjectNumber();
    firstElementNumber_ = elements > 0 ? doc.NextObjectNumber() : 0;
    for (std::int32_t i = 1; i < elements; ++i) doc.NextObjectNumber();
    if (signedDocument) formNumber_ = doc.NextObjectNumber();

    // Keys: each page's index, then one per annotation that an element holds.
    std::int32_t key = 0;
    for (TPage& page : *doc.Pages) page.StructParents = key++;
    for (const StructElement& element : structure->Elements()) {
        for (const StructKid& kid : element.kids) {
            if (kid.kind == StructKid::Kind::Annotation) AnnotationOf(doc, kid).StructParent = key++;
        }
    }
    if (signedDocument) signatureKey_ = key++;
    annotationKeys_ = key;

    FileAdditions additions = doc.Additions;
    // The language and the marked flag came with PDF 1.4.
    additions.version = std::max(additions.version, std::string("1.4"));
    additions.catalog.push_back({"StructTreeRoot", PdfValue::Reference(rootNumber_)});
    additions.catalog.push_back({"MarkInfo", PdfValue::Dictionary({{"Marked", PdfValue::Boolean(true)}})});
    if (!doc.Language().empty()) additions.catalog.push_back({"Lang", PdfValue::Literal(doc.Language())});
    if (accessible) {
        additions.viewerPreferences.push_back({"DisplayDocTitle", PdfValue::Boolean(true)});
        additions.annotatedPage.push_back({"Tabs", PdfValue::Name("S")});
    }
    previous_ = std::exchange(doc.Additions, std::move(additions));
}

TaggedForWrite::~TaggedForWrite() {
    if (rootNumber_ == 0) return;
    doc_.Additions = std::move(previous_);
    for (TPage& page : *doc_.Pages) {
        page.StructParents = -1;
        for (TAnnot& annot : page.Annots) annot.StructParent = -1;
    }
}

void TaggedForWrite::WriteObjects(ObjectWriter& file) const {
    if (rootNumber_ == 0) return;
    const DocumentStructure& structure = *doc_.Structure();
    const std::vector<StructElement>& elements = structure.Elements();
    auto elementNumber = [&](std::int32_t index) { return firstElementNumber_ + index; };
    auto pageNumber = [&](std::int32_t page) { return (*doc_.Pages)[static_cast<std::size_t>(page)].ObjectNumber; };
    auto annotation = [&](const StructKid& kid) -> const TAnnot& { return AnnotationOf(doc_, kid); };

    file.Object(rootNumber_, [&](PdfBody& text) {
        text.Raw("<<\r\n/Type /StructTreeRoot\r\n/K ").Reference(elementNumber(0));
        text.Raw("\r\n/ParentTree ").Reference(parentTreeNumber_);
        text.Raw("\r\n/ParentTreeNextKey ").Integer(annotationKeys_).Raw("\r\n>>\r\n");
    });

    // Number tree leaves in key order: the pages' arrays, then the annotations.
    file.Object(parentTreeNumber_, [&](PdfBody& text) {
        text.Raw("<<\r\n/Nums [\r\n");
        const auto& owners = structure.ContentOwners();
        for (std::size_t page = 0; page < doc_.Pages->Count(); ++page) {
            text.Integer(static_cast<std::int64_t>(page)).Raw(" [");
            if (page < owners.size()) {
                for (const std::int32_t owner : owners[page]) text.Reference(elementNumber(owner)).Raw(" ");
            }
            text.Raw("]\r\n");
        }
        for (std::size_t index = 0; index < elements.size(); ++index) {
            for (const StructKid& kid : elements[index].kids) {
                if (kid.kind != StructKid::Kind::Annotation) continue;
                text.Integer(annotation(kid).StructParent).Raw(" ").Reference(elementNumber(static_cast<std::int32_t>(index))).Raw("\r\n");
            }
        }
        if (formNumber_ != 0) text.Integer(signatureKey_).Raw(" ").Reference(formNumber_).Raw("\r\n");
        text.Raw("]\r\n>>\r\n");
    });

    const std::vector<std::string_view> scopes = HeaderScopes(elements);
    for (std::size_t index = 0; index < elements.size(); ++index) {
        const StructElement& element = elements[index];
        const std::int32_t page = FirstPage(element);
        file.Object(elementNumber(static_cast<std::int32_t>(index)), [&](PdfBody& text) {
            text.Raw("<<\r\n/Type /StructElem\r\n/S ").Name(StructRoleName(element.role));
            text.Raw("\r\n/P ").Reference(element.parent < 0 ? rootNumber_ : elementNumber(element.parent));
            if (page >= 0) text.Raw("\r\n/Pg ").Reference(pageNumber(page));
            if (!element.alt.empty()) text.Raw("\r\n/Alt ").DocumentText(element.alt, kEscape);
            if (!element.lang.empty()) text.Raw("\r\n/Lang ").Literal(element.lang);
            if (!scopes[index].empty()) text.Raw("\r\n/A << /O /Table /Scope /").Raw(scopes[index]).Raw(" >>");
            text.Raw("\r\n/K [");
            for (const StructKid& kid : element.kids) {
                text.Raw(" ");
                switch (kid.kind) {
                    case StructKid::Kind::Element: text.Reference(elementNumber(kid.value)); break;
                    case StructKid::Kind::Content:
                        if (kid.page == page) {
                            text.Integer(kid.value);
                        } else {
                            text.Raw("<< /Type /MCR /Pg ").Reference(pageNumber(kid.page));
                            text.Raw(" /MCID ").Integer(kid.value).Raw(" >>");
                        }
                        break;
                    case StructKid::Kind::Annotation:
                        text.Raw("<< /Type /OBJR /Obj ").Reference(annotation(kid).ObjectNumber);
                        text.Raw(" /Pg ").Reference(pageNumber(kid.page)).Raw(" >>");
                        break;
                }
            }
            if (index == 0 && formNumber_ != 0) text.Raw(" ").Reference(formNumber_);
            text.Raw(" ]\r\n>>\r\n");
        });
    }
    // The signature's field, last in reading order: its widget is on the first page.
    if (formNumber_ != 0) {
        file.Object(formNumber_, [&](PdfBody& text) {
            text.Raw("<<\r\n/Type /StructElem\r\n/S /Form\r\n/P ").Reference(elementNumber(0));
            text.Raw("\r\n/Pg ").Reference(pageNumber(0));
            text.Raw("\r\n/K [ << /Type /OBJR /Obj ").Reference(signatureWidget_);
            text.Raw(" /Pg ").Reference(pageNumber(0)).Raw(" >> ]\r\n>>\r\n");
        });
    }
}

}  // namespace vellum

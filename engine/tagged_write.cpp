#include "tagged_write.h"

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

}  // namespace

TaggedForWrite::TaggedForWrite(TPDFDoc& doc) : doc_(doc) {
    const DocumentStructure* structure = doc.Structure();
    if (structure == nullptr) return;
    const auto elements = static_cast<std::int32_t>(structure->Elements().size());
    doc.RequireObjectRoom(2 + elements);
    rootNumber_ = doc.NextObjectNumber();
    parentTreeNumber_ = doc.NextObjectNumber();
    firstElementNumber_ = elements > 0 ? doc.NextObjectNumber() : 0;
    for (std::int32_t i = 1; i < elements; ++i) doc.NextObjectNumber();

    // Keys: each page's index, then one per annotation that an element holds.
    std::int32_t key = 0;
    for (TPage& page : *doc.Pages) page.StructParents = key++;
    for (const StructElement& element : structure->Elements()) {
        for (const StructKid& kid : element.kids) {
            if (kid.kind == StructKid::Kind::Annotation) AnnotationOf(doc, kid).StructParent = key++;
        }
    }
    annotationKeys_ = key;

    FileAdditions additions = doc.Additions;
    additions.catalog.push_back({"StructTreeRoot", PdfValue::Reference(rootNumber_)});
    additions.catalog.push_back({"MarkInfo", PdfValue::Dictionary({{"Marked", PdfValue::Boolean(true)}})});
    if (!doc.Language().empty()) additions.catalog.push_back({"Lang", PdfValue::Literal(doc.Language())});
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
        text.Raw("]\r\n>>\r\n");
    });

    for (std::size_t index = 0; index < elements.size(); ++index) {
        const StructElement& element = elements[index];
        const std::int32_t page = FirstPage(element);
        file.Object(elementNumber(static_cast<std::int32_t>(index)), [&](PdfBody& text) {
            text.Raw("<<\r\n/Type /StructElem\r\n/S ").Name(StructRoleName(element.role));
            text.Raw("\r\n/P ").Reference(element.parent < 0 ? rootNumber_ : elementNumber(element.parent));
            if (page >= 0) text.Raw("\r\n/Pg ").Reference(pageNumber(page));
            if (!element.alt.empty()) text.Raw("\r\n/Alt ").DocumentText(element.alt, kEscape);
            if (!element.lang.empty()) text.Raw("\r\n/Lang ").Literal(element.lang);
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
            text.Raw(" ]\r\n>>\r\n");
        });
    }
}

}  // namespace vellum

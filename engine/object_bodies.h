// The objects each part of the document writes through the object writer
// when the file is made (writer.cpp calls them in file order).
#pragma once

#include "pdf_object.h"

namespace vellum {

struct FileAdditions;
struct TAnnot;
struct TOutlineObj;
struct TOutlinesObj;
struct TPDFImage;

// The additions' link or note entries follow the annotation's own.
void WriteAnnotation(ObjectWriter& file, const TAnnot& annot, const FileAdditions& additions);
void WriteOutlineEntry(ObjectWriter& file, const TOutlineObj& entry);
void WriteOutlines(ObjectWriter& file, const TOutlinesObj& outlines);
void WriteImage(ObjectWriter& file, const TPDFImage& image);

// One object's text as written alone with no hook, for PDF_Binary.
template <class WriteFn, class Item>
std::string TextOfObject(WriteFn write, const Item& item) {
    std::string text;
    StringSink sink(text);
    ObjectWriter file(sink, IdentityHook());
    write(file, item);
    return text;
}

}  // namespace vellum

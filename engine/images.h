// Images of a document: each a complete JPEG stream (or, kept without loss,
// the samples or JPEG file that lossless_images.h describes) written as an
// image XObject "/Im" + its number, loaded from a picture file and placed on
// pages any number of times.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "collection.h"
#include "lossless_images.h"

namespace vellum {

struct TPDFImage {
    std::int32_t Id = 0;  // the ImageNumber: 0 for a document's first image
    std::int32_t ObjectNumber = 0;
    std::string ImageData;  // a whole JPEG stream; empty when loading failed (sizes then 0)
    // Set for a picture kept without loss: ImageData then holds what it says.
    std::optional<LosslessImage> Lossless;
    std::int32_t PixelWidth = 0;
    std::int32_t PixelHeight = 0;
    TPDFDoc* Document = nullptr;
    std::string AltText;  // UTF-8, what a tagged document's Figure says of it

    std::int32_t ImageNumber() const { return Id; }

    // Each loader reads the picture file, encodes it as JPEG at the quality
    // given (taken as 1..100), or keeps it without loss when the document's
    // ImageEncoding says so (the quality then unused), and returns
    // ImageNumber; failures throw with the picture kind's message and leave
    // the entry empty.
    std::int32_t LoadFromBMPFile(const std::string& fileName, std::uint8_t quality);
    std::int32_t LoadFromJPGFile(const std::string& fileName, std::uint8_t quality);
    std::int32_t LoadFromWMFFile(const std::string& fileName, std::uint8_t quality);
    std::int32_t LoadFromICOFile(const std::string& fileName, std::uint8_t quality);

    // An entry whose loading failed is written as one white pixel, so the
    // file stays valid and the entry keeps its number.
    std::string PDF_Binary() const;
};

struct TPDFImages : TCollection<TPDFImage> {
    using TCollection::TCollection;
    TPDFImage& AddImage();
};

}  // namespace vellum

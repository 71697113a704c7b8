// The scope of one write for pictures kept without loss: numbers for their
// soft masks, the version their features need, and what archival levels ask
// of them (PDF/A-1 allows no transparency and no 16-bit samples, so its
// pictures are laid over white at 8 bits; archival output intents are sRGB,
// so CMYK JPEG files are decoded to RGB).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archival.h"

namespace vellum {

class ObjectWriter;
class TPDFDoc;
struct TPDFImage;

class LosslessImagesForWrite {
public:
    LosslessImagesForWrite(TPDFDoc& doc, Conformance claimed);
    ~LosslessImagesForWrite();
    LosslessImagesForWrite(const LosslessImagesForWrite&) = delete;
    LosslessImagesForWrite& operator=(const LosslessImagesForWrite&) = delete;

    // Image `index` of the document, kept without loss, with its soft mask.
    void Write(ObjectWriter& file, const TPDFImage& image, std::size_t index) const;

private:
    TPDFDoc& doc_;
    bool flatten_ = false;
    bool rgbOnly_ = false;
    std::vector<std::int32_t> masks_;  // per image, 0 for none
    std::string previousVersion_;
    bool raisedVersion_ = false;
};

}  // namespace vellum

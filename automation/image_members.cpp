// Members that import pictures, choose how they are stored, place them and
// report their sizes. Imports
// of all objects in the process run one at a time under one lock.
#include <mutex>

#include "boundary.h"
#include "pdf_document.h"

namespace vellum::automation {

std::mutex& ImageLoadLock() {
    static std::mutex lock;
    return lock;
}

HRESULT TPDFDocument::ImportImage(BSTR AFilename, LONG JpgQuality, double xpos, double ypos, double Width,
                                  double Height) {
    return Guarded([&] {
        const std::lock_guard<std::mutex> hold(ImageLoadLock());
        TPDFDoc& doc = RequireOpenDocument();
        TPage& page = CurrentPageRef();
        const auto number = doc.ImportImageFile(ToFileName(AFilename), static_cast<std::uint8_t>(JpgQuality));
        page.DrawImage(number, xpos, ypos, Width, Height);
    });
}

HRESULT TPDFDocument::ImportImageAsResource(BSTR AFilename, LONG JpgQuality, LONG* Value) {
    if (Value == nullptr) return E_POINTER;
    return Guarded([&] {
        const std::lock_guard<std::mutex> hold(ImageLoadLock());
        *Value = RequireOpenDocument().ImportImageFile(ToFileName(AFilename), static_cast<std::uint8_t>(JpgQuality));
    });
}

// The image number goes first on the way to the page.
HRESULT TPDFDocument::DrawImageResource(double xpos, double ypos, double ImgWidth, double ImgHeight,
                                        LONG ImageNumber) {
    return Guarded([&] { CurrentPageRef().DrawImage(ImageNumber, xpos, ypos, ImgWidth, ImgHeight); });
}

HRESULT TPDFDocument::GetImageWidth(LONG ImageID, LONG* Value) {
    if (Value == nullptr) return E_POINTER;
    return Guarded([&] { *Value = Doc == nullptr ? 0 : Doc->ImageWidth(ImageID); });
}

HRESULT TPDFDocument::GetImageHeight(LONG ImageID, LONG* Value) {
    if (Value == nullptr) return E_POINTER;
    return Guarded([&] { *Value = Doc == nullptr ? 0 : Doc->ImageHeight(ImageID); });
}

HRESULT TPDFDocument::get_ImageEncoding(BSTR* Value) {
    if (Value == nullptr) return E_POINTER;
    *Value = nullptr;
    return Guarded([&] { *Value = ToBstr(PictureEncodingName(RequireDocument().ImageEncoding())); });
}

HRESULT TPDFDocument::put_ImageEncoding(BSTR Value) {
    return Guarded([&] { RequireOpenDocument().SetImageEncoding(ToUnicodeText(Value)); });
}

}  // namespace vellum::automation

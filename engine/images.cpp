#include "images.h"

#include "ascii.h"
#include "document.h"
#include "errors.h"
#include "file_input.h"
#include "format.h"
#include "jpeg.h"
#include "pictures.h"

namespace vellum {
namespace {

// Larger than any picture of the pixel limit in any of the four formats.
constexpr std::size_t kMaxPictureFileBytes = 512u << 20;

using Reader = pictures::RgbBitmap (*)(std::string_view);

std::int32_t Load(TPDFImage& image, const std::string& fileName, std::uint8_t quality, Reader read) {
    const std::string bytes = ReadWholeFile(fileName, kMaxPictureFileBytes);
    try {
        const pictures::RgbBitmap bitmap = read(bytes);
        std::string encoded = pictures::EncodeJpeg(bitmap, quality);
        image.ImageData = std::move(encoded);
        image.PixelWidth = bitmap.width;
        image.PixelHeight = bitmap.height;
    } catch (const pictures::PictureError& error) {
        throw EngineError(error.what());
    }
    return image.ImageNumber();
}

// The extension of the last path component, dot included, ASCII lower case.
std::string LowerExtension(const std::string& fileName) {
    const auto slash = fileName.rfind('/');
    const auto dot = fileName.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string extension = fileName.substr(dot);
    for (char& c : extension) c = LowerAscii(c);
    return extension;
}

}  // namespace

TPDFImage& TPDFImages::AddImage() {
    Document->RequireObjectRoom(1);
    TPDFImage& image = Add();
    image.ObjectNumber = Document->NextObjectNumber();
    return image;
}

std::int32_t TPDFImage::LoadFromBMPFile(const std::string& fileName, std::uint8_t quality) {
    return Load(*this, fileName, quality, pictures::ReadBmp);
}

std::int32_t TPDFImage::LoadFromJPGFile(const std::string& fileName, std::uint8_t quality) {
    return Load(*this, fileName, quality, pictures::DecodeJpeg);
}

std::int32_t TPDFImage::LoadFromWMFFile(const std::string& fileName, std::uint8_t quality) {
    return Load(*this, fileName, quality, pictures::PlayWmf);
}

std::int32_t TPDFImage::LoadFromICOFile(const std::string& fileName, std::uint8_t quality) {
    return Load(*this, fileName, quality, pictures::ReadIco);
}

std::string TPDFImage::PDF_Binary() const {
    std::string text;
    text.reserve(ImageData.size() + 200);
    AppendInteger(text, ObjectNumber);
    text += " 0 obj\r\n<<\r\n/Type /XObject\r\n/Subtype /Image\r\n/Name /Im";
    AppendInteger(text, ImageNumber());
    text += "\r\n/Width ";
    AppendInteger(text, PixelWidth);
    text += "\r\n/Height ";
    AppendInteger(text, PixelHeight);
    text += "\r\n/BitsPerComponent 8\r\n/ColorSpace /DeviceRGB\r\n/Length ";
    AppendInteger(text, static_cast<std::int64_t>(ImageData.size()));
    text += "\r\n/Filter /DCTDecode\r\n>>\r\nstream\r\n";
    text += ImageData;
    text += "\r\nendstream\r\nendobj\r\n";
    return text;
}

std::optional<std::int32_t> TPDFDoc::ImportImageFile(const std::string& fileName, std::uint8_t quality) {
    using Loader = std::int32_t (TPDFImage::*)(const std::string&, std::uint8_t);
    const std::string extension = LowerExtension(fileName);
    Loader loader = nullptr;
    if (extension == ".bmp") loader = &TPDFImage::LoadFromBMPFile;
    if (extension == ".wmf") loader = &TPDFImage::LoadFromWMFFile;
    if (extension == ".ico") loader = &TPDFImage::LoadFromICOFile;
    if (extension == ".jpg") loader = &TPDFImage::LoadFromJPGFile;
    if (loader == nullptr) return std::nullopt;
    if (IsCleared()) throw EngineError("The document has already been written; start a new document first");
    TPDFImage& image = Images->AddImage();
    return (image.*loader)(fileName, quality);
}

// Numbers are never reused within a document, so at most one entry matches;
// the last match is the one that counts all the same.
const TPDFImage* TPDFDoc::FindImage(std::int32_t imageNumber) const {
    const TPDFImage* found = nullptr;
    if (Images != nullptr) {
        for (const TPDFImage& image : *Images) {
            if (image.ImageNumber() == imageNumber) found = &image;
        }
    }
    return found;
}

std::int32_t TPDFDoc::ImageWidth(std::int32_t imageNumber) const {
    const TPDFImage* image = FindImage(imageNumber);
    return image != nullptr ? image->PixelWidth : 0;
}

std::int32_t TPDFDoc::ImageHeight(std::int32_t imageNumber) const {
    const TPDFImage* image = FindImage(imageNumber);
    return image != nullptr ? image->PixelHeight : 0;
}

void TPage::DrawImage(std::int32_t imageNumber, double x, double y, double width, double height) {
    for (const double value : {x, y, width, height}) RequireWritable(value, "image placement");
    const TPDFDoc& doc = *Document;
    if (imageNumber < 0 || static_cast<std::size_t>(imageNumber) >= doc.Images->Count()) return;
    const double factor = doc.UnitFactor;
    const double matrix[4] = {factor * width, factor * height, factor * x,
                              factor * (Height / factor - y) - factor * height};
    for (const double value : matrix) RequireWritable(value, "image placement");
    std::string line = "q ";
    AppendPdfNumber(line, pattern::kUpToTwoPlaces, matrix[0]);
    line += " 0 0 ";
    AppendPdfNumber(line, pattern::kUpToTwoPlaces, matrix[1]);
    line += ' ';
    AppendPdfNumber(line, pattern::kUpToTwoPlaces, matrix[2]);
    line += ' ';
    AppendPdfNumber(line, pattern::kUpToTwoPlaces, matrix[3]);
    line += " cm /Im";
    AppendInteger(line, imageNumber);
    line += " Do Q\r\n";
    AppendContent(*this, line);
}

}  // namespace vellum

#include "images.h"

#include "ascii.h"
#include "document.h"
#include "errors.h"
#include "file_input.h"
#include "format.h"
#include "marked_content.h"
#include "object_bodies.h"
#include "picture_codec.h"

namespace vellum {
namespace {

// Larger than any picture of the pixel limit in any of the formats.
constexpr std::size_t kMaxPictureFileBytes = 512u << 20;

void Encode(TPDFImage& image, VellumPictureKind kind, std::string_view bytes, std::uint8_t quality) {
    if (image.Document->ImageEncoding() == PictureEncoding::Lossless) {
        const LosslessDecoding decoding(kind, bytes);
        StoreLossless(image, decoding.Result(), bytes);
        return;
    }
    ConvertedPicture picture = ConvertPicture(kind, bytes, quality);
    image.ImageData = std::move(picture.jpeg);
    image.PixelWidth = picture.width;
    image.PixelHeight = picture.height;
}

std::int32_t Load(TPDFImage& image, const std::string& fileName, std::uint8_t quality, VellumPictureKind kind) {
    Encode(image, kind, ReadWholeFile(fileName, kMaxPictureFileBytes), quality);
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

// The kinds recognised by their first bytes, for names without one of the
// four extensions that choose a loader.
std::optional<VellumPictureKind> KindByContent(std::string_view bytes) {
    if (bytes.substr(0, 8) == std::string_view("\x89PNG\r\n\x1a\n", 8)) return kVellumPng;
    if (bytes.substr(0, 3) == "\xFF\xD8\xFF") return kVellumJpeg;
    return std::nullopt;
}

// A failed entry still needs a valid image object: one white pixel, unfiltered.
constexpr std::string_view kBlankPixel = "\xFF\xFF\xFF";

}  // namespace

TPDFImage& TPDFImages::AddImage() {
    Document->RequireObjectRoom(1);
    TPDFImage& image = Add();
    image.ObjectNumber = Document->NextObjectNumber();
    return image;
}

std::int32_t TPDFImage::LoadFromBMPFile(const std::string& fileName, std::uint8_t quality) {
    return Load(*this, fileName, quality, kVellumBmp);
}

std::int32_t TPDFImage::LoadFromJPGFile(const std::string& fileName, std::uint8_t quality) {
    return Load(*this, fileName, quality, kVellumJpeg);
}

std::int32_t TPDFImage::LoadFromWMFFile(const std::string& fileName, std::uint8_t quality) {
    return Load(*this, fileName, quality, kVellumWmf);
}

std::int32_t TPDFImage::LoadFromICOFile(const std::string& fileName, std::uint8_t quality) {
    return Load(*this, fileName, quality, kVellumIco);
}

// An entry whose loading failed is one white pixel, unfiltered. A picture kept
// without loss is written here without its soft mask, which only a file's
// write numbers (LosslessImagesForWrite).
void WriteImage(ObjectWriter& file, const TPDFImage& image) {
    if (image.Lossless && !image.ImageData.empty()) {
        WriteLosslessImage(file, image, {&*image.Lossless, image.ImageData, 0});
        return;
    }
    const bool blank = image.ImageData.empty();
    const std::string_view data = blank ? kBlankPixel : std::string_view(image.ImageData);
    file.Stream(image.ObjectNumber, data, [&](PdfBody& text) {
        text.Raw("<<\r\n/Type /XObject\r\n/Subtype /Image\r\n/Name /Im").Integer(image.ImageNumber());
        text.Raw("\r\n/Width ").Integer(blank ? 1 : image.PixelWidth);
        text.Raw("\r\n/Height ").Integer(blank ? 1 : image.PixelHeight);
        text.Raw("\r\n/BitsPerComponent 8\r\n/ColorSpace /DeviceRGB\r\n/Length ").StreamLength();
        text.Raw(blank ? "\r\n>>\r\n" : "\r\n/Filter /DCTDecode\r\n>>\r\n");
    });
}

std::string TPDFImage::PDF_Binary() const { return TextOfObject(WriteImage, *this); }

void TPDFDoc::SetImageEncoding(std::string_view name) {
    const std::optional<PictureEncoding> encoding = ParsePictureEncoding(name);
    if (!encoding) {
        throw EngineError("Unknown image encoding \"" + std::string(name) + "\": use JPEG or Lossless");
    }
    imageEncoding_ = *encoding;
}

std::int32_t TPDFDoc::ImportImageFile(const std::string& fileName, std::uint8_t quality) {
    using Loader = std::int32_t (TPDFImage::*)(const std::string&, std::uint8_t);
    if (IsCleared()) throw EngineError("The document has already been written; start a new document first");
    const std::string extension = LowerExtension(fileName);
    Loader loader = nullptr;
    if (extension == ".bmp") loader = &TPDFImage::LoadFromBMPFile;
    if (extension == ".wmf") loader = &TPDFImage::LoadFromWMFFile;
    if (extension == ".ico") loader = &TPDFImage::LoadFromICOFile;
    if (extension == ".jpg") loader = &TPDFImage::LoadFromJPGFile;
    if (loader != nullptr) {
        TPDFImage& image = Images->AddImage();
        return (image.*loader)(fileName, quality);
    }
    // Any other name: the content decides, and content that is no picture we
    // know adds nothing.
    const std::string bytes = ReadWholeFile(fileName, kMaxPictureFileBytes);
    const std::optional<VellumPictureKind> kind = KindByContent(bytes);
    if (!kind) throw EngineError("Unsupported picture format: " + fileName);
    TPDFImage& image = Images->AddImage();
    Encode(image, *kind, bytes, quality);
    return image.ImageNumber();
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
    if ((*doc.Images)[static_cast<std::size_t>(imageNumber)].ImageData.empty()) return;  // its loading failed
    MarkedContent marked(*this, ContentKind::Picture,
                         (*doc.Images)[static_cast<std::size_t>(imageNumber)].AltText);
    const double factor = doc.UnitFactor();
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
    marked.Keep();
}

}  // namespace vellum

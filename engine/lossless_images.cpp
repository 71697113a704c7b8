#include "lossless_images.h"

#include "ascii.h"
#include "errors.h"
#include "format.h"
#include "images.h"
#include "pdf_object.h"

namespace vellum {
namespace {

std::string_view SpaceName(ImageColour colour) {
    switch (colour) {
        case ImageColour::Gray: return "/DeviceGray";
        case ImageColour::Cmyk: return "/DeviceCMYK";
        default: return "/DeviceRGB";
    }
}

ImageColour ColourOf(int space) {
    switch (space) {
        case kVellumGray: return ImageColour::Gray;
        case kVellumCmyk: return ImageColour::Cmyk;
        case kVellumIndexed: return ImageColour::Indexed;
        default: return ImageColour::Rgb;
    }
}

std::string_view Bytes(const unsigned char* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

void WriteColourSpace(PdfBody& text, const LosslessImage& layout) {
    if (layout.colour != ImageColour::Indexed) {
        text.Raw(SpaceName(layout.colour));
        return;
    }
    const auto highest = static_cast<std::int64_t>(layout.palette.size() / 3) - 1;
    text.Raw("[/Indexed /DeviceRGB ").Integer(highest).Raw(" ").Hex(layout.palette).Raw("]");
}

}  // namespace

std::optional<PictureEncoding> ParsePictureEncoding(std::string_view name) {
    if (EqualsIgnoringAsciiCase(name, "jpeg")) return PictureEncoding::Jpeg;
    if (EqualsIgnoringAsciiCase(name, "lossless")) return PictureEncoding::Lossless;
    return std::nullopt;
}

std::string_view PictureEncodingName(PictureEncoding encoding) {
    return encoding == PictureEncoding::Lossless ? "Lossless" : "JPEG";
}

int LosslessImage::Components() const {
    switch (colour) {
        case ImageColour::Rgb: return 3;
        case ImageColour::Cmyk: return 4;
        default: return 1;
    }
}

std::size_t LosslessImage::RowBytes(std::int32_t width) const {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(Components() * bits) + 7) / 8;
}

std::size_t LosslessImage::AlphaRowBytes(std::int32_t width) const {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(alphaBits / 8);
}

void StoreLossless(TPDFImage& image, const VellumLosslessResult& decoded, std::string_view fileBytes) {
    LosslessImage layout;
    layout.dct = decoded.passthrough != 0;
    layout.colour = ColourOf(decoded.space);
    layout.bits = layout.dct ? 8 : decoded.bits;
    layout.invertedCmyk = decoded.invertedCmyk != 0;
    layout.rgbWithoutTransform = decoded.rgbWithoutTransform != 0;
    layout.palette.assign(Bytes(decoded.palette, decoded.paletteSize));
    layout.alphaBits = decoded.alphaBits;
    std::string data;
    if (layout.dct) {
        data.assign(fileBytes);
    } else {
        if (decoded.samplesSize != layout.RowBytes(decoded.width) * static_cast<std::size_t>(decoded.height)) {
            throw EngineError("The picture module gave samples that do not fill the picture");
        }
        data = CompressString(Bytes(decoded.samples, decoded.samplesSize));
        if (decoded.alphaSize != 0) layout.alpha = CompressString(Bytes(decoded.alpha, decoded.alphaSize));
    }
    image.ImageData = std::move(data);
    image.PixelWidth = decoded.width;
    image.PixelHeight = decoded.height;
    image.Lossless = std::move(layout);
}

void WriteLosslessImage(ObjectWriter& file, const TPDFImage& image, const ImageForm& form) {
    const LosslessImage& layout = *form.layout;
    file.Stream(image.ObjectNumber, form.data, [&](PdfBody& text) {
        text.Raw("<<\r\n/Type /XObject\r\n/Subtype /Image\r\n/Name /Im").Integer(image.ImageNumber());
        text.Raw("\r\n/Width ").Integer(image.PixelWidth).Raw("\r\n/Height ").Integer(image.PixelHeight);
        text.Raw("\r\n/BitsPerComponent ").Integer(layout.bits).Raw("\r\n/ColorSpace ");
        WriteColourSpace(text, layout);
        // Adobe's CMYK files store their inks inverted, as its readers expect.
        if (layout.dct && layout.invertedCmyk) text.Raw("\r\n/Decode [1 0 1 0 1 0 1 0]");
        if (layout.dct && layout.rgbWithoutTransform) text.Raw("\r\n/DecodeParms <</ColorTransform 0>>");
        if (form.maskNumber != 0) text.Raw("\r\n/SMask ").Reference(form.maskNumber);
        text.Raw("\r\n/Length ").StreamLength();
        text.Raw(layout.dct ? "\r\n/Filter /DCTDecode\r\n>>\r\n" : "\r\n/Filter /FlateDecode\r\n>>\r\n");
    });
}

void WriteSoftMask(ObjectWriter& file, std::int32_t number, const TPDFImage& image, const LosslessImage& layout) {
    file.Stream(number, layout.alpha, [&](PdfBody& text) {
        text.Raw("<<\r\n/Type /XObject\r\n/Subtype /Image");
        text.Raw("\r\n/Width ").Integer(image.PixelWidth).Raw("\r\n/Height ").Integer(image.PixelHeight);
        text.Raw("\r\n/BitsPerComponent ").Integer(layout.alphaBits).Raw("\r\n/ColorSpace /DeviceGray");
        text.Raw("\r\n/Length ").StreamLength().Raw("\r\n/Filter /FlateDecode\r\n>>\r\n");
    });
}

}  // namespace vellum

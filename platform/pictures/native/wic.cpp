// JPEG decoding and encoding and PNG icon entries through the platform's
// imaging component (WIC) on the native build. Pictures reach WIC from
// memory; every result is checked against the same pixel cap as our own
// readers before anything is allocated for it.
#include <cstring>
#include <string>

#include "bmp_dib.h"
#include "ico_png.h"
#include "jpeg.h"
#include "pictures.h"
#include "wic_support.h"

namespace vellum::pictures {
namespace {

using wic::Hex;
using wic::Imaging;
using wic::Ref;

// WIC gives result codes, not libjpeg's message numbers: the code stands in.
[[noreturn]] void FailJpeg(HRESULT hr) { throw PictureError("JPEG error #" + Hex(hr)); }

// Decodes the first frame of a picture held in memory into 24-bit BGR rows,
// then turns them into RGB. `fail` throws.
RgbBitmap DecodeToRgb(std::string_view bytes, const GUID& format, void (*fail)(HRESULT), bool blendOverWhite) {
    Imaging imaging(fail);
    wic::Frame opened;
    const HRESULT opening = wic::OpenFirstFrame(imaging.factory.p, bytes, format, opened);
    if (FAILED(opening)) fail(opening);
    const UINT width = opened.width, height = opened.height;
    if (width == 0 || height == 0) fail(E_FAIL);
    if (std::int64_t{width} * height > kMaxPixels) {
        if (blendOverWhite) throw dib::TooManyPixels{};  // the icon reader names its kind
        throw PictureError("JPEG error: " + std::string(dib::kTooManyPixelsReason));
    }

    const WICPixelFormatGUID target = blendOverWhite ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR;
    const UINT channels = blendOverWhite ? 4 : 3;
    Ref<IWICFormatConverter> converter;
    HRESULT hr = imaging.factory->CreateFormatConverter(converter.put());
    if (SUCCEEDED(hr)) {
        hr = converter->Initialize(opened.frame.p, target, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom);
    }
    const UINT stride = width * channels;
    std::vector<std::uint8_t> source(static_cast<std::size_t>(stride) * height);
    if (SUCCEEDED(hr)) hr = converter->CopyPixels(nullptr, stride, static_cast<UINT>(source.size()), source.data());
    if (FAILED(hr)) fail(hr);

    RgbBitmap bitmap;
    bitmap.width = static_cast<std::int32_t>(width);
    bitmap.height = static_cast<std::int32_t>(height);
    bitmap.pixels.resize(static_cast<std::size_t>(width) * height * 3);
    const std::size_t count = static_cast<std::size_t>(width) * height;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* in = &source[i * channels];
        std::uint8_t* out = &bitmap.pixels[i * 3];
        const std::uint8_t alpha = blendOverWhite ? in[3] : 255;
        out[0] = blendOverWhite ? dib::OverWhite(in[2], alpha) : in[2];
        out[1] = blendOverWhite ? dib::OverWhite(in[1], alpha) : in[1];
        out[2] = blendOverWhite ? dib::OverWhite(in[0], alpha) : in[0];
    }
    return bitmap;
}

[[noreturn]] void FailPng(HRESULT) { throw dib::Malformed{}; }

[[noreturn]] void FailEncode(HRESULT hr) {
    throw PictureError("The picture cannot be encoded as JPEG (error " + Hex(hr) + ")");
}

}  // namespace

RgbBitmap DecodeJpeg(std::string_view bytes) {
    return DecodeToRgb(bytes, GUID_ContainerFormatJpeg, FailJpeg, false);
}

// A baseline JPEG at the given quality (WIC's ImageQuality is quality / 100),
// three components, 4:2:0 as libjpeg's defaults are.
std::string EncodeJpeg(const RgbBitmap& bitmap, int quality) {
    if (quality < 1) quality = 1;
    if (quality > 100) quality = 100;
    Imaging imaging(FailEncode);
    Ref<IStream> memory;
    HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, memory.put());
    Ref<IWICBitmapEncoder> encoder;
    if (SUCCEEDED(hr)) hr = imaging.factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, encoder.put());
    if (SUCCEEDED(hr)) hr = encoder->Initialize(memory.p, WICBitmapEncoderNoCache);
    Ref<IWICBitmapFrameEncode> frame;
    Ref<IPropertyBag2> options;
    if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(frame.put(), options.put());
    if (SUCCEEDED(hr) && options.p != nullptr) {
        PROPBAG2 option{};
        option.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_R4;
        value.fltVal = static_cast<float>(quality) / 100.0f;
        options->Write(1, &option, &value);  // an encoder without the option keeps its default
    }
    if (SUCCEEDED(hr)) hr = frame->Initialize(options.p);
    if (SUCCEEDED(hr)) hr = frame->SetSize(static_cast<UINT>(bitmap.width), static_cast<UINT>(bitmap.height));
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
    if (SUCCEEDED(hr) && !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) hr = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
    if (FAILED(hr)) FailEncode(hr);

    const UINT stride = static_cast<UINT>(bitmap.width) * 3;
    std::vector<std::uint8_t> row(stride);
    for (std::int32_t y = 0; y < bitmap.height && SUCCEEDED(hr); ++y) {
        const std::uint8_t* in = &bitmap.pixels[static_cast<std::size_t>(y) * stride];
        for (UINT x = 0; x < stride; x += 3) {
            row[x] = in[x + 2];
            row[x + 1] = in[x + 1];
            row[x + 2] = in[x];
        }
        hr = frame->WritePixels(1, stride, stride, row.data());
    }
    if (SUCCEEDED(hr)) hr = frame->Commit();
    if (SUCCEEDED(hr)) hr = encoder->Commit();
    HGLOBAL global = nullptr;
    if (SUCCEEDED(hr)) hr = GetHGlobalFromStream(memory.p, &global);
    STATSTG stat{};
    if (SUCCEEDED(hr)) hr = memory->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(hr)) FailEncode(hr);
    const auto* data = static_cast<const char*>(GlobalLock(global));
    if (data == nullptr) FailEncode(E_OUTOFMEMORY);
    std::string encoded(data, static_cast<std::size_t>(stat.cbSize.QuadPart));
    GlobalUnlock(global);
    return encoded;
}

namespace dib {

RgbBitmap DecodePngOverWhite(std::string_view data) {
    PngBitCount(data);  // throws Malformed for anything but a PNG with a valid header
    return DecodeToRgb(data, GUID_ContainerFormatPng, FailPng, true);
}

}  // namespace dib
}  // namespace vellum::pictures

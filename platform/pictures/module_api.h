// The picture module's interface: C functions that convert a picture file to
// the JPEG stream a document stores, or decode it without loss. The document engine reaches it either
// through the shared module Vellum_Pictures.so, loaded on the first picture
// import so that documents without pictures never load libjpeg, libpng or
// cairo, or through the same code linked in (test and benchmark programs).
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

enum VellumPictureKind { kVellumBmp = 0, kVellumJpeg = 1, kVellumWmf = 2, kVellumIco = 3, kVellumPng = 4 };

struct VellumPictureResult {
    char* jpeg;  // malloc'd by the module, released with VellumFreePicture
    std::size_t size;
    std::int32_t width;
    std::int32_t height;
    char message[512];  // the failure's message, NUL-terminated
};

// 1 on success with `result` filled; 0 on failure with result->message set.
typedef int (*VellumConvertPictureFunction)(int kind, const char* bytes, std::size_t size, int quality,
                                            VellumPictureResult* result);
typedef void (*VellumFreePictureFunction)(char* jpeg);

int VellumConvertPicture(int kind, const char* bytes, std::size_t size, int quality, VellumPictureResult* result);
void VellumFreePicture(char* jpeg);

// Pictures kept without loss.
enum VellumSampleSpace { kVellumGray = 0, kVellumRgb = 1, kVellumCmyk = 2, kVellumIndexed = 3 };

// Flags of VellumDecodeLossless.
enum { kVellumDecodeJpeg = 1 };  // decode a JPEG file even where its own bytes could be kept

struct VellumLosslessResult {
    // 1: a JPEG file to be stored as its own bytes (DCTDecode); nothing below
    // but the sizes, the space and the two JPEG flags is filled then.
    int passthrough;
    int space;  // VellumSampleSpace
    int bits;   // per component: 1, 2, 4, 8 or 16
    std::int32_t width;
    std::int32_t height;
    int invertedCmyk;         // an Adobe CMYK JPEG: inks stored inverted
    int rgbWithoutTransform;  // a three-component JPEG storing RGB, not YCbCr
    // Owned by the module until VellumFreeLossless: palette entries (R, G, B
    // each), rows of samples top first (each padded to a whole byte, 16-bit
    // samples big-endian), and alpha (alphaBits per pixel, rows likewise;
    // none when every pixel is opaque).
    const unsigned char* palette;
    std::size_t paletteSize;
    const unsigned char* samples;
    std::size_t samplesSize;
    const unsigned char* alpha;
    std::size_t alphaSize;
    int alphaBits;
    void* owner;  // the module's, for VellumFreeLossless
    char message[512];
};

// 1 on success with `result` filled; 0 on failure with result->message set
// and nothing to free. The message is the one VellumConvertPicture gives for
// the same file.
typedef int (*VellumDecodeLosslessFunction)(int kind, const char* bytes, std::size_t size, int flags,
                                            VellumLosslessResult* result);
typedef void (*VellumFreeLosslessFunction)(VellumLosslessResult* result);

int VellumDecodeLossless(int kind, const char* bytes, std::size_t size, int flags, VellumLosslessResult* result);
void VellumFreeLossless(VellumLosslessResult* result);
}

namespace vellum::pictures {
inline constexpr const char* kModuleFileName = "Vellum_Pictures.so";
inline constexpr const char* kConvertSymbol = "VellumConvertPicture";
inline constexpr const char* kFreeSymbol = "VellumFreePicture";
inline constexpr const char* kDecodeLosslessSymbol = "VellumDecodeLossless";
inline constexpr const char* kFreeLosslessSymbol = "VellumFreeLossless";
}  // namespace vellum::pictures

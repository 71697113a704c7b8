// The picture module's interface: one C function that converts a picture file
// to the JPEG stream a document stores. The document engine reaches it either
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
}

namespace vellum::pictures {
inline constexpr const char* kModuleFileName = "Vellum_Pictures.so";
inline constexpr const char* kConvertSymbol = "VellumConvertPicture";
inline constexpr const char* kFreeSymbol = "VellumFreePicture";
}  // namespace vellum::pictures

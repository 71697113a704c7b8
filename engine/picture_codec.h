// The way from the engine to the picture module. The module is loaded on the
// first conversion from beside the binary that holds the engine (the shared
// library, or a program it is linked into), unless a program has linked the
// picture code in and installed its entry points.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "module_api.h"

namespace vellum {

struct PictureCodec {
    VellumConvertPictureFunction convert = nullptr;
    VellumFreePictureFunction release = nullptr;
    VellumDecodeLosslessFunction decodeLossless = nullptr;
    VellumFreeLosslessFunction releaseLossless = nullptr;
};

// For programs that link the picture code in; later conversions use it.
void InstallPictureCodec(const PictureCodec& codec);

struct ConvertedPicture {
    std::string jpeg;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Throws EngineError with the picture's message, or "Cannot load the picture
// module "PATH": REASON" when the module cannot be loaded.
ConvertedPicture ConvertPicture(VellumPictureKind kind, std::string_view bytes, int quality);

// A picture decoded without loss, its buffers the module's until destroyed.
class LosslessDecoding {
public:
    // Throws like ConvertPicture; `flags` are VellumDecodeLossless's.
    LosslessDecoding(VellumPictureKind kind, std::string_view bytes, int flags = 0);
    ~LosslessDecoding();
    LosslessDecoding(const LosslessDecoding&) = delete;
    LosslessDecoding& operator=(const LosslessDecoding&) = delete;

    const VellumLosslessResult& Result() const { return result_; }

private:
    VellumLosslessResult result_{};
    VellumFreeLosslessFunction release_ = nullptr;
};

}  // namespace vellum

// The C entry points of the picture module: conversions with every failure
// turned into a message, as nothing may throw across the module's edge.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "convert.h"
#include "lossless.h"
#include "module_api.h"

namespace {

template <class Result>
int Failure(Result* result, const char* message) {
    std::snprintf(result->message, sizeof result->message, "%s", message);
    return 0;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int VellumConvertPicture(int kind, const char* bytes,
                                                                            std::size_t size, int quality,
                                                                            VellumPictureResult* result) {
    using vellum::pictures::PictureKind;
    *result = VellumPictureResult{};
    if (kind < kVellumBmp || kind > kVellumPng) return Failure(result, "Unsupported picture kind");
    try {
        vellum::pictures::JpegPicture picture =
            vellum::pictures::ConvertToJpeg(static_cast<PictureKind>(kind), std::string_view(bytes, size), quality);
        result->jpeg = static_cast<char*>(std::malloc(picture.data.size()));
        if (result->jpeg == nullptr) return Failure(result, "Out of memory");
        std::memcpy(result->jpeg, picture.data.data(), picture.data.size());
        result->size = picture.data.size();
        result->width = picture.width;
        result->height = picture.height;
        return 1;
    } catch (const vellum::pictures::PictureError& error) {
        return Failure(result, error.what());
    } catch (const std::bad_alloc&) {
        return Failure(result, "Out of memory");
    }
}

extern "C" __attribute__((visibility("default"))) void VellumFreePicture(char* jpeg) { std::free(jpeg); }

namespace {

void Describe(vellum::pictures::LosslessPicture& picture, VellumLosslessResult* result) {
    result->passthrough = picture.passthrough ? 1 : 0;
    result->space = static_cast<int>(picture.space);
    result->bits = picture.bits;
    result->width = picture.width;
    result->height = picture.height;
    result->invertedCmyk = picture.invertedCmyk ? 1 : 0;
    result->rgbWithoutTransform = picture.rgbWithoutTransform ? 1 : 0;
    result->palette = picture.palette.data();
    result->paletteSize = picture.palette.size();
    result->samples = picture.samples.data();
    result->samplesSize = picture.samples.size();
    result->alpha = picture.alpha.data();
    result->alphaSize = picture.alpha.size();
    result->alphaBits = picture.alphaBits;
}

}  // namespace

// The buffers stay in the decoded picture, which the result owns: nothing is
// copied on the way out.
extern "C" __attribute__((visibility("default"))) int VellumDecodeLossless(int kind, const char* bytes,
                                                                            std::size_t size, int flags,
                                                                            VellumLosslessResult* result) {
    using vellum::pictures::LosslessPicture;
    *result = VellumLosslessResult{};
    if (kind < kVellumBmp || kind > kVellumPng) return Failure(result, "Unsupported picture kind");
    try {
        auto picture = std::make_unique<LosslessPicture>(vellum::pictures::DecodeLossless(
            static_cast<vellum::pictures::PictureKind>(kind), std::string_view(bytes, size),
            (flags & kVellumDecodeJpeg) != 0));
        Describe(*picture, result);
        result->owner = picture.release();
        return 1;
    } catch (const vellum::pictures::PictureError& error) {
        return Failure(result, error.what());
    } catch (const std::bad_alloc&) {
        return Failure(result, "Out of memory");
    } catch (const std::exception& error) {
        return Failure(result, error.what());
    }
}

extern "C" __attribute__((visibility("default"))) void VellumFreeLossless(VellumLosslessResult* result) {
    if (result == nullptr) return;
    delete static_cast<vellum::pictures::LosslessPicture*>(result->owner);
    *result = VellumLosslessResult{};
}

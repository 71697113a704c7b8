// The C entry points of the picture module: conversions with every failure
// turned into a message, as nothing may throw across the module's edge.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "convert.h"
#include "module_api.h"

namespace {

int Failure(VellumPictureResult* result, const char* message) {
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

#include "picture_codec.h"

#ifndef _WIN32
#include <dlfcn.h>
#endif

#include <mutex>

#include "errors.h"
#ifndef _WIN32
#include "module_path.h"
#endif

namespace vellum {
namespace {

struct Registry {
    std::mutex lock;
    PictureCodec codec;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

#ifdef _WIN32
// The native build has the picture code linked in (platform/pictures/native):
// its entry points serve unless a program installed others.
PictureCodec LoadedCodec() {
    Registry& registry = TheRegistry();
    const std::lock_guard<std::mutex> hold(registry.lock);
    if (registry.codec.convert == nullptr) {
        registry.codec = {VellumConvertPicture, VellumFreePicture, VellumDecodeLossless, VellumFreeLossless};
    }
    return registry.codec;
}
#else
// Loads the module once; a failure is reported and tried again next time.
PictureCodec LoadedCodec() {
    Registry& registry = TheRegistry();
    const std::lock_guard<std::mutex> hold(registry.lock);
    if (registry.codec.convert != nullptr) return registry.codec;
    const std::string path = ModuleBesideThisBinary(pictures::kModuleFileName);
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    const auto fail = [&](const char* reason) {
        throw EngineError("Cannot load the picture module \"" + path + "\": " + (reason != nullptr ? reason : "unknown reason"));
    };
    if (module == nullptr) fail(dlerror());
    PictureCodec codec;
    codec.convert = reinterpret_cast<VellumConvertPictureFunction>(dlsym(module, pictures::kConvertSymbol));
    codec.release = reinterpret_cast<VellumFreePictureFunction>(dlsym(module, pictures::kFreeSymbol));
    codec.decodeLossless =
        reinterpret_cast<VellumDecodeLosslessFunction>(dlsym(module, pictures::kDecodeLosslessSymbol));
    codec.releaseLossless = reinterpret_cast<VellumFreeLosslessFunction>(dlsym(module, pictures::kFreeLosslessSymbol));
    if (codec.convert == nullptr || codec.release == nullptr || codec.decodeLossless == nullptr ||
        codec.releaseLossless == nullptr) {
        dlclose(module);
        fail("the module lacks its entry points");
    }
    registry.codec = codec;  // the module stays loaded for the process
    return codec;
}
#endif

}  // namespace

void InstallPictureCodec(const PictureCodec& codec) {
    Registry& registry = TheRegistry();
    const std::lock_guard<std::mutex> hold(registry.lock);
    registry.codec = codec;
}

ConvertedPicture ConvertPicture(VellumPictureKind kind, std::string_view bytes, int quality) {
    const PictureCodec codec = LoadedCodec();
    VellumPictureResult result{};
    if (codec.convert(kind, bytes.data(), bytes.size(), quality, &result) == 0) throw EngineError(result.message);
    ConvertedPicture picture;
    try {
        picture.jpeg.assign(result.jpeg, result.size);
    } catch (...) {
        codec.release(result.jpeg);
        throw;
    }
    codec.release(result.jpeg);
    picture.width = result.width;
    picture.height = result.height;
    return picture;
}

LosslessDecoding::LosslessDecoding(VellumPictureKind kind, std::string_view bytes, int flags) {
    const PictureCodec codec = LoadedCodec();
    if (codec.decodeLossless == nullptr || codec.releaseLossless == nullptr) {
        throw EngineError("The picture code in use cannot keep pictures without loss");
    }
    if (codec.decodeLossless(kind, bytes.data(), bytes.size(), flags, &result_) == 0) throw EngineError(result_.message);
    release_ = codec.releaseLossless;
}

LosslessDecoding::~LosslessDecoding() {
    if (release_ != nullptr) release_(&result_);
}

}  // namespace vellum

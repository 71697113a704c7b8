// Linked into programs that carry the picture code themselves (tests,
// benchmarks): installs it before main, so no module needs loading.
#include "module_api.h"
#include "picture_codec.h"

namespace {

const bool installed = [] {
    vellum::InstallPictureCodec({VellumConvertPicture, VellumFreePicture, VellumDecodeLossless, VellumFreeLossless});
    return true;
}();

}  // namespace

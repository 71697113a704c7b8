// libFuzzer target: any bytes imported as a PNG picture must give a whole
// JPEG stream of the stated size, or a PictureError, and the same decoded
// without loss (lossless_check.h). The pixel cap is lowered so that each
// input runs quickly; the code paths are the same.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "convert.h"
#include "jpeg.h"
#include "lossless_check.h"

namespace {
constexpr std::int64_t kFuzzMaxPixels = 4'000'000;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vellum::pictures;
    try {
        const JpegPicture picture =
            ConvertToJpeg(PictureKind::Png, std::string_view(reinterpret_cast<const char*>(data), size), 75, kFuzzMaxPixels);
        if (picture.width < 1 || picture.height < 1 || picture.data.size() < 4) __builtin_trap();
        // Small pictures are read back: the stream is whole and of the stated size.
        if (static_cast<std::int64_t>(picture.width) * picture.height <= 65536) {
            const RgbBitmap back = DecodeJpeg(picture.data);
            if (back.width != picture.width || back.height != picture.height) __builtin_trap();
        }
    } catch (const PictureError&) {
    }
    vellum::pictures::CheckLossless(vellum::pictures::PictureKind::Png,
                                    std::string_view(reinterpret_cast<const char*>(data), size), kFuzzMaxPixels);
    return 0;
}

// libFuzzer target: any bytes must give a bitmap or a PictureError, and the
// same decoded without loss (lossless_check.h).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "lossless_check.h"
#include "pictures.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const auto bitmap = vellum::pictures::ReadIco(std::string_view(reinterpret_cast<const char*>(data), size));
        if (bitmap.pixels.size() != static_cast<std::size_t>(bitmap.width) * bitmap.height * 3) __builtin_trap();
    } catch (const vellum::pictures::PictureError&) {
    }
    vellum::pictures::CheckLossless(vellum::pictures::PictureKind::Ico,
                                    std::string_view(reinterpret_cast<const char*>(data), size), vellum::pictures::kMaxPixels);
    return 0;
}

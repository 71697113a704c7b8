// The lossless path of every picture fuzz target: the same bytes decoded
// without loss must give a picture whose buffers fill exactly what it
// states, or a PictureError.
#pragma once

#include <cstdint>
#include <string_view>

#include "lossless.h"

namespace vellum::pictures {

inline void CheckLossless(PictureKind kind, std::string_view bytes, std::int64_t maxPixels = kMaxPixels) {
    try {
        const LosslessPicture picture = DecodeLossless(kind, bytes, false, maxPixels);
        const auto width = static_cast<std::size_t>(picture.width);
        const auto height = static_cast<std::size_t>(picture.height);
        if (picture.width < 1 || picture.height < 1) __builtin_trap();
        if (picture.passthrough) {
            if (!picture.samples.empty() || !picture.alpha.empty() || kind != PictureKind::Jpeg) __builtin_trap();
            return;
        }
        const std::size_t components = picture.space == SampleSpace::Rgb    ? 3
                                       : picture.space == SampleSpace::Cmyk ? 4
                                                                            : 1;
        const std::size_t rowBytes = (width * components * static_cast<std::size_t>(picture.bits) + 7) / 8;
        if (picture.samples.size() != rowBytes * height) __builtin_trap();
        const std::size_t alphaBytes = width * height * static_cast<std::size_t>(picture.alphaBits / 8);
        if (!picture.alpha.empty() && picture.alpha.size() != alphaBytes) __builtin_trap();
        const bool indexed = picture.space == SampleSpace::Indexed;
        if (indexed != !picture.palette.empty() || picture.palette.size() % 3 != 0 || picture.palette.size() > 768) {
            __builtin_trap();
        }
    } catch (const PictureError&) {
    }
}

}  // namespace vellum::pictures

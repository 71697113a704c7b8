// RLE8 and RLE4 pixel arrays. A code is a pair of bytes: a count above zero
// repeats the second byte's index (RLE4: its two nibbles in turn); a zero count
// escapes: 0 ends the line, 1 ends the picture, 2 moves the cursor by the next
// two bytes, and 3..255 copy that many literal indexes, padded to a 16-bit
// boundary. Pixels that fall beyond the row are dropped, so no run can write
// outside the picture; pixels the stream skips keep palette entry 0.
#include "bmp_dib.h"

#include <algorithm>

namespace vellum::pictures::dib {
namespace {

class RleCursor {
public:
    RleCursor(const Header& header, const Palette& palette, RgbBitmap* bitmap)
        : header_(header), palette_(palette), bitmap_(bitmap) {}

    bool Done() const { return y_ >= header_.height; }

    void NextLine() {
        x_ = 0;
        ++y_;
    }

    void Move(unsigned dx, unsigned dy) {
        x_ += dx;
        y_ += dy;
    }

    void Finish() { y_ = header_.height; }

    // Writes those of `count` pixels that fall inside the row (none while
    // checking), each index given by its position in the run, and moves on.
    template <typename IndexAt>
    void Put(std::int64_t count, IndexAt indexAt) {
        const std::int64_t inside = bitmap_ == nullptr ? 0 : std::clamp<std::int64_t>(header_.width - x_, 0, count);
        if (inside > 0) {
            const auto row = static_cast<std::size_t>(header_.topDown ? y_ : header_.height - 1 - y_);
            const auto first = row * static_cast<std::size_t>(header_.width) + static_cast<std::size_t>(x_);
            std::uint8_t* out = bitmap_->pixels.data() + first * 3;
            for (std::int64_t i = 0; i < inside; ++i, out += 3) std::copy_n(palette_[indexAt(i)].data(), 3, out);
        }
        x_ += count;
    }

private:
    const Header& header_;
    const Palette& palette_;
    RgbBitmap* bitmap_;   // null while only checking the stream
    std::int64_t x_ = 0;  // may run past the width; such pixels are dropped
    std::int64_t y_ = 0;  // stored row: the bottom row first unless the picture is top-down
};

}  // namespace

void DecodeRle(const Header& header, const Palette& palette, std::string_view data, RgbBitmap* bitmap) {
    const bool four = header.encoding == Encoding::Rle4;
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    const std::size_t size = data.size();
    RleCursor cursor(header, palette, bitmap);
    std::size_t pos = 0;
    // A stream that stops between codes without an end-of-bitmap is taken as ended.
    while (!cursor.Done() && pos < size) {
        if (size - pos < 2) throw Malformed{};
        const unsigned count = bytes[pos];
        const unsigned value = bytes[pos + 1];
        pos += 2;
        if (count > 0) {
            if (four) {
                cursor.Put(count, [value](std::int64_t i) { return i % 2 == 0 ? value >> 4 : value & 15; });
            } else {
                cursor.Put(count, [value](std::int64_t) { return value; });
            }
            continue;
        }
        switch (value) {
            case 0:
                cursor.NextLine();
                break;
            case 1:
                cursor.Finish();
                break;
            case 2:
                if (size - pos < 2) throw Malformed{};
                cursor.Move(bytes[pos], bytes[pos + 1]);
                pos += 2;
                break;
            default: {
                const std::size_t literalBytes = four ? (value + 1) / 2 : value;
                if (size - pos < literalBytes) throw Malformed{};
                const unsigned char* literal = bytes + pos;
                if (four) {
                    cursor.Put(value, [literal](std::int64_t i) {
                        return i % 2 == 0 ? literal[i / 2] >> 4 : literal[i / 2] & 15;
                    });
                } else {
                    cursor.Put(value, [literal](std::int64_t i) { return literal[i]; });
                }
                pos += literalBytes + literalBytes % 2;  // the pad byte may be missing at the very end
                break;
            }
        }
    }
}

}  // namespace vellum::pictures::dib

// Picture readers: Windows bitmaps, icons and metafiles turned into 24-bit RGB
// bitmaps. Every reader checks every size against the data before it
// allocates, refuses pictures above kMaxPixels, and reports a malformed file
// with its kind's message; none crashes on any input.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vellum::pictures {

inline constexpr std::int64_t kMaxPixels = 100'000'000;

inline constexpr std::string_view kBadBitmap = "Bitmap image is not valid";
inline constexpr std::string_view kBadMetafile = "Metafile is not valid";
inline constexpr std::string_view kBadIcon = "Icon image is not valid";

// Rows from the top, three bytes (R, G, B) per pixel, no padding.
struct RgbBitmap {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> pixels;
};

class PictureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Each throws PictureError: the kind's message for a malformed file, that
// message followed by ": " and the reason for one above kMaxPixels.
RgbBitmap ReadBmp(std::string_view bytes);

// A bitmap file that is not run-length encoded, decoded a row at a time, top
// row first, straight from its bytes (which must outlive it): for the
// encoder, with no whole bitmap in between. Of throws like ReadBmp, and gives
// nothing for a run-length encoded file, which ReadBmp decodes whole.
class BmpRows {
public:
    static std::optional<BmpRows> Of(std::string_view bytes);
    BmpRows(BmpRows&&) noexcept;
    ~BmpRows();
    std::int32_t Width() const;
    std::int32_t Height() const;
    void ReadRow(std::uint8_t* rgb);  // Width() pixels of R, G, B

private:
    BmpRows();
    struct State;
    std::unique_ptr<State> state_;
};
RgbBitmap ReadIco(std::string_view bytes);
RgbBitmap PlayWmf(std::string_view bytes);

// PlayWmf wherever it lives: linked in (metafile_linked.cpp), or behind the
// metafile module that keeps cairo out of processes that never see a
// metafile (metafile_module.cpp). Throws like PlayWmf.
RgbBitmap PlayMetafile(std::string_view bytes);

}  // namespace vellum::pictures

// PlayWmf: sizes the picture, plays the metafile onto white RGB surfaces and
// hands back the pixels.
//
// Size. A placeable metafile is its bounding box at 96 pixels per inch. A
// plain metafile is the size of its first SetWindowExt record, in pixels; one
// without such a record is as large as what it draws, measured from the
// origin (it is played once onto a recording surface to find out).
//
// Mapping. The picture's pixels are the device the records map onto. A
// placeable metafile starts in the anisotropic mode with its bounding box as
// the window and the whole picture as the viewport, so records that set only
// the window (as placeable metafiles should) fill the picture. A plain
// metafile starts as the system does, one logical unit to a pixel; with a
// SetWindowExt record its viewport starts as the whole picture.
//
// Tiles. cairo surfaces are at most 32767 pixels a side, so the picture is
// drawn in tiles of at most 16 million pixels, each a fresh play of the
// records, all sharing one work budget.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "pictures.h"
#include "wmf_format.h"
#include "wmf_player.h"

namespace vellum::pictures {
namespace {

using wmf::Area;
using wmf::Mapping;
using wmf::Metafile;

constexpr std::int64_t kPixelsPerInch = 96;
constexpr std::int64_t kMaxTileSide = 32767;
constexpr std::int64_t kMaxTilePixels = 16 * 1024 * 1024;
// Pixels' worth of drawing one picture may cost; see wmf::WorkBudget.
constexpr double kWorkBudget = 2e9;

struct ContextDeleter {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
using ContextPtr = std::unique_ptr<cairo_t, ContextDeleter>;

struct Layout {
    std::int64_t width = 1, height = 1;
    Mapping mapping;
};

std::int64_t PlaceableSide(std::int64_t extent, std::int64_t unitsPerInch) {
    const std::int64_t magnitude = extent < 0 ? -extent : extent;
    return std::max<std::int64_t>(1, (magnitude * kPixelsPerInch + unitsPerInch / 2) / unitsPerInch);
}

// Plays the records onto an unbounded recording surface and returns how far
// right and down the ink reaches.
Layout Measure(const Metafile& file) {
    Layout layout;
    wmf::SurfaceRef recording =
        wmf::AdoptSurface(cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, nullptr));
    if (!recording) throw PictureError(std::string(kBadMetafile));
    {
        ContextPtr cr(cairo_create(recording.get()));
        wmf::WorkBudget budget(kWorkBudget);
        wmf::Player(file, layout.mapping, cr.get(), Area{0, 0, wmf::kCoordLimit, wmf::kCoordLimit}, budget).Run();
    }
    double x = 0, y = 0, width = 0, height = 0;
    cairo_recording_surface_ink_extents(recording.get(), &x, &y, &width, &height);
    layout.width = std::max<std::int64_t>(1, static_cast<std::int64_t>(std::ceil(std::max(0.0, x + width))));
    layout.height = std::max<std::int64_t>(1, static_cast<std::int64_t>(std::ceil(std::max(0.0, y + height))));
    return layout;
}

Layout Arrange(const Metafile& file) {
    Layout layout;
    Mapping& m = layout.mapping;
    if (file.placeable) {
        const std::int64_t extentX = std::int64_t{file.right} - file.left;
        const std::int64_t extentY = std::int64_t{file.bottom} - file.top;
        layout.width = PlaceableSide(extentX, file.unitsPerInch);
        layout.height = PlaceableSide(extentY, file.unitsPerInch);
        m.mode = wmf::kMapAnisotropic;
        m.windowOrgX = file.left;
        m.windowOrgY = file.top;
        m.windowExtX = extentX != 0 ? extentX : 1;
        m.windowExtY = extentY != 0 ? extentY : 1;
    } else if (file.windowExtX) {
        layout.width = std::max<std::int64_t>(1, std::abs(*file.windowExtX));
        layout.height = std::max<std::int64_t>(1, std::abs(*file.windowExtY));
        m.windowExtX = *file.windowExtX != 0 ? *file.windowExtX : 1;
        m.windowExtY = *file.windowExtY != 0 ? *file.windowExtY : 1;
    } else {
        return Measure(file);
    }
    m.viewportExtX = layout.width;
    m.viewportExtY = layout.height;
    return layout;
}

// Coverage feedback on the per-pixel loop only slows fuzzing builds down,
// many times over, without guiding anything.
#if defined(__clang__)
#define VELLUM_NO_COVERAGE __attribute__((no_sanitize("coverage")))
#else
#define VELLUM_NO_COVERAGE
#endif

// cairo's RGB24 pixels (0x00RRGGBB words) to R, G, B bytes.
VELLUM_NO_COVERAGE void CopyRow(const std::uint32_t* in, std::uint8_t* out, std::size_t width) {
    for (std::size_t column = 0; column < width; ++column, out += 3) {
        const std::uint32_t value = in[column];
        out[0] = static_cast<std::uint8_t>(value >> 16);
        out[1] = static_cast<std::uint8_t>(value >> 8);
        out[2] = static_cast<std::uint8_t>(value);
    }
}

// Plays the metafile onto one tile and copies the tile into the bitmap.
void DrawTile(const Metafile& file, const Layout& layout, std::int64_t left, std::int64_t top, std::int64_t width,
              std::int64_t height, wmf::WorkBudget& budget, RgbBitmap& out) {
    wmf::SurfaceRef surface = wmf::AdoptSurface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(width), static_cast<int>(height)));
    if (!surface) throw PictureError(std::string(kBadMetafile));
    cairo_surface_set_device_offset(surface.get(), static_cast<double>(-left), static_cast<double>(-top));
    {
        ContextPtr cr(cairo_create(surface.get()));
        cairo_set_source_rgb(cr.get(), 1, 1, 1);
        cairo_paint(cr.get());
        const Area area{static_cast<double>(left), static_cast<double>(top), static_cast<double>(left + width),
                        static_cast<double>(top + height)};
        wmf::Player(file, layout.mapping, cr.get(), area, budget).Run();
    }
    cairo_surface_flush(surface.get());
    const unsigned char* data = cairo_image_surface_get_data(surface.get());
    const std::size_t stride = static_cast<std::size_t>(cairo_image_surface_get_stride(surface.get()));
    for (std::int64_t row = 0; row < height; ++row) {
        CopyRow(reinterpret_cast<const std::uint32_t*>(data + static_cast<std::size_t>(row) * stride),
                out.pixels.data() + ((top + row) * layout.width + left) * 3, static_cast<std::size_t>(width));
    }
}

}  // namespace

RgbBitmap PlayWmf(std::string_view bytes) {
    const Metafile file = wmf::ParseMetafile(bytes);
    const Layout layout = Arrange(file);
    if (layout.width * layout.height > kMaxPixels) {
        throw PictureError(std::string(kBadMetafile) + ": the picture has more than 100 million pixels");
    }
    RgbBitmap out;
    out.width = static_cast<std::int32_t>(layout.width);
    out.height = static_cast<std::int32_t>(layout.height);
    out.pixels.assign(static_cast<std::size_t>(layout.width * layout.height * 3), 0xFF);
    const std::int64_t tileWidth = std::min(layout.width, kMaxTileSide);
    const std::int64_t tileHeight = std::clamp<std::int64_t>(kMaxTilePixels / tileWidth, 1, kMaxTileSide);
    wmf::WorkBudget budget(kWorkBudget);
    for (std::int64_t top = 0; top < layout.height; top += tileHeight) {
        for (std::int64_t left = 0; left < layout.width; left += tileWidth) {
            DrawTile(file, layout, left, top, std::min(tileWidth, layout.width - left),
                     std::min(tileHeight, layout.height - top), budget, out);
        }
    }
    return out;
}

}  // namespace vellum::pictures

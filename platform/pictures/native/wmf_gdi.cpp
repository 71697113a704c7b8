// Metafiles played by the platform (native build): the records are handed to
// GDI's own player over a white 24-bit DIB section. The picture's size and
// starting mapping follow the same rules as the portable player (wmf.cpp):
// a placeable metafile is its bounding box at 96 pixels per inch with that
// box as the window; a plain one is the size of its first SetWindowExt, or
// else as large as what it draws (GDI's bounds of the converted picture).
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "pictures.h"
#include "wmf_format.h"

namespace vellum::pictures {
namespace {

constexpr std::int64_t kPixelsPerInch = 96;
constexpr std::size_t kPlaceableHeaderSize = 22;

[[noreturn]] void Fail() { throw PictureError(std::string(kBadMetafile)); }

struct Gdi {
    HMETAFILE metafile = nullptr;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    ~Gdi() {
        if (previous != nullptr) SelectObject(dc, previous);
        if (bitmap != nullptr) DeleteObject(bitmap);
        if (dc != nullptr) DeleteDC(dc);
        if (metafile != nullptr) DeleteMetaFile(metafile);
    }
};

std::int64_t PlaceableSide(std::int64_t extent, std::int64_t unitsPerInch) {
    const std::int64_t magnitude = extent < 0 ? -extent : extent;
    return std::max<std::int64_t>(1, (magnitude * kPixelsPerInch + unitsPerInch / 2) / unitsPerInch);
}

// How far right and down a plain metafile draws, from GDI's bounds of it.
void MeasureDrawing(std::string_view standard, std::int64_t& width, std::int64_t& height) {
    HENHMETAFILE converted = SetWinMetaFileBits(static_cast<UINT>(standard.size()),
                                                reinterpret_cast<const BYTE*>(standard.data()), nullptr, nullptr);
    if (converted == nullptr) Fail();
    ENHMETAHEADER header{};
    const bool known = GetEnhMetaFileHeader(converted, sizeof header, &header) != 0;
    DeleteEnhMetaFile(converted);
    if (!known) Fail();
    width = std::max<std::int64_t>(1, std::int64_t{header.rclBounds.right} + 1);
    height = std::max<std::int64_t>(1, std::int64_t{header.rclBounds.bottom} + 1);
}

}  // namespace

RgbBitmap PlayWmf(std::string_view bytes) {
    const wmf::Metafile file = wmf::ParseMetafile(bytes);
    const std::string_view standard = file.placeable ? bytes.substr(kPlaceableHeaderSize) : bytes;
    std::int64_t width = 1, height = 1;
    if (file.placeable) {
        width = PlaceableSide(std::int64_t{file.right} - file.left, file.unitsPerInch);
        height = PlaceableSide(std::int64_t{file.bottom} - file.top, file.unitsPerInch);
    } else if (file.windowExtX) {
        width = std::max<std::int64_t>(1, std::abs(*file.windowExtX));
        height = std::max<std::int64_t>(1, std::abs(*file.windowExtY));
    } else {
        MeasureDrawing(standard, width, height);
    }
    if (width * height > kMaxPixels) {
        throw PictureError(std::string(kBadMetafile) + ": the picture has more than 100 million pixels");
    }

    Gdi gdi;
    gdi.metafile = SetMetaFileBitsEx(static_cast<UINT>(standard.size()), reinterpret_cast<const BYTE*>(standard.data()));
    gdi.dc = CreateCompatibleDC(nullptr);
    if (gdi.metafile == nullptr || gdi.dc == nullptr) Fail();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);  // rows from the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    gdi.bitmap = CreateDIBSection(gdi.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (gdi.bitmap == nullptr || bits == nullptr) Fail();
    gdi.previous = SelectObject(gdi.dc, gdi.bitmap);
    PatBlt(gdi.dc, 0, 0, static_cast<int>(width), static_cast<int>(height), WHITENESS);

    if (file.placeable || file.windowExtX) {
        SetMapMode(gdi.dc, MM_ANISOTROPIC);
        if (file.placeable) {
            const int extentX = file.right - file.left, extentY = file.bottom - file.top;
            SetWindowOrgEx(gdi.dc, file.left, file.top, nullptr);
            SetWindowExtEx(gdi.dc, extentX != 0 ? extentX : 1, extentY != 0 ? extentY : 1, nullptr);
        }
        SetViewportExtEx(gdi.dc, static_cast<int>(width), static_cast<int>(height), nullptr);
    }
    if (!PlayMetaFile(gdi.dc, gdi.metafile)) Fail();
    GdiFlush();

    RgbBitmap out;
    out.width = static_cast<std::int32_t>(width);
    out.height = static_cast<std::int32_t>(height);
    out.pixels.resize(static_cast<std::size_t>(width * height * 3));
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    for (std::int64_t y = 0; y < height; ++y) {
        const auto* row = static_cast<const std::uint8_t*>(bits) + static_cast<std::size_t>(y) * stride;
        std::uint8_t* target = &out.pixels[static_cast<std::size_t>(y * width * 3)];
        for (std::int64_t x = 0; x < width; ++x) {
            target[x * 3] = row[x * 3 + 2];
            target[x * 3 + 1] = row[x * 3 + 1];
            target[x * 3 + 2] = row[x * 3];
        }
    }
    return out;
}

}  // namespace vellum::pictures

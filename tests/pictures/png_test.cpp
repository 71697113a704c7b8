#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "convert.h"
#include "jpeg.h"
#include "png_reader.h"

namespace vellum::pictures::picture_test {
void MaybeWriteSeed(const std::string& name, const std::string& bytes);  // bmp_test.cpp
}

namespace vellum::pictures {
namespace {

// One variant of the PNG format's kinds, written with libpng itself.
struct Variant {
    const char* name;
    int colourType;
    int depth;
    bool transparency;  // a tRNS chunk (palette alpha, or one transparent grey or colour)
    bool interlaced;
};

constexpr int kTile = 16;  // pictures are made of uniform tiles aligned to JPEG's blocks
constexpr int kColumns = 4, kRows = 3;
constexpr int kWidth = kTile * kColumns, kHeight = kTile * kRows;

int Channels(int colourType) {
    switch (colourType) {
        case PNG_COLOR_TYPE_GRAY:
        case PNG_COLOR_TYPE_PALETTE:
            return 1;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            return 2;
        case PNG_COLOR_TYPE_RGB:
            return 3;
        default:
            return 4;
    }
}

// Sample c of tile t, within the depth's range; transparency tests need the
// value 0 to occur, so tile 0 is all zero.
std::uint32_t Sample(const Variant& v, int tile, int c) {
    const std::uint32_t maximum = (1u << v.depth) - 1;
    if (v.colourType == PNG_COLOR_TYPE_PALETTE) return static_cast<std::uint32_t>(tile) % (maximum + 1);
    const bool alphaChannel = (v.colourType & PNG_COLOR_MASK_ALPHA) != 0 && c == Channels(v.colourType) - 1;
    if (alphaChannel) return static_cast<std::uint32_t>((tile * 5 + 3) % 6) * maximum / 5;  // 0 .. opaque
    return static_cast<std::uint32_t>(tile * 7 + c * 3) % 12 * maximum / 11;
}

void AppendToString(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

void FlushNothing(png_structp) {}

std::string PackRow(const Variant& v, int y) {
    const int channels = Channels(v.colourType);
    const std::size_t bits = static_cast<std::size_t>(kWidth) * channels * v.depth;
    std::string row((bits + 7) / 8, '\0');
    std::size_t bit = 0;
    for (int x = 0; x < kWidth; ++x) {
        const int tile = (y / kTile) * kColumns + x / kTile;
        for (int c = 0; c < channels; ++c, bit += v.depth) {
            const std::uint32_t sample = Sample(v, tile, c);
            if (v.depth == 16) {
                row[bit / 8] = static_cast<char>(sample >> 8);
                row[bit / 8 + 1] = static_cast<char>(sample & 0xFF);
            } else {
                row[bit / 8] = static_cast<char>(row[bit / 8] | (sample << (8 - v.depth - bit % 8)));
            }
        }
    }
    return row;
}

std::string WritePng(const Variant& v) {
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "libpng could not write " << v.name;
        return {};
    }
    png_set_write_fn(png, &out, AppendToString, FlushNothing);
    png_set_IHDR(png, info, kWidth, kHeight, v.depth, v.colourType,
                 v.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    std::vector<png_byte> alphas;
    if (v.colourType == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i < (1 << v.depth); ++i) {
            palette.push_back({static_cast<png_byte>(i * 37), static_cast<png_byte>(255 - i * 13),
                               static_cast<png_byte>(i * 91)});
            alphas.push_back(static_cast<png_byte>(i * 61));
        }
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    }
    png_color_16 transparent{};  // the value 0 in every channel
    if (v.transparency) {
        png_set_tRNS(png, info, alphas.empty() ? nullptr : alphas.data(), static_cast<int>(alphas.size()), &transparent);
    }
    png_write_info(png, info);
    std::vector<std::string> rows;
    std::vector<png_bytep> pointers;
    for (int y = 0; y < kHeight; ++y) rows.push_back(PackRow(v, y));
    for (std::string& row : rows) pointers.push_back(reinterpret_cast<png_bytep>(row.data()));
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// libpng's own reading through its simplified interface (16-bit samples
// taken as stored, like 8-bit ones), laid over white: RGB bytes.
std::vector<std::uint8_t> ReferenceOverWhite(const std::string& file) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    EXPECT_NE(png_image_begin_read_from_memory(&image, file.data(), file.size()), 0) << image.message;
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    image.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> rgba(PNG_IMAGE_SIZE(image));
    EXPECT_NE(png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr), 0) << image.message;
    png_image_free(&image);
    std::vector<std::uint8_t> rgb;
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
        for (int c = 0; c < 3; ++c) rgb.push_back(static_cast<std::uint8_t>((rgba[i + c] * rgba[i + 3] + 255 * (255 - rgba[i + 3]) + 127) / 255));
    }
    return rgb;
}

int MaxDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    EXPECT_EQ(a.size(), b.size());
    int worst = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
}

// The same, away from the tiles' edges, where chroma subsampling blends
// neighbouring tiles' colours.
int MaxDifferenceInsideTiles(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    EXPECT_EQ(a.size(), b.size());
    int worst = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        const auto x = i / 3 % kWidth % kTile, y = i / 3 / kWidth % kTile;
        if (x >= 2 && x < kTile - 2 && y >= 2 && y < kTile - 2) worst = std::max(worst, std::abs(a[i] - b[i]));
    }
    return worst;
}

const Variant kVariants[] = {
    {"grey 1", PNG_COLOR_TYPE_GRAY, 1, false, false},
    {"grey 2", PNG_COLOR_TYPE_GRAY, 2, false, false},
    {"grey 4", PNG_COLOR_TYPE_GRAY, 4, false, false},
    {"grey 8", PNG_COLOR_TYPE_GRAY, 8, false, false},
    {"grey 16", PNG_COLOR_TYPE_GRAY, 16, false, false},
    {"grey 8 transparent", PNG_COLOR_TYPE_GRAY, 8, true, false},
    {"grey 16 transparent", PNG_COLOR_TYPE_GRAY, 16, true, false},
    {"rgb 8", PNG_COLOR_TYPE_RGB, 8, false, false},
    {"rgb 16", PNG_COLOR_TYPE_RGB, 16, false, false},
    {"rgb 8 transparent", PNG_COLOR_TYPE_RGB, 8, true, false},
    {"palette 1", PNG_COLOR_TYPE_PALETTE, 1, false, false},
    {"palette 2", PNG_COLOR_TYPE_PALETTE, 2, false, false},
    {"palette 4", PNG_COLOR_TYPE_PALETTE, 4, false, false},
    {"palette 8", PNG_COLOR_TYPE_PALETTE, 8, false, false},
    {"palette 1 transparent", PNG_COLOR_TYPE_PALETTE, 1, true, false},
    {"palette 2 transparent", PNG_COLOR_TYPE_PALETTE, 2, true, false},
    {"palette 4 transparent", PNG_COLOR_TYPE_PALETTE, 4, true, false},
    {"palette 8 transparent", PNG_COLOR_TYPE_PALETTE, 8, true, false},
    {"grey+alpha 8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, false},
    {"grey+alpha 16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, false, false},
    {"rgba 8", PNG_COLOR_TYPE_RGBA, 8, false, false},
    {"rgba 16", PNG_COLOR_TYPE_RGBA, 16, false, false},
    {"grey 1 interlaced", PNG_COLOR_TYPE_GRAY, 1, false, true},
    {"rgb 8 interlaced", PNG_COLOR_TYPE_RGB, 8, false, true},
    {"palette 4 transparent interlaced", PNG_COLOR_TYPE_PALETTE, 4, true, true},
    {"rgba 16 interlaced", PNG_COLOR_TYPE_RGBA, 16, false, true},
};

// Each variant reads as libpng reads it, exactly before JPEG and within
// JPEG's error after the round trip through the stored stream.
TEST(ReadPng, EveryKindMatchesLibpngOverWhite) {
    for (const Variant& v : kVariants) {
        SCOPED_TRACE(v.name);
        const std::string file = WritePng(v);
        picture_test::MaybeWriteSeed(std::string(v.name) + ".png", file);
        // Interlacing leaves the pixels as they are, so the reference reads the
        // same picture stored row by row: libpng's simplified reader mislays
        // interlaced 16-bit pixels with alpha (ImageMagick agrees with us).
        Variant plain = v;
        plain.interlaced = false;
        const std::vector<std::uint8_t> reference = ReferenceOverWhite(WritePng(plain));
        const RgbBitmap read = ReadPng(file);
        EXPECT_EQ(read.width, kWidth);
        EXPECT_EQ(read.height, kHeight);
        EXPECT_LE(MaxDifference(read.pixels, reference), 1);
        const JpegPicture stored = ConvertToJpeg(PictureKind::Png, file, 100);
        EXPECT_EQ(stored.width, kWidth);
        EXPECT_EQ(stored.height, kHeight);
        EXPECT_LE(MaxDifferenceInsideTiles(DecodeJpeg(stored.data).pixels, reference), 4);
        // Transparent parts are white, opaque ones keep their colour.
        if (v.transparency || (v.colourType & PNG_COLOR_MASK_ALPHA) != 0) {
            EXPECT_TRUE(std::count(read.pixels.begin(), read.pixels.end(), 255) > 0);
        }
    }
}

std::string ErrorOf(std::string_view bytes, std::int64_t maxPixels = kMaxPixels) {
    try {
        ConvertToJpeg(PictureKind::Png, bytes, 75, maxPixels);
    } catch (const PictureError& error) {
        return error.what();
    }
    return "";
}

// Patches the IHDR width and height, and its checksum.
std::string WithSize(std::string file, std::uint32_t width, std::uint32_t height) {
    const auto putBig = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<char>(v >> (24 - 8 * i));
    };
    putBig(16, width), putBig(20, height);
    putBig(29, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(file.data() + 12), 17)));
    return file;
}

TEST(ReadPng, DamagedAndOversizedFilesFailWithTheMessage) {
    const std::string good = WritePng(kVariants[7]);
    EXPECT_EQ(ErrorOf(good), "");
    EXPECT_EQ(ErrorOf(""), "PNG image is not valid: the file ends too soon");
    EXPECT_EQ(ErrorOf("\x89PNG\r\n\x1a\n"), "PNG image is not valid: the file ends too soon");
    EXPECT_EQ(ErrorOf(good, kWidth * kHeight - 1), "PNG image is not valid: the picture has more than 100 million pixels");
    for (std::size_t length = 0; length < good.size(); length += 3) {
        const std::string message = ErrorOf(std::string_view(good).substr(0, length));
        if (!message.empty()) {
            EXPECT_TRUE(message.starts_with("PNG image is not valid: ")) << length << ": " << message;
        }
    }
    EXPECT_EQ(ErrorOf(WithSize(good, 10000, 10000)), "PNG image is not valid: the data is too short for the picture's size");
    EXPECT_EQ(ErrorOf(WithSize(good, 20000, 10000)), "PNG image is not valid: the picture has more than 100 million pixels");
    EXPECT_NE(ErrorOf(WithSize(good, kWidth, kHeight + 1)), "");  // a row missing
    std::string flipped = good;
    flipped[45] = static_cast<char>(flipped[40] ^ 0x55);  // inside the IDAT data: its checksum fails
    EXPECT_NE(ErrorOf(flipped), "");
}

}  // namespace
}  // namespace vellum::pictures

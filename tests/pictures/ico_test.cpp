#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "pictures.h"

// Builders and checks defined with the bitmap tests (bmp_test.cpp).
namespace vellum::pictures::picture_test {
void PutU16(std::string& out, std::uint32_t v);
void PutU32(std::string& out, std::uint32_t v);
std::string PackRows(int bits, const std::vector<std::vector<std::uint32_t>>& rows);
std::vector<std::uint32_t> Pixels(const RgbBitmap& bitmap);
std::string ErrorOf(RgbBitmap (*read)(std::string_view), const std::string& bytes);
std::size_t LargestAllocationDuring(const std::function<void()>& work);
void MaybeWriteSeed(const std::string& name, const std::string& bytes);
bool ConvertReference(const std::string& make, const std::string& extension, const std::string& readOptions,
                      std::string& file, std::vector<std::uint32_t>& reference);
int MaxChannelDifference(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b);
}  // namespace vellum::pictures::picture_test

namespace vellum::pictures {
namespace {

using namespace picture_test;
using Rows = std::vector<std::vector<std::uint32_t>>;

const std::string kBad(kBadIcon);
const std::string kTooBig = kBad + ": the picture has more than 100 million pixels";
constexpr std::uint32_t kWhite = 0xFFFFFF;

// An icon bitmap: a 40-byte header with the doubled height, the colour table,
// the colour rows and the AND mask (1 = transparent). Rows are given top
// first and stored bottom-up; a mask without rows leaves the mask out.
std::string IconDib(int bits, const Rows& colours, const Rows& mask, const std::vector<std::uint32_t>& palette = {},
                    std::int32_t storedHeight = 0) {
    const auto width = static_cast<std::uint32_t>(colours.at(0).size());
    const Rows storedColours(colours.rbegin(), colours.rend()), storedMask(mask.rbegin(), mask.rend());
    std::string out;
    for (std::uint32_t v : {40u, width, static_cast<std::uint32_t>(storedHeight != 0 ? storedHeight
                                                                                       : 2 * int(colours.size()))}) {
        PutU32(out, v);
    }
    PutU16(out, 1), PutU16(out, static_cast<std::uint32_t>(bits));
    for (std::uint32_t v : {0u, 0u, 0u, 0u, static_cast<std::uint32_t>(palette.size()), 0u}) PutU32(out, v);
    for (std::uint32_t c : palette) PutU32(out, c);
    return out + PackRows(bits, storedColours) + PackRows(1, storedMask);
}

std::string Solid(std::uint32_t colour) { return IconDib(24, {{colour}}, {{0}}); }

struct Entry {
    int width, height, bits;  // as the directory states them; 256 is stored as 0
    std::string data;
};

std::string IcoFile(const std::vector<Entry>& entries) {
    std::string out;
    PutU16(out, 0), PutU16(out, 1), PutU16(out, static_cast<std::uint32_t>(entries.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * entries.size());
    for (const Entry& e : entries) {
        out += {static_cast<char>(e.width & 0xFF), static_cast<char>(e.height & 0xFF), 0, 0};
        PutU16(out, 1), PutU16(out, static_cast<std::uint32_t>(e.bits));
        PutU32(out, static_cast<std::uint32_t>(e.data.size())), PutU32(out, offset);
        offset += static_cast<std::uint32_t>(e.data.size());
    }
    for (const Entry& e : entries) out += e.data;
    return out;
}

// A PNG written by hand: 8-bit RGB or RGBA samples, no filtering, zlib-compressed.
std::string Png(std::uint32_t width, std::uint32_t height, bool alpha, const std::vector<std::uint8_t>& samples) {
    const auto putBig = [](std::string& out, std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
    };
    std::string png("\x89PNG\r\n\x1a\n", 8);
    const auto chunk = [&](const char* type, const std::string& data) {
        putBig(png, static_cast<std::uint32_t>(data.size()));
        const std::string body = type + data;
        png += body;
        putBig(png, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size())));
    };
    std::string header;
    putBig(header, width), putBig(header, height);
    header += {8, static_cast<char>(alpha ? 6 : 2), 0, 0, 0};
    std::string raw;
    const std::size_t rowBytes = width * (alpha ? 4 : 3);
    for (std::uint32_t y = 0; y < height; ++y) {
        raw += '\0';
        const auto row = samples.begin() + static_cast<long>(y * rowBytes);
        raw.append(row, row + static_cast<long>(rowBytes));
    }
    uLongf size = compressBound(raw.size());
    std::string compressed(size, '\0');
    EXPECT_EQ(compress(reinterpret_cast<Bytef*>(compressed.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
                       raw.size()), Z_OK);
    compressed.resize(size);
    chunk("IHDR", header);
    chunk("IDAT", compressed);
    chunk("IEND", "");
    return png;
}

std::vector<std::uint32_t> Decode(const std::string& file) { return Pixels(ReadIco(file)); }

TEST(ReadIco, AndMaskMakesPixelsWhiteAtEveryDepth) {
    const Rows mask = {{0, 1, 0}, {0, 0, 1}};
    std::vector<std::uint32_t> palette(256);
    for (std::uint32_t i = 0; i < 256; ++i) palette[i] = (i << 16) | (i << 8) | (255 - i);
    const Rows trueColours = {{0x123456, 0, 0x0000FF}, {0xABCDEF, 0x010203, 0}};
    struct Case { int bits; Rows colours; std::vector<std::uint32_t> palette; std::vector<std::uint32_t> expected; };
    const Case cases[] = {
        {1, {{1, 1, 0}, {0, 1, 1}}, {0x000000, 0xFF0000}, {0xFF0000, kWhite, 0x000000, 0x000000, 0xFF0000, kWhite}},
        {4, {{15, 3, 9}, {1, 2, 3}}, std::vector<std::uint32_t>(palette.begin(), palette.begin() + 16),
         {palette[15], kWhite, palette[9], palette[1], palette[2], kWhite}},
        {8, {{200, 3, 9}, {1, 255, 3}}, palette, {palette[200], kWhite, palette[9], palette[1], palette[255], kWhite}},
        {24, trueColours, {}, {0x123456, kWhite, 0x0000FF, 0xABCDEF, 0x010203, kWhite}},
        // 32 bits with no alpha at all: an old-style icon, opaque but for its mask.
        {32, trueColours, {}, {0x123456, kWhite, 0x0000FF, 0xABCDEF, 0x010203, kWhite}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        const std::string file = IcoFile({{3, 2, c.bits, IconDib(c.bits, c.colours, mask, c.palette)}});
        const RgbBitmap bitmap = ReadIco(file);
        EXPECT_EQ(bitmap.width, 3);
        EXPECT_EQ(bitmap.height, 2);
        EXPECT_EQ(Pixels(bitmap), c.expected);
        MaybeWriteSeed("masked-" + std::to_string(c.bits) + ".ico", file);
    }
}

TEST(ReadIco, AlphaIsBlendedOverWhite) {
    // A (straight) alpha over white, rounded: 128 of black gives 127, 51 of red gives FF CC CC.
    const std::vector<std::uint32_t> expected = {0xFF0000, kWhite, 0x7F7F7F, 0xFFCCCC};
    const Rows colours = {{0xFFFF0000, 0x00000000, 0x80000000, 0x33FF0000}};
    // With alpha the AND mask does not count, and it may be left out.
    EXPECT_EQ(Decode(IcoFile({{4, 1, 32, IconDib(32, colours, {{1, 1, 1, 1}})}})), expected);
    EXPECT_EQ(Decode(IcoFile({{4, 1, 32, IconDib(32, colours, {})}})), expected);
    const std::string png = Png(2, 2, true, {255, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 128, 255, 0, 0, 51});
    EXPECT_EQ(Decode(IcoFile({{2, 2, 32, png}})), expected);
    EXPECT_EQ(Decode(IcoFile({{0, 0, 24, Png(3, 1, false, {1, 2, 3, 4, 5, 6, 7, 8, 9})}})),
              (std::vector<std::uint32_t>{0x010203, 0x040506, 0x070809}));
    MaybeWriteSeed("png.ico", IcoFile({{2, 2, 32, png}}));
}

TEST(ReadIco, ChoosesTheLargestThenTheDeepestEntry) {
    const std::string pngBlue = Png(1, 1, true, {0, 0, 255, 255});
    const std::string fourBit = IconDib(4, {{1}}, {{0}}, std::vector<std::uint32_t>(16, 0x00FF00));
    struct Case { const char* name; std::vector<Entry> entries; std::uint32_t expected; };
    const Case cases[] = {
        {"larger beats deeper", {{16, 16, 8, Solid(1)}, {32, 32, 4, Solid(2)}}, 2},
        {"48x48 24-bit beats 32x32 32-bit", {{32, 32, 32, Solid(1)}, {48, 48, 24, Solid(2)}}, 2},
        {"deeper of the same size", {{48, 48, 8, Solid(1)}, {48, 48, 32, Solid(2)}, {48, 48, 24, Solid(3)}}, 2},
        {"larger of the same depth", {{16, 16, 32, Solid(1)}, {48, 48, 32, Solid(2)}, {32, 32, 32, Solid(3)}}, 2},
        {"first of equals", {{32, 32, 32, Solid(1)}, {32, 32, 32, Solid(2)}}, 1},
        {"0 stands for 256", {{255, 255, 32, Solid(1)}, {256, 256, 32, Solid(2)}}, 2},
        {"area, not width", {{64, 1, 8, Solid(1)}, {16, 16, 8, Solid(2)}}, 2},
        {"depth from the bitmap", {{16, 16, 0, Solid(1)}, {16, 16, 8, Solid(2)}}, 1},
        {"depth from the bitmap, shallower", {{16, 16, 0, fourBit}, {16, 16, 8, Solid(2)}}, 2},
        {"depth from the PNG", {{16, 16, 24, Solid(1)}, {16, 16, 0, pngBlue}}, 0x0000FF},
    };
    for (const Case& c : cases) EXPECT_EQ(Decode(IcoFile(c.entries)), std::vector<std::uint32_t>{c.expected}) << c.name;
}

TEST(ReadIco, MalformedFilesFailWithTheMessage) {
    const std::string good = IcoFile({{1, 1, 8, IconDib(8, {{1}}, {{0}}, {0, 0xFFFFFF})}});
    const auto patched = [&](std::size_t at, std::initializer_list<char> bytes) {
        std::string file = good;
        std::copy(bytes.begin(), bytes.end(), file.begin() + static_cast<long>(at));
        return file;
    };
    const auto one = [](int bits, const std::string& data) { return IcoFile({{1, 1, bits, data}}); };
    std::string rle = IconDib(8, {{1}}, {{0}}, {0, 0});
    rle[16] = 1;  // BI_RLE8
    std::string badCrc = Png(1, 1, false, {1, 2, 3});
    badCrc[30] ^= 1;
    const std::string png = Png(4, 4, true, std::vector<std::uint8_t>(64, 7));
    // PNG headers that claim other sizes than their one pixel of data, checksums intact.
    const auto claiming = [](std::uint32_t width, std::uint32_t height) {
        std::string claimed = Png(1, 1, false, {1, 2, 3});
        for (int i = 0; i < 4; ++i) {
            claimed[16 + i] = static_cast<char>(width >> (24 - 8 * i));
            claimed[20 + i] = static_cast<char>(height >> (24 - 8 * i));
        }
        const auto crc = crc32(0, reinterpret_cast<const Bytef*>(claimed.data() + 12), 17);
        for (int i = 0; i < 4; ++i) claimed[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
        return claimed;
    };
    const std::string wideDib = IconDib(24, {{0}}, {{0}}, {}, INT_MAX - 1).replace(4, 4, "\xFF\xFF\0\0", 4);
    const std::string capDib = IconDib(24, {{0}}, {{0}}, {}, 20'000).replace(4, 4, "\x10\x27\x00\x00", 4);
    struct Case { const char* name; std::string file; const std::string& message; };
    const Case cases[] = {
        {"empty", "", kBad},
        {"reserved", patched(0, {1}), kBad},
        {"cursor", patched(2, {2}), kBad},
        {"no entries", patched(4, {0}), kBad},
        {"directory past the end", patched(4, {'\x7F'}), kBad},
        {"data past the end", patched(6 + 9, {'\x7F'}), kBad},
        {"offset past the end", patched(6 + 15, {'\x7F'}), kBad},
        {"empty data", patched(6 + 8, {0}), kBad},
        {"neither bitmap nor PNG", one(8, "not a picture"), kBad},
        {"odd stored height", one(24, IconDib(24, {{0}}, {{0}}, {}, 3)), kBad},
        {"top-down", one(24, IconDib(24, {{0}}, {{0}}, {}, -2)), kBad},
        {"compressed", one(8, rle), kBad},
        {"no AND mask", one(8, IconDib(8, {{1}}, {}, {0, 0})), kBad},
        {"colour rows cut", one(24, IconDib(24, {{0, 0}, {0, 0}}, {}).substr(0, 50)), kBad},
        {"bad PNG checksum", one(24, badCrc), kBad},
        {"PNG cut short", one(32, png.substr(0, png.size() - 20)), kBad},
        {"PNG colour type 5", one(0, std::string(badCrc).replace(25, 1, "\x05")), kBad},
        {"PNG over the cap", one(24, claiming(20'000, 20'000)), kTooBig},
        {"PNG of 2^32-1 squared", one(24, claiming(0xFFFFFFFF, 0xFFFFFFFF)), kTooBig},
        {"PNG of one pixel claiming two", one(24, claiming(2, 1)), kBad},
        {"bitmap over the cap", one(24, wideDib), kTooBig},
    };
    for (const Case& c : cases) EXPECT_EQ(ErrorOf(ReadIco, c.file), c.message) << c.name;
    // At the cap but with a few bytes of data: refused before the picture is allocated.
    for (const std::string& file : {one(24, claiming(10'000, 10'000)), one(24, capDib)}) {
        std::string message;
        EXPECT_LT(LargestAllocationDuring([&] { message = ErrorOf(ReadIco, file); }), 1u << 20);
        EXPECT_EQ(message, kBad);
    }
}

TEST(ReadIco, EveryTruncationFails) {
    const std::string file = IcoFile({{2, 1, 8, IconDib(8, {{1, 0}}, {{0, 1}}, {0x102030, 0x405060})},
                                      {2, 1, 32, Png(2, 1, true, {9, 8, 7, 200, 9, 8, 7, 200})}});
    EXPECT_EQ(Decode(file), (std::vector<std::uint32_t>(2, 0x3E3D3C)));  // the 32-bit PNG: as large, deeper
    MaybeWriteSeed("two-entries.ico", file);
    for (std::size_t length = 0; length < file.size(); ++length) {
        EXPECT_EQ(ErrorOf(ReadIco, file.substr(0, length)), kBad) << "cut to " << length;
    }
}

TEST(ReadIco, AgreesWithImageMagick) {
    const char* writers[] = {
        "-size 16x16 gradient:red-blue ico:$F",                                  // 32-bit bitmap, opaque
        "-size 16x16 xc:none -fill '#00ff0080' -draw 'circle 8,8 8,3' ico:$F",  // 32-bit bitmap, half transparent
        "-size 256x256 radial-gradient:'#ff000000'-blue ico:$F",                 // PNG with alpha
    };
    for (const char* writer : writers) {
        SCOPED_TRACE(writer);
        std::string file;
        std::vector<std::uint32_t> reference;
        if (!ConvertReference(writer, ".ico", "-background white -alpha remove -alpha off", file, reference)) {
            GTEST_SKIP() << "no ImageMagick";
        }
        EXPECT_LE(MaxChannelDifference(Decode(file), reference), 1);  // blending may round the other way
    }
}

}  // namespace
}  // namespace vellum::pictures

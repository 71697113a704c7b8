#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "pictures.h"
#include "test_support.h"

// Every allocation of this test program is measured, so a test can prove that
// a hostile size was refused before anything large was allocated.
namespace {
std::atomic<std::size_t> largestAllocation{0};
}  // namespace

// Out of line, so the compiler never sees a pointer from `new` reach free().
[[gnu::noinline]] void* operator new(std::size_t size) {
    std::size_t seen = largestAllocation.load(std::memory_order_relaxed);
    while (size > seen && !largestAllocation.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

// File builders and checks, shared with the icon tests.
namespace vellum::pictures::picture_test {

std::size_t LargestAllocationDuring(const std::function<void()>& work) {
    largestAllocation = 0;
    work();
    return largestAllocation;
}

void PutU16(std::string& out, std::uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void PutU32(std::string& out, std::uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

// Packs rows as a DIB stores them: indexes MSB first for up to 8 bits,
// little-endian words for 16 and 32 bits, B G R for 24 (values 0xRRGGBB);
// each row padded to four bytes.
std::string PackRows(int bits, const std::vector<std::vector<std::uint32_t>>& rows) {
    std::string out;
    for (const auto& row : rows) {
        std::string packed;
        int used = 8;
        for (std::uint32_t v : row) {
            if (bits <= 8) {
                if (used == 8) packed += '\0', used = 0;
                packed.back() = static_cast<char>(packed.back() | (v << (8 - bits - used)));
                used += bits;
            } else if (bits == 24) {
                packed += {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF), static_cast<char>(v >> 16)};
            } else if (bits == 16) {
                PutU16(packed, v);
            } else {
                PutU32(packed, v);
            }
        }
        packed.resize((packed.size() + 3) / 4 * 4, '\0');
        out += packed;
    }
    return out;
}

// Info header (12 for the core header, else 16..124 bytes), the masks that
// follow a header shorter than 52 bytes, the colour table and the pixels.
struct Dib {
    std::uint32_t headerSize = 40;
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    std::vector<std::uint32_t> masks;
    std::vector<std::uint32_t> palette;  // 0xRRGGBB
    std::string pixels;

    std::string Build() const {
        std::string out;
        PutU32(out, headerSize);
        if (headerSize == 12) {
            PutU16(out, static_cast<std::uint32_t>(width)), PutU16(out, static_cast<std::uint32_t>(height));
        } else {
            PutU32(out, static_cast<std::uint32_t>(width)), PutU32(out, static_cast<std::uint32_t>(height));
        }
        PutU16(out, 1), PutU16(out, bitCount);
        if (headerSize > 16) {
            for (std::uint32_t v : {compression, std::uint32_t(pixels.size()), 2835u, 2835u, colorsUsed, 0u}) {
                PutU32(out, v);
            }
        }
        if (headerSize >= 52) {
            for (std::uint32_t m : masks) PutU32(out, m);
        }
        out.resize(headerSize, '\0');
        if (headerSize < 52) {
            for (std::uint32_t m : masks) PutU32(out, m);
        }
        for (std::uint32_t c : palette) {
            out += {static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF), static_cast<char>(c >> 16)};
            if (headerSize != 12) out += '\0';
        }
        return out + pixels;
    }
};

// Decoded pixels as 0xRRGGBB, top row first.
std::vector<std::uint32_t> Pixels(const RgbBitmap& bitmap) {
    std::vector<std::uint32_t> out;
    for (std::size_t i = 0; i + 2 < bitmap.pixels.size(); i += 3) {
        out.push_back((std::uint32_t{bitmap.pixels[i]} << 16) | (bitmap.pixels[i + 1] << 8) | bitmap.pixels[i + 2]);
    }
    return out;
}

// The PictureError message of reading `bytes`, or "" when it succeeds.
std::string ErrorOf(RgbBitmap (*read)(std::string_view), const std::string& bytes) {
    try {
        read(bytes);
        return "";
    } catch (const PictureError& e) {
        return e.what();
    }
}

// Writes the file into the folder VELLUM_PICTURE_SEEDS names, if set: the fuzz
// targets' seed corpus comes from these samples.
void MaybeWriteSeed(const std::string& name, const std::string& bytes) {
    if (const char* folder = std::getenv("VELLUM_PICTURE_SEEDS"); folder != nullptr && bytes.size() <= 4096) {
        std::string fileName = name;
        std::replace(fileName.begin(), fileName.end(), ' ', '-');
        vellum::test::WriteFile((std::filesystem::path(folder) / fileName).string(), bytes);
    }
}

// ImageMagick as an independent writer and reader, where it is installed:
// `make` writes `file` (given as $F), then the file is read back as RGB with
// `readOptions`. Returns false when ImageMagick is missing.
bool ConvertReference(const std::string& make, const std::string& extension, const std::string& readOptions,
                      std::string& file, std::vector<std::uint32_t>& reference) {
    const char* convert = "/usr/bin/convert";
    if (!std::filesystem::exists(convert)) return false;
    vellum::test::ScratchFolder folder;
    const std::string path = folder.File("picture" + extension), raw = folder.File("picture.rgb");
    std::string command = make;
    command.replace(command.find("$F"), 2, vellum::test::ShellQuote(path));
    auto result = vellum::test::RunCommand(std::string(convert) + " " + command);
    EXPECT_EQ(result.status, 0) << result.output;
    result = vellum::test::RunCommand(std::string(convert) + " " + vellum::test::ShellQuote(path) + " " +
                                      readOptions + " -depth 8 rgb:" + vellum::test::ShellQuote(raw));
    EXPECT_EQ(result.status, 0) << result.output;
    file = vellum::test::ReadFile(path);
    MaybeWriteSeed("imagemagick-" + std::to_string(std::hash<std::string>{}(make) % 100000) + extension, file);
    const std::string rgb = vellum::test::ReadFile(raw);
    reference.clear();
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
        reference.push_back((std::uint32_t{static_cast<unsigned char>(rgb[i])} << 16) |
                            (static_cast<unsigned char>(rgb[i + 1]) << 8) | static_cast<unsigned char>(rgb[i + 2]));
    }
    return true;
}

// The largest difference of one channel between two pictures of equal size.
int MaxChannelDifference(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    EXPECT_EQ(a.size(), b.size());
    int largest = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        for (int shift : {0, 8, 16}) {
            largest = std::max(largest, std::abs(int((a[i] >> shift) & 0xFF) - int((b[i] >> shift) & 0xFF)));
        }
    }
    return largest;
}

}  // namespace vellum::pictures::picture_test

namespace vellum::pictures {
namespace {

using namespace picture_test;
using Rows = std::vector<std::vector<std::uint32_t>>;

const std::string kBad(kBadBitmap);
const std::string kTooBig = kBad + ": the picture has more than 100 million pixels";

// A byte string from a literal that may hold zero bytes.
template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

std::uint32_t Colour(std::uint32_t i) { return (i << 16) | ((255 - i) << 8) | ((i * 7) & 0xFF); }

std::vector<std::uint32_t> Palette(std::uint32_t count) {
    std::vector<std::uint32_t> palette;
    for (std::uint32_t i = 0; i < count; ++i) palette.push_back(Colour(i));
    return palette;
}

// A bitmap file; the pixel offset is right unless given.
std::string BmpFile(const Dib& dib, std::int64_t offBits = -1) {
    const std::string body = dib.Build();
    std::string out = "BM";
    PutU32(out, static_cast<std::uint32_t>(14 + body.size()));
    PutU32(out, 0);
    const std::int64_t pixelOffset = std::int64_t(14 + body.size() - dib.pixels.size());
    PutU32(out, static_cast<std::uint32_t>(offBits >= 0 ? offBits : pixelOffset));
    return out + body;
}

std::vector<std::uint32_t> Decode(const std::string& file) { return Pixels(ReadBmp(file)); }

TEST(ReadBmp, IndexedDepthsAndHeaderVersions) {
    struct Case { std::uint32_t headerSize; std::uint16_t bits; std::int32_t width; std::uint32_t colorsUsed; };
    const Case cases[] = {{40, 1, 9, 0}, {40, 2, 5, 0}, {40, 4, 7, 0}, {40, 8, 5, 0}, {40, 8, 3, 6},
                          {12, 1, 9, 0}, {12, 4, 7, 0}, {12, 8, 5, 0}, {16, 4, 7, 0}, {64, 8, 5, 0},
                          {52, 4, 3, 0}, {56, 2, 4, 3}, {108, 8, 2, 0}, {124, 1, 33, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.headerSize << "/" << c.bits << "/" << c.width);
        const std::uint32_t entries = c.colorsUsed != 0 ? c.colorsUsed : 1u << c.bits;
        Rows stored(2);  // bottom row first
        std::vector<std::uint32_t> expected(2 * c.width);
        for (std::int32_t y = 0; y < 2; ++y) {
            for (std::int32_t x = 0; x < c.width; ++x) {
                const std::uint32_t index = (x * 3 + y) % entries;
                stored[y].push_back(index);
                expected[(1 - y) * c.width + x] = Colour(index);
            }
        }
        Dib dib{c.headerSize, c.width, 2, c.bits, 0, c.colorsUsed, {}, Palette(entries), PackRows(c.bits, stored)};
        const RgbBitmap bitmap = ReadBmp(BmpFile(dib));
        EXPECT_EQ(bitmap.width, c.width);
        EXPECT_EQ(bitmap.height, 2);
        EXPECT_EQ(Pixels(bitmap), expected);
        MaybeWriteSeed("indexed-" + std::to_string(&c - cases) + ".bmp", BmpFile(dib));
    }
}

TEST(ReadBmp, TrueColourRowOrderInEveryHeader) {
    const Rows stored = {{0x102030, 0x405060, 0x708090}, {0xA0B0C0, 0xD0E0F0, 0xFFFFFF}};
    for (std::uint32_t headerSize : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u}) {
        for (bool topDown : {false, true}) {
            if (headerSize == 12 && topDown) continue;  // the core header's height is unsigned
            SCOPED_TRACE(::testing::Message() << headerSize << (topDown ? " top-down" : " bottom-up"));
            const Dib dib{headerSize, 3, topDown ? -2 : 2, 24, 0, 0, {}, {}, PackRows(24, stored)};
            const std::vector<std::uint32_t> first = {0x102030, 0x405060, 0x708090};
            const std::vector<std::uint32_t> second = {0xA0B0C0, 0xD0E0F0, 0xFFFFFF};
            std::vector<std::uint32_t> expected = topDown ? first : second;
            expected.insert(expected.end(), (topDown ? second : first).begin(), (topDown ? second : first).end());
            EXPECT_EQ(Decode(BmpFile(dib)), expected);
        }
    }
}

TEST(ReadBmp, SixteenAndThirtyTwoBitLayouts) {
    struct Case {
        std::uint32_t headerSize, bits, compression;
        std::vector<std::uint32_t> masks;
        std::uint32_t stored, rgb;
    };
    const Case cases[] = {
        {40, 16, 0, {}, 0x7C00, 0xFF0000},         // default 5-5-5
        {40, 16, 0, {}, 0x4210, 0x848484},         // 16 of 31 is 132
        {40, 16, 3, {0xF800, 0x07E0, 0x001F}, 0x0400, 0x008200},  // 32 of 63 is 130
        {52, 16, 3, {0x0F00, 0x00F0, 0x000F}, 0x0F80, 0xFF8800},  // masks inside the V2 header
        {124, 16, 3, {0x7C00, 0x03E0, 0x001F, 0}, 0x001F, 0x0000FF},
        {40, 16, 3, {0x7C00, 0, 0x001F}, 0x7FFF, 0xFF00FF},       // an empty mask gives 0
        {40, 32, 0, {}, 0x12345678, 0x345678},     // alpha is ignored
        {56, 32, 3, {0xFF, 0xFF00, 0xFF0000, 0}, 0x00112233, 0x332211},
        {108, 32, 3, {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000}, 0x3FF80000, 0xFF8000},  // 10 bits
        {40, 32, 6, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, 0x80ABCDEF, 0xABCDEF},  // four masks after the header
        {40, 32, 3, {0xF0000000, 0x0F000000, 0x00000001}, 0xF0000001, 0xFF00FF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.headerSize << "/" << c.bits << " stored " << std::hex << c.stored);
        const Dib dib{c.headerSize, 2, 1, std::uint16_t(c.bits), c.compression, 0, c.masks, {},
                      PackRows(int(c.bits), {{c.stored, 0}})};
        EXPECT_EQ(Decode(BmpFile(dib)), (std::vector<std::uint32_t>{c.rgb, 0}));
        MaybeWriteSeed("masked-" + std::to_string(&c - cases) + ".bmp", BmpFile(dib));
    }
}

// Every escape: runs, absolute runs with and without padding, end of line,
// delta, end of bitmap, a run past the row's end, and pixels left out.
std::string Rle8Sample(std::int32_t height = 4) {
    const std::string stream = Bytes("\x03\x01" "\x00\x03\x02\x03\x04\x00" "\x00\x00"  // row 0: 1 1 1 2 3 4
                             "\x02\x05" "\x00\x02\x02\x01"                     // row 1: 5 5, then 2 right 1 up
                             "\x04\x06" "\x00\x00"                             // row 2: from x=4, two clipped
                             "\x00\x04\x07\x08\x09\x0A" "\x00\x01");           // row 3: 7 8 9 10, end
    return BmpFile(Dib{40, 6, height, 8, 1, 11, {}, Palette(11), stream});
}

std::string Rle4Sample() {
    const std::string stream = Bytes("\x03\x12" "\x00\x05\x34\x56\x70\x00" "\x00\x00"  // row 0: 1 2 1 3 4 5 6, 7 off
                             "\x00\x02\x03\x01"                               // 3 right, 1 up
                             "\x04\xAB");                                     // row 2 from x=3; no end code
    return BmpFile(Dib{40, 7, 3, 4, 2, 0, {}, Palette(16), stream});
}

TEST(ReadBmp, RunLengthEncodings) {
    const auto c = Colour;
    const std::vector<std::uint32_t> rle8 = {c(7), c(8), c(9), c(10), c(0), c(0), c(0), c(0), c(0), c(0), c(6), c(6),
                                             c(5), c(5), c(0), c(0), c(0), c(0), c(1), c(1), c(1), c(2), c(3), c(4)};
    EXPECT_EQ(Decode(Rle8Sample()), rle8);
    std::vector<std::uint32_t> flipped;
    for (int row = 3; row >= 0; --row) {
        flipped.insert(flipped.end(), rle8.begin() + row * 6, rle8.begin() + row * 6 + 6);
    }
    EXPECT_EQ(Decode(Rle8Sample(-4)), flipped);
    EXPECT_EQ(Decode(Rle4Sample()), (std::vector<std::uint32_t>{c(0), c(0), c(0), c(10), c(11), c(10), c(11),  //
                                                                c(0), c(0), c(0), c(0), c(0), c(0), c(0),      //
                                                                c(1), c(2), c(1), c(3), c(4), c(5), c(6)}));
}

TEST(ReadBmp, PixelOffsetAndPaletteSize) {
    const std::string pixels = PackRows(8, {{0, 1, 2, 3}});
    const Dib twoColours{40, 4, 1, 8, 0, 2, {}, Palette(2), pixels};
    const std::uint32_t black = 0;
    const std::vector<std::uint32_t> twoColoursThenBlack = {Colour(0), Colour(1), black, black};
    // A gap before the stated offset; a stated offset of 0 or past the end means "after the colour table".
    Dib gap = twoColours;
    gap.pixels = "gap!" + pixels;
    EXPECT_EQ(Decode(BmpFile(gap, 14 + 40 + 8 + 4)), twoColoursThenBlack);
    EXPECT_EQ(Decode(BmpFile(twoColours, 0)), twoColoursThenBlack);
    EXPECT_EQ(Decode(BmpFile(twoColours, 1 << 30)), twoColoursThenBlack);
    // A full table is assumed, but a stated offset cuts it short.
    const Dib shortTable{40, 4, 1, 8, 0, 0, {}, Palette(2), pixels};
    EXPECT_EQ(Decode(BmpFile(shortTable)), twoColoursThenBlack);
    EXPECT_EQ(ErrorOf(ReadBmp, BmpFile(shortTable, 0)), kBad);  // the assumed table runs past the end
    // More entries than the depth allows: only the first 256 count, the pixels follow all of them.
    const Dib oversized{40, 2, 1, 8, 0, 300, {}, Palette(300), PackRows(8, {{255, 3}})};
    EXPECT_EQ(Decode(BmpFile(oversized, 0)), (std::vector<std::uint32_t>{Colour(255), Colour(3)}));
}

TEST(ReadBmp, MalformedFilesFailWithTheMessage) {
    const Dib good{40, 2, 2, 24, 0, 0, {}, {}, PackRows(24, {{1, 2}, {3, 4}})};
    const auto with = [&](const std::function<void(Dib&)>& change) {
        Dib dib = good;
        dib.colorsUsed = 1, dib.palette = {0};  // unused by the 24-bit pictures
        change(dib);
        return BmpFile(dib, 0);
    };
    std::string wrongSignature = BmpFile(good), os2Recording = with([](Dib& d) { d.headerSize = 64; });
    wrongSignature[1] = 'A';
    os2Recording[14 + 44] = 1;
    const auto rle = [&](std::uint16_t bits, const std::string& stream) {
        return with([&](Dib& d) { d.bitCount = bits, d.compression = bits == 8 ? 1 : 2, d.pixels = stream; });
    };
    std::string headerPastEnd = BmpFile(good);
    headerPastEnd[14] = 108;  // 40 bytes of header and 16 of pixels follow
    struct Case { const char* name; std::string file; const std::string& message; };
    const Case cases[] = {
        {"empty", "", kBad},
        {"file header only", BmpFile(good).substr(0, 14), kBad},
        {"signature", wrongSignature, kBad},
        {"zero width", with([](Dib& d) { d.width = 0; }), kBad},
        {"negative width", with([](Dib& d) { d.width = -2; }), kBad},
        {"zero height", with([](Dib& d) { d.height = 0; }), kBad},
        {"height INT_MIN", with([](Dib& d) { d.height = INT_MIN; }), kBad},
        {"header size 41", with([](Dib& d) { d.headerSize = 41; }), kBad},
        {"header size past the end", headerPastEnd, kBad},
        {"embedded JPEG", with([](Dib& d) { d.bitCount = 0, d.compression = 4; }), kBad},
        {"embedded PNG", with([](Dib& d) { d.compression = 5; }), kBad},
        {"RLE8 at 24 bits", with([](Dib& d) { d.compression = 1; }), kBad},
        {"RLE4 at 8 bits", with([](Dib& d) { d.bitCount = 8, d.compression = 2; }), kBad},
        {"bit fields at 24 bits", with([](Dib& d) { d.compression = 3, d.masks = {1, 2, 4}; }), kBad},
        {"OS/2 Huffman", with([](Dib& d) { d.headerSize = 64, d.bitCount = 1, d.compression = 3; }), kBad},
        {"OS/2 recording", os2Recording, kBad},
        {"unknown compression", with([](Dib& d) { d.compression = 11; }), kBad},
        {"bit count 3", with([](Dib& d) { d.bitCount = 3; }), kBad},
        {"core at 16 bits", with([](Dib& d) { d.headerSize = 12, d.bitCount = 16; }), kBad},
        {"palette past the end", with([](Dib& d) { d.bitCount = 8, d.colorsUsed = 0, d.palette = Palette(3); }), kBad},
        {"huge colour count", with([](Dib& d) { d.bitCount = 8, d.colorsUsed = 0xFFFFFFFF; }), kBad},
        {"pixels cut short", with([](Dib& d) { d.pixels.resize(8); }), kBad},
        {"RLE run cut short", rle(8, Bytes("\x03")), kBad},
        {"RLE delta cut short", rle(8, Bytes("\x00\x02\x05")), kBad},
        {"RLE literal cut short", rle(4, Bytes("\x00\x05\x01\x02")), kBad},
        {"RLE without data", rle(8, ""), kBad},
        {"over the cap", with([](Dib& d) { d.width = 100'000, d.height = 1'001; }), kTooBig},
        {"over the cap, top-down", with([](Dib& d) { d.width = INT_MAX, d.height = -INT_MAX; }), kTooBig},
        {"over the cap, core", with([](Dib& d) { d.headerSize = 12, d.width = 0xFFFF, d.height = 0xFFFF; }), kTooBig},
    };
    for (const Case& c : cases) EXPECT_EQ(ErrorOf(ReadBmp, c.file), c.message) << c.name;
}

// The encoder reads bitmaps without run-length encoding a row at a time from
// the file: the same pixels as the whole decode, in every layout, the same
// message for a broken file, and nothing for run-length files.
TEST(BmpRows, GiveTheWholeDecodesPixelsRowByRow) {
    const Rows twoRows = {{0x102030, 0x405060, 0x708090}, {0xA0B0C0, 0xD0E0F0, 0xFFFFFF}};
    const Rows indexed = {{1, 0, 1, 1, 0, 1, 0}, {0, 1, 1, 0, 0, 0, 1}};
    const Dib dibs[] = {
        {40, 3, 2, 24, 0, 0, {}, {}, PackRows(24, twoRows)},
        {40, 3, -2, 24, 0, 0, {}, {}, PackRows(24, twoRows)},
        {12, 7, 2, 1, 0, 0, {}, Palette(2), PackRows(1, indexed)},
        {40, 7, -2, 4, 0, 0, {}, Palette(16), PackRows(4, indexed)},
        {40, 7, 2, 8, 0, 0, {}, Palette(256), PackRows(8, indexed)},
        {40, 3, 2, 16, 3, 0, {0xF800, 0x07E0, 0x001F}, {}, PackRows(16, {{0x0400, 0xF800, 1}, {7, 8, 9}})},
        {108, 3, -2, 32, 3, 0, {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000}, {}, PackRows(32, twoRows)},
    };
    for (const Dib& dib : dibs) {
        SCOPED_TRACE(::testing::Message() << "layout " << &dib - dibs);
        const std::string file = BmpFile(dib);
        std::optional<BmpRows> rows = BmpRows::Of(file);
        ASSERT_TRUE(rows.has_value());
        const RgbBitmap whole = ReadBmp(file);
        ASSERT_EQ(rows->Width(), whole.width);
        ASSERT_EQ(rows->Height(), whole.height);
        std::vector<std::uint8_t> streamed(whole.pixels.size());
        for (std::int32_t y = 0; y < rows->Height(); ++y) rows->ReadRow(streamed.data() + std::size_t(y) * whole.width * 3);
        EXPECT_EQ(streamed, whole.pixels);
    }
    EXPECT_FALSE(BmpRows::Of(Rle8Sample()).has_value());
    const std::string cut = BmpFile(dibs[0]).substr(0, 14 + 40 + 6);
    try {
        BmpRows::Of(cut);
        ADD_FAILURE() << "a cut file gave rows";
    } catch (const PictureError& error) {
        EXPECT_EQ(error.what(), kBad);
    }
}

TEST(ReadBmp, HugeSizesFailBeforeAllocating) {
    // At the cap exactly, but with a few bytes of data: refused before the 300 MB picture is allocated.
    const Dib flat{40, 10'000, 10'000, 24, 0, 0, {}, {}, std::string(64, '\0')};
    const Dib rle{40, 10'000, -10'000, 8, 1, 0, {}, Palette(256), Bytes("\x00\x01")};
    // A stream long enough for its 3 MB picture, but broken at its end.
    std::string endOfLines;
    for (int i = 0; i < 300; ++i) endOfLines += Bytes("\x00\x00");
    const Dib broken{40, 1000, 1000, 8, 1, 0, {}, Palette(256), endOfLines + "\x03"};
    for (const std::string& file : {BmpFile(flat), BmpFile(rle), BmpFile(broken)}) {
        std::string message;
        EXPECT_LT(LargestAllocationDuring([&] { message = ErrorOf(ReadBmp, file); }), 1u << 20);
        EXPECT_EQ(message, kBad);
    }
}

TEST(ReadBmp, EveryTruncationFailsCleanly) {
    struct Sample { const char* name; std::string file; std::size_t lastRowPadding; bool rle; };
    const Sample samples[] = {
        {"24-bit", BmpFile(Dib{40, 3, 3, 24, 0, 0, {}, {}, PackRows(24, Rows(3, {1, 2, 3}))}), 3, false},
        {"4-bit", BmpFile(Dib{40, 5, 3, 4, 0, 0, {}, Palette(16), PackRows(4, Rows(3, {1, 2, 3, 4, 5}))}), 1, false},
        {"core 8-bit", BmpFile(Dib{12, 2, 2, 8, 0, 0, {}, Palette(256), PackRows(8, Rows(2, {7, 9}))}), 2, false},
        {"bit fields", BmpFile(Dib{40, 1, 2, 16, 3, 0, {0xF800, 0x7E0, 0x1F}, {}, PackRows(16, Rows(2, {9}))}), 2,
         false},
        {"RLE8", Rle8Sample(), 0, true},
        {"RLE4", Rle4Sample(), 0, true},
    };
    for (const Sample& s : samples) {
        const std::vector<std::uint32_t> whole = Decode(s.file);
        MaybeWriteSeed(std::string("whole-") + s.name + ".bmp", s.file);
        for (std::size_t length = 0; length < s.file.size(); ++length) {
            SCOPED_TRACE(::testing::Message() << s.name << " cut to " << length);
            const std::string cut = s.file.substr(0, length);
            if (!s.rle && length >= s.file.size() - s.lastRowPadding) {
                EXPECT_EQ(Decode(cut), whole);  // only the last row's padding is missing
            } else if (const std::string message = ErrorOf(ReadBmp, cut); !s.rle || !message.empty()) {
                EXPECT_EQ(message, kBad);
            }
        }
    }
}

TEST(ReadBmp, AgreesWithImageMagick) {
    struct Case { const char* writer; int tolerance; };
    const Case cases[] = {
        {"-size 7x5 gradient:red-blue BMP3:$F", 0},                              // 24-bit
        {"-size 7x5 gradient:red-blue BMP2:$F", 0},                              // core header
        {"-size 7x5 gradient:red-blue -monochrome BMP3:$F", 0},                  // 1-bit
        {"-size 7x5 gradient:red-blue -colors 16 -type palette BMP3:$F", 0},     // 4-bit
        {"-size 9x5 gradient:red-blue -type palette -compress RLE BMP3:$F", 0},  // RLE8
        {"-size 7x5 gradient:red-blue -alpha set -channel A -evaluate set 50% +channel BMP:$F", 0},  // V5, 32-bit
        // ImageMagick widens 5 and 6 bits by repeating them; we round, which may differ by one.
        {"-size 7x5 gradient:red-blue -define bmp:subtype=RGB565 BMP:$F", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.writer);
        std::string file;
        std::vector<std::uint32_t> reference;
        if (!ConvertReference(c.writer, ".bmp", "-alpha off", file, reference)) GTEST_SKIP() << "no ImageMagick";
        EXPECT_LE(MaxChannelDifference(Decode(file), reference), c.tolerance);
    }
}

}  // namespace
}  // namespace vellum::pictures

// PNG files built to cost memory or time out of proportion to their size, and
// the well-formed layouts the defences against them must leave alone.
#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "png_reader.h"

namespace vellum::pictures::picture_test {
void MaybeWriteSeed(const std::string& name, const std::string& bytes);  // bmp_test.cpp
}

namespace vellum::pictures {
namespace {

constexpr int kSide = 16;  // 8-bit grey
constexpr std::size_t kZeroRun = 1u << 20;

std::string BigEndian(std::uint32_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
            static_cast<char>(value)};
}

std::string Chunk(std::string_view type, std::string_view data) {
    std::string body = std::string(type) + std::string(data);
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
    return BigEndian(static_cast<std::uint32_t>(data.size())) + body + BigEndian(static_cast<std::uint32_t>(crc));
}

std::string Header(bool interlaced) {
    return std::string("\x89PNG\r\n\x1a\n", 8) +
           Chunk("IHDR", BigEndian(kSide) + BigEndian(kSide) + std::string("\x08\x00\x00\x00", 4) +
                             std::string(1, interlaced ? '\x01' : '\x00'));
}

// The filtered rows of every pass. Each byte is a valid filter type, so any
// layout of rows finds one at each row's start.
std::string Rows(bool interlaced) {
    static constexpr int kStartX[] = {0, 4, 0, 2, 0, 1, 0}, kStepX[] = {8, 8, 4, 4, 2, 2, 1};
    static constexpr int kStartY[] = {0, 0, 4, 0, 2, 0, 1}, kStepY[] = {8, 8, 8, 4, 4, 2, 2};
    std::size_t size = kSide * (kSide + 1);
    if (interlaced) {
        size = 0;
        for (int pass = 0; pass < 7; ++pass) {
            const int width = (kSide - kStartX[pass] + kStepX[pass] - 1) / kStepX[pass];
            const int height = (kSide - kStartY[pass] + kStepY[pass] - 1) / kStepY[pass];
            size += static_cast<std::size_t>(height) * (width + 1);
        }
    }
    std::string rows(size, '\0');
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<char>(i * 7 % 5);
    return rows;
}

std::string Deflate(z_stream& z, std::string_view in, int flush) {
    std::string out;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    char buffer[1 << 16];
    do {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        deflate(&z, flush);
        out.append(buffer, sizeof buffer - z.avail_out);
    } while (z.avail_out == 0);
    return out;
}

uLong Adler32(std::string_view bytes) {
    return adler32(1, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
}

// A zlib stream of the rows, then `zeroRuns` runs of 1 MB of zeros. A run
// follows a full flush, which leaves it nothing earlier to refer to, so it is
// compressed once and repeated.
std::string ZlibStream(std::string_view rows, int zeroRuns) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    std::string out = "\x78\xDA" + Deflate(z, rows, Z_FULL_FLUSH);
    uLong adler = Adler32(rows);
    if (zeroRuns > 0) {
        const std::string zeros(kZeroRun, '\0');
        const std::string run = Deflate(z, zeros, Z_FULL_FLUSH);
        const uLong runAdler = Adler32(zeros);
        for (int i = 0; i < zeroRuns; ++i) out += run, adler = adler32_combine(adler, runAdler, kZeroRun);
    }
    out += Deflate(z, "", Z_FINISH);
    deflateEnd(&z);
    return out + BigEndian(static_cast<std::uint32_t>(adler));
}

struct Layout {
    const char* name;
    bool interlaced = false;
    std::size_t idatPiece = 1 << 20;  // image data bytes per IDAT chunk
    std::string before = {}, after = {};  // chunks around the image data
    int zeroRuns = 0;
};

std::string Build(const Layout& layout) {
    const std::string stream = ZlibStream(Rows(layout.interlaced), layout.zeroRuns);
    std::string file = Header(layout.interlaced) + layout.before;
    for (std::size_t at = 0; at < stream.size(); at += layout.idatPiece) {
        file += Chunk("IDAT", std::string_view(stream).substr(at, layout.idatPiece));
    }
    return file + layout.after + Chunk("IEND", "");
}

double SecondsFor(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

long StatusKb(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(field + ":")) return std::stol(line.substr(field.size() + 1));
    }
    return -1;
}

// How far the resident memory rose above its level before `work`, in MB;
// -1 where the kernel will not reset the process's peak.
long PeakGrowthMb(const std::function<void()>& work) {
    const long before = StatusKb("VmRSS");
    if (!(std::ofstream("/proc/self/clear_refs") << "5").flush() || before < 0) return -1;
    work();
    return (StatusKb("VmHWM") - before) / 1024;
}

TEST(PngHostile, ChunkClaimingMoreThanTheFileFailsAtOnce) {
    for (const char* type : {"tEXt", "zTXt", "iTXt"}) {
        SCOPED_TRACE(type);
        const std::string file = Header(false) + BigEndian(0x7FFFFFFF) + type + std::string(20, 'a');
        ASSERT_EQ(file.size(), 61u);
        picture_test::MaybeWriteSeed(std::string(type) + "-claims-2-GB.png", file);
        std::string message;
        const auto read = [&] {
            try {
                ReadPng(file);
            } catch (const PictureError& error) {
                message = error.what();
            }
        };
        EXPECT_LT(SecondsFor(read), 0.1);
        EXPECT_EQ(message, "PNG image is not valid: the file ends too soon: its " + std::string(type) +
                               " chunk claims 2147483647 bytes, 20 remain");
        const long growth = PeakGrowthMb(read);
        if (growth >= 0) {
            EXPECT_LT(growth, 50);
        }
    }
}

TEST(PngHostile, LayoutsReadAsTheirRows) {
    const std::string text = Chunk("tEXt", std::string("Comment\0", 8) + std::string(1000, 'x'));
    const std::string badText = Chunk("zTXt", "Title\0\0not deflate at all");
    const std::string unknown = Chunk("vpAg", std::string(9, '\1'));
    const Layout kLayouts[] = {
        {"IDAT bytes one by one", false, 1},
        {"interlaced IDAT in sevens", true, 7},
        {"ancillary chunks before and after", false, 1 << 20, text + badText + unknown, text + unknown},
        {"a little data after the rows", false, 1 << 20, "", "", 2},
        // About 10 GB of zeros after the rows in a 10 MB file.
        {"zeros after the rows", false, 1 << 20, "", "", 10240},
        {"interlaced with zeros after the rows", true, 1 << 20, "", "", 10240},
    };
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        const RgbBitmap expected = ReadPng(Build({"plain", layout.interlaced}));
        const std::string file = Build(layout);
        picture_test::MaybeWriteSeed(std::string(layout.name) + ".png", file);
        RgbBitmap read;
        EXPECT_LT(SecondsFor([&] { read = ReadPng(file); }), 1.0) << file.size() << " bytes";
        EXPECT_EQ(read.pixels, expected.pixels);
    }
}

// The last chunk's checksum is still read: the allowance after the rows
// covers what an encoder leaves there.
TEST(PngHostile, DamageAfterTheLastRowStillFails) {
    std::string file = Build({"plain"});
    file[file.size() - 12 - 1] ^= 0x01;  // the IDAT checksum, before IEND
    EXPECT_THROW(ReadPng(file), PictureError);
}

}  // namespace
}  // namespace vellum::pictures

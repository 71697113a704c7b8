#include "png_reader.h"

#include <png.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ico_png.h"

namespace vellum::pictures {
namespace {

constexpr std::string_view kSignature{"\x89PNG\r\n\x1a\n", 8};

// Deflate cannot shrink data by more than about 1032 to 1, so a file this many
// times smaller than the picture's rows cannot hold them; refusing it saves
// decoding (or, interlaced, allocating) for rows the data cannot fill.
constexpr std::uint64_t kDeflateMaxRatio = 1032;

// After the last row libpng goes on inflating until the compressed stream
// ends: a few bytes (the stream's checksum) in any file an encoder wrote, but
// a hostile one can follow a small picture's rows with gigabytes of compressed
// zeros. libpng reads image data 8 KB at a time; beyond that piece, the
// chunk's checksum and a header or two, the rest is left unread: the rows are
// all there.
constexpr std::size_t kTrailingDataAllowance = 10 * 1024;

std::uint32_t BigEndian32(std::string_view bytes, std::size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

std::string ChunkCalled(std::string_view type) {
    const bool letters = std::all_of(type.begin(), type.end(), [](char c) { return std::isalpha(c & 0xFF) != 0; });
    return letters ? "its " + std::string(type) + " chunk" : "a chunk";
}

// libpng allocates a text chunk's stated length before reading it, so a few
// bytes claiming two gigabytes would cost that much memory on their way to
// failing. The chunks before the image data are checked against the bytes
// that follow them first; what they hold is left to libpng.
std::string ChunkPastTheEnd(std::string_view bytes) {
    if (bytes.substr(0, kSignature.size()) != kSignature) return {};
    for (std::size_t at = kSignature.size(); bytes.size() - at >= 8;) {
        const std::uint32_t length = BigEndian32(bytes, at);
        const std::string_view type = bytes.substr(at + 4, 4);
        if (type == "IDAT") return {};
        const std::size_t left = bytes.size() - at - 8;
        if (length > left) {
            return "the file ends too soon: " + ChunkCalled(type) + " claims " + std::to_string(length) + " bytes, " +
                   std::to_string(left) + " remain";
        }
        at += 8 + std::size_t{length} + 4;
        if (at > bytes.size()) return {};
    }
    return {};
}

}  // namespace

// libpng reports errors by calling our handler, which keeps the reason and
// jumps back to the mark set by the function that made the libpng call; such
// functions keep nothing with a destructor in their own frame.
struct PngDecoder::State {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::string_view data;
    std::size_t position = 0;
    char reason[160] = "";
    bool interlaced = false;
    bool decodedWhole = false;
    bool readingRows = false;
    bool stoppedAfterRows = false;
    PngRows rows = PngRows::OverWhite;
    std::size_t readAfterRows = 0;
    std::uint32_t height = 0;
    std::uint32_t nextRow = 0;
    std::size_t rowBytes = 0;
    std::vector<std::uint8_t> rgba;  // one row, or the whole picture when interlaced (as stored: the file's rows)

    ~State() { png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr); }
};

namespace {

using State = PngDecoder::State;

void KeepReasonAndJump(png_structp png, png_const_charp message) {
    auto* state = static_cast<State*>(png_get_error_ptr(png));
    std::snprintf(state->reason, sizeof state->reason, "%s", message);
    png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

// libpng's own counters: an interlaced picture's pass number goes past the
// last pass, a plain one's row number reaches the height.
bool AllRowsRead(png_structp png, std::uint32_t height) {
    return png_get_current_pass_number(png) > 6 || png_get_current_row_number(png) >= height;
}

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* state = static_cast<State*>(png_get_io_ptr(png));
    if (state->readingRows && AllRowsRead(png, state->height)) {
        state->readAfterRows += length;
        if (state->readAfterRows > kTrailingDataAllowance) {
            state->stoppedAfterRows = true;
            png_error(png, "the image data goes on after the last row");
        }
    }
    if (length > state->data.size() - state->position) png_error(png, "the file ends too soon");
    std::memcpy(out, state->data.data() + state->position, length);
    state->position += length;
}

// Refuses sizes beyond the cap or beyond what the data can hold, before any
// row is allocated.
void CheckSize(png_structp png, png_infop info, std::uint64_t dataSize, std::int64_t maxPixels) {
    const std::uint64_t width = png_get_image_width(png, info);
    const std::uint64_t height = png_get_image_height(png, info);
    if (width * height > static_cast<std::uint64_t>(maxPixels)) {
        png_error(png, "the picture has more than 100 million pixels");
    }
    const std::uint64_t bitsPerPixel = std::uint64_t{png_get_bit_depth(png, info)} * png_get_channels(png, info);
    const std::uint64_t rawBytes = height * (1 + (width * bitsPerPixel + 7) / 8);
    if (rawBytes / kDeflateMaxRatio > dataSize) png_error(png, "the data is too short for the picture's size");
}

// Every kind of pixel becomes 8-bit RGBA: palettes and grey expanded,
// transparency entries turned into alpha, 16-bit samples scaled.
void RequestRgba(png_structp png, png_infop info) {
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    const bool hasAlpha = (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) != 0 ||
                          png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (!hasAlpha) png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
}

// Only the chunks that shape the pixels are read: every other one (text,
// colour profiles, ...) is skipped unread, so its contents cost nothing.
void SkipUnusedChunks(png_structp png, std::size_t fileSize) {
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_set_chunk_malloc_max(png, std::min<png_alloc_size_t>(fileSize, png_get_chunk_malloc_max(png)));
}

bool Start(State& s, std::int64_t maxPixels) {
    if (setjmp(png_jmpbuf(s.png)) != 0) return false;
    SkipUnusedChunks(s.png, s.data.size());
    png_set_read_fn(s.png, &s, ReadFromMemory);
    png_read_info(s.png, s.info);
    CheckSize(s.png, s.info, s.data.size(), maxPixels);
    if (s.rows == PngRows::OverWhite) RequestRgba(s.png, s.info);
    s.interlaced = png_set_interlace_handling(s.png) > 1;
    png_read_update_info(s.png, s.info);
    s.rowBytes = png_get_rowbytes(s.png, s.info);
    const std::size_t width = png_get_image_width(s.png, s.info);
    const std::size_t bits = std::size_t{png_get_bit_depth(s.png, s.info)} * png_get_channels(s.png, s.info);
    const std::size_t expected = s.rows == PngRows::OverWhite ? width * 4 : (width * bits + 7) / 8;
    if (s.rowBytes != expected) png_error(s.png, "unexpected row layout");
    s.height = png_get_image_height(s.png, s.info);
    s.readingRows = true;
    return true;
}

// A stop in the data after the last row leaves every row read.
bool ReadOneRow(State& s) {
    if (setjmp(png_jmpbuf(s.png)) != 0) return s.stoppedAfterRows;
    png_read_row(s.png, s.rgba.data(), nullptr);
    return true;
}

bool ReadAllRows(State& s, png_bytepp rows) {
    if (setjmp(png_jmpbuf(s.png)) != 0) return s.stoppedAfterRows;
    png_read_image(s.png, rows);
    return true;
}

[[noreturn]] void Fail(const State& s) { throw PictureError(std::string(kBadPng) + ": " + s.reason); }

void DecodeWhole(State& s, std::int32_t height) {
    const std::size_t rowBytes = s.rowBytes;
    s.rgba.resize(rowBytes * static_cast<std::size_t>(height));
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    for (std::size_t y = 0; y < rows.size(); ++y) rows[y] = s.rgba.data() + y * rowBytes;
    if (!ReadAllRows(s, rows.data())) Fail(s);
    s.decodedWhole = true;
}

// The next row, as the decoder's rows come: inside the whole picture when
// interlaced, else in the one-row buffer.
const std::uint8_t* NextRow(State& s, std::int32_t height) {
    if (s.nextRow >= static_cast<std::uint32_t>(height)) throw PictureError(std::string(kBadPng) + ": no more rows");
    if (s.interlaced && !s.decodedWhole) DecodeWhole(s, height);
    if (!s.interlaced && !ReadOneRow(s)) Fail(s);
    return s.rgba.data() + (s.interlaced ? s.rowBytes * s.nextRow : 0);
}

}  // namespace

bool HasPngSignature(std::string_view bytes) { return bytes.substr(0, kSignature.size()) == kSignature; }

PngDecoder::PngDecoder(std::string_view bytes, std::int64_t maxPixels, PngRows rows)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.data = bytes;
    s.rows = rows;
    if (const std::string reason = ChunkPastTheEnd(bytes); !reason.empty()) {
        throw PictureError(std::string(kBadPng) + ": " + reason);
    }
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s, KeepReasonAndJump, IgnoreWarning);
    if (s.png != nullptr) s.info = png_create_info_struct(s.png);
    if (s.info == nullptr) throw PictureError(std::string(kBadPng) + ": out of memory");
    if (!Start(s, maxPixels)) Fail(s);
    width_ = static_cast<std::int32_t>(png_get_image_width(s.png, s.info));
    height_ = static_cast<std::int32_t>(png_get_image_height(s.png, s.info));
    if (!s.interlaced) s.rgba.resize(s.rowBytes);
}

PngDecoder::~PngDecoder() = default;

void PngDecoder::ReadRow(std::uint8_t* rgb) {
    State& s = *state_;
    if (s.rows != PngRows::OverWhite) throw PictureError(std::string(kBadPng) + ": rows are read as stored");
    const std::uint8_t* rgba = NextRow(s, height_);
    for (std::int32_t x = 0; x < width_; ++x, rgba += 4, rgb += 3) {
        for (int c = 0; c < 3; ++c) rgb[c] = dib::OverWhite(rgba[c], rgba[3]);
    }
    ++s.nextRow;
}

int PngDecoder::ColourType() const { return png_get_color_type(state_->png, state_->info); }
int PngDecoder::BitDepth() const { return png_get_bit_depth(state_->png, state_->info); }
std::size_t PngDecoder::StoredRowBytes() const { return state_->rowBytes; }

PngColours PngDecoder::Colours() const {
    const State& s = *state_;
    PngColours colours;
    png_colorp palette = nullptr;
    int entries = 0;
    if (png_get_PLTE(s.png, s.info, &palette, &entries) != 0) {
        for (int i = 0; i < entries; ++i) {
            colours.palette.insert(colours.palette.end(), {palette[i].red, palette[i].green, palette[i].blue});
        }
    }
    png_bytep alpha = nullptr;
    int count = 0;
    png_color_16p key = nullptr;
    if (png_get_tRNS(s.png, s.info, &alpha, &count, &key) != 0) {
        if (ColourType() == PNG_COLOR_TYPE_PALETTE && alpha != nullptr) {
            colours.paletteAlpha.assign(alpha, alpha + count);
        } else if (key != nullptr) {
            colours.hasKey = true;
            colours.key[0] = ColourType() == PNG_COLOR_TYPE_GRAY ? key->gray : key->red;
            colours.key[1] = key->green;
            colours.key[2] = key->blue;
        }
    }
    return colours;
}

void PngDecoder::ReadStoredRow(std::uint8_t* row) {
    State& s = *state_;
    if (s.rows != PngRows::AsStored) throw PictureError(std::string(kBadPng) + ": rows are read over white");
    std::memcpy(row, NextRow(s, height_), s.rowBytes);
    ++s.nextRow;
}

RgbBitmap ReadPng(std::string_view bytes) {
    PngDecoder decoder(bytes);
    RgbBitmap bitmap;
    bitmap.width = decoder.Width();
    bitmap.height = decoder.Height();
    const auto rowBytes = static_cast<std::size_t>(bitmap.width) * 3;
    bitmap.pixels.resize(rowBytes * static_cast<std::size_t>(bitmap.height));
    for (std::int32_t y = 0; y < bitmap.height; ++y) decoder.ReadRow(bitmap.pixels.data() + rowBytes * y);
    return bitmap;
}

}  // namespace vellum::pictures

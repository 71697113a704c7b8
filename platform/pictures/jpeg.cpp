#include "jpeg.h"

// libjpeg's header needs the standard types first.
#include <cstddef>
#include <cstdio>
#include <csetjmp>

#include <jpeglib.h>

#include <cstdlib>
#include <new>
#include <vector>

namespace vellum::pictures {
namespace {

// More scans than any real progressive picture has; each scan of a hostile
// file can cost a pass over the whole coefficient buffer.
constexpr int kMaxScans = 1000;

// libjpeg reports fatal errors through error_exit, which must not return:
// jump back to the mark set by the function that made the libjpeg call. Every
// such function keeps nothing with a destructor in its own frame.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf mark;
    const char* reason = nullptr;  // our own reason, when it was not libjpeg's
};

void JumpOnError(j_common_ptr info) {
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    std::longjmp(manager->mark, 1);
}

// Warnings about damaged but decodable data are not printed.
void IgnoreMessage(j_common_ptr, int) {}

void InstallErrorManager(ErrorManager& manager, jpeg_common_struct& info) {
    info.err = jpeg_std_error(&manager.base);
    manager.base.error_exit = JumpOnError;
    manager.base.emit_message = IgnoreMessage;
}

[[noreturn]] void Fail(const ErrorManager& errors) {
    if (errors.reason != nullptr) throw PictureError(std::string("JPEG error: ") + errors.reason);
    const int code = errors.base.msg_code == 0 ? 1 : errors.base.msg_code;
    throw PictureError("JPEG error #" + std::to_string(code));
}

[[noreturn]] void FailWith(ErrorManager& errors, j_common_ptr info, const char* reason) {
    errors.reason = reason;
    (*info->err->error_exit)(info);
    std::abort();  // error_exit never returns
}

void LimitScans(j_common_ptr info) {
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > kMaxScans) {
        FailWith(*reinterpret_cast<ErrorManager*>(info->err), info, "the picture has too many scans");
    }
}

// Adobe CMYK JPEGs store inverted inks: white is 255 in every channel.
void CmykRowToRgb(const std::uint8_t* cmyk, std::uint8_t* rgb, JDIMENSION width) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
        rgb[0] = static_cast<std::uint8_t>(cmyk[0] * cmyk[3] / 255);
        rgb[1] = static_cast<std::uint8_t>(cmyk[1] * cmyk[3] / 255);
        rgb[2] = static_cast<std::uint8_t>(cmyk[2] * cmyk[3] / 255);
    }
}

}  // namespace

struct JpegDecoder::State {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    jpeg_progress_mgr progress{};
    bool cmyk = false;
    JSAMPROW cmykRow = nullptr;  // from libjpeg's pool, freed with the decompressor
    JSAMPROW target = nullptr;   // the caller's row being filled

    // Created under the first mark: creation itself can fail. Destroying a
    // zeroed or half-created decompressor is safe.
    State() { InstallErrorManager(errors, *reinterpret_cast<jpeg_common_struct*>(&info)); }
    ~State() { jpeg_destroy_decompress(&info); }
};

namespace {

// Returns false when libjpeg failed; the reason is in the state's errors.
bool StartDecoding(JpegDecoder::State& s, std::string_view bytes, std::int64_t maxPixels) {
    if (setjmp(s.errors.mark) != 0) return false;
    jpeg_create_decompress(&s.info);
    jpeg_mem_src(&s.info, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&s.info, TRUE);
    s.cmyk = s.info.jpeg_color_space == JCS_CMYK || s.info.jpeg_color_space == JCS_YCCK;
    s.info.out_color_space = s.cmyk ? JCS_CMYK : JCS_RGB;
    if (static_cast<std::int64_t>(s.info.image_width) * s.info.image_height > maxPixels) {
        FailWith(s.errors, reinterpret_cast<j_common_ptr>(&s.info), "the picture has more than 100 million pixels");
    }
    s.progress.progress_monitor = LimitScans;
    s.info.progress = &s.progress;
    jpeg_start_decompress(&s.info);
    if (s.cmyk) {
        s.cmykRow = (*s.info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&s.info), JPOOL_IMAGE,
                                                s.info.output_width * 4, 1)[0];
    }
    return true;
}

// The row goes to s.target, set by the caller.
bool ReadRowInto(JpegDecoder::State& s) {
    if (setjmp(s.errors.mark) != 0) return false;
    JSAMPROW target = s.cmyk ? s.cmykRow : s.target;
    if (s.info.output_scanline >= s.info.output_height || jpeg_read_scanlines(&s.info, &target, 1) != 1) {
        FailWith(s.errors, reinterpret_cast<j_common_ptr>(&s.info), "no more rows");
    }
    if (s.cmyk) CmykRowToRgb(s.cmykRow, s.target, s.info.output_width);
    return true;
}

}  // namespace

JpegDecoder::JpegDecoder(std::string_view bytes, std::int64_t maxPixels) : state_(std::make_unique<State>()) {
    if (!StartDecoding(*state_, bytes, maxPixels)) Fail(state_->errors);
    width_ = static_cast<std::int32_t>(state_->info.output_width);
    height_ = static_cast<std::int32_t>(state_->info.output_height);
}

JpegDecoder::~JpegDecoder() = default;

void JpegDecoder::ReadRow(std::uint8_t* rgb) {
    state_->target = rgb;
    if (!ReadRowInto(*state_)) Fail(state_->errors);
}

namespace {

// Collects the encoded stream in a string, a chunk at a time.
struct StringDestination {
    static constexpr std::size_t kChunk = 64 * 1024;
    jpeg_destination_mgr base{};
    std::string bytes;
    JOCTET chunk[kChunk];

    static StringDestination& Of(j_compress_ptr info) { return *reinterpret_cast<StringDestination*>(info->dest); }

    static void Init(j_compress_ptr info) {
        StringDestination& self = Of(info);
        self.base.next_output_byte = self.chunk;
        self.base.free_in_buffer = kChunk;
    }
    // Appending may fail for want of memory; the failure leaves the catch
    // block before it becomes libjpeg's error.
    static bool Keep(j_compress_ptr info, std::size_t count) {
        StringDestination& self = Of(info);
        bool kept = true;
        try {
            self.bytes.append(reinterpret_cast<const char*>(self.chunk), count);
        } catch (const std::bad_alloc&) {
            kept = false;
        }
        if (!kept) {
            auto* common = reinterpret_cast<j_common_ptr>(info);
            FailWith(*reinterpret_cast<ErrorManager*>(info->err), common, "out of memory");
        }
        self.base.next_output_byte = self.chunk;
        self.base.free_in_buffer = kChunk;
        return true;
    }
    static boolean Empty(j_compress_ptr info) { return Keep(info, kChunk) ? TRUE : FALSE; }
    static void Term(j_compress_ptr info) { Keep(info, kChunk - Of(info).base.free_in_buffer); }
};

}  // namespace

struct JpegEncoder::State {
    jpeg_compress_struct info{};
    ErrorManager errors{};
    StringDestination destination;
    JSAMPROW source = nullptr;  // the caller's row being written

    State() {
        InstallErrorManager(errors, *reinterpret_cast<jpeg_common_struct*>(&info));
        destination.base.init_destination = StringDestination::Init;
        destination.base.empty_output_buffer = StringDestination::Empty;
        destination.base.term_destination = StringDestination::Term;
    }
    ~State() { jpeg_destroy_compress(&info); }
};

namespace {

bool StartEncoding(JpegEncoder::State& s, std::int32_t width, std::int32_t height, int quality) {
    if (setjmp(s.errors.mark) != 0) return false;
    jpeg_create_compress(&s.info);
    s.info.dest = &s.destination.base;
    s.info.image_width = static_cast<JDIMENSION>(width);
    s.info.image_height = static_cast<JDIMENSION>(height);
    s.info.input_components = 3;
    s.info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&s.info);
    jpeg_set_quality(&s.info, quality, TRUE);
    jpeg_start_compress(&s.info, TRUE);
    return true;
}

// The row comes from s.source, set by the caller.
bool WriteRowFrom(JpegEncoder::State& s) {
    if (setjmp(s.errors.mark) != 0) return false;
    jpeg_write_scanlines(&s.info, &s.source, 1);
    return true;
}

bool FinishEncoding(JpegEncoder::State& s) {
    if (setjmp(s.errors.mark) != 0) return false;
    jpeg_finish_compress(&s.info);
    return true;
}

}  // namespace

JpegEncoder::JpegEncoder(std::int32_t width, std::int32_t height, int quality) {
    if (width < 1 || height < 1) throw PictureError("JPEG error: the picture has no pixels");
    state_ = std::make_unique<State>();
    quality = quality < 1 ? 1 : quality > 100 ? 100 : quality;
    if (!StartEncoding(*state_, width, height, quality)) Fail(state_->errors);
}

JpegEncoder::~JpegEncoder() = default;

void JpegEncoder::WriteRow(const std::uint8_t* rgb) {
    state_->source = const_cast<JSAMPLE*>(rgb);  // libjpeg reads the row only
    if (!WriteRowFrom(*state_)) Fail(state_->errors);
}

std::string JpegEncoder::Finish() {
    if (!FinishEncoding(*state_)) Fail(state_->errors);
    return std::move(state_->destination.bytes);
}

RgbBitmap DecodeJpeg(std::string_view bytes) {
    JpegDecoder decoder(bytes);
    RgbBitmap bitmap;
    bitmap.width = decoder.Width();
    bitmap.height = decoder.Height();
    const auto rowBytes = static_cast<std::size_t>(bitmap.width) * 3;
    bitmap.pixels.resize(rowBytes * static_cast<std::size_t>(bitmap.height));
    for (std::int32_t y = 0; y < bitmap.height; ++y) decoder.ReadRow(bitmap.pixels.data() + rowBytes * y);
    return bitmap;
}

std::string EncodeJpeg(const RgbBitmap& bitmap, int quality) {
    if (bitmap.width < 1 || bitmap.height < 1 ||
        bitmap.pixels.size() != static_cast<std::size_t>(bitmap.width) * bitmap.height * 3) {
        throw PictureError("JPEG error: the picture has no pixels");
    }
    JpegEncoder encoder(bitmap.width, bitmap.height, quality);
    const auto rowBytes = static_cast<std::size_t>(bitmap.width) * 3;
    for (std::int32_t y = 0; y < bitmap.height; ++y) encoder.WriteRow(bitmap.pixels.data() + rowBytes * y);
    return encoder.Finish();
}

}  // namespace vellum::pictures

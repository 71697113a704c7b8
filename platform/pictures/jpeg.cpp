#include "jpeg.h"

// libjpeg's header needs the standard types first.
#include <cstddef>
#include <cstdio>
#include <csetjmp>

#include <jpeglib.h>

#include <cstdlib>

namespace vellum::pictures {
namespace {

// libjpeg reports fatal errors through error_exit, which must not return:
// jump back to the call that set the mark and report the message code there.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf mark;
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

[[noreturn]] void FailWithCode(int code) { throw PictureError("JPEG error #" + std::to_string(code)); }

// Adobe CMYK JPEGs store inverted inks: white is 255 in every channel.
void CmykRowToRgb(const std::uint8_t* cmyk, std::uint8_t* rgb, JDIMENSION width) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
        rgb[0] = static_cast<std::uint8_t>(cmyk[0] * cmyk[3] / 255);
        rgb[1] = static_cast<std::uint8_t>(cmyk[1] * cmyk[3] / 255);
        rgb[2] = static_cast<std::uint8_t>(cmyk[2] * cmyk[3] / 255);
    }
}

// The decoding steps that may jump; nothing with a destructor lives here.
// Returns 0 on success, else the libjpeg message code (or -1 for too large).
int DecodeInto(std::string_view bytes, RgbBitmap& bitmap, std::uint8_t*& cmykRow) {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    InstallErrorManager(errors, *reinterpret_cast<jpeg_common_struct*>(&info));
    if (setjmp(errors.mark) != 0) {
        const int code = errors.base.msg_code;
        jpeg_destroy_decompress(&info);
        return code == 0 ? 1 : code;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    if (static_cast<std::int64_t>(info.image_width) * info.image_height > kMaxPixels) {
        jpeg_destroy_decompress(&info);
        return -1;
    }
    jpeg_start_decompress(&info);
    bitmap.width = static_cast<std::int32_t>(info.output_width);
    bitmap.height = static_cast<std::int32_t>(info.output_height);
    bitmap.pixels.resize(static_cast<std::size_t>(bitmap.width) * bitmap.height * 3);
    if (cmyk) cmykRow = static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(bitmap.width) * 4));
    while (info.output_scanline < info.output_height) {
        std::uint8_t* row = bitmap.pixels.data() + static_cast<std::size_t>(info.output_scanline) * bitmap.width * 3;
        JSAMPROW target = cmyk ? cmykRow : row;
        if (target == nullptr) break;
        jpeg_read_scanlines(&info, &target, 1);
        if (cmyk) CmykRowToRgb(cmykRow, row, info.output_width);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return 0;
}

}  // namespace

RgbBitmap DecodeJpeg(std::string_view bytes) {
    RgbBitmap bitmap;
    std::uint8_t* cmykRow = nullptr;
    const int code = DecodeInto(bytes, bitmap, cmykRow);
    std::free(cmykRow);
    if (code == -1) throw PictureError("JPEG error: the picture has more than 100 million pixels");
    if (code != 0) FailWithCode(code);
    return bitmap;
}

namespace {

int EncodeInto(const RgbBitmap& bitmap, int quality, unsigned char*& buffer, unsigned long& size) {
    jpeg_compress_struct info{};
    ErrorManager errors{};
    InstallErrorManager(errors, *reinterpret_cast<jpeg_common_struct*>(&info));
    if (setjmp(errors.mark) != 0) {
        const int code = errors.base.msg_code;
        jpeg_destroy_compress(&info);
        return code == 0 ? 1 : code;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(bitmap.width);
    info.image_height = static_cast<JDIMENSION>(bitmap.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        auto* row = const_cast<JSAMPLE*>(bitmap.pixels.data() + static_cast<std::size_t>(info.next_scanline) * bitmap.width * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return 0;
}

}  // namespace

std::string EncodeJpeg(const RgbBitmap& bitmap, int quality) {
    if (bitmap.width < 1 || bitmap.height < 1 ||
        bitmap.pixels.size() != static_cast<std::size_t>(bitmap.width) * bitmap.height * 3) {
        throw PictureError("JPEG error: the picture has no pixels");
    }
    quality = quality < 1 ? 1 : quality > 100 ? 100 : quality;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const int code = EncodeInto(bitmap, quality, buffer, size);
    std::string encoded;
    if (code == 0) encoded.assign(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    if (code != 0) FailWithCode(code);
    return encoded;
}

}  // namespace vellum::pictures

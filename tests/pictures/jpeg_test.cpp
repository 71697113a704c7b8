#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "convert.h"
#include "jpeg.h"

namespace vellum::pictures {
namespace {

RgbBitmap Gradient(int width, int height) {
    RgbBitmap bitmap{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bitmap.pixels.push_back(static_cast<std::uint8_t>(x * 255 / width));
            bitmap.pixels.push_back(static_cast<std::uint8_t>(y * 255 / height));
            bitmap.pixels.push_back(128);
        }
    }
    return bitmap;
}

// A valid stream whose frame header claims another size: the data runs out
// long before the rows do.
std::string ClaimingSize(std::string jpeg, std::uint16_t width, std::uint16_t height) {
    const auto frame = jpeg.find("\xFF\xC0");
    EXPECT_NE(frame, std::string::npos);
    jpeg[frame + 5] = static_cast<char>(height >> 8), jpeg[frame + 6] = static_cast<char>(height & 0xFF);
    jpeg[frame + 7] = static_cast<char>(width >> 8), jpeg[frame + 8] = static_cast<char>(width & 0xFF);
    return jpeg;
}

// Peak resident memory of a child process doing `work`, in kilobytes.
long PeakKilobytesOfChild(const std::function<void()>& work) {
    const pid_t child = fork();
    if (child == 0) {
        try {
            work();
        } catch (...) {
        }
        _exit(0);
    }
    int status = 0;
    rusage usage{};
    EXPECT_EQ(wait4(child, &status, 0, &usage), child);
    return usage.ru_maxrss;
}

TEST(ConvertJpeg, PassesRowsFromDecoderToEncoderLikeTheWholeBitmap) {
    const std::string jpeg = EncodeJpeg(Gradient(70, 33), 90);
    for (int quality : {1, 75, 100}) {
        const JpegPicture converted = ConvertToJpeg(PictureKind::Jpeg, jpeg, quality);
        EXPECT_EQ(converted.width, 70);
        EXPECT_EQ(converted.height, 33);
        EXPECT_EQ(converted.data, EncodeJpeg(DecodeJpeg(jpeg), quality));
    }
}

// A short file claiming a large picture decodes as libjpeg pads it, without
// memory that grows with the claimed area (whole, it would take 60 MB).
TEST(ConvertJpeg, ACutOffStreamClaimingALargePictureStaysSmallInMemory) {
    const std::string claiming = ClaimingSize(EncodeJpeg(Gradient(64, 64), 75), 10000, 2000);
    const long baseline = PeakKilobytesOfChild([] {});
    JpegPicture converted;
    const long peak = PeakKilobytesOfChild([&] { converted = ConvertToJpeg(PictureKind::Jpeg, claiming, 75); });
    EXPECT_LT(peak - baseline, 16 * 1024) << peak << " KB against " << baseline << " KB";
    converted = ConvertToJpeg(PictureKind::Jpeg, claiming, 75);
    EXPECT_EQ(converted.width, 10000);
    EXPECT_EQ(converted.height, 2000);
}

// A 16 x 16 JPEG written by libjpeg directly: four-component (stored the
// Adobe way, 255 meaning no ink) or progressive three-component.
std::string LibjpegFile(bool cmyk, bool progressive, const std::vector<std::uint8_t>& pixel) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = info.image_height = 16;
    info.input_components = cmyk ? 4 : 3;
    info.in_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<std::uint8_t> row;
    for (int x = 0; x < 16; ++x) row.insert(row.end(), pixel.begin(), pixel.end());
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string file(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return file;
}

TEST(ConvertJpeg, CmykAndProgressivePicturesGiveTheirColours) {
    struct Case {
        const char* name;
        bool cmyk, progressive;
        std::vector<std::uint8_t> stored;
        std::vector<int> rgb;
    };
    const Case cases[] = {
        {"cmyk white", true, false, {255, 255, 255, 255}, {255, 255, 255}},
        {"cmyk cyan", true, false, {0, 255, 255, 255}, {0, 255, 255}},
        {"cmyk black", true, false, {255, 255, 255, 0}, {0, 0, 0}},
        {"progressive orange", false, true, {250, 120, 10}, {250, 120, 10}},
    };
    for (const Case& c : cases) {
        const JpegPicture converted = ConvertToJpeg(PictureKind::Jpeg, LibjpegFile(c.cmyk, c.progressive, c.stored), 100);
        const RgbBitmap back = DecodeJpeg(converted.data);
        ASSERT_EQ(back.pixels.size(), 16u * 16u * 3u) << c.name;
        for (int channel = 0; channel < 3; ++channel) {
            EXPECT_NEAR(back.pixels[8 * 16 * 3 + 8 * 3 + channel], c.rgb[channel], 6) << c.name << " channel " << channel;
        }
    }
}

TEST(ConvertJpeg, TheCapAndDamageFailWithTheDecodersMessage) {
    const std::string jpeg = EncodeJpeg(Gradient(16, 16), 75);
    const auto errorOf = [](std::string_view bytes, std::int64_t maxPixels = kMaxPixels) -> std::string {
        try {
            ConvertToJpeg(PictureKind::Jpeg, bytes, 75, maxPixels);
        } catch (const PictureError& error) {
            return error.what();
        }
        return "";
    };
    EXPECT_EQ(errorOf(jpeg, 255), "JPEG error: the picture has more than 100 million pixels");
    EXPECT_EQ(errorOf(jpeg, 256), "");
    EXPECT_TRUE(errorOf("").starts_with("JPEG error #"));
    EXPECT_TRUE(errorOf(ClaimingSize(jpeg, 0, 16)).starts_with("JPEG error #"));
    for (std::size_t length = 0; length < jpeg.size(); length += 5) {
        const std::string message = errorOf(std::string_view(jpeg).substr(0, length));
        if (!message.empty()) {
            EXPECT_TRUE(message.starts_with("JPEG error #")) << message;
        }
    }
}

}  // namespace
}  // namespace vellum::pictures

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>

#include "jpeg.h"
#include "jpeg_markers.h"
#include "lossless.h"

namespace vellum::pictures {
namespace {

std::string Baseline() {
    return EncodeJpeg(RgbBitmap{5, 3, std::vector<std::uint8_t>(5 * 3 * 3, 0x80)}, 90);
}

std::string WithMarker(std::string jpeg, const std::string& from, const std::string& to) {
    const auto at = jpeg.find(from);
    EXPECT_NE(at, std::string::npos) << "no such marker in the test stream";
    return jpeg.replace(at, from.size(), to);
}

// After SOI: an Adobe APP14 segment with the transform given.
std::string WithAdobe(std::string jpeg, char transform) {
    return jpeg.insert(2, std::string("\xFF\xEE\x00\x0E" "Adobe\x00\x64\x00\x00\x00\x00", 15) + transform);
}

struct Case {
    const char* name;
    std::function<std::string(std::string)> change;
    JpegVerdict verdict;
    const char* reason;  // a part of it
};

TEST(JpegMarkers, TellsWhatReadersShowFromWhatIsDecoded) {
    const Case cases[] = {
        {"baseline", [](std::string j) { return j; }, JpegVerdict::Embeddable, ""},
        {"extended sequential", [](std::string j) { return WithMarker(j, "\xFF\xC0", "\xFF\xC1"); },
         JpegVerdict::Embeddable, ""},
        {"trailing bytes after EOI", [](std::string j) { return j + "junk"; }, JpegVerdict::Embeddable, ""},
        {"arithmetic coding", [](std::string j) { return WithMarker(j, "\xFF\xC0", "\xFF\xC9"); },
         JpegVerdict::NeedsDecoding, "Huffman"},
        {"lossless process", [](std::string j) { return WithMarker(j, "\xFF\xC0", "\xFF\xC3"); },
         JpegVerdict::NeedsDecoding, "Huffman"},
        {"12-bit samples",
         [](std::string j) {
             return WithMarker(j, std::string("\xFF\xC0\x00\x11\x08", 5), std::string("\xFF\xC0\x00\x11\x0C", 5));
         },
         JpegVerdict::NeedsDecoding, "8-bit"},
        {"no EOI", [](std::string j) { return j.substr(0, j.size() - 2); }, JpegVerdict::NeedsDecoding, "scan"},
        {"cut in a header", [](std::string j) { return j.substr(0, 30); }, JpegVerdict::NeedsDecoding, "past the end"},
        {"no SOI", [](std::string j) { return j.substr(2); }, JpegVerdict::NeedsDecoding, "SOI"},
        {"empty", [](std::string) { return std::string(); }, JpegVerdict::NeedsDecoding, "SOI"},
        {"scan before frame", [](std::string j) { return WithMarker(j, "\xFF\xC0", "\xFF\xE5"); },
         JpegVerdict::NeedsDecoding, "before the frame"},
        {"two frames", [](std::string j) { return WithMarker(j, "\xFF\xC4", "\xFF\xC1"); },
         JpegVerdict::NeedsDecoding, ""},
        {"zero-length segment",
         [](std::string j) { return WithMarker(j, "\xFF\xDB", std::string("\xFF\xDB\x00\x00", 4)); },
         JpegVerdict::NeedsDecoding, "past the end"},
    };
    for (const Case& c : cases) {
        const JpegScan scan = ScanJpeg(c.change(Baseline()));
        EXPECT_EQ(scan.verdict, c.verdict) << c.name << ": " << scan.reason;
        EXPECT_NE(scan.reason.find(c.reason), std::string::npos) << c.name << ": " << scan.reason;
    }
}

TEST(JpegMarkers, DescribesWhatIsPassedThrough) {
    const JpegScan scan = ScanJpeg(Baseline());
    EXPECT_EQ((std::tuple{scan.frame.width, scan.frame.height, scan.frame.components, scan.frame.jfif}),
              (std::tuple{5, 3, 3, true}));
    const LosslessPicture plain = DecodeLossless(PictureKind::Jpeg, Baseline());
    EXPECT_TRUE(plain.passthrough);
    EXPECT_TRUE(plain.samples.empty());
    EXPECT_FALSE(plain.invertedCmyk);
    const JpegScan adobe = ScanJpeg(WithAdobe(Baseline(), 1));
    EXPECT_EQ((std::tuple{adobe.frame.adobe, adobe.frame.adobeTransform}), (std::tuple{true, 1}));
    // Cut short, it is decoded as the JPEG encoding decodes it: every row.
    const LosslessPicture decoded = DecodeLossless(PictureKind::Jpeg, Baseline().substr(0, Baseline().size() - 2));
    EXPECT_FALSE(decoded.passthrough);
    EXPECT_EQ(decoded.samples.size(), 5u * 3 * 3);
    // Not a JPEG at all: the decoder's message, as ever.
    EXPECT_THROW(DecodeLossless(PictureKind::Jpeg, "not a picture"), PictureError);
}

}  // namespace
}  // namespace vellum::pictures

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "document.h"
#include "errors.h"
#include "jpeg.h"
#include "test_support.h"

namespace vellum {
namespace {

// A picture with four coloured quarters, easy to recognise after a round trip.
pictures::RgbBitmap Quarters(int width, int height) {
    pictures::RgbBitmap bitmap{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            const std::uint8_t rgb[3] = {static_cast<std::uint8_t>(right ? 255 : 0),
                                         static_cast<std::uint8_t>(bottom ? 255 : 0),
                                         static_cast<std::uint8_t>(right && bottom ? 0 : 200)};
            bitmap.pixels.insert(bitmap.pixels.end(), rgb, rgb + 3);
        }
    }
    return bitmap;
}

class Images : public ::testing::Test {
protected:
    void SetUp() override {
        doc.ResetDocument();
        doc.SetUnitOfMeasure("pdfu");
        jpegPath = scratch.File("quarters.jpg");
        test::WriteFile(jpegPath, pictures::EncodeJpeg(Quarters(64, 48), 90));
    }
    TPDFDoc doc;
    test::ScratchFolder scratch;
    std::string jpegPath;
};

TEST_F(Images, AJpegIsDecodedAndEncodedAgain) {
    EXPECT_EQ(doc.ImportImageFile(jpegPath, 75), 0);
    const TPDFImage& image = (*doc.Images)[0];
    EXPECT_EQ(image.ObjectNumber, 21);
    EXPECT_EQ(image.PixelWidth, 64);
    EXPECT_EQ(image.PixelHeight, 48);
    EXPECT_EQ(image.ImageData, pictures::EncodeJpeg(pictures::DecodeJpeg(test::ReadFile(jpegPath)), 75));
    EXPECT_EQ(image.PDF_Binary(), "21 0 obj\r\n<<\r\n/Type /XObject\r\n/Subtype /Image\r\n/Name /Im0\r\n/Width 64\r\n"
                                  "/Height 48\r\n/BitsPerComponent 8\r\n/ColorSpace /DeviceRGB\r\n/Length " +
                                      std::to_string(image.ImageData.size()) +
                                      "\r\n/Filter /DCTDecode\r\n>>\r\nstream\r\n" + image.ImageData +
                                      "\r\nendstream\r\nendobj\r\n");
    EXPECT_EQ(doc.ImageWidth(0), 64);
    EXPECT_EQ(doc.ImageHeight(0), 48);
    EXPECT_EQ(doc.ImageWidth(1), 0);
}

TEST_F(Images, TheLoaderFollowsTheExtension) {
    const std::string upper = scratch.File("PHOTO.JPG");
    test::WriteFile(upper, test::ReadFile(jpegPath));
    EXPECT_EQ(doc.ImportImageFile(upper, 50), 0);
    for (const char* name : {"photo.jpeg", "photo", "dir.jpg/photo", "photo.png"}) {
        EXPECT_EQ(doc.ImportImageFile(scratch.File(name), 50), std::nullopt) << name;
    }
    EXPECT_EQ(doc.Images->Count(), 1u);
}

TEST_F(Images, AFailedLoadUsesUpItsNumber) {
    const std::string missing = scratch.File("missing.jpg");
    try {
        doc.ImportImageFile(missing, 50);
        ADD_FAILURE();
    } catch (const EngineError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot open file \"" + missing + "\". No such file or directory");
    }
    const std::string notJpeg = scratch.File("text.jpg");
    test::WriteFile(notJpeg, "plain text");
    try {
        doc.ImportImageFile(notJpeg, 50);
        ADD_FAILURE();
    } catch (const EngineError& error) {
        EXPECT_TRUE(std::string(error.what()).starts_with("JPEG error #")) << error.what();
    }
    EXPECT_EQ(doc.ImportImageFile(jpegPath, 50), 2);
    ASSERT_EQ(doc.Images->Count(), 3u);
    EXPECT_EQ((*doc.Images)[0].PixelWidth, 0);
    EXPECT_NE((*doc.Images)[0].PDF_Binary().find("/Width 0\r\n/Height 0\r\n"), std::string::npos);
    EXPECT_NE((*doc.Images)[0].PDF_Binary().find("/Length 0\r\n/Filter /DCTDecode\r\n>>\r\nstream\r\n\r\nendstream"),
              std::string::npos);
    EXPECT_NE(doc.ResourcesPDF_Binary().find("/XObject\r\n<<\r\n/Im0 21 0 R \r\n/Im1 22 0 R \r\n/Im2 23 0 R \r\n>>\r\n"),
              std::string::npos);
}

TEST_F(Images, PlacementFlipsAgainstThePagesOwnHeight) {
    doc.ImportImageFile(jpegPath, 50);
    doc.NewPage();
    doc.SetPageDimensions(300, 400);
    const auto before = doc.Page(2).PageValue.size();
    doc.Page(2).DrawImage(0, 10, 20, 100.125, 50);
    doc.Page(2).DrawImage(1, 10, 20, 100, 50);
    doc.Page(2).DrawImage(-1, 10, 20, 100, 50);
    EXPECT_EQ(doc.Page(2).PageValue.substr(before), "q 100.13 0 0 50 10 330 cm /Im0 Do Q\r\n");
    doc.SetUnitOfMeasure("mm");
    doc.Page(1).DrawImage(0, 10, 10, 20, 20);
    EXPECT_TRUE(doc.Page(1).PageValue.ends_with("q 56.67 0 0 56.67 28.33 757 cm /Im0 Do Q\r\n"))
        << doc.Page(1).PageValue;
    EXPECT_THROW(doc.Page(1).DrawImage(0, std::nan(""), 0, 1, 1), EngineError);
}

TEST_F(Images, ReadersShowThePlacedPicture) {
    doc.ImportImageFile(jpegPath, 95);
    doc.Page(1).DrawImage(0, 100, 100, 200, 150);
    const std::string path = scratch.File("image.pdf");
    doc.SaveToFile(path);
    EXPECT_TRUE(test::QpdfCheckIsClean(path));
    const auto images = test::RunCommand("pdfimages -list " + test::ShellQuote(path));
    EXPECT_NE(images.output.find("   1     0 image      64    48  rgb     3   8  jpeg"), std::string::npos)
        << images.output;
    const auto render = test::RunCommand("pdftoppm -r 72 -singlefile " + test::ShellQuote(path) + " " +
                                         test::ShellQuote(scratch.File("page")));
    ASSERT_EQ(render.output, "");
    // The top-left quarter is blue-ish, the bottom-right yellow, at their places on the page.
    std::istringstream ppm(test::ReadFile(scratch.File("page.ppm")));
    std::string magic;
    int width = 0, height = 0, maximum = 0;
    ppm >> magic >> width >> height >> maximum;
    ppm.get();
    const std::string pixels((std::istreambuf_iterator<char>(ppm)), {});
    auto pixel = [&](int x, int y, int channel) {
        return static_cast<unsigned char>(pixels[(static_cast<std::size_t>(y) * width + x) * 3 + channel]);
    };
    EXPECT_LT(pixel(140, 130, 0), 60);   // top-left: no red
    EXPECT_GT(pixel(140, 130, 2), 150);  // ... much blue
    EXPECT_GT(pixel(260, 230, 0), 200);  // bottom-right: red and green
    EXPECT_GT(pixel(260, 230, 1), 200);
    EXPECT_LT(pixel(260, 230, 2), 60);
    EXPECT_EQ(pixel(50, 50, 0), 255);    // outside: white paper
}

// A 24-bit bottom-up bitmap file of one colour.
std::string BitmapFile(int width, int height, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    const int rowBytes = (width * 3 + 3) / 4 * 4;
    const int imageBytes = rowBytes * height;
    std::string file;
    auto put16 = [&](int value) { file += static_cast<char>(value & 255), file += static_cast<char>(value >> 8 & 255); };
    auto put32 = [&](int value) { put16(value & 0xFFFF), put16(value >> 16 & 0xFFFF); };
    file += "BM";
    put32(54 + imageBytes), put32(0), put32(54);
    put32(40), put32(width), put32(height), put16(1), put16(24), put32(0), put32(imageBytes), put32(2835), put32(2835),
        put32(0), put32(0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            file += static_cast<char>(blue), file += static_cast<char>(green), file += static_cast<char>(red);
        }
        file.append(static_cast<std::size_t>(rowBytes - width * 3), '\0');
    }
    return file;
}

TEST_F(Images, EveryPictureKindIsEncodedAsJpeg) {
    const std::string bmp = scratch.File("red.BMP");
    test::WriteFile(bmp, BitmapFile(5, 3, 255, 0, 0));
    EXPECT_EQ(doc.ImportImageFile(bmp, 90), 0);
    EXPECT_EQ(doc.ImageWidth(0), 5);
    EXPECT_EQ(doc.ImageHeight(0), 3);
    const auto decoded = pictures::DecodeJpeg((*doc.Images)[0].ImageData);
    EXPECT_GT(decoded.pixels[0], 240);  // red survives the round trip
    EXPECT_LT(decoded.pixels[1], 20);

    const std::string broken = scratch.File("broken.bmp");
    test::WriteFile(broken, "BM not really");
    try {
        doc.ImportImageFile(broken, 90);
        ADD_FAILURE();
    } catch (const EngineError& error) {
        EXPECT_EQ(std::string(error.what()), "Bitmap image is not valid");
    }
    const std::string icon = scratch.File("icon.ico");
    test::WriteFile(icon, "\0\0\1\0");
    EXPECT_THROW(doc.ImportImageFile(icon, 90), EngineError);
    EXPECT_EQ(doc.Images->Count(), 3u);
}

TEST(Jpeg, OddInputsFailWithTheDecodersCode) {
    EXPECT_THROW(pictures::DecodeJpeg(""), pictures::PictureError);
    const std::string valid = pictures::EncodeJpeg(Quarters(16, 16), 80);
    for (std::size_t length = 0; length < valid.size(); length += 7) {
        try {
            const auto bitmap = pictures::DecodeJpeg(std::string_view(valid).substr(0, length));
            EXPECT_EQ(bitmap.pixels.size(), 16u * 16u * 3u);  // a cut-off stream still decodes, padded
        } catch (const pictures::PictureError& error) {
            EXPECT_TRUE(std::string(error.what()).starts_with("JPEG error #")) << error.what();
        }
    }
    EXPECT_THROW(pictures::EncodeJpeg(pictures::RgbBitmap{}, 50), pictures::PictureError);
    // Quality is taken as 1..100.
    const auto bitmap = Quarters(32, 32);
    EXPECT_EQ(pictures::EncodeJpeg(bitmap, 0), pictures::EncodeJpeg(bitmap, 1));
    EXPECT_EQ(pictures::EncodeJpeg(bitmap, 255), pictures::EncodeJpeg(bitmap, 100));
    EXPECT_NE(pictures::EncodeJpeg(bitmap, 44), pictures::EncodeJpeg(bitmap, 45));
}

}  // namespace
}  // namespace vellum

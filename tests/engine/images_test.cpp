#include <gtest/gtest.h>

#include <zlib.h>

#include <cmath>
#include <filesystem>
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

// A 2 x 1 RGB PNG written from the format: signature, IHDR, IDAT, IEND.
std::string TinyPng() {
    const auto big32 = [](std::string& out, std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
    };
    std::string png("\x89PNG\r\n\x1a\n", 8);
    const auto chunk = [&](std::string type, const std::string& data) {
        big32(png, static_cast<std::uint32_t>(data.size()));
        const std::string body = type + data;
        png += body;
        big32(png, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size())));
    };
    std::string header;
    big32(header, 2), big32(header, 1);
    header += std::string("\x08\x02\x00\x00\x00", 5);
    const std::string raw("\x00\xFF\x00\x00\x00\x00\xFF", 7);  // filter 0, red, blue
    uLongf size = compressBound(raw.size());
    std::string compressed(size, '\0');
    compress(reinterpret_cast<Bytef*>(compressed.data()), &size, reinterpret_cast<const Bytef*>(raw.data()), raw.size());
    compressed.resize(size);
    chunk("IHDR", header);
    chunk("IDAT", compressed);
    chunk("IEND", "");
    return png;
}

TEST_F(Images, TheFourExtensionsChooseTheLoaderAndContentDecidesForOthers) {
    const std::string jpeg = test::ReadFile(jpegPath);
    std::filesystem::create_directory(scratch.File("dir.jpg"));
    struct Case {
        const char* name;
        std::string content;
        int width;  // of the picture loaded, or 0 when the import must fail
        std::string error;
    };
    const Case cases[] = {
        {"PHOTO.JPG", jpeg, 64, ""},
        {"photo.jpeg", jpeg, 64, ""},
        {"photo.JPE", jpeg, 64, ""},
        {"photo.jfif", jpeg, 64, ""},
        {"photo", jpeg, 64, ""},
        {"dir.jpg/photo", jpeg, 64, ""},
        {"picture.png", TinyPng(), 2, ""},
        {"picture.PNG", TinyPng(), 2, ""},
        {"picture", TinyPng(), 2, ""},
        {"photo.png", jpeg, 64, ""},
        // The four extensions keep their loaders whatever the content.
        {"picture.bmp", TinyPng(), 0, "Bitmap image is not valid"},
        {"photo.jpg", TinyPng(), 0, "JPEG error #"},
    };
    std::int32_t expectedNumber = 0;
    for (const Case& c : cases) {
        const std::string path = scratch.File(c.name);
        test::WriteFile(path, c.content);
        try {
            EXPECT_EQ(doc.ImportImageFile(path, 50), expectedNumber) << c.name;
            EXPECT_EQ(doc.ImageWidth(expectedNumber), c.width) << c.name;
        } catch (const EngineError& error) {
            EXPECT_TRUE(!c.error.empty() && std::string(error.what()).starts_with(c.error)) << c.name << ": " << error.what();
        }
        ++expectedNumber;
    }
    EXPECT_EQ(doc.Images->Count(), std::size(cases));
}

TEST_F(Images, ContentThatIsNoPictureFailsAndAddsNothing) {
    for (const std::string& content : {std::string("plain text"), std::string(), std::string("\x89PNG", 4)}) {
        const std::string path = scratch.File("notes.png");
        test::WriteFile(path, content);
        try {
            doc.ImportImageFile(path, 50);
            ADD_FAILURE() << content;
        } catch (const EngineError& error) {
            EXPECT_EQ(std::string(error.what()), "Unsupported picture format: " + path);
        }
    }
    const std::string missing = scratch.File("missing.png");
    try {
        doc.ImportImageFile(missing, 50);
        ADD_FAILURE();
    } catch (const EngineError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot open file \"" + missing + "\". No such file or directory");
    }
    EXPECT_EQ(doc.Images->Count(), 0u);
    EXPECT_EQ(doc.ImportImageFile(jpegPath, 50), 0);  // numbering untouched
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
    EXPECT_EQ(doc.ImageWidth(0), 0);
    EXPECT_EQ(doc.ImageHeight(1), 0);
    EXPECT_NE(doc.ResourcesPDF_Binary().find("/XObject\r\n<<\r\n/Im0 21 0 R \r\n/Im1 22 0 R \r\n/Im2 23 0 R \r\n>>\r\n"),
              std::string::npos);
}

// A failed entry is written as one white pixel that every reader accepts, and
// drawing it adds nothing to the page.
TEST_F(Images, AFailedEntryIsAValidBlankImageThatIsNeverDrawn) {
    test::WriteFile(scratch.File("broken.bmp"), "BM broken");
    EXPECT_THROW(doc.ImportImageFile(scratch.File("broken.bmp"), 50), EngineError);
    EXPECT_EQ((*doc.Images)[0].PDF_Binary(),
              "21 0 obj\r\n<<\r\n/Type /XObject\r\n/Subtype /Image\r\n/Name /Im0\r\n/Width 1\r\n/Height 1\r\n"
              "/BitsPerComponent 8\r\n/ColorSpace /DeviceRGB\r\n/Length 3\r\n>>\r\nstream\r\n\xFF\xFF\xFF\r\n"
              "endstream\r\nendobj\r\n");
    const auto before = doc.Page(1).PageValue;
    doc.Page(1).DrawImage(0, 10, 10, 100, 100);
    EXPECT_EQ(doc.Page(1).PageValue, before);

    // Drawn by hand all the same, the image renders without complaint.
    AppendContent(doc.Page(1), "q 100 0 0 100 10 10 cm /Im0 Do Q\r\n");
    const std::string path = scratch.File("blank.pdf");
    doc.SaveToFile(path);
    EXPECT_TRUE(test::QpdfCheckIsClean(path));
    const auto render = test::RunCommand("pdftoppm -r 10 -singlefile " + test::ShellQuote(path) + " " +
                                         test::ShellQuote(scratch.File("blank")));
    EXPECT_EQ(render.status, 0);
    EXPECT_EQ(render.output, "");  // no "Bad image parameters" or any other complaint
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

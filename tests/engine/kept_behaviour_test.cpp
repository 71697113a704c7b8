// Behaviour kept on purpose because existing callers and their documents rely
// on it, odd as it looks: each test here fails if someone "fixes" it.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

#include "document.h"
#include "errors.h"
#include "jpeg.h"
#include "pdf_object.h"
#include "test_support.h"

namespace vellum {
namespace {

constexpr const char* kFonts = "/usr/share/fonts/truetype/liberation/";

std::string FontFile(const char* name) { return std::string(kFonts) + name; }

// The first font descriptor of a file, from its name to its program reference.
std::string DescriptorOf(const std::string& pdf) {
    const std::size_t start = pdf.find("/FontName ");
    const std::size_t end = pdf.find("/FontFile2 ", start);
    return start == std::string::npos || end == std::string::npos ? "" : pdf.substr(start, end - start);
}

std::string FixedDescriptor(const std::string& fontName) {
    return "/FontName /" + fontName +
           "\r\n/Ascent 760\r\n/CapHeight 500\r\n/Descent -240\r\n/Flags 32\r\n/FontBBox [-167 -236 1273 963]\r\n"
           "/ItalicAngle 0\r\n/StemV 0\r\n/AvgWidth 449\r\n/Leading 200\r\n/MaxWidth 1440\r\n/XHeight 250\r\n";
}

// Documents made with earlier releases show these names and metrics whatever
// the face: readers that compare them must see the same ones.
TEST(KeptBehaviour, EveryTrueTypeFontHasTheSameDescriptor) {
    using Add = std::function<std::string(TPDFDoc&)>;
    const struct {
        const char* what;
        Add add;
        const char* fontName;
    } cases[] = {
        {"sans", [](TPDFDoc& d) { return d.AddTrueTypeFont("Sans", FontFile("LiberationSans-Regular.ttf")); },
         "AvantGardeBkBT"},
        {"serif bold",
         [](TPDFDoc& d) { return d.AddTrueTypeFont("Serif", FontFile("LiberationSerif-Bold.ttf")); },
         "AvantGardeBkBT"},
        {"kerning factor",
         [](TPDFDoc& d) {
             return d.AddTrueTypeFontModKern("Serif", FontFile("LiberationSerif-Italic.ttf"), 1.25);
         },
         "AvantGardeBkBT"},
        {"monospaced",
         [](TPDFDoc& d) {
             return d.AddTrueTypeFontMonospaced("Sans", FontFile("LiberationSans-Regular.ttf"), 600);
         },
         "Courier"},
    };
    for (const auto& c : cases) {
        TPDFDoc doc;
        doc.ResetDocument();
        ASSERT_EQ(c.add(doc).rfind("/F", 0), 0u) << c.what;
        EXPECT_EQ(DescriptorOf(doc.SaveToByteArray()), FixedDescriptor(c.fontName)) << c.what;
    }
}

// A fresh document scales by six decimals, a chosen "mm" by seven, and text
// widths in points use two more factors: positions and sizes in existing
// callers' documents depend on every one of them.
TEST(KeptBehaviour, TheMillimetreFactors) {
    TPDFDoc doc;
    doc.ResetDocument();
    EXPECT_EQ(doc.UnitFactor(), 2.833333);
    doc.SetUnitOfMeasure("mm");
    EXPECT_EQ(doc.UnitFactor(), 2.8333333);

    const TPage& page = doc.Page(1);
    const double millimetres = page.TextWidth("Kept", "/F1");
    ASSERT_GT(millimetres, 0);
    doc.SetUnitOfMeasure("pdfu");
    EXPECT_DOUBLE_EQ(page.TextWidth("Kept", "/F1"), millimetres * 2.83333);
    EXPECT_DOUBLE_EQ(page.InternalTextWidth("Kept", "/F1"), millimetres * 2.8333333333333333);
}

// Fails the data of one stream, as a hook (encryption) may.
class FailingStream final : public ObjectHook {
public:
    explicit FailingStream(std::int32_t objectNumber) : objectNumber_(objectNumber) {}
    std::string_view Stream(std::int32_t objectNumber, std::string_view bytes, std::string& scratch) override {
        if (objectNumber == objectNumber_) throw std::runtime_error("refused");
        return ObjectHook::Stream(objectNumber, bytes, scratch);
    }

private:
    std::int32_t objectNumber_;
};

// Two pictures on a page, the second refused by the hook.
void AddTwoPictures(TPDFDoc& doc, const std::string& jpeg, ObjectHook* hook) {
    doc.ResetDocument();
    for (int i = 0; i < 2; ++i) doc.Page(1).DrawImage(doc.ImportImageFile(jpeg, 75), 10, 10, 20, 20);
    doc.Additions.hook = hook;
}

// Callers match these texts, Italian as they came, to tell a picture that
// could not be written from other failures; the file form names a 1-based
// position and the offset where the picture section begins, the byte-array
// form the picture's number and its 0-based index.
TEST(KeptBehaviour, PictureWriteFailuresKeepTheirItalianTexts) {
    test::ScratchFolder scratch;
    const std::string jpeg = scratch.File("grey.jpg");
    test::WriteFile(jpeg, pictures::EncodeJpeg(pictures::RgbBitmap{4, 4, std::vector<std::uint8_t>(48, 128)}, 75));
    TPDFDoc doc;
    AddTwoPictures(doc, jpeg, nullptr);
    const std::string firstPicture = "\r\n" + std::to_string((*doc.Images)[0].ObjectNumber) + " 0 obj\r\n";
    FailingStream refuseSecond((*doc.Images)[1].ObjectNumber);
    const std::size_t found = doc.SaveToByteArray().find(firstPicture);
    ASSERT_NE(found, std::string::npos);
    const std::size_t section = found + 2;

    const std::string target = scratch.File("out.pdf");
    const struct {
        const char* what;
        std::function<void(TPDFDoc&)> write;
        std::string expected;
    } cases[] = {
        {"file", [&](TPDFDoc& d) { d.SaveToFile(target); },
         "Errore in immagine:2 Dim:0 Pos.:" + std::to_string(section)},
        {"byte array", [](TPDFDoc& d) { d.SaveToByteArray(); }, "errore in PDF_Binary di oggetto TIMAGE 1 1"},
    };
    for (const auto& c : cases) {
        AddTwoPictures(doc, jpeg, &refuseSecond);
        try {
            c.write(doc);
            ADD_FAILURE() << c.what << ": the write succeeded";
        } catch (const EngineError& error) {
            EXPECT_EQ(error.what(), c.expected) << c.what;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(target));
}

}  // namespace
}  // namespace vellum

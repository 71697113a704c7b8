#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "document.h"
#include "errors.h"
#include "format.h"
#include "test_support.h"

namespace vellum {
namespace {

// Fixes the creation date for the lifetime of a test.
class FixedClock {
public:
    explicit FixedClock(const char* epoch) { setenv("SOURCE_DATE_EPOCH", epoch, 1); }
    ~FixedClock() { unsetenv("SOURCE_DATE_EPOCH"); }
};

// Assembles an expected file from object texts in writing order and computes
// the cross-reference section from their lengths, so no offset is typed by hand.
class ExpectedFile {
public:
    explicit ExpectedFile(int objectCount) : offsets_(objectCount, 0) {
        bytes_ = "%PDF-1.3\r\n%\xE4\xE3\xCF\xD2\r\n";
    }
    void Add(int number, const std::string& text) {
        offsets_[number - 1] = bytes_.size();
        bytes_ += text;
    }
    std::string Finish(int root, int info) {
        const auto xref = bytes_.size();
        const auto size = std::to_string(offsets_.size() + 1);
        bytes_ += "xref\r\n0 " + size + "\r\n0000000000 65535 f\r\n";
        for (auto offset : offsets_) {
            std::string line = std::to_string(offset);
            bytes_ += std::string(10 - line.size(), '0') + line + " 00000 n\r\n";
        }
        bytes_ += "trailer\r\n<<\r\n/Size " + size + "\r\n/Root " + std::to_string(root) + " 0 R\r\n/Info " +
                  std::to_string(info) + " 0 R\r\n>>\r\nstartxref\r\n" + std::to_string(xref) + "\r\n%%EOF";
        return bytes_;
    }

private:
    std::string bytes_;
    std::vector<std::size_t> offsets_;
};

std::string StandardFontObject(int number, const std::string& baseName, const std::string& face) {
    return std::to_string(number) + " 0 obj\r\n<</Type/Font\r\n/Subtype/Type1\r\n/Encoding /WinAnsiEncoding\r\n" +
           "/BaseFont/" + baseName + "\r\n/FirstChar 30/LastChar 255\r\n/Widths [ " + MeasureCharWidths(face) +
           "]\r\n>>\r\nendobj\r\n";
}

TEST(Writer, AFreshDocumentHasExactlyTheFixedLayout) {
    FixedClock clock("1700000000");  // 2023-11-14 22:13:20 UTC
    TPDFDoc doc;
    doc.ResetDocument();
    const std::string actual = doc.SaveToByteArray();

    const std::string pageContent = "0 0 0 rg\r\n0 0 0 RG\r\n";
    const std::string stream = CompressString(pageContent);
    ExpectedFile file(20);
    file.Add(20, "20 0 obj\r\n<<\r\n/Type /Page\r\n/Parent 6 0 R\r\n/Resources 2 0 R\r\n"
                 "/MediaBox[0 0 595 842]\r\n/Contents[19 0 R ]\r\n>>\r\nendobj\r\n");
    file.Add(19, "19 0 obj\r\n<</Length " + std::to_string(stream.size()) +
                     "\r\n/Filter /FlateDecode\r\n>>\r\nstream\r\n" + stream + "\r\nendstream\r\nendobj\r\n");
    const std::pair<const char*, const char*> fonts[] = {
        {"Courier", "Courier New"},         {"Helvetica", "Arial"},
        {"Times-Roman", "Times New Roman"}, {"Courier-Bold", "Courier New"},
        {"Helvetica-Bold", "Arial"},        {"Times-Bold", "Times New Roman"},
        {"Courier-Oblique", "Courier New"}, {"Helvetica-Oblique", "Arial"},
        {"Times-Italic", "Times New Roman"}, {"Courier-BoldOblique", "Courier New"},
        {"Helvetica-BoldOblique", "Arial"}, {"Times-BoldItalic", "Times New Roman"}};
    for (int i = 0; i < 12; ++i) file.Add(7 + i, StandardFontObject(7 + i, fonts[i].first, fonts[i].second));
    file.Add(5, "5 0 obj\r\n<<\r\n/Type /ViewerPreferences\r\n/FitWindow true\r\n>>\r\nendobj\r\n");
    file.Add(6, "6 0 obj\r\n<<\r\n/Type /Pages\r\n/Count 1\r\n/Kids [ 20 0 R ]\r\n>>\r\nendobj\r\n");
    file.Add(3, "3 0 obj\r\n<<\r\n/Type /Outlines\r\n>>\r\nendobj\r\n");
    std::string resources = "2 0 obj\r\n<<\r\n/ProcSet[/PDF/Text]\r\n/Font\r\n<<\r\n";
    for (int i = 0; i < 12; ++i) resources += "/F" + std::to_string(i) + " " + std::to_string(7 + i) + " 0 R \r\n";
    file.Add(2, resources + ">>\r\n>>\r\nendobj\r\n");
    file.Add(1, "1 0 obj\r\n<<\r\n/Type /Catalog\r\n/Pages 6 0 R\r\n/Outlines 3 0 R\r\n/ViewerPreferences 5 0 R\r\n"
                "/PageLayout /SinglePage\r\n/PageMode /UseNone\r\n>>\r\nendobj\r\n");
    file.Add(4, "4 0 obj\r\n<<\r\n/Creator (VellumXP v1.116)\r\n/Producer (" + std::string(kDefaultProducer) +
                    ")\r\n/Author ()\r\n/Keywords ()\r\n/Subject ()\r\n/CreationDate (D:20231114221320)\r\n"
                    "/Title ()\r\n>>\r\nendobj\r\n");
    const std::string expected = file.Finish(1, 4);

    EXPECT_EQ(test::Inflate(stream), pageContent);
    ASSERT_EQ(actual.size(), expected.size());
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(actual.find("20 0 obj"), 17u);
    EXPECT_TRUE(actual.ends_with("startxref\r\n" + std::to_string(actual.find("xref\r\n0 21\r\n")) + "\r\n%%EOF"));
}

// Checks the cross-reference section of any file against the bytes it indexes.
void ExpectConsistentCrossReference(const std::string& pdf) {
    const auto startxrefAt = pdf.rfind("startxref\r\n");
    ASSERT_NE(startxrefAt, std::string::npos);
    const std::size_t xrefAt = std::stoul(pdf.substr(startxrefAt + 11));
    ASSERT_EQ(pdf.compare(xrefAt, 6, "xref\r\n"), 0);
    const std::size_t headerEnd = pdf.find("\r\n", xrefAt + 6);
    const int count = std::stoi(pdf.substr(xrefAt + 8, headerEnd - xrefAt - 8));
    std::size_t line = headerEnd + 2;
    EXPECT_EQ(pdf.substr(line, 20), "0000000000 65535 f\r\n");
    for (int number = 1; number < count; ++number) {
        line += 20;
        const std::string entry = pdf.substr(line, 20);
        ASSERT_EQ(entry.substr(10), " 00000 n\r\n") << entry;
        ASSERT_EQ(entry.substr(0, 10).find_first_not_of("0123456789"), std::string::npos) << entry;
        const std::size_t offset = std::stoul(entry.substr(0, 10));
        const std::string objectStart = std::to_string(number) + " 0 obj\r\n";
        EXPECT_EQ(pdf.compare(offset, objectStart.size(), objectStart), 0) << "object " << number;
    }
    EXPECT_EQ(pdf.compare(line + 20, 9, "trailer\r\n"), 0);
    EXPECT_NE(pdf.find("/Size " + std::to_string(count) + "\r\n", line), std::string::npos);
}

TEST(Writer, EveryCrossReferenceEntryPointsAtItsObject) {
    TPDFDoc doc;
    doc.ResetDocument();
    for (int i = 0; i < 40; ++i) {
        doc.NewPage();
        AppendContent(doc.Page(doc.CurrentPageNumber()), std::string(static_cast<std::size_t>(i) * 37, 'x'));
    }
    const std::string pdf = doc.SaveToByteArray();
    ExpectConsistentCrossReference(pdf);
    EXPECT_NE(pdf.find("xref\r\n0 101\r\n"), std::string::npos);
}

TEST(Writer, PagesTreeListsEveryPageInOrder) {
    TPDFDoc doc;
    doc.ResetDocument();
    doc.NewPage();
    doc.NewPage();
    EXPECT_EQ(doc.Pages->PDF_Binary(),
              "6 0 obj\r\n<<\r\n/Type /Pages\r\n/Count 3\r\n/Kids [ 20 0 R 22 0 R 24 0 R ]\r\n>>\r\nendobj\r\n");
}

TEST(Writer, AnnotationsAppearOnlyOnPagesThatHaveThem) {
    TPDFDoc doc;
    doc.ResetDocument();
    TPage& page = doc.Page(1);
    EXPECT_EQ(page.PDF_Binary().find("/Annots"), std::string::npos);
    page.Annots.Add().ObjectNumber = 30;
    page.Annots.Add().ObjectNumber = 31;
    EXPECT_NE(page.PDF_Binary().find("/Contents[19 0 R ]\r\n/Annots [30 0 R 31 0 R ]\r\n>>\r\n"),
              std::string::npos);
}

TEST(Writer, CatalogNamesFollowTheFlags) {
    TPDFDoc doc;
    doc.ResetDocument();
    doc.SetUseOutlines(true);
    doc.SetSinglePage(false);
    const std::string catalog = doc.Root->PDF_Binary();
    EXPECT_NE(catalog.find("/PageLayout /OneColumn\r\n/PageMode /UseOutlines\r\n"), std::string::npos);
}

TEST(Writer, InformationKeepsBalancedTextAndEscapesTheRest) {
    TPDFDoc doc;
    doc.ResetDocument();
    TInfo& info = doc.RequireInfo();
    info.Title = "Report (draft)";
    info.Author = "A. (B) C";
    info.Subject = "smile :)";
    info.Keywords = "C:\\data";
    info.Creator = "Maker";
    const std::string text = info.PDF_Binary("20260101000000");
    EXPECT_NE(text.find("/Creator (Maker)\r\n/Producer (" + std::string(kDefaultProducer) + ")\r\n"
                        "/Author (A. (B) C)\r\n/Keywords (C:\\\\data)\r\n/Subject (smile :\\))\r\n"
                        "/CreationDate (D:20260101000000)\r\n/Title (Report (draft))\r\n>>\r\nendobj\r\n"),
              std::string::npos)
        << text;
}

TEST(Writer, TheDocumentIsClearedAfterASuccessfulWriteAndKeptAfterAFailedOne) {
    TPDFDoc doc;
    doc.ResetDocument();
    doc.SaveToByteArray();
    EXPECT_TRUE(doc.IsCleared());
    doc.ResetDocument();
    // A broken cross-reference invariant fails the write, which changes nothing.
    doc.Fonts->AddFontEntry();  // takes a number but has no text
    doc.NextObjectNumber();       // and a number nobody writes
    const std::int32_t objectCount = doc.ObjectCount();
    EXPECT_THROW(doc.SaveToByteArray(), EngineError);
    EXPECT_FALSE(doc.IsCleared());
    EXPECT_EQ(doc.ObjectCount(), objectCount);
}

}  // namespace
}  // namespace vellum

// Links, notes and the outline tree: exact object texts, and what independent
// readers find in the written file.
#include <gtest/gtest.h>

#include <cmath>

#include "document.h"
#include "errors.h"
#include "test_support.h"

namespace vellum {
namespace {

class Navigation : public ::testing::Test {
protected:
    void SetUp() override {
        doc.ResetDocument();
        doc.NewPage();
        doc.NewPage();  // pages 1..3: objects 20, 22, 24
        doc.SetUnitOfMeasure("pdfu");
    }
    const TAnnot& LastAnnot(std::int32_t page) { return doc.Page(page).Annots.Last(); }
    std::string Save() {
        const std::string path = scratch.File("navigation.pdf");
        doc.SaveToFile(path);
        return path;
    }
    std::string EntryText(std::size_t index) { return (*doc.Outlines)[index].PDF_Binary(); }
    // Numbers outline entries as the writer does, without writing.
    void NumberEntries() {
        for (TOutlineObj& entry : *doc.Outlines) entry.ObjectNumber = doc.NextObjectNumber();
    }

    TPDFDoc doc;
    test::ScratchFolder scratch;
};

TEST_F(Navigation, LinkObjectsByKind) {
    doc.CreateLinkInternal(1, {10, 20, 60, 30, 2, 255, 0, 0}, 1);
    EXPECT_EQ(LastAnnot(1).PDF_Binary(),
              "25 0 obj\r\n<<\r\n/Type /Annot /Subtype /Link\r\n/Rect [10.0 822.0 60.0 812.0]\r\n/C [1.00 0.00 0.00]\r\n"
              "/Border [0 0 2]\r\n/Dest [20 0 R /XYZ null null null]\r\n>>\r\nendobj\r\n");
    doc.CreateLinkExternal(1, {12.345, 0, 0, 0, 0, 0, 0, 510}, "C:\\docs\\a (1).pdf\r\xE9");
    EXPECT_EQ(LastAnnot(1).PDF_Binary(),
              "26 0 obj\r\n<<\r\n/Type /Annot /Subtype /Link\r\n/Rect [12.3 842.0 0.0 842.0]\r\n/C [0.00 0.00 2.00]\r\n"
              "/Border [0 0 0]\r\n/A << /Type /Action /S /GoToR /D [0 /FitB] /F (C:\\\\docs\\\\a \\(1\\).pdf\r\xE9) >>\r\n"
              ">>\r\nendobj\r\n");
    doc.CreateLinkInternet(1, {0, 0, 1, 1, -1, 0, 0, 0}, "https://example.org/?q=(x)");
    EXPECT_EQ(LastAnnot(1).PDF_Binary(),
              "27 0 obj\r\n<<\r\n/Type /Annot /Subtype /Link\r\n/Rect [0.0 842.0 1.0 841.0]\r\n/C [0.00 0.00 0.00]\r\n"
              "/Border [0 0 -1]\r\n/A << /Type /Action /S /URI\r\n/URI (https://example.org/?q=\\(x\\))\r\n>>\r\n"
              ">>\r\nendobj\r\n");
    EXPECT_NE(doc.Page(1).PDF_Binary().find("/Annots [25 0 R 26 0 R 27 0 R ]\r\n"), std::string::npos);
}

TEST_F(Navigation, NotesHaveAFixedSecondCornerAndNoBorder) {
    doc.SetUnitOfMeasure("mm");
    doc.AddTextAnnotation(2, 150, 120, "Remember (this)");
    const TAnnot& note = LastAnnot(2);
    EXPECT_EQ(note.AnnotColor, (std::array<double, 3>{0, 0, 1}));
    EXPECT_EQ(note.OutlineWidth, 1);
    EXPECT_EQ(note.PDF_Binary(), "25 0 obj\r\n<<\r\n/Type /Annot /Subtype /Text\r\n/Rect [425.0 502.0 283.3 615.3]\r\n"
                                 "/Contents (Remember \\(this\\))\r\n>>\r\nendobj\r\n");
    TAnnot copy = note;
    copy.Kind = AnnotKind::None;
    EXPECT_EQ(copy.PDF_Binary(), "");
}

TEST_F(Navigation, RectanglesFlipAgainstTheirOwnPage) {
    doc.SetPageDimensions(200, 400);  // page 3 only
    doc.CreateLinkInternet(3, {10, 20, 60, 30, 1, 0, 0, 0}, "u");
    EXPECT_EQ(LastAnnot(3).AnnotRect, (std::array<double, 4>{10, 380, 60, 370}));
}

TEST_F(Navigation, InternalLinksNeedAnExistingDestination) {
    doc.CreateLinkInternal(1, {0, 0, 1, 1, 1, 0, 0, 0}, 5);
    EXPECT_TRUE(doc.Page(1).Annots.Empty());
    EXPECT_THROW(doc.CreateLinkInternal(1, {0, 0, 1, 1, 1, 0, 0, 0}, 0), EngineError);
    EXPECT_THROW(doc.CreateLinkExternal(1, {std::nan(""), 0, 1, 1, 1, 0, 0, 0}, "x"), EngineError);
    EXPECT_THROW(doc.AddTextAnnotation(1, INFINITY, 0, "x"), EngineError);
    EXPECT_TRUE(doc.Page(1).Annots.Empty());
    EXPECT_EQ(doc.ObjectCount(), 24);
}

TEST_F(Navigation, SiblingsAndChildrenAreLinkedBothWays) {
    auto& outlines = *doc.Outlines;
    EXPECT_EQ(outlines.AddChildOutline({1, 0, 0, 0}, "One", -1), 1);
    EXPECT_EQ(outlines.AddChildOutline({2, 0, 0, 0}, "Two", -1), 2);
    EXPECT_EQ(outlines.AddChildOutline({3, 0, 0, 0}, "Three", -1), 3);
    EXPECT_EQ(outlines.AddChildOutline({1, 0, 0, 0}, "One.a", 1), 4);
    EXPECT_EQ(outlines.AddChildOutline({1, 0, 0, 0}, "One.b", 1), 5);
    EXPECT_EQ(outlines.AddChildOutline({1, 0, 0, 0}, "One.b.i", 5), 6);
    EXPECT_EQ(outlines.AddChildOutline({1, 0, 0, 0}, "Own number", 7), 7);  // top level
    NumberEntries();  // 25..31
    EXPECT_EQ(outlines.PDF_Binary(), "3 0 obj\r\n<<\r\n/Type /Outlines\r\n/Count 4\r\n/First 25 0 R\r\n/Last 31 0 R\r\n"
                                     ">>\r\nendobj\r\n");
    EXPECT_EQ(EntryText(0), "25 0 obj\r\n<<\r\n/Parent 3 0 R\r\n/First 28 0 R\r\n/Last 29 0 R\r\n/Count -2\r\n"
                            "/Next 26 0 R\r\n/Dest [20 0 R /XYZ null null null]\r\n/Title (One)\r\n>>\r\nendobj\r\n");
    EXPECT_EQ(EntryText(1), "26 0 obj\r\n<<\r\n/Parent 3 0 R\r\n/Next 27 0 R\r\n/Prev 25 0 R\r\n"
                            "/Dest [22 0 R /XYZ null null null]\r\n/Title (Two)\r\n>>\r\nendobj\r\n");
    EXPECT_EQ(EntryText(3), "28 0 obj\r\n<<\r\n/Parent 25 0 R\r\n/Next 29 0 R\r\n"
                            "/Dest [20 0 R /XYZ null null null]\r\n/Title (One.a)\r\n>>\r\nendobj\r\n");
    EXPECT_NE(EntryText(4).find("/Parent 25 0 R\r\n/First 30 0 R\r\n/Last 30 0 R\r\n/Count -1\r\n/Prev 28 0 R\r\n"),
              std::string::npos);
    EXPECT_NE(EntryText(6).find("/Parent 3 0 R\r\n/Prev 27 0 R\r\n/Dest"), std::string::npos);
    EXPECT_THROW(outlines.AddChildOutline({1, 0, 0, 0}, "none", 0), EngineError);
    EXPECT_EQ(outlines.Count(), 7u);
}

TEST_F(Navigation, DestinationsKeepTheViewerWhereValuesAreZero) {
    auto& outlines = *doc.Outlines;
    outlines.AddChildOutline({1, 0, 0, 0}, "Plain", -1);
    outlines.AddChildOutline({2, 150, 10, 10, }, "Zoomed (x)", -1);
    outlines.AddChildOutline({9, 100, 0, 0}, "Beyond", -1);
    outlines.AddChildOutline({0, 0, 0, 0}, "Below", -1);
    NumberEntries();
    EXPECT_NE(EntryText(0).find("/Dest [20 0 R /XYZ null null null]\r\n"), std::string::npos);
    EXPECT_NE(EntryText(1).find("/Dest [22 0 R /XYZ 10 832 1.50]\r\n/Title (Zoomed \\(x\\))\r\n"), std::string::npos);
    EXPECT_NE(EntryText(2).find("/Dest [24 0 R /XYZ null null 1.00]\r\n"), std::string::npos);
    EXPECT_NE(EntryText(3).find("/Dest [20 0 R /XYZ null null null]\r\n"), std::string::npos);  // page 1
}

TEST_F(Navigation, AnEntryHoldsAtMostItsChildTable) {
    auto& outlines = *doc.Outlines;
    outlines.AddChildOutline({1, 0, 0, 0}, "Parent", -1);
    for (int i = 0; i < TOutlinesObj::kMaxChildren; ++i) outlines.AddChildOutline({1, 0, 0, 0}, "c", 1);
    EXPECT_THROW(outlines.AddChildOutline({1, 0, 0, 0}, "one too many", 1), EngineError);
    EXPECT_EQ(outlines.Count(), static_cast<std::size_t>(TOutlinesObj::kMaxChildren) + 1);
    EXPECT_EQ(outlines.AddChildOutline({1, 0, 0, 0}, "grandchild", 2), TOutlinesObj::kMaxChildren + 2);
}

TEST_F(Navigation, ReadersFindTheOutlineAndTheLinks) {
    doc.Outlines->AddChildOutline({1, 0, 0, 0}, "Chapter (1)", -1);
    doc.Outlines->AddChildOutline({2, 125, 0, 100}, "Section", 1);
    doc.Outlines->AddChildOutline({3, 0, 0, 0}, "Chapter 2", -1);
    doc.CreateLinkInternet(2, {10, 10, 200, 30, 1, 0, 0, 255}, "https://example.org/a(b)");
    doc.CreateLinkInternal(1, {10, 40, 200, 60, 1, 255, 0, 0}, 3);
    doc.CreateLinkExternal(3, {10, 40, 200, 60, 0, 0, 0, 0}, "other.pdf");
    doc.AddTextAnnotation(1, 300, 300, "A note");
    const std::string path = Save();
    EXPECT_TRUE(test::QpdfCheckIsClean(path));
    const auto urls = test::RunCommand("pdfinfo -url " + test::ShellQuote(path));
    EXPECT_NE(urls.output.find("   2  Annotation    https://example.org/a(b)"), std::string::npos) << urls.output;
    const auto outline = test::RunCommand("qpdf --json=2 --json-key=outlines " + test::ShellQuote(path));
    const std::string& json = outline.output;
    const auto first = json.find("\"title\": \"Chapter (1)\"");
    const auto section = json.find("\"title\": \"Section\"");
    const auto second = json.find("\"title\": \"Chapter 2\"");
    ASSERT_NE(first, std::string::npos) << json;
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(section, first);  // a child is listed inside its parent, before the parent's title
    EXPECT_LT(first, second);
    EXPECT_NE(json.find("\"destpageposfrom1\": 3"), std::string::npos);
    // The outline entries took the highest numbers of the file.
    EXPECT_NE(json.find("\"object\": \"31 0 R\""), std::string::npos);  // 25..28 are the annotations
}

}  // namespace
}  // namespace vellum

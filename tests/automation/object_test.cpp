#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "automation_support.h"
#include "com/safearray.h"
#include "jpeg.h"
#include "test_support.h"

namespace vellum::test {
namespace {

class PDFDocumentObject : public ::testing::Test {
protected:
    std::string Content() {
        ScopedVariant content;
        EXPECT_EQ(doc->GetPDFContent(content.put()), S_OK);
        EXPECT_EQ(content->vt, VT_ARRAY | VT_UI1);
        LONG lower = -1, upper = -1;
        SafeArrayGetLBound(content->parray, 1, &lower);
        SafeArrayGetUBound(content->parray, 1, &upper);
        EXPECT_EQ(lower, 0);
        void* data = nullptr;
        SafeArrayAccessData(content->parray, &data);
        std::string bytes(static_cast<const char*>(data), static_cast<std::size_t>(upper + 1));
        SafeArrayUnaccessData(content->parray);
        return bytes;
    }
    ComPtr<IPDFDocument> doc = NewObject();
    BStr empty{u""};
    ScratchFolder scratch;
};

TEST_F(PDFDocumentObject, AFreshObjectFailsEverythingThatNeedsADocument) {
    EXPECT_EQ(doc->AddPage(), E_UNEXPECTED);
    EXPECT_EQ(LastErrorDescription(), "There is no document: call NewPDF first");
    double height = 7;
    EXPECT_EQ(doc->get_FontHeight(&height), E_UNEXPECTED);
    EXPECT_EQ(height, 7);  // numeric results are left untouched on failure
    EXPECT_EQ(doc->put_FontHeight(10), E_UNEXPECTED);
    char16_t marker[] = u"x";  // an [out] value is overwritten, never freed
    BSTR raw = marker;
    EXPECT_EQ(doc->get_Author(&raw), E_UNEXPECTED);
    EXPECT_EQ(raw, nullptr);  // a failing text getter hands back a null BSTR
    ScopedVariant content;
    EXPECT_EQ(doc->GetPDFContent(content.put()), E_UNEXPECTED);
    EXPECT_EQ(content->vt, VT_EMPTY);
    EXPECT_EQ(doc->SetCurrentPage(1), E_UNEXPECTED);

    BStr version;
    EXPECT_EQ(doc->OCXVersion(version.put()), S_OK);
    EXPECT_EQ(Utf16ToUtf8(version.view()), "Vellum XP Vers. 1.118");
}

TEST_F(PDFDocumentObject, ErrorInformationNamesTheInterfaceAndTheProgId) {
    EXPECT_EQ(doc->AddPage(), E_UNEXPECTED);
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
    GUID guid{};
    info->GetGUID(&guid);
    EXPECT_TRUE(IsEqualGUID(guid, IID_IPDFDocument));
    BStr source;
    info->GetSource(source.put());
    EXPECT_EQ(Utf16ToUtf8(source.view()), "VELLUM_XP.PDFDocument");
    DWORD context = 99;
    info->GetHelpContext(&context);
    EXPECT_EQ(context, 0u);

    ComPtr<ISupportErrorInfo> support;
    ASSERT_EQ(doc.As(IID_ISupportErrorInfo, support), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IPDFDocument), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IClassFactory), S_FALSE);
}

TEST_F(PDFDocumentObject, SavingAFreshObjectWritesAnEmptyPageAndClosesIt) {
    const std::string path = scratch.File("fresh.pdf");
    BStr name(Utf8ToUtf16(path));
    EXPECT_EQ(doc->SavePDF(name.get()), S_OK);
    EXPECT_TRUE(QpdfCheckIsClean(path));
    EXPECT_EQ(PdfInfoField(path, "Pages"), "1");
    BStr text{u"x"};
    EXPECT_EQ(doc->TextOut(text.get(), 1, 1), E_UNEXPECTED);  // closed
    EXPECT_EQ(doc->AddPage(), E_UNEXPECTED);
    EXPECT_EQ(doc->SetPageDimensions(100, 100), S_OK);  // starts a new document of that size
    BStr unit;
    EXPECT_EQ(doc->get_UnitOfMeasure(unit.put()), S_OK);
    EXPECT_EQ(Utf16ToUtf8(unit.view()), "mm");
    EXPECT_NE(Content().find("/MediaBox[0 0 283 283]"), std::string::npos);
}

TEST_F(PDFDocumentObject, CurrentPageIsClampedToTheDocument) {
    ASSERT_EQ(doc->NewPDF(empty.get()), S_OK);
    doc->AddPage();
    doc->AddPage();
    ASSERT_EQ(doc->SetCurrentPage(0), S_OK);
    ASSERT_EQ(doc->SetPageDimensions(100, 100), S_OK);  // resizes the current page
    ASSERT_EQ(doc->SetCurrentPage(10), S_OK);
    ASSERT_EQ(doc->SetPageDimensions(200, 200), S_OK);
    ASSERT_EQ(doc->SetCurrentPage(-5), S_OK);
    const std::string pdf = Content();
    const auto first = pdf.find("/MediaBox[0 0 283 283]");
    const auto last = pdf.find("/MediaBox[0 0 566 566]");
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(last, std::string::npos);
    EXPECT_LT(first, last);
    EXPECT_NE(pdf.find("/MediaBox[0 0 595 842]"), std::string::npos);  // page 2 untouched
}

TEST_F(PDFDocumentObject, GetPDFContentEmptiesTheDocumentUntilNewPDF) {
    ASSERT_EQ(doc->NewPDF(empty.get()), S_OK);
    const std::string first = Content();
    EXPECT_TRUE(first.starts_with("%PDF-1.3"));
    EXPECT_TRUE(first.ends_with("%%EOF"));
    ScopedVariant again;
    EXPECT_EQ(doc->GetPDFContent(again.put()), E_UNEXPECTED);
    EXPECT_EQ(doc->AddPage(), E_UNEXPECTED);
    BStr path(Utf8ToUtf16(scratch.File("emptied.pdf")));
    EXPECT_EQ(doc->SavePDF(path.get()), E_UNEXPECTED);
    EXPECT_EQ(doc->SetPageDimensions(100, 100), E_UNEXPECTED);
    // Settings kept in the document itself still work while it is emptied.
    EXPECT_EQ(doc->put_FontHeight(20), S_OK);
    BStr font;
    EXPECT_EQ(doc->get_FontName(font.put()), S_OK);
    ASSERT_EQ(doc->NewPDF(empty.get()), S_OK);
    EXPECT_EQ(doc->AddPage(), S_OK);
    EXPECT_TRUE(Content().starts_with("%PDF-1.3"));
}

TEST_F(PDFDocumentObject, SavingIntoAMissingFolderFailsAndKeepsTheDocumentForAnotherTry) {
    ASSERT_EQ(doc->NewPDF(empty.get()), S_OK);
    const std::string missing = scratch.File("missing/out.pdf");
    BStr badPath(Utf8ToUtf16(missing));
    EXPECT_EQ(doc->SavePDF(badPath.get()), E_UNEXPECTED);
    EXPECT_EQ(LastErrorDescription(), "Cannot create file \"" + missing + "\". No such file or directory");
    BStr goodPath(Utf8ToUtf16(scratch.File("good.pdf")));
    EXPECT_EQ(doc->SavePDF(goodPath.get()), S_OK);
    EXPECT_TRUE(QpdfCheckIsClean(scratch.File("good.pdf")));
}

TEST_F(PDFDocumentObject, UnitOfMeasureKeepsItsSpellingAndIsLostOnNewPDF) {
    ASSERT_EQ(doc->NewPDF(empty.get()), S_OK);
    BStr cm{u"cm"};
    EXPECT_EQ(doc->put_UnitOfMeasure(cm.get()), S_OK);
    ASSERT_EQ(doc->NewPDF(empty.get()), S_OK);
    BStr unit;
    doc->get_UnitOfMeasure(unit.put());
    EXPECT_EQ(Utf16ToUtf8(unit.view()), "mm");
    BStr upper{u"CM"}, feet{u"feet"};
    EXPECT_EQ(doc->put_UnitOfMeasure(upper.get()), S_OK);
    EXPECT_EQ(doc->put_UnitOfMeasure(feet.get()), S_OK);
    doc->get_UnitOfMeasure(unit.put());
    EXPECT_EQ(Utf16ToUtf8(unit.view()), "CM");
    EXPECT_EQ(doc->put_ParagraphWidth(2), S_OK);
    double width = 0;
    doc->get_ParagraphWidth(&width);
    EXPECT_DOUBLE_EQ(width, 2);
}

TEST_F(PDFDocumentObject, ViewModeAndBookmarksReachTheCatalog) {
    ASSERT_EQ(doc->NewPDF(empty.get()), S_OK);
    EXPECT_EQ(doc->put_ViewMode(1), S_OK);
    EXPECT_EQ(doc->put_ViewMode(2), S_OK);
    EXPECT_EQ(doc->SetBookmarksVisible(), S_OK);
    const std::string pdf = Content();
    EXPECT_NE(pdf.find("/PageLayout /OneColumn\r\n/PageMode /UseOutlines\r\n"), std::string::npos);
}

TEST_F(PDFDocumentObject, InformationEntriesAndTitleKeepEveryCharacter) {
    BStr title{u"Caf\u00e9 \u20ac (draft)"};
    ASSERT_EQ(doc->NewPDF(title.get()), S_OK);
    BStr author{u"\u0416 Ann \U0001F600"};
    ASSERT_EQ(doc->put_Author(author.get()), S_OK);
    BStr read;
    ASSERT_EQ(doc->get_Author(read.put()), S_OK);
    EXPECT_EQ(read.view(), u"\u0416 Ann \U0001F600");
    BStr latin{u"Caf\u00e9 (draft)"};
    ASSERT_EQ(doc->put_Subject(latin.get()), S_OK);
    const std::string pdf = Content();
    // The euro sign has another code in PDFDocEncoding: the title becomes UTF-16BE.
    EXPECT_NE(pdf.find(std::string("/Title (\xFE\xFF\x00" "C\x00" "a\x00" "f\x00\xE9\x00 \x20\xAC\x00 \x00\\(", 27)),
              std::string::npos);
    EXPECT_NE(pdf.find("/Subject (Caf\xE9 (draft))"), std::string::npos);
}

TEST_F(PDFDocumentObject, NonFiniteNumbersFailWithAMessage) {
    ASSERT_EQ(doc->NewPDF(empty.get()), S_OK);
    EXPECT_EQ(doc->SetPageDimensions(std::nan(""), 10), E_UNEXPECTED);
    EXPECT_EQ(LastErrorDescription(), "Invalid page width: the number must be finite");
    EXPECT_EQ(doc->put_ParagraphLeading(INFINITY), E_UNEXPECTED);
}

TEST_F(PDFDocumentObject, FontNameReadsBackTheResourceName) {
    ASSERT_EQ(doc->NewPDF(empty.get()), S_OK);
    BStr helvetica{u"Helvetica-Bold"};
    ASSERT_EQ(doc->put_FontName(helvetica.get()), S_OK);
    BStr name;
    ASSERT_EQ(doc->get_FontName(name.put()), S_OK);
    EXPECT_EQ(Utf16ToUtf8(name.view()), "/F4");
}

TEST_F(PDFDocumentObject, FontsAreAddedWithTheirResultTexts) {
    ASSERT_EQ(doc->NewPDF(empty.get()), S_OK);
    BStr name{u"Liberation Sans"}, file{u"/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf"};
    BStr result;
    ASSERT_EQ(doc->AddFont(name.get(), file.get(), result.put()), S_OK);
    EXPECT_EQ(Utf16ToUtf8(result.view()), "/F12");
    BStr missing(Utf8ToUtf16(scratch.File("none.ttf")));
    ASSERT_EQ(doc->AddFont(name.get(), missing.get(), result.put()), S_OK);
    EXPECT_EQ(Utf16ToUtf8(result.view()), "Error - file not found");
    ASSERT_EQ(doc->AddFontMonospaced(empty.get(), file.get(), 600, result.put()), S_OK);
    EXPECT_EQ(Utf16ToUtf8(result.view()), "Error - Font Name Void, please use a valid Font Name!");
    const std::string notAFont = scratch.File("text.ttf");
    WriteFile(notAFont, "plain text");
    BStr bad(Utf8ToUtf16(notAFont));
    EXPECT_EQ(doc->AddFont(name.get(), bad.get(), result.put()), E_UNEXPECTED);
    EXPECT_EQ(result.get(), nullptr);
    EXPECT_EQ(LastErrorDescription(), "Cannot embed \"" + notAFont + "\": it is not a font file FreeType can read");

    ASSERT_EQ(doc->put_FontName(name.get()), S_OK);
    BStr text{u"Embedded"};
    ASSERT_EQ(doc->TextOut(text.get(), 10, 10), S_OK);
    double width = 0;
    ASSERT_EQ(doc->GetTextBoxWidth(text.get(), &width), S_OK);
    EXPECT_GT(width, 10);
    const std::string path = scratch.File("font.pdf");
    WriteFile(path, Content());
    EXPECT_NE(RunCommand("pdffonts " + ShellQuote(path)).output.find("LiberationSans                       TrueType"),
              std::string::npos);
    EXPECT_EQ(RunCommand("pdftotext " + ShellQuote(path) + " -").output.substr(0, 9), "Embedded\n");
}

TEST_F(PDFDocumentObject, TextGoesToTheCurrentPage) {
    ASSERT_EQ(doc->NewPDF(empty.get()), S_OK);
    doc->AddPage();
    doc->AddPage();
    ASSERT_EQ(doc->SetCurrentPage(2), S_OK);
    BStr text{u"second page"};
    ASSERT_EQ(doc->TextOut(text.get(), 10, 10), S_OK);
    LONG lines = 0;
    BStr two{u"a\r\nb"};
    ASSERT_EQ(doc->GetTextBoxLines(two.get(), &lines), S_OK);
    EXPECT_EQ(lines, 2);
    const std::string path = scratch.File("pages.pdf");
    BStr name(Utf8ToUtf16(path));
    ASSERT_EQ(doc->SavePDF(name.get()), S_OK);
    const auto second = RunCommand("pdftotext -f 2 -l 2 " + ShellQuote(path) + " -");
    EXPECT_EQ(second.output.substr(0, 12), "second page\n");
    EXPECT_EQ(doc->TextOut(text.get(), 10, 10), E_UNEXPECTED);  // closed
}

TEST_F(PDFDocumentObject, LinksAndOutlinesReachTheirPages) {
    BStr title{u"t"}, chapter{u"Chapter"};
    EXPECT_EQ(doc->AddOutline(1, 0, 0, 0, chapter.get()), E_UNEXPECTED);  // the nested call's failure
    EXPECT_EQ(LastErrorDescription(), "There is no document: call NewPDF first");
    ASSERT_EQ(doc->NewPDF(title.get()), S_OK);
    LONG count = -1;
    ASSERT_EQ(doc->GetLastOutlineID(&count), S_OK);
    EXPECT_EQ(count, 0);
    ASSERT_EQ(doc->AddOutline(1, 0, 0, 0, chapter.get()), S_OK);
    ASSERT_EQ(doc->GetLastOutlineID(&count), S_OK);
    EXPECT_EQ(count, 1);
    LONG entry = 0;
    ASSERT_EQ(doc->AddChildOutline(1, 0, 0, 0, chapter.get(), 1, &entry), S_OK);
    EXPECT_EQ(entry, 2);
    EXPECT_EQ(doc->AddChildOutline(1, 0, 0, 0, chapter.get(), 0, &entry), E_UNEXPECTED);

    doc->AddPage();
    doc->AddPage();
    BStr pdfu{u"pdfu"};
    doc->put_UnitOfMeasure(pdfu.get());
    ASSERT_EQ(doc->SetCurrentPage(2), S_OK);
    ASSERT_EQ(doc->SetPageDimensions(300, 400), S_OK);
    BStr uri{u"https://example.org/"};
    ASSERT_EQ(doc->CreateLink_Internet(10, 20, 60, 30, 1, 0, 0, 255, uri.get()), S_OK);
    EXPECT_EQ(doc->CreateLink_Internal(10, 20, 60, 30, 1, 0, 0, 255, 5), S_OK);  // beyond the last page: nothing
    EXPECT_EQ(doc->CreateLink_Internal(10, 20, 60, 30, 1, 0, 0, 255, 0), E_UNEXPECTED);
    BStr note{u"note"};
    ASSERT_EQ(doc->AddTextAnnotation(10, 10, note.get()), S_OK);
    const std::string path = scratch.File("links.pdf");
    WriteFile(path, Content());
    EXPECT_TRUE(QpdfCheckIsClean(path));
    const auto urls = RunCommand("pdfinfo -url " + ShellQuote(path)).output;
    EXPECT_NE(urls.find("   2  Annotation    https://example.org/"), std::string::npos) << urls;
    const auto page2 = RunCommand("qpdf --show-object=22 --filtered-stream-data " + ShellQuote(path)).output;
    EXPECT_NE(page2.find("/Annots [ 25 0 R 26 0 R ]"), std::string::npos) << page2;
    const auto link = RunCommand("qpdf --show-object=25 " + ShellQuote(path)).output;
    EXPECT_NE(link.find("/Rect [ 10.0 380.0 60.0 370.0 ]"), std::string::npos) << link;  // against page 2's own height
}

TEST_F(PDFDocumentObject, ImagesByExtensionWithTheQualitysLowByte) {
    LONG width = -1;
    EXPECT_EQ(doc->GetImageWidth(0, &width), S_OK);  // no document: 0, not a failure
    EXPECT_EQ(width, 0);
    ASSERT_EQ(doc->NewPDF(empty.get()), S_OK);
    pictures::RgbBitmap bitmap{8, 8, std::vector<std::uint8_t>(8 * 8 * 3, 90)};
    const std::string jpeg = scratch.File("grey.JPG");
    WriteFile(jpeg, pictures::EncodeJpeg(bitmap, 90));
    BStr path(Utf8ToUtf16(jpeg));
    LONG number = -1;
    ASSERT_EQ(doc->ImportImageAsResource(path.get(), 300, &number), S_OK);  // 300 reaches the encoder as 44
    EXPECT_EQ(number, 0);
    const std::string notPicture = scratch.File("grey.jpeg");
    WriteFile(notPicture, "no picture");
    BStr unknown(Utf8ToUtf16(notPicture));
    EXPECT_EQ(doc->ImportImageAsResource(unknown.get(), 50, &number), E_UNEXPECTED);  // adds nothing
    EXPECT_EQ(LastErrorDescription(), "Unsupported picture format: " + notPicture);
    ASSERT_EQ(doc->ImportImage(path.get(), 256, 10, 10, 20, 20), S_OK);  // 256 is taken as quality 1
    EXPECT_EQ(doc->GetImageWidth(1, &width), S_OK);
    EXPECT_EQ(width, 8);
    EXPECT_EQ(doc->DrawImageResource(0, 0, 10, 10, 2), S_OK);  // names no image: nothing
    BStr missing(Utf8ToUtf16(scratch.File("missing.bmp")));
    EXPECT_EQ(doc->ImportImage(missing.get(), 50, 0, 0, 1, 1), E_UNEXPECTED);
    EXPECT_EQ(LastErrorDescription(), "Cannot open file \"" + scratch.File("missing.bmp") + "\". No such file or directory");

    const std::string pdf = Content();
    const std::string decoded = pictures::EncodeJpeg(pictures::DecodeJpeg(ReadFile(jpeg)), 44);
    EXPECT_NE(pdf.find("/Name /Im0\r\n/Width 8\r\n/Height 8\r\n/BitsPerComponent 8\r\n/ColorSpace /DeviceRGB\r\n/Length " +
                       std::to_string(decoded.size()) + "\r\n/Filter /DCTDecode\r\n>>\r\nstream\r\n" + decoded),
              std::string::npos);
    const std::string lowest = pictures::EncodeJpeg(pictures::DecodeJpeg(ReadFile(jpeg)), 1);
    EXPECT_NE(pdf.find("stream\r\n" + lowest + "\r\nendstream"), std::string::npos);
    EXPECT_NE(pdf.find("/Im2 "), std::string::npos);  // the failed import used up number 2
}

}  // namespace
}  // namespace vellum::test

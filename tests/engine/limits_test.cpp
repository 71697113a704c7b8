// Numbers no PDF reader accepts never reach a document: every call that would
// store or write one fails with a clear message and leaves the document as
// it was, and the file written afterwards passes every reader.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "document.h"
#include "errors.h"
#include "format.h"
#include "pdf_structure.h"
#include "test_support.h"

namespace vellum {
namespace {

constexpr const char* kSans = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";

TEST(WritableNumbers, TheBoundIsOneBillionPointsEitherWay) {
    for (const double good : {0.0, 1e9, -1e9, 123.456, 1e-300}) EXPECT_NO_THROW(RequireWritable(good, "x")) << good;
    for (const double bad : {1e9 + 1, -1e9 - 1, 1e300, -1e308}) {
        try {
            RequireWritable(bad, "line coordinate");
            ADD_FAILURE() << bad << " was accepted";
        } catch (const EngineError& error) {
            EXPECT_NE(std::string(error.what()).find("Invalid line coordinate: "), std::string::npos);
            EXPECT_NE(std::string(error.what()).find("beyond 1000000000 points"), std::string::npos);
        }
    }
    EXPECT_THROW(RequireWritable(std::nan(""), "x"), EngineError);
}

// What a refused call must leave untouched.
struct DocumentState {
    std::string content;
    std::size_t annotations, outlines, fonts, objects;
    double paragraphWidth, paragraphLeading, fontHeight, lineOn, pageWidth;

    static DocumentState Of(TPDFDoc& doc) {
        TPage& page = doc.Page(1);
        return {page.PageValue,       page.Annots.Count(),  doc.Outlines->Count(), doc.Fonts->Count(),
                doc.Objects->Count(), doc.ParagraphWidthPoints(),   doc.ParagraphLeadingPoints(), doc.FontHeight(),
                doc.LineOn(),           doc.Page(1).Width};
    }
    bool operator==(const DocumentState&) const = default;
};

struct RefusedCall {
    const char* name;
    std::function<void(TPDFDoc&)> call;
    std::function<void(TPDFDoc&)> setup = [](TPDFDoc&) {};
};

// Each call is refused whole: huge arguments, and ordinary-looking ones that
// overflow only once converted from millimetres or combined with others.
const RefusedCall kRefusedCalls[] = {
    {"line at 1e300", [](TPDFDoc& d) { d.Page(1).DrawLine(1, 1e300, 0, 0, 0); }},
    {"line at 4e8 mm", [](TPDFDoc& d) { d.Page(1).DrawLine(1, 0, 4e8, 0, 0); }},
    {"line width 1e300", [](TPDFDoc& d) { d.Page(1).DrawLine(1e300, 0, 0, 0, 0); }},
    {"rectangle 1e300 wide", [](TPDFDoc& d) { d.Page(1).DrawRect(1, 1, 1, 0, 1e300, 0, 1); }},
    {"rectangle whose bottom is past the bound", [](TPDFDoc& d) { d.Page(1).DrawRect(1, 1, 1, 0, 1, 3e8, 3e8); }},
    {"ellipse 1e300 high", [](TPDFDoc& d) { d.Page(1).DrawEllipse(1, 1, 1, 0, 1, 0, 1e300); }},
    {"circle radius 1e300", [](TPDFDoc& d) { d.Page(1).DrawCircle(1, 1, 1, 0, 0, 1e300); }},
    {"arc radius 1e300", [](TPDFDoc& d) { d.Page(1).DrawArc(1, 1, 0, 0, 1e300, 0, 90, 1, 1); }},
    {"dash 1e300", [](TPDFDoc& d) { d.SetDashLineProperties(1e300, 1); }},
    {"dash 5e8 mm", [](TPDFDoc& d) { d.SetDashLineProperties(1, 5e8); }},
    {"text at 1e300", [](TPDFDoc& d) { d.Page(1).TextOut("x", 1e300, 10); }},
    {"text at 4e8 mm", [](TPDFDoc& d) { d.Page(1).TextOut("x", 10, 4e8); }},
    {"third paragraph line past the bound",  // 5.7e8 points a line: the third is too far down
     [](TPDFDoc& d) { d.Page(1).TextOutEx("one\r\ntwo\r\nthree", 10, 10); },
     [](TPDFDoc& d) { d.SetParagraphLeading(2e8); }},
    {"last justified word past the bound", [](TPDFDoc& d) { d.Page(1).TextOut("a b c", 1e8, 10); },
     [](TPDFDoc& d) {
         d.SetParagraphAlignment(Alignment::Full);
         d.SetParagraphWidth(3.5e8);
     }},
    {"paragraph width 1e308 mm", [](TPDFDoc& d) { d.SetParagraphWidth(1e308); }},
    {"paragraph leading 1e308 mm", [](TPDFDoc& d) { d.SetParagraphLeading(1e308); }},
    {"font height 1e300", [](TPDFDoc& d) { d.SetFontHeight(1e300); }},
    {"page 1e300 wide", [](TPDFDoc& d) { d.SetPageDimensions(1e300, 297); }},
    {"page 4e8 mm high", [](TPDFDoc& d) { d.SetPageDimensions(210, 4e8); }},
    {"link corner 1e300", [](TPDFDoc& d) { d.CreateLinkInternet(1, {0, 0, 1e300, 10}, "https://example.org"); }},
    {"link corner 4e8 mm", [](TPDFDoc& d) { d.CreateLinkInternal(1, {0, 4e8, 10, 10}, 1); }},
    {"note at 4e8 mm", [](TPDFDoc& d) { d.AddTextAnnotation(1, 4e8, 10, "note"); }},
    {"outline position 2e8", [](TPDFDoc& d) { d.Outlines->AddChildOutline({1, 100, 200000000, 0}, "t", -1); }},
    {"width factor 1e300", [](TPDFDoc& d) { d.AddTrueTypeFontModKern("Big", kSans, 1e300); }},
    {"width factor 1e7", [](TPDFDoc& d) { d.AddTrueTypeFontModKern("Big", kSans, 1e7); }},
};

TEST(WritableNumbers, CallsWithUnwritableNumbersAreRefusedWholeAndTheFileStaysSound) {
    for (const RefusedCall& refused : kRefusedCalls) {
        SCOPED_TRACE(refused.name);
        TPDFDoc doc;
        doc.ResetDocument();
        doc.Page(1).TextOut("before", 10, 10);
        refused.setup(doc);
        const DocumentState before = DocumentState::Of(doc);
        try {
            refused.call(doc);
            ADD_FAILURE() << "accepted";
        } catch (const EngineError& error) {
            EXPECT_NE(std::string(error.what()).find("beyond 1000000000 points"), std::string::npos) << error.what();
        }
        EXPECT_TRUE(DocumentState::Of(doc) == before);
        EXPECT_TRUE(test::PdfStructureIsSound(doc.SaveToByteArray()));
    }
}

TEST(WritableNumbers, ValuesAtTheBoundAreWrittenAndEveryReaderAcceptsThem) {
    TPDFDoc doc;
    doc.ResetDocument();
    doc.SetUnitOfMeasure("pdfu");
    doc.SetPageDimensions(1e9, 1e9);
    doc.SetDashLineProperties(1e9, 1e9);
    doc.Page(1).DrawLine(1e9, 0, 1e9, 0, 1e9);
    doc.Page(1).TextOut("far", 1e9, 0);
    doc.CreateLinkInternet(1, {0, 0, 1e9, 1e9}, "https://example.org");
    doc.Outlines->AddChildOutline({1, 100, 13895375, -13895375}, "far", -1);  // 1e9 points in inches
    doc.SetUnitOfMeasure("inch");  // the outline is written in inches: still within readers' integers
    test::ScratchFolder scratch;
    const std::string path = scratch.File("bound.pdf");
    doc.SaveToFile(path);
    const std::string bytes = test::ReadFile(path);
    EXPECT_TRUE(test::PdfStructureIsSound(bytes));
    EXPECT_NE(bytes.find("/MediaBox[0 0 1000000000 1000000000]"), std::string::npos);
    EXPECT_TRUE(test::QpdfCheckIsClean(path));
}

TEST(WritableNumbers, AUnitChangeAfterTheDashWasSetIsCaughtWhenDrawing) {
    TPDFDoc doc;
    doc.ResetDocument();
    doc.SetUnitOfMeasure("pdfu");
    doc.SetDashLineProperties(5e8, 1);
    doc.SetUnitOfMeasure("inch");
    const std::string before = doc.Page(1).PageValue;
    EXPECT_THROW(doc.Page(1).DrawLine(1, 0, 1, 0, 1), EngineError);
    EXPECT_EQ(doc.Page(1).PageValue, before);
}

TEST(StructureChecker, FindsWhatReadersRefuse) {
    TPDFDoc doc;
    doc.ResetDocument();
    doc.Page(1).TextOut("hello", 10, 10);
    const std::string good = doc.SaveToByteArray();
    ASSERT_TRUE(test::PdfStructureIsSound(good));

    auto replaced = [&](std::string_view from, std::string_view to) {
        std::string bad = good;
        const std::size_t at = bad.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) bad.replace(at, from.size(), to);
        return bad;
    };
    const struct {
        std::string bytes;
        std::string_view expected;
    } cases[] = {
        {replaced("/MediaBox[0 0 595 842]", "/MediaBox[99999999999]"), "beyond what readers accept"},
        {replaced("/MediaBox[0 0 595 842]", "/MediaBox[0 0 5e2 842]"), "malformed number"},
        {replaced("/Resources 2 0 R", "/Resources 0 0 R"), "names no object"},
        {replaced("0000000017 00000 n", "0000000018 00000 n"), "does not point at \"20 0 obj\""},
        {replaced("/BaseFont/Courier", "/BaseFont/Cou#00r"), "#00 in a name"},
        {replaced("endobj", "endob "), "a second \"obj\" before \"endobj\""},
        {good.substr(0, good.size() - 6), "%%EOF"},
    };
    for (const auto& bad : cases) {
        const std::string problems = test::DescribeProblems(test::PdfStructureProblems(bad.bytes));
        EXPECT_NE(problems.find(bad.expected), std::string::npos) << bad.expected << "\n" << problems;
    }
}

TEST(ObjectLimit, AFullDocumentRefusesEveryAdditionAndKeepsItsCounts) {
    TPDFDoc doc;
    doc.ResetDocument();
    while (doc.ObjectCount() < kMaxObjects - 3) doc.NextObjectNumber();  // as if the document had been filled
    doc.Outlines->AddChildOutline({1, 0, 0, 0}, "last entry that fits", -1);
    doc.NewPage();  // the last two objects
    const std::int32_t objects = doc.ObjectCount();
    const std::size_t pages = doc.Pages->Count();
    const std::function<void()> additions[] = {
        [&] { doc.NewPage(); },
        [&] { doc.AddTextAnnotation(1, 10, 10, "note"); },
        [&] { doc.CreateLinkInternet(1, {0, 0, 10, 10}, "https://example.org"); },
        [&] { doc.Outlines->AddChildOutline({1, 0, 0, 0}, "one too many", -1); },
        [&] { doc.AddTrueTypeFont("Sans", kSans); },
    };
    for (const auto& addition : additions) {
        try {
            addition();
            ADD_FAILURE() << "accepted";
        } catch (const EngineError& error) {
            EXPECT_NE(std::string(error.what()).find("at most 8388607 objects"), std::string::npos) << error.what();
        }
    }
    EXPECT_EQ(doc.ObjectCount(), objects);
    EXPECT_EQ(doc.Pages->Count(), pages);
    EXPECT_EQ(doc.Outlines->Count(), 1u);
    EXPECT_EQ(doc.Page(1).Annots.Count(), 0u);
    EXPECT_EQ(doc.Fonts->Count(), 12u);
}

}  // namespace
}  // namespace vellum

// Paths, the graphics-state stack, line style and opacity: what reaches the
// page and when, the refusals that leave page and path as they were, the
// balance the write restores, and the files readers and checkers take.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "document.h"
#include "errors.h"
#include "pdf_structure.h"
#include "tagged_structure.h"
#include "test_support.h"

namespace vellum {
namespace {

class Paths : public ::testing::Test {
protected:
    void SetUp() override {
        doc.ResetDocument();
        doc.SetUnitOfMeasure("pdfu");
        fresh = page().PageValue.size();
    }
    TPage& page() { return doc.CurrentPageRef(); }
    std::string Written() { return page().PageValue.substr(fresh); }
    void Triangle() {
        page().MoveTo(10, 20);
        page().LineTo(110, 20);
        page().CurveTo(110, 60, 60, 80, 10, 20);
        page().ClosePath();
    }

    TPDFDoc doc;
    std::size_t fresh = 0;
};

// The inflated content stream numbered contentNumber in a written file.
std::string ContentOf(const std::string& pdf, std::int32_t contentNumber) {
    const std::size_t object = pdf.find("\n" + std::to_string(contentNumber) + " 0 obj\r\n");
    const std::size_t start = pdf.find("stream\r\n", object) + 8;
    return test::Inflate(std::string_view(pdf).substr(start, pdf.find("\r\nendstream", start) - start));
}

constexpr std::string_view kTriangle = "10 822 m\r\n110 822 l\r\n110 782 60 762 10 822 c\r\nh\r\n";

TEST_F(Paths, APathIsWrittenWholeWithItsPaintingOperator) {
    const struct {
        PaintMode mode;
        const char* dash;
        const char* op;
    } cases[] = {{PaintMode::Stroke, "[] 0 d\r\n", "S"},   {PaintMode::Fill, "", "f"},
                 {PaintMode::FillStroke, "[] 0 d\r\n", "B"}, {PaintMode::FillEvenOdd, "", "f*"},
                 {PaintMode::FillStrokeEvenOdd, "[] 0 d\r\n", "B*"}, {PaintMode::Clip, "", "W n"},
                 {PaintMode::ClipEvenOdd, "", "W* n"}};
    for (const auto& c : cases) {
        fresh = page().PageValue.size();
        Triangle();
        EXPECT_EQ(Written(), "");
        page().DrawPath(c.mode);
        EXPECT_EQ(Written(), c.dash + std::string(kTriangle) + c.op + "\r\n");
        EXPECT_TRUE(page().Path.Empty());
    }
}

TEST_F(Paths, ModesAreNamedInAnyLetterCase) {
    EXPECT_EQ(ParsePaintMode("Fill-StrokE-EvenOdd"), PaintMode::FillStrokeEvenOdd);
    EXPECT_EQ(ParsePaintMode("CLIP"), PaintMode::Clip);
    for (const char* unknown : {"", "fill stroke", "evenodd", "clip-", "strokes"}) {
        EXPECT_EQ(ParsePaintMode(unknown), std::nullopt) << unknown;
    }
}

TEST_F(Paths, CallsOutOfOrderOrWithBadNumbersChangeNothing) {
    const struct {
        std::function<void(TPage&)> call;
        const char* message;
    } refused[] = {
        {[](TPage& p) { p.LineTo(1, 1); }, "LineTo needs a current point: begin the path with MoveTo"},
        {[](TPage& p) { p.CurveTo(1, 1, 2, 2, 3, 3); }, "CurveTo needs a current point"},
        {[](TPage& p) { p.ClosePath(); }, "ClosePath needs a current point"},
        {[](TPage& p) { p.DrawPath(PaintMode::Fill); }, "There is no path to paint"},
        {[](TPage& p) { p.MoveTo(std::nan(""), 1); }, "path coordinate"},
        {[](TPage& p) { p.MoveTo(1, 2e9); }, "path coordinate"},
    };
    for (const auto& r : refused) {
        EXPECT_NE(test::ThrownMessage([&] { r.call(page()); }).find(r.message), std::string::npos) << r.message;
    }
    Triangle();
    EXPECT_THROW(page().CurveTo(1, 1, 2, 2, INFINITY, 3), EngineError);
    EXPECT_THROW(page().LineTo(0, -1e9), EngineError);  // beyond once measured from the page's bottom
    page().DrawPath(PaintMode::Fill);
    EXPECT_EQ(Written(), std::string(kTriangle) + "f\r\n");
}

// A clip shows nothing, so a tagged document marks it neither as content
// nor as an artifact; a painted path is layout, as the other shapes are.
TEST_F(Paths, ATaggedDocumentMarksPaintedPathsOnly) {
    doc.SetTagged(true);
    Triangle();
    page().DrawPath(PaintMode::ClipEvenOdd);
    EXPECT_EQ(Written(), std::string(kTriangle) + "W* n\r\n");
    fresh = page().PageValue.size();
    Triangle();
    page().DrawPath(PaintMode::Fill);
    EXPECT_EQ(Written(), "/Artifact <</Type /Layout>> BDC\r\n" + std::string(kTriangle) + "f\r\nEMC\r\n");
}

TEST_F(Paths, PointsAreTakenInTheUnitInForceWhenGiven) {
    doc.SetUnitOfMeasure("cm");
    page().MoveTo(1, 1);
    doc.SetUnitOfMeasure("pdfu");
    page().LineTo(100, 100);
    doc.SetDashLineProperties(2, 1);
    page().DrawPath(PaintMode::Stroke);
    EXPECT_EQ(Written(), "[2 1] 0 d\r\n28.3333 813.6667 m\r\n100 742 l\r\nS\r\n");
}

TEST_F(Paths, APathStaysWithItsPageAndAnUnpaintedOneIsDropped) {
    page().MoveTo(0, 0);
    doc.NewPage();
    EXPECT_THROW(page().DrawPath(PaintMode::Stroke), EngineError);
    page().MoveTo(5, 5);  // page 2's own, never painted
    const std::int32_t second = page().ContentNumber;
    doc.SetCurrentPage(1);
    page().LineTo(50, 50);
    page().DrawPath(PaintMode::Stroke);
    EXPECT_EQ(Written(), "[] 0 d\r\n0 842 m\r\n50 792 l\r\nS\r\n");
    const std::string bytes = doc.SaveToByteArray();
    EXPECT_TRUE(test::PdfStructureIsSound(bytes));
    EXPECT_EQ(ContentOf(bytes, second), "0 0 0 rg\r\n0 0 0 RG\r\n");
}

TEST_F(Paths, LineStyleIsWrittenAndOutOfRangeValuesAreRefused) {
    page().SetLineStyle(1, 2, 4.5);
    EXPECT_EQ(Written(), "1 J\r\n2 j\r\n4.5 M\r\n");
    const struct {
        int cap, join;
        double miter;
        const char* message;
    } refused[] = {{3, 0, 10, "Invalid line cap 3"},  {-1, 0, 10, "Invalid line cap -1"},
                   {0, 3, 10, "Invalid line join 3"}, {0, 0, 0.99, "miter limit: it must be at least 1"},
                   {0, 0, NAN, "miter limit"},        {0, 0, 1e10, "miter limit"}};
    fresh = page().PageValue.size();
    for (const auto& r : refused) {
        const std::string message = test::ThrownMessage([&] { page().SetLineStyle(r.cap, r.join, r.miter); });
        EXPECT_NE(message.find(r.message), std::string::npos) << message;
    }
    EXPECT_EQ(Written(), "");
}

// ---- the graphics-state stack

TEST_F(Paths, ARestoreNeedsASaveOnTheSamePage) {
    page().SaveGraphicsState();
    doc.NewPage();
    fresh = page().PageValue.size();
    EXPECT_NE(test::ThrownMessage([&] { page().RestoreGraphicsState(); })
                  .find("no saved graphics state to restore on page 2"),
              std::string::npos);
    EXPECT_EQ(Written(), "");
    doc.SetCurrentPage(1);
    fresh = page().PageValue.size();
    page().RestoreGraphicsState();
    EXPECT_EQ(Written(), "Q\r\n");
}

TEST_F(Paths, SavedStatesNestAsDeepAsReadersGo) {
    std::string saves;
    for (std::size_t i = 0; i < kMaxSavedStates; ++i, saves += "q\r\n") page().SaveGraphicsState();
    EXPECT_NE(test::ThrownMessage([&] { page().SaveGraphicsState(); }).find("at most 27 states"), std::string::npos);
    EXPECT_EQ(Written(), saves);
}

// Colours and dashes are settings later calls write from: a restore puts
// them back, so a stroke after it draws dashes as they were at the save.
TEST_F(Paths, ARestorePutsBackTheSettingsCallsWriteFrom) {
    doc.SetFillColor(10, 20, 30);
    doc.SetDashLineProperties(3, 1);
    page().SaveGraphicsState();
    page().SaveGraphicsState();
    doc.SetFillColor(200, 0, 0);
    doc.SetLineColor(0, 0, 200);
    doc.SetDashLineProperties(0, 0);
    page().RestoreGraphicsState();
    EXPECT_EQ(doc.FillColor(), (std::array<std::int32_t, 3>{10, 20, 30}));
    EXPECT_EQ(doc.LineColor(), (std::array<std::int32_t, 3>{0, 0, 0}));
    fresh = page().PageValue.size();
    page().MoveTo(0, 0);
    page().LineTo(10, 0);
    page().DrawPath(PaintMode::Stroke);
    page().DrawLine(1, 0, 10, 5, 5);
    EXPECT_EQ(Written(), "[3 1] 0 d\r\n0 842 m\r\n10 842 l\r\nS\r\n[3 1] 0 d\r\n1 w\r\n0 837 m\r\n10 837 l\r\nS\r\n");
}

// Parked pages too: a page left with saved states is balanced from its
// stream, and the document keeps its text as it was for a write that fails.
TEST_F(Paths, TheWriteRestoresWhatEachPageLeftSaved) {
    doc.ParkFromPages = 2;
    page().SaveGraphicsState();
    page().SaveGraphicsState();
    page().RestoreGraphicsState();
    page().SaveGraphicsState();
    doc.NewPage();
    doc.NewPage();
    page().SaveGraphicsState();
    const std::string first = doc.Page(1).PageValue;
    const std::int32_t contents[] = {doc.Page(1).ContentNumber, doc.Page(2).ContentNumber, doc.Page(3).ContentNumber};
    doc.SetCurrentPage(2);  // page 1 and 3 parked
    const test::ScratchFolder folder;
    EXPECT_THROW(doc.SaveToFile(folder.File("missing/out.pdf")), EngineError);
    EXPECT_EQ(doc.Page(1).PageValue, first);
    const std::string bytes = doc.SaveToByteArray();
    EXPECT_TRUE(test::PdfStructureIsSound(bytes));
    EXPECT_TRUE(ContentOf(bytes, contents[0]).ends_with("q\r\nq\r\nQ\r\nq\r\nQ\r\nQ\r\n"));
    EXPECT_EQ(ContentOf(bytes, contents[1]), "0 0 0 rg\r\n0 0 0 RG\r\n");
    EXPECT_EQ(ContentOf(bytes, contents[2]), "0 0 0 rg\r\n0 0 0 RG\r\nq\r\nQ\r\n");
}

// The structural checker the fuzzers trust sees what a reader's state
// stack would refuse.
TEST(PathFiles, StructureCheckerFindsUnbalancedStates) {
    const std::pair<const char*, const char*> contents[] = {
        {"q\r\nQ\r\nQ\r\n", "Q without a saved graphics state"},
        {"q\r\nq\r\nQ\r\n", "1 saved graphics state(s) left unrestored"},
        {"BT\r\nq\r\nET\r\nQ\r\n", "q inside a text object"},
        {"BT\r\nBT\r\nET\r\n", "BT inside a text object"},
        {"ET\r\n", "ET without BT"},
        {"BT\r\n", "a text object left open"},
    };
    for (const auto& [content, problem] : contents) {
        TPDFDoc doc;
        doc.ResetDocument();
        doc.Page(1).PageValue += content;
        const std::string found = test::DescribeProblems(test::PdfStructureProblems(doc.SaveToByteArray()));
        EXPECT_NE(found.find(problem), std::string::npos) << content << found;
    }
}

// ---- opacity

TEST_F(Paths, EachPairOfOpacitiesIsOneSharedState) {
    page().SetOpacity(0.5, 1);
    doc.NewPage();
    page().SetOpacity(0.25, 0.75);
    page().SetOpacity(0.50001, 1);  // written as 0.5
    EXPECT_EQ(page().PageValue, "0 0 0 rg\r\n0 0 0 RG\r\n/GS2 gs\r\n/GS1 gs\r\n");
    ASSERT_EQ(doc.OpacityStates().size(), 2u);
    const std::int32_t first = doc.OpacityStates()[0].objectNumber;
    const std::int32_t second = doc.OpacityStates()[1].objectNumber;
    EXPECT_NE(doc.ResourcesPDF_Binary().find("/ExtGState\r\n<<\r\n/GS1 " + std::to_string(first) + " 0 R \r\n/GS2 " +
                                             std::to_string(second) + " 0 R \r\n>>\r\n>>\r\n"),
              std::string::npos);
    const std::string bytes = doc.SaveToByteArray();
    EXPECT_TRUE(bytes.starts_with("%PDF-1.4\r\n"));
    EXPECT_NE(bytes.find(std::to_string(first) + " 0 obj\r\n<<\r\n/Type /ExtGState\r\n/ca 0.5\r\n/CA 1\r\n>>"),
              std::string::npos);
    EXPECT_TRUE(test::PdfStructureIsSound(bytes));
}

TEST_F(Paths, OpacityOutsideZeroToOneIsRefused) {
    for (const double bad : {-0.01, 1.01, static_cast<double>(NAN), static_cast<double>(INFINITY)}) {
        EXPECT_NE(test::ThrownMessage([&] { page().SetOpacity(0.5, bad); }).find("Invalid stroke opacity"),
                  std::string::npos);
        EXPECT_NE(test::ThrownMessage([&] { page().SetOpacity(bad, 0.5); }).find("Invalid fill opacity"),
                  std::string::npos);
    }
    EXPECT_EQ(Written(), "");
    EXPECT_TRUE(doc.OpacityStates().empty());
}

TEST_F(Paths, PdfA1RefusesTranslucencyAtTheCallAndAtTheWrite) {
    doc.SetConformance("PDF/A-1b");
    page().SetOpacity(1, 1);  // opaque: allowed
    EXPECT_NE(test::ThrownMessage([&] { page().SetOpacity(0.5, 1); }).find("PDF/A-1 forbids transparency"),
              std::string::npos);
    doc.SetConformance("");
    page().SetOpacity(1, 0.5);
    doc.SetConformance("PDF/A-1b");
    EXPECT_NE(test::ThrownMessage([&] { doc.SaveToByteArray(); })
                  .find("Cannot write the document as PDF/A-1b: PDF/A-1 forbids transparency"),
              std::string::npos);
    doc.SetConformance("PDF/A-2b");
    EXPECT_TRUE(test::PdfStructureIsSound(doc.SaveToByteArray()));
}

// ---- files readers and checkers take

void DrawEverything(TPDFDoc& doc, double opacity) {
    TPage& page = doc.CurrentPageRef();
    doc.SetUnitOfMeasure("mm");
    page.SaveGraphicsState();
    page.SetLineStyle(1, 1, 4);
    page.SetOpacity(opacity, opacity);
    page.MoveTo(20, 20);
    page.CurveTo(60, 0, 100, 60, 140, 20);
    page.LineTo(140, 80);
    page.ClosePath();
    page.DrawPath(PaintMode::FillStrokeEvenOdd);
    page.MoveTo(20, 100);
    page.LineTo(80, 100);
    page.LineTo(50, 150);
    page.ClosePath();
    page.DrawPath(PaintMode::Clip);
    page.DrawRect(1, 1, 0, 0, 200, 90, 80);
    page.RestoreGraphicsState();
    page.SaveGraphicsState();  // left for the write to restore
    page.TextOut("After the restore", 20, 200);
}

TEST(PathFiles, TaggedCheckersAndPreflightAcceptThem) {
    const test::ScratchFolder folder;
    TPDFDoc tagged;
    tagged.ResetDocument();
    tagged.SetTagged(true);
    tagged.SetLanguage("en");
    DrawEverything(tagged, 0.5);
    const std::string bytes = tagged.SaveToByteArray();
    EXPECT_EQ(test::DescribeProblems(test::TaggedStructureProblems(bytes)), "");
    const std::string taggedPath = folder.File("tagged.pdf");
    test::WriteFile(taggedPath, bytes);
    EXPECT_TRUE(test::QpdfCheckIsClean(taggedPath));
    const test::CommandResult ua = test::RunCommand("/usr/bin/python3 " VELLUM_UA_CHECK " " +
                                                    test::ShellQuote(taggedPath) + " | grep content-tagged");
    EXPECT_EQ(ua.output, "");

    // Preflight knows PDF/A-1b only: opaque states pass it, and of a PDF/A-2b
    // file it finds only the transparency that part 2 allows.
    std::string paths;
    std::vector<std::string> files;
    for (const auto& [level, opacity] : {std::pair{"PDF/A-1b", 1.0}, std::pair{"PDF/A-2b", 0.5}}) {
        TPDFDoc doc;
        doc.ResetDocument();
        doc.SetConformance(level);
        DrawEverything(doc, opacity);
        const std::string path = folder.File(std::string(level).substr(4) + ".pdf");
        test::WriteFile(path, doc.SaveToByteArray());
        EXPECT_TRUE(test::QpdfCheckIsClean(path));
        paths += " " + test::ShellQuote(path);
        files.push_back(path);
    }
    const test::CommandResult run = test::RunCommand(VELLUM_PREFLIGHT + paths);
    EXPECT_EQ(run.output, files[0] + ": valid\n" + files[1] +
                              ": invalid\n"
                              "  4.1.2: Transparency error, CA entry in a ExtGState is invalid (page 1)\n"
                              "  4.1.2: Transparency error, ca entry in a ExtGState is invalid (page 1)\n"
                              "  7.11.2: Error on MetaData, part must be 1\n");
}

}  // namespace
}  // namespace vellum

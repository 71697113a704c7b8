#include <gtest/gtest.h>

#include <cmath>

#include "document.h"
#include "errors.h"
#include "test_support.h"

namespace vellum {
namespace {

class Graphics : public ::testing::Test {
protected:
    void SetUp() override {
        doc.ResetDocument();
        doc.SetUnitOfMeasure("pdfu");
        fresh = page().PageValue.size();
    }
    TPage& page() { return doc.Page(1); }
    std::string Written() { return page().PageValue.substr(fresh); }
    static int Lines(const std::string& text) {
        int lines = 0;
        for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++lines;
        return lines;
    }

    TPDFDoc doc;
    std::size_t fresh = 0;
};

TEST_F(Graphics, LineFromTopLeftToBottomRight) {
    page().DrawLine(0.5, 10, 100, 20, 30);
    EXPECT_EQ(Written(), "[] 0 d\r\n0.5 w\r\n10 822 m\r\n100 812 l\r\nS\r\n");
}

TEST_F(Graphics, WidthsAreNeverScaledAndDashesAre) {
    doc.SetUnitOfMeasure("mm");
    doc.SetDashLineProperties(2, 1);
    page().DrawLine(0.5, 0, 0, 0, 0);
    EXPECT_TRUE(Written().starts_with("[5.6667 2.8333] 0 d\r\n0.5 w\r\n")) << Written();
    doc.SetDashLineProperties(5, 0);
    fresh = page().PageValue.size();
    page().DrawLine(1, 0, 0, 0, 0);
    EXPECT_TRUE(Written().starts_with("[] 0 d\r\n1 w\r\n"));
}

TEST_F(Graphics, RectangleRunsRoundFromTheBottomLeft) {
    page().DrawRect(2, 1, 1, 10, 100, 20, 50);
    EXPECT_EQ(Written(), "[] 0 d\r\n2 w\r\n10 772 m\r\n10 822 l\r\n110 822 l\r\n110 772 l\r\n10 772 l\r\nb*\r\n");
}

TEST_F(Graphics, FlagsChooseThePaintOperator) {
    const struct {
        int outline, fill;
        const char* last;
    } cases[] = {{1, 0, "s\r\n"}, {0, 1, "f*\r\n"}, {1, 1, "b*\r\n"}, {2, 0, "l\r\n\r\n"}, {-1, -1, "l\r\n\r\n"}};
    for (const auto& c : cases) {
        fresh = page().PageValue.size();
        page().DrawRect(1, c.fill, c.outline, 0, 10, 0, 10);
        EXPECT_TRUE(Written().ends_with(c.last)) << c.outline << c.fill;
    }
    fresh = page().PageValue.size();
    page().DrawRect(1, 0, 0, 0, 10, 0, 10);
    page().DrawEllipse(1, 0, 0, 0, 10, 0, 10);
    page().DrawCircle(1, 0, 0, 5, 5, 5);
    page().DrawArc(0, 0, 5, 5, 5, 0, 90, 1, 1);
    EXPECT_EQ(Written(), "");
}

TEST_F(Graphics, CircleIsFourCurvesAroundItsCentre) {
    page().DrawCircle(1, 0, 1, 100, 100, 10);
    EXPECT_EQ(Written(),
              "[] 0 d\r\n1 w\r\n90 742 m\r\n"
              "90 747.5229 94.4771 752 100 752 c\r\n"
              "105.5229 752 110 747.5229 110 742 c\r\n"
              "110 736.4771 105.5229 732 100 732 c\r\n"
              "94.4771 732 90 736.4771 90 742 c\r\n"
              "s\r\n");
}

TEST_F(Graphics, EllipseCentresOnItsBox) {
    page().DrawEllipse(3, 1, 0, 10, 40, 100, 20);
    const std::string written = Written();
    EXPECT_TRUE(written.starts_with("[] 0 d\r\n3 w\r\n10 732 m\r\n10 737.5229 18.9542 742 30 742 c\r\n")) << written;
    EXPECT_TRUE(written.ends_with("f*\r\n"));
}

TEST_F(Graphics, SectorsAreOneDegreeSegmentsThroughTheCentre) {
    page().DrawArc(1, 0, 100, 100, 50, 0, 90, 0, 1);
    const std::string written = Written();
    EXPECT_EQ(Lines(written), 95);
    EXPECT_TRUE(written.starts_with("n\r\n100.0 792.0 m\r\n")) << written.substr(0, 40);  // straight above the centre
    EXPECT_TRUE(written.ends_with("150.0 742.0 l\r\n100.0 742.0 l\r\n100.0 792.0 l\r\ns\r\n"));

    fresh = page().PageValue.size();
    page().DrawArc(1, 1, 100, 100, 50, 10.9, 10, 0, 1);
    EXPECT_EQ(Lines(Written()), 5);  // start, centre, start again

    fresh = page().PageValue.size();
    page().DrawArc(1, 0, 100, 100, 50, -0.5, 1.7, 0, 1);
    EXPECT_EQ(Lines(Written()), 6);  // -0.5 is taken as 0
}

TEST_F(Graphics, AnArcWithoutThePieLinesIsTheArcAlone) {
    page().DrawArc(1, 0, 100, 100, 50, 0, 90, 2.5, 0);
    const std::string written = Written();
    EXPECT_TRUE(written.starts_with("2.5 w\r\nn\r\n100.0 792.0 m\r\n"));
    EXPECT_TRUE(written.ends_with("150.0 742.0 l\r\nS\r\n"));
    EXPECT_EQ(Lines(written), 94);
    fresh = page().PageValue.size();
    page().DrawArc(1, 1, 100, 100, 50, 0, 10, 0, 0);
    EXPECT_TRUE(Written().ends_with("l\r\nB*\r\n"));
    fresh = page().PageValue.size();
    page().DrawArc(0, 1, 100, 100, 50, 0, 10, 0, 0);
    EXPECT_TRUE(Written().ends_with("l\r\nf*\r\n"));
}

TEST_F(Graphics, LineStylesAcceptOnlyTheirRange) {
    page().SetLineCapStyle(3);
    page().SetLineJoinStyle(-1);
    EXPECT_EQ(Written(), "");
    page().SetLineCapStyle(1);
    page().SetLineJoinStyle(2);
    page().SetLineWidth(-2);
    EXPECT_EQ(Written(), "1 J\r\n2 j\r\n-2 w\r\n");
}

TEST_F(Graphics, ColoursGoToTheCurrentPageAndStoreOnlyValidComponents) {
    doc.NewPage();
    doc.SetCurrentPage(1);
    doc.SetFillColor(300, 0, 255);
    doc.SetLineColor(0, 128, -1);
    EXPECT_EQ(Written(), "1.18 0.00 1.00 rg\r\n0.00 0.50 0.00 RG\r\n");
    EXPECT_EQ(doc.FillColor(), (std::array<std::int32_t, 3>{0, 0, 255}));
    EXPECT_EQ(doc.LineColor(), (std::array<std::int32_t, 3>{0, 128, 0}));
    EXPECT_EQ(doc.Page(2).PageValue, "0 0 0 rg\r\n0 0 0 RG\r\n");
}

TEST_F(Graphics, TheDocumentsPageHeightFlipsEveryPage) {
    doc.NewPage();
    doc.SetPageDimensions(100, 200);  // page 2 and pages to come
    page().DrawLine(1, 0, 0, 10, 10);
    EXPECT_NE(Written().find("0 190 m"), std::string::npos) << Written();
}

TEST_F(Graphics, BadNumbersAreRefusedAndAppendNothing) {
    const double nan = std::nan("");
    EXPECT_THROW(page().DrawLine(nan, 0, 0, 0, 0), EngineError);
    EXPECT_THROW(page().DrawRect(1, 1, 1, 0, INFINITY, 0, 1), EngineError);
    EXPECT_THROW(page().DrawEllipse(1, 1, 1, 0, 1, nan, 1), EngineError);
    EXPECT_THROW(page().DrawCircle(1, 1, 1, 0, 1, -INFINITY), EngineError);
    EXPECT_THROW(page().DrawArc(1, 1, 0, 0, 1, 0, nan, 0, 1), EngineError);
    EXPECT_THROW(doc.SetDashLineProperties(nan, 1), EngineError);
    EXPECT_THROW(page().DrawArc(1, 1, 0, 0, 1, 0, 1e12, 0, 1), EngineError);
    EXPECT_THROW(page().DrawArc(1, 1, 0, 0, 1, -20000, 20000, 0, 1), EngineError);
    EXPECT_EQ(Written(), "");
    page().DrawArc(1, 1, 0, 0, 1, 0, 36000, 0, 1);  // a hundred turns are allowed
    EXPECT_EQ(Lines(Written()), 36005);
}

TEST_F(Graphics, ReadersAcceptEveryShape) {
    doc.SetUnitOfMeasure("mm");
    doc.SetLineColor(200, 0, 0);
    doc.SetFillColor(0, 120, 200);
    doc.SetDashLineProperties(3, 1.5);
    page().DrawLine(0.8, 20, 190, 20, 40);
    page().DrawRect(1, 1, 1, 20, 50, 50, 30);
    page().DrawEllipse(2, 0, 1, 80, 60, 50, 30);
    page().DrawCircle(1, 1, 0, 170, 65, 15);
    page().SetLineCapStyle(1);
    page().SetLineJoinStyle(1);
    page().DrawArc(1, 1, 50, 150, 30, 30, 300, 1, 1);
    page().DrawArc(1, 0, 140, 150, 30, -45, 45, 2, 0);
    test::ScratchFolder scratch;
    const std::string path = scratch.File("shapes.pdf");
    doc.SaveToFile(path);
    EXPECT_TRUE(test::QpdfCheckIsClean(path));
    const auto render = test::RunCommand("pdftoppm -r 30 -png " + test::ShellQuote(path) + " " +
                                         test::ShellQuote(scratch.File("shapes")));
    EXPECT_EQ(render.status, 0);
    EXPECT_EQ(render.output, "");
}

}  // namespace
}  // namespace vellum

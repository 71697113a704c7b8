#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>

#include "document.h"
#include "errors.h"

namespace vellum {
namespace {

class FreshDocument : public ::testing::Test {
protected:
    void SetUp() override { doc.ResetDocument(); }
    TPDFDoc doc;
};

TEST_F(FreshDocument, HasTheFixedSkeletonNumbers) {
    EXPECT_EQ(doc.ObjectCount(), 20);
    EXPECT_EQ(doc.Root->ObjectNumber, 1);
    EXPECT_EQ(doc.Resources->ObjectNumber, 2);
    EXPECT_EQ(doc.Outlines->ObjectNumber, 3);
    EXPECT_EQ(doc.Info->ObjectNumber, 4);
    EXPECT_EQ(doc.ViewerPreferences->ObjectNumber, 5);
    EXPECT_EQ(doc.Pages->ObjectNumber, 6);
    EXPECT_EQ(doc.Root->PagesNumber, 6);
    EXPECT_EQ(doc.Root->OutlinesNumber, 3);
    EXPECT_EQ(doc.Root->ViewerPreferencesNumber, 5);
    for (std::size_t i = 0; i < 12; ++i) EXPECT_EQ((*doc.Fonts)[i].ObjectNumber, 7 + static_cast<int>(i));

    ASSERT_EQ(doc.Pages->Count(), 1u);
    const TPage& page = doc.Page(1);
    EXPECT_EQ(page.ObjectNumber, 20);
    EXPECT_EQ(page.ContentNumber, 19);
    EXPECT_EQ(page.ParentNumber, 6);
    EXPECT_EQ(page.ResourcesNumber, 2);
    EXPECT_EQ(page.Width, 595);
    EXPECT_EQ(page.Height, 842);
    EXPECT_EQ(page.PageValue, "0 0 0 rg\r\n0 0 0 RG\r\n");
    EXPECT_EQ((*doc.Contents)[0].ObjectNumber, 19);

    EXPECT_EQ(doc.CurrentPageNumber(), 1);
    EXPECT_EQ(doc.CurrentFont(), "/F0");
    EXPECT_EQ(doc.NextFontIndex(), 12);  // the standard fonts took 0 to 11
    EXPECT_EQ(doc.ParagraphAlignment(), Alignment::Left);
    EXPECT_EQ(doc.FontHeight(), 12);
    EXPECT_TRUE(doc.Root->SinglePage);
    EXPECT_FALSE(doc.Root->UseOutlines);
}

TEST_F(FreshDocument, NewPageTakesTwoNumbersAndBecomesCurrent) {
    doc.NewPage();
    EXPECT_EQ((*doc.Contents)[1].ObjectNumber, 21);
    EXPECT_EQ(doc.Page(2).ObjectNumber, 22);
    EXPECT_EQ(doc.Page(2).ContentNumber, 21);
    EXPECT_EQ(doc.CurrentPageNumber(), 2);
    EXPECT_EQ(doc.ObjectCount(), 22);
}

TEST(Construction, HoldsTheConstructionValues) {
    TPDFDoc doc;
    EXPECT_EQ(doc.UnitOfMeasure(), "mm");
    EXPECT_EQ(doc.UnitFactor(), 2.833333);
    EXPECT_EQ(doc.PageWidth(), 595);
    EXPECT_EQ(doc.PageHeight(), 842);
    EXPECT_EQ(doc.CurrentPageNumber(), 0);
    EXPECT_EQ(doc.ParagraphLeadingPoints(), 0);
    EXPECT_TRUE(doc.IsCleared());
    EXPECT_THROW(doc.NewPage(), EngineError);
}

TEST_F(FreshDocument, UnitNamesAreMatchedWithoutCaseAndKeptAsWritten) {
    doc.SetUnitOfMeasure("CM");
    EXPECT_EQ(doc.UnitOfMeasure(), "CM");
    EXPECT_EQ(doc.UnitFactor(), 28.3333333);
    doc.SetUnitOfMeasure("feet");
    EXPECT_EQ(doc.UnitOfMeasure(), "CM");
    EXPECT_EQ(doc.UnitFactor(), 28.3333333);
    doc.SetUnitOfMeasure("Inch");
    EXPECT_EQ(doc.UnitFactor(), 71.96582);
    doc.SetUnitOfMeasure("pdfu");
    EXPECT_EQ(doc.UnitFactor(), 1.0);
    doc.SetUnitOfMeasure("mm");
    EXPECT_EQ(doc.UnitFactor(), 2.8333333);
}

TEST_F(FreshDocument, LengthsAreStoredInPointsAndReadInTheUnitInForce) {
    EXPECT_DOUBLE_EQ(doc.GetParagraphLeading(), 10);
    EXPECT_DOUBLE_EQ(doc.ParagraphLeadingPoints(), 28.33333);
    doc.SetUnitOfMeasure("pdfu");
    EXPECT_DOUBLE_EQ(doc.GetParagraphLeading(), 28.33333);

    doc.SetParagraphWidth(-3);
    EXPECT_EQ(doc.GetParagraphWidth(), 0);
    doc.SetParagraphLeading(0);
    EXPECT_EQ(doc.ParagraphLeadingPoints(), 0);
    doc.SetUnitOfMeasure("mm");
    doc.SetParagraphWidth(100);
    EXPECT_DOUBLE_EQ(doc.ParagraphWidthPoints(), 283.33333);
}

TEST_F(FreshDocument, PageDimensionsAreTruncatedAndApplyToTheCurrentAndLaterPages) {
    doc.SetUnitOfMeasure("mm");
    doc.NewPage();
    doc.SetPageDimensions(210, 297);
    EXPECT_EQ(doc.PageWidth(), 594);
    EXPECT_EQ(doc.PageHeight(), 841);
    EXPECT_EQ(doc.Page(1).Width, 595);
    EXPECT_EQ(doc.Page(2).Width, 594);
    EXPECT_EQ(doc.Page(2).Height, 841);
    doc.NewPage();
    EXPECT_EQ(doc.Page(3).Height, 841);

    doc.SetUnitOfMeasure("pdfu");
    doc.SetPageDimensions(100.9, 50.9);
    EXPECT_EQ(doc.PageWidth(), 100);
    EXPECT_EQ(doc.PageHeight(), 50);
}

TEST(ParagraphAlignment, NamesAreReadByTheirFirstLetterAndOtherWordsNameNone) {
    const std::pair<std::string_view, std::optional<Alignment>> cases[] = {
        {"center", Alignment::Center}, {"Right", Alignment::Right}, {"f", Alignment::Full},
        {"L", Alignment::Left},        {"justify", std::nullopt},   {"", std::nullopt}};
    for (const auto& [word, expected] : cases) {
        EXPECT_EQ(ParseAlignment(word), expected) << word;
        if (expected) {
            EXPECT_EQ(ParseAlignment(AlignmentName(*expected)), expected);
        }
    }
}

TEST_F(FreshDocument, NonFiniteNumbersAreRefusedAndChangeNothing) {
    const double bad[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity()};
    for (double value : bad) {
        EXPECT_THROW(doc.SetPageDimensions(value, 100), EngineError);
        EXPECT_THROW(doc.SetPageDimensions(100, value), EngineError);
        EXPECT_THROW(doc.SetParagraphWidth(value), EngineError);
        EXPECT_THROW(doc.SetParagraphLeading(value), EngineError);
        EXPECT_THROW(doc.SetFontHeight(value), EngineError);
    }
    EXPECT_EQ(doc.PageWidth(), 595);
    EXPECT_EQ(doc.Page(1).Height, 842);
    EXPECT_EQ(doc.ParagraphWidthPoints(), 0);
    EXPECT_EQ(doc.FontHeight(), 12);
    EXPECT_THROW(doc.SetPageDimensions(1e300, 10), EngineError);
}

TEST_F(FreshDocument, AWrittenDocumentRefusesEverythingButReset) {
    doc.SaveToByteArray();
    EXPECT_TRUE(doc.IsCleared());
    EXPECT_THROW(doc.NewPage(), EngineError);
    EXPECT_THROW(doc.Page(1), EngineError);
    EXPECT_THROW(doc.SetPageDimensions(100, 100), EngineError);
    EXPECT_THROW(doc.SelectFont("Courier"), EngineError);
    EXPECT_THROW(doc.RequireInfo(), EngineError);
    EXPECT_THROW(doc.SaveToByteArray(), EngineError);
    EXPECT_THROW(doc.SetSinglePage(false), EngineError);
    doc.ClearDocument();  // clearing twice is harmless
    doc.ResetDocument();
    EXPECT_EQ(doc.Pages->Count(), 1u);
    EXPECT_EQ(doc.ObjectCount(), 20);
}

TEST_F(FreshDocument, PageLookupOutsideTheDocumentFails) {
    EXPECT_THROW(doc.Page(0), EngineError);
    EXPECT_THROW(doc.Page(2), EngineError);
    EXPECT_THROW(doc.Page(-1), EngineError);
    EXPECT_THROW((*doc.Pages)[5], EngineError);
}

}  // namespace
}  // namespace vellum

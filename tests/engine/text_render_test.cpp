// Independent readers check what text output wrote: pdftotext finds every
// word of wrapped and justified paragraphs in order, and a rendered page shows
// each line inside the box its measured width predicts.
#include <gtest/gtest.h>

#include <sstream>

#include "document.h"
#include "test_support.h"

namespace vellum {
namespace {

std::vector<std::string> Words(const std::string& text) {
    std::istringstream stream(text);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) words.push_back(word);
    return words;
}

// A grey page image at 72 dpi, one pixel per point.
struct GreyImage {
    int width = 0, height = 0;
    std::string pixels;
    bool Dark(int x, int y) const { return static_cast<unsigned char>(pixels[y * width + x]) < 128; }
};

GreyImage Render(const std::string& pdf, const std::string& prefix) {
    test::RunCommand("pdftoppm -r 72 -gray -singlefile " + test::ShellQuote(pdf) + " " + test::ShellQuote(prefix));
    std::istringstream file(test::ReadFile(prefix + ".pgm"));
    std::string magic;
    int maximum = 0;
    GreyImage image;
    file >> magic >> image.width >> image.height >> maximum;
    file.get();
    image.pixels.assign(std::istreambuf_iterator<char>(file), {});
    EXPECT_EQ(magic, "P5");
    EXPECT_EQ(image.pixels.size(), static_cast<std::size_t>(image.width * image.height));
    return image;
}

TEST(TextReadBack, EveryWrappedParagraphKeepsItsWordsInOrder) {
    const std::string paragraph =
        "Vellum writes every paragraph as a run of lines wrapped at blanks against the paragraph width, "
        "and justified lines as one block per word spread over the whole width, so a reader must still "
        "find each word once and in the order it was written, whatever the alignment or the font.";
    TPDFDoc doc;
    doc.ResetDocument();
    doc.SetUnitOfMeasure("mm");
    doc.SetParagraphWidth(120);
    doc.SetParagraphLeading(6);
    const Alignment alignments[] = {Alignment::Left, Alignment::Center, Alignment::Right, Alignment::Full};
    const char* fonts[] = {"Helvetica", "Times-Roman", "Courier", "Times-BoldItalic"};
    for (int i = 0; i < 4; ++i) {
        doc.SetParagraphAlignment(alignments[i]);
        doc.SelectFont(fonts[i]);
        const double x = i == 1 ? 105 : i == 2 ? 190 : 20;
        doc.Page(1).TextOutEx(paragraph, x, 20 + i * 60);
    }
    test::ScratchFolder scratch;
    const std::string path = scratch.File("paragraphs.pdf");
    doc.SaveToFile(path);
    const auto text = test::RunCommand("pdftotext " + test::ShellQuote(path) + " -");
    ASSERT_EQ(text.status, 0);
    std::vector<std::string> expected;
    for (int i = 0; i < 4; ++i) {
        for (const std::string& word : Words(paragraph)) expected.push_back(word);
    }
    EXPECT_EQ(Words(text.output), expected) << text.output;
}

TEST(TextReadBack, RenderedLinesStayInsideTheirMeasuredBoxes) {
    test::ScratchFolder scratch;
    const std::pair<const char*, const char*> samples[] = {
        {"Helvetica", "Measured width"}, {"Times-Roman", "WAVE of quiet ink"}, {"Courier", "monospaced 0123"},
        {"Helvetica-Bold", "MMMMMMMM"}};
    for (const auto& [font, sample] : samples) {
        for (const Alignment alignment : {Alignment::Left, Alignment::Center, Alignment::Right}) {
            TPDFDoc doc;
            doc.ResetDocument();
            doc.SetUnitOfMeasure("pdfu");
            doc.SelectFont(font);
            doc.SetFontHeight(36);
            doc.SetParagraphAlignment(alignment);
            TPage& page = doc.Page(1);
            const double anchor = 300;
            page.TextOut(sample, anchor, 400);
            const double width = page.TextWidth(sample, doc.CurrentFont()) / 2.83333 * 72 / 25.4;  // back to points
            const std::string path = scratch.File("box.pdf");
            doc.SaveToFile(path);
            const GreyImage image = Render(path, scratch.File("box"));
            int left = image.width, right = -1;
            for (int y = 0; y < image.height; ++y) {
                for (int x = 0; x < image.width; ++x) {
                    if (image.Dark(x, y)) {
                        left = std::min(left, x);
                        right = std::max(right, x);
                    }
                }
            }
            const double start = alignment == Alignment::Left       ? anchor
                                 : alignment == Alignment::Center ? anchor - width / 2
                                                                      : anchor - width;
            const std::string where = std::string(font) + " " + std::string(AlignmentName(alignment));
            ASSERT_GE(right, 0) << where << ": nothing was drawn";
            // Ink lies inside the advance box, give or take a side bearing and a pixel.
            EXPECT_GE(left, start - 2) << where;
            EXPECT_LE(right, start + width + 2) << where;
            EXPECT_GE(right - left, width * 0.85) << where;
        }
    }
}

}  // namespace
}  // namespace vellum

// The fixed benchmark workloads, expressed in the object's own calls. Every
// input comes from one 32-bit linear congruential generator, restarted for
// each workload, so every run and every peer sees the same pages.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "calls.h"
#include "lcg.h"

namespace vellum::bench {
namespace {

constexpr double kPageHeight = 842;

void W0(Calls& calls, const std::string& output) {
    calls.NewPDF("W0");
    calls.SavePDF(output);
}

void W1(Calls& calls, const std::string& output, int pages) {
    Lcg lcg;
    calls.NewPDF("W1");
    if (const char* method = std::getenv("W1_ENCRYPT")) calls.Encrypt("user", "owner", "print", method);
    if (const char* level = std::getenv("W1_CONFORMANCE")) calls.SetConformance(level);
    calls.SetUnitOfMeasure("pdfu");
    calls.SetFontName("Helvetica");
    calls.SetFontHeight(10);
    for (int page = 0; page < pages; ++page) {
        if (page > 0) calls.AddPage();
        for (int i = 0; i < 60; ++i) calls.TextOut(lcg.Line80(), 50, 40 + 12.5 * i);
    }
    calls.SavePDF(output);
}

// Colour components are integers 0..255 here: unit() is scaled and rounded.
long Component(Lcg& lcg) { return static_cast<long>(lcg.Unit() * 255 + 0.5); }

void W2Shape(Calls& calls, Lcg& lcg, int kind) {
    if (kind == 0) {
        const double x1 = lcg.Unit() * 595, y1 = lcg.Unit() * 842, x2 = lcg.Unit() * 595, y2 = lcg.Unit() * 842;
        calls.DrawLine(0.5, x1, x2, kPageHeight - y1, kPageHeight - y2);
        return;
    }
    long r = 0, g = 0, b = 0;
    if (kind >= 2) {
        r = Component(lcg);
        g = Component(lcg);
        b = Component(lcg);
        calls.SetFillColor(r, g, b);
    }
    if (kind == 3) {
        const double cx = lcg.Unit() * 595, cy = lcg.Unit() * 842, radius = 3 + lcg.Unit() * 30;
        calls.DrawCircle(1, 1, 1, cx, kPageHeight - cy, radius);
        return;
    }
    const double x = lcg.Unit() * 595, y = lcg.Unit() * 842;
    const double w = 5 + lcg.Unit() * 100, h = 5 + lcg.Unit() * 100;
    const bool filled = kind == 2;
    calls.DrawRect(1, filled ? 1 : 0, filled ? 0 : 1, x, w, kPageHeight - (y + h), h);
}

void W2(Calls& calls, const std::string& output) {
    Lcg lcg;
    calls.NewPDF("W2");
    calls.SetUnitOfMeasure("pdfu");
    for (int page = 0; page < 200; ++page) {
        if (page > 0) calls.AddPage();
        for (int shape = 0; shape < 500; ++shape) W2Shape(calls, lcg, shape % 4);
    }
    calls.SavePDF(output);
}

void W3(Calls& calls, const std::string& output) {
    Lcg lcg;
    calls.NewPDF("W3");
    if (std::getenv("W3_TAGGED") != nullptr) calls.SetTagged(true);
    calls.SetUnitOfMeasure("pdfu");
    if (const char* font = std::getenv("W3_UNICODE_FONT")) {
        calls.AddFontUnicode("W3Unicode", font);
        calls.SetFontName("W3Unicode");
    } else {
        calls.SetFontName("Times-Roman");
    }
    calls.SetFontHeight(11);
    calls.SetParagraphWidth(480);
    calls.SetParagraphLeading(14);
    for (int page = 0; page < 100; ++page) {
        if (page > 0) calls.AddPage();
        double baseline = 40 + 11;  // from the top
        for (int paragraph = 0; paragraph < 6; ++paragraph) {
            const std::string text = lcg.Paragraph(120);
            const long lines = calls.GetTextBoxLines(text);
            calls.TextOut(text, 50, baseline);
            baseline += (lines - 1) * 14.0 + 20;
        }
    }
    calls.SavePDF(output);
}

void W4(Calls& calls, const std::string& output, const std::string& imageFolder) {
    calls.NewPDF("W4");
    if (const char* encoding = std::getenv("W4_IMAGE_ENCODING")) calls.SetImageEncoding(encoding);
    calls.SetUnitOfMeasure("pdfu");
    const long pictures[2] = {calls.ImportImageAsResource(imageFolder + "/w4a.bmp", 75),
                              calls.ImportImageAsResource(imageFolder + "/w4b.jpg", 75)};
    for (int page = 0; page < 100; ++page) {
        if (page > 0) calls.AddPage();
        for (int k = 0; k < 10; ++k) {
            const double bottom = kPageHeight - 30 - (k / 2 + 1) * 155.0;
            calls.DrawImageResource(30 + (k % 2) * 280.0, kPageHeight - (bottom + 150), 250, 150, pictures[k % 2]);
        }
    }
    calls.SavePDF(output);
}

void W5(Calls& calls, const std::string& output, int bookmarks) {
    Lcg lcg;
    calls.NewPDF("W5");
    calls.SetUnitOfMeasure("pdfu");
    calls.SetFontName("Helvetica");
    calls.SetFontHeight(12);
    constexpr int kPages = 1000;
    for (int page = 0; page < kPages; ++page) {
        if (page > 0) calls.AddPage();
        const std::string number = std::to_string(page + 1);
        calls.TextOut("Page " + number + " of 1000", 50, kPageHeight - 800);
    }
    // Links need their target pages to exist, so they follow the pages.
    for (int page = 0; page < kPages; ++page) {
        const long target = static_cast<long>(lcg.Int(kPages));
        calls.SetCurrentPage(page + 1);
        calls.CreateLinkInternal(50, kPageHeight - 700, 250, kPageHeight - 720, target + 1);
        calls.CreateLinkInternet(50, kPageHeight - 650, 250, kPageHeight - 670,
                                 "https://example.com/page/" + std::to_string(page + 1));
    }
    // Chapter c opens at page 10c (wrapping past the last page) and is
    // followed by its nine sections.
    for (int chapter = 0; chapter < bookmarks / 10; ++chapter) {
        const std::string name = std::to_string(chapter + 1);
        calls.AddOutline(10 * chapter % kPages + 1, "Chapter " + name);
        for (int section = 1; section <= 9; ++section) {
            calls.AddChildOutline((10 * chapter + section) % kPages + 1, "Section " + name + "." + std::to_string(section),
                                  10 * chapter + 1);
        }
    }
    calls.SavePDF(output);
}

}  // namespace

bool RunWorkload(std::string_view name, Calls& calls, const std::string& output, const std::string& imageFolder) {
    int scale = 0;
    if (const auto dash = name.find('-'); dash != std::string_view::npos) {
        scale = std::stoi(std::string(name.substr(dash + 1)));
        name = name.substr(0, dash);
        if (scale < 1) return false;
    }
    if (name == "w0") W0(calls, output);
    else if (name == "w1") W1(calls, output, scale ? scale : 500);
    else if (name == "w2") W2(calls, output);
    else if (name == "w3") W3(calls, output);
    else if (name == "w4") W4(calls, output, imageFolder);
    else if (name == "w5") W5(calls, output, scale ? scale : 1000);
    else return false;
    return true;
}

}  // namespace vellum::bench

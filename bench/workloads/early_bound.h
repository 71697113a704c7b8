// The workload calls made through the IPDFDocument virtual table, as a C++
// client of the library does. Every failing call throws with the object's
// error description.
#pragma once

#include "calls.h"

struct IPDFDocument;

namespace vellum::bench {

class EarlyBound final : public Calls {
public:
    // Loads the library that lies beside the running program.
    EarlyBound();
    ~EarlyBound() override;
    EarlyBound(const EarlyBound&) = delete;
    EarlyBound& operator=(const EarlyBound&) = delete;

    void NewPDF(std::string_view title) override;
    void SetUnitOfMeasure(std::string_view unit) override;
    void SetFontName(std::string_view name) override;
    void AddFontUnicode(std::string_view name, std::string_view file) override;
    void SetFontHeight(double height) override;
    void SetParagraphWidth(double width) override;
    void SetParagraphLeading(double leading) override;
    void AddPage() override;
    void SetCurrentPage(long page) override;
    void TextOut(std::string_view text, double x, double y) override;
    long GetTextBoxLines(std::string_view text) override;
    void DrawLine(double width, double left, double right, double top, double bottom) override;
    void DrawRect(long width, long fill, long outline, double left, double rectWidth, double top,
                  double rectHeight) override;
    void DrawCircle(long width, long fill, long outline, double centerX, double centerY, double radius) override;
    void SetFillColor(long r, long g, long b) override;
    long ImportImageAsResource(std::string_view file, long quality) override;
    void DrawImageResource(double x, double y, double width, double height, long image) override;
    void CreateLinkInternal(double x1, double y1, double x2, double y2, long page) override;
    void CreateLinkInternet(double x1, double y1, double x2, double y2, std::string_view uri) override;
    void AddOutline(long page, std::string_view title) override;
    void AddChildOutline(long page, std::string_view title, long parent) override;
    void Encrypt(std::string_view user, std::string_view owner, std::string_view permissions,
                 std::string_view method) override;
    void SetConformance(std::string_view level) override;
    void SetTagged(bool tagged) override;
    void SetImageEncoding(std::string_view encoding) override;
    void SavePDF(std::string_view file) override;

private:
    IPDFDocument* document_ = nullptr;
};

}  // namespace vellum::bench

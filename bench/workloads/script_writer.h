// Writes the workload calls as the lines of a call script. Lines are built
// in one reused buffer and written with stdio, so that generating a script
// of a million lines stays cheap next to running it.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "calls.h"

namespace vellum::bench {

class EarlyBound;

class ScriptWriter final : public Calls {
public:
    explicit ScriptWriter(std::FILE* out);
    ~ScriptWriter() override;

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
    // Starts a line with a member name; Arg adds ", value" after the first.
    ScriptWriter& Start(std::string_view member);
    ScriptWriter& Arg(double value);
    ScriptWriter& Arg(std::string_view text);
    void End();
    // The script cannot compute with results, so a measuring object of our
    // own answers GetTextBoxLines while the script repeats the call.
    EarlyBound& Measurer();

    std::FILE* out_;
    std::string line_;
    bool firstArg_ = true;
    long images_ = 0;
    std::unique_ptr<EarlyBound> measurer_;
};

}  // namespace vellum::bench

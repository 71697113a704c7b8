// The calls a benchmark workload makes, written once and played either
// through the interface's virtual table (an early-bound client) or as the
// lines of a call script for the command-line client (late bound).
#pragma once

#include <string>
#include <string_view>

namespace vellum::bench {

class Calls {
public:
    virtual ~Calls() = default;

    virtual void NewPDF(std::string_view title) = 0;
    virtual void SetUnitOfMeasure(std::string_view unit) = 0;
    virtual void SetFontName(std::string_view name) = 0;
    // SendCmd "AddFontUnicode": the font file becomes font `name`.
    virtual void AddFontUnicode(std::string_view name, std::string_view file) = 0;
    virtual void SetFontHeight(double height) = 0;
    virtual void SetParagraphWidth(double width) = 0;
    virtual void SetParagraphLeading(double leading) = 0;
    virtual void AddPage() = 0;
    virtual void SetCurrentPage(long page) = 0;
    virtual void TextOut(std::string_view text, double x, double y) = 0;
    // Lines a wrapped text takes; a script cannot compute with a result, so
    // the script form answers from a measuring object of its own.
    virtual long GetTextBoxLines(std::string_view text) = 0;
    virtual void DrawLine(double width, double left, double right, double top, double bottom) = 0;
    virtual void DrawRect(long width, long fill, long outline, double left, double rectWidth, double top,
                          double rectHeight) = 0;
    virtual void DrawCircle(long width, long fill, long outline, double centerX, double centerY,
                            double radius) = 0;
    virtual void SetFillColor(long r, long g, long b) = 0;
    virtual long ImportImageAsResource(std::string_view file, long quality) = 0;
    virtual void DrawImageResource(double x, double y, double width, double height, long image) = 0;
    virtual void CreateLinkInternal(double x1, double y1, double x2, double y2, long page) = 0;
    virtual void CreateLinkInternet(double x1, double y1, double x2, double y2, std::string_view uri) = 0;
    virtual void AddOutline(long page, std::string_view title) = 0;
    virtual void AddChildOutline(long page, std::string_view title, long parent) = 0;
    virtual void Encrypt(std::string_view user, std::string_view owner, std::string_view permissions,
                         std::string_view method) = 0;
    virtual void SetConformance(std::string_view level) = 0;
    virtual void SetTagged(bool tagged) = 0;
    virtual void SetImageEncoding(std::string_view encoding) = 0;
    virtual void SavePDF(std::string_view file) = 0;
};

// Runs workload `name` ("w0" ... "w5"); pictures are read from imageFolder.
// "w1-N" writes N pages instead of 500, "w5-N" N bookmarks instead of 1000.
// Returns false for an unknown name. With W1_ENCRYPT set to a method, W1's
// document is encrypted, to time the encryption against a plain write; with
// W1_CONFORMANCE set to an archival level, it claims and meets that level;
// with W3_TAGGED set, W3's document is tagged, to time tagging against a
// plain write; with W3_UNICODE_FONT set to a font file, W3's text is set in
// that file as a Unicode font instead of Times-Roman, to time shaping.
bool RunWorkload(std::string_view name, Calls& calls, const std::string& output, const std::string& imageFolder);

}  // namespace vellum::bench

#include "script_writer.h"

#include <charconv>

#include "early_bound.h"

namespace vellum::bench {

ScriptWriter::ScriptWriter(std::FILE* out) : out_(out) {}
ScriptWriter::~ScriptWriter() = default;

ScriptWriter& ScriptWriter::Start(std::string_view member) {
    line_.assign(member);
    firstArg_ = true;
    return *this;
}

ScriptWriter& ScriptWriter::Arg(double value) {
    line_ += firstArg_ ? " " : ", ";
    firstArg_ = false;
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    line_.append(digits, result.ptr);
    return *this;
}

// A double quote inside a literal is written twice.
ScriptWriter& ScriptWriter::Arg(std::string_view text) {
    line_ += firstArg_ ? " \"" : ", \"";
    firstArg_ = false;
    for (const char c : text) {
        line_ += c;
        if (c == '"') line_ += '"';
    }
    line_ += '"';
    return *this;
}

void ScriptWriter::End() {
    line_ += '\n';
    std::fwrite(line_.data(), 1, line_.size(), out_);
}

EarlyBound& ScriptWriter::Measurer() {
    if (!measurer_) measurer_ = std::make_unique<EarlyBound>();
    return *measurer_;
}

void ScriptWriter::NewPDF(std::string_view title) {
    Start("NewPDF").Arg(title).End();
    if (measurer_) measurer_->NewPDF(title);
}

void ScriptWriter::SetUnitOfMeasure(std::string_view unit) {
    Start("UnitOfMeasure =").Arg(unit).End();
    Measurer().NewPDF("measure");
    Measurer().SetUnitOfMeasure(unit);
}

void ScriptWriter::SetFontName(std::string_view name) {
    Start("FontName =").Arg(name).End();
    Measurer().SetFontName(name);
}

void ScriptWriter::AddFontUnicode(std::string_view name, std::string_view file) {
    // SendCmd takes all six parameters in a script.
    Start("SendCmd").Arg("AddFontUnicode").Arg(name).Arg(file);
    line_ += ", Empty, Empty, Empty";
    End();
    Measurer().AddFontUnicode(name, file);
}

void ScriptWriter::SetFontHeight(double height) {
    Start("FontHeight =").Arg(height).End();
    Measurer().SetFontHeight(height);
}

void ScriptWriter::SetParagraphWidth(double width) {
    Start("ParagraphWidth =").Arg(width).End();
    Measurer().SetParagraphWidth(width);
}

void ScriptWriter::SetParagraphLeading(double leading) {
    Start("ParagraphLeading =").Arg(leading).End();
    Measurer().SetParagraphLeading(leading);
}

void ScriptWriter::AddPage() { Start("AddPage").End(); }

void ScriptWriter::SetCurrentPage(long page) { Start("SetCurrentPage").Arg(page).End(); }

void ScriptWriter::TextOut(std::string_view text, double x, double y) {
    Start("TextOut").Arg(text).Arg(x).Arg(y).End();
}

long ScriptWriter::GetTextBoxLines(std::string_view text) {
    line_ = "Print GetTextBoxLines(";
    firstArg_ = true;
    Arg(text);
    line_ += ')';
    End();
    return Measurer().GetTextBoxLines(text);
}

void ScriptWriter::DrawLine(double width, double left, double right, double top, double bottom) {
    Start("DrawLine").Arg(width).Arg(left).Arg(right).Arg(top).Arg(bottom).End();
}

void ScriptWriter::DrawRect(long width, long fill, long outline, double left, double rectWidth, double top,
                            double rectHeight) {
    Start("DrawRect").Arg(width).Arg(fill).Arg(outline).Arg(left).Arg(rectWidth).Arg(top).Arg(rectHeight).End();
}

void ScriptWriter::DrawCircle(long width, long fill, long outline, double centerX, double centerY, double radius) {
    Start("DrawCircle").Arg(width).Arg(fill).Arg(outline).Arg(centerX).Arg(centerY).Arg(radius).End();
}

void ScriptWriter::SetFillColor(long r, long g, long b) { Start("SetFillColor").Arg(r).Arg(g).Arg(b).End(); }

// Pictures are numbered from 0 in the order of their import.
long ScriptWriter::ImportImageAsResource(std::string_view file, long quality) {
    Start("ImportImageAsResource").Arg(file).Arg(quality).End();
    return images_++;
}

void ScriptWriter::DrawImageResource(double x, double y, double width, double height, long image) {
    Start("DrawImageResource").Arg(x).Arg(y).Arg(width).Arg(height).Arg(image).End();
}

void ScriptWriter::CreateLinkInternal(double x1, double y1, double x2, double y2, long page) {
    Start("CreateLink_Internal").Arg(x1).Arg(y1).Arg(x2).Arg(y2).Arg(0).Arg(0).Arg(0).Arg(0).Arg(page).End();
}

void ScriptWriter::CreateLinkInternet(double x1, double y1, double x2, double y2, std::string_view uri) {
    Start("CreateLink_Internet").Arg(x1).Arg(y1).Arg(x2).Arg(y2).Arg(0).Arg(0).Arg(0).Arg(0).Arg(uri).End();
}

void ScriptWriter::AddOutline(long page, std::string_view title) {
    Start("AddOutline").Arg(page).Arg(0).Arg(0).Arg(0).Arg(title).End();
}

void ScriptWriter::AddChildOutline(long page, std::string_view title, long parent) {
    Start("AddChildOutline").Arg(page).Arg(0).Arg(0).Arg(0).Arg(title).Arg(parent).End();
}

void ScriptWriter::Encrypt(std::string_view user, std::string_view owner, std::string_view permissions,
                           std::string_view method) {
    Start("Encrypt").Arg(user).Arg(owner).Arg(permissions).Arg(method).End();
}

void ScriptWriter::SetConformance(std::string_view level) { Start("Conformance =").Arg(level).End(); }

void ScriptWriter::SetTagged(bool tagged) { Start(tagged ? "Tagged = True" : "Tagged = False").End(); }

void ScriptWriter::SetImageEncoding(std::string_view encoding) { Start("ImageEncoding =").Arg(encoding).End(); }

void ScriptWriter::SavePDF(std::string_view file) { Start("SavePDF").Arg(file).End(); }

}  // namespace vellum::bench

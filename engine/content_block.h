// One drawing call's operators, built whole before they reach the page, so
// that a number refused half-way leaves the page untouched.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "format.h"

namespace vellum {

class TPDFDoc;

// Operands separated by single blanks, then the operator and a line end.
// Every number is checked as it is written, after unit conversion.
class ContentBlock {
public:
    explicit ContentBlock(const char* what = "drawing value") : what_(what) {}

    ContentBlock& Number(const NumberPattern& pattern, double value) {
        RequireWritable(value, what_);
        Separate();
        AppendPdfNumber(text_, pattern, value);
        return *this;
    }
    ContentBlock& Integer(std::int64_t value) {
        Separate();
        AppendInteger(text_, value);
        return *this;
    }
    ContentBlock& Line(std::string_view op) {
        if (!lineStart_ && !op.empty()) text_ += ' ';
        text_ += op;
        text_ += "\r\n";
        lineStart_ = true;
        return *this;
    }
    ContentBlock& Raw(std::string_view text) {
        text_ += text;
        lineStart_ = text.empty() || text.back() == '\n';
        return *this;
    }
    const std::string& Text() const { return text_; }

private:
    void Separate() {
        if (!lineStart_) text_ += ' ';
        lineStart_ = false;
    }
    const char* what_;
    std::string text_;
    bool lineStart_ = true;
};

// The dash the document's settings ask for ("[] 0 d" for solid lines), in
// points of the unit in force now; every stroking call writes it.
void AppendDashLine(ContentBlock& block, const TPDFDoc& doc);

}  // namespace vellum

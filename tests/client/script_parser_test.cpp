#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "runner.h"
#include "script.h"

namespace vellum::script {
namespace {

Statement Parse(const std::string& line) {
    LineResult result;
    SyntaxError error;
    EXPECT_TRUE(ParseLine(line, 7, result, error)) << line << ": " << error.message;
    EXPECT_TRUE(result.isStatement) << line;
    return std::move(result.statement);
}

std::string ErrorOf(const std::string& line) {
    LineResult result;
    SyntaxError error;
    EXPECT_FALSE(ParseLine(line, 3, result, error)) << line;
    EXPECT_EQ(error.line, 3);
    return error.message;
}

TEST(ScriptParser, CommentsAndBlankLinesAreNoStatements) {
    for (const char* line : {"", "   ", "' note", "  Rem a remark", "REM", "rem\tx"}) {
        LineResult result;
        SyntaxError error;
        EXPECT_TRUE(ParseLine(line, 1, result, error)) << line;
        EXPECT_FALSE(result.isStatement) << line;
    }
    EXPECT_TRUE(std::holds_alternative<PutStatement>(Parse("Remark = 1").node));
}

TEST(ScriptParser, StatementShapes) {
    const auto call = std::get<CallStatement>(Parse("  TextOut \"a\", 20, -3.5  ").node);
    EXPECT_EQ(call.name, "TextOut");
    ASSERT_EQ(call.arguments.size(), 3u);
    EXPECT_EQ(std::get<StringLiteral>(call.arguments[0].node).utf8, "a");
    EXPECT_EQ(std::get<IntegerLiteral>(call.arguments[1].node).value, 20);
    EXPECT_EQ(std::get<RealLiteral>(call.arguments[2].node).value, -3.5);

    EXPECT_TRUE(std::get<CallStatement>(Parse("AddPage").node).arguments.empty());
    EXPECT_EQ(std::get<CallStatement>(Parse("SetCurrentPage(2)").node).arguments.size(), 1u);
    EXPECT_EQ(std::get<CallStatement>(Parse("NewPDF (\"a\") & \"b\"").node).arguments.size(), 1u);
    const auto put = std::get<PutStatement>(Parse("unitofmeasure = \"cm\"").node);
    EXPECT_EQ(put.name, "unitofmeasure");
    EXPECT_TRUE(std::holds_alternative<PrintStatement>(Parse("print 1").node));
    EXPECT_TRUE(std::holds_alternative<WriteFileStatement>(Parse("WriteFile \"x.pdf\", GetPDFContent").node));
    EXPECT_TRUE(std::get<OnErrorStatement>(Parse("on error resume next").node).resumeNext);
    EXPECT_FALSE(std::get<OnErrorStatement>(Parse("On Error GoTo 0").node).resumeNext);
}

TEST(ScriptParser, Literals) {
    auto value = [](const std::string& text) { return std::move(std::get<PrintStatement>(Parse("Print " + text).node).value); };
    EXPECT_EQ(std::get<StringLiteral>(value("\"say \"\"hi\"\"\"")->node).utf8, "say \"hi\"");
    EXPECT_EQ(std::get<StringLiteral>(value("\"\"")->node).utf8, "");
    EXPECT_EQ(std::get<IntegerLiteral>(value("2147483647")->node).value, 2147483647);
    EXPECT_EQ(std::get<IntegerLiteral>(value("-2147483648")->node).value, -2147483648LL);
    EXPECT_EQ(std::get<RealLiteral>(value("2147483648")->node).value, 2147483648.0);
    EXPECT_EQ(std::get<RealLiteral>(value("1e3")->node).value, 1000.0);
    EXPECT_EQ(std::get<RealLiteral>(value("-0.25")->node).value, -0.25);
    EXPECT_EQ(std::get<RealLiteral>(value(".5")->node).value, 0.5);
    EXPECT_TRUE(std::get<BoolLiteral>(value("TRUE")->node).value);
    EXPECT_TRUE(std::holds_alternative<EmptyLiteral>(value("Empty")->node));
    EXPECT_TRUE(std::holds_alternative<NullLiteral>(value("null")->node));
    EXPECT_EQ(std::get<StringLiteral>(value("vbCrLf")->node).utf8, "\r\n");
    EXPECT_EQ(std::get<StringLiteral>(value("VBTAB")->node).utf8, "\t");
    EXPECT_TRUE(std::holds_alternative<ErrNumber>(value("Err.Number")->node));
    EXPECT_TRUE(std::holds_alternative<ErrDescription>(value("err.description")->node));
    EXPECT_TRUE(std::holds_alternative<CharCode>(value("Chr(65)")->node));
    const auto concat = value("\"a\" & 1 & Author");
    ASSERT_TRUE(std::holds_alternative<Concat>(concat->node));
    EXPECT_EQ(std::get<Concat>(concat->node).parts.size(), 3u);
    const auto grouped = value("(\"a\" & 1) & (2 & 3)");
    EXPECT_EQ(std::get<Concat>(grouped->node).parts.size(), 2u);
    const auto call = value("GetTextBoxWidth(\"x\")");
    EXPECT_TRUE(std::get<MemberGet>(call->node).hasArgumentList);
    EXPECT_FALSE(std::get<MemberGet>(value("Author")->node).hasArgumentList);
}

TEST(ScriptParser, SyntaxErrorsSayWhatIsWrong) {
    EXPECT_EQ(ErrorOf("Print \"unterminated"), "unterminated string");
    EXPECT_EQ(ErrorOf("TextOut \"a\",, 2"), "unexpected character at column 13");
    EXPECT_EQ(ErrorOf("TextOut \"a\" 2"), "unexpected text at column 13");
    EXPECT_EQ(ErrorOf("Print"), "expected a value at the end of the line");
    EXPECT_EQ(ErrorOf("1 = 2"), "expected a statement at column 1");
    EXPECT_EQ(ErrorOf("On Error Goto 1"), "expected '0' after 'On Error GoTo'");
    EXPECT_EQ(ErrorOf("Print Err.Source"), "Err has only Number and Description");
    EXPECT_EQ(ErrorOf("Print 1e"), "malformed number at the end of the line");
    EXPECT_EQ(ErrorOf("Print 1e999"), "number out of range: 1e999");
    EXPECT_EQ(ErrorOf("Print -"), "malformed number at the end of the line");
    EXPECT_EQ(ErrorOf("WriteFile \"a\""), "expected ',' at the end of the line");
    EXPECT_EQ(ErrorOf("Print \xC3\xA9"), "unexpected character at column 7");
}

TEST(ScriptParser, HostileLinesFailCleanly) {
    EXPECT_EQ(ErrorOf("Print " + std::string(100000, '(') + "1" + std::string(100000, ')')),
              "expression nested too deeply");
    EXPECT_EQ(ErrorOf("Print " + std::string(5000, 'F') + "(" + std::string(5000, '(')),
              "expression nested too deeply");
    const std::string longText(10 * 1024 * 1024, 'x');
    const auto print = std::get<PrintStatement>(Parse("Print \"" + longText + "\"").node);
    EXPECT_EQ(std::get<StringLiteral>(print.value->node).utf8.size(), longText.size());
    std::string manyArguments = "TextOut 1";
    for (int i = 0; i < 100000; ++i) manyArguments += ", 1";
    EXPECT_EQ(std::get<CallStatement>(Parse(manyArguments).node).arguments.size(), 100001u);
}

// Plain calls take a quicker path than the full parser; whatever the line,
// valid or not, both must give the same verdict, message and tree.
TEST(ScriptParser, PlainCallsParseAsTheFullParserParsesThem) {
    const std::string longNumber = "DrawLine " + std::string(299, '9') + ", " + std::string(301, '1');
    for (const std::string& line : std::vector<std::string>{
             "DrawLine 0.5, 12.139598014764488, 323.1776977260597, 828.0667117838748, 307.4107847730629",
          "  SetFillColor 152, 200, 10  ", "DrawRect 1, 0, 1, -46.17, -0, 5.", "TextOut \"a\"\"b\", 3, \"\"",
          "TextOut \"\"\"\", \"x\"", "Go 2147483647, -2147483648, 2147483648, -2147483649, 0000000000012",
          "Go 999999999, -999999999, 1000000000", "Go\t1,\t2\r", "Go 1,", "Go 1,  ", "Go 1 2", "Go 1,,2", "Go ,1", "Go -",
          "Go -.5, .5", "Go 1e5", "Go 1.2.3", "Go 5abc", "Go \"open", "Go \"a\"b", "Go \"a\" & \"b\"", "Go(1, 2)",
          "Go (1), 2", "Go = 3", "Go", "Go   ", "Go-5", "Print 1, 2", "print 1", "WriteFile 5", "On 5",
          "Rem 1, 2", "REM 1", "x1_ 3", "1 = 2", "Go 1, True", longNumber, "Go " + std::string(301, '7')}) {
        // Exactly the line's bytes, nothing after them, so that the address
        // sanitizer sees any read past the line's end.
        const std::vector<char> bytes(line.begin(), line.end());
        const std::string_view text(bytes.data(), bytes.size());
        LineResult quick, full;
        SyntaxError quickError, fullError, checkError, fullCheckError;
        const bool parses = ParseLine(text, 4, quick, quickError);
        EXPECT_EQ(parses, ParseLineFully(text, 4, full, fullError)) << line;
        EXPECT_EQ(CheckLine(text, 4, checkError), parses) << line;
        EXPECT_EQ(CheckLineFully(text, 4, fullCheckError), parses) << line;
        if (parses) {
            EXPECT_EQ(quick.isStatement, full.isStatement) << line;
            if (quick.isStatement) {
                EXPECT_TRUE(SameStatement(quick.statement, full.statement)) << line;
            }
        } else {
            EXPECT_EQ(quickError.message, fullError.message) << line;
            EXPECT_EQ(checkError.message, fullError.message) << line;
        }
    }
}

// The quick path converts reals itself; they must come out bit for bit as
// the full parser's, whatever their digits.
TEST(ScriptParser, PlainCallRealsConvertExactlyAsTheFullParserDoes) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 20000; ++i) {
        const double magnitude = std::pow(10.0, static_cast<int>(random() % 12) - 4);
        const double value = unit(random) * magnitude;
        char shortest[64], fixed[64], seventeen[64];
        *std::to_chars(shortest, shortest + 63, value).ptr = '\0';
        std::snprintf(fixed, sizeof fixed, "%.*f", static_cast<int>(random() % 22), value);
        std::snprintf(seventeen, sizeof seventeen, "%.17g", value);
        if (std::strchr(seventeen, 'e') != nullptr) std::snprintf(seventeen, sizeof seventeen, "%.20f", value);
        const std::string line = std::string("Go ") + shortest + ", -" + fixed + ", " + seventeen;
        LineResult quick, full;
        SyntaxError error;
        ASSERT_TRUE(ParseLine(line, 1, quick, error)) << line;
        ASSERT_TRUE(ParseLineFully(line, 1, full, error)) << line;
        ASSERT_TRUE(SameStatement(quick.statement, full.statement)) << line;
    }
}

// A chain of 50,000 operands once built a tree 50,000 levels deep, whose
// destruction overflowed the stack even when a later line failed to parse.
TEST(ScriptParser, ALongConcatenationChainIsOneFlatNode) {
    std::string chain = "Print \"a\"";
    for (int i = 1; i < 50000; ++i) chain += " & \"a\"";
    const auto print = std::get<PrintStatement>(Parse(chain).node);
    EXPECT_EQ(std::get<Concat>(print.value->node).parts.size(), 50000u);
    const ParsedScript script = ParseScript(chain + "\n" + chain + "\nPrint \"open\n");
    EXPECT_FALSE(script.ok);
    EXPECT_EQ(script.error.line, 3);
}

}  // namespace
}  // namespace vellum::script

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale>
#include <random>

#include "errors.h"
#include "format.h"
#include "text_split.h"
#include "test_support.h"

namespace vellum {
namespace {

struct NumberCase {
    const char* pattern;
    double value;
    const char* expected;
};

TEST(FormatPdfNumber, FormatsEveryPatternInUse) {
    const NumberCase cases[] = {
        {"0.####", 12.5, "12.5"},       {"0.####", 3, "3"},
        {"0.####", 0.123456, "0.1235"}, {"0.####", -0.5, "-0.5"},
        {"0.####", -0.00001, "0"},      {"0.####", 0.00005, "0.0001"},
        {"0.####", -0.00005, "-0.0001"}, {"0.####", 594.999993, "595"},
        {"0.####", 1e15, "1000000000000000"}, {"0.####", 0, "0"},
        {"0.####", -0.0, "0"},          {"0.####", 841.88976, "841.8898"},
        {"0.00", 1, "1.00"},            {"0.00", 0.5, "0.50"},
        {"0.00", 0.125, "0.13"},        {"0.00", -0.125, "-0.13"},
        {"0.00", 2.675, "2.68"},        {"0.00", 1.005, "1.01"},
        {"0.00", 0.999, "1.00"},        {"0.00", -0.004, "0.00"},
        {"0.##", 1.125, "1.13"},        {"0.##", 2.5, "2.5"},
        {"0.##", 4, "4"},               {"0.##", 99.995, "100"},
        {"0.0", 1, "1.0"},              {"0.0", 0.05, "0.1"},
        {"0.0", -0.05, "-0.1"},         {"0.0", 123.45, "123.5"},
        {"0.000", 12, "12.000"},        {"0.000", 0.0005, "0.001"},
        {"0", 594.6, "595"},            {"0", 594.5, "595"},
        {"0", -594.5, "-595"},          {"0", 0.4, "0"},
        {"0", -0.4, "0"},               {"0", 2147483647, "2147483647"},
        {"000000000#", 17, "0000000017"}, {"000000000#", 0, "000000000"},
        {"000000000#", 9999999999.0, "9999999999"}, {"000000000#", 12345678901.0, "12345678901"},
    };
    for (const NumberCase& c : cases) {
        EXPECT_EQ(FormatPdfNumber(c.pattern, c.value), c.expected) << c.pattern << " with " << c.value;
    }
}

TEST(FormatPdfNumber, NeverCutsIntegerDigitsOfHugeValues) {
    const std::string text = FormatPdfNumber("0.####", 1e300);
    ASSERT_EQ(text.size(), 301u);
    EXPECT_EQ(text.substr(0, 15), "100000000000000");
    EXPECT_EQ(text.find_first_not_of('0', 1), std::string::npos);
    EXPECT_EQ(FormatPdfNumber("0", -1.5e20), "-150000000000000000000");
}

TEST(FormatPdfNumber, RejectsNonFiniteValues) {
    EXPECT_THROW(FormatPdfNumber("0.####", std::nan("")), EngineError);
    EXPECT_THROW(FormatPdfNumber("0", INFINITY), EngineError);
    EXPECT_THROW(FormatPdfNumber("0.00", -INFINITY), EngineError);
}

// Random values read back within half a unit of the last place, with no
// exponent, no trailing zero beyond the mandatory places and '.' only.
TEST(FormatPdfNumber, RandomValuesReadBackWithinHalfAUnit) {
    std::mt19937_64 random(20261207);
    std::uniform_real_distribution<double> magnitude(-12, 12);
    const struct {
        const char* pattern;
        int maxDecimals;
        int minDecimals;
    } patterns[] = {{"0.####", 4, 0}, {"0.00", 2, 2}, {"0.##", 2, 0}, {"0.0", 1, 1}, {"0.000", 3, 3}, {"0", 0, 0}};
    for (int i = 0; i < 20000; ++i) {
        const double value = (i % 2 ? -1 : 1) * std::pow(10.0, magnitude(random));
        for (const auto& p : patterns) {
            const std::string text = FormatPdfNumber(p.pattern, value);
            ASSERT_EQ(text.find_first_not_of("-0123456789."), std::string::npos) << text;
            const double parsed = std::strtod(text.c_str(), nullptr);
            const double unit = std::pow(10.0, -p.maxDecimals);
            ASSERT_LE(std::fabs(parsed - value), unit / 2 * (1 + 1e-9) + std::fabs(value) * 1e-14)
                << p.pattern << " " << value << " gave " << text;
            const auto point = text.find('.');
            const int decimals = point == std::string::npos ? 0 : static_cast<int>(text.size() - point - 1);
            ASSERT_GE(decimals, p.minDecimals) << text;
            if (decimals > p.minDecimals) {
                ASSERT_NE(text.back(), '0') << text;
            }
            if (text[0] == '-') {
                ASSERT_NE(parsed, 0.0) << text;
            }
        }
    }
}

// Restores the process locale when a test changed it.
class CommaLocale {
public:
    CommaLocale() {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
            if (std::setlocale(LC_ALL, name) != nullptr) {
                active_ = true;
                std::locale::global(std::locale(name));
                break;
            }
        }
    }
    ~CommaLocale() {
        std::setlocale(LC_ALL, "C");
        std::locale::global(std::locale::classic());
    }
    bool active() const { return active_; }

private:
    bool active_ = false;
};

TEST(FormatPdfNumber, IgnoresACommaDecimalLocale) {
    CommaLocale locale;
    if (!locale.active()) {
        if (std::getenv("CI")) FAIL() << "CI must provide a locale whose decimal separator is ','";
        GTEST_SKIP() << "no comma-decimal locale installed";
    }
    ASSERT_EQ(std::localeconv()->decimal_point[0], ',');
    EXPECT_EQ(FormatPdfNumber("0.####", 12.5), "12.5");
    EXPECT_EQ(FormatPdfNumber("0.00", 0.5), "0.50");
    EXPECT_EQ(FormatPdfNumber("0.##", 1.125), "1.13");
    EXPECT_EQ(FormatPdfNumber("0.0", 1), "1.0");
    EXPECT_EQ(FormatPdfNumber("0.000", 12), "12.000");
    EXPECT_EQ(FormatPdfNumber("0.####", 2.675e7), "26750000");
    EXPECT_EQ(FormatPdfNumber("0.00", 1234567.125), "1234567.13");
}

TEST(EscapePdfString, EscapesBackslashFirstThenParentheses) {
    EXPECT_EQ(EscapePdfString("a(b)\\c"), "a\\(b\\)\\\\c");
    EXPECT_EQ(EscapePdfString("\\("), "\\\\\\(");
    EXPECT_EQ(EscapePdfString(""), "");
    EXPECT_EQ(EscapePdfString("plain"), "plain");
}

// Random texts of the bytes that matter, and their look-alikes (0xA8, 0xA9,
// 0xDC differ from '(' ')' '\\' only in the high bit), long enough that the
// word-at-a-time scans see every position: escaping and line splitting agree
// with the byte-by-byte definitions.
TEST(ByteScans, AgreeWithTheByteByByteDefinitions) {
    const std::string alphabet = std::string("a()\\\xA8\xA9\xDC\r\n\t ", 11) + '\0';
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        std::string text(random() % 40, 'x');
        for (char& c : text) {
            if (random() % 3 == 0) c = alphabet[random() % alphabet.size()];
        }
        std::string escaped;
        for (const char c : text) escaped += (c == '(' || c == ')' || c == '\\') ? std::string{'\\', c} : std::string{c};
        ASSERT_EQ(EscapePdfString(text), escaped);

        std::vector<std::string_view> lines;
        const std::string_view rest = std::string_view(text).substr(0, text.find('\0'));
        std::size_t start = 0;
        for (std::size_t i = 0; i < rest.size(); ++i) {
            if (rest[i] != '\r' && rest[i] != '\n') continue;
            lines.push_back(rest.substr(start, i - start));
            if (rest[i] == '\r' && i + 1 < rest.size() && rest[i + 1] == '\n') ++i;
            start = i + 1;
        }
        if (start < rest.size()) lines.push_back(rest.substr(start));
        ASSERT_EQ(SplitLines(text, true), lines);
    }
}

TEST(EscapeInfoString, LeavesBalancedTextAloneAndEscapesWhatWouldBreak) {
    EXPECT_EQ(EscapeInfoString("Report (draft) (v2)"), "Report (draft) (v2)");
    EXPECT_EQ(EscapeInfoString("a ((nested)) b"), "a ((nested)) b");
    EXPECT_EQ(EscapeInfoString("smile :)"), "smile :\\)");
    EXPECT_EQ(EscapeInfoString("open ( end"), "open \\( end");
    EXPECT_EQ(EscapeInfoString(")("), "\\)\\(");
    EXPECT_EQ(EscapeInfoString("(a)(b"), "(a)\\(b");
    EXPECT_EQ(EscapeInfoString("((a)"), "\\((a)");
    EXPECT_EQ(EscapeInfoString("C:\\temp"), "C:\\\\temp");
    EXPECT_EQ(EscapeInfoString("line\rbreak"), "line\\rbreak");
}

TEST(CompressString, MakesAZlibStreamThatInflatesBack) {
    for (const std::string& text : {std::string(), std::string("0 0 0 rg\r\n0 0 0 RG\r\n"),
                                    std::string(300000, 'x') + "tail"}) {
        const std::string compressed = CompressString(text);
        ASSERT_GE(compressed.size(), 6u);
        EXPECT_EQ(static_cast<unsigned char>(compressed[0]), 0x78);  // deflate, 32K window
        EXPECT_EQ(static_cast<unsigned char>(compressed[1]), 0x9C);  // default level
        EXPECT_EQ(test::Inflate(compressed), text);
    }
}

TEST(Compressor, AReusedStateGivesTheSameStreams) {
    Compressor compressor;
    const std::string texts[] = {"BT /F0 12 Tf ET\r\n", std::string(100000, 'a') + "z", "", "0 0 0 rg\r\n"};
    for (int round = 0; round < 2; ++round) {
        for (const std::string& text : texts) EXPECT_EQ(compressor.Compress(text), CompressString(text));
    }
}

}  // namespace
}  // namespace vellum

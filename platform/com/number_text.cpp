#include "number_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <system_error>

namespace vellum {
namespace {

// The shortest round-trip digits of a finite non-zero value and its decimal
// exponent: value = 0.d1d2... * 10^(exponent + 1), i.e. d1.d2... * 10^exponent.
struct Decimal {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

template <typename F>
Decimal ShortestDecimal(F value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::scientific);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    Decimal d;
    std::size_t i = 0;
    if (text[i] == '-') {
        d.negative = true;
        ++i;
    }
    for (; i < text.size() && text[i] != 'e'; ++i) {
        if (text[i] != '.') d.digits += text[i];
    }
    std::from_chars(text.data() + i + 1 + (text[i + 1] == '+'), text.data() + text.size(),
                    d.exponent);
    return d;
}

std::string FixedLayout(const Decimal& d) {
    std::string out = d.negative ? "-" : "";
    const int n = static_cast<int>(d.digits.size());
    if (d.exponent < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-d.exponent - 1), '0');
        return out + d.digits;
    }
    if (n <= d.exponent + 1) {
        out += d.digits;
        return out.append(static_cast<std::size_t>(d.exponent + 1 - n), '0');
    }
    const auto split = static_cast<std::size_t>(d.exponent + 1);
    return out + d.digits.substr(0, split) + "." + d.digits.substr(split);
}

std::string ExponentLayout(const Decimal& d) {
    std::string out = d.negative ? "-" : "";
    out += d.digits[0];
    if (d.digits.size() > 1) out.append(1, '.').append(d.digits, 1);
    out += d.exponent < 0 ? "E-" : "E+";
    const int magnitude = std::abs(d.exponent);
    if (magnitude < 10) out += '0';
    return out + std::to_string(magnitude);
}

template <typename F>
std::string FormatShortest(F value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
    if (value == 0) return "0";
    const Decimal d = ShortestDecimal(value);
    const bool fixed = (d.exponent >= -6 && d.exponent <= 14) || (d.exponent == 15 && d.digits == "1");
    return fixed ? FixedLayout(d) : ExponentLayout(d);
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

std::u16string_view Trim(std::u16string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The pieces of a number in the strict syntax.
struct NumberSyntax {
    std::size_t signEnd = 0;    // index after the optional sign
    std::size_t intEnd = 0;     // end of the integer digits
    std::size_t fracBegin = 0;  // start of the fraction digits (after '.')
    std::size_t fracEnd = 0;
    bool hasPoint = false;
    bool hasExponent = false;
    long long exponent = 0;     // saturated
};

std::size_t SkipDigits(const std::string& s, std::size_t i) {
    while (i < s.size() && IsDigit(s[i])) ++i;
    return i;
}

bool ScanExponent(const std::string& s, std::size_t i, NumberSyntax& syn) {
    syn.hasExponent = true;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    const std::size_t begin = i;
    for (; i < s.size() && IsDigit(s[i]); ++i) {
        if (syn.exponent < 100000) syn.exponent = syn.exponent * 10 + (s[i] - '0');
    }
    if (negative) syn.exponent = -syn.exponent;
    return i > begin && i == s.size();
}

bool Scan(const std::string& s, NumberSyntax& syn) {
    std::size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
    syn.signEnd = i;
    syn.intEnd = i = SkipDigits(s, i);
    syn.fracBegin = syn.fracEnd = i;
    if (i < s.size() && s[i] == '.') {
        syn.hasPoint = true;
        syn.fracBegin = i + 1;
        syn.fracEnd = i = SkipDigits(s, i + 1);
    }
    if (syn.intEnd == syn.signEnd && syn.fracEnd == syn.fracBegin) return false;
    if (i == s.size()) return true;
    if (s[i] != 'e' && s[i] != 'E') return false;
    return ScanExponent(s, i + 1, syn);
}

// Decimal exponent of the leading non-zero digit, used to tell overflow
// from underflow when the value does not fit a double.
long long LeadingMagnitude(const std::string& s, const NumberSyntax& syn) {
    for (std::size_t i = syn.signEnd; i < syn.intEnd; ++i) {
        if (s[i] != '0') return static_cast<long long>(syn.intEnd - i - 1) + syn.exponent;
    }
    for (std::size_t i = syn.fracBegin; i < syn.fracEnd; ++i) {
        if (s[i] != '0') return -static_cast<long long>(i - syn.fracBegin + 1) + syn.exponent;
    }
    return 0;
}

bool ToAscii(std::u16string_view text, std::string& out) {
    out.reserve(text.size());
    for (char16_t c : text) {
        if (c >= 0x80) return false;
        out += static_cast<char>(c);
    }
    return true;
}

bool EqualsIgnoringCase(std::u16string_view text, std::string_view ascii) {
    if (text.size() != ascii.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != static_cast<char16_t>(ascii[i])) return false;
    }
    return true;
}

}  // namespace

std::string FormatDouble(double value) { return FormatShortest(value); }

std::string FormatFloat(float value) { return FormatShortest(value); }

HRESULT ParseNumber(std::u16string_view text, ParsedNumber& out) {
    std::string s;
    NumberSyntax syn;
    if (!ToAscii(Trim(text), s) || !Scan(s, syn)) return DISP_E_TYPEMISMATCH;
    const char* first = s.data() + (s[0] == '+' ? 1 : 0);
    const char* last = s.data() + s.size();
    out = ParsedNumber{};
    if (!syn.hasPoint && !syn.hasExponent) {
        const auto r = std::from_chars(first, last, out.integer);
        if (r.ec == std::errc{} && r.ptr == last) {
            out.isInteger = true;
            out.real = static_cast<double>(out.integer);
            return S_OK;
        }
        out.integer = 0;
    }
    const auto r = std::from_chars(first, last, out.real);
    if (r.ec == std::errc::result_out_of_range) {
        if (LeadingMagnitude(s, syn) >= 0) return DISP_E_OVERFLOW;
        out.real = s[0] == '-' ? -0.0 : 0.0;
        return S_OK;
    }
    return (r.ec == std::errc{} && r.ptr == last) ? S_OK : DISP_E_TYPEMISMATCH;
}

bool ParseBoolName(std::u16string_view text, bool& out) {
    text = Trim(text);
    if (EqualsIgnoringCase(text, "true")) {
        out = true;
        return true;
    }
    if (EqualsIgnoringCase(text, "false")) {
        out = false;
        return true;
    }
    return false;
}

}  // namespace vellum

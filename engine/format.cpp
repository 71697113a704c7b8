#include "format.h"

#include <libdeflate.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "byte_scan.h"
#include "errors.h"

namespace vellum {
namespace {

constexpr std::array<double, 16> kPowersOfTen{1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// The digits of a rounded magnitude: integer digits without leading zeros
// (empty for zero) and exactly `decimals` fraction digits.
struct RoundedDigits {
    char integer[320];
    int integerLength = 0;
    char fraction[16];
    int decimals = 0;
};

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Most values of a page are small and far from a rounding tie: scale, round
// and write them in integer arithmetic, straight into a small buffer written
// from its end. Returns false, writing nothing, when the value is too large
// or too close to a tie to decide safely here.
bool AppendSmallNumber(std::string& out, const NumberPattern& pattern, double value) {
    const int decimals = pattern.maxDecimals;
    if (decimals > 9) return false;
    const double scaled = std::fabs(value) * kPowersOfTen[decimals];
    if (!(scaled < 1e9)) return false;
    const auto whole = static_cast<std::uint32_t>(scaled);  // truncation is floor here: scaled >= 0
    const double fraction = scaled - whole;
    if (std::fabs(fraction - 0.5) < 1e-4) return false;
    const std::uint32_t rounded = whole + (fraction > 0.5 ? 1u : 0u);
    const auto divisor = static_cast<std::uint32_t>(kPowersOfTen[decimals]);
    std::uint32_t fractionDigits = rounded % divisor;
    std::uint32_t integer = rounded / divisor;

    char buffer[48];
    char* const end = buffer + sizeof buffer;
    char* p = end;
    int shown = decimals;
    while (shown > pattern.minDecimals && fractionDigits % 10 == 0) {
        fractionDigits /= 10;
        --shown;
    }
    for (int i = 0; i < shown; ++i) {
        *--p = static_cast<char>('0' + fractionDigits % 10);
        fractionDigits /= 10;
    }
    if (shown > 0) *--p = '.';
    int integerLength = 0;
    // Two digits a step from a table: most coordinates have three.
    for (; integer >= 10; integer /= 100, integerLength += 2) {
        const std::uint32_t pair = integer % 100;
        p -= 2;
        std::memcpy(p, kDigitPairs + 2 * pair, 2);
    }
    for (; integer != 0; integer /= 10, ++integerLength) *--p = static_cast<char>('0' + integer % 10);
    for (int place = integerLength; place < pattern.integerPlaces; ++place) {
        if (pattern.integerZeroMask >> place & 1) *--p = '0';
    }
    if (value < 0 && rounded != 0) *--p = '-';
    out.append(p, end);
    return true;
}

// The general case works on the value's 15 significant decimal digits (all
// that a double carries reliably), so that a decimal tie such as 2.675 rounds
// away from zero as a person reading the number expects.
void RoundExact(double magnitude, int decimals, RoundedDigits& out) {
    char text[40];
    const auto result = std::to_chars(text, text + sizeof text, magnitude,
                                      std::chars_format::scientific, 14);
    // text: d.dddddddddddddde[+-]xx
    char digits[16];
    int count = 0;
    const char* p = text;
    for (; p < result.ptr && *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9') digits[count++] = *p;
    }
    int exponent = 0;
    std::from_chars(p + 1 + (p[1] == '+'), result.ptr, exponent);
    const int pointPosition = exponent + 1;  // digits before the decimal point

    const int kept = pointPosition + decimals;
    if (kept < 0) {
        out.integerLength = 0;
        std::memset(out.fraction, '0', decimals);
        return;
    }
    char rounded[330];
    int roundedCount = 0;
    for (int i = 0; i < kept; ++i) rounded[roundedCount++] = i < count ? digits[i] : '0';
    if (kept < count && digits[kept] >= '5') {
        int i = roundedCount - 1;
        while (i >= 0 && rounded[i] == '9') rounded[i--] = '0';
        if (i >= 0) {
            ++rounded[i];
        } else {
            std::memmove(rounded + 1, rounded, roundedCount);
            rounded[0] = '1';
            ++roundedCount;
        }
    }
    if (roundedCount <= decimals) {
        // Rounding produced fewer digits than the fraction needs: pad on the left.
        const int padding = decimals + 1 - roundedCount;
        std::memmove(rounded + padding, rounded, roundedCount);
        std::memset(rounded, '0', padding);
        roundedCount += padding;
    }
    const int integerDigits = roundedCount - decimals;
    int start = 0;
    while (start < integerDigits && rounded[start] == '0') ++start;
    out.integerLength = integerDigits - start;
    std::memcpy(out.integer, rounded + start, out.integerLength);
    std::memcpy(out.fraction, rounded + integerDigits, decimals);
}

}  // namespace

void RefuseUnwritable(double value, const char* what) {
    if (!std::isfinite(value)) {
        throw EngineError(std::string("Invalid ") + what + ": the number must be finite");
    }
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6).ptr;
    throw EngineError(std::string("Invalid ") + what + ": " + std::string(text, end) +
                      " is beyond 1000000000 points, the largest number a PDF file carries");
}

void AppendPdfNumber(std::string& out, const NumberPattern& pattern, double value) {
    if (!std::isfinite(value)) throw EngineError("Invalid number: not a finite value");
    if (AppendSmallNumber(out, pattern, value)) return;
    RoundedDigits digits;
    digits.decimals = pattern.maxDecimals;
    RoundExact(std::fabs(value), digits.decimals, digits);

    int shownDecimals = digits.decimals;
    while (shownDecimals > pattern.minDecimals && digits.fraction[shownDecimals - 1] == '0') {
        --shownDecimals;
    }
    bool isZero = digits.integerLength == 0;
    for (int i = 0; i < digits.decimals && isZero; ++i) isZero = digits.fraction[i] == '0';

    char buffer[360];
    int length = 0;
    if (value < 0 && !isZero) buffer[length++] = '-';
    for (int place = pattern.integerPlaces - 1; place >= digits.integerLength; --place) {
        if (pattern.integerZeroMask >> place & 1) buffer[length++] = '0';
    }
    std::memcpy(buffer + length, digits.integer, digits.integerLength);
    length += digits.integerLength;
    if (shownDecimals > 0) {
        buffer[length++] = '.';
        std::memcpy(buffer + length, digits.fraction, shownDecimals);
        length += shownDecimals;
    }
    out.append(buffer, length);
}

std::string FormatPdfNumber(const NumberPattern& pattern, double value) {
    std::string text;
    AppendPdfNumber(text, pattern, value);
    return text;
}

std::string FormatPdfNumber(std::string_view pattern, double value) {
    return FormatPdfNumber(NumberPattern::Parse(pattern), value);
}

void AppendInteger(std::string& out, std::int64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void AppendEscapedPdfString(std::string& out, std::string_view text) {
    // Runs without a character to escape are copied whole. '(' and ')'
    // differ only in their lowest bit.
    const auto mayNeedEscape = [](std::uint64_t word) {
        return scan::AnyByteIs(word & ~scan::kOnes, '(') | scan::AnyByteIs(word, '\\');
    };
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        i = scan::SkipPlainWords(text, i, mayNeedEscape);
        if (i == text.size()) break;
        const auto c = static_cast<unsigned char>(text[i]);
        if (static_cast<unsigned char>(c - '(') > 1 && c != '\\') continue;
        out.append(text.data() + start, i - start);
        out += '\\';
        start = i;
    }
    out.append(text.data() + start, text.size() - start);
}

std::string EscapePdfName(std::string_view bytes) {
    constexpr std::string_view kDelimiters = "()<>[]{}/%#";
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string name;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\0') continue;
        if (byte < 0x21 || byte > 0x7E || kDelimiters.find(c) != std::string_view::npos) {
            name += '#';
            name += kHex[byte >> 4];
            name += kHex[byte & 15];
        } else {
            name += c;
        }
    }
    return name;
}

std::string EscapePdfString(std::string_view text) {
    std::string escaped;
    AppendEscapedPdfString(escaped, text);
    return escaped;
}

void AppendEscapedString(std::string& out, std::string_view bytes, StringEscape escape) {
    switch (escape) {
        case StringEscape::Parentheses: AppendEscapedPdfString(out, bytes); return;
        case StringEscape::UnbalancedParentheses: out += EscapeInfoString(bytes); return;
        case StringEscape::EveryDelimiter: break;
    }
    for (const char byte : bytes) {
        switch (byte) {
            case '\\': out += "\\\\"; break;
            case '(': out += "\\("; break;
            case ')': out += "\\)"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            default: out += byte;
        }
    }
}

std::string EscapeInfoString(std::string_view text) {
    // A ')' without an open '(' before it, and a '(' never closed, would end
    // or swallow the string; balanced pairs are read back as they stand.
    std::string isUnbalanced(text.size(), '\0');
    std::size_t openers = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '(') {
            ++openers;
        } else if (text[i] == ')') {
            if (openers > 0) {
                --openers;
            } else {
                isUnbalanced[i] = 1;
            }
        }
    }
    // Right-to-left pass: a '(' is unbalanced when no ')' after it is left to close it.
    std::size_t closers = 0;
    for (std::size_t i = text.size(); i-- > 0;) {
        if (text[i] == ')' && !isUnbalanced[i]) {
            ++closers;
        } else if (text[i] == '(') {
            if (closers > 0) {
                --closers;
            } else {
                isUnbalanced[i] = 1;
            }
        }
    }

    std::string escaped;
    escaped.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\') {
            escaped += "\\\\";
        } else if (c == '\r') {
            escaped += "\\r";
        } else {
            if (isUnbalanced[i]) escaped += '\\';
            escaped += c;
        }
    }
    return escaped;
}

// Level 6 as zlib's default; libdeflate reaches it in far fewer instructions
// and writes a standard zlib stream (header, deflate data, Adler-32).
constexpr int kCompressionLevel = 6;

struct Compressor::State {
    libdeflate_compressor* compressor = nullptr;
};

// The compressor's tables (over 600 KiB) are made on the first stream: a
// writer whose streams were all made ahead of it never needs them.
Compressor::Compressor() : state_(new State) {}

Compressor::~Compressor() {
    libdeflate_free_compressor(state_->compressor);
    delete state_;
}

std::string_view Compressor::Compress(std::string_view text, std::string& scratch) {
    if (state_->compressor == nullptr) {
        state_->compressor = libdeflate_alloc_compressor(kCompressionLevel);
        if (state_->compressor == nullptr) throw EngineError("Compression failed: not enough memory for the compressor");
    }
    const std::size_t bound = libdeflate_zlib_compress_bound(state_->compressor, text.size());
    if (scratch.size() < bound) scratch.resize(bound);
    const std::size_t size =
        libdeflate_zlib_compress(state_->compressor, text.data(), text.size(), scratch.data(), scratch.size());
    if (size == 0) throw EngineError("Compression failed: the stream did not fit its bound");
    return {scratch.data(), size};
}

std::string Compressor::Compress(std::string_view text) {
    std::string scratch;
    const std::size_t size = Compress(text, scratch).size();
    scratch.resize(size);
    return scratch;
}

std::string CompressString(std::string_view text) { return Compressor().Compress(text); }

std::string InflateZlib(std::string_view stream, std::size_t size) {
    const std::unique_ptr<libdeflate_decompressor, decltype(&libdeflate_free_decompressor)> decompressor(
        libdeflate_alloc_decompressor(), &libdeflate_free_decompressor);
    if (decompressor == nullptr) throw std::bad_alloc();
    std::string text(size, '\0');
    std::size_t actual = 0;
    const libdeflate_result result = libdeflate_zlib_decompress(decompressor.get(), stream.data(), stream.size(),
                                                                text.data(), text.size(), &actual);
    if (result != LIBDEFLATE_SUCCESS || actual != size) throw EngineError("A compressed page could not be restored");
    return text;
}

}  // namespace vellum

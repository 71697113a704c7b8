#include "plain_call.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

#include "script_chars.h"

namespace vellum::script {
namespace {

// The longest number literal taken without converting it to check it:
// without an exponent, 300 characters are at most 1e300.
constexpr std::size_t kMaxCheckedNumber = 300;

// Bit 7 of each byte of `eight` that is not a digit. A byte can only be
// disturbed by a carry from a lower non-digit byte, so the lowest flag is
// always right.
std::uint64_t NonDigitFlags(std::uint64_t eight) {
    return ((eight + 0x4646464646464646) | (eight - 0x3030303030303030)) & 0x8080808080808080;
}

// The value of eight digits, the first in the lowest byte.
std::uint64_t EightDigitsValue(std::uint64_t eight) {
    eight = (eight & 0x0F0F0F0F0F0F0F0F) * 2561 >> 8;
    eight = (eight & 0x00FF00FF00FF00FF) * 6553601 >> 16;
    return (eight & 0x0000FFFF0000FFFF) * 42949672960001 >> 32;
}

// mantissa / 10^fractionDigits, correctly rounded, when the 64-bit extended
// format can give it: both operands are exact there, so the quotient is
// rounded once to 64 bits, and rounding that to a double is right unless it
// lies exactly halfway between two doubles (then the caller converts it the
// slow way).
bool ExactQuotient(std::uint64_t mantissa, std::size_t fractionDigits, double& value) {
    if constexpr (std::numeric_limits<long double>::digits != 64) {
        return false;
    } else {
        static constexpr long double kPowersOfTen[] = {1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,
                                                       1e7L,  1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L,
                                                       1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L, 1e20L,
                                                       1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};
        if (fractionDigits >= std::size(kPowersOfTen)) return false;
        const long double quotient = static_cast<long double>(mantissa) / kPowersOfTen[fractionDigits];
        std::uint64_t significand = 0;
        std::memcpy(&significand, &quotient, sizeof significand);
        if ((significand & 0x7FF) == 0x400) return false;
        value = static_cast<double>(quotient);
        return true;
    }
}

struct CheckOnly {};

// Out is what the scan fills: nothing (CheckOnly), a statement
// (CallStatement) or a flat call (PlainCall).
template <class Out>
class Scanner {
    static constexpr bool kBuild = !std::is_same_v<Out, CheckOnly>;
    static constexpr bool kTree = std::is_same_v<Out, CallStatement>;

public:
    Scanner(std::string_view text, Out& out) : p_(text.data()), end_(text.data() + text.size()), out_(out) {}

    bool Scan() {
        SkipBlanks();
        const char* const nameStart = p_;
        if (p_ == end_ || !IsLetter(*p_)) return false;
        while (p_ != end_ && IsNameChar(*p_)) ++p_;
        const std::string_view name(nameStart, static_cast<std::size_t>(p_ - nameStart));
        if (IsStatementWord(name)) return false;
        if (p_ == end_ || !IsBlank(*p_)) return false;
        SkipBlanks();
        if constexpr (kTree) out_.arguments.reserve(8);
        for (;;) {
            if (p_ == end_) return false;  // no argument where one must be
            if (!(*p_ == '"' ? ScanText() : ScanNumber())) return false;
            SkipBlanks();
            if (p_ == end_) break;
            if (*p_ != ',') return false;
            ++p_;
            SkipBlanks();
        }
        if constexpr (kTree) out_.name.assign(name);
        if constexpr (std::is_same_v<Out, PlainCall>) out_.name = name;
        return true;
    }

private:
    // Words that begin statements of their own, and the comment word.
    static bool IsStatementWord(std::string_view name) {
        switch (name.size()) {
            case 2: return EqualsIgnoringCase(name, "On");
            case 3: return EqualsIgnoringCase(name, "Rem");
            case 5: return EqualsIgnoringCase(name, "Print");
            case 9: return EqualsIgnoringCase(name, "WriteFile");
            default: return false;
        }
    }

    void SkipBlanks() {
        while (p_ != end_ && IsBlank(*p_)) ++p_;
    }

    // "text", with "" for a quote inside it.
    bool ScanText() {
        std::string* value = nullptr;
        if constexpr (kTree) value = &std::get<StringLiteral>(out_.arguments.emplace_back().node).utf8;
        const char* const first = p_ + 1;
        bool doubledQuotes = false;
        for (;;) {
            const char* const start = ++p_;
            const auto* quote = static_cast<const char*>(std::memchr(start, '"', static_cast<std::size_t>(end_ - start)));
            if (quote == nullptr) return false;
            if constexpr (kTree) value->append(start, quote);
            p_ = quote + 1;
            if (p_ == end_ || *p_ != '"') break;
            if constexpr (kTree) *value += '"';
            doubledQuotes = true;
        }
        if constexpr (std::is_same_v<Out, PlainCall>) {
            PlainArgument* argument = NextArgument();
            if (argument == nullptr) return false;
            argument->kind = PlainArgument::Kind::Text;
            argument->text = std::string_view(first, static_cast<std::size_t>(p_ - 1 - first));
            argument->doubledQuotes = doubledQuotes;
        }
        return true;
    }

    // The next free argument of a flat call; null when it is full.
    PlainArgument* NextArgument() {
        if constexpr (std::is_same_v<Out, PlainCall>) {
            if (out_.count == out_.arguments.size()) return nullptr;
            return &out_.arguments[out_.count++];
        }
        return nullptr;
    }

    // A number literal's value: IntegerLiteral or RealLiteral.
    template <class Literal>
    bool AddNumber(Literal literal) {
        if constexpr (kTree) out_.arguments.emplace_back().node.template emplace<Literal>(literal);
        if constexpr (std::is_same_v<Out, PlainCall>) {
            PlainArgument* argument = NextArgument();
            if (argument == nullptr) return false;
            if constexpr (std::is_same_v<Literal, IntegerLiteral>) {
                argument->kind = PlainArgument::Kind::Integer;
                argument->integer = literal.value;
            } else {
                argument->kind = PlainArgument::Kind::Real;
                argument->real = literal.value;
            }
        }
        return true;
    }

    // Skips a run of digits, eight at a time where the line allows, and
    // (when building) takes them into `mantissa`, which wraps past 19 digits.
    std::size_t SkipDigits(std::uint64_t& mantissa) {
        const char* const start = p_;
        while (std::endian::native == std::endian::little && end_ - p_ >= 8) {
            std::uint64_t eight = 0;
            std::memcpy(&eight, p_, 8);
            const std::uint64_t flags = NonDigitFlags(eight);
            if (flags != 0) {
                const int digits = std::countr_zero(flags) / 8;
                if constexpr (kBuild) {
                    for (int i = 0; i < digits; ++i) mantissa = mantissa * 10 + static_cast<unsigned>(p_[i] - '0');
                }
                p_ += digits;
                return static_cast<std::size_t>(p_ - start);
            }
            if constexpr (kBuild) mantissa = mantissa * 100000000 + EightDigitsValue(eight);
            p_ += 8;
        }
        while (p_ != end_ && IsDigit(*p_)) {
            if constexpr (kBuild) mantissa = mantissa * 10 + static_cast<unsigned>(*p_ - '0');
            ++p_;
        }
        return static_cast<std::size_t>(p_ - start);
    }

    // -?digits(.digits*)?, ending at a blank, a comma or the line's end.
    bool ScanNumber() {
        const char* const start = p_;
        if (*p_ == '-') ++p_;
        std::uint64_t mantissa = 0;
        const std::size_t wholeDigits = SkipDigits(mantissa);
        if (wholeDigits == 0) return false;
        const bool isInteger = p_ == end_ || *p_ != '.';
        std::size_t fractionDigits = 0;
        if (!isInteger) {
            ++p_;
            fractionDigits = SkipDigits(mantissa);
        }
        if (p_ != end_ && !IsBlank(*p_) && *p_ != ',') return false;
        if (static_cast<std::size_t>(p_ - start) > kMaxCheckedNumber) return false;
        if constexpr (kBuild) return Convert(start, mantissa, wholeDigits, fractionDigits, isInteger);
        return true;
    }

    // The value the full parser gives the literal [start, p_).
    bool Convert(const char* start, std::uint64_t mantissa, std::size_t wholeDigits, std::size_t fractionDigits,
                 bool isInteger) {
        const bool negative = *start == '-';
        if (isInteger && wholeDigits <= 9) {  // always an int32
            const auto value = static_cast<std::int32_t>(mantissa);
            return AddNumber(IntegerLiteral{negative ? -value : value});
        }
        if (isInteger) {
            std::int32_t value = 0;
            const auto result = std::from_chars(start, p_, value);
            if (result.ec == std::errc() && result.ptr == p_) return AddNumber(IntegerLiteral{value});
        }
        double value = 0;
        if (wholeDigits + fractionDigits <= 19 && ExactQuotient(mantissa, fractionDigits, value)) {
            if (negative) value = -value;
        } else {
            std::from_chars(start, p_, value);
        }
        return AddNumber(RealLiteral{value});
    }

    const char* p_;
    const char* const end_;
    Out& out_;
};

}  // namespace

bool ScanPlainCall(std::string_view text, CallStatement& call) {
    call = CallStatement{};
    return Scanner<CallStatement>(text, call).Scan();
}

bool ReadPlainCall(std::string_view text, PlainCall& call) {
    call.count = 0;
    return Scanner<PlainCall>(text, call).Scan();
}

bool IsPlainCall(std::string_view text) {
    CheckOnly nothing;
    return Scanner<CheckOnly>(text, nothing).Scan();
}

}  // namespace vellum::script

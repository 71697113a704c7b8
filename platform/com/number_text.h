// Numbers as automation text: the decimal forms that variant conversion
// produces and accepts. Nothing here consults the process locale.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "types.h"

namespace vellum {

// The shortest decimal text that reads back as the same value, with '.' as
// the decimal separator. Magnitudes from 1e-6 to 1e15 (inclusive) are written
// without exponent ("0.000001", "1000000000000000", "2.5"); others as
// "1.5E-07", "1E+20". Zero is "0" whatever its sign; non-finite values are
// "NaN", "Infinity", "-Infinity".
std::string FormatDouble(double value);
std::string FormatFloat(float value);

// A number read from text.
struct ParsedNumber {
    bool isInteger = false;  // written without '.' or exponent and fits int64
    std::int64_t integer = 0;
    double real = 0;         // always set
};

// Strict decimal syntax: optional blanks, optional sign, digits with an
// optional '.' part (at least one digit in all), an optional exponent
// ("e"/"E", optional sign, digits), optional blanks. Anything else is
// DISP_E_TYPEMISMATCH; a magnitude beyond double is DISP_E_OVERFLOW; one too
// small for double reads as zero.
HRESULT ParseNumber(std::u16string_view text, ParsedNumber& out);

// "True"/"False" in any letter case, surrounded by optional blanks.
bool ParseBoolName(std::u16string_view text, bool& out);

}  // namespace vellum

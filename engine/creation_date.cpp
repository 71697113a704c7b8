#include "creation_date.h"

#include <charconv>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace vellum {
namespace {

void AppendPadded(std::string& out, int value, int width) {
    char digits[12];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    for (auto length = result.ptr - digits; length < width; ++length) out += '0';
    out.append(digits, result.ptr);
}


}  // namespace

std::optional<std::time_t> ReproducibleMoment() {
    const char* text = std::getenv("SOURCE_DATE_EPOCH");
    if (text == nullptr) return std::nullopt;
    const std::string_view value(text);
    long long seconds = 0;
    const auto result = std::from_chars(value.data(), value.data() + value.size(), seconds);
    if (value.empty() || result.ec != std::errc() || result.ptr != value.data() + value.size() ||
        seconds < 0) {
        return std::nullopt;
    }
    return static_cast<std::time_t>(seconds);
}

std::string FormatCreationDate(const std::tm& moment) {
    std::string text;
    text.reserve(14);
    AppendPadded(text, moment.tm_year + 1900, 4);
    AppendPadded(text, moment.tm_mon + 1, 2);
    AppendPadded(text, moment.tm_mday, 2);
    AppendPadded(text, moment.tm_hour, 2);
    AppendPadded(text, moment.tm_min, 2);
    AppendPadded(text, moment.tm_sec, 2);
    return text;
}

std::string CreationDateText() {
    std::tm moment{};
    if (const auto fixed = ReproducibleMoment()) {
        if (gmtime_r(&*fixed, &moment) != nullptr) return FormatCreationDate(moment);
    }
    const std::time_t now = std::time(nullptr);
    localtime_r(&now, &moment);
    return FormatCreationDate(moment);
}

}  // namespace vellum

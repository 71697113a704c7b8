#include "generated_text.h"

#include <stdexcept>

namespace vellum::idl {
namespace {

constexpr std::size_t kWidth = 110;

}  // namespace

std::string Wrapped(const std::string& line, std::size_t openFrom) {
    const std::size_t open = line.find('(', openFrom);
    if (line.size() <= kWidth || open == std::string::npos) return line + "\n";
    const std::string indent(open + 1, ' ');
    std::string text;
    std::size_t start = 0;        // of the current output line in `line`
    std::size_t lineStart = 0;    // column offset the current output line begins with
    while (line.size() - start + lineStart > kWidth) {
        // The last ", " that keeps the line within the width.
        std::size_t cut = std::string::npos;
        for (std::size_t at = line.find(", ", std::max(start, open)); at != std::string::npos;
             at = line.find(", ", at + 1)) {
            if (at + 1 - start + lineStart > kWidth) break;
            cut = at;
        }
        if (cut == std::string::npos) break;
        text += line.substr(start, cut + 1 - start) + "\n" + indent;
        start = cut + 2;
        lineStart = indent.size();
    }
    return text + line.substr(start) + "\n";
}

std::string Accessor(const MemberSpec& member) {
    switch (member.kind) {
        case MemberKind::PropertyGet: return "get_" + std::string(member.name);
        case MemberKind::PropertyPut: return "put_" + std::string(member.name);
        case MemberKind::Method: break;
    }
    return std::string(member.name);
}

const InterfaceRow& InterfaceOf(const MemberSpec& member) {
    return kInterfaces[static_cast<std::size_t>(member.iface)];
}

std::string GuidInitializer(std::string_view text) {
    // 8-4-4-4-12 hexadecimal digits; the last two groups are eight bytes.
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') {
        throw std::invalid_argument("not a GUID: " + std::string(text));
    }
    const auto hex = [&](std::size_t at, std::size_t digits) { return "0x" + std::string(text.substr(at, digits)); };
    std::string bytes;
    const std::size_t byteStarts[] = {19, 21, 24, 26, 28, 30, 32, 34};
    for (const std::size_t at : byteStarts) bytes += (bytes.empty() ? "" : ", ") + hex(at, 2);
    return "{" + hex(0, 8) + ", " + hex(9, 4) + ", " + hex(14, 4) + ", {" + bytes + "}}";
}

}  // namespace vellum::idl

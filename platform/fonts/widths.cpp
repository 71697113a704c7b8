#include "widths.h"

namespace vellum::fonts {
namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

const WidthRow* FindBuiltinFace(std::string_view faceName) {
    for (const BuiltinFace& face : kBuiltinFaces) {
        if (EqualIgnoringCase(face.name, faceName)) return &face.widths;
    }
    return nullptr;
}

}  // namespace vellum::fonts

// The types vellum::Document (include/vellum/document.hpp) uses for each
// value type of the member table: written into the C++ layer by idlgen and
// shown on the manual's pages by manualgen, which must agree.
#pragma once

#include <string_view>

#include "member_table.h"

namespace vellum {

constexpr std::string_view CppLayerParameterType(ValueType type) {
    switch (type) {
        case ValueType::Bstr: return "std::string_view";
        case ValueType::Double: return "double";
        case ValueType::Long: return "std::int32_t";
        case ValueType::Bool: return "bool";
        case ValueType::Variant: return "const Operand&";
        case ValueType::None: break;
    }
    return "void";
}

// A VARIANT result comes back as its text, unless it is always a byte array.
constexpr std::string_view CppLayerResultType(ValueType type, bool bytes) {
    switch (type) {
        case ValueType::Bstr: return "std::string";
        case ValueType::Double: return "double";
        case ValueType::Long: return "std::int32_t";
        case ValueType::Bool: return "bool";
        case ValueType::Variant: return bytes ? "std::vector<std::uint8_t>" : "std::string";
        case ValueType::None: break;
    }
    return "void";
}

}  // namespace vellum

// Lookups in a member table that both the dispatcher and the type
// information need.
#pragma once

#include <span>

#include "dispatch.h"

namespace vellum {

inline const MemberSpec* FirstEntry(std::span<const MemberSpec> members, DISPID dispid) {
    for (const MemberSpec& m : members) {
        if (m.dispid == dispid) return &m;
    }
    return nullptr;
}

inline VARTYPE VarTypeOf(ValueType type) {
    switch (type) {
        case ValueType::Bstr: return VT_BSTR;
        case ValueType::Double: return VT_R8;
        case ValueType::Long: return VT_I4;
        case ValueType::Bool: return VT_BOOL;
        default: return VT_EMPTY;
    }
}

}  // namespace vellum

#include "members.h"

#include <algorithm>

namespace vellum::manual {

std::vector<InterfaceMember> CollectMembers() {
    std::vector<InterfaceMember> members;
    for (const MemberSpec& row : kMembers) {
        auto found = std::find_if(members.begin(), members.end(),
                                  [&](const InterfaceMember& m) { return m.name == row.name; });
        if (found == members.end()) {
            InterfaceMember fresh;
            fresh.name = row.name;
            fresh.interfaceName = kInterfaces[static_cast<std::size_t>(row.iface)].name;
            fresh.dispid = row.dispid;
            fresh.order = row.order;
            members.push_back(fresh);
            found = members.end() - 1;
        }
        InterfaceMember& member = *found;
        switch (row.kind) {
        case MemberKind::Method:
            member.result = row.result;
            member.resultIsBytes = ReturnsByteArray(row);
            member.params.assign(row.params.begin(), row.params.begin() + row.paramCount);
            break;
        case MemberKind::PropertyGet:
            member.isProperty = member.hasGet = true;
            member.valueType = row.result;
            break;
        case MemberKind::PropertyPut:
            member.isProperty = member.hasPut = true;
            member.valueType = row.params[0].type;
            member.valueName = row.params[0].name;
            break;
        }
    }
    return members;
}

std::string_view CppTypeName(ValueType type) {
    switch (type) {
    case ValueType::Bstr: return "BSTR";
    case ValueType::Double: return "double";
    case ValueType::Long: return "long";
    case ValueType::Bool: return "VARIANT_BOOL";
    case ValueType::Variant: return "VARIANT";
    case ValueType::None: break;
    }
    return "void";
}

std::string_view PlainTypeName(ValueType type) {
    switch (type) {
    case ValueType::Bstr: return "text";
    case ValueType::Double: return "number";
    case ValueType::Long: return "whole number";
    case ValueType::Bool: return "True or False";
    case ValueType::Variant: return "any value";
    case ValueType::None: break;
    }
    return "nothing";
}

}  // namespace vellum::manual

// The members of IPDFDocument and IPDFDocument2 as the manual presents them:
// one entry per name, a property's get and put accessors joined into one entry.
#pragma once

#include "member_table.h"

#include <string>
#include <string_view>
#include <vector>

namespace vellum::manual {

struct InterfaceMember {
    std::string_view name;
    std::string_view interfaceName;        // the interface that declares it
    std::int32_t dispid = 0;
    int order = 0;                 // vtable position of the first accessor
    bool isProperty = false;
    bool hasGet = false;
    bool hasPut = false;
    ValueType result = ValueType::None;    // methods: the [out, retval] type
    ValueType valueType = ValueType::None; // properties: the value's type
    std::string_view valueName;            // properties: the put accessor's argument
    bool resultIsBytes = false;            // a VARIANT result that is always a byte array
    std::vector<ParamSpec> params;         // methods only
};

// In vtable order of each name's first row.
std::vector<InterfaceMember> CollectMembers();

// "BSTR", "double", "long", "VARIANT".
std::string_view CppTypeName(ValueType type);
// "text", "number", "whole number", "any value".
std::string_view PlainTypeName(ValueType type);

}  // namespace vellum::manual

#include "interface_text.h"

#include "generated_text.h"
#include "member_table.h"

namespace vellum::idl {
namespace {

std::string TypeName(ValueType type) {
    switch (type) {
        case ValueType::Bstr: return "BSTR";
        case ValueType::Double: return "double";
        case ValueType::Long: return "LONG";
        case ValueType::Bool: return "VARIANT_BOOL";
        case ValueType::Variant: return "VARIANT";
        case ValueType::None: break;
    }
    return "void";
}

// "(BSTR Txt, double xpos, double ypos)", the result last as a pointer.
std::string Parameters(const MemberSpec& member) {
    std::string text = "(";
    for (int i = 0; i < member.paramCount; ++i) {
        const ParamSpec& param = member.params[static_cast<std::size_t>(i)];
        text += (i > 0 ? ", " : "") + TypeName(param.type) + " " + std::string(param.name);
    }
    if (member.result != ValueType::None) {
        text += (member.paramCount > 0 ? ", " : "") + TypeName(member.result) + "* Value";
    }
    return text + ")";
}

std::string GuidConstant(std::string_view type, std::string_view name, std::string_view guid) {
    return "inline constexpr " + std::string(type) + " " + std::string(name) + GuidInitializer(guid) + ";\n";
}

std::string InterfaceStruct(const InterfaceRow& row) {
    std::string text = "\nstruct " + std::string(row.name) + " : " + std::string(row.base) + " {\n";
    for (const MemberSpec& member : kMembers) {
        if (member.iface != row.id) continue;
        const std::string head = "    STDMETHOD(" + Accessor(member) + ")";
        text += Wrapped(head + Parameters(member) + " PURE;", head.size());
    }
    return text + "};\n";
}

}  // namespace

std::string InterfaceHeader() {
    std::string text =
        "// The dual interfaces IPDFDocument and IPDFDocument2, which extends it, and the\n"
        "// identifiers of the type library, interfaces and class. Members stand in\n"
        "// virtual-table order after the IDispatch slots; member_table.h lists the same\n"
        "// members for late binding.\n" +
        std::string(kGeneratedNote) +
        "#pragma once\n\n"
        "#include \"com/interfaces.h\"\n"
        "#include \"com/types.h\"\n"
        "#include \"com/variant.h\"\n\n";
    text += GuidConstant("GUID", "LIBID_" + std::string(kTypeLibrary.name), kTypeLibrary.guid);
    for (const InterfaceRow& row : kInterfaces) text += GuidConstant("IID", "IID_" + std::string(row.name), row.iid);
    text += GuidConstant("CLSID", "CLSID_" + std::string(kCoclass.name), kCoclass.guid);
    for (const InterfaceRow& row : kInterfaces) text += InterfaceStruct(row);
    return text;
}

std::string ObjectOverrides() {
    std::string text =
        "// TPDFDocument's declarations of the interface methods, in vtable order;\n"
        "// pdf_document.h includes them inside the class.\n" +
        std::string(kGeneratedNote);
    for (const InterfaceRow& row : kInterfaces) {
        text += "\n    // " + std::string(row.name) + "\n";
        for (const MemberSpec& member : kMembers) {
            if (member.iface != row.id) continue;
            text += Wrapped("    STDMETHODIMP " + Accessor(member) + Parameters(member) + " override;");
        }
    }
    return text;
}

std::string ThunkTable() {
    const std::string self(kInterfaces.back().name);
    std::string text =
        "// The late-binding thunks of the member table's rows, in row order. Each\n"
        "// calls its vtable method on the " + self + " the object hands to the\n"
        "// dispatcher, and compiles only when the method's signature is the row's.\n" +
        std::string(kGeneratedNote) +
        "#pragma once\n\n"
        "#include <iterator>\n\n"
        "#include \"VELLUM_XP_TLB.h\"\n"
        "#include \"dispatch.h\"\n\n"
        "namespace vellum::automation {\n\n"
        "inline constexpr MemberThunk kThunks[] = {\n";
    for (std::size_t i = 0; i < kMembers.size(); ++i) {
        const MemberSpec& member = kMembers[i];
        text += "    CheckedThunk<" + self + ", &" + std::string(InterfaceOf(member).name) + "::" + Accessor(member) +
                ">(kMembers[" + std::to_string(i) + "]),\n";
    }
    text +=
        "};\n"
        "static_assert(std::size(kThunks) == kMembers.size(),\n"
        "              \"the member table changed: cmake --build BUILD --target interface_files\");\n\n"
        "}  // namespace vellum::automation\n";
    return text;
}

}  // namespace vellum::idl

#include "idl_text.h"

#include <cstdio>

#include "member_table.h"

namespace vellum::idl {
namespace {

// The identifiers and texts of the type library, as registration uses them.
constexpr const char* kLibraryGuid = "3D9C5168-E754-42BE-9816-7E12E9CF8BED";
constexpr const char* kInterfaceGuid = "036A3637-E948-4990-BABE-210BE9D0C6E1";
constexpr const char* kClassGuid = "C08D629F-1C7A-45A7-87F6-5C483BA32121";

const char* TypeName(ValueType type) {
    switch (type) {
        case ValueType::Bstr: return "BSTR";
        case ValueType::Double: return "double";
        case ValueType::Long: return "long";
        case ValueType::Variant: return "VARIANT";
        case ValueType::None: break;
    }
    return "void";
}

std::string HexId(std::int32_t dispid) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(dispid));
    return text;
}

std::string MemberLine(const MemberSpec& member) {
    std::string line = "        [";
    if (member.kind == MemberKind::PropertyGet) line += "propget, ";
    if (member.kind == MemberKind::PropertyPut) line += "propput, ";
    line += "id(" + HexId(member.dispid) + ")]\n        HRESULT " + std::string(member.name) + "(";
    bool first = true;
    for (int i = 0; i < member.paramCount; ++i) {
        const ParamSpec& param = member.params[static_cast<std::size_t>(i)];
        line += first ? "" : ", ";
        line += "[in] " + std::string(TypeName(param.type)) + " " + std::string(param.name);
        first = false;
    }
    if (member.result != ValueType::None) {
        line += first ? "" : ", ";
        line += "[out, retval] " + std::string(TypeName(member.result)) + "* Value";
    }
    return line + ");\n";
}

}  // namespace

std::string TypeLibraryIdl() {
    std::string text =
        "// The type library of VELLUM_XP, embedded in Vellum_XP.dll as resource TYPELIB 1.\n"
        "// Written by tools/idlgen from automation/member_table.h; do not edit by hand.\n"
        "import \"oaidl.idl\";\n\n"
        "[\n"
        "    uuid(" + std::string(kLibraryGuid) + "),\n"
        "    version(1.0),\n"
        "    lcid(0x0409),\n"
        "    helpstring(\"VELLUM_XP Library\")\n"
        "]\n"
        "library VELLUM_XP\n"
        "{\n"
        "    importlib(\"stdole2.tlb\");\n\n"
        "    [\n"
        "        uuid(" + std::string(kInterfaceGuid) + "),\n"
        "        version(1.0),\n"
        "        helpstring(\"Dispatch interface for PDFDocument Object\"),\n"
        "        dual,\n"
        "        oleautomation\n"
        "    ]\n"
        "    interface IPDFDocument : IDispatch\n"
        "    {\n";
    for (const MemberSpec& member : kMembers) text += MemberLine(member);
    text +=
        "    };\n\n"
        "    [\n"
        "        uuid(" + std::string(kClassGuid) + "),\n"
        "        version(1.0),\n"
        "        helpstring(\"PDFDocument Object\")\n"
        "    ]\n"
        "    coclass PDFDocument\n"
        "    {\n"
        "        [default] interface IPDFDocument;\n"
        "    };\n"
        "};\n";
    return text;
}

}  // namespace vellum::idl

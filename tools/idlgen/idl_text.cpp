#include "idl_text.h"

#include <cstdio>

#include "generated_text.h"
#include "member_table.h"

namespace vellum::idl {
namespace {

const char* TypeName(ValueType type) {
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

std::string InterfaceBlock(const InterfaceRow& row) {
    std::string text =
        "    [\n"
        "        uuid(" + std::string(row.iid) + "),\n"
        "        version(1.0),\n"
        "        helpstring(\"" + std::string(row.help) + "\"),\n"
        "        dual,\n"
        "        oleautomation\n"
        "    ]\n"
        "    interface " + std::string(row.name) + " : " + std::string(row.base) + "\n"
        "    {\n";
    for (const MemberSpec& member : kMembers) {
        if (member.iface == row.id) text += MemberLine(member);
    }
    return text + "    };\n\n";
}

// The default interface first, then those it extends.
std::string CoclassInterfaces() {
    std::string text;
    for (auto row = kInterfaces.rbegin(); row != kInterfaces.rend(); ++row) {
        text += std::string(row == kInterfaces.rbegin() ? "        [default] interface " : "        interface ") +
                std::string(row->name) + ";\n";
    }
    return text;
}

}  // namespace

std::string TypeLibraryIdl() {
    std::string text =
        "// The type library of VELLUM_XP, embedded in Vellum_XP.dll as resource TYPELIB 1.\n" +
        std::string(kGeneratedNote) +
        "import \"oaidl.idl\";\n\n"
        "[\n"
        "    uuid(" + std::string(kTypeLibrary.guid) + "),\n"
        "    version(1.0),\n"
        "    lcid(0x0409),\n"
        "    helpstring(\"" + std::string(kTypeLibrary.help) + "\")\n"
        "]\n"
        "library " + std::string(kTypeLibrary.name) + "\n"
        "{\n"
        "    importlib(\"stdole2.tlb\");\n\n";
    for (const InterfaceRow& row : kInterfaces) text += InterfaceBlock(row);
    text +=
        "    [\n"
        "        uuid(" + std::string(kCoclass.guid) + "),\n"
        "        version(1.0),\n"
        "        helpstring(\"" + std::string(kCoclass.help) + "\")\n"
        "    ]\n"
        "    coclass " + std::string(kCoclass.name) + "\n"
        "    {\n" +
        CoclassInterfaces() +
        "    };\n"
        "};\n";
    return text;
}

}  // namespace vellum::idl

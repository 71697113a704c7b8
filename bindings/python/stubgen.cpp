// Writes the type stub vellum/__init__.pyi from the member table, so editors
// complete the members of the object Dispatch() returns with their argument
// names and types. Usage: vellum_stubgen OUTPUT.pyi
#include <cstdio>
#include <string>
#include <string_view>

#include "member_table.h"

namespace {

using vellum::MemberKind;
using vellum::MemberSpec;
using vellum::ValueType;

std::string_view PythonType(ValueType type) {
    switch (type) {
        case ValueType::Bstr: return "str";
        case ValueType::Double: return "float";
        case ValueType::Long: return "int";
        case ValueType::Variant: return "Any";
        case ValueType::None: break;
    }
    return "None";
}

constexpr std::string_view kHeader = R"(# Generated at build time from the member table; do not edit.
from typing import Any

PROGID: str
E_UNEXPECTED: int
DISP_E_MEMBERNOTFOUND: int
DISP_E_TYPEMISMATCH: int
DISP_E_UNKNOWNNAME: int
DISP_E_BADPARAMCOUNT: int
CO_E_CLASSSTRING: int

class COMError(Exception):
    hresult: int
    description: str
    source: str | None
    def __init__(self, hresult: int, description: str, source: str | None = ...) -> None: ...

class DispatchObject:
    def __getattr__(self, name: str) -> Any: ...
    def __setattr__(self, name: str, value: Any) -> None: ...

class IPDFDocument(DispatchObject):
)";

constexpr std::string_view kFooter = R"(
def Dispatch(progid: str = ..., *, library: str | None = ...) -> IPDFDocument: ...
def PDFDocument() -> IPDFDocument: ...
)";

// A property is declared once, with the type of its get (or of its put's value).
bool DeclaredBefore(const MemberSpec& member) {
    for (const MemberSpec& other : vellum::kMembers) {
        if (&other == &member) return false;
        if (other.dispid == member.dispid) return true;
    }
    return false;
}

std::string Declaration(const MemberSpec& member) {
    if (member.kind != MemberKind::Method) {
        const ValueType type = member.kind == MemberKind::PropertyGet ? member.result : member.params[0].type;
        return "    " + std::string(member.name) + ": " + std::string(PythonType(type)) + "\n";
    }
    std::string text = "    def " + std::string(member.name) + "(self";
    for (int k = 0; k < member.paramCount; ++k) {
        const auto& param = member.params[static_cast<std::size_t>(k)];
        text += ", " + std::string(param.name) + ": " + std::string(PythonType(param.type));
    }
    return text + ") -> " + std::string(PythonType(member.result)) + ": ...\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.pyi\n", argv[0]);
        return 2;
    }
    std::string stub(kHeader);
    for (const MemberSpec& member : vellum::kMembers) {
        if (!DeclaredBefore(member)) stub += Declaration(member);
    }
    stub += kFooter;
    std::FILE* file = std::fopen(argv[1], "wb");
    if (file == nullptr || std::fwrite(stub.data(), 1, stub.size(), file) != stub.size() || std::fclose(file) != 0) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}

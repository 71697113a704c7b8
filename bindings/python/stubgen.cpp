// Writes the type stub vellum/__init__.pyi from the member table, so editors
// complete the members of the object Dispatch() returns with their argument
// names and types, and the table of docstrings the module carries, from the
// manual's member descriptions.
// Usage: vellum_stubgen OUTPUT.pyi MEMBERS.txt DOCSTRINGS.inc
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>
#include <string_view>

#include "docstrings.h"
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
        case ValueType::Bool: return "bool";
        case ValueType::Variant: return "Any";
        case ValueType::None: break;
    }
    return "None";
}

// File names take paths as well as text.
std::string_view ParameterType(const vellum::ParamSpec& param) {
    const std::string_view suffix = "filename";
    const std::string_view name = param.name;
    bool fileName = param.type == ValueType::Bstr && name.size() >= suffix.size();
    for (std::size_t i = 0; fileName && i < suffix.size(); ++i) {
        const char c = name[name.size() - suffix.size() + i];
        fileName = (c >= 'A' && c <= 'Z' ? c + 32 : c) == suffix[i];
    }
    return fileName ? "str | os.PathLike[str]" : PythonType(param.type);
}

constexpr std::string_view kHeader = R"(# Generated at build time from the member table; do not edit.
import os
from types import TracebackType
from typing import Any, Self

PROGID: str
E_UNEXPECTED: int
DISP_E_MEMBERNOTFOUND: int
DISP_E_TYPEMISMATCH: int
DISP_E_UNKNOWNNAME: int
DISP_E_BADPARAMCOUNT: int
CO_E_CLASSSTRING: int
DISP_E_OVERFLOW: int

class COMError(Exception):
    hresult: int
    description: str
    source: str | None
    def __init__(self, hresult: int, description: str, source: str | None = ...) -> None: ...

class ArgumentError(COMError, TypeError):
    argument: int | None

class VellumWarning(UserWarning): ...

class DispatchObject:
    def __getattr__(self, name: str) -> Any: ...
    def __setattr__(self, name: str, value: Any) -> None: ...
    def close(self) -> None: ...
    def __enter__(self) -> Self: ...
    def __exit__(self, kind: type[BaseException] | None, error: BaseException | None,
                 traceback: TracebackType | None) -> None: ...

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
        text += ", " + std::string(param.name) + ": " + std::string(ParameterType(param));
    }
    return text + ") -> " + std::string(PythonType(member.result)) + ": ...\n";
}

bool WriteFile(const char* path, const std::string& text) {
    std::FILE* file = std::fopen(path, "wb");
    const bool written = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return (file == nullptr || std::fclose(file) == 0) && written;
}

// One class per interface, each extending the one before; the object is
// the last (the class's default interface).
std::string Stub() {
    std::string stub(kHeader);
    std::string_view base = "DispatchObject";
    for (const vellum::InterfaceRow& row : vellum::kInterfaces) {
        stub += "\nclass " + std::string(row.name) + "(" + std::string(base) + "):\n";
        for (const MemberSpec& member : vellum::kMembers) {
            if (member.iface == row.id && !DeclaredBefore(member)) stub += Declaration(member);
        }
        base = row.name;
    }
    const std::string object(base);
    return stub + "\ndef Dispatch(progid: str = ..., *, library: str | os.PathLike[str] | None = ...) -> " + object +
           ": ...\ndef PDFDocument() -> " + object + ": ...\n";
}

// The docstring table; errors in the descriptions go to `errors`.
std::string DocTable(const char* descriptionsPath, std::vector<std::string>& errors) {
    std::ifstream in(descriptionsPath, std::ios::binary);
    if (!in) {
        errors.push_back("cannot read the file");
        return {};
    }
    const auto docs = vellum::manual::ParseDescriptions(in, errors);
    return errors.empty() ? vellum::python::DocTableSource(docs) : std::string();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s OUTPUT.pyi MEMBERS.txt DOCSTRINGS.inc\n", argv[0]);
        return 2;
    }
    std::vector<std::string> errors;
    std::string table;
    try {
        table = DocTable(argv[2], errors);
    } catch (const std::exception& error) {
        errors.push_back(error.what());
    }
    for (const std::string& error : errors) std::fprintf(stderr, "%s: %s\n", argv[2], error.c_str());
    if (!errors.empty()) return 1;
    for (const auto& [path, text] : {std::pair{argv[1], Stub()}, std::pair{argv[3], table}}) {
        if (!WriteFile(path, text)) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], path);
            return 1;
        }
    }
    return 0;
}

// How a program writes a call of a member in each of the ways the library
// is reached: the COM interface itself, the C++ layer vellum::Document, the
// Python module and the call script. Derived from the member table alone, so
// every member page follows the same conventions as the code that binds it.
#pragma once

#include "members.h"

#include <string>
#include <string_view>
#include <vector>

namespace vellum::manual {

// IPDFDocument's methods, one per accessor: "HRESULT TextOut(BSTR Txt, ...);".
std::vector<std::string> ComDeclarations(const InterfaceMember& m);

// The methods of vellum::Document as <vellum/document.hpp> declares them, a
// property as a getter and a setter of the member's name: text in as
// std::string_view, out as std::string, a byte array as a vector of bytes.
std::vector<std::string> DocumentDeclarations(const InterfaceMember& m);

// Calls on the object vellum.Dispatch() returns, with the Python types:
// "doc.TextOut(Txt: str, xpos: float, ypos: float) -> None".
std::vector<std::string> PythonForms(const InterfaceMember& m);

// Lines of a call script: "TextOut Txt, xpos, ypos", "FontName = value".
std::vector<std::string> ScriptForms(const InterfaceMember& m);

// True when the C++ form takes vellum::Operand arguments.
bool TakesOperands(const InterfaceMember& m);

// The parts with `separator` between them.
std::string Join(const std::vector<std::string>& parts, std::string_view separator);

}  // namespace vellum::manual

#include "vbscript.h"

#include <algorithm>
#include <cstdio>
#include <type_traits>

#include "com/codepage.h"
#include "com/number_text.h"

namespace vellum::vbs {
namespace {

using namespace vellum::script;

// Helpers every translated script carries.
//
// VlsText gives a value's text as the command-line client prints it: Empty
// as nothing, Null as "Null", a byte array by its size.
//
// VlsWriteFile writes text as it is. A byte array needs a detour: the
// script host's VBScript (Wine's in particular) can neither index a byte
// array nor take its length, and has no binary stream object. CStr turns the
// array into a string whose characters are its bytes taken in pairs, and a
// Unicode text file writes those characters unchanged after the byte-order
// mark FF FE, into PATH.utf16. Dropping those two bytes gives the array back,
// except an odd last byte, which a string of pairs cannot carry. The arrays
// written here are PDF files, which end in "%%EOF": a file ending in "%%EO"
// lost its "F". scripts/wine-test.sh makes PATH from PATH.utf16 that way.
// For the same reason a printed byte array shows only its even part,
// "<N+ bytes>": N or N + 1 bytes.
constexpr const char* kHelpers = R"(Function VlsText(value)
    If VarType(value) = 8209 Then
        VlsText = "<" & (2 * Len(CStr(value))) & "+ bytes>"
    ElseIf IsNull(value) Then
        VlsText = "Null"
    ElseIf IsEmpty(value) Then
        VlsText = ""
    Else
        VlsText = CStr(value)
    End If
End Function

Sub VlsWriteFile(path, value)
    Dim fso, file
    Set fso = CreateObject("Scripting.FileSystemObject")
    If VarType(value) = 8209 Then
        Set file = fso.CreateTextFile(path & ".utf16", True, True)
        file.Write CStr(value)
    Else
        Set file = fso.CreateTextFile(path, True, False)
        file.Write VlsText(value)
    End If
    file.Close
End Sub
)";

bool InCodePage(char16_t c) { return c == u'?' || Utf16ToCp1252(std::u16string_view(&c, 1)) != "?"; }

// A VBScript string expression: runs of characters of the script's code page
// (Windows-1252) as literals, control characters as Chr(n), anything else as
// ChrW(n). The result is UTF-8 that holds only Windows-1252 characters.
std::string Quoted(const std::string& utf8) {
    std::string out;
    std::u16string literal;
    auto append = [&out](const std::string& part) { out += (out.empty() ? "" : " & ") + part; };
    auto flush = [&] {
        if (literal.empty()) return;
        append("\"" + Utf16ToUtf8(literal) + "\"");
        literal.clear();
    };
    for (const char16_t c : Utf8ToUtf16(utf8)) {
        if (c < 0x20 || c == 0x7F) {
            flush();
            append("Chr(" + std::to_string(c) + ")");
        } else if (!InCodePage(c)) {
            flush();
            append("ChrW(" + std::to_string(c) + ")");
        } else {
            literal += c == u'"' ? std::u16string(u"\"\"") : std::u16string(1, c);
        }
    }
    flush();
    return out.empty() ? "\"\"" : out;
}

std::string Expression(const Expr& expr);

std::string ArgumentList(const std::vector<ExprPtr>& arguments) {
    std::string out;
    for (std::size_t i = 0; i < arguments.size(); ++i) out += (i ? ", " : "") + Expression(*arguments[i]);
    return out;
}

std::string Expression(const Expr& expr) {
    return std::visit(
        [](const auto& node) -> std::string {
            using T = std::decay_t<decltype(node)>;
            if constexpr (std::is_same_v<T, StringLiteral>) {
                return Quoted(node.utf8);
            } else if constexpr (std::is_same_v<T, IntegerLiteral>) {
                // VBScript makes small literals 16-bit; the client passes 32-bit integers.
                return "CLng(" + std::to_string(node.value) + ")";
            } else if constexpr (std::is_same_v<T, RealLiteral>) {
                return "CDbl(" + FormatDouble(node.value) + ")";
            } else if constexpr (std::is_same_v<T, BoolLiteral>) {
                return node.value ? "True" : "False";
            } else if constexpr (std::is_same_v<T, EmptyLiteral>) {
                return "Empty";
            } else if constexpr (std::is_same_v<T, NullLiteral>) {
                return "Null";
            } else if constexpr (std::is_same_v<T, CharCode>) {
                return "Chr(" + Expression(*node.code) + ")";
            } else if constexpr (std::is_same_v<T, Concat>) {
                std::string out = "(";
                for (std::size_t i = 0; i < node.parts.size(); ++i) out += (i == 0 ? "" : " & ") + Expression(*node.parts[i]);
                return out + ")";
            } else if constexpr (std::is_same_v<T, MemberGet>) {
                std::string out = "doc." + node.name;
                if (node.hasArgumentList) out += "(" + ArgumentList(node.arguments) + ")";
                return out;
            } else if constexpr (std::is_same_v<T, ErrNumber>) {
                return "Err.Number";
            } else {
                return "Err.Description";
            }
        },
        expr.node);
}

bool CallsMember(const Expr& expr) {
    return std::visit(
        [](const auto& node) -> bool {
            using T = std::decay_t<decltype(node)>;
            if constexpr (std::is_same_v<T, MemberGet>) return true;
            if constexpr (std::is_same_v<T, Concat>) {
                return std::any_of(node.parts.begin(), node.parts.end(), [](const ExprPtr& part) { return CallsMember(*part); });
            }
            if constexpr (std::is_same_v<T, CharCode>) return CallsMember(*node.code);
            return false;
        },
        expr.node);
}

// A statement and whether it calls the object (which resets Err in the client).
std::pair<std::string, bool> StatementText(const Statement& statement) {
    return std::visit(
        [](const auto& node) -> std::pair<std::string, bool> {
            using T = std::decay_t<decltype(node)>;
            if constexpr (std::is_same_v<T, CallStatement>) {
                std::string text = "doc." + node.name;
                if (!node.arguments.empty()) text += " " + ArgumentList(node.arguments);
                return {text, true};
            } else if constexpr (std::is_same_v<T, PutStatement>) {
                return {"doc." + node.name + " = " + Expression(*node.value), true};
            } else if constexpr (std::is_same_v<T, PrintStatement>) {
                return {"WScript.Echo VlsText(" + Expression(*node.value) + ")", CallsMember(*node.value)};
            } else if constexpr (std::is_same_v<T, WriteFileStatement>) {
                return {"VlsWriteFile " + Expression(*node.path) + ", " + Expression(*node.value),
                        CallsMember(*node.path) || CallsMember(*node.value)};
            } else {
                return {node.resumeNext ? "On Error Resume Next" : "On Error GoTo 0", false};
            }
        },
        statement.node);
}

}  // namespace

std::string TranslateScript(const std::vector<Statement>& statements, const std::string& progId) {
    std::string out = "' Translated from a call script by vls2vbs.\nDim doc\nSet doc = CreateObject(" +
                      Quoted(progId) + ")\n\n";
    for (const Statement& statement : statements) {
        const auto [text, callsObject] = StatementText(statement);
        // The client resets Err.Number and Err.Description with every call.
        if (callsObject) out += "Err.Clear\n";
        out += text + "\n";
    }
    out += "\n' Helpers of the translation\n";
    out += kHelpers;
    return out;
}

}  // namespace vellum::vbs

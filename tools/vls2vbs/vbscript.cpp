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

// Reads the string table, SCRIPT.strings beside the script, one entry a line
// (entries hold no control characters).
constexpr const char* kReadStringsHelper = R"(
Function VlsReadStrings()
    Dim fso, file, name
    Set fso = CreateObject("Scripting.FileSystemObject")
    name = WScript.ScriptFullName
    Set file = fso.OpenTextFile(fso.BuildPath(fso.GetParentFolderName(name), fso.GetBaseName(name) & ".strings"), 1, False, -1)
    VlsReadStrings = Split(file.ReadAll, vbCrLf)
    file.Close
End Function
)";

// A VBScript string expression: runs of printable ASCII as literals, control
// characters as Chr(n), and runs holding any other character as an entry of
// the string table. Wine's VBScript has no ChrW and reads scripts in the
// ANSI code page only, so the script itself stays ASCII and the table
// travels beside it as a Unicode text file (VlsReadStrings).
std::string Quoted(const std::string& utf8, StringTable& table) {
    std::string out;
    std::u16string run;
    bool runIsAscii = true;
    auto append = [&out](const std::string& part) { out += (out.empty() ? "" : " & ") + part; };
    auto flush = [&] {
        if (run.empty()) return;
        if (runIsAscii) {
            std::string literal;
            for (const char16_t c : run) literal += c == u'"' ? std::string("\"\"") : std::string(1, static_cast<char>(c));
            append("\"" + literal + "\"");
        } else {
            append("VlsStrings(" + std::to_string(table.size()) + ")");
            table.push_back(run);
        }
        run.clear();
        runIsAscii = true;
    };
    for (const char16_t c : Utf8ToUtf16(utf8)) {
        if (c < 0x20 || c == 0x7F) {
            flush();
            append("Chr(" + std::to_string(c) + ")");
        } else {
            run += c;
            runIsAscii = runIsAscii && c < 0x80;
        }
    }
    flush();
    return out.empty() ? "\"\"" : out;
}

std::string Expression(const Expr& expr, StringTable& table);

std::string ArgumentList(const ExprList& arguments, StringTable& table) {
    std::string out;
    for (std::size_t i = 0; i < arguments.size(); ++i) out += (i ? ", " : "") + Expression(arguments[i], table);
    return out;
}

std::string Expression(const Expr& expr, StringTable& table) {
    return std::visit(
        [&table](const auto& node) -> std::string {
            using T = std::decay_t<decltype(node)>;
            if constexpr (std::is_same_v<T, StringLiteral>) {
                return Quoted(node.utf8, table);
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
                return "Chr(" + Expression(*node.code, table) + ")";
            } else if constexpr (std::is_same_v<T, Concat>) {
                std::string out = "(";
                for (std::size_t i = 0; i < node.parts.size(); ++i) out += (i == 0 ? "" : " & ") + Expression(node.parts[i], table);
                return out + ")";
            } else if constexpr (std::is_same_v<T, MemberGet>) {
                std::string out = "doc." + node.name;
                if (node.hasArgumentList) out += "(" + ArgumentList(node.arguments, table) + ")";
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
                return std::any_of(node.parts.begin(), node.parts.end(), [](const Expr& part) { return CallsMember(part); });
            }
            if constexpr (std::is_same_v<T, CharCode>) return CallsMember(*node.code);
            return false;
        },
        expr.node);
}

// A statement and whether it calls the object (which resets Err in the client).
std::pair<std::string, bool> StatementText(const Statement& statement, StringTable& table) {
    return std::visit(
        [&table](const auto& node) -> std::pair<std::string, bool> {
            using T = std::decay_t<decltype(node)>;
            if constexpr (std::is_same_v<T, CallStatement>) {
                std::string text = "doc." + node.name;
                if (!node.arguments.empty()) text += " " + ArgumentList(node.arguments, table);
                return {text, true};
            } else if constexpr (std::is_same_v<T, PutStatement>) {
                return {"doc." + node.name + " = " + Expression(*node.value, table), true};
            } else if constexpr (std::is_same_v<T, PrintStatement>) {
                return {"WScript.Echo VlsText(" + Expression(*node.value, table) + ")", CallsMember(*node.value)};
            } else if constexpr (std::is_same_v<T, WriteFileStatement>) {
                return {"VlsWriteFile " + Expression(*node.path, table) + ", " + Expression(*node.value, table),
                        CallsMember(*node.path) || CallsMember(*node.value)};
            } else {
                return {node.resumeNext ? "On Error Resume Next" : "On Error GoTo 0", false};
            }
        },
        statement.node);
}

}  // namespace

Translation TranslateScript(const std::vector<Statement>& statements, const std::string& progId) {
    Translation result;
    std::string body;
    for (const Statement& statement : statements) {
        const auto [text, callsObject] = StatementText(statement, result.strings);
        // The client resets Err.Number and Err.Description with every call.
        if (callsObject) body += "Err.Clear\n";
        body += text + "\n";
    }
    std::string& out = result.script;
    out = "' Translated from a call script by vls2vbs.\nDim doc\n";
    if (!result.strings.empty()) out += "Dim VlsStrings\nVlsStrings = VlsReadStrings()\n";
    out += "Set doc = CreateObject(" + Quoted(progId, result.strings) + ")\n\n" + body;
    out += "\n' Helpers of the translation\n";
    out += kHelpers;
    if (!result.strings.empty()) out += kReadStringsHelper;
    return result;
}

std::u16string StringTableText(const StringTable& table) {
    std::u16string text;
    for (const std::u16string& entry : table) text += entry + u"\r\n";
    return text;
}

}  // namespace vellum::vbs

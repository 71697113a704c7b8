// libFuzzer target: any bytes as a call script must parse or fail cleanly,
// and whatever parses must evaluate cleanly against an object that answers
// every name, fails some calls and returns texts, numbers and byte arrays.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "com/bstr.h"
#include "com/safearray.h"
#include "plain_call.h"
#include "runner.h"
#include "stand_in_dispatch.h"

namespace {

class FuzzObject final : public vellum::test::StandInDispatch {
public:
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
        const std::u16string_view name(names[0]);
        *ids = static_cast<DISPID>(name.size());
        return name.size() % 7 == 0 ? DISP_E_UNKNOWNNAME : S_OK;
    }
    STDMETHODIMP Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT* argErr) override {
        switch (dispid % 5) {
            case 0:
                *argErr = params->cArgs > 0 ? params->cArgs - 1 : 0;
                return DISP_E_TYPEMISMATCH;
            case 1:
                return DISP_E_BADPARAMCOUNT;
            case 2:
                result->vt = VT_BSTR;
                result->bstrVal = SysAllocString(u"text");
                return S_OK;
            case 3:
                result->vt = VT_ARRAY | VT_UI1;
                result->parray = SafeArrayCreateVector(VT_UI1, 0, params->cArgs);
                return S_OK;
            default:
                result->vt = VT_R8;
                result->dblVal = 1.0 / (params->cArgs + 1);
                return S_OK;
        }
    }
};

bool SameAsStatement(const vellum::script::PlainCall& plain, const vellum::script::LineResult& full) {
    using namespace vellum::script;
    if (!full.isStatement || !std::holds_alternative<CallStatement>(full.statement.node)) return false;
    CallStatement call{std::string(plain.name), {}};
    for (std::size_t i = 0; i < plain.count; ++i) {
        const PlainArgument& argument = plain.arguments[i];
        Expr& expr = call.arguments.emplace_back();
        if (argument.kind == PlainArgument::Kind::Integer) expr.node = IntegerLiteral{argument.integer};
        if (argument.kind == PlainArgument::Kind::Real) expr.node = RealLiteral{argument.real};
        if (argument.kind == PlainArgument::Kind::Text) {
            std::string text;
            for (std::size_t k = 0; k < argument.text.size(); ++k) {
                text += argument.text[k];
                if (argument.text[k] == '"') ++k;
            }
            expr.node = StringLiteral{text};
        }
    }
    return SameStatement(Statement{full.statement.line, std::move(call)}, full.statement);
}

}  // namespace

// libFuzzer stops at 4,096 bytes unless told otherwise, too short for the
// long lines (concatenation chains, argument lists) that once exhausted the
// stack; inputs up to 1 MB are tried unless the command line sets -max_len.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    for (int i = 1; i < *argc; ++i) {
        if (std::strncmp((*argv)[i], "-max_len=", 9) == 0) return 0;
    }
    static char maxLength[] = "-max_len=1048576";
    char** arguments = new char*[static_cast<std::size_t>(*argc) + 2];
    for (int i = 0; i < *argc; ++i) arguments[i] = (*argv)[i];
    arguments[*argc] = maxLength;
    arguments[*argc + 1] = nullptr;
    *argv = arguments;
    ++*argc;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // The checking pass and the parsing pass must agree on every line, or a
    // script could start running and stop at a syntax error.
    for (std::string_view rest = text; !rest.empty();) {
        const std::string_view line = rest.substr(0, rest.find('\n'));
        rest.remove_prefix(std::min(rest.size(), line.size() + 1));
        vellum::script::LineResult parsed;
        vellum::script::SyntaxError parseError, checkError;
        const bool parses = vellum::script::ParseLine(line, 1, parsed, parseError);
        if (parses != vellum::script::CheckLine(line, 1, checkError)) __builtin_trap();
        if (!parses && parseError.message != checkError.message) __builtin_trap();
        // The quick path for plain calls must agree with the full parser.
        vellum::script::LineResult full;
        vellum::script::SyntaxError fullError;
        if (parses != vellum::script::ParseLineFully(line, 1, full, fullError)) __builtin_trap();
        if (parses != vellum::script::CheckLineFully(line, 1, fullError)) __builtin_trap();
        if (!parses && parseError.message != fullError.message) __builtin_trap();
        if (parses && parsed.isStatement != full.isStatement) __builtin_trap();
        if (parses && parsed.isStatement && !vellum::script::SameStatement(parsed.statement, full.statement)) {
            __builtin_trap();
        }
        // A flat plain call must hold what the statement holds.
        vellum::script::PlainCall plain;
        if (vellum::script::ReadPlainCall(line, plain) && !SameAsStatement(plain, full)) __builtin_trap();
    }
    const vellum::script::ParsedScript script = vellum::script::ParseScript(text);
    if (!script.ok && script.error.line < 1) __builtin_trap();
    if (!script.ok) return 0;
    static std::FILE* sink = std::fopen("/dev/null", "w");
    static FuzzObject object;
    vellum::script::ScriptRunner runner(&object, "fuzz", sink, sink);
    for (const vellum::script::Statement& statement : script.statements) {
        // WriteFile would write the fuzzer's files all over the folder.
        if (!std::holds_alternative<vellum::script::WriteFileStatement>(statement.node)) runner.Step(statement);
    }
    return 0;
}

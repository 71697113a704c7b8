#include "runner.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "com/bstr.h"
#include "com/codepage.h"
#include "com/number_text.h"
#include "com/safearray.h"
#include "com/variant.h"

namespace vellum::script {
namespace {

constexpr HRESULT kInvalidCall = static_cast<HRESULT>(0x800A0005);  // invalid procedure call or argument
constexpr HRESULT kTypeMismatch = static_cast<HRESULT>(0x800A000D);
constexpr HRESULT kFileError = static_cast<HRESULT>(0x800A004B);  // path/file access error

std::string LowerAscii(std::string text) {
    for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    return text;
}

ScopedVariant TextValue(std::u16string_view text) {
    ScopedVariant value;
    value->vt = VT_BSTR;
    value->bstrVal = AllocBstr(text);
    if (value->bstrVal == nullptr) throw std::bad_alloc();
    return value;
}

// A script's text literal: ASCII, the common case, is widened straight into
// the BSTR; other text goes through UTF-16 first.
ScopedVariant Utf8TextValue(std::string_view utf8) {
    if (!std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return TextValue(Utf8ToUtf16(utf8));
    }
    if (utf8.size() > kMaxBstrLength) throw std::bad_alloc();
    ScopedVariant value;
    value->bstrVal = SysAllocStringLen(nullptr, static_cast<UINT>(utf8.size()));
    if (value->bstrVal == nullptr) throw std::bad_alloc();
    value->vt = VT_BSTR;
    std::copy(utf8.begin(), utf8.end(), value->bstrVal);
    return value;
}

std::string HexCode(HRESULT code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
    return text;
}

bool IsByteArray(const VARIANT& value) { return value.vt == (VT_ARRAY | VT_UI1) && value.parray != nullptr; }

std::string_view ArrayBytes(const VARIANT& value) {
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(value.parray, 1, &lower);
    SafeArrayGetUBound(value.parray, 1, &upper);
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(value.parray, &data))) return {};
    SafeArrayUnaccessData(value.parray);  // the array stays alive while `value` does
    return {static_cast<const char*>(data), static_cast<std::size_t>(upper - lower + 1)};
}

// The argument values of one call, in the order Invoke takes them; the
// values filled so far are cleared however the call ends.
class ArgumentSlots {
public:
    explicit ArgumentSlots(std::size_t count) : count_(count) {
        if (count > fixed_.size()) more_.resize(count);
        slots_ = more_.empty() ? fixed_.data() : more_.data();
        for (std::size_t i = 0; i < count; ++i) VariantInit(&slots_[i]);
    }
    ~ArgumentSlots() {
        for (std::size_t i = 0; i < count_; ++i) VariantClear(&slots_[i]);
    }
    ArgumentSlots(const ArgumentSlots&) = delete;
    ArgumentSlots& operator=(const ArgumentSlots&) = delete;

    void Fill(std::size_t slot, ScopedVariant value) { slots_[slot] = value.release(); }
    VARIANT& At(std::size_t slot) { return slots_[slot]; }
    VARIANT* data() { return slots_; }

private:
    std::size_t count_;
    std::array<VARIANT, 8> fixed_;
    std::vector<VARIANT> more_;
    VARIANT* slots_;
};

// A text literal's bytes with each "" made one quote.
std::string UndoubleQuotes(std::string_view text) {
    std::string undoubled;
    undoubled.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        undoubled += text[i];
        if (text[i] == '"') ++i;  // the second quote of the pair
    }
    return undoubled;
}

// Releases what an EXCEPINFO holds.
struct ExceptionInfo : EXCEPINFO {
    ExceptionInfo() : EXCEPINFO{} {}
    ~ExceptionInfo() {
        SysFreeString(bstrSource);
        SysFreeString(bstrDescription);
        SysFreeString(bstrHelpFile);
    }
};

}  // namespace

ParsedScript ParseScript(std::string_view text) {
    ParsedScript script;
    int lineNumber = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (lineNumber == 0) SkipByteOrderMark(line);
        LineResult result;
        if (!ParseLine(line, ++lineNumber, result, script.error)) {
            script.ok = false;
            return script;
        }
        if (result.isStatement) script.statements.push_back(std::move(result.statement));
    }
    return script;
}

ScriptRunner::ScriptRunner(IDispatch* object, std::string scriptName, std::FILE* out, std::FILE* err)
    : object_(object),
      scriptName_(std::move(scriptName)),
      out_(out),
      err_(err),
      catalogue_(object),
      warnings_(scriptName_, err) {}

int ScriptRunner::Run(const std::vector<Statement>& statements) {
    for (const Statement& statement : statements) {
        if (!Step(statement)) return 1;
    }
    FinishScript();
    return 0;
}

bool ScriptRunner::Step(const Statement& statement) {
    line_ = statement.line;
    return Guarded(statement.line, [&] { Execute(statement); });
}

bool ScriptRunner::StepPlain(const PlainCall& call, int line) {
    line_ = line;
    return Guarded(line, [&] {
        // As Evaluate makes these literals, straight into Invoke's order.
        ArgumentSlots slots(call.count);
        for (std::size_t i = 0; i < call.count; ++i) {
            const PlainArgument& argument = call.arguments[i];
            VARIANT& slot = slots.At(call.count - 1 - i);
            switch (argument.kind) {
                case PlainArgument::Kind::Integer:
                    slot.vt = VT_I4;
                    slot.lVal = argument.integer;
                    break;
                case PlainArgument::Kind::Real:
                    slot.vt = VT_R8;
                    slot.dblVal = argument.real;
                    break;
                case PlainArgument::Kind::Text:
                    slot = (argument.doubledQuotes ? Utf8TextValue(UndoubleQuotes(argument.text))
                                                   : Utf8TextValue(argument.text))
                               .release();
                    break;
            }
        }
        InvokeMember(call.name, DISPATCH_METHOD, slots.data(), call.count, nullptr);
    });
}

template <class Action>
bool ScriptRunner::Guarded(int line, Action&& action) {
    try {
        action();
    } catch (const CallFailure& failure) {
        errNumber_ = failure.code;
        errDescription_ = failure.description;
        if (resumeNext_) return true;
        std::fprintf(err_, "%s:%d: %s failed: %s: %s\n", scriptName_.c_str(), line, failure.name.c_str(),
                     HexCode(failure.code).c_str(), Utf16ToUtf8(failure.description).c_str());
        return false;
    }
    return true;
}

void ScriptRunner::Execute(const Statement& statement) {
    struct Visitor {
        ScriptRunner& runner;
        void operator()(const CallStatement& call) const {
            runner.CallMember(call.name, DISPATCH_METHOD, call.arguments);
        }
        void operator()(const PutStatement& put) const {
            ScopedVariant value = runner.Evaluate(*put.value);
            runner.CallMember(put.name, DISPATCH_PROPERTYPUT, {}, value.get());
        }
        void operator()(const PrintStatement& print) const {
            ScopedVariant value = runner.Evaluate(*print.value);
            std::string line;
            if (value->vt == VT_NULL) {
                line = "Null";
            } else if (IsByteArray(*value.get())) {
                line = "<" + std::to_string(ArrayBytes(*value.get()).size()) + " bytes>";
            } else {
                line = Utf16ToUtf8(runner.TextOf(*value.get(), "Print"));
            }
            line += '\n';
            std::fwrite(line.data(), 1, line.size(), runner.out_);
            std::fflush(runner.out_);
        }
        void operator()(const WriteFileStatement& write) const {
            ScopedVariant path = runner.Evaluate(*write.path);
            ScopedVariant value = runner.Evaluate(*write.value);
            runner.WriteFile(*path.get(), *value.get());
        }
        void operator()(const OnErrorStatement& onError) const { runner.resumeNext_ = onError.resumeNext; }
    };
    std::visit(Visitor{*this}, statement.node);
}

ScopedVariant ScriptRunner::Evaluate(const Expr& expr) {
    struct Visitor {
        ScriptRunner& runner;
        ScopedVariant operator()(const StringLiteral& s) const { return Utf8TextValue(s.utf8); }
        ScopedVariant operator()(const IntegerLiteral& i) const {
            ScopedVariant v;
            v->vt = VT_I4;
            v->lVal = i.value;
            return v;
        }
        ScopedVariant operator()(const RealLiteral& r) const {
            ScopedVariant v;
            v->vt = VT_R8;
            v->dblVal = r.value;
            return v;
        }
        ScopedVariant operator()(const BoolLiteral& b) const {
            ScopedVariant v;
            v->vt = VT_BOOL;
            v->boolVal = b.value ? VARIANT_TRUE : VARIANT_FALSE;
            return v;
        }
        ScopedVariant operator()(const EmptyLiteral&) const { return ScopedVariant(); }
        ScopedVariant operator()(const NullLiteral&) const {
            ScopedVariant v;
            v->vt = VT_NULL;
            return v;
        }
        ScopedVariant operator()(const CharCode& chr) const {
            ScopedVariant code = runner.Evaluate(*chr.code);
            ScopedVariant number;
            if (FAILED(VariantChangeType(number.get(), code.get(), 0, VT_I4)) || number->lVal < 0 ||
                number->lVal > 255) {
                throw CallFailure{"Chr", kInvalidCall, u"Chr needs a character code from 0 to 255"};
            }
            const char16_t character = Cp1252ToChar(static_cast<unsigned char>(number->lVal));
            return TextValue(std::u16string_view(&character, 1));
        }
        // Left to right, in the order a chain of pairs would take: the first
        // two values are evaluated before either is turned into text.
        ScopedVariant operator()(const Concat& concat) const {
            ScopedVariant first = runner.Evaluate(concat.parts.front());
            std::u16string text;
            for (std::size_t i = 1; i < concat.parts.size(); ++i) {
                ScopedVariant next = runner.Evaluate(concat.parts[i]);
                if (i == 1) text = runner.TextOf(*first.get(), "&");
                text += runner.TextOf(*next.get(), "&");
            }
            return TextValue(text);
        }
        ScopedVariant operator()(const MemberGet& get) const {
            return runner.CallMember(get.name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, get.arguments);
        }
        ScopedVariant operator()(const ErrNumber&) const {
            ScopedVariant v;
            v->vt = VT_I4;
            v->lVal = runner.errNumber_;
            return v;
        }
        ScopedVariant operator()(const ErrDescription&) const { return TextValue(runner.errDescription_); }
    };
    return std::visit(Visitor{*this}, expr.node);
}

DISPID ScriptRunner::Lookup(std::string_view name) {
    for (const RecentName& recent : recent_) {
        if (recent.dispid != DISPID_UNKNOWN && recent.name == name) return recent.dispid;
    }
    const DISPID dispid = LookupByName(name);
    recent_[nextRecent_] = RecentName{std::string(name), dispid};
    nextRecent_ = (nextRecent_ + 1) % recent_.size();
    return dispid;
}

DISPID ScriptRunner::LookupByName(std::string_view name) {
    const std::string key = LowerAscii(std::string(name));
    if (const auto found = dispids_.find(key); found != dispids_.end()) return found->second;
    BStr wide(Utf8ToUtf16(name));
    LPOLESTR names[] = {wide.get()};
    DISPID dispid = DISPID_UNKNOWN;
    const HRESULT hr = object_->GetIDsOfNames(IID_NULL, names, 1, 0, &dispid);
    if (FAILED(hr)) throw CallFailure{std::string(name), hr, Utf8ToUtf16(ExplainUnknownName(name))};
    dispids_.emplace(key, dispid);
    warnings_.NoteMember(key, dispid);
    return dispid;
}

ScopedVariant ScriptRunner::CallMember(const std::string& name, WORD flags, const ExprList& arguments,
                                       const VARIANT* putValue) {
    // Invoke takes the arguments last first. Each value goes straight into
    // its slot; most calls fit the fixed array.
    ArgumentSlots slots(arguments.size());
    for (std::size_t i = 0; i < arguments.size(); ++i) slots.Fill(arguments.size() - 1 - i, Evaluate(arguments[i]));
    return InvokeMember(name, flags, slots.data(), arguments.size(), putValue);
}

ScopedVariant ScriptRunner::InvokeMember(std::string_view name, WORD flags, VARIANT* arguments, std::size_t count,
                                         const VARIANT* putValue) {
    errNumber_ = 0;
    errDescription_.clear();
    const DISPID dispid = Lookup(name);
    DISPID putName = DISPID_PROPERTYPUT;
    DISPPARAMS params{arguments, nullptr, static_cast<UINT>(count), 0};
    VARIANT assigned;
    if (putValue != nullptr) {
        assigned = *putValue;
        params = DISPPARAMS{&assigned, &putName, 1, 1};
    }
    ScopedVariant result;
    ExceptionInfo exception;
    UINT argErr = 0;
    const HRESULT hr = object_->Invoke(dispid, IID_NULL, 0, flags, &params, result.get(), &exception, &argErr);
    if (hr == DISP_E_EXCEPTION) {
        throw CallFailure{std::string(name), exception.scode, std::u16string(BstrView(exception.bstrDescription))};
    }
    if (FAILED(hr)) {
        const FailedInvoke failed{name, dispid, flags, params.cArgs, argErr};
        throw CallFailure{std::string(name), hr, Utf8ToUtf16(ExplainInvokeFailure(hr, failed))};
    }
    if (warnings_.Watches(dispid)) {
        warnings_.AfterCall(object_, {line_, name, dispid, arguments, count, putValue, *result.get()});
    }
    return result;
}

std::string ScriptRunner::ExplainUnknownName(std::string_view name) {
    std::string text = "The object has no member of this name";
    const std::vector<std::string> nearest = catalogue_.NearestNames(name);
    for (std::size_t i = 0; i < nearest.size(); ++i) {
        text += i == 0 ? "; did you mean " : i + 1 == nearest.size() ? " or " : ", ";
        text += nearest[i];
    }
    return nearest.empty() ? text : text + "?";
}

std::string ScriptRunner::ExplainInvokeFailure(HRESULT hr, const FailedInvoke& call) {
    if (hr == DISP_E_BADPARAMCOUNT) return ExplainArgumentCount(call);
    if (hr == DISP_E_TYPEMISMATCH) return ExplainArgument(call, "has the wrong type");
    if (hr == DISP_E_OVERFLOW) return ExplainArgument(call, "is out of range");
    if (hr == DISP_E_MEMBERNOTFOUND) {
        // Invoke found the name but no accessor for this kind of call.
        return (call.flags & DISPATCH_PROPERTYPUT) != 0 ? "The member cannot be called this way: it cannot be assigned"
                                                        : "The member cannot be called this way: it can only be assigned";
    }
    return "The call failed";
}

std::string ScriptRunner::ExplainArgumentCount(const FailedInvoke& call) {
    std::string text = "Wrong number of arguments: ";
    const auto parameters = catalogue_.Parameters(call.dispid, call.flags);
    if (!parameters) return text + std::to_string(call.given) + " given";
    text += call.name;
    text += " takes ";
    if (parameters->empty()) text += "no arguments";
    for (std::size_t i = 0; i < parameters->size(); ++i) {
        if (i == 0) text += std::to_string(parameters->size()) + " (";
        text += (i == 0 ? "" : ", ") + (*parameters)[i];
    }
    if (!parameters->empty()) text += ")";
    return text + ", " + std::to_string(call.given) + " given";
}

// Invoke names the failing argument by its index in rgvarg, where the
// arguments lie in reverse order.
std::string ScriptRunner::ExplainArgument(const FailedInvoke& call, const char* fault) {
    if (call.argErr >= call.given) return std::string("An argument ") + fault;
    const std::size_t index = call.given - 1 - call.argErr;
    const auto parameters = catalogue_.Parameters(call.dispid, call.flags);
    std::string text = (call.flags & DISPATCH_PROPERTYPUT) != 0 ? "The value assigned"
                                                                : "Argument " + std::to_string(index + 1);
    if (parameters && index < parameters->size() && (call.flags & DISPATCH_PROPERTYPUT) == 0) {
        text += " (" + (*parameters)[index] + ")";
    }
    text += std::string(" ") + fault;
    const std::string needed = catalogue_.ParameterType(call.dispid, call.flags, index);
    return needed.empty() ? text : text + ": it needs " + needed;
}

std::u16string ScriptRunner::TextOf(const VARIANT& value, const char* context) {
    switch (value.vt) {
        case VT_EMPTY:
        case VT_NULL:
            return u"";
        case VT_BSTR:
            return std::u16string(BstrView(value.bstrVal));
        case VT_BOOL:
            return value.boolVal ? u"True" : u"False";
        case VT_R8:
            return Utf8ToUtf16(FormatDouble(value.dblVal));
        default:
            break;
    }
    ScopedVariant text;
    if (IsByteArray(value) || FAILED(VariantChangeType(text.get(), &value, 0, VT_BSTR))) {
        throw CallFailure{context, kTypeMismatch, u"This value has no text form"};
    }
    return std::u16string(BstrView(text->bstrVal));
}

void ScriptRunner::WriteFile(const VARIANT& path, const VARIANT& value) {
    const std::string fileName = Utf16ToUtf8(TextOf(path, "WriteFile"));
    const std::string text = IsByteArray(value) ? std::string() : Utf16ToUtf8(TextOf(value, "WriteFile"));
    const std::string_view bytes = IsByteArray(value) ? ArrayBytes(value) : std::string_view(text);
    std::FILE* file = std::fopen(fileName.c_str(), "wb");
    const bool written = file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int error = errno;
    const bool closed = file != nullptr && std::fclose(file) == 0;
    if (!written || !closed) {
        throw CallFailure{"WriteFile", kFileError,
                          Utf8ToUtf16("Cannot write \"" + fileName + "\": " + std::strerror(error))};
    }
}

}  // namespace vellum::script

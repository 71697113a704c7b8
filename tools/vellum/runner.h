// Runs parsed call-script statements against an automation object through
// IDispatch, the way a script host drives it: names looked up with
// GetIDsOfNames, calls made with Invoke.
#pragma once

#include <array>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "com/interfaces.h"
#include "com/raii.h"
#include "member_catalogue.h"
#include "plain_call.h"
#include "script.h"
#include "script_warnings.h"

namespace vellum::script {

// Parses a whole script held in memory; the client itself streams scripts
// (script_source.h).
struct ParsedScript {
    std::vector<Statement> statements;
    bool ok = true;
    SyntaxError error;
};
ParsedScript ParseScript(std::string_view text);

class ScriptRunner {
public:
    ScriptRunner(IDispatch* object, std::string scriptName, std::FILE* out, std::FILE* err);

    // Exit status: 0 when the script ran to its end, 1 when a failing call
    // stopped it.
    int Run(const std::vector<Statement>& statements);

    // --quiet: no warnings (script_warnings.h), and no work done for them.
    void SilenceWarnings() { warnings_.Silence(); }
    void Warn(int line, std::string_view message) const { warnings_.Write(line, message); }
    // What can be said only once the script has run to its end.
    void FinishScript() const { warnings_.AtEnd(); }

    // Runs one statement; false when a failing call must stop the script
    // (its message is then written).
    bool Step(const Statement& statement);
    // The same for a plain call read from line `line`, made without a
    // statement: what a script's lines are nearly all.
    bool StepPlain(const PlainCall& call, int line);

private:
    struct CallFailure {
        std::string name;
        HRESULT code;
        std::u16string description;
    };

    // A call that Invoke refused, with what it reported.
    struct FailedInvoke {
        std::string_view name;
        DISPID dispid;
        WORD flags;
        UINT given;   // arguments passed
        UINT argErr;  // Invoke's index of the faulty argument
    };

    template <class Action>
    bool Guarded(int line, Action&& action);
    void Execute(const Statement& statement);
    ScopedVariant Evaluate(const Expr& expr);
    ScopedVariant CallMember(const std::string& name, WORD flags, const ExprList& arguments,
                             const VARIANT* putValue = nullptr);
    // Invokes `name` with `count` arguments already in Invoke's order.
    ScopedVariant InvokeMember(std::string_view name, WORD flags, VARIANT* arguments, std::size_t count,
                               const VARIANT* putValue);
    DISPID Lookup(std::string_view name);
    DISPID LookupByName(std::string_view name);
    std::u16string TextOf(const VARIANT& value, const char* context);
    std::string ExplainUnknownName(std::string_view name);
    std::string ExplainInvokeFailure(HRESULT hr, const FailedInvoke& call);
    std::string ExplainArgumentCount(const FailedInvoke& call);
    std::string ExplainArgument(const FailedInvoke& call, const char* fault);
    void WriteFile(const VARIANT& path, const VARIANT& value);

    IDispatch* object_;
    std::string scriptName_;
    std::FILE* out_;
    std::FILE* err_;
    MemberCatalogue catalogue_;
    std::map<std::string, DISPID> dispids_;
    // The names last looked up, as written: a script calls few members, in
    // the same spelling, so most lookups end here.
    struct RecentName {
        std::string name;
        DISPID dispid = DISPID_UNKNOWN;
    };
    std::array<RecentName, 8> recent_{};
    std::size_t nextRecent_ = 0;
    bool resumeNext_ = false;
    int line_ = 0;  // of the statement running
    ScriptWarnings warnings_;
    HRESULT errNumber_ = 0;
    std::u16string errDescription_;
};

}  // namespace vellum::script

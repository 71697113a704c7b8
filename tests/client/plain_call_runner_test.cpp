// The runner calls plain lines without building statements; the object must
// see exactly the calls that the statements would have made.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "com/bstr.h"
#include "com/codepage.h"
#include "plain_call.h"
#include "runner.h"
#include "stand_in_dispatch.h"

namespace vellum::script {
namespace {

// Writes down every call as text: member, flags and each argument with its
// type, in Invoke's order. Members whose name starts with "Fail" fail.
class RecordingObject final : public vellum::test::StandInDispatch {
public:
    std::vector<std::string> calls;

    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
        names_.push_back(Utf16ToUtf8(BstrView(names[0])));
        *ids = static_cast<DISPID>(names_.size());
        return S_OK;
    }
    STDMETHODIMP Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO* info,
                        UINT*) override {
        const std::string& name = names_.at(static_cast<std::size_t>(dispid) - 1);
        std::string call = name + "/" + std::to_string(flags);
        for (UINT i = 0; i < params->cArgs; ++i) {
            const VARIANT& value = params->rgvarg[i];
            char number[40];
            if (value.vt == VT_I4) std::snprintf(number, sizeof number, " i%d", static_cast<int>(value.lVal));
            if (value.vt == VT_R8) std::snprintf(number, sizeof number, " r%a", value.dblVal);
            call += value.vt == VT_BSTR ? " s" + Utf16ToUtf8(BstrView(value.bstrVal)) : std::string(number);
        }
        calls.push_back(call);
        if (name.rfind("Fail", 0) != 0) return S_OK;
        *info = EXCEPINFO{};
        info->scode = E_FAIL;
        info->bstrDescription = SysAllocString(u"refused");
        return DISP_E_EXCEPTION;
    }

private:
    std::vector<std::string> names_;
};

TEST(PlainCallRunner, CallsTheObjectAsTheStatementsWould) {
    const std::vector<std::string> lines = {
        "DrawLine 0.5, 12.139598014764488, 323.1776977260597, -828.0667117838748, 307",
        "TextOut \"say \"\"hi\"\"\", 1, 2",
        "TextOut \"\xC3\xA9t\xC3\xA9 \xE4\xB8\xAD\", 2147483647, -2147483648",
        "Go 2147483648, 0000000000012, -0, 5., \"\", \"\"\"\"",
        "Eight 1, 2, 3, 4, 5, 6, 7, 8",
        "FailNow 1, \"x\"",
    };
    std::FILE* sink = std::fopen("/dev/null", "w");
    ASSERT_NE(sink, nullptr);
    RecordingObject plainObject, statementObject;
    ScriptRunner plainRunner(&plainObject, "t", sink, sink);
    ScriptRunner statementRunner(&statementObject, "t", sink, sink);
    for (const std::string& line : lines) {
        PlainCall plain;
        ASSERT_TRUE(ReadPlainCall(line, plain)) << line;
        LineResult parsed;
        SyntaxError error;
        ASSERT_TRUE(ParseLineFully(line, 1, parsed, error)) << line;
        EXPECT_EQ(plainRunner.StepPlain(plain, 1), statementRunner.Step(parsed.statement)) << line;
    }
    std::fclose(sink);
    EXPECT_EQ(plainObject.calls, statementObject.calls);
    ASSERT_EQ(plainObject.calls.size(), lines.size());
    EXPECT_EQ(plainObject.calls[1], "TextOut/1 i2 i1 ssay \"hi\"");
}

// A flat call holds at most eight arguments; longer calls are left to the
// statements.
TEST(PlainCallRunner, LongerCallsAreNotFlat) {
    PlainCall plain;
    EXPECT_FALSE(ReadPlainCall("Nine 1, 2, 3, 4, 5, 6, 7, 8, 9", plain));
    EXPECT_FALSE(ReadPlainCall("Nine 1, 2, 3, 4, 5, 6, 7, 8, \"9\"", plain));
    EXPECT_TRUE(ReadPlainCall("Eight 1, 2, 3, 4, 5, 6, 7, \"8\"", plain));
    EXPECT_EQ(plain.count, 8u);
}

}  // namespace
}  // namespace vellum::script

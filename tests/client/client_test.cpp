// The command-line client as other tools see it: exit status, standard output
// and the one-line failure message, for scripts fed on standard input or from files.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <fstream>

#include "test_support.h"

namespace vellum::test {
namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

class Client : public ::testing::Test {
protected:
    Outcome RunScript(const std::string& script, const std::string& extraArguments = "") {
        const std::string path = scratch.File("script.vls");
        WriteFile(path, script);
        return RunCommandLine("run " + extraArguments + ShellQuote(path));
    }
    Outcome RunCommandLine(const std::string& arguments) {
        const std::string errPath = scratch.File("stderr.txt");
        const CommandResult result =
            RunCommand("(cd " + ShellQuote(scratch.path().string()) + " && " + ShellQuote(VELLUM_CLIENT) + " " +
                       arguments + " 2>" + ShellQuote(errPath) + ")");
        return {result.status, result.output, ReadFile(errPath)};
    }
    ScratchFolder scratch;
};

TEST_F(Client, PrintsValuesInTheirTextForms) {
    const Outcome run = RunScript(
        "' values\n"
        "Print \"say \"\"hi\"\"\"\n"
        "Print 12\nPrint -3\nPrint 2.5\nPrint 1e3\nPrint 0.1\nPrint 1e20\nPrint True\nPrint Empty\nPrint Null\n"
        "Print \"a\" & 1 & True & Empty & Null & 0.25\n"
        "Print Chr(65) & Chr(128) & vbTab & \"x\"\n"
        "Print \"caf\xC3\xA9\"\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "say \"hi\"\n12\n-3\n2.5\n1000\n0.1\n1E+20\nTrue\n\nNull\na1True0.25\nA\xE2\x82\xAC\tx\ncaf\xC3\xA9\n");
}

TEST_F(Client, DrivesTheObjectAndWritesItsBytes) {
    const Outcome run = RunScript(
        "NewPDF \"Client\"\n"
        "unitofmeasure = \"CM\"\n"
        "Print UnitOfMeasure\n"
        "FontName = \"times-roman\"\n"
        "Print FontName\n"
        "TextOut \"Hello\", 2, 3\n"
        "Print GetTextBoxLines(\"one\" & vbCrLf & \"two\")\n"
        "Print GetPDFContent\n");
    EXPECT_EQ(run.status, 0) << run.err;
    const auto bytes = run.out.substr(run.out.rfind('<'));
    EXPECT_EQ(run.out.substr(0, run.out.rfind('<')), "CM\n/F2\n2\n");
    EXPECT_TRUE(bytes.ends_with(" bytes>\n")) << bytes;

    const Outcome write = RunScript("NewPDF \"x\"\nTextOut \"Written\", 20, 20\nWriteFile \"doc.pdf\", GetPDFContent\n"
                                "WriteFile \"text.txt\", \"plain \" & 42\n");
    EXPECT_EQ(write.status, 0) << write.err;
    EXPECT_TRUE(QpdfCheckIsClean(scratch.File("doc.pdf")));
    EXPECT_NE(RunCommand("pdftotext " + ShellQuote(scratch.File("doc.pdf")) + " -").output.find("Written"),
              std::string::npos);
    EXPECT_EQ(ReadFile(scratch.File("text.txt")), "plain 42");
}

TEST_F(Client, AFailingCallStopsTheScriptWithItsMessage) {
    const Outcome run = RunScript("Print \"before\"\nAddPage\nPrint \"after\"\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "before\n");
    EXPECT_EQ(run.err, scratch.File("script.vls") +
                           ":2: AddPage failed: 0x8000FFFF: There is no document: call NewPDF first\n");
}

TEST_F(Client, ResumeNextSkipsFailingStatementsAndKeepsTheError) {
    const Outcome run = RunScript(
        "On Error Resume Next\n"
        "Print Author\n"
        "Print Err.Number\n"
        "Print Err.Description\n"
        "NewPDF \"ok\"\n"
        "Print Err.Number & \"|\" & Err.Description & \"|\"\n"
        "NoSuchMember 1\n"
        "Print Err.Number\n"
        "WriteFile \"missing/x.txt\", \"a\"\n"
        "Print Err.Number\n"
        "On Error GoTo 0\n"
        "SavePDF \"missing/folder/out.pdf\"\n"
        "Print \"not reached\"\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "-2147418113\nThere is no document: call NewPDF first\n0||\n-2147352570\n-2146828213\n");
    EXPECT_NE(run.err.find(":12: SavePDF failed: 0x8000FFFF: Cannot create file \"missing/folder/out.pdf\". "),
              std::string::npos)
        << run.err;
}

// A failed call used to say only "Wrong number of arguments" or "An argument
// has the wrong type"; the message now names what the member takes.
TEST_F(Client, WrongCallsSayWhatTheMemberTakes) {
    const struct {
        const char* script;
        const char* message;
    } cases[] = {
        {"NewPDF\n", ":1: NewPDF failed: 0x8002000E: Wrong number of arguments: NewPDF takes 1 (Title), 0 given"},
        {"NewPDF \"a\", \"b\"\n", ":1: NewPDF failed: 0x8002000E: Wrong number of arguments: NewPDF takes 1 (Title), 2 given"},
        {"NewPDF \"a\"\nPrint Author(1)\n",
         ":2: Author failed: 0x8002000E: Wrong number of arguments: Author takes no arguments, 1 given"},
        {"NewPDF \"a\"\nSetPageDimensions \"wide\", 3\n",
         ":2: SetPageDimensions failed: 0x80020005: Argument 1 (Width) has the wrong type: it needs a number (Double)"},
        {"NewPDF \"a\"\nSetPageDimensions 3, \"tall\"\n",
         ":2: SetPageDimensions failed: 0x80020005: Argument 2 (Height) has the wrong type: it needs a number (Double)"},
        {"NewPDF \"a\"\nSetCurrentPage \"two\"\n", ":2: SetCurrentPage failed: 0x80020005: Argument 1 (PageNumber) "
                                                     "has the wrong type: it needs a whole number (Long)"},
        {"NewPDF \"a\"\nTextOut Null, 1, 2\n",
         ":2: TextOut failed: 0x80020005: Argument 1 (Txt) has the wrong type: it needs a text (String)"},
        {"NewPDF \"a\"\nFontHeight = \"big\"\n",
         ":2: FontHeight failed: 0x80020005: The value assigned has the wrong type: it needs a number (Double)"},
        {"NewPDF \"a\"\nPrint ViewMode\n",
         ":2: ViewMode failed: 0x80020003: The member cannot be called this way: it can only be assigned"},
        {"AddPage = 1\n", ":1: AddPage failed: 0x80020003: The member cannot be called this way: it cannot be assigned"},
        {"Frobnicate\n", ":1: Frobnicate failed: 0x80020006: The object has no member of this name"},
        {"TextOt \"a\", 1, 2\n",
         ":1: TextOt failed: 0x80020006: The object has no member of this name; did you mean TextOut?"},
        {"drawlines 1\n", ":1: drawlines failed: 0x80020006: The object has no member of this name; did you mean DrawLine?"},
        {"SetFillColour 1, 2, 3\n", ":1: SetFillColour failed: 0x80020006: The object has no member of this name; "
                                    "did you mean SetFillColor or SetLineColor?"},
        {"Print Chr(300)\n", ":1: Chr failed: 0x800A0005: Chr needs a character code from 0 to 255"},
    };
    for (const auto& test : cases) {
        const Outcome run = RunScript(test.script);
        EXPECT_EQ(run.status, 1) << test.script;
        EXPECT_EQ(run.err, scratch.File("script.vls") + test.message + "\n");
    }
}

TEST_F(Client, SyntaxErrorsRunNothingAndNameTheLine) {
    const Outcome run = RunScript("Print \"first\"\nNewPDF \"x\"\nPrint \"unterminated\nPrint 1\n");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, scratch.File("script.vls") + ":3: syntax error: unterminated string\n");
}

TEST_F(Client, HostileInputGivesClearMessages) {
    EXPECT_EQ(RunScript("Print \"" + std::string(10 * 1024 * 1024, 'x') + "\"\n").status, 0);
    const Outcome invalid = RunScript("Print \"\xFF\xFE bad \xC3\"\n");
    EXPECT_EQ(invalid.status, 0);
    EXPECT_EQ(invalid.out, "\xEF\xBF\xBD\xEF\xBF\xBD bad \xEF\xBF\xBD\n");
    EXPECT_EQ(RunScript(std::string("Print 1\0", 8) + "\n").status, 2);
    EXPECT_EQ(RunScript("Print " + std::string(50000, '(') + "1\n").status, 2);
    // A line is buffered whole, so its length is bounded.
    const Outcome endless = RunScript("Print 1\nPrint \"" + std::string(64 * 1024 * 1024, 'x') + "\"\n");
    EXPECT_EQ(endless.status, 2);
    EXPECT_EQ(endless.out, "");
    EXPECT_EQ(endless.err, scratch.File("script.vls") + ":2: syntax error: line longer than 64 MB\n");
}

// Evaluating a chain of 50,000 operands recursed once per operand.
TEST_F(Client, ALongConcatenationChainDoesNotOverflowTheStack) {
    std::string chain = "Print \"a\"";
    for (int i = 1; i < 50000; ++i) chain += " & \"a\"";
    const Outcome run = RunScript("NewPDF \"x\"\n" + chain + "\nTextOut " + chain.substr(6) + ", 10, 10\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, std::string(50000, 'a') + "\n");
}

// Scripts are read twice (syntax first, then line by line), so a syntax
// error still runs nothing, also from standard input and from a pipe, which
// cannot be read twice.
TEST_F(Client, SyntaxErrorsRunNothingFromInputAndPipes) {
    const std::string client = ShellQuote(VELLUM_CLIENT);
    const CommandResult fromInput = RunCommand("printf 'Print 1\\nPrint \"open\\nPrint 2\\n' | " + client + " run -");
    EXPECT_EQ(fromInput.status, 2);
    EXPECT_EQ(fromInput.output, "<stdin>:2: syntax error: unterminated string\n");
    const std::string fifo = scratch.File("script.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const CommandResult fromPipe = RunCommand("(printf 'Print 1\\nPrint 2' > " + ShellQuote(fifo) + " &) ; " + client +
                                              " run " + ShellQuote(fifo));
    EXPECT_EQ(fromPipe.status, 0);
    EXPECT_EQ(fromPipe.output, "1\n2\n");
    const CommandResult folder = RunCommand(client + " run " + ShellQuote(scratch.path().string()));
    EXPECT_EQ(folder.status, 2);
    EXPECT_EQ(folder.output, "vellum: cannot read " + scratch.path().string() + ": Is a directory\n");
}

TEST_F(Client, AByteOrderMarkBeforeTheFirstLineIsAccepted) {
    const Outcome run = RunScript("\xEF\xBB\xBFPrint 1\nPrint \"\xEF\xBB\xBF\" = \"\"\n");
    EXPECT_EQ(run.status, 2);  // only the first line may start with one
    EXPECT_EQ(run.err, scratch.File("script.vls") + ":2: syntax error: unexpected text at column 13\n");
    EXPECT_EQ(RunScript("\xEF\xBB\xBF' a comment\nPrint 1\n").out, "1\n");
    EXPECT_EQ(RunCommand("printf '\\357\\273\\277Print 2\\n' | " + ShellQuote(VELLUM_CLIENT) + " run -").output, "2\n");
}

// A large script is checked in two halves at once: a fault in either is
// found at its own line, before anything runs, and a byte-order mark at the
// start of the second half is a fault there as anywhere but the first line.
TEST_F(Client, LargeScriptsAreCheckedWholeBeforeAnythingRuns) {
    const std::string filler = "Rem " + std::string(59, 'x') + "\n";  // 64 bytes a line
    constexpr int kLines = 20000;                                        // 1.28 MB
    const auto script = [&](int faultyLine, const std::string& fault) {
        std::string text = "Print 1\n";
        for (int line = 2; line <= kLines; ++line) text += line == faultyLine ? fault : filler;
        return text;
    };
    for (const int line : {2, 9000, 10001, 10002, 19999}) {
        const Outcome run = RunScript(script(line, "Print \"open" + std::string(52, ' ') + "\n"));
        EXPECT_EQ(run.status, 2) << line;
        EXPECT_EQ(run.out, "") << line;
        EXPECT_EQ(run.err, scratch.File("script.vls") + ":" + std::to_string(line) +
                               ": syntax error: unterminated string\n");
    }
    // The halves meet after the line that holds the middle byte (line 10001).
    const Outcome marked = RunScript(script(10002, "\xEF\xBB\xBFRem " + std::string(56, 'x') + "\n"));
    EXPECT_EQ(marked.status, 2);
    EXPECT_NE(marked.err.find(":10002: syntax error:"), std::string::npos) << marked.err;
    EXPECT_EQ(RunScript(script(0, "")).out, "1\n");
}

// The whole script and every parsed line used to be held at once: memory grew
// with the script rather than with its longest line.
TEST_F(Client, MemoryFollowsTheLongestLineNotTheScript) {
    EXPECT_EQ(RunScript("On Error Resume Next\n").status, 0);
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const long smallScriptKilobytes = usage.ru_maxrss;
    {
        std::ofstream script(scratch.File("big.vls"), std::ios::binary);
        for (int i = 0; i < 1000000; ++i) script << "On Error Resume Next\n";  // 21 MB of statements
        script << "Print \"done\"\n";
    }
    const Outcome run = RunCommandLine("run big.vls");
    EXPECT_EQ(run.out, "done\n");
    getrusage(RUSAGE_CHILDREN, &usage);
    EXPECT_LT(usage.ru_maxrss, smallScriptKilobytes + 8 * 1024) << "peak kilobytes";
}

// Calls that succeed without doing what was meant are named on standard
// error; the statuses, printed values and files stay as they were, and
// --quiet leaves the warnings out.
TEST_F(Client, WarnsOfCallsThatSucceedWithoutEffect) {
    const std::string fonts =
        "NewPDF \"a\"\n"
        "AddFont \"X\", \"missing.ttf\"\n"              // a plain call, made from the line's bytes
        "Print AddFont(\"X\", \"missing.ttf\") & \"!\"\n"  // a result used in an expression
        "AddFontMonospaced \"\", \"script.vls\", 600\n"
        "SendCmd \"AddFontUnicode\", \"U\", \"missing.ttf\", Empty, Empty, Empty\n"
        "FontName = \"Helvetica\"\nFontName = \"Helvetca\"\nFontName = \"COURIER\"\nFontName = \"/f0\"\n"
        "FontName = 3\n"
        "Print FontName\n"
        "SavePDF \"a.pdf\"\n";
    const std::string fontWarnings =
        ":2: warning: AddFont returned \"Error - file not found\": no font was added\n"
        ":3: warning: AddFont returned \"Error - file not found\": no font was added\n"
        ":4: warning: AddFontMonospaced returned \"Error - Font Name Void, please use a valid Font Name!\": "
        "no font was added\n"
        ":5: warning: SendCmd \"AddFontUnicode\" returned \"Error - file not found\": no font was added\n"
        ":7: warning: unknown font \"Helvetca\": Courier is used\n"
        ":10: warning: unknown font \"3\": Courier is used\n";
    const auto invalidAt = [](int line, int column) {
        return ":" + std::to_string(line) + ": warning: line is not valid UTF-8 (column " + std::to_string(column) +
               "); invalid bytes are read as U+FFFD\n";
    };
    // Ten are named, the rest counted.
    std::string manyInvalid, manyWarnings;
    for (int line = 1; line <= 13; ++line) manyInvalid += "Print \"\xFF\"\n";
    for (int line = 1; line <= 10; ++line) manyWarnings += invalidAt(line, 8);
    manyWarnings += ":11: warning: 3 more lines from here on are not valid UTF-8\n";
    // Over 1 MB, checked as two halves: lines keep their numbers across the split.
    std::string halves;
    for (int line = 1; line <= 20000; ++line) {
        halves += line == 3 || line == 15000 ? "' \xC3\n" : "Rem " + std::string(59, 'x') + "\n";
    }

    const struct {
        std::string script;
        std::string arguments;
        int status;
        std::string err;  // each line after the script's name
        const char* out;  // nullptr: not looked at
    } cases[] = {
        {"NewPDF \"a\"\nSavePDF \"a.pdf\"\n", "", 0, "", ""},
        {"NewPDF \"a\"\nWriteFile \"a.pdf\", GetPDFContent\n", "", 0, "", ""},
        {"Print 1\nNewPDF \"a\"\nTextOut \"x\", 1, 1\n", "", 0,
         ":2: warning: the document started here was never saved or read\n", "1\n"},
        {"NewPDF \"a\"\nSavePDF \"a.pdf\"\nNewPDF \"b\"\n", "", 0,
         ":3: warning: the document started here was never saved or read\n", ""},
        {"NewPDF \"a\"\nNewPDF \"b\"\nSavePDF \"b.pdf\"\n", "", 0,
         ":1: warning: the document started here was never saved or read before line 2 started another\n", ""},
        {"On Error Resume Next\nNewPDF \"a\"\nSavePDF \"no/dir/a.pdf\"\n", "", 0,
         ":2: warning: the document started here was never saved or read\n", ""},
        // A script stopped by a failing call says only that.
        {"NewPDF \"a\"\nAddPage 1\n", "", 1,
         ":2: AddPage failed: 0x8002000E: Wrong number of arguments: AddPage takes no arguments, 1 given\n", ""},
        {"FontName = \"Nope\"\n", "", 1, ":1: FontName failed: 0x8000FFFF: There is no document: call NewPDF first\n", ""},
        {fonts, "", 0, fontWarnings, "Error - file not found!\n/F0\n"},
        {fonts, "--quiet ", 0, "", "Error - file not found!\n/F0\n"},
        {"NewPDF \"a\"\nAddPage 1\n", "--quiet ", 1,
         ":2: AddPage failed: 0x8002000E: Wrong number of arguments: AddPage takes no arguments, 1 given\n", ""},
        // Characters no font of a Unicode font's chain has: empty boxes, lost to readers.
        {"NewPDF \"a\"\nSendCmd \"AddFontUnicode\", \"U\", \"Droid Sans Fallback\", Empty, Empty, Empty\n"
         "FontName = \"U\"\nTextOut \"2026\xE5\xB9\xB4\", 1, 1\nAddFontFallback \"U\", \"DejaVu Sans\"\n"
         "TextOut \"2026\xE5\xB9\xB4\", 1, 1\nSavePDF \"a.pdf\"\n",
         "", 0, ":4: warning: TextOut drew characters that no font has as empty boxes: \"2026\"\n", ""},
        // Overlong forms, surrogates, code points past U+10FFFF and cut sequences; comments too.
        {"' caf\xE9\nPrint \"\xC3\xA9 \xF0\x9F\x98\x80 \xEF\xBF\xBD\"\nPrint \"\xED\xA0\x80\"\nPrint \"\xC0\xAF\"\n"
         "Print \"\xF4\x90\x80\x80\"\nPrint \"ab\xE2\x82\"\n",
         "", 0, invalidAt(1, 6) + invalidAt(3, 8) + invalidAt(4, 8) + invalidAt(5, 8) + invalidAt(6, 10), nullptr},
        {manyInvalid, "", 0, manyWarnings, nullptr},
        {manyInvalid, "--quiet ", 0, "", nullptr},
        {halves, "", 0, invalidAt(3, 3) + invalidAt(15000, 3), ""},
        // Nothing runs after a syntax error, so nothing else is said.
        {"Print \"\xFF\"\nPrint (\n", "", 2, ":2: syntax error: expected a value at the end of the line\n", ""},
    };
    for (const auto& test : cases) {
        const Outcome run = RunScript(test.script, test.arguments);
        const std::string context = test.arguments + test.script.substr(0, 200);
        EXPECT_EQ(run.status, test.status) << context;
        std::string expected;
        for (std::size_t at = 0; at < test.err.size();) {
            const std::size_t end = test.err.find('\n', at) + 1;
            expected += scratch.File("script.vls") + test.err.substr(at, end - at);
            at = end;
        }
        EXPECT_EQ(run.err, expected) << context;
        if (test.out != nullptr) {
            EXPECT_EQ(run.out, test.out) << context;
        }
    }
}

TEST_F(Client, CommandLine) {
    const Outcome version = RunCommandLine("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "vellum 1.118\nVellum XP Vers. 1.118\n");
    EXPECT_EQ(RunCommandLine("").status, 2);
    EXPECT_EQ(RunCommandLine("run").status, 2);
    EXPECT_EQ(RunCommandLine("frobnicate x").status, 2);
    EXPECT_EQ(RunCommandLine("--version --quiet").status, 2);  // only runs warn
    const Outcome missing = RunCommandLine("run no-such-script.vls");
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "vellum: cannot read no-such-script.vls: No such file or directory\n");
    const Outcome badLibrary = RunCommandLine("run --library /nonexistent/lib.so -");
    EXPECT_EQ(badLibrary.status, 1);
    EXPECT_NE(badLibrary.err.find("cannot load /nonexistent/lib.so"), std::string::npos);
    const CommandResult fromInput =
        RunCommand("printf 'Print OCXVersion\\n' | " + ShellQuote(VELLUM_CLIENT) + " run -");
    EXPECT_EQ(fromInput.status, 0);
    EXPECT_EQ(fromInput.output, "Vellum XP Vers. 1.118\n");
}

}  // namespace
}  // namespace vellum::test

// Call-script lines and the VBScript lines they become.
#include <gtest/gtest.h>

#include <string>

#include "runner.h"
#include "vbscript.h"

namespace {

// The translated statements, without the header and the helpers.
std::string Body(const std::string& script) {
    const vellum::script::ParsedScript parsed = vellum::script::ParseScript(script);
    EXPECT_TRUE(parsed.ok) << parsed.error.message;
    const std::string vbs = vellum::vbs::TranslateScript(parsed.statements, "VELLUM_XP.PDFDocument").script;
    const std::size_t start = vbs.find("\n\n") + 2;
    return vbs.substr(start, vbs.find("\n' Helpers of the translation", start) - start);
}

TEST(Vls2Vbs, StartsByCreatingTheObjectByProgId) {
    const vellum::script::ParsedScript parsed = vellum::script::ParseScript("AddPage\n");
    const std::string vbs = vellum::vbs::TranslateScript(parsed.statements, "VELLUM_XP.PDFDocument").script;
    EXPECT_NE(vbs.find("Set doc = CreateObject(\"VELLUM_XP.PDFDocument\")\n"), std::string::npos);
    EXPECT_NE(vbs.find("Sub VlsWriteFile(path, value)"), std::string::npos);
}

TEST(Vls2Vbs, Statements) {
    const struct {
        const char* script;
        const char* vbs;
    } cases[] = {
        {"NewPDF \"Letter\"", "Err.Clear\ndoc.NewPDF \"Letter\"\n"},
        {"AddPage", "Err.Clear\ndoc.AddPage\n"},
        {"FontHeight = 14", "Err.Clear\ndoc.FontHeight = CLng(14)\n"},
        {"fontheight = 2.5", "Err.Clear\ndoc.fontheight = CDbl(2.5)\n"},
        {"DrawLine 0.5, -20, 1e3, 40, 40",
         "Err.Clear\ndoc.DrawLine CDbl(0.5), CLng(-20), CDbl(1000), CLng(40), CLng(40)\n"},
        {"TextOut \"say \"\"hi\"\"\" & vbCrLf & Chr(128), 1, 2",
         "Err.Clear\ndoc.TextOut (\"say \"\"hi\"\"\" & Chr(13) & Chr(10) & Chr(CLng(128))), CLng(1), CLng(2)\n"},
        {"Print GetTextBoxWidth(\"x\")", "Err.Clear\nWScript.Echo VlsText(doc.GetTextBoxWidth(\"x\"))\n"},
        {"Print OCXVersion", "Err.Clear\nWScript.Echo VlsText(doc.OCXVersion)\n"},
        {"Print Err.Number & \" \" & Err.Description",
         "WScript.Echo VlsText((Err.Number & \" \" & Err.Description))\n"},
        {"Print True & False & Empty & Null", "WScript.Echo VlsText((True & False & Empty & Null))\n"},
        {"WriteFile \"a.pdf\", GetPDFContent", "Err.Clear\nVlsWriteFile \"a.pdf\", doc.GetPDFContent\n"},
        {"On Error Resume Next", "On Error Resume Next\n"},
        {"On Error GoTo 0", "On Error GoTo 0\n"},
        {"' a comment\nRem another", ""},
        {"Print \"\"", "WScript.Echo VlsText(\"\")\n"},
        // Runs with characters beyond ASCII come from the string table.
        {"NewPDF \"\u20AC and \u03A9!\"", "Err.Clear\ndoc.NewPDF VlsStrings(0)\n"},
        {"TextOut \"ab\u00E9\tc\" & \"\U0001F600\", 1, 2",
         "Err.Clear\ndoc.TextOut (VlsStrings(0) & Chr(9) & \"c\" & VlsStrings(1)), CLng(1), CLng(2)\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(Body(std::string(c.script) + "\n"), c.vbs) << c.script;
}

// Wine's VBScript reads scripts in the ANSI code page and has no ChrW: the
// script stays ASCII and reads the other texts, surrogate pairs included, from
// the table, which is loaded only when there is one.
TEST(Vls2Vbs, TextBeyondAsciiTravelsInTheStringTable) {
    const auto translate = [](const char* script) {
        return vellum::vbs::TranslateScript(vellum::script::ParseScript(script).statements, "VELLUM_XP.PDFDocument");
    };
    const vellum::vbs::Translation plain = translate("NewPDF \"plain\"\n");
    EXPECT_TRUE(plain.strings.empty());
    EXPECT_EQ(plain.script.find("VlsReadStrings"), std::string::npos);

    const vellum::vbs::Translation mixed = translate("NewPDF \"\u00E9\"\nAuthor = \"x \U0001F600\"\n");
    for (const char c : mixed.script) ASSERT_LT(static_cast<unsigned char>(c), 0x80);
    EXPECT_NE(mixed.script.find("VlsStrings = VlsReadStrings()\nSet doc"), std::string::npos);
    EXPECT_NE(mixed.script.find("Function VlsReadStrings()"), std::string::npos);
    EXPECT_EQ(vellum::vbs::StringTableText(mixed.strings), u"\u00E9\r\nx \U0001F600\r\n");
}

}  // namespace

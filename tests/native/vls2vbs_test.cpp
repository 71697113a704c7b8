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
    const std::string vbs = vellum::vbs::TranslateScript(parsed.statements, "VELLUM_XP.PDFDocument");
    const std::size_t start = vbs.find("\n\n") + 2;
    return vbs.substr(start, vbs.find("\n' Helpers of the translation", start) - start);
}

TEST(Vls2Vbs, StartsByCreatingTheObjectByProgId) {
    const vellum::script::ParsedScript parsed = vellum::script::ParseScript("AddPage\n");
    const std::string vbs = vellum::vbs::TranslateScript(parsed.statements, "VELLUM_XP.PDFDocument");
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
        // Windows-1252 characters stay in the literal; others become ChrW.
        {"NewPDF \"\u20AC and \u03A9!\"", "Err.Clear\ndoc.NewPDF \"\u20AC and \" & ChrW(937) & \"!\"\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(Body(std::string(c.script) + "\n"), c.vbs) << c.script;
}

}  // namespace

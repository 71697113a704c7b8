// Information entries, outline titles and note texts keep every character:
// exact bodies for both encodings, and what pdfinfo and pikepdf read back.
#include <gtest/gtest.h>

#include <sstream>

#include "document.h"
#include "test_support.h"
#include "unicode_text.h"

namespace vellum {
namespace {

using namespace std::string_literals;

struct BodyCase {
    std::string text;
    DocStringEscape escape;
    std::string body;
};

TEST(DocumentStringBody, SingleByteWhereBothEncodingsAgreeElseUtf16) {
    constexpr auto all = DocStringEscape::AllParentheses;
    constexpr auto unbalanced = DocStringEscape::UnbalancedParentheses;
    const BodyCase cases[] = {
        {"Plain (text)", all, "Plain \\(text\\)"},
        {"Plain (text)", unbalanced, "Plain (text)"},
        {"tab\tand\r\nlines", all, "tab\tand\r\nlines"},
        {"Caf\xC3\xA9 \xC2\xA9 \xC3\xBF", all, "Caf\xE9 \xA9 \xFF"},  // UTF-8 Latin-1
        {"Caf\xE9", all, "Caf\xE9"},                                    // Windows-1252 byte as before
        {"", all, ""},
        {"\xE2\x82\xAC", all, "\xFE\xFF\x20\xAC"},              // euro: 0x80 here, 0xA0 there
        {"\x80", all, "\xFE\xFF\x20\xAC"},                       // the same, as Windows-1252
        {"\xC2\xA0", all, "\xFE\xFF\x00\xA0"s},                  // no-break space
        {"\xC2\xAD", all, "\xFE\xFF\x00\xAD"s},                  // soft hyphen: undefined there
        {"\x7F", all, "\xFE\xFF\x00\x7F"s},
        {"\xC4\x8D", all, "\xFE\xFF\x01\\r"},                    // U+010D: a CR byte
        {"\xC4\x8A", all, "\xFE\xFF\x01\\n"},                    // U+010A: a LF byte
        {"\xC4\xA8\xC4\xA9\xC5\x9C", unbalanced, "\xFE\xFF\x01\\(\x01\\)\x01\\\\"},
        {"a\xF0\x9F\x98\x80", all, "\xFE\xFF\x00" "a\xD8\x3D\xDE\x00"s},  // beyond the BMP
    };
    for (const BodyCase& c : cases) {
        EXPECT_EQ(DocumentStringBody(c.text, c.escape), c.body) << c.text;
    }
}

TEST(DocumentStringBody, BrokenUtf8IsReadAsWindows1252) {
    EXPECT_EQ(DecodeText("\xC3(\xE2\x82"), U"\u00C3(\u00E2\u201A");
    EXPECT_EQ(DecodeText("\xED\xA0\x80"), U"\u00ED\u00A0\u20AC");  // an encoded surrogate is no character
    EXPECT_EQ(ToUtf8Text("\x93q\x94"), "\xE2\x80\x9Cq\xE2\x80\x9D");
}

// Texts a reader must show exactly as given.
const std::string kSamples[] = {
    "Plain ASCII (v2)",
    "Caf\xC3\xA9 na\xC3\xAFve \xC2\xBD",
    "Price: 5 \xE2\x82\xAC",
    "\xE2\x80\x9E" "quoted\xE2\x80\x9C \xE2\x80\x94 dash",
    "\xCE\x91\xCE\xBB\xCF\x86\xCE\xB1 \xCE\xB2\xCE\xAE\xCF\x84\xCE\xB1",  // Greek
    "\xE4\xB8\xAD\xE6\x96\x87\xE6\xA0\x87\xE9\xA2\x98",                  // Chinese
    "smile \xF0\x9F\x98\x80 (grin)",                                     // beyond the BMP
    "\xC4\x8D\xC4\x8A back\\slash ) open (",
};

std::string RunPython(const std::string& script, const std::string& pdf) {
    const std::string scriptPath = pdf + ".py";
    test::WriteFile(scriptPath, script);
    return test::RunCommand("/usr/bin/python3 " + test::ShellQuote(scriptPath) + " " + test::ShellQuote(pdf)).output;
}

std::string PdfInfoUtf8(const std::string& pdf, std::string_view field) {
    std::istringstream lines(test::RunCommand("pdfinfo -enc UTF-8 " + test::ShellQuote(pdf)).output);
    const std::string prefix = std::string(field) + ":";
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(prefix, 0) != 0) continue;
        const auto start = line.find_first_not_of(' ', prefix.size());
        return start == std::string::npos ? "" : line.substr(start);
    }
    return "<none>";
}

// How qpdf's JSON shows a title: UTF-16 and ASCII strings as text ("u:"),
// other one-byte strings as their bytes in hexadecimal ("b:").
std::string QpdfJsonTitle(const std::string& text) {
    const std::u32string characters = DecodeText(text);
    bool ascii = true, latin1 = true;
    for (const char32_t c : characters) {
        ascii = ascii && c < 0x80;
        latin1 = latin1 && c <= 0xFF;
    }
    if (ascii || !latin1) {
        std::string escaped;
        for (const char c : text) escaped += c == '\\' || c == '"' ? std::string{'\\', c} : std::string{c};
        return "\"/Title\": \"u:" + escaped + "\"";
    }
    std::string hex;
    for (const char32_t c : characters) {
        constexpr char kHex[] = "0123456789abcdef";
        hex += kHex[c >> 4];
        hex += kHex[c & 15];
    }
    return "\"/Title\": \"b:" + hex + "\"";
}

class DocumentStrings : public ::testing::Test {
protected:
    void SetUp() override { doc.ResetDocument(); }
    TPDFDoc doc;
    test::ScratchFolder scratch;
};

TEST_F(DocumentStrings, InformationEntriesReadBackExactly) {
    for (const std::string& text : kSamples) {
        doc.ResetDocument();
        TInfo& info = doc.RequireInfo();
        info.Title = text;
        info.Author = text;
        info.Subject = text;
        info.Keywords = text;
        info.Creator = text;
        const std::string path = scratch.File("info.pdf");
        doc.SaveToFile(path);
        ASSERT_TRUE(test::QpdfCheckIsClean(path)) << text;
        for (const char* field : {"Title", "Author", "Subject", "Keywords", "Creator"}) {
            EXPECT_EQ(PdfInfoUtf8(path, field), text) << field;
        }
        const std::string read = RunPython(
            "import sys, pikepdf\n"
            "pdf = pikepdf.open(sys.argv[1])\n"
            "for key in ('/Title', '/Author', '/Subject', '/Keywords', '/Creator'):\n"
            "    sys.stdout.buffer.write(str(pdf.docinfo[key]).encode('utf-8') + b'\\x01')\n",
            path);
        std::string expected;
        for (int i = 0; i < 5; ++i) expected += text + "\x01";
        EXPECT_EQ(read, expected);
        EXPECT_NE(test::RunCommand("qpdf --json " + test::ShellQuote(path)).output.find(QpdfJsonTitle(text)),
                  std::string::npos)
            << text;
    }
}

TEST_F(DocumentStrings, OutlineTitlesAndNotesReadBackExactly) {
    std::int32_t parent = -1;
    for (const std::string& text : kSamples) {
        parent = doc.Outlines->AddChildOutline({1, 0, 0, 0}, text, parent);
        doc.AddTextAnnotation(1, 10, 10, text);
    }
    const std::string path = scratch.File("outline.pdf");
    doc.SaveToFile(path);
    ASSERT_TRUE(test::QpdfCheckIsClean(path));
    const std::string read = RunPython(
        "import sys, pikepdf\n"
        "pdf = pikepdf.open(sys.argv[1])\n"
        "item = pdf.Root.Outlines.First\n"
        "while True:\n"
        "    sys.stdout.buffer.write(str(item.Title).encode('utf-8') + b'\\x01')\n"
        "    if '/First' not in item: break\n"
        "    item = item.First\n"
        "for note in pdf.pages[0].Annots:\n"
        "    sys.stdout.buffer.write(str(note.Contents).encode('utf-8') + b'\\x02')\n",
        path);
    std::string expected;
    for (const std::string& text : kSamples) expected += text + "\x01";
    for (const std::string& text : kSamples) expected += text + "\x02";
    EXPECT_EQ(read, expected);
}

TEST_F(DocumentStrings, LatinTextsKeepTheirBytes) {
    doc.Outlines->AddChildOutline({1, 0, 0, 0}, "Caf\xC3\xA9 (1)", -1);
    doc.AddTextAnnotation(1, 10, 10, "na\xC3\xAFve");
    doc.Outlines->Last().ObjectNumber = 30;
    EXPECT_NE(doc.Outlines->Last().PDF_Binary().find("/Title (Caf\xE9 \\(1\\))\r\n"), std::string::npos);
    EXPECT_NE(doc.Page(1).Annots.Last().PDF_Binary().find("/Contents (na\xEFve)\r\n"), std::string::npos);
}

}  // namespace
}  // namespace vellum

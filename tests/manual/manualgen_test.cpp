// The page generator: it must refuse descriptions that disagree with the
// member table, and render what it is given faithfully.
#include "descriptions.h"
#include "pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

using namespace vellum::manual;

namespace {

// A section that satisfies the checks for `m`.
std::string Section(const InterfaceMember& m) {
    std::string text = "@member " + std::string(m.name) + "\n@summary Does things.\n";
    for (const auto& p : m.params)
        text += "@param " + std::string(p.name) + " An argument.\n";
    if (!m.isProperty && m.result != vellum::ValueType::None)
        text += "@result A result.\n";
    if (m.isProperty)
        text += "@value A value.\n";
    text += "@behaviour\n<p>Works.</p>\n@example\n" + std::string(m.name) + "\n";
    return text;
}

// Descriptions of every member, `edit` applied to the named member's section.
std::string Descriptions(const std::string& member = {},
                         const std::function<std::string(std::string)>& edit = {}) {
    std::string text;
    for (const auto& m : CollectMembers()) {
        std::string section = Section(m);
        if (m.name == member && edit)
            section = edit(section);
        text += section;
    }
    return text;
}

std::vector<std::string> Check(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> errors;
    const auto docs = ParseDescriptions(in, errors);
    CheckDescriptions(docs, CollectMembers(), errors);
    return errors;
}

bool Mentions(const std::vector<std::string>& errors, const std::string& part) {
    return std::any_of(errors.begin(), errors.end(),
                       [&](const std::string& e) { return e.find(part) != std::string::npos; });
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

const InterfaceMember& Member(std::string_view name) {
    static const auto members = CollectMembers();
    return *std::find_if(members.begin(), members.end(),
                         [&](const InterfaceMember& m) { return m.name == name; });
}

}  // namespace

TEST(ManualMemberList, JoinsPropertyAccessors) {
    const auto members = CollectMembers();
    std::set<std::string_view> names;
    for (const auto& row : vellum::kMembers)
        names.insert(row.name);
    EXPECT_EQ(members.size(), names.size());  // one entry per name
    EXPECT_EQ(members.front().name, "NewPDF");
    EXPECT_EQ(Member("Encrypt").interfaceName, "IPDFDocument2");
    EXPECT_EQ(Member("TextOut").interfaceName, "IPDFDocument");
    EXPECT_TRUE(Member("FontName").hasGet && Member("FontName").hasPut);
    EXPECT_TRUE(Member("ViewMode").hasPut && !Member("ViewMode").hasGet);
    EXPECT_EQ(Member("FontHeight").valueType, vellum::ValueType::Double);
    EXPECT_EQ(Member("CreateLink_Internal").params.size(), 9u);
}

TEST(ManualDescriptions, CompleteSetPasses) {
    EXPECT_TRUE(Check(Descriptions()).empty());
}

TEST(ManualDescriptions, MissingOrUnknownMembersFailLoudly) {
    auto errors = Check(Descriptions("TextOut", [](std::string) { return std::string(); }));
    EXPECT_TRUE(Mentions(errors, "member TextOut has no description"));

    errors = Check(Descriptions() + "@member TextOutEx\n@summary x\n@behaviour\nx\n@example\nx\n");
    EXPECT_TRUE(Mentions(errors, "names no member: TextOutEx"));

    errors = Check(Descriptions() + Section(Member("AddPage")));
    EXPECT_TRUE(Mentions(errors, "AddPage is described twice"));
}

TEST(ManualDescriptions, ArgumentsMustMatchTheTable) {
    auto errors = Check(Descriptions("TextOut", [](std::string s) {
        return Replace(s, "@param ypos An argument.\n", "");
    }));
    EXPECT_TRUE(Mentions(errors, "argument ypos is not described"));

    errors = Check(Descriptions("TextOut", [](std::string s) {
        return Replace(s, "@param ypos", "@param y");
    }));
    EXPECT_TRUE(Mentions(errors, "no argument named y"));

    errors = Check(Descriptions("TextOut", [](std::string s) {
        return Replace(s, "@param Txt An argument.", "@param Txt");
    }));
    EXPECT_TRUE(Mentions(errors, "argument Txt has no text"));
}

TEST(ManualDescriptions, ResultAndValueFollowTheKindOfMember) {
    auto errors = Check(Descriptions("GetTextBoxWidth", [](std::string s) {
        return Replace(s, "@result A result.\n", "");
    }));
    EXPECT_TRUE(Mentions(errors, "GetTextBoxWidth: no @result"));

    errors = Check(Descriptions("AddPage", [](std::string s) {
        return Replace(s, "@behaviour", "@result Something.\n@behaviour");
    }));
    EXPECT_TRUE(Mentions(errors, "@result given, but the member has none"));

    errors = Check(Descriptions("FontName", [](std::string s) {
        return Replace(s, "@value A value.\n", "@param Value The font.\n");
    }));
    EXPECT_TRUE(Mentions(errors, "a property needs @value"));
    EXPECT_TRUE(Mentions(errors, "a property takes no @param"));
}

TEST(ManualDescriptions, RequiredFieldsAndSeeAlso) {
    auto errors = Check(Descriptions("AddPage", [](std::string s) {
        return Replace(Replace(s, "@example\nAddPage\n", ""), "@summary Does things.\n", "");
    }));
    EXPECT_TRUE(Mentions(errors, "AddPage: no @example"));
    EXPECT_TRUE(Mentions(errors, "AddPage: no @summary"));

    errors = Check(Descriptions("AddPage", [](std::string s) { return s + "@see NewPDF NewPage\n"; }));
    EXPECT_TRUE(Mentions(errors, "@see names no member: NewPage"));
    EXPECT_FALSE(Mentions(errors, "NewPDF"));
}

TEST(ManualDescriptions, MalformedLinesAreReportedWithTheirLine) {
    auto errors = Check("stray text\n" + Descriptions());
    EXPECT_TRUE(Mentions(errors, "line 1: text outside any field"));

    errors = Check(Descriptions("AddPage", [](std::string s) { return s + "@sumary typo\n"; }));
    EXPECT_TRUE(Mentions(errors, "unknown field @sumary"));

    errors = Check(Descriptions("AddPage", [](std::string s) { return s + "@summary again\n"; }));
    EXPECT_TRUE(Mentions(errors, "@summary given twice for AddPage"));

    // Comments and blank lines are no text.
    EXPECT_TRUE(Check("@@ a comment\n\n" + Descriptions()).empty());
}

TEST(ManualDescriptions, MultiLineFieldsKeepTheirLines) {
    std::istringstream in("@member AddPage\n@summary One\ntwo\n@behaviour\n<p>a</p>\n\n<p>b</p>\n\n"
                          "@example\nNewPDF \"x\"\n  AddPage\n");
    std::vector<std::string> errors;
    const auto docs = ParseDescriptions(in, errors);
    ASSERT_EQ(docs.size(), 1u);
    EXPECT_EQ(docs[0].summary, "One\ntwo");
    EXPECT_EQ(docs[0].behaviour, "<p>a</p>\n\n<p>b</p>");
    EXPECT_EQ(docs[0].example, "NewPDF \"x\"\n  AddPage");
}

TEST(ManualPageRendering, ExamplesAreEscapedAndHtmlFieldsAreNot) {
    MemberDoc doc;
    doc.name = "TextOut";
    doc.summary = "Writes <b>text</b>.";
    doc.behaviour = "<p>Works.</p>";
    doc.example = "TextOut \"a\" & vbCrLf & \"<b>\", 1, 2";
    doc.params = {{"Txt", "The text."}, {"xpos", "X."}, {"ypos", "Y."}};
    const std::string page = MemberPage(Member("TextOut"), doc);
    EXPECT_NE(page.find("<p>Writes <b>text</b>.</p>"), std::string::npos);
    EXPECT_NE(page.find("TextOut &quot;a&quot; &amp; vbCrLf &amp; &quot;&lt;b&gt;&quot;, 1, 2"),
              std::string::npos);
    EXPECT_NE(page.find("<tr><td>xpos</td><td>double (number)</td><td>X.</td></tr>"), std::string::npos);
    EXPECT_NE(page.find("<title>TextOut</title>"), std::string::npos);
}

TEST(ManualPageRendering, SyntaxFollowsTheKindOfMember) {
    MemberDoc doc;
    const std::string fontName = MemberPage(Member("FontName"), doc);
    EXPECT_NE(fontName.find("HRESULT get_FontName(BSTR* value);\nHRESULT put_FontName(BSTR value);"),
              std::string::npos);
    EXPECT_NE(fontName.find("FontName = value\nPrint FontName"), std::string::npos);

    const std::string viewMode = MemberPage(Member("ViewMode"), doc);
    EXPECT_EQ(viewMode.find("get_ViewMode"), std::string::npos);
    EXPECT_NE(viewMode.find("property (write only)"), std::string::npos);

    const std::string width = MemberPage(Member("GetTextBoxWidth"), doc);
    EXPECT_NE(width.find("HRESULT GetTextBoxWidth(BSTR Txt, double* result);"), std::string::npos);
    EXPECT_NE(width.find("Print GetTextBoxWidth(Txt)"), std::string::npos);
    EXPECT_NE(width.find("doc.GetTextBoxWidth(Txt: str) -&gt; float"), std::string::npos);

    const std::string addPage = MemberPage(Member("AddPage"), doc);
    EXPECT_NE(addPage.find("<pre>AddPage</pre>"), std::string::npos);
    EXPECT_NE(addPage.find("<p>None.</p>"), std::string::npos);
}

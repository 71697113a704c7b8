// Each member page shows the member the ways programs reach it, and those
// forms are the ones the bindings really have: the C++ form of every member
// is declared so in <vellum/document.hpp> (its generated method block).
#include "pages.h"
#include "signatures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

using namespace vellum::manual;

namespace {

const InterfaceMember& Member(std::string_view name) {
    static const auto members = CollectMembers();
    const auto found = std::find_if(members.begin(), members.end(),
                                    [&](const InterfaceMember& m) { return m.name == name; });
    if (found == members.end())
        throw std::invalid_argument("no member " + std::string(name));
    return *found;
}

// The header and the method block it includes, with every run of white
// space made one blank, so declarations that wrap match their one-line form.
std::string DocumentHeader() {
    std::ostringstream flat;
    for (const char* path : {VELLUM_DOCUMENT_HEADER, VELLUM_DOCUMENT_MEMBERS_HEADER}) {
        std::ifstream in(path);
        for (std::string word; in >> word;)
            flat << word << ' ';
    }
    return flat.str();
}

struct Forms {
    const char* member;
    const char* com;
    const char* cpp;
    const char* python;
    const char* script;
};

// Written from the member table and the bindings' conventions, escaped as
// the page shows them.
const Forms kForms[] = {
    {"TextOut", "HRESULT TextOut(BSTR Txt, double xpos, double ypos);",
     "void TextOut(std::string_view Txt, double xpos, double ypos);",
     "doc.TextOut(Txt: str, xpos: float, ypos: float) -&gt; None", "TextOut Txt, xpos, ypos"},
    {"FontHeight", "HRESULT get_FontHeight(double* value);\nHRESULT put_FontHeight(double value);",
     "double FontHeight();\nvoid FontHeight(double Value);",
     "doc.FontHeight = value  # value: float\nvalue = doc.FontHeight  # float",
     "FontHeight = value\nPrint FontHeight"},
    {"GetPDFContent", "HRESULT GetPDFContent(VARIANT* result);",
     "std::vector&lt;std::uint8_t&gt; GetPDFContent();", "doc.GetPDFContent() -&gt; bytes",
     "Print GetPDFContent"},
    {"AddChildOutline",
     "HRESULT AddChildOutline(long ADestinationPage, long ADestinationZoom, long ADestinationXPos, "
     "long ADestinationYPos, BSTR ATitle, long ParentNode, long* result);",
     "std::int32_t AddChildOutline(std::int32_t ADestinationPage, std::int32_t ADestinationZoom, "
     "std::int32_t ADestinationXPos, std::int32_t ADestinationYPos, std::string_view ATitle, "
     "std::int32_t ParentNode);",
     "doc.AddChildOutline(ADestinationPage: int, ADestinationZoom: int, ADestinationXPos: int, "
     "ADestinationYPos: int, ATitle: str, ParentNode: int) -&gt; int",
     "Print AddChildOutline(ADestinationPage, ADestinationZoom, ADestinationXPos, ADestinationYPos, ATitle, "
     "ParentNode)"},
    {"Encrypt", "HRESULT Encrypt(BSTR UserPassword, BSTR OwnerPassword, BSTR Permissions, BSTR Method);",
     "void Encrypt(std::string_view UserPassword, std::string_view OwnerPassword, std::string_view Permissions, "
     "std::string_view Method);",
     "doc.Encrypt(UserPassword: str, OwnerPassword: str, Permissions: str, Method: str) -&gt; None",
     "Encrypt UserPassword, OwnerPassword, Permissions, Method"},
};

}  // namespace

TEST(ManualMemberForms, PagesNameTheInterfaceThatDeclaresTheMember) {
    const struct {
        const char* member;
        const char* heading;
        const char* syntax;
    } cases[] = {
        {"TextOut", "<i>method of IPDFDocument, DISPID 4</i>", "COM interface <code>IPDFDocument</code>"},
        {"Sign", "<i>method of IPDFDocument2, DISPID 301</i>", "COM interface <code>IPDFDocument2</code>"},
    };
    for (const auto& c : cases) {
        const std::string page = MemberPage(Member(c.member), MemberDoc{});
        EXPECT_NE(page.find(c.heading), std::string::npos) << c.member;
        EXPECT_NE(page.find(c.syntax), std::string::npos) << c.member;
    }
}

TEST(ManualMemberForms, PagesShowEveryWayToCallAMember) {
    for (const Forms& forms : kForms) {
        const std::string page = MemberPage(Member(forms.member), MemberDoc{});
        for (const char* form : {forms.com, forms.cpp, forms.python, forms.script})
            EXPECT_NE(page.find("<pre>" + std::string(form) + "</pre>"), std::string::npos)
                << forms.member << " lacks\n" << form;
        EXPECT_NE(page.find("vellum::Error"), std::string::npos) << forms.member;
        EXPECT_NE(page.find("vellum.COMError"), std::string::npos) << forms.member;
    }
}

TEST(ManualMemberForms, CppFormsAreTheDocumentClassDeclarations) {
    const std::string header = DocumentHeader();
    ASSERT_NE(header.find("class Document {"), std::string::npos) << VELLUM_DOCUMENT_HEADER;
    for (const InterfaceMember& member : CollectMembers()) {
        for (std::string declaration : DocumentDeclarations(member)) {
            declaration.pop_back();  // the page's ";" is the header's body
            EXPECT_NE(header.find(" " + declaration + " {"), std::string::npos)
                << "<vellum/document.hpp> does not declare " << declaration;
        }
    }
}

TEST(ManualMemberForms, OperandIsExplainedWhereItIsTaken) {
    const std::string note = "<code>Operand</code> is <code>vellum::Operand</code>";
    EXPECT_NE(MemberPage(Member("SendCmd"), MemberDoc{}).find(note), std::string::npos);
    EXPECT_EQ(MemberPage(Member("TextOut"), MemberDoc{}).find(note), std::string::npos);
}

// Tagged documents: the structure tree readers build from the file (poppler's
// pdfinfo -struct-text), our tagged-structure checker against broken copies,
// refusals that leave the structure as it was, and an untagged document
// unchanged.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "document.h"
#include "errors.h"
#include "pdf_structure.h"
#include "tagged_structure.h"
#include "test_support.h"

namespace vellum {
namespace {

// A heading, automatic paragraphs, a picture with its description, a shape,
// a footer artifact, a list, a link and a note, over two pages.
std::string TaggedLetter(const std::function<void(TPDFDoc&)>& beforeWrite = {}) {
    TPDFDoc doc;
    doc.ResetDocument();
    doc.SetTagged(true);
    doc.SetLanguage("en-GB");
    doc.RequireInfo().Title = "Letter";
    TPage& page = doc.Page(1);
    doc.BeginStructure("H1", "", "");
    page.TextOut("Dear reader", 20, 20);
    doc.EndStructure();
    page.TextOut("First paragraph.", 20, 40);
    const std::int32_t logo = doc.ImportImageFile(VELLUM_EXAMPLE_ASSETS "/logo.jpg", 90);
    doc.SetImageAltText(logo, "The company logo");
    page.DrawImage(logo, 150, 10, 30, 15);
    page.DrawLine(1, 20, 190, 50, 50);
    doc.BeginStructure("L", "", "");
    doc.BeginStructure("LI", "", "");
    doc.BeginStructure("LBody", "", "");
    page.TextOut("An item", 25, 60);
    doc.EndStructure();
    doc.EndStructure();
    doc.EndStructure();
    doc.BeginArtifact("Pagination");
    page.TextOut("Page 1", 100, 280);
    doc.EndArtifact();
    doc.CreateLinkInternet(1, {20, 70, 80, 75, 0, 0, 0, 0}, "https://example.org/");
    doc.AddTextAnnotation(1, 30, 90, "A note");
    doc.NewPage();
    doc.Page(2).TextOut("Second page.", 20, 20);
    if (beforeWrite) beforeWrite(doc);
    return doc.SaveToByteArray();
}

TEST(TaggedDocument, ReadersFindTheTreeWithItsText) {
    const test::ScratchFolder folder;
    const std::string path = folder.File("tagged.pdf");
    test::WriteFile(path, TaggedLetter());
    EXPECT_TRUE(test::QpdfCheckIsClean(path));
    const test::CommandResult tree = test::RunCommand("pdfinfo -struct-text " + test::ShellQuote(path));
    EXPECT_EQ(tree.output,
              "Document\n  H1 (block)\n    \"Dear reader\"\n  P (block)\n    \"First paragraph.\"\n  Figure\n    \"\"\n"
              "  L (block)\n    LI (block)\n      LBody (block)\n        \"An item\"\n  Link (inline)\n    Object 22 0\n"
              "  Annot (inline)\n    Object 23 0\n  P (block)\n    \"Second page.\"\n")
        << tree.output;
    EXPECT_NE(test::ReadFile(path).find("/Alt (The company logo)"), std::string::npos);
    const test::CommandResult text = test::RunCommand("pdftotext " + test::ShellQuote(path) + " -");
    EXPECT_NE(text.output.find("Page 1"), std::string::npos);
    // The structure meets every condition of PDF/UA-1 but those of the
    // document as a whole (title display, metadata, embedded fonts, tab order).
    const test::CommandResult ua = test::RunCommand(
        "/usr/bin/python3 " VELLUM_UA_CHECK " " + test::ShellQuote(path) +
        " | grep -v -e '^  document: ' -e '^  fonts: ' -e '^  annotation-tagged: page has annotations but not /Tabs /S'");
    EXPECT_EQ(ua.output, path + ": fails\n") << ua.output;
}

// The tagged-structure checker the fuzzers trust: silent on the letter, and
// on copies broken in one place (same-length edits of the file's plain
// objects, or of a page's content before it is compressed) exactly the break.
TEST(TaggedDocument, StructureCheckerFindsEachBreak) {
    EXPECT_EQ(test::DescribeProblems(test::TaggedStructureProblems(TaggedLetter())), "");
    struct Break {
        int page;  // whose content is edited; 0: the file's bytes
        std::string from, to;
        std::string problems;
    };
    const Break breaks[] = {
        {1, "<</MCID 1>>", "<</MCID 7>>",
         "page 1: MCID 7 is in no structure element\n"
         "page 1: structure element 30 0 R names MCID 1, which the content lacks\n"},
        {1, "<</MCID 3>>", "<</MCID 2>>",
         "page 1: MCID 2 marks more than one sequence\n"
         "page 1: structure element 34 0 R names MCID 3, which the content lacks\n"},
        {1, "EMC\r\n/Artifact <</Type /Pagination>>", "/Artifact <</Type /Pagination>>",
         "page 1: an artifact opens inside MCID 3\npage 1: 1 marked-content sequence(s) left open\n"},
        {2, "EMC\r\n", "EMC\r\n0 0 m 9 9 l S\r\n", "page 2: S outside tagged content and artifacts\n"},
        {0, "1 [37 0 R ]", "1 [30 0 R ]",
         "page 2: the parent tree does not name MCID 0's element 37 0 R at its index\n"
         "page 2: the parent tree names 30 0 R at index 0, which holds no MCID 0 of the page\n"},
        {0, "/LBody\r\n/P 33 0 R", "/LBody\r\n/P 32 0 R", "structure element 34 0 R: /P is not element 33 0 R\n"},
        {0, "/LI\r\n/P 32 0 R\r\n/K [ 34 0 R ]", "/LI\r\n/P 32 0 R\r\n/K [ 32 0 R ]",
         "structure element 32 0 R is its own ancestor\npage 1: MCID 3 is in no structure element\n"
         "page 1: the parent tree names 34 0 R at index 3, which holds no MCID 3 of the page\n"},
        {0, "/StructParent 3\r\n", "/StructParent 2\r\n",
         "page 1: annotation 23 0 R: its element 35 0 R holds no OBJR to it\n"
         "structure element 36 0 R holds an OBJR to 23 0 R, whose /StructParent does not lead back to it\n"
         "parent-tree key 2 is used by 2 objects\n"},
        {0, "/ParentTreeNextKey 4", "/ParentTreeNextKey 3",
         "/ParentTreeNextKey 3 does not exceed parent-tree key 3\n"},
    };
    for (const Break& edit : breaks) {
        auto replace = [&](std::string& text) {
            const std::size_t at = text.find(edit.from);
            ASSERT_NE(at, std::string::npos) << edit.from;
            text.replace(at, edit.from.size(), edit.to);
        };
        std::string broken = TaggedLetter([&](TPDFDoc& doc) {
            if (edit.page > 0) replace(doc.Page(edit.page).PageValue);
        });
        if (edit.page == 0) replace(broken);
        EXPECT_EQ(test::DescribeProblems(test::TaggedStructureProblems(broken)), edit.problems) << edit.to;
    }
}

TEST(TaggedDocument, WhatTheStructureCannotTakeFailsAndChangesNothing) {
    TPDFDoc doc;
    doc.ResetDocument();
    EXPECT_NE(test::ThrownMessage([&] { doc.BeginStructure("P", "", ""); }).find("set Tagged first"), std::string::npos);
    doc.SetTagged(true);
    const std::pair<std::function<void()>, const char*> cases[] = {
        {[&] { doc.BeginStructure("Para", "", ""); }, "Unknown structure role \"Para\""},
        {[&] { doc.BeginStructure("TD", "", ""); }, "A TD element cannot stand in the document's top level"},
        {[&] { doc.EndStructure(); }, "no open structure element"},
        {[&] { doc.EndArtifact(); }, "no open artifact"},
        {[&] { doc.BeginArtifact("Header"); }, "Unknown artifact kind"},
        {[&] { doc.SetLanguage("en GB"); }, "no language tag"},
        {[&] { doc.SetImageAltText(0, "x"); }, "no picture 0"},
    };
    for (const auto& [call, message] : cases) EXPECT_NE(test::ThrownMessage(call).find(message), std::string::npos) << message;
    doc.BeginStructure("Table", "", "");
    doc.BeginStructure("TR", "", "");
    const std::string before = doc.Page(1).PageValue;
    EXPECT_NE(test::ThrownMessage([&] { doc.Page(1).TextOut("loose", 10, 10); }).find("Text cannot stand in a TR element"),
              std::string::npos);
    EXPECT_EQ(doc.Page(1).PageValue, before);
    doc.BeginStructure("TD", "", "");
    doc.Page(1).TextOut("cell", 10, 10);
    EXPECT_NE(test::ThrownMessage([&] { doc.SetTagged(false); }).find("before anything is drawn"), std::string::npos);
    TPDFDoc noted;  // an annotation, like drawing, comes too early for tagging
    noted.ResetDocument();
    noted.AddTextAnnotation(1, 10, 10, "early");
    EXPECT_NE(test::ThrownMessage([&] { noted.SetTagged(true); }).find("before anything is drawn"), std::string::npos);
    EXPECT_EQ(doc.Structure()->Elements().size(), 4u);  // Document, Table, TR, TD
}

TEST(TaggedDocument, UntaggedDocumentsKeepTheirBytes) {
    auto write = [](bool tagged) {
        TPDFDoc doc;
        doc.ResetDocument();
        if (tagged) {
            doc.SetTagged(true);
            doc.SetTagged(false);
        }
        doc.Page(1).TextOut("Plain", 20, 20);
        doc.Page(1).DrawRect(1, 0, 1, 10, 20, 30, 40);
        return doc.SaveToByteArray();
    };
    const std::string plain = write(false);
    EXPECT_EQ(write(true), plain);
    EXPECT_EQ(plain.find("BDC"), std::string::npos);
}

}  // namespace
}  // namespace vellum

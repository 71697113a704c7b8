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
// a footer artifact, a list, a link and a note, over two pages; untagged, the
// same drawing without any structure. `conformance` is claimed first,
// `beforeWrite` changes the document just before it is written.
std::string Letter(bool tagged = true, const std::string& conformance = "",
                   const std::function<void(TPDFDoc&)>& beforeWrite = {}) {
    TPDFDoc doc;
    doc.ResetDocument();
    doc.SetConformance(conformance);
    if (tagged) doc.SetTagged(true);
    doc.SetLanguage("en-GB");
    doc.RequireInfo().Title = "Letter";
    auto begin = [&](const char* role) {
        if (tagged) doc.BeginStructure(role, "", "");
    };
    auto end = [&](int count) {
        for (int i = 0; tagged && i < count; ++i) doc.EndStructure();
    };
    TPage& page = doc.Page(1);
    begin("H1");
    page.TextOut("Dear reader", 20, 20);
    end(1);
    page.TextOut("First paragraph.", 20, 40);
    const std::int32_t logo = doc.ImportImageFile(VELLUM_EXAMPLE_ASSETS "/logo.jpg", 90);
    doc.SetImageAltText(logo, "The company logo");
    page.DrawImage(logo, 150, 10, 30, 15);
    page.DrawLine(1, 20, 190, 50, 50);
    begin("L");
    begin("LI");
    begin("LBody");
    page.TextOut("An item", 25, 60);
    end(3);
    if (tagged) doc.BeginArtifact("Pagination");
    page.TextOut("Page 1", 100, 280);
    if (tagged) doc.EndArtifact();
    doc.CreateLinkInternet(1, {20, 70, 80, 75, 0, 0, 0, 0}, "https://example.org/");
    doc.AddTextAnnotation(1, 30, 90, "A note");
    doc.NewPage();
    doc.Page(2).TextOut("Second page.", 20, 20);
    if (beforeWrite) beforeWrite(doc);
    return doc.SaveToByteArray();
}

std::string TaggedLetter(const std::function<void(TPDFDoc&)>& beforeWrite = {}) {
    return Letter(true, "", beforeWrite);
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

// A Link the caller opens holds its annotation beside its text; header
// cells say what they head (the first row its columns, later ones their rows).
TEST(TaggedDocument, CallersLinksAndHeaderCellsReadAsMeant) {
    TPDFDoc doc;
    doc.ResetDocument();
    doc.SetTagged(true);
    doc.BeginStructure("Link", "", "");
    doc.Page(1).TextOut("Our website", 20, 20);
    doc.CreateLinkInternet(1, {20, 15, 60, 22, 0, 0, 0, 0}, "https://example.org/");
    doc.EndStructure();
    doc.BeginStructure("Table", "", "");
    for (const char* first : {"TH", "TH", "TD"}) {
        doc.BeginStructure("TR", "", "");
        for (const char* role : {first, "TD"}) {
            doc.BeginStructure(role, "", "");
            doc.Page(1).TextOut(role, 20, 40);
            doc.EndStructure();
        }
        doc.EndStructure();
    }
    doc.EndStructure();
    const test::ScratchFolder folder;
    const std::string path = folder.File("cells.pdf");
    const std::string bytes = doc.SaveToByteArray();
    test::WriteFile(path, bytes);
    const test::CommandResult tree = test::RunCommand("pdfinfo -struct-text " + test::ShellQuote(path) + " | head -3");
    EXPECT_EQ(tree.output, "Document\n  Link (inline)\n    \"Our website\"\n") << tree.output;
    const test::CommandResult links = test::RunCommand("pdfinfo -struct-text " + test::ShellQuote(path) + " | grep -c Link");
    EXPECT_EQ(links.output, "1\n");
    const std::size_t column = bytes.find("/Scope /Column");
    EXPECT_NE(column, std::string::npos);
    EXPECT_EQ(bytes.find("/Scope /Column", column + 1), std::string::npos);
    EXPECT_NE(bytes.find("/Scope /Row"), std::string::npos);
    EXPECT_EQ(test::DescribeProblems(test::TaggedStructureProblems(bytes)), "");
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

// ---- accessible (PDF/UA-1) documents

std::string UaCheck(const std::string& paths) {
    return test::RunCommand("/usr/bin/python3 " VELLUM_UA_CHECK " " + paths).output;
}

TEST(AccessibleDocument, MeetsPdfUaAloneAndWithArchivalLevels) {
    const test::ScratchFolder folder;
    std::string paths, expected;
    const char* levels[] = {"PDF/UA-1", "PDF/A-2u PDF/UA-1", "PDF/A-1b PDF/UA-1"};
    for (std::size_t i = 0; i < std::size(levels); ++i) {
        const char* level = levels[i];
        const std::string path = folder.File(std::to_string(i) + ".pdf");
        const std::string bytes = Letter(true, level);
        test::WriteFile(path, bytes);
        EXPECT_TRUE(test::QpdfCheckIsClean(path));
        EXPECT_NE(bytes.find("<pdfuaid:part>1</pdfuaid:part>"), std::string::npos) << level;
        EXPECT_NE(bytes.find("/DisplayDocTitle true"), std::string::npos) << level;
        paths += " " + test::ShellQuote(path);
        expected += path + ": conforms\n";
    }
    EXPECT_EQ(UaCheck(paths), expected);
    // PDF/UA-1 alone is read by PDF 1.7's rules; an archival level keeps its own version.
    EXPECT_EQ(test::ReadFile(folder.File("0.pdf")).rfind("%PDF-1.7", 0), 0u);
    const std::string archival = folder.File("2.pdf");
    EXPECT_EQ(test::RunCommand(VELLUM_PREFLIGHT " " + test::ShellQuote(archival)).output, archival + ": valid\n");
    // Tagging changes what readers are told, not the text they extract.
    const std::string plain = folder.File("plain.pdf");
    test::WriteFile(plain, Letter(false));
    const auto text = [](const std::string& path) {
        return test::RunCommand("pdftotext " + test::ShellQuote(path) + " -").output;
    };
    const std::string tagged = folder.File("tagged.pdf");
    test::WriteFile(tagged, Letter(true));
    EXPECT_EQ(text(tagged), text(plain));
}

TEST(AccessibleDocument, WhatTheLevelNeedsFailsTheWriteAndKeepsTheDocument) {
    struct Case {
        std::function<void(TPDFDoc&)> spoil;
        const char* message;
        const char* firstHeading = "H1";
    };
    const Case cases[] = {
        {[](TPDFDoc& doc) { doc.RequireInfo().Title.clear(); }, "it needs a title"},
        {[](TPDFDoc& doc) { doc.SetLanguage(""); }, "it needs a Language"},
        {[](TPDFDoc& doc) { doc.Page(1).DrawImage(doc.ImportImageFile(VELLUM_EXAMPLE_ASSETS "/logo.jpg", 90), 1, 1, 9, 9); },
         "it needs alternative text for 1 picture"},
        {[](TPDFDoc& doc) { doc.BeginStructure("H3", "", ""); }, "no heading skipping a level (H3 follows H1)"},
        {[](TPDFDoc& doc) { doc.Encrypt({"", "", "print,copy", ""}); }, "add accessibility to the permissions"},
        {[](TPDFDoc&) {}, "it needs a first heading of H1, not H2", "H2"},
    };
    for (const Case& c : cases) {
        TPDFDoc doc;
        doc.ResetDocument();
        doc.SetConformance("PDF/UA-1");
        doc.SetLanguage("en");
        doc.RequireInfo().Title = "Report";
        doc.BeginStructure(c.firstHeading, "", "");
        doc.Page(1).TextOut("Title", 10, 10);
        doc.EndStructure();
        c.spoil(doc);
        const std::int32_t objects = doc.ObjectCount();
        EXPECT_NE(test::ThrownMessage([&] { doc.SaveToByteArray(); }).find(c.message), std::string::npos) << c.message;
        EXPECT_EQ(doc.ObjectCount(), objects);
        EXPECT_EQ(doc.ConformanceName(), "PDF/UA-1");
    }
}

TEST(AccessibleDocument, TheLevelIsClaimedBeforeDrawingAndKeepsTaggingOn) {
    TPDFDoc doc;
    doc.ResetDocument();
    const std::pair<const char*, const char*> names[] = {
        {" pdf/ua-1 ", "PDF/UA-1"}, {"PDF/UA-1\tpdf/a-3U", "PDF/A-3u PDF/UA-1"}, {"PDF/A-2b", "PDF/A-2b"}};
    for (const auto& [name, canonical] : names) {
        doc.SetConformance(name);
        EXPECT_EQ(doc.ConformanceName(), canonical);
    }
    for (const char* unknown : {"PDF/UA-2", "PDF/UA-1 PDF/UA-1", "PDF/A-2b PDF/A-3b", "PDF/UA-1,PDF/A-2b"}) {
        EXPECT_NE(test::ThrownMessage([&] { doc.SetConformance(unknown); }).find("Unknown conformance"), std::string::npos)
            << unknown;
    }
    EXPECT_EQ(doc.ConformanceName(), "PDF/A-2b");
    doc.SetConformance("PDF/UA-1");
    EXPECT_TRUE(doc.Tagged());
    EXPECT_NE(test::ThrownMessage([&] { doc.SetTagged(false); }).find("drop PDF/UA-1"), std::string::npos);
    doc.SetConformance("");
    doc.Page(1).TextOut("Drawn", 10, 10);
    EXPECT_TRUE(doc.Tagged());
    TPDFDoc late;
    late.ResetDocument();
    late.Page(1).TextOut("Drawn", 10, 10);
    EXPECT_NE(test::ThrownMessage([&] { late.SetConformance("PDF/UA-1"); }).find("before anything is drawn"),
              std::string::npos);
    EXPECT_EQ(late.ConformanceName(), "");
}

}  // namespace
}  // namespace vellum

// Tagged documents: the structure tree readers build from the file (poppler's
// pdfinfo -struct-text), refusals that leave the structure as it was, and an
// untagged document unchanged.
#include <gtest/gtest.h>

#include <string>

#include "document.h"
#include "errors.h"
#include "test_support.h"

namespace vellum {
namespace {

// A heading, automatic paragraphs, a picture with its description, a shape,
// a footer artifact, a list, a link and a note, over two pages.
std::string TaggedLetter() {
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

// Font files named by installed family and style (fontconfig here), beside
// plain paths, which keep working as they always have. Only the faces of
// fonts-dejavu-core, fonts-liberation and fonts-droid-fallback are counted on.
#include <gtest/gtest.h>

#include <filesystem>

#include "document.h"
#include "errors.h"
#include "font_names.h"
#include "test_support.h"

namespace vellum {
namespace {

using namespace std::string_view_literals;

constexpr const char* kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

std::string ErrorOf(std::string_view name) {
    try {
        ResolveFontFile(name);
    } catch (const EngineError& error) {
        return error.what();
    }
    return "no error";
}

TEST(FontNames, FamiliesResolveToTheFileOfTheirStyle) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"DejaVu Sans", "DejaVuSans.ttf"},
        {"DejaVu Sans:bold", "DejaVuSans-Bold.ttf"},
        {"dejavu sans:Bold", "DejaVuSans-Bold.ttf"},
        {"DejaVu Sans Mono : BOLD", "DejaVuSansMono-Bold.ttf"},
        {"Liberation Serif:italic", "LiberationSerif-Italic.ttf"},
        {"Liberation  Mono:Oblique Bold", "LiberationMono-BoldItalic.ttf"},
        {"Droid Sans Fallback:regular", "DroidSansFallbackFull.ttf"},
    };
    for (const auto& [name, file] : cases) {
        EXPECT_EQ(std::filesystem::path(ResolveFontFile(name)).filename(), file) << name;
    }
}

TEST(FontNames, WhatNoInstalledFontMatchesFailsSayingWhy) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"No Such Family", "No installed font matches \"No Such Family\""},
        {":bold", "No installed font matches \":bold\""},
        {"DejaVu Sans\0x"sv, "No installed font matches \"DejaVu Sans?x\""},
        {"DejaVu Sans:black",
         "No installed font matches \"DejaVu Sans:black\": the style must be regular, bold, italic or bold italic"},
        {"DejaVu Sans:bold bold",
         "No installed font matches \"DejaVu Sans:bold bold\": the style must be regular, bold, italic or bold italic"},
        {"Droid Sans Fallback:bold",
         "No installed font matches \"Droid Sans Fallback:bold\": the family has no bold face"},
        {"Droid Sans Fallback:italic bold",
         "No installed font matches \"Droid Sans Fallback:italic bold\": the family has no bold italic face"},
    };
    for (const auto& [name, message] : cases) EXPECT_EQ(ErrorOf(name), message);
}

TEST(FontNames, PathsAndExistingFilesComeBackAsTheyAre) {
    test::ScratchFolder scratch;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(scratch.path());
    // A file named like a family is that file.
    std::filesystem::copy_file(kDejaVu, "DejaVu Serif");
    const std::string relative = std::filesystem::relative(kDejaVu).string();
    for (const std::string& name : {std::string(kDejaVu), relative, std::string("DejaVu Serif"),
                                   std::string("missing.TTF"), std::string("fonts/DejaVu Sans"), std::string()}) {
        EXPECT_EQ(ResolveFontFile(name), name);
    }
    std::filesystem::current_path(previous);
}

TEST(FontNames, AUnicodeFontAddedByFamilyIsEmbedded) {
    TPDFDoc doc;
    doc.ResetDocument();
    EXPECT_EQ(doc.AddUnicodeFont("Heading", "DejaVu Sans:bold"), "/F12");
    EXPECT_EQ(doc.AddUnicodeFont("Missing", "missing.ttf"), "Error - file not found");
    EXPECT_THROW(doc.AddUnicodeFont("Heading Italic", "DejaVu Sans Mono:bold italc"), EngineError);
    EXPECT_EQ(doc.Fonts->Count(), 13u);
    doc.SelectFont("Heading");
    doc.Page(1).TextOut("\xCE\xA9mega", 10, 20);
    test::ScratchFolder scratch;
    const std::string path = scratch.File("family.pdf");
    doc.SaveToFile(path);
    const std::string fonts = test::RunCommand("pdffonts " + test::ShellQuote(path) + " | tr -s ' '").output;
    EXPECT_NE(fonts.find("+DejaVuSans-Bold CID TrueType Identity-H yes yes yes 21 0"), std::string::npos) << fonts;
}

}  // namespace
}  // namespace vellum

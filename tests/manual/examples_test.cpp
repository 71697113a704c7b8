// Every call script the manual shows runs to its end through the client, in
// a folder that holds the example assets, and every file it writes passes
// qpdf's check: the member pages' examples and the scripts of the
// hand-written pages.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "descriptions.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using vellum::test::RunCommand;
using vellum::test::ShellQuote;

enum class Language { CallScript, Python };

struct Example {
    std::string name;  // where it stands, as a test name
    std::string script;
    Language language = Language::CallScript;
};

std::string Unescape(std::string text) {
    const std::pair<std::string_view, std::string_view> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}};
    for (const auto& [entity, character] : entities) {
        for (auto at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1)) {
            text.replace(at, entity.size(), character);
        }
    }
    return text;
}

bool IsPython(const std::string& block) { return block.find("import vellum") != std::string::npos; }

// Python examples run where the build has the module (not in sanitizer builds).
#ifdef VELLUM_PYTHON_COMMAND
constexpr bool kRunPython = true;
#else
constexpr bool kRunPython = false;
#endif

// Preformatted blocks that are call scripts, not C++, Python or shell lines.
bool IsCallScript(const std::string& block) {
    return block.find("#include") == std::string::npos && !IsPython(block) && block.rfind("vellum ", 0) != 0 &&
           block.find('\n') != std::string::npos;
}

std::string TestName(std::string text) {
    for (char& c : text) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return text;
}

void AddPageScripts(const fs::path& page, std::vector<Example>& examples) {
    const std::string html = vellum::test::ReadFile(page.string());
    int count = 0;
    for (auto start = html.find("<pre>"); start != std::string::npos; start = html.find("<pre>", start)) {
        start += 5;
        const auto end = html.find("</pre>", start);
        if (end == std::string::npos) break;
        const std::string block = Unescape(html.substr(start, end - start));
        const std::string name = TestName(page.stem().string() + "_" + std::to_string(++count));
        if (IsCallScript(block)) examples.push_back({name, block + "\n"});
        if (kRunPython && IsPython(block)) examples.push_back({name, block + "\n", Language::Python});
    }
}

std::vector<Example> ManualExamples() {
    std::vector<Example> examples;
    std::ifstream descriptions(VELLUM_MEMBER_DESCRIPTIONS);
    std::vector<std::string> errors;
    for (const auto& doc : vellum::manual::ParseDescriptions(descriptions, errors)) {
        if (!doc.example.empty()) examples.push_back({TestName(doc.name), doc.example + "\n"});
        if (kRunPython && !doc.python.empty()) examples.push_back({TestName(doc.name) + "_py", doc.python + "\n", Language::Python});
    }
    std::vector<fs::path> pages;
    for (const auto& entry : fs::directory_iterator(VELLUM_MANUAL_PAGES)) {
        if (entry.path().extension() == ".htm") pages.push_back(entry.path());
    }
    std::sort(pages.begin(), pages.end());
    for (const auto& page : pages) AddPageScripts(page, examples);
    return examples;
}

class ManualExample : public ::testing::TestWithParam<Example> {};

TEST_P(ManualExample, RunsAndWritesFilesThatReadersAccept) {
    vellum::test::ScratchFolder folder;
    fs::create_directory_symlink(VELLUM_EXAMPLE_ASSETS, folder.path() / "assets");
    std::string command = "cd " + ShellQuote(folder.path().string()) + " && ";
    if (GetParam().language == Language::Python) {
#ifdef VELLUM_PYTHON_COMMAND
        vellum::test::WriteFile(folder.File("example.py"), GetParam().script);
        command += VELLUM_PYTHON_COMMAND " example.py";
#endif
    } else {
        vellum::test::WriteFile(folder.File("example.vls"), GetParam().script);
        command += ShellQuote(VELLUM_CLIENT) + " run example.vls";
    }
    const auto run = RunCommand(command);
    ASSERT_EQ(run.status, 0) << GetParam().script << run.output;
    int written = 0;
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        if (entry.path().extension() != ".pdf") continue;
        ++written;
        // "reader" opens the examples that set a user password.
        EXPECT_TRUE(vellum::test::QpdfCheckIsClean(entry.path().string(), "reader")) << entry.path();
    }
    EXPECT_GE(written, 1) << "the example writes no document:\n" << GetParam().script;
}

INSTANTIATE_TEST_SUITE_P(Manual, ManualExample, ::testing::ValuesIn(ManualExamples()),
                         [](const auto& info) { return info.param.name; });

TEST(ManualExamples, EveryMemberPageHasOne) {
    std::ifstream descriptions(VELLUM_MEMBER_DESCRIPTIONS);
    std::vector<std::string> errors;
    const auto docs = vellum::manual::ParseDescriptions(descriptions, errors);
    ASSERT_TRUE(errors.empty()) << errors.front();
    for (const auto& doc : docs) EXPECT_FALSE(doc.example.empty()) << doc.name;
}

}  // namespace

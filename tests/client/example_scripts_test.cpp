// The example scripts as a user runs them, from a folder where "examples"
// leads to the scripts (they name their pictures by that path) and "out" takes
// what they write; and rewritten line by line, to show that each of them also
// works encrypted, archival or accessible.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace vellum::test {
namespace {

namespace fs = std::filesystem;

// What one line of a script becomes (the line itself, with lines before or after it).
using Rewrite = std::function<std::string(const std::string& line)>;

bool StartsWith(const std::string& line, std::string_view word) { return line.rfind(word, 0) == 0; }

class ExampleScripts : public ::testing::Test {
protected:
    ExampleScripts() {
        fs::create_directory(scratch.path() / "out");
        fs::create_directory_symlink(VELLUM_EXAMPLES, scratch.path() / "examples");
    }

    static std::vector<fs::path> Examples() {
        std::vector<fs::path> scripts;
        for (const auto& entry : fs::directory_iterator(VELLUM_EXAMPLES)) {
            if (entry.path().extension() == ".vls") scripts.push_back(entry.path());
        }
        std::sort(scripts.begin(), scripts.end());
        return scripts;
    }

    // Runs the script from the scratch folder; standard output and error together.
    CommandResult Run(const fs::path& script) const {
        return RunCommand("cd " + ShellQuote(scratch.path().string()) + " && " + ShellQuote(VELLUM_CLIENT) + " run " +
                          ShellQuote(script.string()) + " 2>&1");
    }

    CommandResult RunRewritten(const fs::path& example, const Rewrite& rewrite) const {
        std::istringstream lines(ReadFile(example.string()));
        std::string script;
        for (std::string line; std::getline(lines, line);) script += rewrite(line);
        const std::string path = scratch.File("rewritten.vls");
        WriteFile(path, script);
        return Run(path);
    }

    // Every PDF the runs wrote, in name order.
    std::vector<fs::path> Written() const {
        std::vector<fs::path> files;
        for (const auto& entry : fs::recursive_directory_iterator(scratch.path())) {
            if (entry.path().extension() == ".pdf") files.push_back(entry.path());
        }
        std::sort(files.begin(), files.end());
        return files;
    }

    ScratchFolder scratch;
};

// Every example script runs to its end and writes a file readers accept.
TEST_F(ExampleScripts, Run) {
    const std::vector<fs::path> examples = Examples();
    EXPECT_GE(examples.size(), 2u);
    for (const fs::path& example : examples) {
        const CommandResult run = Run(example);
        EXPECT_EQ(run.status, 0) << example << ": " << run.output;
    }
    for (const fs::path& pdf : Written()) {
        EXPECT_TRUE(QpdfCheckIsClean(pdf.string(), "reader"));  // the password of protected.vls
    }
}

// Every example script, encrypted by each method just before each SavePDF
// (replacing any earlier Encrypt), writes files that open with the password
// and check clean. Accessible documents need the accessibility permission.
TEST_F(ExampleScripts, RunEncrypted) {
    for (const std::string method : {"AES-256", "AES-128", "RC4-128"}) {
        const Rewrite encrypt = [&](const std::string& line) {
            if (!StartsWith(line, "SavePDF")) return line + "\n";
            return "Encrypt \"user\", \"owner\", \"print, accessibility\", \"" + method + "\"\n" + line + "\n";
        };
        for (const fs::path& example : Examples()) {
            const CommandResult run = RunRewritten(example, encrypt);
            EXPECT_EQ(run.status, 0) << method << " " << example << ": " << run.output;
        }
        const std::vector<fs::path> written = Written();
        EXPECT_GE(written.size(), 3u) << method;
        for (const fs::path& pdf : written) {
            EXPECT_TRUE(QpdfCheckIsClean(pdf.string(), "user")) << method;
            fs::remove(pdf);
        }
    }
}

// Every example script, declared PDF/A-1b after each NewPDF (a script's own
// declaration keeps what it adds), writes files that Preflight accepts.
TEST_F(ExampleScripts, PassPreflightAsPdfA1b) {
    const Rewrite archival = [](const std::string& line) {
        if (StartsWith(line, "NewPDF")) return line + "\nConformance = \"PDF/A-1b\"\n";
        if (StartsWith(line, "Conformance = \"")) return "Conformance = \"PDF/A-1b " + line.substr(15) + "\n";
        return line + "\n";
    };
    const std::vector<fs::path> examples = Examples();
    for (const fs::path& example : examples) {
        const CommandResult run = RunRewritten(example, archival);
        if (example.filename() == "protected.vls") {
            // The one example that encrypts, which an archival file may not be.
            EXPECT_EQ(run.status, 1);
            EXPECT_NE(run.output.find("SavePDF failed: 0x8000FFFF: Cannot write the document as PDF/A-1b: "
                                      "archival documents may not be encrypted"),
                      std::string::npos)
                << run.output;
        } else if (example.filename() == "shapes.vls") {
            // The one example with translucent drawing, which PDF/A-1 forbids.
            EXPECT_EQ(run.status, 1);
            EXPECT_NE(run.output.find("SetOpacity failed: 0x8000FFFF: Cannot make drawing translucent in a "
                                      "PDF/A-1b document"),
                      std::string::npos)
                << run.output;
        } else {
            EXPECT_EQ(run.status, 0) << example << ": " << run.output;
        }
    }

    std::string arguments, allValid;
    const std::vector<fs::path> written = Written();
    for (const fs::path& pdf : written) {
        EXPECT_TRUE(QpdfCheckIsClean(pdf.string())) << pdf;
        arguments += " " + ShellQuote(pdf.string());
        allValid += pdf.string() + ": valid\n";
    }
    EXPECT_EQ(written.size(), examples.size() - 2);  // all but protected.vls and shapes.vls
    const CommandResult preflight = RunCommand(VELLUM_PREFLIGHT + arguments);
    EXPECT_EQ(preflight.status, 0) << preflight.output;
    EXPECT_EQ(preflight.output, allValid);
}

// Every example script, declared PDF/UA-1 after each NewPDF, in English unless
// it says otherwise, and with words for each picture, writes files that the
// PDF/UA checker finds conforming.
TEST_F(ExampleScripts, PassTheAccessibilityCheckAsPdfUa1) {
    int pictures = 0;  // since NewPDF: a picture's number is the count before it
    const Rewrite accessible = [&](const std::string& line) {
        if (StartsWith(line, "NewPDF")) {
            pictures = 0;
            return line + "\nConformance = \"PDF/UA-1\"\nLanguage = \"en\"\n";
        }
        if (line.find("ImportImageAsResource(") != std::string::npos) {
            return line + "\nSetImageAltText " + std::to_string(pictures++) + ", \"A picture\"\n";
        }
        if (StartsWith(line, "ImportImage ")) {
            ++pictures;  // placed at once, so described by the figure around it
            return "BeginStructure \"Figure\", \"A picture\", \"\"\n" + line + "\nEndStructure\n";
        }
        // protected.vls withholds the accessibility permission, without which
        // the write refuses PDF/UA-1: the rewrite grants it.
        if (StartsWith(line, "Encrypt ")) {
            std::size_t permissions = 0;  // just past the fifth quote, which opens the third argument
            for (int quote = 0; quote < 5; ++quote) permissions = line.find('"', permissions) + 1;
            return line.substr(0, permissions) + "accessibility, " + line.substr(permissions) + "\n";
        }
        return line + "\n";
    };
    const std::vector<fs::path> examples = Examples();
    for (const fs::path& example : examples) {
        const CommandResult run = RunRewritten(example, accessible);
        EXPECT_EQ(run.status, 0) << example << ": " << run.output;
    }

    const std::vector<fs::path> written = Written();
    EXPECT_EQ(written.size(), examples.size());
    std::string arguments, allConform;
    for (const fs::path& pdf : written) {
        std::string checked = pdf.string();
        if (pdf.filename() == "protected.pdf") {
            // The checker opens no encrypted file: it reads a decrypted copy,
            // once the permission is seen granted.
            EXPECT_TRUE(QpdfCheckIsClean(checked, "reader"));
            const CommandResult permissions =
                RunCommand("qpdf --show-encryption --password=reader " + ShellQuote(checked));
            EXPECT_NE(permissions.output.find("extract for accessibility: allowed"), std::string::npos)
                << permissions.output;
            checked = scratch.File("protected-decrypted.pdf");
            EXPECT_EQ(RunCommand("qpdf --password=reader --decrypt " + ShellQuote(pdf.string()) + " " +
                                 ShellQuote(checked)).status,
                      0);
        } else {
            EXPECT_TRUE(QpdfCheckIsClean(checked)) << pdf;
        }
        arguments += " " + ShellQuote(checked);
        allConform += checked + ": conforms\n";
    }
    const CommandResult check = RunCommand("/usr/bin/python3 " VELLUM_UA_CHECK + arguments);
    EXPECT_EQ(check.status, 0) << check.output;
    EXPECT_EQ(check.output, allConform);
}

// The accessible letter's structure, as a screen reader walks it: the logo
// by its words, the heading, the paragraphs with the link in its own; the
// rule and the footer are not in it.
TEST_F(ExampleScripts, AccessibleLetterReadsInOrder) {
    const CommandResult run = Run(fs::path(VELLUM_EXAMPLES) / "accessible.vls");
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string pdf = scratch.File("out/accessible.pdf");
    EXPECT_TRUE(QpdfCheckIsClean(pdf));
    // Object numbers are the writer's business, not the reader's.
    const CommandResult tree =
        RunCommand("pdfinfo -struct-text " + ShellQuote(pdf) + " | sed 's/^\\( *\\)Object [0-9]* 0$/\\1Object/'");
    EXPECT_EQ(tree.output,
              "Document\n"
              "  Figure\n    \"\"\n"
              "  H1 (block)\n    \"Your new reading room card\"\n"
              "  P (block)\n    \"Dear Ms Okafor,\"\n"
              "  P (block)\n    \"Thank you for joining the library. Your reading room card is ready: collect it at the "
              "front desk with any document that shows your name. The card lets you borrow up to twelve books at a "
              "time and book a desk in the quiet room.\"\n"
              "  P (block)\n    \"Opening hours and the catalogue are on our website, www.example.org/library.\"\n"
              "    Link (inline)\n      Object\n"
              "  P (block)\n    \"With kind regards,\"\n"
              "  P (block)\n    \"Ada Mensah, Reader services\"\n");
    EXPECT_NE(RunCommand("qpdf --qdf --object-streams=disable " + ShellQuote(pdf) + " -")
                  .output.find("/Alt (City Library logo)"),
              std::string::npos);
    const CommandResult check = RunCommand("/usr/bin/python3 " VELLUM_UA_CHECK " " + ShellQuote(pdf));
    EXPECT_EQ(check.output, pdf + ": conforms\n");
    const CommandResult text = RunCommand("pdftotext " + ShellQuote(pdf) + " -");
    for (const char* shown : {"Your new reading room card", "Dear Ms Okafor,", "Page 1 of 1"}) {
        EXPECT_NE(text.output.find(shown), std::string::npos) << shown;
    }
}

}  // namespace
}  // namespace vellum::test

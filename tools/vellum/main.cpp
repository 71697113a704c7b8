// vellum: runs call scripts against the PDFDocument automation object.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

#include "activation.h"
#include "com/bstr.h"
#include "com/codepage.h"
#include "runner.h"

namespace {

constexpr const char* kClientVersion = "vellum 1.118";
constexpr int kUsageError = 2;

void PrintUsage() {
    std::fputs(
        "usage: vellum run [--library PATH] [--progid PROGID] SCRIPT   run a call script (- for standard input)\n"
        "       vellum --version                                      versions of the client and the object\n",
        stderr);
}

struct Options {
    std::string command;
    std::string library;
    std::string progid = "VELLUM_XP.PDFDocument";
    std::string script;
};

std::optional<Options> ParseArguments(int argc, char** argv) {
    Options options;
    if (argc < 2) return std::nullopt;
    options.command = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        if ((argument == "--library" || argument == "--progid") && i + 1 < argc) {
            (argument == "--library" ? options.library : options.progid) = argv[++i];
        } else if (options.script.empty() && (argument == "-" || argument.rfind("--", 0) != 0)) {
            options.script = argument;
        } else {
            return std::nullopt;
        }
    }
    return options;
}

std::optional<std::string> ReadScript(const std::string& name) {
    std::ostringstream text;
    if (name == "-") {
        text << std::cin.rdbuf();
        return text.str();
    }
    std::ifstream file(name, std::ios::binary);
    if (!file) return std::nullopt;
    text << file.rdbuf();
    if (file.bad()) return std::nullopt;
    return text.str();
}

vellum::client::Activation CreateObject(const Options& options) {
    // No registry exists yet: every ProgID falls back to the library beside the client.
    const std::string library = options.library.empty() ? vellum::client::LibraryBesideProgram() : options.library;
    return vellum::client::CreateFromLibrary(library);
}

int RunScript(const Options& options) {
    if (options.script.empty()) {
        PrintUsage();
        return kUsageError;
    }
    const auto text = ReadScript(options.script);
    if (!text) {
        std::fprintf(stderr, "vellum: cannot read %s: %s\n", options.script.c_str(), std::strerror(errno));
        return kUsageError;
    }
    const std::string shownName = options.script == "-" ? "<stdin>" : options.script;
    const vellum::script::ParsedScript script = vellum::script::ParseScript(*text);
    if (!script.ok) {
        std::fprintf(stderr, "%s:%d: syntax error: %s\n", shownName.c_str(), script.error.line,
                     script.error.message.c_str());
        return kUsageError;
    }
    const auto activation = CreateObject(options);
    if (!activation.object) {
        std::fprintf(stderr, "vellum: %s\n", activation.error.c_str());
        return 1;
    }
    vellum::script::ScriptRunner runner(activation.object.get(), shownName, stdout, stderr);
    return runner.Run(script.statements);
}

int PrintVersion(const Options& options) {
    std::printf("%s\n", kClientVersion);
    const auto activation = CreateObject(options);
    if (!activation.object) {
        std::fprintf(stderr, "vellum: %s\n", activation.error.c_str());
        return 1;
    }
    vellum::script::ParsedScript script = vellum::script::ParseScript("Print OCXVersion");
    vellum::script::ScriptRunner runner(activation.object.get(), "--version", stdout, stderr);
    return runner.Run(script.statements);
}

}  // namespace

int main(int argc, char** argv) {
    const auto options = ParseArguments(argc, argv);
    if (!options) {
        PrintUsage();
        return kUsageError;
    }
    if (options->command == "run") return RunScript(*options);
    if (options->command == "--version") return PrintVersion(*options);
    PrintUsage();
    return kUsageError;
}

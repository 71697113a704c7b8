// vellum: runs call scripts against the PDFDocument automation object.
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "activation.h"
#include "com/bstr.h"
#include "com/activation.h"
#include "com/codepage.h"
#include "com/errorinfo.h"
#include "com/registry.h"
#include "runner.h"
#include "script_source.h"

namespace {

constexpr const char* kClientVersion = "vellum 1.118";
constexpr int kUsageError = 2;

void PrintUsage() {
    std::fputs(
        "usage: vellum run [--quiet] [--library PATH] [--progid PROGID] SCRIPT   run a call script (- for standard input)\n"
        "       vellum register [--library PATH]                                DllRegisterServer of the library\n"
        "       vellum unregister [--library PATH]                              DllUnregisterServer of the library\n"
        "       vellum --version                                                versions of the client and the object\n"
        "--quiet: no warnings (SCRIPT:LINE: warning: ...) on calls that succeed but likely miss what was meant\n",
        stderr);
}

struct Options {
    std::string command;
    std::string library;
    std::string progid = "VELLUM_XP.PDFDocument";
    std::string script;
    bool quiet = false;
};

std::optional<Options> ParseArguments(int argc, char** argv) {
    Options options;
    if (argc < 2) return std::nullopt;
    options.command = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        if ((argument == "--library" || argument == "--progid") && i + 1 < argc) {
            (argument == "--library" ? options.library : options.progid) = argv[++i];
        } else if (argument == "--quiet" && options.command == "run") {
            options.quiet = true;
        } else if (options.script.empty() && (argument == "-" || argument.rfind("--", 0) != 0)) {
            options.script = argument;
        } else {
            return std::nullopt;
        }
    }
    return options;
}

vellum::client::Activation CreateObject(const Options& options) {
    if (!options.library.empty()) return vellum::client::CreateFromLibrary(options.library);
    return vellum::client::CreateFromProgId(options.progid);
}

// The description of the error information the last failing call filed.
std::string FiledErrorDescription() {
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || info == nullptr) return {};
    BSTR description = nullptr;
    std::string text;
    if (SUCCEEDED(info->GetDescription(&description))) text = vellum::Utf16ToUtf8(vellum::BstrView(description));
    SysFreeString(description);
    info->Release();
    return text;
}

// register and unregister call the library's own export.
int Register(const Options& options, const char* exportName) {
    if (!options.script.empty()) {
        PrintUsage();
        return kUsageError;
    }
    const std::string library = options.library.empty() ? vellum::client::LibraryBesideProgram() : options.library;
    std::string error;
    SetErrorInfo(0, nullptr);  // what a failing export files is its own
    const HRESULT hr = vellum::CallLibraryExport(library, exportName, &error);
    if (FAILED(hr) && error.empty()) error = FiledErrorDescription();
    if (FAILED(hr)) {
        std::fprintf(stderr, "vellum: %s failed: 0x%08X%s%s\n", exportName, static_cast<unsigned>(hr),
                     error.empty() ? "" : ": ", error.c_str());
        return 1;
    }
    std::printf("%s: %s done (registry %s)\n", library.c_str(), exportName, vellum::registry::StorePath().c_str());
    return 0;
}

int RunScript(const Options& options) {
    if (options.script.empty()) {
        PrintUsage();
        return kUsageError;
    }
    const std::string shownName = options.script == "-" ? "<stdin>" : options.script;
    vellum::script::CheckedScript script = vellum::script::CheckScript(options.script);
    if (!script.readError.empty()) {
        std::fprintf(stderr, "vellum: %s\n", script.readError.c_str());
        return kUsageError;
    }
    if (script.syntaxError) {
        std::fprintf(stderr, "%s:%d: syntax error: %s\n", shownName.c_str(), script.syntaxError->line,
                     script.syntaxError->message.c_str());
        return kUsageError;
    }
    const auto activation = CreateObject(options);
    if (!activation.object) {
        std::fprintf(stderr, "vellum: %s\n", activation.error.c_str());
        return 1;
    }
    vellum::script::ScriptRunner runner(activation.object.get(), shownName, stdout, stderr);
    if (options.quiet) runner.SilenceWarnings();
    return vellum::script::RunCheckedScript(script, runner, shownName, stderr);
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
    if (options->command == "register") return Register(*options, "DllRegisterServer");
    if (options->command == "unregister") return Register(*options, "DllUnregisterServer");
    PrintUsage();
    return kUsageError;
}

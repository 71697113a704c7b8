// vls2vbs SCRIPT.vls [OUT.vbs]: writes the VBScript equivalent of a call
// script, in ASCII; texts with other characters go to OUT.strings beside it
// (UTF-16 with a byte-order mark), which the script reads when it starts.
// Exit status 2 for an unreadable script or a syntax error, as the client's.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "runner.h"
#include "vbscript.h"

namespace {

bool WriteAll(std::FILE* out, const std::string& bytes, const char* name) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size() && std::fflush(out) == 0) return true;
    std::perror(name);
    return false;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        std::perror(path.c_str());
        return false;
    }
    const bool written = WriteAll(out, bytes, path.c_str());
    return std::fclose(out) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: vls2vbs SCRIPT.vls [OUT.vbs]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "vls2vbs: cannot read %s\n", argv[1]);
        return 2;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const vellum::script::ParsedScript parsed = vellum::script::ParseScript(text);
    if (!parsed.ok) {
        std::fprintf(stderr, "%s:%d: %s\n", argv[1], parsed.error.line, parsed.error.message.c_str());
        return 2;
    }
    const vellum::vbs::Translation vbs = vellum::vbs::TranslateScript(parsed.statements, "VELLUM_XP.PDFDocument");
    if (argc == 2 && !vbs.strings.empty()) {
        std::fprintf(stderr, "vls2vbs: %s has text beyond ASCII, which goes to a file beside the output: name OUT.vbs\n",
                     argv[1]);
        return 2;
    }
    // Line ends as the platform writes them.
    std::string crlf;
    for (const char c : vbs.script) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    if (argc == 2) return WriteAll(stdout, crlf, "standard output") ? 0 : 1;
    if (!WriteFile(argv[2], crlf)) return 1;
    if (vbs.strings.empty()) return 0;
    std::string table = "\xFF\xFE";
    for (const char16_t c : vellum::vbs::StringTableText(vbs.strings)) {
        table += static_cast<char>(c & 0xFF);
        table += static_cast<char>(c >> 8);
    }
    const std::string path = argv[2];
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t dot = path.rfind('.');
    const std::string base = dot != std::string::npos && (slash == std::string::npos || dot > slash) ? path.substr(0, dot) : path;
    return WriteFile(base + vellum::vbs::kStringTableSuffix, table) ? 0 : 1;
}

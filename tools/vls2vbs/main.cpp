// vls2vbs SCRIPT.vls [OUT.vbs]: writes the VBScript equivalent of a call
// script, in Windows-1252 (Wine's cscript reads no Unicode scripts; other
// characters are written as ChrW(n)). Exit status 2 for an unreadable script or a syntax
// error, as the client's.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "com/codepage.h"
#include "runner.h"
#include "vbscript.h"

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
    std::string vbs = vellum::vbs::TranslateScript(parsed.statements, "VELLUM_XP.PDFDocument");
    // Line ends as the platform writes them, in the script host's code page.
    std::string crlf;
    for (const char c : vbs) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const std::string bytes = vellum::Utf16ToCp1252(vellum::Utf8ToUtf16(crlf));
    std::FILE* out = argc == 3 ? std::fopen(argv[2], "wb") : stdout;
    if (out == nullptr) {
        std::perror(argv[2]);
        return 2;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (out != stdout && std::fclose(out) != 0) return 1;
    return written ? 0 : 1;
}

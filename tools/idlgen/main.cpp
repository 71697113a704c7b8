// idlgen: writes the files generated from the member table (generated_files.h)
// into the source tree ROOT, each only when its text changed, and names them.
//   idlgen ROOT
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "generated_files.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteFile(const std::string& path, const std::string& text) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    return std::fclose(out) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SOURCE_ROOT\n", argv[0]);
        return 2;
    }
    for (const auto& file : vellum::idl::GeneratedFiles()) {
        const std::string path = std::string(argv[1]) + "/" + file.path;
        if (ReadFile(path) == file.text) continue;
        if (!WriteFile(path, file.text)) {
            std::perror(path.c_str());
            return 1;
        }
        std::printf("idlgen: wrote %s\n", file.path.c_str());
    }
    return 0;
}

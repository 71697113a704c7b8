// Targets whose library reads a file by name: the input is written to one
// file per process in TMPDIR, overwritten by each run.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace vellum::fuzz {

// TMPDIR/vellum-STEM-PID.EXTENSION
inline std::string InputFilePath(const char* stem, const char* extension) {
    const char* folder = std::getenv("TMPDIR");
    return std::string(folder != nullptr ? folder : "/tmp") + "/vellum-" + stem + "-" + std::to_string(getpid()) +
           extension;
}

inline bool WriteInputFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

}  // namespace vellum::fuzz

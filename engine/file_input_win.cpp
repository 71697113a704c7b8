// Reading whole files on the native build (file_input.cpp elsewhere).
#include "file_input.h"

#include <algorithm>

#include "errors.h"
#include "win_path.h"

namespace vellum {
namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& reason) {
    throw EngineError("Cannot open file \"" + path + "\". " + reason);
}

}  // namespace

bool IsExistingFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(win::WidePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string ReadWholeFile(const std::string& path, std::size_t maxBytes) {
    win::FileHandle file;
    file.handle = CreateFileW(win::WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (!file.valid()) Fail(path, win::ErrorText(GetLastError()));
    if (GetFileType(file.handle) != FILE_TYPE_DISK) Fail(path, "It is not a regular file");
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.handle, &size)) Fail(path, win::ErrorText(GetLastError()));
    if (static_cast<std::uint64_t>(size.QuadPart) > maxBytes) {
        Fail(path, "It is larger than " + std::to_string(maxBytes >> 20) + " MB");
    }
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD count = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        if (!ReadFile(file.handle, bytes.data() + done, chunk, &count, nullptr)) {
            Fail(path, win::ErrorText(GetLastError()));
        }
        if (count == 0) break;  // the file shrank while it was read
        done += count;
    }
    bytes.resize(done);
    return bytes;
}

}  // namespace vellum

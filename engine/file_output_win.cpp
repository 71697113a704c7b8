// The atomic save on the native build (file_output.cpp elsewhere): the bytes
// go, piece by piece as the writer hands them over, to a temporary file in the target's folder, are flushed, and the
// temporary file then replaces the target in one step (MoveFileExW with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH), so a failure never
// leaves a truncated file or destroys the previous one.
#include <algorithm>
#include <atomic>
#include <memory>

#include "errors.h"
#include "file_output.h"
#include "win_path.h"

namespace vellum {
namespace {

[[noreturn]] void Fail(const std::string& path, DWORD error) {
    throw EngineError("Cannot create file \"" + path + "\". " + win::ErrorText(error));
}

// Removes the temporary file unless it replaced the target.
class TemporaryFile {
public:
    TemporaryFile(const std::wstring& target, const std::string& shownPath) {
        static std::atomic<unsigned> counter{0};
        const auto slash = target.find_last_of(L"\\/");
        const std::wstring folder = slash == std::wstring::npos ? L"" : target.substr(0, slash + 1);
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = folder + L".vellum-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                    std::to_wstring(counter++) + L".tmp";
            file_.handle = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_TEMPORARY, nullptr);
            if (file_.valid() || GetLastError() != ERROR_FILE_EXISTS) break;
        }
        if (!file_.valid()) Fail(shownPath, GetLastError());
    }
    ~TemporaryFile() {
        Close();
        if (!committed_) DeleteFileW(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    HANDLE handle() const { return file_.handle; }
    const std::wstring& path() const { return path_; }
    bool Close() {
        if (!file_.valid()) return true;
        const bool closed = CloseHandle(file_.handle) != 0;
        file_.handle = INVALID_HANDLE_VALUE;
        return closed;
    }
    void Commit() { committed_ = true; }

private:
    std::wstring path_;
    win::FileHandle file_;
    bool committed_ = false;
};

void WriteAll(HANDLE file, std::string_view bytes, const std::string& shownPath) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr)) Fail(shownPath, GetLastError());
        bytes.remove_prefix(written);
    }
}

}  // namespace

struct OutputFile::State {
    std::string shownPath;
    std::wstring target;
    TemporaryFile temporary;
    State(const std::string& path, std::wstring wide)
        : shownPath(path), target(std::move(wide)), temporary(target, shownPath) {}
};

OutputFile::OutputFile(const std::string& path) {
    if (path.empty()) throw EngineError("Cannot create file \"\". No file name was given");
    std::wstring wide = win::WidePath(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        throw EngineError("Cannot create file \"" + path + "\". It is a folder");
    }
    state_ = std::make_unique<State>(path, std::move(wide));
}

OutputFile::~OutputFile() = default;  // the temporary file goes unless committed

void OutputFile::Write(std::string_view bytes) { WriteAll(state_->temporary.handle(), bytes, state_->shownPath); }

void OutputFile::Commit() {
    TemporaryFile& temporary = state_->temporary;
    if (!FlushFileBuffers(temporary.handle()) || !temporary.Close()) Fail(state_->shownPath, GetLastError());
    if (!MoveFileExW(temporary.path().c_str(), state_->target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        Fail(state_->shownPath, GetLastError());
    }
    temporary.Commit();
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
    OutputFile file(path);
    file.Write(bytes);
    file.Commit();
}

}  // namespace vellum

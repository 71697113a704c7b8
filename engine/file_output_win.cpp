// The atomic save on the native build (file_output.cpp elsewhere): the bytes
// go, piece by piece as the writer hands them over, to a temporary file in the
// target's folder, are flushed, and the temporary file then replaces the
// target in one step (MoveFileExW with MOVEFILE_REPLACE_EXISTING |
// MOVEFILE_WRITE_THROUGH), so a failure never leaves a truncated file or
// destroys the previous one. Until then the temporary file is marked for
// deletion, so the system removes it when the process dies however it ends;
// a later save into the folder removes one left in the short step between
// unmarking and the rename.
#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <string_view>

#include "errors.h"
#include "file_output.h"
#include "win_path.h"

namespace vellum {
namespace {

[[noreturn]] void Fail(const std::string& path, DWORD error) {
    throw EngineError("Cannot create file \"" + path + "\". " + win::ErrorText(error));
}

constexpr std::wstring_view kTemporaryPrefix = L".vellum-";
constexpr std::wstring_view kTemporarySuffix = L".tmp";
constexpr ULONGLONG kAbandonedAfter = 60ull * 10'000'000;  // a minute in the 100 ns units of FILETIME

std::wstring FolderOf(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"" : path.substr(0, slash + 1);
}

bool MarkForDeletion(HANDLE file, bool deleteOnClose) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = deleteOnClose ? TRUE : FALSE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

// A file that may be written in a folder that takes no new file cannot be
// saved, which the system's reason alone does not explain.
[[noreturn]] void FailToCreate(const std::wstring& target, const std::string& shownPath, DWORD error) {
    if (GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) Fail(shownPath, error);
    const auto slash = shownPath.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? "." : shownPath.substr(0, slash);
    throw EngineError("Cannot create file \"" + shownPath + "\". Cannot create a temporary file in the folder \"" +
                      folder + "\": " + win::ErrorText(error) + "; the file is replaced by a new one written beside it");
}

// Removes the temporary file unless it replaced the target.
class TemporaryFile {
public:
    TemporaryFile(const std::wstring& target, const std::string& shownPath) {
        static std::atomic<unsigned> counter{0};
        const std::wstring folder = FolderOf(target);
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = folder + std::wstring(kTemporaryPrefix) + std::to_wstring(GetCurrentProcessId()) + L"-" +
                    std::to_wstring(counter++) + std::wstring(kTemporarySuffix);
            file_.handle = CreateFileW(path_.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_TEMPORARY, nullptr);
            if (file_.valid() || GetLastError() != ERROR_FILE_EXISTS) break;
        }
        if (!file_.valid()) FailToCreate(target, shownPath, GetLastError());
        // Where a file system cannot mark it, the file is still removed on
        // every way out but a killed process.
        MarkForDeletion(file_.handle, true);
    }
    ~TemporaryFile() {
        Close();
        if (!committed_) DeleteFileW(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    HANDLE handle() const { return file_.handle; }
    const std::wstring& path() const { return path_; }
    // Flushed and closed, kept on disk.
    bool Keep() {
        return FlushFileBuffers(file_.handle) && MarkForDeletion(file_.handle, false) && Close();
    }
    void Commit() { committed_ = true; }

private:
    bool Close() {
        if (!file_.valid()) return true;
        const bool closed = CloseHandle(file_.handle) != 0;
        file_.handle = INVALID_HANDLE_VALUE;
        return closed;
    }

    std::wstring path_;
    win::FileHandle file_;
    bool committed_ = false;
};

std::optional<DWORD> WriterOf(std::wstring_view name) {
    if (!name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporarySuffix)) return std::nullopt;
    name.remove_prefix(kTemporaryPrefix.size());
    DWORD id = 0;
    std::size_t digits = 0;
    for (; digits < name.size() && name[digits] >= L'0' && name[digits] <= L'9' && digits < 10; ++digits) {
        id = id * 10 + static_cast<DWORD>(name[digits] - L'0');
    }
    if (digits == 0 || digits == name.size() || name[digits] != L'-') return std::nullopt;
    return id;
}

bool IsRunning(DWORD processId) {
    if (processId == GetCurrentProcessId()) return true;
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (process == nullptr) return GetLastError() != ERROR_INVALID_PARAMETER;  // no such process
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

ULONGLONG Ticks(const FILETIME& time) { return (ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime; }

// A temporary file whose process died and that nobody wrote for a minute (on
// a folder shared with other machines, a live process elsewhere may have the
// same number) is what a save cut short left behind.
void RemoveAbandonedTemporaries(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((folder + L".vellum-*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    do {
        const std::optional<DWORD> writer = WriterOf(found.cFileName);
        const bool old = Ticks(now) > Ticks(found.ftLastWriteTime) + kAbandonedAfter;
        if (writer && old && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && !IsRunning(*writer)) {
            DeleteFileW((folder + found.cFileName).c_str());
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

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
    if (!temporary.Keep()) Fail(state_->shownPath, GetLastError());
    if (!MoveFileExW(temporary.path().c_str(), state_->target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        Fail(state_->shownPath, GetLastError());
    }
    temporary.Commit();
    RemoveAbandonedTemporaries(FolderOf(state_->target));
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
    OutputFile file(path);
    file.Write(bytes);
    file.Commit();
}

}  // namespace vellum

#include "script_source.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <thread>

#include "com/codepage.h"

namespace vellum::script {
namespace {

SyntaxError LineTooLong(int lineNumber) {
    return SyntaxError{lineNumber, "line longer than " + std::to_string(kMaxLineBytes / (1024 * 1024)) + " MB"};
}

std::string ReadError(const std::string& name, int error) {
    return "cannot read " + name + ": " + std::strerror(error);
}

bool IsRegularFile(std::FILE* file) {
    struct stat info {};
    return fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
}

// The verdict on one part of a file, with line numbers counted from the part's start.
struct PartVerdict {
    std::optional<SyntaxError> syntaxError;
    std::string readError;
    InvalidUtf8Lines invalidUtf8;
    int lines = 0;
};

// Checks the syntax of every line in the next `length` bytes of `file`,
// copying each to `spool` when there is one; stops at the first faulty line.
PartVerdict CheckPart(std::FILE* file, std::FILE* spool, std::uint64_t length, bool atFileStart,
                      const std::string& name) {
    PartVerdict verdict;
    LineReader reader(file, length, atFileStart);
    std::string_view line;
    while (reader.Next(line)) {
        if (spool != nullptr && (std::fwrite(line.data(), 1, line.size(), spool) != line.size() ||
                                 std::fputc('\n', spool) == EOF)) {
            verdict.readError = "cannot copy " + name + " to a temporary file: " + std::strerror(errno);
            return verdict;
        }
        SyntaxError error;
        if (!CheckLine(line, reader.lineNumber(), error)) {
            verdict.syntaxError = error;
            return verdict;
        }
        if (const std::size_t at = FirstIllFormedUtf8(line); at != std::string_view::npos) {
            verdict.invalidUtf8.Add(reader.lineNumber(), at + 1);
        }
    }
    if (reader.TooLong()) verdict.syntaxError = LineTooLong(reader.lineNumber());
    if (reader.Failed()) verdict.readError = ReadError(name, errno);
    verdict.lines = reader.lineNumber();
    return verdict;
}

// The whole of `file` in one pass.
void CheckLines(std::FILE* file, std::FILE* spool, const std::string& name, CheckedScript& checked) {
    PartVerdict verdict = CheckPart(file, spool, UINT64_MAX, true, name);
    checked.syntaxError = verdict.syntaxError;
    checked.readError = std::move(verdict.readError);
    checked.invalidUtf8 = std::move(verdict.invalidUtf8);
}

// Where the second half of a file of `size` bytes starts: just after the first
// line end at or past its middle; 0 when there is none.
std::uint64_t SecondHalfStart(std::FILE* file, std::uint64_t size) {
    if (std::fseek(file, static_cast<long>(size / 2), SEEK_SET) != 0) return 0;
    std::uint64_t at = size / 2;
    for (int c; (c = std::fgetc(file)) != EOF;) {
        ++at;
        if (c == '\n') return at < size ? at : 0;
    }
    return 0;
}

// Checks a large regular file as two halves, the second on a thread of its
// own reading through a second handle: the same verdict as one pass, the
// first faulty line by line number. False when it could not be split.
bool CheckInHalves(std::FILE* file, std::uint64_t size, const std::string& name, CheckedScript& checked) {
    const std::uint64_t split = SecondHalfStart(file, size);
    if (split == 0 || std::fseek(file, 0, SEEK_SET) != 0) return false;
    FilePtr again(std::fopen(("/proc/self/fd/" + std::to_string(fileno(file))).c_str(), "rb"));
    if (!again || std::fseek(again.get(), static_cast<long>(split), SEEK_SET) != 0) return false;
    PartVerdict second;
    std::thread checker;
    try {
        checker = std::thread([&] { second = CheckPart(again.get(), nullptr, UINT64_MAX, false, name); });
    } catch (const std::system_error&) {
        return false;
    }
    const PartVerdict first = CheckPart(file, nullptr, split, true, name);
    checker.join();
    if (!first.readError.empty() || first.syntaxError) {
        checked.readError = first.readError;
        checked.syntaxError = first.syntaxError;
        return true;
    }
    checked.readError = second.readError;
    checked.invalidUtf8 = first.invalidUtf8;
    checked.invalidUtf8.Append(second.invalidUtf8, first.lines);
    if (second.syntaxError) {
        checked.syntaxError = SyntaxError{first.lines + second.syntaxError->line, second.syntaxError->message};
    }
    return true;
}

// Below this, a second thread costs more than it saves.
constexpr std::uint64_t kHalvesFromBytes = 1024 * 1024;

void WarnOfInvalidUtf8(const InvalidUtf8Lines& invalid, const ScriptRunner& runner) {
    for (std::size_t i = 0; i < invalid.first.size(); ++i) {
        const InvalidUtf8Lines::Line& at = invalid.first[i];
        if (i == InvalidUtf8Lines::kNamed && invalid.count > i + 1) {
            runner.Warn(at.line, std::to_string(invalid.count - i) + " more lines from here on are not valid UTF-8");
        } else {
            runner.Warn(at.line, "line is not valid UTF-8 (column " + std::to_string(at.column) +
                                     "); invalid bytes are read as U+FFFD");
        }
    }
}

}  // namespace

void InvalidUtf8Lines::Add(int line, std::size_t column) {
    if (first.size() <= kNamed) first.push_back({line, column});
    ++count;
}

void InvalidUtf8Lines::Append(const InvalidUtf8Lines& later, int linesBefore) {
    for (const Line& at : later.first) {
        if (first.size() > kNamed) break;
        first.push_back({linesBefore + at.line, at.column});
    }
    count += later.count;
}

bool LineReader::Refill() {
    constexpr std::uint64_t kChunkBytes = 64 * 1024;
    chunk_.resize(static_cast<std::size_t>(remaining_ < kChunkBytes ? remaining_ : kChunkBytes));
    const std::size_t got = chunk_.empty() ? 0 : std::fread(chunk_.data(), 1, chunk_.size(), file_);
    chunk_.resize(got);
    remaining_ -= got;
    chunkAt_ = 0;
    return got > 0;
}

bool LineReader::Next(std::string_view& line) {
    buffer_.clear();
    bool any = false;
    while (chunkAt_ < chunk_.size() || Refill()) {
        any = true;
        const char* start = chunk_.data() + chunkAt_;
        const std::size_t available = chunk_.size() - chunkAt_;
        const void* end = std::memchr(start, '\n', available);
        const std::size_t piece = end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - start) : available;
        if (buffer_.size() + piece > kMaxLineBytes) {
            ++lineNumber_;
            tooLong_ = true;
            return false;
        }
        buffer_.append(start, piece);
        chunkAt_ += piece;
        if (end != nullptr) {
            ++chunkAt_;  // the line end
            break;
        }
    }
    if (!any) return false;
    line = buffer_;
    if (++lineNumber_ == 1 && atFileStart_) SkipByteOrderMark(line);
    return true;
}

CheckedScript CheckScript(const std::string& name) {
    CheckedScript checked;
    const bool fromInput = name == "-";
    FilePtr opened(fromInput ? nullptr : std::fopen(name.c_str(), "rb"));
    std::FILE* source = fromInput ? stdin : opened.get();
    if (source == nullptr) {
        checked.readError = ReadError(name, errno);
        return checked;
    }
    struct stat info {};
    if (fstat(fileno(source), &info) == 0 && S_ISDIR(info.st_mode)) {
        checked.readError = ReadError(name, EISDIR);
        return checked;
    }
    if (!fromInput && IsRegularFile(source)) {
        const auto size = static_cast<std::uint64_t>(info.st_size);
        if (size < kHalvesFromBytes || !CheckInHalves(source, size, name, checked)) {
            if (std::fseek(source, 0, SEEK_SET) != 0) {
                checked.readError = ReadError(name, errno);
                return checked;
            }
            CheckLines(source, nullptr, name, checked);
        }
        if (checked.readError.empty() && !checked.syntaxError && std::fseek(source, 0, SEEK_SET) != 0) {
            checked.readError = ReadError(name, errno);
        }
        checked.file = std::move(opened);
        return checked;
    }
    FilePtr spool(std::tmpfile());
    if (!spool) {
        checked.readError = "cannot make a temporary copy of " + name + ": " + std::strerror(errno);
        return checked;
    }
    CheckLines(source, spool.get(), name, checked);
    if (checked.readError.empty() && (std::fflush(spool.get()) != 0 || std::fseek(spool.get(), 0, SEEK_SET) != 0)) {
        checked.readError = "cannot copy " + name + " to a temporary file: " + std::strerror(errno);
    }
    checked.file = std::move(spool);
    return checked;
}

int RunCheckedScript(CheckedScript& script, ScriptRunner& runner, const std::string& shownName, std::FILE* err) {
    WarnOfInvalidUtf8(script.invalidUtf8, runner);
    LineReader reader(script.file.get());
    std::string_view line;
    PlainCall plain;
    while (reader.Next(line)) {
        if (ReadPlainCall(line, plain)) {
            if (!runner.StepPlain(plain, reader.lineNumber())) return 1;
            continue;
        }
        LineResult result;
        SyntaxError error;
        if (!ParseLine(line, reader.lineNumber(), result, error)) {
            std::fprintf(err, "%s:%d: syntax error: %s\n", shownName.c_str(), error.line, error.message.c_str());
            return 2;
        }
        if (result.isStatement && !runner.Step(result.statement)) return 1;
    }
    if (reader.TooLong()) {
        const SyntaxError error = LineTooLong(reader.lineNumber());
        std::fprintf(err, "%s:%d: syntax error: %s\n", shownName.c_str(), error.line, error.message.c_str());
        return 2;
    }
    if (reader.Failed()) {
        std::fprintf(err, "vellum: %s\n", ReadError(shownName, errno).c_str());
        return 2;
    }
    runner.FinishScript();
    return 0;
}

}  // namespace vellum::script

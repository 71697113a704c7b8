// Reading a call script in two passes, so that memory follows the longest
// line rather than the whole script: the first pass checks every line's
// syntax and keeps nothing (a syntax error must stop the script before any
// call is made); the second parses and runs one line at a time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runner.h"
#include "script.h"

namespace vellum::script {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The longest line a script may have; longer ones are refused before
// anything runs rather than buffered without bound.
inline constexpr std::size_t kMaxLineBytes = 64u * 1024u * 1024u;

// Hands out the lines of a stream one at a time, without their line ends;
// a UTF-8 byte-order mark before the first line is dropped.
class LineReader {
public:
    explicit LineReader(std::FILE* file) : file_(file) {}
    // Reads at most `limit` bytes. A reader that starts inside a file (not at
    // its first line) must not take a byte-order mark off its first line.
    LineReader(std::FILE* file, std::uint64_t limit, bool atFileStart)
        : file_(file), remaining_(limit), atFileStart_(atFileStart) {}

    // False at the end of the stream, when reading failed (see Failed) or at
    // a line longer than kMaxLineBytes (see TooLong).
    bool Next(std::string_view& line);
    int lineNumber() const { return lineNumber_; }
    bool Failed() const { return std::ferror(file_) != 0; }
    bool TooLong() const { return tooLong_; }

private:
    bool Refill();

    std::FILE* file_;
    std::string buffer_;      // the line being assembled
    std::string chunk_;       // read ahead from the stream
    std::size_t chunkAt_ = 0; // first byte of chunk_ not yet handed out
    std::uint64_t remaining_ = UINT64_MAX;
    bool atFileStart_ = true;
    int lineNumber_ = 0;
    bool tooLong_ = false;
};

// Lines that are not valid UTF-8, found by the first pass: the first few by
// line and column, the rest only counted, so that memory stays bounded.
struct InvalidUtf8Lines {
    static constexpr std::size_t kNamed = 10;
    struct Line {
        int line;
        std::size_t column;  // 1-based, in bytes
    };
    std::vector<Line> first;  // up to kNamed + 1, the last one marking where the unnamed ones begin
    std::uint64_t count = 0;

    void Add(int line, std::size_t column);
    // Those of a later part of the file, whose lines start after `linesBefore`.
    void Append(const InvalidUtf8Lines& later, int linesBefore);
};

// The outcome of the first pass.
struct CheckedScript {
    FilePtr file;                             // at its start, ready for the second pass
    std::string readError;                    // set when the script could not be read
    std::optional<SyntaxError> syntaxError;   // the first faulty line
    InvalidUtf8Lines invalidUtf8;
};

// Opens the script `name` ("-" for standard input) and checks every line.
// A regular file is read again for the second pass; standard input, a pipe or
// a device cannot be, so it is copied to an anonymous temporary file as it is
// checked. A large regular file is checked in two halves at once.
CheckedScript CheckScript(const std::string& name);

// The second pass: warns of the lines that are not valid UTF-8, then parses
// and runs each line in turn. Exit status 0, 1 when a failing call stopped
// the script, 2 when the script changed since it was checked and a line no
// longer parses (reported on `err` as a syntax error).
int RunCheckedScript(CheckedScript& script, ScriptRunner& runner, const std::string& shownName, std::FILE* err);

}  // namespace vellum::script

// Reading a call script in two passes, so that memory follows the longest
// line rather than the whole script: the first pass checks every line's
// syntax and keeps nothing (a syntax error must stop the script before any
// call is made); the second parses and runs one line at a time.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "runner.h"
#include "script.h"

namespace vellum::script {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Hands out the lines of a stream one at a time, without their line ends;
// a UTF-8 byte-order mark before the first line is dropped.
class LineReader {
public:
    explicit LineReader(std::FILE* file) : file_(file) {}
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // False at the end of the stream or when reading failed (see Failed).
    bool Next(std::string_view& line);
    int lineNumber() const { return lineNumber_; }
    bool Failed() const { return std::ferror(file_) != 0; }

private:
    std::FILE* file_;
    char* buffer_ = nullptr;
    std::size_t capacity_ = 0;
    int lineNumber_ = 0;
};

// The outcome of the first pass.
struct CheckedScript {
    FilePtr file;                             // at its start, ready for the second pass
    std::string readError;                    // set when the script could not be read
    std::optional<SyntaxError> syntaxError;   // the first faulty line
};

// Opens the script `name` ("-" for standard input) and checks every line.
// A regular file is read again for the second pass; standard input, a pipe or
// a device cannot be, so it is copied to an anonymous temporary file as it is
// checked.
CheckedScript CheckScript(const std::string& name);

// The second pass: parses and runs each line in turn. Exit status 0, 1 when a
// failing call stopped the script, 2 when the script changed since it was
// checked and a line no longer parses (reported on `err` as a syntax error).
int RunCheckedScript(CheckedScript& script, ScriptRunner& runner, const std::string& shownName, std::FILE* err);

}  // namespace vellum::script

#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "output_sink.h"

namespace vellum {

// The destination of a saved file, taking the bytes in pieces as they are
// written. Every failure throws EngineError "Cannot create file "PATH". REASON".
//
// A regular file (new or existing, also behind a symbolic link) is written to
// a temporary file in its folder, unnamed where the system allows, so that a
// process killed mid-save leaves nothing behind; where it does not, the
// temporary file is named, and a later save into the folder removes one that
// a dead process left. Commit flushes the file to disk, gives it the owner,
// group and permission bits of the file it replaces (the owner and group
// where the user may), renames it over the target and flushes the folder, so
// a failure or a power cut never leaves a truncated file nor destroys the
// previous one. Until Commit, destruction removes the temporary file. An
// existing file without write permission, a dangling symbolic link and a link
// loop are refused, and so is a file whose folder takes no new file.
//
// Pipes and devices cannot be replaced by a rename and are written in place
// (writing to standard output is a real use). They are opened without
// blocking, so a pipe that nobody reads fails at once instead of hanging, and
// a reader that goes away fails the write instead of killing the process.
class OutputFile final : public OutputSink {
public:
    explicit OutputFile(const std::string& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Write(std::string_view bytes) override;
    void Commit();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The whole of `bytes` saved at path as OutputFile does.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace vellum

// Helpers shared by the test programs: scratch folders, external PDF tools
// and zlib inflation, so tests read our output with independent readers.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace vellum::test {

// A fresh folder under the test build's scratch area, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string File(std::string_view name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

struct CommandResult {
    int status = -1;
    std::string output;  // standard output and standard error together
};

// Runs a shell command line and collects what it prints.
CommandResult RunCommand(const std::string& commandLine);

// Single-quotes a path for the shell.
std::string ShellQuote(std::string_view text);

// `qpdf --check` passes with no warning and our structural checker
// (pdf_structure.h) finds nothing; on failure, the report. An encrypted file
// that needs a password is opened with `password`; the checker also reads
// every encrypted file decrypted by qpdf.
::testing::AssertionResult QpdfCheckIsClean(const std::string& pdfPath, const std::string& password = "");

// Our own structural checker (pdf_structure.h) finds nothing wrong.
::testing::AssertionResult PdfStructureIsSound(std::string_view pdfBytes);

// One field of `pdfinfo` ("Title", "Author", ...), its value as printed.
std::string PdfInfoField(const std::string& pdfPath, std::string_view field);

std::string ReadFile(const std::string& path);
// The message of the std::runtime_error the call throws; empty when it throws none.
std::string ThrownMessage(const std::function<void()>& call);
void WriteFile(const std::string& path, std::string_view bytes);

// Inflates a zlib stream; throws on a damaged stream.
std::string Inflate(std::string_view compressed);

}  // namespace vellum::test

#include <gtest/gtest.h>

#include "test_support.h"

#include <sys/wait.h>
#include <zlib.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "pdf_structure.h"

namespace vellum::test {
namespace {

std::filesystem::path ScratchRoot() {
    const char* configured = std::getenv("VELLUM_TEST_TMP");
    std::filesystem::path root = configured ? configured : std::filesystem::temp_directory_path() / "vellum-tests";
    std::filesystem::create_directories(root);
    return root;
}

}  // namespace

ScratchFolder::ScratchFolder() {
    static std::atomic<int> counter{0};
    path_ = ScratchRoot() / ("scratch-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ignored);
    std::filesystem::remove_all(path_, ignored);
}

CommandResult RunCommand(const std::string& commandLine) {
    CommandResult result;
    FILE* pipe = popen((commandLine + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    size_t count;
    while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, count);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string ShellQuote(std::string_view text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

::testing::AssertionResult QpdfCheckIsClean(const std::string& pdfPath, const std::string& password) {
    // The password only for files that need one: qpdf refuses a wrong one
    // even where no password is needed.
    std::string passwordOption;
    CommandResult result = RunCommand("qpdf --check " + ShellQuote(pdfPath));
    if (!password.empty() && result.output.find("invalid password") != std::string::npos) {
        passwordOption = " --password=" + ShellQuote(password);
        result = RunCommand("qpdf --check" + passwordOption + " " + ShellQuote(pdfPath));
    }
    const bool warned = result.output.find("WARNING") != std::string::npos;
    if (result.status != 0 || warned) {
        return ::testing::AssertionFailure() << "qpdf --check " << pdfPath << " exited " << result.status << ":\n"
                                             << result.output;
    }
    // Our own checker too, on every file a test has qpdf check.
    std::vector<std::string> problems = PdfStructureProblems(ReadFile(pdfPath));
    if (result.output.find("File is not encrypted") == std::string::npos) {
        // Encrypted streams are read by the checker once qpdf has decrypted them.
        const std::string decrypted = pdfPath + ".decrypted.pdf";
        const CommandResult decrypt = RunCommand("qpdf --decrypt" + passwordOption + " " + ShellQuote(pdfPath) + " " +
                                                 ShellQuote(decrypted));
        if (decrypt.status != 0) problems.push_back("qpdf --decrypt failed: " + decrypt.output);
        for (const std::string& problem : PdfStructureProblems(ReadFile(decrypted))) {
            problems.push_back("decrypted: " + problem);
        }
        std::remove(decrypted.c_str());
    }
    if (problems.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "structure of " << pdfPath << ":\n" << DescribeProblems(problems);
}

std::string PdfInfoField(const std::string& pdfPath, std::string_view field) {
    const CommandResult result = RunCommand("pdfinfo -enc Latin1 " + ShellQuote(pdfPath));
    std::istringstream lines(result.output);
    const std::string prefix = std::string(field) + ":";
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(prefix, 0) != 0) continue;
        const auto start = line.find_first_not_of(' ', prefix.size());
        return start == std::string::npos ? "" : line.substr(start);
    }
    return "<no " + std::string(field) + " field>";
}

std::string ThrownMessage(const std::function<void()>& call) {
    try {
        call();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "";
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Inflate(std::string_view compressed) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) throw std::runtime_error("inflateInit failed");
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    stream.avail_in = static_cast<uInt>(compressed.size());
    std::string plain;
    char buffer[16384];
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        status = inflate(&stream, Z_NO_FLUSH);
        plain.append(buffer, sizeof buffer - stream.avail_out);
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END) throw std::runtime_error("damaged zlib stream");
    return plain;
}

::testing::AssertionResult PdfStructureIsSound(std::string_view pdfBytes) {
    const std::vector<std::string> problems = PdfStructureProblems(pdfBytes);
    if (problems.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << DescribeProblems(problems);
}

}  // namespace vellum::test

// W1 text workload through the engine, for timing and peak-memory runs:
//   w1_write PAGES file PATH   writes the document with SaveToFile
//   w1_write PAGES bytes       builds the byte array (one block, as GetPDFContent
//                              does) and prints its size
//   w1_write PAGES build       builds the document only: its own memory
// With W1_ENCRYPT set to a method (AES-256, AES-128, RC4-128) the document is
// encrypted, so a write's encryption can be timed against a plain one.
// Each page holds 60 lines of 80 characters in Helvetica 10 pt (see the
// shared workload description); the text comes from the fixed generator.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "document.h"

namespace {

class LineGenerator {
public:
    std::string Next() {
        std::string line;
        while (line.size() < 80) {
            if (!line.empty()) line += ' ';
            const std::uint32_t length = 2 + Draw(8);
            for (std::uint32_t i = 0; i < length; ++i) line += static_cast<char>('a' + Draw(26));
        }
        line.resize(80);
        return line;
    }

private:
    std::uint32_t Draw(std::uint32_t n) {
        state_ = state_ * 1664525u + 1013904223u;
        return (state_ >> 16) % n;
    }
    std::uint32_t state_ = 12345;
};

void FillW1(vellum::TPDFDoc& doc, int pages) {
    doc.ResetDocument();
    if (const char* method = std::getenv("W1_ENCRYPT")) doc.Encrypt({"user", "owner", "print", method});
    doc.SetUnitOfMeasure("pdfu");
    doc.SelectFont("Helvetica");
    doc.SetFontHeight(10);
    LineGenerator lines;
    for (int page = 1; page <= pages; ++page) {
        if (page > 1) doc.NewPage();
        vellum::TPage& current = doc.Page(page);
        for (int i = 0; i < 60; ++i) current.TextOut(lines.Next(), 50, 40 + 12.5 * i);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PAGES file PATH | PAGES bytes\n", argv[0]);
        return 2;
    }
    const int pages = std::atoi(argv[1]);
    const std::string_view mode = argv[2];
    try {
        vellum::TPDFDoc doc;
        FillW1(doc, pages);
        if (mode == "file" && argc >= 4) {
            doc.SaveToFile(argv[3]);
        } else if (mode == "bytes") {
            doc.SaveToByteArray(vellum::kMaxByteArrayBytes,
                                [](vellum::MallocBlock, std::size_t size) { std::printf("%zu\n", size); });
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}

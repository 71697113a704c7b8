// Writes that fail keep the document: a retry gives the bytes a first
// successful write would have given. Outputs beyond their format's limits
// fail clearly instead of being cut or overflowing.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "document.h"
#include "errors.h"
#include "test_support.h"

namespace vellum {
namespace {

class FixedClock {
public:
    FixedClock() { setenv("SOURCE_DATE_EPOCH", "1767225600", 1); }
    ~FixedClock() { unsetenv("SOURCE_DATE_EPOCH"); }
};

// A document with what a write settles in it: outline entries (numbered only
// when written), an empty Creator and Producer (filled with defaults) and the
// catalog's names.
void BuildSample(TPDFDoc& doc) {
    doc.ResetDocument();
    doc.RequireInfo().Title = "Retry";
    doc.SetUseOutlines(true);
    for (int page = 1; page <= 3; ++page) {
        if (page > 1) doc.NewPage();
        AppendContent(doc.Page(page), "BT /F0 12 Tf 1 0 0 1 50 700 Tm (page " + std::to_string(page) + ") Tj ET\r\n");
    }
    const std::int32_t top = doc.Outlines->AddChildOutline({1, 0, 0, 0}, "First", -1);
    doc.Outlines->AddChildOutline({2, 0, 0, 0}, "Below", top);
    doc.Outlines->AddChildOutline({3, 0, 0, 0}, "Second", -1);
}

std::string ReferenceBytes() {
    TPDFDoc doc;
    BuildSample(doc);
    return doc.SaveToByteArray();
}

// Offsets listed in a file's cross-reference table.
std::vector<std::uint64_t> CrossReferenceOffsets(const std::string& pdf) {
    const std::size_t table = std::stoull(pdf.substr(pdf.rfind("startxref\r\n") + 11));
    std::size_t line = pdf.find("65535 f\r\n", table) + 9;
    std::vector<std::uint64_t> offsets;
    while (pdf.compare(line, 7, "trailer") != 0) {
        offsets.push_back(std::stoull(pdf.substr(line, 10)));
        line += 20;
    }
    return offsets;
}

std::uint64_t LastObjectOffset(const std::string& pdf) {
    std::uint64_t last = 0;
    for (const std::uint64_t offset : CrossReferenceOffsets(pdf)) last = offset > last ? offset : last;
    return last;
}

TEST(FailedWrite, KeepsTheDocumentSoThatARetryWritesTheSameBytes) {
    FixedClock clock;
    test::ScratchFolder scratch;
    const std::string reference = ReferenceBytes();
    const std::string readOnly = scratch.File("read-only.pdf");
    test::WriteFile(readOnly, "kept");
    chmod(readOnly.c_str(), 0444);
    const std::uint64_t lastOffset = LastObjectOffset(reference);

    struct Case {
        const char* name;
        std::function<void(TPDFDoc&)> failingWrite;
        std::string message;
    };
    const std::string missing = scratch.File("missing/out.pdf");
    const auto noDelivery = [](MallocBlock, std::size_t) {};
    const Case cases[] = {
        {"file in a missing folder", [&](TPDFDoc& doc) { doc.SaveToFile(missing); },
         "Cannot create file \"" + missing + "\". No such file or directory"},
        {"read-only file", [&](TPDFDoc& doc) { doc.SaveToFile(readOnly); },
         "Cannot create file \"" + readOnly + "\". Permission denied"},
        {"file past the offset limit",
         [&](TPDFDoc& doc) { doc.SaveToFile(scratch.File("big.pdf"), {.maxObjectOffset = lastOffset - 1}); },
         "Cannot write the document: the file would be larger than " + std::to_string(lastOffset - 1) +
             " bytes, the largest offset its cross-reference table can hold"},
        {"byte array past its limit", [&](TPDFDoc& doc) { doc.SaveToByteArray(reference.size() - 1, noDelivery); },
         "The document is too large for a byte array: it would exceed " + std::to_string(reference.size() - 1) +
             " bytes"},
        {"byte array that cannot be delivered",
         [&](TPDFDoc& doc) {
             doc.SaveToByteArray(kMaxByteArrayBytes,
                                 [](MallocBlock, std::size_t) { throw EngineError("no array for you"); });
         },
         "no array for you"},
        {"byte array past the offset limit",
         [&](TPDFDoc& doc) { doc.SaveToByteArray({.maxObjectOffset = 100}); },
         "Cannot write the document: the file would be larger than 100 bytes, the largest offset its "
         "cross-reference table can hold"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TPDFDoc doc;
        BuildSample(doc);
        try {
            c.failingWrite(doc);
            ADD_FAILURE() << "the write succeeded";
        } catch (const EngineError& error) {
            EXPECT_EQ(error.what(), c.message);
        }
        ASSERT_FALSE(doc.IsCleared());
        const std::string retried = scratch.File("retried.pdf");
        doc.SaveToFile(retried);
        EXPECT_TRUE(doc.IsCleared());
        EXPECT_EQ(test::ReadFile(retried), reference);
    }
    EXPECT_EQ(test::ReadFile(readOnly), "kept");
    EXPECT_FALSE(test::ReadFile(scratch.File("retried.pdf")).empty());
    EXPECT_TRUE(test::QpdfCheckIsClean(scratch.File("retried.pdf")));
}

// The limits are exact: output that just fits is written whole.
TEST(FailedWrite, LimitsThatJustFitAreMet) {
    FixedClock clock;
    const std::string reference = ReferenceBytes();
    TPDFDoc doc;
    BuildSample(doc);
    EXPECT_EQ(doc.SaveToByteArray({.maxObjectOffset = LastObjectOffset(reference)}), reference);

    BuildSample(doc);
    std::string delivered;
    doc.SaveToByteArray(reference.size(), [&](MallocBlock bytes, std::size_t size) {
        delivered.assign(bytes.get(), size);
    });
    EXPECT_EQ(delivered, reference);
    EXPECT_TRUE(doc.IsCleared());
}

}  // namespace
}  // namespace vellum

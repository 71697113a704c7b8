// Eight threads, each with its own objects, build the same documents with
// pictures, fonts, links and outlines for a fixed number of rounds. Built
// for ThreadSanitizer (its own label): any data race between objects fails
// the run, and with SOURCE_DATE_EPOCH set every output must be byte for byte
// the single-threaded one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "automation_support.h"
#include "com/safearray.h"
#include "pdf_structure.h"
#include "test_support.h"

namespace vellum::test {
namespace {

constexpr int kThreads = 8;
constexpr int kRounds = 6;
constexpr const char* kSans = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";
constexpr const char* kSerif = "/usr/share/fonts/truetype/liberation/LiberationSerif-Bold.ttf";

// A 3x2 24-bit bitmap written from the format: rows bottom-up, padded to four bytes.
std::string SmallBitmap() {
    std::string bmp = "BM";
    auto le32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bmp += static_cast<char>(v >> (8 * i) & 0xFF);
    };
    auto le16 = [&](std::uint16_t v) {
        bmp += static_cast<char>(v & 0xFF);
        bmp += static_cast<char>(v >> 8);
    };
    le32(54 + 24), le32(0), le32(54);
    le32(40), le32(3), le32(2), le16(1), le16(24), le32(0), le32(24), le32(2835), le32(2835), le32(0), le32(0);
    bmp += std::string("\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF\x00\x00\x00", 12);
    bmp += std::string("\xFF\xFF\xFF\x80\x80\x80\x00\x00\x00\x00\x00\x00", 12);
    return bmp;
}

std::u16string Wide(const std::string& text) { return Utf8ToUtf16(text); }

// Checks a call's result: any failure stops the document with its message.
#define CALL(expression)                                                     \
    do {                                                                     \
        const HRESULT hr = (expression);                                     \
        if (FAILED(hr)) return "failed: " #expression ": " + LastErrorDescription(); \
    } while (0)

// One round's document through the automation object, as a byte array.
std::string BuildDocument(const std::string& picture, int round) {
    ComPtr<IPDFDocument> doc = NewObject();
    const BStr title(Wide("Stress " + std::to_string(round)));
    CALL(doc->NewPDF(title.get()));
    const BStr sansName(Wide("Sans")), sansFile(Wide(kSans)), serifName(Wide("Serif")), serifFile(Wide(kSerif));
    BStr resource;
    CALL(doc->AddFont(sansName.get(), sansFile.get(), resource.put()));
    BStr resource2;
    CALL(doc->AddFontMonospaced(serifName.get(), serifFile.get(), 550, resource2.put()));
    const BStr pictureFile(Wide(picture));
    LONG image = -1;
    CALL(doc->ImportImageAsResource(pictureFile.get(), 80, &image));
    // Enough pages that those left behind are compressed on the document's
    // own thread, and a return to one of them.
    for (int page = 1; page <= 20; ++page) {
        if (page > 1) CALL(doc->AddPage());
        CALL(doc->put_FontName(page % 2 ? sansName.get() : serifName.get()));
        CALL(doc->put_ParagraphWidth(120));
        const BStr text(Wide("Page " + std::to_string(page) + " of round " + std::to_string(round) +
                             ": a paragraph long enough to wrap over several lines of the page."));
        CALL(doc->TextOut(text.get(), 20, 30));
        CALL(doc->DrawImageResource(20, 80, 30, 20, image));
        CALL(doc->DrawCircle(1, 1, 1, 100, 150, 20 + page));
        CALL(doc->CreateLink_Internal(20, 200, 60, 210, 1, 0, 0, 255, page % 4 + 1));
        const BStr uri(Wide("https://example.org/" + std::to_string(page)));
        CALL(doc->CreateLink_Internet(70, 200, 110, 210, 1, 255, 0, 0, uri.get()));
        const BStr entry(Wide("Page " + std::to_string(page)));
        LONG id = 0;
        CALL(doc->AddChildOutline(page, 100, 10, 10, entry.get(), page > 1 ? 1 : -1, &id));
    }
    for (const LONG back : {17, 2}) {
        CALL(doc->SetCurrentPage(back));
        const BStr footer(Wide("Back on page " + std::to_string(back) + " in round " + std::to_string(round)));
        CALL(doc->TextOut(footer.get(), 20, 250));
    }
    ScopedVariant content;
    CALL(doc->GetPDFContent(content.get()));
    SAFEARRAY* bytes = content.get()->parray;
    void* data = nullptr;
    LONG upper = -1;
    SafeArrayGetUBound(bytes, 1, &upper);
    SafeArrayAccessData(bytes, &data);
    std::string pdf(static_cast<const char*>(data), static_cast<std::size_t>(upper + 1));
    SafeArrayUnaccessData(bytes);
    return pdf;
}
#undef CALL

class ThreadStress : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
        picture = scratch.File("small.bmp");
        WriteFile(picture, SmallBitmap());
    }

    ScratchFolder scratch;
    std::string picture;
};

TEST_F(ThreadStress, EightThreadsWriteWhatOneThreadWrites) {
    std::vector<std::string> expected;
    for (int round = 0; round < kRounds; ++round) expected.push_back(BuildDocument(picture, round));
    for (const std::string& pdf : expected) {
        ASSERT_TRUE(pdf.starts_with("%PDF-")) << pdf;
        ASSERT_TRUE(PdfStructureIsSound(pdf));
    }
    const std::string sample = scratch.File("sample.pdf");
    WriteFile(sample, expected[0]);
    EXPECT_TRUE(QpdfCheckIsClean(sample));

    std::vector<std::vector<std::string>> outputs(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) outputs[t].push_back(BuildDocument(picture, round));
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) {
        for (int round = 0; round < kRounds; ++round) {
            EXPECT_TRUE(outputs[t][round] == expected[round]) << "thread " << t << ", round " << round << ": "
                                                               << outputs[t][round].substr(0, 200);
        }
    }
}

}  // namespace
}  // namespace vellum::test

// Page content compressed on several threads gives the very same file as on
// one, and documents written at the same time on different threads do not
// disturb each other.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "document.h"
#include "errors.h"
#include "format.h"
#include "page_compression.h"
#include "parked_pages.h"
#include "stream_store.h"
#include "test_support.h"

namespace vellum {
namespace {

// Pages of different sizes (some empty, some large) with text that compresses
// unevenly, so threads finish out of order.
void BuildManyPages(TPDFDoc& doc, int pages, std::uint32_t seed) {
    doc.ResetDocument();
    std::uint32_t state = seed;
    for (int page = 1; page <= pages; ++page) {
        if (page > 1) doc.NewPage();
        const int lines = page % 7 == 0 ? 0 : static_cast<int>(page * 13 % 200);
        std::string text;
        for (int line = 0; line < lines; ++line) {
            text += "BT 50 " + std::to_string(800 - line) + " Td (";
            for (int i = 0; i < 40; ++i) {
                state = state * 1664525u + 1013904223u;
                text += static_cast<char>('a' + (state >> 16) % (page % 3 == 0 ? 3 : 26));
            }
            text += ") Tj ET\r\n";
        }
        AppendContent(doc.Page(page), text);
    }
}

std::string Written(int pages, std::uint32_t seed, unsigned threads) {
    TPDFDoc doc;
    BuildManyPages(doc, pages, seed);
    return doc.SaveToByteArray({.compressionThreads = threads});
}

TEST(PageCompression, ThreadCountNeverChangesTheBytes) {
    setenv("SOURCE_DATE_EPOCH", "1767225600", 1);
    const std::string single = Written(300, 7, 1);
    for (const unsigned threads : {2u, 3u, 8u, 0u}) {
        EXPECT_EQ(Written(300, 7, threads), single) << threads << " threads";
    }
    unsetenv("SOURCE_DATE_EPOCH");

    test::ScratchFolder scratch;
    test::WriteFile(scratch.File("many.pdf"), single);
    EXPECT_TRUE(test::QpdfCheckIsClean(scratch.File("many.pdf")));
    EXPECT_EQ(test::PdfInfoField(scratch.File("many.pdf"), "Pages"), "300");
}

TEST(PageCompression, StreamsComeInPageOrderAndInflateToThePageText) {
    std::vector<std::string> texts;
    std::size_t total = 0;
    for (int i = 0; i < 100; ++i) {
        texts.push_back(std::string(static_cast<std::size_t>(i) * 997 % 20000, static_cast<char>('a' + i % 26)) +
                        std::to_string(i));
        total += texts.back().size();
    }
    PageStreams streams([&](std::size_t i) -> std::string_view { return texts[i]; }, texts.size(), total, 4);
    EXPECT_EQ(streams.ThreadCount(), 4u);
    for (const std::string& text : texts) EXPECT_EQ(test::Inflate(streams.Next()), text);
}

// Pages left behind are compressed early and only their streams kept; a page
// the caller goes back to (or a write that fails and is tried again) must
// give the very bytes of a document that never parked anything.
TEST(ParkedPages, ParkingNeverChangesTheBytesNorLosesText) {
    setenv("SOURCE_DATE_EPOCH", "1767225600", 1);
    std::vector<std::string> files;
    for (const std::size_t parkFrom : {std::size_t{1}, std::size_t{16}, ~std::size_t{0}}) {
        TPDFDoc doc;
        doc.ParkFromPages = parkFrom;
        BuildManyPages(doc, 120, 11);
        // Pages left before parking began are parked with the rest.
        EXPECT_EQ((*doc.Pages)[0].IsParked, parkFrom <= 120);
        const std::string page3 = doc.Page(3).PageValue;
        for (const int page : {3, 120, 3, 60}) {
            doc.SetCurrentPage(page);
            AppendContent(doc.CurrentPageRef(), "% back on page " + std::to_string(page) + "\r\n");
        }
        doc.SetCurrentPage(100);
        EXPECT_EQ(doc.Page(3).PageValue, page3 + "% back on page 3\r\n% back on page 3\r\n");
        EXPECT_THROW(doc.SaveToByteArray({.maxObjectOffset = 100}), EngineError);
        AppendContent(doc.CurrentPageRef(), "% drawn after a failed write\r\n");
        files.push_back(doc.SaveToByteArray());
    }
    unsetenv("SOURCE_DATE_EPOCH");
    EXPECT_EQ(files[0], files[2]);
    EXPECT_EQ(files[1], files[2]);
}

// The text waiting for the compressing thread stays bounded however fast
// pages come, and every page comes back whole, compressed or not.
TEST(ParkedPages, WaitingTextIsBoundedAndEveryPageComesBack) {
    ParkedPages parked(1);
    std::vector<std::string> texts;
    for (int i = 0; i < 40; ++i) {
        std::string text(200'000 + static_cast<std::size_t>(i), static_cast<char>('a' + i % 26));
        text += std::to_string(i);
        texts.push_back(text);
        parked.Park(static_cast<std::size_t>(i), text);
        EXPECT_TRUE(text.empty());
        EXPECT_LE(parked.WaitingBytes(), 512u * 1024 + texts.back().size());
    }
    EXPECT_EQ(parked.Unpark(39), texts[39]);  // possibly before its compression
    EXPECT_TRUE(parked.Finish().empty());
    // A new page gets the block of a compressed one, emptied.
    const std::string spare = parked.TakeSpareText();
    EXPECT_TRUE(spare.empty());
    EXPECT_GE(spare.capacity(), 200'000u);
    for (std::size_t i = 0; i < 39; ++i) {
        ASSERT_TRUE(parked.StreamOf(i).has_value());
        EXPECT_EQ(test::Inflate(*parked.StreamOf(i)), texts[i]);
    }
    EXPECT_EQ(parked.Unpark(7), texts[7]);
    EXPECT_FALSE(parked.IsParked(7));
    EXPECT_FALSE(parked.StreamOf(39).has_value());
}

// Streams are packed into shared blocks; each copy must stay whole and in
// place however many blocks follow, a stream larger than a block included.
TEST(StreamStore, CopiesStayWholeAndInPlace) {
    StreamStore store;
    std::vector<std::pair<std::string, std::string_view>> kept;
    for (std::size_t i = 0; i < 400; ++i) {
        const std::size_t size = i == 150 ? 5'000'000 : i * 7919 % 30'000;
        std::string bytes(size, static_cast<char>('a' + i % 26));
        const std::string_view copy = store.Add(bytes);
        kept.emplace_back(std::move(bytes), copy);
    }
    std::size_t total = 0;
    for (const auto& [bytes, copy] : kept) {
        ASSERT_EQ(copy, bytes);
        total += bytes.size();
    }
    EXPECT_EQ(store.BytesHeld(), total);
}

// A page parked again keeps its new stream apart, freed when it comes back:
// going to and fro between pages must not pile streams up in the store.
TEST(ParkedPages, GoingBackAndForthDoesNotFillTheStore) {
    ParkedPages parked(1);
    std::string text = std::string(50'000, 'x') + "page";
    const std::string original = text;
    parked.Park(0, text);
    parked.Finish();
    const std::size_t stored = parked.StoredBytes();
    EXPECT_GT(stored, 0u);
    for (int round = 0; round < 200; ++round) {
        text = parked.Unpark(0);
        ASSERT_EQ(text, original);
        parked.Park(0, text);
    }
    EXPECT_TRUE(parked.Finish().empty());
    EXPECT_EQ(parked.StoredBytes(), stored);
    EXPECT_EQ(test::Inflate(*parked.StreamOf(0)), original);
}

TEST(PageCompression, SmallDocumentsStayOnTheCallingThread) {
    EXPECT_EQ(CompressionThreadsFor(3, 100 * 1024 * 1024), 1u);
    EXPECT_EQ(CompressionThreadsFor(10000, 1000), 1u);
    EXPECT_GE(CompressionThreadsFor(500, 5 * 1024 * 1024), 1u);
}

TEST(PageCompression, DocumentsWrittenAtOnceOnDifferentThreadsMatchOneWrittenAlone) {
    setenv("SOURCE_DATE_EPOCH", "1767225600", 1);
    const std::string expected[] = {Written(120, 1, 1), Written(120, 2, 1)};
    std::vector<std::string> results(6);
    std::vector<std::thread> writers;
    for (std::size_t i = 0; i < results.size(); ++i) {
        writers.emplace_back([&results, i] { results[i] = Written(120, static_cast<std::uint32_t>(1 + i % 2), 0); });
    }
    for (std::thread& writer : writers) writer.join();
    unsetenv("SOURCE_DATE_EPOCH");
    for (std::size_t i = 0; i < results.size(); ++i) EXPECT_EQ(results[i], expected[i % 2]) << "writer " << i;
}

}  // namespace
}  // namespace vellum

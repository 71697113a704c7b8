// Micro-benchmarks of the engine's hot paths: number formatting and writing.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "document.h"
#include "format.h"

namespace {

using vellum::NumberPattern;

// Values as drawing code produces them: coordinates, colour fractions, sizes.
std::vector<double> SampleValues() {
    std::vector<double> values;
    std::uint32_t state = 12345;
    for (int i = 0; i < 1024; ++i) {
        state = state * 1664525u + 1013904223u;
        values.push_back((state >> 8) / double(1 << 24) * 842.0 - 20.0);
    }
    return values;
}

void FormatWithPattern(benchmark::State& state, const NumberPattern& pattern) {
    const std::vector<double> values = SampleValues();
    std::string out;
    std::size_t i = 0;
    for (auto _ : state) {
        out.clear();
        vellum::AppendPdfNumber(out, pattern, values[i++ & 1023]);
        benchmark::DoNotOptimize(out.data());
    }
}

void BM_FormatCoordinate(benchmark::State& state) { FormatWithPattern(state, vellum::pattern::kCoordinate); }
void BM_FormatTwoPlaces(benchmark::State& state) { FormatWithPattern(state, vellum::pattern::kTwoPlaces); }
void BM_FormatUpToTwoPlaces(benchmark::State& state) { FormatWithPattern(state, vellum::pattern::kUpToTwoPlaces); }
void BM_FormatThreePlaces(benchmark::State& state) { FormatWithPattern(state, vellum::pattern::kThreePlaces); }
BENCHMARK(BM_FormatCoordinate);
BENCHMARK(BM_FormatTwoPlaces);
BENCHMARK(BM_FormatUpToTwoPlaces);
BENCHMARK(BM_FormatThreePlaces);

// The string-pattern entry point, which parses the pattern on every call.
void BM_FormatPdfNumberByPatternText(benchmark::State& state) {
    const std::vector<double> values = SampleValues();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(vellum::FormatPdfNumber("0.####", values[i++ & 1023]));
    }
}
BENCHMARK(BM_FormatPdfNumberByPatternText);

// Values that sit on a decimal tie take the exact path.
void BM_FormatDecimalTie(benchmark::State& state) {
    std::string out;
    for (auto _ : state) {
        out.clear();
        vellum::AppendPdfNumber(out, vellum::pattern::kTwoPlaces, 2.675);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_FormatDecimalTie);

// Starting a document and writing it with its one empty page: what a server
// making many small documents pays for each.
void BM_OnePageDocument(benchmark::State& state) {
    for (auto _ : state) {
        vellum::TPDFDoc doc;
        doc.ResetDocument();
        const std::string pdf = doc.SaveToByteArray();
        benchmark::DoNotOptimize(pdf.data());
    }
}
BENCHMARK(BM_OnePageDocument)->Unit(benchmark::kMicrosecond);

// A 1000-page document with a few lines of operators per page, built and written.
void BM_Write1000Pages(benchmark::State& state) {
    for (auto _ : state) {
        vellum::TPDFDoc doc;
        doc.ResetDocument();
        for (int page = 1; page <= 1000; ++page) {
            if (page > 1) doc.NewPage();
            vellum::TPage& current = doc.Page(page);
            for (int line = 0; line < 20; ++line) {
                std::string text = "BT /F1 12 Tf 1 0 0 1 ";
                vellum::AppendPdfNumber(text, vellum::pattern::kCoordinate, 56.7);
                text += ' ';
                vellum::AppendPdfNumber(text, vellum::pattern::kCoordinate, 800.0 - line * 14.2);
                text += " Tm (Line of sample text on a page) Tj ET\r\n";
                vellum::AppendContent(current, text);
            }
        }
        const std::string pdf = doc.SaveToByteArray();
        benchmark::DoNotOptimize(pdf.data());
        state.counters["bytes"] = static_cast<double>(pdf.size());
    }
}
BENCHMARK(BM_Write1000Pages)->Unit(benchmark::kMillisecond);

// The W1 text workload: 500 pages of 60 lines of 80 generated characters in
// Helvetica 10 pt, one text block per line.
std::string NextW1Line(std::uint32_t& state) {
    const auto draw = [&state](std::uint32_t n) {
        state = state * 1664525u + 1013904223u;
        return (state >> 16) % n;
    };
    std::string line;
    while (line.size() < 80) {
        if (!line.empty()) line += ' ';
        const std::uint32_t length = 2 + draw(8);
        for (std::uint32_t i = 0; i < length; ++i) line += static_cast<char>('a' + draw(26));
    }
    line.resize(80);
    return line;
}

void BuildW1(vellum::TPDFDoc& doc, int pages) {
    doc.ResetDocument();
    doc.SetUnitOfMeasure("pdfu");
    doc.SelectFont("Helvetica");
    doc.SetFontHeight(10);
    std::uint32_t state = 12345;
    for (int page = 1; page <= pages; ++page) {
        if (page > 1) doc.NewPage();
        vellum::TPage& current = doc.Page(page);
        for (int i = 0; i < 60; ++i) current.TextOut(NextW1Line(state), 50, 40 + 12.5 * i);
    }
}

// Built and written as GetPDFContent does; the argument is the number of
// compression threads (0: chosen by the document's size).
void BM_W1BuildAndWrite(benchmark::State& state) {
    const auto threads = static_cast<unsigned>(state.range(0));
    for (auto _ : state) {
        vellum::TPDFDoc doc;
        BuildW1(doc, 500);
        std::size_t written = 0;
        doc.SaveToByteArray(vellum::kMaxByteArrayBytes, [&](vellum::MallocBlock, std::size_t size) { written = size; },
                            {.compressionThreads = threads});
        state.counters["bytes"] = static_cast<double>(written);
    }
}
BENCHMARK(BM_W1BuildAndWrite)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// The write alone, the document built outside the timing.
void BM_W1Write(benchmark::State& state) {
    const auto threads = static_cast<unsigned>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        vellum::TPDFDoc doc;
        BuildW1(doc, 500);
        state.ResumeTiming();
        doc.SaveToByteArray(vellum::kMaxByteArrayBytes, [](vellum::MallocBlock, std::size_t) {},
                            {.compressionThreads = threads});
    }
}
BENCHMARK(BM_W1Write)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

std::vector<std::string> W1PageTexts() {
    vellum::TPDFDoc doc;
    BuildW1(doc, 500);
    std::vector<std::string> texts;
    for (const vellum::TPage& page : *doc.Pages) texts.push_back(page.PageValue);
    return texts;
}

// Compression alone, the floor under any writer of this content: the
// compressor the writer uses, and zlib with one reused stream for comparison.
void BM_CompressW1Content(benchmark::State& state) {
    const std::vector<std::string> texts = W1PageTexts();
    vellum::Compressor compressor;
    std::string scratch;
    for (auto _ : state) {
        std::size_t total = 0;
        for (const std::string& text : texts) total += compressor.Compress(text, scratch).size();
        state.counters["compressed"] = static_cast<double>(total);
    }
}
BENCHMARK(BM_CompressW1Content)->Unit(benchmark::kMillisecond);

void BM_CompressW1ContentZlib(benchmark::State& state) {
    const std::vector<std::string> texts = W1PageTexts();
    z_stream stream{};
    deflateInit(&stream, Z_DEFAULT_COMPRESSION);
    std::string out;
    for (auto _ : state) {
        std::size_t total = 0;
        for (const std::string& text : texts) {
            deflateReset(&stream);
            out.resize(deflateBound(&stream, text.size()));
            stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
            stream.avail_in = static_cast<uInt>(text.size());
            stream.next_out = reinterpret_cast<Bytef*>(out.data());
            stream.avail_out = static_cast<uInt>(out.size());
            deflate(&stream, Z_FINISH);
            total += out.size() - stream.avail_out;
        }
        state.counters["compressed"] = static_cast<double>(total);
    }
    deflateEnd(&stream);
}
BENCHMARK(BM_CompressW1ContentZlib)->Unit(benchmark::kMillisecond);

// 500 paragraphs of 120 words each, as one text.
std::string LongText() {
    std::string text;
    std::uint32_t state = 12345;
    for (int paragraph = 0; paragraph < 500; ++paragraph) {
        for (int word = 0; word < 120; ++word) {
            state = state * 1664525u + 1013904223u;
            const int length = 2 + static_cast<int>((state >> 16) % 8);
            if (word > 0) text += ' ';
            for (int i = 0; i < length; ++i) {
                state = state * 1664525u + 1013904223u;
                text += static_cast<char>('a' + (state >> 16) % 26);
            }
        }
        text += "\r\n";
    }
    return text;
}

void SetUpJustifiedText(vellum::TPDFDoc& doc) {
    doc.ResetDocument();
    doc.SetUnitOfMeasure("mm");
    doc.SelectFont("Times-Roman");
    doc.SetParagraphWidth(170);
    doc.SetParagraphLeading(5);
    doc.SetParagraphAlignment(vellum::Alignment::Full);
}

void BM_TextOutExJustified(benchmark::State& state) {
    const std::string text = LongText();
    for (auto _ : state) {
        vellum::TPDFDoc doc;
        SetUpJustifiedText(doc);
        doc.Page(1).TextOutEx(text, 20, 20);
        benchmark::DoNotOptimize(doc.Page(1).PageValue.data());
    }
}
BENCHMARK(BM_TextOutExJustified)->Unit(benchmark::kMillisecond);

void BM_GetTextBoxLines(benchmark::State& state) {
    const std::string text = LongText();
    vellum::TPDFDoc doc;
    SetUpJustifiedText(doc);
    for (auto _ : state) benchmark::DoNotOptimize(doc.Page(1).GetTextBoxLines(text));
}
BENCHMARK(BM_GetTextBoxLines)->Unit(benchmark::kMillisecond);

// One paragraph of 20,000 words: wrapping stays linear in its length.
void BM_WrapOneLongParagraph(benchmark::State& state) {
    std::string text;
    for (int word = 0; word < state.range(0); ++word) text += "word ";
    vellum::TPDFDoc doc;
    SetUpJustifiedText(doc);
    for (auto _ : state) benchmark::DoNotOptimize(doc.Page(1).GetTextBoxLines(text));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_WrapOneLongParagraph)->Range(1000, 64000)->Complexity(benchmark::oN)->Unit(benchmark::kMicrosecond);

}  // namespace

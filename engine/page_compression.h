// Page content streams, compressed in page order for the writer. A document
// with many pages or much content is compressed on a few threads started for
// this one write (never more than the cores this process may use), each page
// into its own buffer, handed over strictly in order: the file's bytes never
// depend on how many threads took part. Nothing is shared between writes, so
// documents written at the same time on different threads do not meet here.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

namespace vellum {

class PageStreams {
public:
    using TextOf = std::function<std::string_view(std::size_t page)>;
    using ReadyStreamOf = std::function<std::optional<std::string_view>(std::size_t page)>;

    // textOf(i) is the uncompressed text of page i (0-based), read from any
    // of the threads while this object lives; readyStreamOf(i), when given,
    // names a stream already made for page i, which is then used as it is.
    // threads 0 chooses by the size of the work; 1 compresses on the calling
    // thread only.
    PageStreams(TextOf textOf, std::size_t pageCount, std::size_t totalBytes, unsigned threads = 0,
                ReadyStreamOf readyStreamOf = {});
    ~PageStreams();
    PageStreams(const PageStreams&) = delete;
    PageStreams& operator=(const PageStreams&) = delete;

    // The zlib stream of the next page; valid until the next call.
    std::string_view Next();

    unsigned ThreadCount() const;

private:
    class Pool;
    struct Serial;
    std::unique_ptr<Pool> pool_;
    std::unique_ptr<Serial> serial_;
};

// Threads worth using for a write of pageCount pages holding totalBytes of
// content: 1 for small documents, else up to the usable cores.
unsigned CompressionThreadsFor(std::size_t pageCount, std::size_t totalBytes);

// Threads worth giving to compression beside a caller that keeps working:
// the usable cores but one, at least one, at most three.
unsigned CompressionHelpers();

}  // namespace vellum

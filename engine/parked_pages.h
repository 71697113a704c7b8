// Pages the caller has moved away from, compressed while the caller builds
// the next ones. Once a page is compressed only its stream is kept, so a
// long document holds about the size of its output instead of all its page
// text, and the writer finds most streams ready. A page the caller comes back
// to gets its text back by inflating the stream. Streams are made by the same
// compressor as the writer's, so the file's bytes do not depend on whether or
// when a page was parked.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vellum {

class ParkedPages {
public:
    // Compresses on up to `threads` threads of its own (started on the first
    // page), and on the caller's thread when the raw text waiting for them
    // passes a bound.
    explicit ParkedPages(unsigned threads);
    ~ParkedPages();  // stops and joins the threads
    ParkedPages(const ParkedPages&) = delete;
    ParkedPages& operator=(const ParkedPages&) = delete;

    // Takes page `index`'s text to be compressed, leaving `text` empty; when
    // it throws (no memory), `text` is untouched and the page not parked.
    void Park(std::size_t index, std::string& text);
    bool IsParked(std::size_t index) const;
    // Page `index`'s text again, no longer parked. Waits for a compression
    // under way; throws (bad_alloc) leaving the page parked when the text
    // cannot be restored.
    std::string Unpark(std::size_t index);

    // Compresses whatever is still waiting, with the threads, and returns the
    // pages whose compression failed (still parked, their text kept).
    std::vector<std::size_t> Finish();
    // The stream of a parked page that has one.
    std::optional<std::string_view> StreamOf(std::size_t index) const;

    // An empty text with the block of a page compressed earlier, for a new
    // page to grow into without fresh memory; empty without a block when
    // there is none.
    std::string TakeSpareText();

    // Text bytes held for pages not yet compressed, and stream bytes kept in
    // the shared store (for tests and measurement).
    std::size_t WaitingBytes() const;
    std::size_t StoredBytes() const;

private:
    class State;
    std::unique_ptr<State> state_;
};

}  // namespace vellum

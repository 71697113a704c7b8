// Where the compressed streams of parked pages are kept: appended once, read
// by the writer, freed all together with the store. Streams are packed into
// large blocks instead of one allocation each. Every block after the first is
// asked for in huge pages where the system offers them: filling fresh memory
// costs a page fault per 4 KiB otherwise, which on some machines is most of
// the cost of holding a long document's output.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace vellum {

class StreamStore {
public:
    StreamStore() = default;
    ~StreamStore();
    StreamStore(const StreamStore&) = delete;
    StreamStore& operator=(const StreamStore&) = delete;

    // A copy of `bytes` that stays put while the store lives; throws
    // std::bad_alloc when no block can be had.
    std::string_view Add(std::string_view bytes);

    std::size_t BytesHeld() const { return held_; }

private:
    struct Block {
        char* data = nullptr;
        std::size_t size = 0;
        std::size_t used = 0;
        bool mapped = false;  // from the system's page mapping, not the heap
    };
    Block& BlockWithRoom(std::size_t bytes);

    std::vector<Block> blocks_;
    std::size_t held_ = 0;
};

}  // namespace vellum

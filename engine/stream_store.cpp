#include "stream_store.h"

#include <cstdint>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace vellum {
namespace {

// The first block is of ordinary pages and holds a short document's streams
// whole; a huge page is resident in full once touched, which would more than
// double what such a document holds.
constexpr std::size_t kFirstBlockBytes = 512 * 1024;
constexpr std::size_t kHugePageBytes = 2 * 1024 * 1024;

#if defined(__linux__)
// `size` bytes (a multiple of kHugePageBytes) aligned to a huge page, the
// kernel asked to back them with huge pages; null when no mapping is had.
char* MapHugeBlock(std::size_t size) {
    const std::size_t padded = size + kHugePageBytes;
    void* mapping = mmap(nullptr, padded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(mapping);
    const std::uintptr_t aligned = (start + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
    if (aligned > start) munmap(mapping, aligned - start);
    const std::uintptr_t end = start + padded;
    if (end > aligned + size) munmap(reinterpret_cast<void*>(aligned + size), end - (aligned + size));
    madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);  // a hint: without it, ordinary pages
    return reinterpret_cast<char*>(aligned);
}
#endif

}  // namespace

StreamStore::~StreamStore() {
    for (const Block& block : blocks_) {
#if defined(__linux__)
        if (block.mapped) {
            munmap(block.data, block.size);
            continue;
        }
#endif
        delete[] block.data;
    }
}

StreamStore::Block& StreamStore::BlockWithRoom(std::size_t bytes) {
    if (!blocks_.empty() && blocks_.back().size - blocks_.back().used >= bytes) return blocks_.back();
    blocks_.reserve(blocks_.size() + 1);  // before the block, so that it cannot leak
    Block block;
    if (blocks_.empty() && bytes <= kFirstBlockBytes) {
        block.size = kFirstBlockBytes;
    } else {
        block.size = (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
#if defined(__linux__)
        block.data = MapHugeBlock(block.size);
        block.mapped = block.data != nullptr;
#endif
    }
    if (block.data == nullptr) block.data = new char[block.size];
    blocks_.push_back(block);
    return blocks_.back();
}

std::string_view StreamStore::Add(std::string_view bytes) {
    Block& block = BlockWithRoom(bytes.size());
    char* const copy = block.data + block.used;
    if (!bytes.empty()) std::memcpy(copy, bytes.data(), bytes.size());
    block.used += bytes.size();
    held_ += bytes.size();
    return {copy, bytes.size()};
}

}  // namespace vellum

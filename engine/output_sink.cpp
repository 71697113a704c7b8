#include "output_sink.h"

#include <cstdlib>
#include <cstring>

#include "errors.h"

namespace vellum {

void MallocFree::operator()(void* block) const noexcept { std::free(block); }

GrowingBufferSink::GrowingBufferSink(std::size_t limit, std::string_view what) : limit_(limit), what_(what) {}

void GrowingBufferSink::Write(std::string_view bytes) {
    if (bytes.empty()) return;
    if (bytes.size() > limit_ - size_) {
        throw EngineError("The document is too large for a " + what_ + ": it would exceed " +
                          std::to_string(limit_) + " bytes");
    }
    if (bytes.size() > capacity_ - size_) Grow(size_ + bytes.size());
    std::memcpy(block_.get() + size_, bytes.data(), bytes.size());
    size_ += bytes.size();
}

void GrowingBufferSink::Grow(std::size_t needed) {
    // Doubling keeps appends amortised constant; capacity that is never
    // written to is never touched, so it costs address space, not memory.
    std::size_t capacity = capacity_ < 64 * 1024 ? 64 * 1024 : capacity_;
    while (capacity < needed) capacity = capacity > limit_ / 2 ? limit_ : capacity * 2;
    if (capacity > limit_) capacity = limit_;
    void* grown = std::realloc(block_.get(), capacity);
    if (grown == nullptr) {
        throw EngineError("Not enough memory for a " + what_ + " of " + std::to_string(needed) + " bytes");
    }
    (void)block_.release();
    block_.reset(static_cast<char*>(grown));
    capacity_ = capacity;
}

MallocBlock GrowingBufferSink::Release() {
    if (size_ > 0 && size_ < capacity_) {
        // Shrinking in place cannot fail for want of memory; keep the larger
        // block if the C library declines.
        if (void* trimmed = std::realloc(block_.get(), size_)) {
            (void)block_.release();
            block_.reset(static_cast<char*>(trimmed));
        }
    }
    size_ = 0;
    capacity_ = 0;
    return std::move(block_);
}

}  // namespace vellum

// Where the writer's bytes go. The writer hands over the file in pieces, in
// order; a sink either passes them on (a file descriptor, see file_output.h)
// or keeps them (one growing block, a string). A sink that cannot take more
// throws EngineError, and the writer stops.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vellum {

class OutputSink {
public:
    virtual void Write(std::string_view bytes) = 0;

protected:
    ~OutputSink() = default;
};

// Appends to a string the caller owns.
class StringSink final : public OutputSink {
public:
    explicit StringSink(std::string& out) : out_(out) {}
    void Write(std::string_view bytes) override { out_.append(bytes); }

private:
    std::string& out_;
};

// A block from std::malloc, so that a new owner can release it with std::free.
struct MallocFree {
    void operator()(void* block) const noexcept;
};
using MallocBlock = std::unique_ptr<char, MallocFree>;

// Keeps every byte in one block grown with std::realloc: large blocks grow by
// remapping pages, not by copying, so the peak stays near the final size.
// Refuses to grow past `limit` bytes and reports a block that cannot be had,
// naming `what` ("byte array") in the message.
class GrowingBufferSink final : public OutputSink {
public:
    explicit GrowingBufferSink(std::size_t limit, std::string_view what = "byte array");

    void Write(std::string_view bytes) override;

    std::size_t Size() const { return size_; }
    std::string_view View() const { return {block_.get(), size_}; }

    // The finished bytes, trimmed to their size; the sink is empty afterwards.
    MallocBlock Release();

private:
    void Grow(std::size_t needed);

    MallocBlock block_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    std::size_t limit_;
    std::string what_;
};

}  // namespace vellum

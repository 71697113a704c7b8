// A table from glyph ids or BMP characters (below 0x10000) to what a font
// says of them, filled as they are first asked for: a font's character map
// and advances are read once per document instead of once per character
// drawn. Pages of 256 entries are made on first use, so a font used for a
// few characters costs a few kilobytes.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

namespace vellum {

template <class T>
class GlyphTable {
public:
    static constexpr std::uint32_t kSize = 0x10000;

    // The entry for key, nullptr when key is beyond the table.
    const T* Find(std::uint32_t key) const {
        if (key >= kSize) return nullptr;
        const auto& page = pages_[key >> 8];
        return page != nullptr && page->known[key & 0xFF] ? &page->values[key & 0xFF] : nullptr;
    }
    // Keeps value for key (keys beyond the table are not kept).
    void Keep(std::uint32_t key, const T& value) {
        if (key >= kSize) return;
        auto& page = pages_[key >> 8];
        if (page == nullptr) page = std::make_unique<Page>();
        page->values[key & 0xFF] = value;
        page->known[key & 0xFF] = true;
    }
    // The entry for key, made by make(key) the first time.
    template <class Make>
    T Get(std::uint32_t key, Make&& make) {
        if (const T* found = Find(key)) return *found;
        T value = make(key);
        Keep(key, value);
        return value;
    }

private:
    struct Page {
        std::array<T, 256> values{};
        std::array<bool, 256> known{};
    };
    std::array<std::unique_ptr<Page>, kSize / 256> pages_;
};

}  // namespace vellum

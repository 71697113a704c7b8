// Things made from font files, each held once per document however often its
// file is added: found again by the file's stamp (where it is, its size and
// when it last changed) without reading it, or after reading by its content,
// so a copy under another name is held once too.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "file_input.h"

namespace vellum {

// What finds a file again without reading it. Empty when any part of it
// cannot be learnt.
std::string FileStamp(const std::string& fileName);

// T has Bytes(): the file's content.
template <class T>
class HeldFontFiles {
public:
    // What is held for the file, or make(bytes) for bytes nothing holds yet.
    // make may throw, or return nullptr for a file not worth keeping (then
    // nothing is kept and nullptr is returned).
    template <class Make>
    std::shared_ptr<T> Open(const std::string& fileName, std::size_t maxBytes, Make&& make) {
        const std::string stamp = FileStamp(fileName);
        if (!stamp.empty()) {
            if (const auto found = byStamp_.find(stamp); found != byStamp_.end()) return found->second;
        }
        std::string bytes = ReadWholeFile(fileName, maxBytes);
        const std::size_t hash = std::hash<std::string_view>{}(bytes);
        std::shared_ptr<T> held;
        const auto [first, last] = byContent_.equal_range(hash);
        for (auto it = first; it != last && !held; ++it) {
            if (it->second->Bytes() == bytes) held = it->second;
        }
        if (!held) {
            held = make(std::move(bytes));
            if (!held) return held;
            byContent_.emplace(hash, held);
        }
        if (!stamp.empty()) byStamp_.emplace(stamp, held);
        return held;
    }

private:
    std::map<std::string, std::shared_ptr<T>> byStamp_;
    std::unordered_multimap<std::size_t, std::shared_ptr<T>> byContent_;
};

}  // namespace vellum

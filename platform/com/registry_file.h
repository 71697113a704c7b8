// The file that holds the registry store. It must be a regular file (a
// symbolic link is followed to one); anything else is refused rather than
// read or replaced. Reads are bounded and never wait on a pipe or device;
// writes replace the file atomically and durably.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "types.h"

namespace vellum::registry {

// The largest store read or written; the real one holds a few kilobytes.
inline constexpr std::size_t kMaxStoreBytes = 16u * 1024u * 1024u;

// Why the store could not be used: a registry error code and a sentence
// naming the store's path.
struct StoreFailure {
    LONG code = 0;
    std::string description;
};

// The store's text, or "" when there is no store yet. False with `failure`
// set when the store cannot be read.
bool ReadStoreFile(const std::string& path, std::string& text, StoreFailure& failure);

// Replaces the store with `text` through a temporary file in the same folder,
// creating the folders of a fresh configuration. False with `failure` set
// when it cannot; the old store is then left as it was.
bool ReplaceStoreFile(const std::string& path, std::string_view text, StoreFailure& failure);

}  // namespace vellum::registry

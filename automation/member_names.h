// Which member names a misspelt one most likely meant. The command-line
// client and the Python module both suggest names from here, so a user sees
// the same suggestions whichever way the object is driven. Pure data work:
// no COM types, so anything can include it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vellum {

// Levenshtein distance between two names, ignoring ASCII letter case.
inline std::size_t NameDistance(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    std::vector<std::size_t> row(b.size() + 1);
    std::iota(row.begin(), row.end(), std::size_t{0});
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t substitute = diagonal + (lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1);
            diagonal = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, substitute});
        }
    }
    return row[b.size()];
}

// Up to three of `candidates` close to `name`, nearest first (ties in name
// order); none when no name is close enough to be a likely misspelling.
inline std::vector<std::string> NearestNames(std::string_view name, const std::vector<std::string>& candidates) {
    // Farther than this, a name is a different word rather than a misspelling.
    const std::size_t limit = std::max<std::size_t>(2, name.size() / 3);
    std::vector<std::pair<std::size_t, std::string>> near;
    for (const std::string& candidate : candidates) {
        const std::size_t distance = NameDistance(name, candidate);
        if (distance <= limit) near.emplace_back(distance, candidate);
    }
    std::sort(near.begin(), near.end());
    near.erase(std::unique(near.begin(), near.end()), near.end());
    std::vector<std::string> nearest;
    for (std::size_t i = 0; i < near.size() && i < 3; ++i) nearest.push_back(near[i].second);
    return nearest;
}

}  // namespace vellum

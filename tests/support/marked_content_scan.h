// The marked-content sequences of one page's content as a reader pairs
// them, for the tagged-structure checker (tagged_structure.h).
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "pdf_objects.h"

namespace vellum::test::pdf {

// The MCIDs `content` marks. Adds to `problems`, each line starting with
// `page`: unbalanced EMCs, a tagged sequence or artifact inside another, an
// MCID marking two sequences, drawing outside tagged content and artifacts
// (once an operator). `properties` is the page's /Properties resource
// dictionary, for BDCs that name theirs.
std::set<std::int64_t> ScanMarkedContent(std::string_view content, std::string page, const Value& properties,
                                         ObjectFile& file, std::vector<std::string>& problems);

}  // namespace vellum::test::pdf

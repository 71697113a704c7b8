#pragma once

#include <ctime>
#include <string>

namespace vellum {

// "yyyymmddhhnnss" of the moment given, in local time.
std::string FormatCreationDate(const std::tm& moment);

// The creation date of a document written now: local time, or the UTC moment
// named by SOURCE_DATE_EPOCH (decimal seconds) for reproducible output.
std::string CreationDateText();

}  // namespace vellum

#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace vellum {

// The moment SOURCE_DATE_EPOCH names (decimal seconds), which reproducible
// output uses instead of the clock; nullopt when it is unset or malformed.
std::optional<std::time_t> ReproducibleMoment();

// "yyyymmddhhnnss" of the moment given, in local time.
std::string FormatCreationDate(const std::tm& moment);

// The creation date of a document written now: local time, or the UTC moment
// named by SOURCE_DATE_EPOCH (decimal seconds) for reproducible output.
std::string CreationDateText();

}  // namespace vellum

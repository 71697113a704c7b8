// SASLprep (RFC 4013) through libidn's stringprep, for AES-256 passwords:
// the same password typed on any system gives the same bytes.
#include <idn-free.h>
#include <stringprep.h>

#include <memory>

#include "encryption.h"
#include "errors.h"

namespace vellum {

std::string SaslPrep(std::string_view utf8, std::string_view which) {
    // The library reads C strings: a NUL would silently cut the password short.
    if (utf8.find('\0') != std::string_view::npos) {
        throw EngineError("The " + std::string(which) + " password holds a NUL character");
    }
    char* prepared = nullptr;
    // Unassigned code points are allowed, as for queries: readers prepare
    // what their users type the same way.
    const int status = stringprep_profile(std::string(utf8).c_str(), &prepared, "SASLprep",
                                          static_cast<Stringprep_profile_flags>(0));
    const std::unique_ptr<char, decltype(&idn_free)> owned(prepared, &idn_free);
    if (status != STRINGPREP_OK) {
        throw EngineError("The " + std::string(which) + " password cannot be used for AES-256: SASLprep refuses it (" +
                          stringprep_strerror(static_cast<Stringprep_rc>(status)) + ")");
    }
    return prepared;
}

}  // namespace vellum

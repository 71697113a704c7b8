#pragma once

#include <stdexcept>
#include <string>

namespace vellum {

// Every failure of the engine is one of these, carrying a message for the caller.
class EngineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Rejects NaN and infinities before they reach a document: `what` names the
// value in the message ("page width", "paragraph leading", ...).
void RequireFinite(double value, const char* what);

}  // namespace vellum

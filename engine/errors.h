#pragma once

#include <stdexcept>
#include <string>

namespace vellum {

// Every failure of the engine is one of these, carrying a message for the caller.
class EngineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace vellum

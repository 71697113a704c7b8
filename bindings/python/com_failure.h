// A failed call on its way to Python, where it becomes vellum.COMError.
#pragma once

#include <optional>
#include <string>

#include "com/types.h"

namespace vellum::python {

struct ComFailure {
    HRESULT code;
    std::string description;
    std::optional<std::string> source;  // absent when the object gave none
};

}  // namespace vellum::python

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
    int argument = 0;                   // 1-based position of the argument at fault; 0 for none
};

// Failures that are the caller's mistake in the arguments rather than the
// object's: Python sees them as TypeErrors too.
inline bool IsArgumentFailure(HRESULT code) {
    return code == DISP_E_BADPARAMCOUNT || code == DISP_E_TYPEMISMATCH || code == DISP_E_OVERFLOW ||
           code == DISP_E_PARAMNOTFOUND;
}

}  // namespace vellum::python

// Python values to and from automation variants. Python's None goes in as
// VT_EMPTY, the "missing" value late-bound hosts pass; bool as VT_BOOL; int
// as VT_I4 when it fits and VT_R8 otherwise; float as VT_R8 (infinities and
// NaN unchanged, so the library's own checks see them); str as a UTF-16 BSTR;
// bytes-like objects as a byte array (VT_ARRAY | VT_UI1). Every function here
// needs the GIL.
#pragma once

#include <pybind11/pybind11.h>

#include "com/raii.h"

namespace vellum::python {

// Fills *target (VT_EMPTY on entry) from value; throws pybind11::type_error
// for a value with no variant form and pybind11::error_already_set or
// std::bad_alloc when a conversion fails.
void ToVariant(pybind11::handle value, VARIANT* target);

// The Python value of a variant; throws pybind11::type_error for a variant
// type that has no Python form here.
pybind11::object FromVariant(const VARIANT& value);

}  // namespace vellum::python

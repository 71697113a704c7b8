// The manual's description of each member of IPDFDocument as plain text,
// compiled into the module so that help() shows it wherever the package is.
#pragma once

#include <pybind11/pybind11.h>

namespace vellum::python {

// Member name -> description.
pybind11::dict MemberDocs();

}  // namespace vellum::python

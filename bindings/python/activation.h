// Creating the automation object for Python: by ProgID through the registry,
// and, when the PDFDocument ProgID is not registered, from the library file
// found beside the module (see LibraryCandidates).
#pragma once

#include <string>
#include <vector>

#include "com/interfaces.h"
#include "com/raii.h"
#include "com_failure.h"

namespace vellum::python {

// Where the library is looked for when no ProgID is registered: only the
// file VELLUM_LIBRARY names, when it is set; otherwise, in order, the
// module's own folder, the folder of the platform library the module was
// loaded with, and the folders the build gave relative to the module (the
// build tree's, the installed tree's).
std::vector<std::string> LibraryCandidates();

// The object's IDispatch; throws ComFailure. An empty libraryPath means:
// the registered class, else the first candidate that exists.
ComPtr<IDispatch> CreateObject(const std::string& progId, const std::string& libraryPath);

}  // namespace vellum::python

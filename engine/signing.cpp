// Placeholder until the feature is built.
#include "document.h"
#include "errors.h"

namespace vellum {

void TPDFDoc::Sign(const SignatureRequest&) { throw EngineError("Not available yet"); }

}  // namespace vellum

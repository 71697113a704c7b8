// Placeholder until the feature is built.
#include "document.h"
#include "errors.h"

namespace vellum {

void TPDFDoc::Encrypt(const EncryptionRequest&) { throw EngineError("Not available yet"); }

}  // namespace vellum

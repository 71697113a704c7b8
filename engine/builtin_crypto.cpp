// Linked into programs that carry the OpenSSL code themselves (tests,
// benchmarks, fuzzing): installs it before main, so no module needs loading.
#include "crypto_services.h"

namespace {

const bool installed = [] {
    vellum::crypto::InstallCryptoServices(vellum::crypto::LinkedCryptoServices());
    return true;
}();

}  // namespace

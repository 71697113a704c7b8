// The cryptography module's one entry point. Module and library come from the
// same build, so the interface is the C++ one of crypto_services.h.
#include "crypto_services.h"

extern "C" __attribute__((visibility("default"))) const vellum::crypto::CryptoServices* VellumCryptoServices() {
    return &vellum::crypto::LinkedCryptoServices();
}

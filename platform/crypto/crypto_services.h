// The cryptography of crypto.h as a table of functions. On Linux the library
// loads it from the module Vellum_Crypto.so beside itself the first time a
// document is encrypted or signed (crypto_dispatch.cpp), so that processes
// that never do so never load libcrypto; programs that link the OpenSSL code
// in (tests, benchmarks, fuzzing) install it instead.
#pragma once

#include "crypto.h"

namespace vellum::crypto {

struct CryptoServices {
    void (*randomBytes)(std::span<std::uint8_t> out);
    std::size_t (*digestSize)(Hash hash);
    void* (*digestNew)(Hash hash);
    void (*digestUpdate)(void* digest, ByteView data);
    Bytes (*digestFinish)(void* digest);
    void (*digestFree)(void* digest);
    Bytes (*rc4)(ByteView key, ByteView data);
    Bytes (*aesCbcEncrypt)(ByteView key, ByteView iv, ByteView data, Padding padding);
    Bytes (*aesCbcDecrypt)(ByteView key, ByteView iv, ByteView data, Padding padding);
    Bytes (*aesEcbEncrypt)(ByteView key, ByteView data);
    std::shared_ptr<const SigningIdentity> (*fromPkcs12)(ByteView pkcs12, std::string_view password);
};

// The OpenSSL code, where it is linked in (crypto_openssl.cpp).
const CryptoServices& LinkedCryptoServices();
// Makes `services` the cryptography of this process: for programs that link
// it in, before they use it.
void InstallCryptoServices(const CryptoServices& services);

inline constexpr const char* kCryptoModuleFileName = "Vellum_Crypto.so";
inline constexpr const char* kCryptoServicesSymbol = "VellumCryptoServices";
using CryptoServicesEntry = const CryptoServices* (*)();

}  // namespace vellum::crypto

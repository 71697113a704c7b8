// The OpenSSL code behind crypto_services.h (crypto_openssl.cpp,
// signing_openssl.cpp); see crypto.h for what each does.
#pragma once

#include "crypto.h"

namespace vellum::crypto::openssl {

void RandomBytes(std::span<std::uint8_t> out);
std::size_t DigestSize(Hash hash);
void* DigestNew(Hash hash);
void DigestUpdate(void* digest, ByteView data);
Bytes DigestFinish(void* digest);
void DigestFree(void* digest);
Bytes Rc4(ByteView key, ByteView data);
Bytes AesCbcEncrypt(ByteView key, ByteView iv, ByteView data, Padding padding);
Bytes AesCbcDecrypt(ByteView key, ByteView iv, ByteView data, Padding padding);
Bytes AesEcbEncrypt(ByteView key, ByteView data);
std::shared_ptr<const SigningIdentity> IdentityFromPkcs12(ByteView pkcs12, std::string_view password);

}  // namespace vellum::crypto::openssl

// The cryptography seam over OpenSSL's libcrypto (3.x): hashes and ciphers
// through the EVP interface, random bytes from the kernel (getrandom). RC4
// lives in OpenSSL's legacy provider, which is loaded into a library context
// of its own, so the rest of the process keeps the default configuration.
#include "crypto_openssl.h"
#include "crypto_services.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/provider.h>
#include <sys/random.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace vellum::crypto {
namespace {

[[noreturn]] void Fail(const std::string& what) {
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    std::string message = "Cryptography failed: " + what;
    if (code != 0) {
        char reason[256];
        ERR_error_string_n(code, reason, sizeof reason);
        message += " (";
        message += reason;
        message += ")";
    }
    throw CryptoError(message);
}

void Require(bool done, const char* what) {
    if (!done) Fail(what);
}

int ChunkSize(std::size_t size) {
    if (size > static_cast<std::size_t>(INT_MAX - 64)) throw CryptoError("Cryptography failed: data too long");
    return static_cast<int>(size);
}

template <class T>
const T* Available(const T* algorithm, const char* name) {
    if (algorithm == nullptr) Fail(std::string(name) + " is not available");
    return algorithm;
}

// Each algorithm is fetched once, when first used, and kept for the process:
// OpenSSL 3 would otherwise look it up again at every use, which costs more
// than hashing or encrypting a short string.
template <const char* kName>
const EVP_MD* FetchedDigest() {
    static const EVP_MD* const digest = EVP_MD_fetch(nullptr, kName, nullptr);
    return Available(digest, kName);
}

template <const char* kName>
const EVP_CIPHER* FetchedCipher() {
    static const EVP_CIPHER* const cipher = EVP_CIPHER_fetch(nullptr, kName, nullptr);
    return Available(cipher, kName);
}

constexpr char kMd5[] = "MD5", kSha256[] = "SHA2-256", kSha384[] = "SHA2-384", kSha512[] = "SHA2-512";
constexpr char kAes128Cbc[] = "AES-128-CBC", kAes256Cbc[] = "AES-256-CBC";
constexpr char kAes128Ecb[] = "AES-128-ECB", kAes256Ecb[] = "AES-256-ECB";

const EVP_MD* Algorithm(Hash hash) {
    switch (hash) {
        case Hash::Md5: return FetchedDigest<kMd5>();
        case Hash::Sha256: return FetchedDigest<kSha256>();
        case Hash::Sha384: return FetchedDigest<kSha384>();
        case Hash::Sha512: return FetchedDigest<kSha512>();
    }
    throw CryptoError("Cryptography failed: unknown hash");
}

struct CipherContext {
    CipherContext() : context(EVP_CIPHER_CTX_new()) { Require(context != nullptr, "cipher context"); }
    ~CipherContext() { EVP_CIPHER_CTX_free(context); }
    CipherContext(const CipherContext&) = delete;
    CipherContext& operator=(const CipherContext&) = delete;
    EVP_CIPHER_CTX* context;
};

// Runs a cipher already set up in `cipher` over data; output at most
// data.size() plus one block.
Bytes Run(CipherContext& cipher, ByteView data) {
    Bytes out(data.size() + EVP_MAX_BLOCK_LENGTH);
    int written = 0;
    if (!data.empty()) {
        Require(EVP_CipherUpdate(cipher.context, out.data(), &written, data.data(), ChunkSize(data.size())) == 1,
                "cipher update");
    }
    int last = 0;
    Require(EVP_CipherFinal_ex(cipher.context, out.data() + written, &last) == 1,
            "cipher final (data not a whole number of blocks, or wrong padding)");
    out.resize(static_cast<std::size_t>(written) + static_cast<std::size_t>(last));
    return out;
}

// The legacy provider's RC4, fetched once from a library context that holds
// only that provider.
const EVP_CIPHER* Rc4Cipher() {
    struct Legacy {
        OSSL_LIB_CTX* library = OSSL_LIB_CTX_new();
        OSSL_PROVIDER* provider = library != nullptr ? OSSL_PROVIDER_load(library, "legacy") : nullptr;
        EVP_CIPHER* rc4 = provider != nullptr ? EVP_CIPHER_fetch(library, "RC4", nullptr) : nullptr;
    };
    static const Legacy legacy;  // kept for the process
    if (legacy.rc4 == nullptr) Fail("RC4 is not available (OpenSSL's legacy provider did not load)");
    return legacy.rc4;
}

const EVP_CIPHER* Aes(std::size_t keySize, bool chained) {
    if (keySize == 16) return chained ? FetchedCipher<kAes128Cbc>() : FetchedCipher<kAes128Ecb>();
    if (keySize == 32) return chained ? FetchedCipher<kAes256Cbc>() : FetchedCipher<kAes256Ecb>();
    throw CryptoError("Cryptography failed: an AES key must hold 16 or 32 bytes");
}

Bytes AesCbc(ByteView key, ByteView iv, ByteView data, Padding padding, int encrypt) {
    const EVP_CIPHER* algorithm = Aes(key.size(), true);
    if (iv.size() != 16) throw CryptoError("Cryptography failed: an AES initialization vector must hold 16 bytes");
    CipherContext cipher;
    Require(EVP_CipherInit_ex(cipher.context, algorithm, nullptr, key.data(), iv.data(), encrypt) == 1, "AES setup");
    Require(EVP_CIPHER_CTX_set_padding(cipher.context, padding == Padding::Pkcs7 ? 1 : 0) == 1, "AES padding");
    return Run(cipher, data);
}

}  // namespace

namespace openssl {

// Straight from the kernel: OpenSSL's own generator would first have to be
// set up, which costs a short write more than all its random bytes.
void RandomBytes(std::span<std::uint8_t> out) {
    std::size_t filled = 0;
    while (filled < out.size()) {
        const ssize_t got = getrandom(out.data() + filled, out.size() - filled, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) throw CryptoError(std::string("Cryptography failed: no random bytes from the system (") +
                                        std::strerror(errno) + ")");
        filled += static_cast<std::size_t>(got);
    }
}

std::size_t DigestSize(Hash hash) { return static_cast<std::size_t>(EVP_MD_get_size(Algorithm(hash))); }

struct DigestState {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    ~DigestState() { EVP_MD_CTX_free(context); }
};

void* DigestNew(Hash hash) {
    auto state = std::make_unique<DigestState>();
    Require(state->context != nullptr && EVP_DigestInit_ex(state->context, Algorithm(hash), nullptr) == 1,
            "hash setup");
    return state.release();
}

void DigestUpdate(void* digest, ByteView data) {
    auto* state = static_cast<DigestState*>(digest);
    Require(EVP_DigestUpdate(state->context, data.data(), data.size()) == 1, "hash update");
}

Bytes DigestFinish(void* digest) {
    auto* state = static_cast<DigestState*>(digest);
    Bytes out(EVP_MAX_MD_SIZE);
    unsigned int size = 0;
    Require(EVP_DigestFinal_ex(state->context, out.data(), &size) == 1, "hash final");
    out.resize(size);
    return out;
}

void DigestFree(void* digest) { delete static_cast<DigestState*>(digest); }

Bytes Rc4(ByteView key, ByteView data) {
    if (key.empty() || key.size() > 16) throw CryptoError("Cryptography failed: an RC4 key must hold 1 to 16 bytes");
    CipherContext cipher;
    Require(EVP_EncryptInit_ex(cipher.context, Rc4Cipher(), nullptr, nullptr, nullptr) == 1 &&
                EVP_CIPHER_CTX_set_key_length(cipher.context, static_cast<int>(key.size())) == 1 &&
                EVP_EncryptInit_ex(cipher.context, nullptr, nullptr, key.data(), nullptr) == 1,
            "RC4 setup");
    return Run(cipher, data);
}

Bytes AesCbcEncrypt(ByteView key, ByteView iv, ByteView data, Padding padding) {
    return AesCbc(key, iv, data, padding, 1);
}

Bytes AesCbcDecrypt(ByteView key, ByteView iv, ByteView data, Padding padding) {
    return AesCbc(key, iv, data, padding, 0);
}

Bytes AesEcbEncrypt(ByteView key, ByteView data) {
    const EVP_CIPHER* algorithm = Aes(key.size(), false);
    CipherContext cipher;
    Require(EVP_EncryptInit_ex(cipher.context, algorithm, nullptr, key.data(), nullptr) == 1 &&
                EVP_CIPHER_CTX_set_padding(cipher.context, 0) == 1,
            "AES setup");
    return Run(cipher, data);
}

}  // namespace openssl

const CryptoServices& LinkedCryptoServices() {
    static const CryptoServices services{
        openssl::RandomBytes,   openssl::DigestSize,    openssl::DigestNew,     openssl::DigestUpdate,
        openssl::DigestFinish,  openssl::DigestFree,    openssl::Rc4,           openssl::AesCbcEncrypt,
        openssl::AesCbcDecrypt, openssl::AesEcbEncrypt, openssl::IdentityFromPkcs12,
    };
    return services;
}

}  // namespace vellum::crypto

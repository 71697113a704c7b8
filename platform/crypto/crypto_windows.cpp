// The cryptography seam over Windows' CNG (bcrypt): random bytes from the
// system's preferred generator, hashes and ciphers from the system's
// algorithm providers. A provider is opened once per algorithm (and chaining
// mode) and shared: CNG allows hashes and keys of one provider on several
// threads at once.
#include <windows.h>
#include <bcrypt.h>

#include <climits>
#include <cstdio>
#include <cwchar>

#include "crypto.h"

namespace vellum::crypto {
namespace {

bool Succeeded(NTSTATUS status) { return status >= 0; }

// The code, and the name of those a missing or refused algorithm gives.
std::string StatusText(NTSTATUS status) {
    struct Named {
        unsigned long code;
        const char* name;
    };
    static constexpr Named kNames[] = {{0xC0000002ul, "STATUS_NOT_IMPLEMENTED"},
                                       {0xC00000BBul, "STATUS_NOT_SUPPORTED"},
                                       {0xC0000225ul, "STATUS_NOT_FOUND"},
                                       {0xC000000Dul, "STATUS_INVALID_PARAMETER"},
                                       {0xC0000206ul, "STATUS_INVALID_BUFFER_SIZE"}};
    const auto code = static_cast<unsigned long>(status);
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", code);
    for (const Named& named : kNames) {
        if (named.code == code) return std::string(text) + " " + named.name;
    }
    return text;
}

[[noreturn]] void Fail(const std::string& what, const char* function, NTSTATUS status) {
    throw CryptoError("Cryptography failed: " + what + " (" + function + " returned " + StatusText(status) + ")");
}

void Require(NTSTATUS status, const std::string& what, const char* function) {
    if (!Succeeded(status)) Fail(what, function, status);
}

ULONG Length(std::size_t size) {
    if (size > static_cast<std::size_t>(ULONG_MAX - 64)) throw CryptoError("Cryptography failed: data too long");
    return static_cast<ULONG>(size);
}

// CNG takes input through non-const pointers without writing to it.
PUCHAR Input(ByteView data) { return const_cast<PUCHAR>(data.data()); }

// One algorithm provider, opened on first use and kept for the process. An
// algorithm the system lacks is reported when it is used, not when the
// library loads, so the other algorithms stay usable.
class Provider {
public:
    Provider(const wchar_t* algorithm, const wchar_t* chainingMode, const char* name) : name_(name) {
        status_ = BCryptOpenAlgorithmProvider(&handle_, algorithm, nullptr, 0);
        if (Succeeded(status_) && chainingMode != nullptr) {
            const auto size = static_cast<ULONG>((std::wcslen(chainingMode) + 1) * sizeof(wchar_t));
            status_ = BCryptSetProperty(handle_, BCRYPT_CHAINING_MODE,
                                        reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(chainingMode)), size, 0);
            setting_ = true;
        }
    }
    ~Provider() {
        if (handle_ != nullptr) BCryptCloseAlgorithmProvider(handle_, 0);
    }
    Provider(const Provider&) = delete;
    Provider& operator=(const Provider&) = delete;

    BCRYPT_ALG_HANDLE Handle() const {
        if (!Succeeded(status_)) {
            Fail(std::string(name_) + " is not available from the system's CNG",
                 setting_ ? "BCryptSetProperty(BCRYPT_CHAINING_MODE)" : "BCryptOpenAlgorithmProvider", status_);
        }
        return handle_;
    }

private:
    const char* name_;
    BCRYPT_ALG_HANDLE handle_ = nullptr;
    NTSTATUS status_ = 0;
    bool setting_ = false;
};

const Provider& HashProvider(Hash hash) {
    static const Provider md5(BCRYPT_MD5_ALGORITHM, nullptr, "MD5");
    static const Provider sha256(BCRYPT_SHA256_ALGORITHM, nullptr, "SHA-256");
    static const Provider sha384(BCRYPT_SHA384_ALGORITHM, nullptr, "SHA-384");
    static const Provider sha512(BCRYPT_SHA512_ALGORITHM, nullptr, "SHA-512");
    switch (hash) {
        case Hash::Md5: return md5;
        case Hash::Sha256: return sha256;
        case Hash::Sha384: return sha384;
        case Hash::Sha512: return sha512;
    }
    throw CryptoError("Cryptography failed: unknown hash");
}

const Provider& AesCbcProvider() {
    static const Provider provider(BCRYPT_AES_ALGORITHM, BCRYPT_CHAIN_MODE_CBC, "AES in CBC mode");
    return provider;
}

const Provider& AesEcbProvider() {
    static const Provider provider(BCRYPT_AES_ALGORITHM, BCRYPT_CHAIN_MODE_ECB, "AES in ECB mode");
    return provider;
}

const Provider& Rc4Provider() {
    static const Provider provider(BCRYPT_RC4_ALGORITHM, nullptr, "RC4");
    return provider;
}

class Key {
public:
    Key(const Provider& provider, ByteView secret) {
        Require(BCryptGenerateSymmetricKey(provider.Handle(), &handle_, nullptr, 0, Input(secret),
                                           Length(secret.size()), 0),
                "key setup", "BCryptGenerateSymmetricKey");
    }
    ~Key() { BCryptDestroyKey(handle_); }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    BCRYPT_KEY_HANDLE Handle() const { return handle_; }

private:
    BCRYPT_KEY_HANDLE handle_ = nullptr;
};

// One call over the whole data; `iv` is a copy, as CNG overwrites it.
Bytes Cipher(const Key& key, Bytes iv, ByteView data, Padding padding, bool encrypt) {
    const ULONG flags = padding == Padding::Pkcs7 ? BCRYPT_BLOCK_PADDING : 0;
    PUCHAR ivBytes = iv.empty() ? nullptr : iv.data();
    const auto ivSize = static_cast<ULONG>(iv.size());
    Bytes out(data.size() + 16);
    ULONG written = 0;
    const NTSTATUS status =
        encrypt ? BCryptEncrypt(key.Handle(), Input(data), Length(data.size()), nullptr, ivBytes, ivSize, out.data(),
                                Length(out.size()), &written, flags)
                : BCryptDecrypt(key.Handle(), Input(data), Length(data.size()), nullptr, ivBytes, ivSize, out.data(),
                                Length(out.size()), &written, flags);
    if (!Succeeded(status)) {
        Fail(encrypt ? "encryption (data not a whole number of blocks?)"
                     : "decryption (data not a whole number of blocks, or wrong padding)",
             encrypt ? "BCryptEncrypt" : "BCryptDecrypt", status);
    }
    out.resize(written);
    return out;
}

void RequireAesKey(ByteView key) {
    if (key.size() != 16 && key.size() != 32) throw CryptoError("Cryptography failed: an AES key must hold 16 or 32 bytes");
}

Bytes AesCbc(ByteView key, ByteView iv, ByteView data, Padding padding, bool encrypt) {
    RequireAesKey(key);
    if (iv.size() != 16) throw CryptoError("Cryptography failed: an AES initialization vector must hold 16 bytes");
    if (padding == Padding::None && data.size() % 16 != 0) {
        throw CryptoError("Cryptography failed: without padding, AES data must be a whole number of 16-byte blocks");
    }
    return Cipher(Key(AesCbcProvider(), key), Bytes(iv.begin(), iv.end()), data, padding, encrypt);
}

}  // namespace

void RandomBytes(std::span<std::uint8_t> out) {
    if (out.empty()) return;
    Require(BCryptGenRandom(nullptr, out.data(), Length(out.size()), BCRYPT_USE_SYSTEM_PREFERRED_RNG),
            "no random bytes from the system", "BCryptGenRandom");
}

std::size_t DigestSize(Hash hash) {
    switch (hash) {
        case Hash::Md5: return 16;
        case Hash::Sha256: return 32;
        case Hash::Sha384: return 48;
        case Hash::Sha512: return 64;
    }
    throw CryptoError("Cryptography failed: unknown hash");
}

struct Digest::State {
    BCRYPT_HASH_HANDLE handle = nullptr;
    std::size_t size = 0;
    ~State() {
        if (handle != nullptr) BCryptDestroyHash(handle);
    }
};

// The hash object's memory is CNG's own (Windows 7 and later).
Digest::Digest(Hash hash) : state_(std::make_unique<State>()) {
    state_->size = DigestSize(hash);
    Require(BCryptCreateHash(HashProvider(hash).Handle(), &state_->handle, nullptr, 0, nullptr, 0, 0), "hash setup",
            "BCryptCreateHash");
}

Digest::~Digest() = default;

void Digest::Update(ByteView data) {
    if (data.empty()) return;
    Require(BCryptHashData(state_->handle, Input(data), Length(data.size()), 0), "hash update", "BCryptHashData");
}

Bytes Digest::Finish() {
    Bytes out(state_->size);
    Require(BCryptFinishHash(state_->handle, out.data(), Length(out.size()), 0), "hash final", "BCryptFinishHash");
    return out;
}

Bytes HashOf(Hash hash, ByteView data) {
    Digest digest(hash);
    digest.Update(data);
    return digest.Finish();
}

Bytes Rc4(ByteView key, ByteView data) {
    if (key.empty() || key.size() > 16) throw CryptoError("Cryptography failed: an RC4 key must hold 1 to 16 bytes");
    const Key rc4(Rc4Provider(), key);
    if (data.empty()) return {};
    return Cipher(rc4, {}, data, Padding::None, true);
}

Bytes AesCbcEncrypt(ByteView key, ByteView iv, ByteView data, Padding padding) {
    return AesCbc(key, iv, data, padding, true);
}

Bytes AesCbcDecrypt(ByteView key, ByteView iv, ByteView data, Padding padding) {
    return AesCbc(key, iv, data, padding, false);
}

Bytes AesEcbEncrypt(ByteView key, ByteView data) {
    RequireAesKey(key);
    if (data.size() % 16 != 0) {
        throw CryptoError("Cryptography failed: AES in ECB mode takes whole 16-byte blocks");
    }
    return Cipher(Key(AesEcbProvider(), key), {}, data, Padding::None, true);
}

}  // namespace vellum::crypto

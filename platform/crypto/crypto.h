// The one seam to the system's cryptography: random bytes, the hashes and
// ciphers of the standard security handler, and detached CMS signatures from
// a PKCS#12 identity. Linux uses OpenSSL's libcrypto (crypto_openssl.cpp),
// loaded on first use from a module (crypto_services.h); the native build
// the platform's own (crypto_windows.cpp). Nothing here is
// written by hand: every function forwards to the library.
//
// Every failure throws CryptoError with a message for the caller.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vellum::crypto {

class CryptoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

inline ByteView View(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Fills `out` from the operating system's random source.
void RandomBytes(std::span<std::uint8_t> out);

enum class Hash : std::uint8_t { Md5, Sha256, Sha384, Sha512 };
std::size_t DigestSize(Hash hash);

// A hash fed in pieces.
class Digest {
public:
    explicit Digest(Hash hash);
    ~Digest();
    Digest(const Digest&) = delete;
    Digest& operator=(const Digest&) = delete;
    void Update(ByteView data);
    Bytes Finish();  // once

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The digest of one piece.
Bytes HashOf(Hash hash, ByteView data);

// RC4 with a key of 1 to 16 bytes (the same call encrypts and decrypts).
Bytes Rc4(ByteView key, ByteView data);

// AES in CBC mode with a 16- or 32-byte key and a 16-byte IV. With padding,
// PKCS#7 is added (encryption always yields a whole number of blocks);
// without, `data` must be a whole number of blocks.
enum class Padding : std::uint8_t { Pkcs7, None };
Bytes AesCbcEncrypt(ByteView key, ByteView iv, ByteView data, Padding padding);
Bytes AesCbcDecrypt(ByteView key, ByteView iv, ByteView data, Padding padding);
// AES in ECB mode without padding, for single blocks.
Bytes AesEcbEncrypt(ByteView key, ByteView data);

// A private key with its certificate chain, read from a PKCS#12 file's bytes.
class SigningIdentity {
public:
    // Throws CryptoError for a wrong password or unreadable data.
    static std::shared_ptr<const SigningIdentity> FromPkcs12(ByteView pkcs12, std::string_view password);
    virtual ~SigningIdentity() = default;

    // The signer's name, for messages and tests (the certificate's common name).
    virtual std::string SignerName() const = 0;
    // An upper bound, in bytes, of the DER of any signature SignDetached makes.
    virtual std::size_t MaxSignatureSize() const = 0;
    // A detached CMS SignedData over the concatenated pieces: SHA-256, the
    // whole chain, signed attributes content type, message digest and
    // signing certificate v2 (RFC 5035), no signing time (the document
    // carries it). DER, at most MaxSignatureSize() bytes.
    virtual Bytes SignDetached(std::span<const ByteView> pieces) const = 0;

protected:
    SigningIdentity() = default;
};

}  // namespace vellum::crypto

// Encryption with permissions through the standard security handler: the
// caller's request checked into settings (encryption.cpp), and what a write
// of an encrypted document adds (EncryptionForWrite).
#pragma once

#include <cstdint>
#include <future>
#include <memory>
#include <string>
#include <string_view>

#include "pdf_object.h"
#include "protection.h"

namespace vellum {

class TPDFDoc;
class SecurityHandler;

enum class EncryptionMethod { Aes256, Aes128, Rc4_128 };

// The /P bit that lets assistive technology extract the text.
inline constexpr std::int32_t kAccessibilityPermission = 1 << 9;

struct EncryptionSettings {
    EncryptionMethod method = EncryptionMethod::Aes256;
    // The passwords' bytes as the handler hashes them: UTF-8 after SASLprep
    // for AES-256, PDFDocEncoding for the others.
    std::string userPassword;
    std::string ownerPassword;  // empty: a random one at each write
    std::int32_t permissions = 0;  // the /P value
    // The cryptography library being readied while the document is built
    // (ReadyCryptography); the settings' owner waits for it when they go.
    std::shared_future<void> readying;
};

// Each check throws EngineError naming what it refuses.
EncryptionMethod ParseEncryptionMethod(std::string_view name);
// Comma-separated permission words (or "all") as the /P value: the granted
// bits, every reserved bit that must be 1, none that must be 0.
std::int32_t ParsePermissions(std::string_view words);
// `which` names the password in messages ("user", "owner").
std::string PreparePassword(std::string_view utf8, EncryptionMethod method, std::string_view which);
EncryptionSettings CheckedEncryption(const EncryptionRequest& request);

// Sets the method's algorithms up on another thread, once per process:
// OpenSSL does so on first use, which would otherwise cost the first
// encrypted write several milliseconds. Nothing to wait for when done.
std::shared_future<void> ReadyCryptography(EncryptionMethod method);

// RFC 4013 SASLprep of UTF-8 text (encryption_saslprep.cpp); throws
// EngineError for text the profile prohibits.
std::string SaslPrep(std::string_view utf8, std::string_view which);

// For one write of a document with encryption settings: takes the number of
// the encryption dictionary, makes fresh keys, salts and file identifier,
// and puts the header version, the trailer's /Encrypt and /ID and the hook
// that encrypts every string and stream into doc.Additions; the destructor
// puts the previous additions back. Without settings it does nothing.
class EncryptionForWrite {
public:
    EncryptionForWrite(TPDFDoc& doc, const EncryptionSettings* settings);
    ~EncryptionForWrite();
    EncryptionForWrite(const EncryptionForWrite&) = delete;
    EncryptionForWrite& operator=(const EncryptionForWrite&) = delete;

    // The encryption dictionary, its strings as they stand.
    void WriteDictionary(ObjectWriter& file) const;

private:
    TPDFDoc& doc_;
    std::unique_ptr<SecurityHandler> handler_;
    FileAdditions previous_;
};

}  // namespace vellum

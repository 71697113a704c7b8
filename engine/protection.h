// What a caller asks for to protect a document: encryption with permissions
// (encryption.cpp) and a digital signature (signing.cpp). Both take effect at
// the write; text is UTF-8 as the caller gave it.
#pragma once

#include <string>

namespace vellum {

struct EncryptionRequest {
    std::string userPassword;
    std::string ownerPassword;  // empty: a random one, so the permissions hold
    std::string permissions;    // comma-separated words, or "all"; empty grants none beyond opening
    std::string method;         // "AES-256" (also when empty), "AES-128" or "RC4-128"
};

struct SignatureRequest {
    std::string certificateFile;  // a PKCS#12 file
    std::string password;
    std::string reason;    // empty: no /Reason
    std::string location;  // empty: no /Location
};

// Checked and ready to apply; defined where each is built.
struct EncryptionSettings;
struct SignatureSettings;

}  // namespace vellum

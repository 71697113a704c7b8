// The standard security handler for one write, revisions 3 (RC4-128), 4
// (AES-128) and 6 (AES-256): the file key and the encryption dictionary's
// values, made fresh from the system's random source, and the hook that
// encrypts each string and stream with them.
#pragma once

#include <cstdint>
#include <future>
#include <string>
#include <string_view>

#include "crypto.h"
#include "encryption.h"
#include "pdf_object.h"

namespace vellum {

class SecurityHandler : public ObjectHook {
public:
    // dictionaryNumber: the encryption dictionary's object, whose strings
    // stay as they are.
    SecurityHandler(const EncryptionSettings& settings, std::int32_t dictionaryNumber);

    std::string_view String(std::int32_t objectNumber, std::string_view bytes, std::string& scratch) override;
    std::string_view Stream(std::int32_t objectNumber, std::string_view bytes, std::string& scratch) override;

    // The lowest header version that knows the method.
    std::string_view Version() const;
    std::int32_t DictionaryNumber() const { return dictionaryNumber_; }
    // Both halves of the trailer's /ID.
    const std::string& FileIdentifier() const { return identifier_; }
    // The encryption dictionary's entries (once the password values are made).
    const PdfEntries& Dictionary();

private:
    std::string_view Encrypted(std::int32_t objectNumber, std::string_view bytes, std::string& scratch);
    const crypto::Bytes& ObjectKey(std::int32_t objectNumber);
    crypto::ByteView NextIv();
    void MakeRevision4OrEarlier(const EncryptionSettings& settings);
    void MakeRevision6(const EncryptionSettings& settings);

    EncryptionMethod method_;
    std::int32_t dictionaryNumber_;
    std::string identifier_;
    crypto::Bytes fileKey_;
    PdfEntries dictionary_;
    std::future<PdfEntries> passwordEntries_;  // revision 6: being made
    // RC4 and AES-128 key each object apart; its strings come one after another.
    std::int32_t keyedObject_ = 0;
    crypto::Bytes objectKey_;
    crypto::Bytes ivPool_;  // random, each 16 bytes used once
    std::size_t ivsUsed_ = 0;
};

}  // namespace vellum

#include "encryption_handler.h"

#include <array>
#include <future>

#include "errors.h"

namespace vellum {
namespace {

using crypto::Bytes;
using crypto::ByteView;

// Completes a password shorter than 32 bytes (revisions 2-4).
constexpr std::uint8_t kPasswordPadding[32] = {0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E,
                                               0x56, 0xFF, 0xFA, 0x01, 0x08, 0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68,
                                               0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};
constexpr std::size_t kKeyBytes128 = 16;
constexpr std::size_t kIvBytes = 16;

Bytes RandomBytes(std::size_t count) {
    Bytes bytes(count);
    crypto::RandomBytes(bytes);
    return bytes;
}

std::string_view Chars(ByteView bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

std::string Text(ByteView bytes) { return std::string(Chars(bytes)); }

Bytes Joined(std::initializer_list<ByteView> parts) {
    Bytes joined;
    for (const ByteView part : parts) joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

std::array<std::uint8_t, 4> LittleEndian(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

// ---- revisions 3 and 4 (RC4-128, AES-128): MD5 and RC4 over padded passwords

Bytes Padded(std::string_view password) {
    const std::string_view kept = password.substr(0, 32);
    Bytes padded(kept.begin(), kept.end());
    padded.insert(padded.end(), kPasswordPadding, kPasswordPadding + (32 - padded.size()));
    return padded;
}

// MD5 again 50 times over the whole 16-byte key.
Bytes Md5Rounds(Bytes hash) {
    for (int i = 0; i < 50; ++i) hash = crypto::HashOf(crypto::Hash::Md5, hash);
    return hash;
}

// RC4 with the key, then 19 times more with its bytes XORed with the round.
Bytes Rc4Rounds(const Bytes& key, Bytes data) {
    data = crypto::Rc4(key, data);
    Bytes roundKey(key.size());
    for (std::uint8_t round = 1; round <= 19; ++round) {
        for (std::size_t i = 0; i < key.size(); ++i) roundKey[i] = key[i] ^ round;
        data = crypto::Rc4(roundKey, data);
    }
    return data;
}

Bytes OwnerValue(std::string_view owner, std::string_view user) {
    const Bytes key = Md5Rounds(crypto::HashOf(crypto::Hash::Md5, Padded(owner)));
    return Rc4Rounds(key, Padded(user));
}

Bytes FileKey(std::string_view user, ByteView owner, std::int32_t permissions, ByteView identifier) {
    crypto::Digest digest(crypto::Hash::Md5);
    digest.Update(Padded(user));
    digest.Update(owner);
    digest.Update(LittleEndian(permissions));
    digest.Update(identifier);
    return Md5Rounds(digest.Finish());
}

Bytes UserValue(const Bytes& fileKey, ByteView identifier) {
    Bytes value = Rc4Rounds(fileKey, crypto::HashOf(crypto::Hash::Md5, Joined({kPasswordPadding, identifier})));
    value.resize(32, 0);  // the second half is arbitrary
    return value;
}

// ---- revision 6 (AES-256): the hardened hash and the key wrapped by it

// SHA-256 of password, salt and user value, then rounds of AES-128 over 64
// copies of password, hash and user value, each hashed again by SHA-256,
// -384 or -512 as the round's output chooses; at least 64 rounds, until the
// last output byte is at most the round count less 32.
Bytes HardenedHash(std::string_view password, ByteView salt, ByteView userValue) {
    const ByteView passwordBytes = crypto::View(password);
    Bytes hash = crypto::HashOf(crypto::Hash::Sha256, Joined({passwordBytes, salt, userValue}));
    constexpr crypto::Hash kByRemainder[] = {crypto::Hash::Sha256, crypto::Hash::Sha384, crypto::Hash::Sha512};
    Bytes repeated;
    for (int round = 1;; ++round) {
        const Bytes once = Joined({passwordBytes, hash, userValue});
        repeated.clear();
        for (int i = 0; i < 64; ++i) repeated.insert(repeated.end(), once.begin(), once.end());
        const ByteView key(hash.data(), 16), iv(hash.data() + 16, 16);
        const Bytes output = crypto::AesCbcEncrypt(key, iv, repeated, crypto::Padding::None);
        unsigned sum = 0;  // the first 16 bytes as a number, modulo 3
        for (std::size_t i = 0; i < 16; ++i) sum += output[i];
        hash = crypto::HashOf(kByRemainder[sum % 3], output);
        if (round >= 64 && output.back() <= round - 32) break;
    }
    hash.resize(32);
    return hash;
}

struct Revision6Values {
    Bytes value;    // hash, validation salt, key salt: /U or /O
    Bytes wrapped;  // the file key under the key-salt hash: /UE or /OE
};

Revision6Values PasswordValues(std::string_view password, const Bytes& fileKey, ByteView userValue) {
    const Bytes validationSalt = RandomBytes(8), keySalt = RandomBytes(8);
    Revision6Values made;
    made.value = Joined({HardenedHash(password, validationSalt, userValue), validationSalt, keySalt});
    const Bytes zeroIv(kIvBytes, 0);
    made.wrapped = crypto::AesCbcEncrypt(HardenedHash(password, keySalt, userValue), zeroIv, fileKey,
                                         crypto::Padding::None);
    return made;
}

// The permissions, sealed with the file key so a reader can tell them untouched.
Bytes PermsValue(const Bytes& fileKey, std::int32_t permissions) {
    Bytes block = Joined({LittleEndian(permissions)});
    block.insert(block.end(), {0xFF, 0xFF, 0xFF, 0xFF, 'T', 'a', 'd', 'b'});  // T: metadata encrypted
    const Bytes filler = RandomBytes(4);
    block.insert(block.end(), filler.begin(), filler.end());
    return crypto::AesEcbEncrypt(fileKey, block);
}

PdfValue CryptFilters(std::string_view method, std::int64_t keyBytes) {
    return PdfValue::Dictionary({{"StdCF", PdfValue::Dictionary({{"AuthEvent", PdfValue::Name("DocOpen")},
                                                                  {"CFM", PdfValue::Name(method)},
                                                                  {"Length", PdfValue::Integer(keyBytes)}})}});
}

}  // namespace

SecurityHandler::SecurityHandler(const EncryptionSettings& settings, std::int32_t dictionaryNumber)
    : method_(settings.method), dictionaryNumber_(dictionaryNumber) {
    try {
        identifier_ = Text(RandomBytes(16));
        if (method_ == EncryptionMethod::Aes256) {
            MakeRevision6(settings);
        } else {
            MakeRevision4OrEarlier(settings);
        }
    } catch (const crypto::CryptoError& error) {
        throw EngineError(std::string("Cannot encrypt the document: ") + error.what());
    }
}

void SecurityHandler::MakeRevision4OrEarlier(const EncryptionSettings& settings) {
    const bool aes = method_ == EncryptionMethod::Aes128;
    const std::string owner =
        settings.ownerPassword.empty() ? Text(RandomBytes(32)) : settings.ownerPassword;
    const Bytes ownerValue = OwnerValue(owner, settings.userPassword);
    fileKey_ = FileKey(settings.userPassword, ownerValue, settings.permissions, crypto::View(identifier_));
    const Bytes userValue = UserValue(fileKey_, crypto::View(identifier_));
    dictionary_ = {{"Filter", PdfValue::Name("Standard")},
                   {"V", PdfValue::Integer(aes ? 4 : 2)},
                   {"R", PdfValue::Integer(aes ? 4 : 3)},
                   {"Length", PdfValue::Integer(128)}};
    if (aes) {
        dictionary_.push_back({"CF", CryptFilters("AESV2", kKeyBytes128)});
        dictionary_.push_back({"StmF", PdfValue::Name("StdCF")});
        dictionary_.push_back({"StrF", PdfValue::Name("StdCF")});
    }
    dictionary_.push_back({"O", PdfValue::Hex(Text(ownerValue))});
    dictionary_.push_back({"U", PdfValue::Hex(Text(userValue))});
    dictionary_.push_back({"P", PdfValue::Integer(settings.permissions)});
}

// The file key is random and the hook needs nothing else, so the password
// values, which are slow to make on purpose, are made on another thread while
// the file is written.
void SecurityHandler::MakeRevision6(const EncryptionSettings& settings) {
    fileKey_ = RandomBytes(32);
    const std::string owner =
        settings.ownerPassword.empty() ? Text(RandomBytes(32)) : settings.ownerPassword;
    dictionary_ = {{"Filter", PdfValue::Name("Standard")},
                   {"V", PdfValue::Integer(5)},
                   {"R", PdfValue::Integer(6)},
                   {"Length", PdfValue::Integer(256)},
                   {"CF", CryptFilters("AESV3", 32)},
                   {"StmF", PdfValue::Name("StdCF")},
                   {"StrF", PdfValue::Name("StdCF")}};
    passwordEntries_ = std::async(std::launch::async | std::launch::deferred,
                                  [user = settings.userPassword, owner, fileKey = fileKey_,
                                   permissions = settings.permissions] {
                                      const Revision6Values userValues = PasswordValues(user, fileKey, {});
                                      const Revision6Values ownerValues =
                                          PasswordValues(owner, fileKey, userValues.value);
                                      return PdfEntries{
                                          {"O", PdfValue::Hex(Text(ownerValues.value))},
                                          {"U", PdfValue::Hex(Text(userValues.value))},
                                          {"OE", PdfValue::Hex(Text(ownerValues.wrapped))},
                                          {"UE", PdfValue::Hex(Text(userValues.wrapped))},
                                          {"P", PdfValue::Integer(permissions)},
                                          {"Perms", PdfValue::Hex(Text(PermsValue(fileKey, permissions)))}};
                                  });
}

const PdfEntries& SecurityHandler::Dictionary() {
    if (passwordEntries_.valid()) {
        try {
            PdfEntries entries = passwordEntries_.get();
            dictionary_.insert(dictionary_.end(), entries.begin(), entries.end());
        } catch (const crypto::CryptoError& error) {
            throw EngineError(std::string("Cannot encrypt the document: ") + error.what());
        }
    }
    return dictionary_;
}

std::string_view SecurityHandler::Version() const {
    switch (method_) {
        case EncryptionMethod::Aes256: return "2.0";
        case EncryptionMethod::Aes128: return "1.6";
        case EncryptionMethod::Rc4_128: return "1.4";
    }
    return "2.0";
}

std::string_view SecurityHandler::String(std::int32_t objectNumber, std::string_view bytes, std::string& scratch) {
    return Encrypted(objectNumber, bytes, scratch);
}

std::string_view SecurityHandler::Stream(std::int32_t objectNumber, std::string_view bytes, std::string& scratch) {
    return Encrypted(objectNumber, bytes, scratch);
}

// MD5 of the file key, the object's number (3 bytes) and generation (2, all
// zero here), and for AES the salt "sAlT"; 16 bytes of a 16-byte file key.
const crypto::Bytes& SecurityHandler::ObjectKey(std::int32_t objectNumber) {
    if (keyedObject_ == objectNumber) return objectKey_;
    const std::array<std::uint8_t, 4> number = LittleEndian(objectNumber);
    crypto::Digest digest(crypto::Hash::Md5);
    digest.Update(fileKey_);
    digest.Update(ByteView(number.data(), 3));
    digest.Update(Bytes{0, 0});
    if (method_ == EncryptionMethod::Aes128) digest.Update(crypto::View("sAlT"));
    objectKey_ = digest.Finish();
    keyedObject_ = objectNumber;
    return objectKey_;
}

// Drawn from the system a few hundred at a time: one call per string or
// stream would cost more than encrypting it.
crypto::ByteView SecurityHandler::NextIv() {
    if (ivsUsed_ == ivPool_.size()) {
        ivPool_.resize(256 * kIvBytes);
        crypto::RandomBytes(ivPool_);
        ivsUsed_ = 0;
    }
    ivsUsed_ += kIvBytes;
    return ByteView(ivPool_).subspan(ivsUsed_ - kIvBytes, kIvBytes);
}

std::string_view SecurityHandler::Encrypted(std::int32_t objectNumber, std::string_view bytes, std::string& scratch) {
    if (objectNumber == dictionaryNumber_ || objectNumber <= 0) return bytes;
    try {
        const ByteView data = crypto::View(bytes);
        if (method_ == EncryptionMethod::Rc4_128) {
            scratch.assign(Chars(crypto::Rc4(ObjectKey(objectNumber), data)));
            return scratch;
        }
        const Bytes& key = method_ == EncryptionMethod::Aes256 ? fileKey_ : ObjectKey(objectNumber);
        const ByteView iv = NextIv();
        scratch.assign(Chars(iv));
        scratch.append(Chars(crypto::AesCbcEncrypt(key, iv, data, crypto::Padding::Pkcs7)));
        return scratch;
    } catch (const crypto::CryptoError& error) {
        throw EngineError(std::string("Cannot encrypt the document: ") + error.what());
    }
}

}  // namespace vellum

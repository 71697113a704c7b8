// The caller's encryption request checked into settings, and the scope that
// applies them to one write.
#include "encryption.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <system_error>
#include <utility>

#include "ascii.h"
#include "document.h"
#include "encryption_handler.h"
#include "errors.h"
#include "text_split.h"
#include "unicode_text.h"

namespace vellum {
namespace {

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

struct PermissionWord {
    std::string_view word;
    std::uint32_t bits;  // bit n of the standard's numbering is 1 << (n - 1)
};

// High-quality printing is a kind of printing: "print-high" alone grants both,
// since bit 12 means nothing while bit 3 is clear.
constexpr PermissionWord kPermissionWords[] = {
    {"print", 1u << 2},       {"print-high", 1u << 11 | 1u << 2}, {"modify", 1u << 3},
    {"copy", 1u << 4},        {"annotate", 1u << 5},              {"fill-forms", 1u << 8},
    {"accessibility", static_cast<std::uint32_t>(kAccessibilityPermission)}, {"assemble", 1u << 10},
};
constexpr std::string_view kPermissionList =
    "print, print-high, modify, copy, annotate, fill-forms, accessibility, assemble or all";
// Bits 7-8 and 13-32 are reserved and must be 1; bits 1-2 must be 0.
constexpr std::uint32_t kReservedBits = 0xFFFFF0C0u;
constexpr std::uint32_t kAllPermissions = 0xFFFFFFFCu;

std::uint32_t PermissionBitsOf(std::string_view word, std::string_view words) {
    if (word.empty()) {
        throw EngineError("Permissions " + Quoted(words) + " hold an empty word between commas; use " +
                          std::string(kPermissionList));
    }
    if (EqualsIgnoringAsciiCase(word, "all")) return kAllPermissions;
    for (const PermissionWord& known : kPermissionWords) {
        if (EqualsIgnoringAsciiCase(word, known.word)) return known.bits;
    }
    throw EngineError("Unknown permission " + Quoted(word) + ": use " + std::string(kPermissionList));
}

// PDFDocEncoding's characters that differ from Latin-1's: at 0x18..0x1F and
// 0x80..0xA0 (0x9F is undefined).
constexpr char16_t kPdfDocAt18[8] = {0x02D8, 0x02C7, 0x02C6, 0x02D9, 0x02DD, 0x02DB, 0x02DA, 0x02DC};
constexpr char16_t kPdfDocAt80[33] = {0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192, 0x2044, 0x2039,
                                      0x203A, 0x2212, 0x2030, 0x201E, 0x201C, 0x201D, 0x2018, 0x2019, 0x201A,
                                      0x2122, 0xFB01, 0xFB02, 0x0141, 0x0152, 0x0160, 0x0178, 0x017D, 0x0131,
                                      0x0142, 0x0153, 0x0161, 0x017E, 0x0000, 0x20AC};

std::optional<char> PdfDocEncodingByte(char32_t c) {
    if (c == 0x09 || c == 0x0A || c == 0x0D || (c >= 0x20 && c <= 0x7E) || (c >= 0xA1 && c <= 0xFF && c != 0xAD)) {
        return static_cast<char>(c);
    }
    for (std::size_t i = 0; i < std::size(kPdfDocAt18); ++i) {
        if (c == kPdfDocAt18[i]) return static_cast<char>(0x18 + i);
    }
    for (std::size_t i = 0; i < std::size(kPdfDocAt80); ++i) {
        if (c != 0 && c == kPdfDocAt80[i]) return static_cast<char>(0x80 + i);
    }
    return std::nullopt;
}

std::string MethodName(EncryptionMethod method) {
    switch (method) {
        case EncryptionMethod::Aes256: return "AES-256";
        case EncryptionMethod::Aes128: return "AES-128";
        case EncryptionMethod::Rc4_128: return "RC4-128";
    }
    return {};
}

std::string CodePoint(char32_t c) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = "U+";
    const int digits = c > 0xFFFF ? 6 : 4;
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) text += kDigits[(c >> shift) & 15];
    return text;
}

std::string PdfDocPassword(std::string_view text, EncryptionMethod method, std::string_view which) {
    constexpr std::size_t kMaxBytes = 32;
    std::string bytes;
    for (const char32_t c : DecodeText(text)) {
        const std::optional<char> byte = PdfDocEncodingByte(c);
        if (!byte) {
            throw EngineError("The " + std::string(which) + " password holds the character " + CodePoint(c) +
                              ", which " + MethodName(method) +
                              " passwords cannot carry (they are PDFDocEncoding); AES-256 takes any character");
        }
        bytes += *byte;
    }
    if (bytes.size() > kMaxBytes) {
        throw EngineError("The " + std::string(which) + " password has " + std::to_string(bytes.size()) +
                          " characters; " + MethodName(method) + " allows at most 32");
    }
    return bytes;
}

}  // namespace

EncryptionMethod ParseEncryptionMethod(std::string_view name) {
    const std::string_view method = TrimControls(name);
    if (method.empty() || EqualsIgnoringAsciiCase(method, "AES-256")) return EncryptionMethod::Aes256;
    if (EqualsIgnoringAsciiCase(method, "AES-128")) return EncryptionMethod::Aes128;
    if (EqualsIgnoringAsciiCase(method, "RC4-128")) return EncryptionMethod::Rc4_128;
    throw EngineError("Unknown encryption method " + Quoted(name) + ": use AES-256, AES-128 or RC4-128");
}

std::int32_t ParsePermissions(std::string_view words) {
    std::uint32_t bits = kReservedBits;
    if (!TrimControls(words).empty()) {
        std::string_view rest = words;
        while (true) {
            const std::size_t comma = rest.find(',');
            bits |= PermissionBitsOf(TrimControls(rest.substr(0, comma)), words);
            if (comma == std::string_view::npos) break;
            rest.remove_prefix(comma + 1);
        }
    }
    return static_cast<std::int32_t>(bits);
}

std::string PreparePassword(std::string_view utf8, EncryptionMethod method, std::string_view which) {
    if (method != EncryptionMethod::Aes256) return PdfDocPassword(utf8, method, which);
    constexpr std::size_t kMaxBytes = 127;
    std::string prepared = SaslPrep(ToUtf8Text(utf8), which);
    if (prepared.size() > kMaxBytes) {
        throw EngineError("The " + std::string(which) + " password takes " + std::to_string(prepared.size()) +
                          " bytes in UTF-8; AES-256 allows at most 127");
    }
    return prepared;
}

EncryptionSettings CheckedEncryption(const EncryptionRequest& request) {
    EncryptionSettings settings;
    settings.method = ParseEncryptionMethod(request.method);
    settings.permissions = ParsePermissions(request.permissions);
    settings.userPassword = PreparePassword(request.userPassword, settings.method, "user");
    settings.ownerPassword = PreparePassword(request.ownerPassword, settings.method, "owner");
    return settings;
}

std::shared_future<void> ReadyCryptography(EncryptionMethod method) {
    static std::atomic<bool> ciphersReady{false}, rc4Ready{false};
    const bool rc4 = method != EncryptionMethod::Aes256;
    if (ciphersReady && (!rc4 || rc4Ready)) return {};
    const auto ready = [rc4] {
        try {
            const crypto::Bytes key(16, 0), iv(16, 0);
            crypto::AesCbcEncrypt(key, iv, {}, crypto::Padding::Pkcs7);
            crypto::HashOf(crypto::Hash::Sha256, {});
            ciphersReady = true;
            if (rc4) crypto::Rc4(key, {});
            rc4Ready = rc4Ready || rc4;
        } catch (const crypto::CryptoError&) {
            // The write reports it.
        }
    };
    try {
        return std::async(std::launch::async, ready).share();
    } catch (const std::system_error&) {
        return {};  // no thread to spare: the write sets them up
    }
}

void TPDFDoc::Encrypt(const EncryptionRequest& request) {
    RequireReady();
    EncryptionSettings settings = CheckedEncryption(request);
    settings.readying = ReadyCryptography(settings.method);
    Encryption = std::make_shared<const EncryptionSettings>(std::move(settings));
}

EncryptionForWrite::EncryptionForWrite(TPDFDoc& doc, const EncryptionSettings* settings) : doc_(doc) {
    if (settings == nullptr) return;
    doc.RequireObjectRoom(1);
    const std::int32_t dictionaryNumber = doc.NextObjectNumber();
    handler_ = std::make_unique<SecurityHandler>(*settings, dictionaryNumber);
    FileAdditions additions = doc.Additions;
    additions.version = std::max(additions.version, std::string(handler_->Version()));
    additions.trailer.push_back({"Encrypt", PdfValue::Reference(dictionaryNumber)});
    const PdfValue identifier = PdfValue::Hex(handler_->FileIdentifier());
    additions.trailer.push_back({"ID", PdfValue::Array({identifier, identifier})});
    additions.hook = handler_.get();
    previous_ = std::exchange(doc.Additions, std::move(additions));
}

EncryptionForWrite::~EncryptionForWrite() {
    if (handler_ != nullptr) doc_.Additions = std::move(previous_);
}

void EncryptionForWrite::WriteDictionary(ObjectWriter& file) const {
    if (handler_ == nullptr) return;
    file.Object(handler_->DictionaryNumber(),
                [&](PdfBody& text) { text.Raw("<<\r\n").EntryLines(handler_->Dictionary()).Raw(">>\r\n"); });
}

}  // namespace vellum

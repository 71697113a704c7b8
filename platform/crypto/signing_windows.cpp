// Signing identities with the system's CryptoAPI: a PKCS#12 file imported
// into a store in memory (its key not persisted anywhere), and the detached
// CMS SignedData a PDF signature of subfilter ETSI.CAdES.detached holds, made
// by the system's message encoder. Given any signed attribute, the encoder
// adds content type and message digest itself and never a signing time (the
// signature dictionary's /M says when); the signing-certificate-v2 attribute,
// which it does not know, is encoded here (signing_certificate_der.cpp).
#include <windows.h>
#include <wincrypt.h>
#include <ncrypt.h>

#include <climits>
#include <cstdio>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "crypto.h"
#include "signing_certificate_der.h"

namespace vellum::crypto {
namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
constexpr std::string_view kUnreadable = "The certificate file could not be read: ";

std::string Utf8(const wchar_t* text, int length) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring Wide(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int length = static_cast<int>(utf8.size());
    const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
    if (size <= 0) throw CryptoError(std::string(kUnreadable) + "the password is not valid UTF-8");
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, out.data(), size);
    return out;
}

// "FUNCTION failed with 0x80092004 (Cannot find object or property.)"
std::string SystemFailure(const char* function, DWORD error) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(error));
    std::string text = std::string(function) + " failed with " + code;
    wchar_t* described = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&described), 0, nullptr);
    if (length > 0 && described != nullptr) {
        std::string description = Utf8(described, static_cast<int>(length));
        while (!description.empty() && (description.back() == '\n' || description.back() == '\r' ||
                                        description.back() == ' ')) {
            description.pop_back();
        }
        if (!description.empty()) text += " (" + description + ")";
    }
    if (described != nullptr) LocalFree(described);
    return text;
}

[[noreturn]] void FailReading(const std::string& why) { throw CryptoError(std::string(kUnreadable) + why); }

[[noreturn]] void FailSigning(const char* step, const char* function, DWORD error = GetLastError()) {
    throw CryptoError("Signing failed (" + std::string(step) + "): " + SystemFailure(function, error));
}

DWORD Length(std::size_t size) {
    if (size > static_cast<std::size_t>(ULONG_MAX)) throw CryptoError("Signing failed: data too long");
    return static_cast<DWORD>(size);
}

struct StoreCloser {
    void operator()(void* store) const noexcept { CertCloseStore(store, 0); }
};
using StorePtr = std::unique_ptr<void, StoreCloser>;

struct CertificateFreer {
    void operator()(const CERT_CONTEXT* certificate) const noexcept { CertFreeCertificateContext(certificate); }
};
using CertificatePtr = std::unique_ptr<const CERT_CONTEXT, CertificateFreer>;

struct MessageCloser {
    void operator()(void* message) const noexcept { CryptMsgClose(message); }
};
using MessagePtr = std::unique_ptr<void, MessageCloser>;

// The private key as CryptAcquireCertificatePrivateKey gives it: a CNG key,
// or a CryptoAPI provider with the key's kind (AT_KEYEXCHANGE, AT_SIGNATURE); released only when
// the call said the caller must.
class PrivateKey {
public:
    explicit PrivateKey(const CERT_CONTEXT* certificate);
    ~PrivateKey();
    PrivateKey(const PrivateKey&) = delete;
    PrivateKey& operator=(const PrivateKey&) = delete;
    bool Held() const { return handle_ != 0; }
    DWORD Failure() const { return failure_; }
    void Into(CMSG_SIGNER_ENCODE_INFO& signer) const;

private:
    void InAesProvider();

    HCRYPTPROV_OR_NCRYPT_KEY_HANDLE handle_ = 0;
    DWORD keySpec_ = 0;
    BOOL callerFrees_ = FALSE;
    DWORD failure_ = 0;
};

// A key imported without persisting it is known only to the certificate
// context, as its cached key: hence the cache, which also leaves the handle
// the context's. CNG preferred: a key in an old provider is then used through
// CNG too, which signs with SHA-256 where the old provider may not. The key
// must match the certificate's public key.
PrivateKey::PrivateKey(const CERT_CONTEXT* certificate) {
    constexpr DWORD kFlags = CRYPT_ACQUIRE_CACHE_FLAG | CRYPT_ACQUIRE_SILENT_FLAG | CRYPT_ACQUIRE_COMPARE_KEY_FLAG |
                             CRYPT_ACQUIRE_PREFER_NCRYPT_KEY_FLAG;
    if (!CryptAcquireCertificatePrivateKey(certificate, kFlags, nullptr, &handle_, &keySpec_, &callerFrees_)) {
        failure_ = GetLastError();
        handle_ = 0;
        return;
    }
    if (keySpec_ != CERT_NCRYPT_KEY_SPEC) InAesProvider();
}

// A key in a CryptoAPI container of the RSA_FULL type, whose providers know
// no SHA-2, is opened again by its container in the provider of the
// RSA_AES type, which does.
void PrivateKey::InAesProvider() {
    DWORD type = 0, size = sizeof type;
    if (!CryptGetProvParam(handle_, PP_PROVTYPE, reinterpret_cast<BYTE*>(&type), &size, 0) || type != PROV_RSA_FULL) {
        return;
    }
    size = 0;
    if (!CryptGetProvParam(handle_, PP_CONTAINER, nullptr, &size, 0) || size == 0) return;
    std::string container(size, '\0');
    if (!CryptGetProvParam(handle_, PP_CONTAINER, reinterpret_cast<BYTE*>(container.data()), &size, 0)) return;
    DWORD keyset = 0;
    size = sizeof keyset;
    const DWORD machine = CryptGetProvParam(handle_, PP_KEYSET_TYPE, reinterpret_cast<BYTE*>(&keyset), &size, 0)
                              ? keyset & CRYPT_MACHINE_KEYSET
                              : 0;
    HCRYPTPROV aes = 0;
    if (!CryptAcquireContextA(&aes, container.c_str(), MS_ENH_RSA_AES_PROV_A, PROV_RSA_AES, CRYPT_SILENT | machine)) {
        return;
    }
    if (callerFrees_) CryptReleaseContext(handle_, 0);
    handle_ = aes;
    callerFrees_ = TRUE;
}

PrivateKey::~PrivateKey() {
    if (handle_ == 0 || !callerFrees_) return;
    if (keySpec_ == CERT_NCRYPT_KEY_SPEC) {
        NCryptFreeObject(handle_);
    } else {
        CryptReleaseContext(handle_, 0);
    }
}

void PrivateKey::Into(CMSG_SIGNER_ENCODE_INFO& signer) const {
    if (keySpec_ == CERT_NCRYPT_KEY_SPEC) {
        signer.hNCryptKey = handle_;
    } else {
        signer.hCryptProv = handle_;
    }
    signer.dwKeySpec = keySpec_;
}

ByteView Encoded(const CERT_CONTEXT* certificate) {
    return {certificate->pbCertEncoded, certificate->cbCertEncoded};
}

std::string CommonName(const CERT_CONTEXT* certificate) {
    auto* oid = const_cast<char*>(szOID_COMMON_NAME);
    const DWORD length = CertGetNameStringW(certificate, CERT_NAME_ATTR_TYPE, 0, oid, nullptr, 0);
    if (length <= 1) return {};
    std::wstring name(length, L'\0');
    CertGetNameStringW(certificate, CERT_NAME_ATTR_TYPE, 0, oid, name.data(), length);
    return Utf8(name.c_str(), static_cast<int>(length - 1));
}

// The signing-certificate-v2 value naming `certificate`. CryptoAPI keeps the
// serial number's octets in reverse order.
Bytes SigningCertificateValue(const CERT_CONTEXT* certificate) {
    const CERT_INFO& info = *certificate->pCertInfo;
    const Bytes hash = HashOf(Hash::Sha256, Encoded(certificate));
    const Bytes serial(std::reverse_iterator(info.SerialNumber.pbData + info.SerialNumber.cbData),
                       std::reverse_iterator(info.SerialNumber.pbData));
    return SigningCertificateV2(hash, ByteView(info.Issuer.pbData, info.Issuer.cbData), serial);
}

struct EncodeInfo;

class WindowsIdentity final : public SigningIdentity {
public:
    WindowsIdentity(StorePtr store, CertificatePtr signer, std::unique_ptr<PrivateKey> key,
                    std::vector<CertificatePtr> others);

    std::string SignerName() const override { return CommonName(signer_.get()); }
    std::size_t MaxSignatureSize() const override;
    Bytes SignDetached(std::span<const ByteView> pieces) const override;

private:
    MessagePtr OpenMessage(EncodeInfo& info) const;

    StorePtr store_;
    CertificatePtr signer_;
    std::unique_ptr<PrivateKey> key_;
    std::vector<CertificatePtr> others_;  // the file's other certificates, maybe none
    Bytes signingCertificate_;           // the attribute's value
    // The system's key handles are not promised to be safe for several
    // threads at once; a shared identity signs one document at a time.
    mutable std::mutex signing_;
};

WindowsIdentity::WindowsIdentity(StorePtr store, CertificatePtr signer, std::unique_ptr<PrivateKey> key,
                                 std::vector<CertificatePtr> others)
    : store_(std::move(store)),
      signer_(std::move(signer)),
      key_(std::move(key)),
      others_(std::move(others)),
      signingCertificate_(SigningCertificateValue(signer_.get())) {}

// As on Linux: every certificate once, the signer's issuer and serial number
// twice more (in the signer info and the signing-certificate attribute), the
// signature value at most twice the key's size (an ECDSA value holds two
// numbers), and the fixed allowance for the rest.
std::size_t WindowsIdentity::MaxSignatureSize() const {
    constexpr std::size_t kFixedOverhead = 1024;
    std::size_t size = kFixedOverhead + 3 * Encoded(signer_.get()).size();
    for (const CertificatePtr& other : others_) size += Encoded(other.get()).size();
    CERT_PUBLIC_KEY_INFO& publicKey = signer_->pCertInfo->SubjectPublicKeyInfo;
    const std::size_t keyBytes = (CertGetPublicKeyLength(kEncoding, &publicKey) + 7) / 8;
    return size + 2 * keyBytes + 16;
}

// What the message encoder is given: a detached SignedData over SHA-256 with
// the whole chain and one signer. Kept until the message is closed.
struct EncodeInfo {
    CRYPT_ATTR_BLOB value{};
    CRYPT_ATTRIBUTE attribute{};
    CMSG_SIGNER_ENCODE_INFO signer{};
    std::vector<CERT_BLOB> certificates;
    CMSG_SIGNED_ENCODE_INFO signedData{};
};

MessagePtr WindowsIdentity::OpenMessage(EncodeInfo& info) const {
    info.value = {Length(signingCertificate_.size()), const_cast<BYTE*>(signingCertificate_.data())};
    info.attribute = {const_cast<char*>(kSigningCertificateV2Oid), 1, &info.value};
    info.signer.cbSize = sizeof info.signer;
    info.signer.pCertInfo = signer_->pCertInfo;
    key_->Into(info.signer);
    info.signer.HashAlgorithm.pszObjId = const_cast<char*>(szOID_NIST_sha256);
    info.signer.cAuthAttr = 1;
    info.signer.rgAuthAttr = &info.attribute;
    info.certificates.push_back({signer_->cbCertEncoded, signer_->pbCertEncoded});
    for (const CertificatePtr& other : others_) {
        info.certificates.push_back({other->cbCertEncoded, other->pbCertEncoded});
    }
    info.signedData.cbSize = sizeof info.signedData;
    info.signedData.cSigners = 1;
    info.signedData.rgSigners = &info.signer;
    info.signedData.cCertEncoded = Length(info.certificates.size());
    info.signedData.rgCertEncoded = info.certificates.data();
    MessagePtr message(
        CryptMsgOpenToEncode(kEncoding, CMSG_DETACHED_FLAG, CMSG_SIGNED, &info.signedData, nullptr, nullptr));
    if (message == nullptr) FailSigning("SignedData", "CryptMsgOpenToEncode");
    return message;
}

Bytes WindowsIdentity::SignDetached(std::span<const ByteView> pieces) const {
    const std::lock_guard<std::mutex> one(signing_);
    EncodeInfo info;
    const MessagePtr message = OpenMessage(info);
    std::size_t remaining = pieces.size();
    for (const ByteView piece : pieces) {
        const BOOL last = --remaining == 0;
        if (!CryptMsgUpdate(message.get(), piece.data(), Length(piece.size()), last)) {
            FailSigning("signature", "CryptMsgUpdate");
        }
    }
    if (pieces.empty() && !CryptMsgUpdate(message.get(), nullptr, 0, TRUE)) {
        FailSigning("signature", "CryptMsgUpdate");
    }
    DWORD size = 0;
    if (!CryptMsgGetParam(message.get(), CMSG_CONTENT_PARAM, 0, nullptr, &size)) {
        FailSigning("encoding", "CryptMsgGetParam");
    }
    Bytes der(size);
    if (!CryptMsgGetParam(message.get(), CMSG_CONTENT_PARAM, 0, der.data(), &size)) {
        FailSigning("encoding", "CryptMsgGetParam");
    }
    der.resize(size);
    if (der.size() > MaxSignatureSize()) {
        throw CryptoError("Signing failed: the signature is larger than the room kept for it");
    }
    return der;
}

// ---- reading the file

// The key is kept in memory only, so signing leaves nothing behind in the
// user's key containers; it is used through CNG either way (PrivateKey). An
// empty password may have been stored as none at all.
StorePtr ImportedStore(CRYPT_DATA_BLOB& file, std::string_view password) {
    constexpr DWORD kFlags = PKCS12_NO_PERSIST_KEY;
    const std::wstring wide = Wide(password);
    HCERTSTORE store = PFXImportCertStore(&file, wide.c_str(), kFlags);
    DWORD error = store == nullptr ? GetLastError() : 0;
    if (store == nullptr && password.empty() && error == ERROR_INVALID_PASSWORD) {
        store = PFXImportCertStore(&file, nullptr, kFlags);
        error = store == nullptr ? GetLastError() : 0;
    }
    if (store == nullptr) {
        if (error == ERROR_INVALID_PASSWORD) FailReading("the password is wrong");
        if (error == ERROR_SUCCESS) FailReading("the system refused it without saying why (is the password right?)");
        FailReading("the system cannot import it: " + SystemFailure("PFXImportCertStore", error));
    }
    return StorePtr(store);
}

// Whether `certificate` issued another certificate of the store: a CA's.
bool IssuedOthers(HCERTSTORE store, const CERT_CONTEXT* certificate) {
    const CERT_CONTEXT* other = nullptr;
    while ((other = CertEnumCertificatesInStore(store, other)) != nullptr) {
        if (CertCompareCertificate(kEncoding, other->pCertInfo, certificate->pCertInfo)) continue;
        if (CertCompareCertificateName(kEncoding, &other->pCertInfo->Issuer, &certificate->pCertInfo->Subject)) {
            CertFreeCertificateContext(other);
            return true;
        }
    }
    return false;
}

struct Signer {
    CertificatePtr certificate;
    std::unique_ptr<PrivateKey> key;
};

// The certificate whose private key the file holds; should several claim it,
// the one that issued no other certificate of the file (the end entity's).
Signer FindSigner(HCERTSTORE store) {
    Signer found;
    DWORD failure = 0;
    const CERT_CONTEXT* candidate = nullptr;
    while ((candidate = CertEnumCertificatesInStore(store, candidate)) != nullptr) {
        auto key = std::make_unique<PrivateKey>(candidate);
        if (!key->Held()) {
            failure = key->Failure();
            continue;
        }
        if (found.certificate == nullptr || IssuedOthers(store, found.certificate.get())) {
            found.certificate.reset(CertDuplicateCertificateContext(candidate));
            found.key = std::move(key);
        }
    }
    if (found.certificate == nullptr) {
        FailReading("it holds no private key with its certificate" +
                    (failure != 0 ? " (" + SystemFailure("CryptAcquireCertificatePrivateKey", failure) + ")"
                                  : std::string()));
    }
    return found;
}

std::vector<CertificatePtr> OtherCertificates(HCERTSTORE store, const CERT_CONTEXT* signer) {
    std::vector<CertificatePtr> others;
    const CERT_CONTEXT* certificate = nullptr;
    while ((certificate = CertEnumCertificatesInStore(store, certificate)) != nullptr) {
        if (!CertCompareCertificate(kEncoding, certificate->pCertInfo, signer->pCertInfo)) {
            others.emplace_back(CertDuplicateCertificateContext(certificate));
        }
    }
    return others;
}

}  // namespace

std::shared_ptr<const SigningIdentity> SigningIdentity::FromPkcs12(ByteView pkcs12, std::string_view password) {
    CRYPT_DATA_BLOB file{Length(pkcs12.size()), const_cast<BYTE*>(pkcs12.data())};
    if (pkcs12.empty() || !PFXIsPFXBlob(&file)) FailReading("it is not a PKCS#12 file");
    StorePtr store = ImportedStore(file, password);
    Signer signer = FindSigner(store.get());
    std::vector<CertificatePtr> others = OtherCertificates(store.get(), signer.certificate.get());
    return std::make_shared<WindowsIdentity>(std::move(store), std::move(signer.certificate), std::move(signer.key),
                                             std::move(others));
}

}  // namespace vellum::crypto

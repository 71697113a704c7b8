// Signing identities with OpenSSL: a PKCS#12 file's key and chain, and the
// detached CMS SignedData a PDF signature of subfilter ETSI.CAdES.detached
// holds. OpenSSL's CMS_final always adds a signing-time attribute, which a
// CAdES signature in a PDF must not carry (the signature dictionary's /M
// says when), so the signer info is prepared by CMS and its attributes are
// signed here with EVP_DigestSign, as CMS_SignerInfo_sign would.
#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pkcs12.h>
#include <openssl/pkcs7.h>
#include <openssl/provider.h>
#include <openssl/x509.h>

#include <memory>
#include <string>

#include "crypto_openssl.h"

namespace vellum::crypto {
namespace {

template <auto Free>
struct Freer {
    template <class T>
    void operator()(T* p) const noexcept {
        Free(p);
    }
};

void FreeCertificates(STACK_OF(X509) * certificates) { sk_X509_pop_free(certificates, X509_free); }
void FreeOpenSslBlock(unsigned char* block) { OPENSSL_free(block); }
// The attributes stay the signer info's.
void FreeAttributeList(STACK_OF(X509_ATTRIBUTE) * list) { sk_X509_ATTRIBUTE_free(list); }

using Pkcs12Ptr = std::unique_ptr<PKCS12, Freer<PKCS12_free>>;
using KeyPtr = std::unique_ptr<EVP_PKEY, Freer<EVP_PKEY_free>>;
using CertificatePtr = std::unique_ptr<X509, Freer<X509_free>>;
using CertificatesPtr = std::unique_ptr<STACK_OF(X509), Freer<FreeCertificates>>;
using CmsPtr = std::unique_ptr<CMS_ContentInfo, Freer<CMS_ContentInfo_free>>;
using DigestContextPtr = std::unique_ptr<EVP_MD_CTX, Freer<EVP_MD_CTX_free>>;
using OpenSslBlock = std::unique_ptr<unsigned char, Freer<FreeOpenSslBlock>>;

constexpr std::string_view kUnreadable = "The certificate file could not be read: ";

// The first reason OpenSSL queued, for messages about failures that the
// caller's input cannot explain; the queue is emptied either way.
std::string OpenSslReason() {
    const char* reason = ERR_reason_error_string(ERR_peek_error());
    std::string text = reason != nullptr ? reason : "unknown reason";
    ERR_clear_error();
    return text;
}

[[noreturn]] void Fail(std::string_view message) {
    ERR_clear_error();
    throw CryptoError(std::string(message));
}

[[noreturn]] void FailSigning(std::string_view step) {
    throw CryptoError("Signing failed (" + std::string(step) + "): " + OpenSslReason());
}

// Files made by older tools (OpenSSL 1.x, Java's keytool) encrypt their
// certificates with RC2, which OpenSSL 3 keeps in its legacy provider. They
// are read with a library context of its own that has it; made once, kept for
// the process, as the keys read with it refer to it.
OSSL_LIB_CTX* Pkcs12Context() {
    static OSSL_LIB_CTX* const context = [] {
        OSSL_LIB_CTX* made = OSSL_LIB_CTX_new();
        if (made != nullptr) {
            OSSL_PROVIDER_load(made, "default");
            OSSL_PROVIDER_load(made, "legacy");  // a system without it still reads current files
        }
        ERR_clear_error();
        return made;
    }();
    return context;
}

// PKCS12_verify_mac and PKCS12_parse take no library context: this one is
// made the default of the calling thread while they run.
class Pkcs12ContextInForce {
public:
    Pkcs12ContextInForce() {
        if (OSSL_LIB_CTX* context = Pkcs12Context()) previous_ = OSSL_LIB_CTX_set0_default(context);
    }
    ~Pkcs12ContextInForce() {
        if (previous_ != nullptr) OSSL_LIB_CTX_set0_default(previous_);
    }
    Pkcs12ContextInForce(const Pkcs12ContextInForce&) = delete;
    Pkcs12ContextInForce& operator=(const Pkcs12ContextInForce&) = delete;

private:
    OSSL_LIB_CTX* previous_ = nullptr;
};

// An empty password may have been stored as none at all.
bool PasswordOpens(PKCS12* file, const std::string& password) {
    if (PKCS12_verify_mac(file, password.c_str(), static_cast<int>(password.size())) == 1) return true;
    return password.empty() && PKCS12_verify_mac(file, nullptr, 0) == 1;
}

int DerSize(X509* certificate) { return i2d_X509(certificate, nullptr); }

std::string CommonName(X509* certificate) {
    const X509_NAME* subject = X509_get_subject_name(certificate);
    const int index = X509_NAME_get_index_by_NID(subject, NID_commonName, -1);
    if (index < 0) return {};
    unsigned char* utf8 = nullptr;
    const int length = ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, index)));
    if (length < 0) {
        ERR_clear_error();
        return {};
    }
    const OpenSslBlock owned(utf8);
    return {reinterpret_cast<const char*>(utf8), static_cast<std::size_t>(length)};
}

class OpenSslIdentity final : public SigningIdentity {
public:
    OpenSslIdentity(KeyPtr key, CertificatePtr certificate, CertificatesPtr chain)
        : key_(std::move(key)), certificate_(std::move(certificate)), chain_(std::move(chain)) {}

    std::string SignerName() const override { return CommonName(certificate_.get()); }
    std::size_t MaxSignatureSize() const override;
    Bytes SignDetached(std::span<const ByteView> pieces) const override;

private:
    CmsPtr PreparedSignedData() const;

    KeyPtr key_;
    CertificatePtr certificate_;
    CertificatesPtr chain_;  // the other certificates of the file, maybe none
};

// Every certificate appears once in the SignedData; the signer's issuer and
// serial number twice more (the signer info names its certificate by them,
// and so does the signing-certificate attribute), each time shorter than the
// certificate itself; the signature value is at most the key's size; the
// rest (algorithm identifiers, three attributes, the framing) stays well
// under the fixed allowance.
std::size_t OpenSslIdentity::MaxSignatureSize() const {
    constexpr std::size_t kFixedOverhead = 1024;
    std::size_t size = kFixedOverhead + 3 * static_cast<std::size_t>(DerSize(certificate_.get()));
    for (int i = 0; i < sk_X509_num(chain_.get()); ++i) {
        size += static_cast<std::size_t>(DerSize(sk_X509_value(chain_.get(), i)));
    }
    return size + static_cast<std::size_t>(EVP_PKEY_get_size(key_.get()));
}

// A detached SignedData with the chain and one signer info (SHA-256, the
// signing-certificate-v2 attribute added by CMS_CADES), left unsigned.
CmsPtr OpenSslIdentity::PreparedSignedData() const {
    constexpr unsigned kFlags = CMS_DETACHED | CMS_BINARY | CMS_PARTIAL | CMS_NOSMIMECAP | CMS_CADES;
    CmsPtr cms(CMS_sign(nullptr, nullptr, chain_.get(), nullptr, kFlags));
    if (cms == nullptr) FailSigning("SignedData");
    if (CMS_add1_signer(cms.get(), certificate_.get(), key_.get(), EVP_sha256(), kFlags) == nullptr) {
        FailSigning("signer");
    }
    return cms;
}

Bytes Sha256Of(std::span<const ByteView> pieces) {
    DigestContextPtr context(EVP_MD_CTX_new());
    if (context == nullptr || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) FailSigning("digest");
    for (const ByteView piece : pieces) {
        if (EVP_DigestUpdate(context.get(), piece.data(), piece.size()) != 1) FailSigning("digest");
    }
    Bytes digest(EVP_MAX_MD_SIZE);
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), digest.data(), &length) != 1) FailSigning("digest");
    digest.resize(length);
    return digest;
}

// The signed attributes DER-encoded as the SET OF that the signature covers
// (PKCS#7's encoding of signed attributes is CMS's, sorted the same way).
OpenSslBlock SignedAttributesDer(CMS_SignerInfo* signer, int& length) {
    std::unique_ptr<STACK_OF(X509_ATTRIBUTE), Freer<FreeAttributeList>> attributes(sk_X509_ATTRIBUTE_new_null());
    if (attributes == nullptr) FailSigning("attributes");
    for (int i = 0; i < CMS_signed_get_attr_count(signer); ++i) {
        if (sk_X509_ATTRIBUTE_push(attributes.get(), CMS_signed_get_attr(signer, i)) <= 0) FailSigning("attributes");
    }
    unsigned char* der = nullptr;
    length = ASN1_item_i2d(reinterpret_cast<ASN1_VALUE*>(attributes.get()), &der, ASN1_ITEM_rptr(PKCS7_ATTR_SIGN));
    if (length <= 0 || der == nullptr) FailSigning("attributes");
    return OpenSslBlock(der);
}

void SignAttributes(CMS_SignerInfo* signer, EVP_PKEY* key) {
    int length = 0;
    const OpenSslBlock der = SignedAttributesDer(signer, length);
    DigestContextPtr context(EVP_MD_CTX_new());
    std::size_t size = 0;
    if (context == nullptr || EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, key) != 1 ||
        EVP_DigestSign(context.get(), nullptr, &size, der.get(), static_cast<std::size_t>(length)) != 1) {
        FailSigning("signature");
    }
    auto* signature = static_cast<unsigned char*>(OPENSSL_malloc(size));
    if (signature == nullptr ||
        EVP_DigestSign(context.get(), signature, &size, der.get(), static_cast<std::size_t>(length)) != 1) {
        OPENSSL_free(signature);
        FailSigning("signature");
    }
    ASN1_STRING_set0(CMS_SignerInfo_get0_signature(signer), signature, static_cast<int>(size));
}

Bytes SignedDataDer(CMS_ContentInfo* cms) {
    const int length = i2d_CMS_ContentInfo(cms, nullptr);
    if (length <= 0) FailSigning("encoding");
    Bytes der(static_cast<std::size_t>(length));
    unsigned char* out = der.data();
    if (i2d_CMS_ContentInfo(cms, &out) != length) FailSigning("encoding");
    return der;
}

Bytes OpenSslIdentity::SignDetached(std::span<const ByteView> pieces) const {
    const CmsPtr cms = PreparedSignedData();
    CMS_SignerInfo* signer = sk_CMS_SignerInfo_value(CMS_get0_SignerInfos(cms.get()), 0);
    const Bytes digest = Sha256Of(pieces);
    if (CMS_signed_add1_attr_by_NID(signer, NID_pkcs9_contentType, V_ASN1_OBJECT, OBJ_nid2obj(NID_pkcs7_data),
                                    -1) != 1 ||
        CMS_signed_add1_attr_by_NID(signer, NID_pkcs9_messageDigest, V_ASN1_OCTET_STRING, digest.data(),
                                    static_cast<int>(digest.size())) != 1) {
        FailSigning("attributes");
    }
    SignAttributes(signer, key_.get());
    Bytes der = SignedDataDer(cms.get());
    if (der.size() > MaxSignatureSize()) {
        throw CryptoError("Signing failed: the signature is larger than the room kept for it");
    }
    return der;
}

}  // namespace

std::shared_ptr<const SigningIdentity> openssl::IdentityFromPkcs12(ByteView pkcs12, std::string_view password) {
    ERR_clear_error();
    const unsigned char* data = pkcs12.data();
    Pkcs12Ptr file(d2i_PKCS12(nullptr, &data, static_cast<long>(pkcs12.size())));
    if (file == nullptr) Fail(std::string(kUnreadable) + "it is not a PKCS#12 file");
    const std::string secret(password);
    const Pkcs12ContextInForce context;
    // OpenSSL 3.0 reads no file without one.
    if (PKCS12_mac_present(file.get()) != 1) Fail(std::string(kUnreadable) + "it carries no password check (MAC)");
    if (!PasswordOpens(file.get(), secret)) Fail(std::string(kUnreadable) + "the password is wrong");
    EVP_PKEY* key = nullptr;
    X509* certificate = nullptr;
    STACK_OF(X509)* chain = nullptr;
    if (PKCS12_parse(file.get(), secret.c_str(), &key, &certificate, &chain) != 1) {
        Fail(std::string(kUnreadable) + "its contents cannot be decrypted (" + OpenSslReason() + ")");
    }
    KeyPtr ownedKey(key);
    CertificatePtr ownedCertificate(certificate);
    CertificatesPtr ownedChain(chain != nullptr ? chain : sk_X509_new_null());
    if (ownedKey == nullptr || ownedCertificate == nullptr) {
        Fail(std::string(kUnreadable) + "it holds no private key with its certificate");
    }
    return std::make_shared<OpenSslIdentity>(std::move(ownedKey), std::move(ownedCertificate), std::move(ownedChain));
}

}  // namespace vellum::crypto

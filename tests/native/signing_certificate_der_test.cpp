// The native build's own DER of the signing-certificate-v2 attribute against
// OpenSSL's encoding of the same certificate's ESSCertIDv2: serial numbers
// that need a sign octet, names long enough for each length form.
#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/ess.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <functional>
#include <memory>
#include <string>

#include "signing_certificate_der.h"

namespace {

namespace crypto = vellum::crypto;

template <auto Free>
struct Freer {
    template <class T>
    void operator()(T* p) const noexcept {
        Free(p);
    }
};
using CertificatePtr = std::unique_ptr<X509, Freer<X509_free>>;
using KeyPtr = std::unique_ptr<EVP_PKEY, Freer<EVP_PKEY_free>>;

crypto::Bytes Der(int size, const std::function<int(unsigned char**)>& encode) {
    crypto::Bytes der(static_cast<std::size_t>(size));
    unsigned char* out = der.data();
    encode(&out);
    return der;
}

// A certificate signed by its own fresh key: as issuer, `units` units of 60
// characters each (the most one may hold); the serial number in hexadecimal.
CertificatePtr MadeCertificate(int units, const char* serial) {
    const KeyPtr key(EVP_EC_gen("P-256"));
    CertificatePtr certificate(X509_new());
    BIGNUM* number = nullptr;
    BN_hex2bn(&number, serial);
    BN_to_ASN1_INTEGER(number, X509_get_serialNumber(certificate.get()));
    BN_free(number);
    X509_NAME* name = X509_get_subject_name(certificate.get());
    const std::string unit(60, 'u');
    for (int i = 0; i < units; ++i) {
        X509_NAME_add_entry_by_txt(name, "OU", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(unit.c_str()), -1,
                                   -1, 0);
    }
    X509_set_issuer_name(certificate.get(), name);
    X509_gmtime_adj(X509_getm_notBefore(certificate.get()), 0);
    X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 3600);
    X509_set_pubkey(certificate.get(), key.get());
    EXPECT_GT(X509_sign(certificate.get(), key.get(), EVP_sha256()), 0);
    return certificate;
}

crypto::Bytes OpenSslEncoding(X509* certificate) {
    ESS_SIGNING_CERT_V2* value = OSSL_ESS_signing_cert_v2_new_init(EVP_sha256(), certificate, nullptr, 1);
    const crypto::Bytes der = Der(i2d_ESS_SIGNING_CERT_V2(value, nullptr),
                                  [&](unsigned char** out) { return i2d_ESS_SIGNING_CERT_V2(value, out); });
    ESS_SIGNING_CERT_V2_free(value);
    return der;
}

crypto::Bytes OwnEncoding(X509* certificate) {
    unsigned char hash[32];
    unsigned int size = 0;
    X509_digest(certificate, EVP_sha256(), hash, &size);
    const X509_NAME* issuer = X509_get_issuer_name(certificate);
    const crypto::Bytes name = Der(i2d_X509_NAME(issuer, nullptr),
                                   [&](unsigned char** out) { return i2d_X509_NAME(issuer, out); });
    // The INTEGER's content octets, as the certificate holds them.
    const ASN1_INTEGER* serial = X509_get0_serialNumber(certificate);
    crypto::Bytes integer = Der(i2d_ASN1_INTEGER(serial, nullptr),
                                [&](unsigned char** out) { return i2d_ASN1_INTEGER(serial, out); });
    integer.erase(integer.begin(), integer.begin() + 2);  // short lengths only here
    return crypto::SigningCertificateV2(crypto::ByteView(hash, size), name, integer);
}

TEST(SigningCertificateDer, MatchesOpenSsl) {
    const struct {
        int issuerUnits;  // 71 bytes of DER each: the whole grows past 127, then 255 bytes
        const char* serial;
    } cases[] = {
        {1, "01"},
        {1, "7F00FF"},
        {2, "80"},  // a sign octet: 00 80
        {5, "9A3F0C11D2E4B5A6978877665544332211"},
    };
    for (const auto& c : cases) {
        const CertificatePtr certificate = MadeCertificate(c.issuerUnits, c.serial);
        EXPECT_EQ(OwnEncoding(certificate.get()), OpenSslEncoding(certificate.get()))
            << c.issuerUnits << " units in the issuer, serial " << c.serial;
    }
}

TEST(SigningCertificateDer, RefusesWhatIsNotAHashOrAName) {
    const crypto::Bytes hash(32, 1), name{0x30, 0x00}, serial{1};
    EXPECT_THROW(crypto::SigningCertificateV2(crypto::Bytes(20, 1), name, serial), crypto::CryptoError);
    EXPECT_THROW(crypto::SigningCertificateV2(hash, crypto::Bytes{0x31, 0x00}, serial), crypto::CryptoError);
    EXPECT_NO_THROW(crypto::SigningCertificateV2(hash, name, serial));
}

}  // namespace

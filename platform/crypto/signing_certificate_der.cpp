#include "signing_certificate_der.h"

namespace vellum::crypto {
namespace {

constexpr std::uint8_t kInteger = 0x02;
constexpr std::uint8_t kOctetString = 0x04;
constexpr std::uint8_t kSequence = 0x30;
constexpr std::uint8_t kDirectoryName = 0xA4;  // [4], constructed: Name is a CHOICE, so explicit

// Tag, definite length (short form below 128, else the fewest octets), value.
Bytes Tlv(std::uint8_t tag, ByteView value) {
    Bytes out{tag};
    const std::size_t size = value.size();
    if (size < 0x80) {
        out.push_back(static_cast<std::uint8_t>(size));
    } else {
        std::size_t octets = 0;
        for (std::size_t rest = size; rest != 0; rest >>= 8) ++octets;
        out.push_back(static_cast<std::uint8_t>(0x80 | octets));
        for (std::size_t i = octets; i-- > 0;) out.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
    }
    out.insert(out.end(), value.begin(), value.end());
    return out;
}

Bytes Joined(std::initializer_list<ByteView> parts) {
    Bytes joined;
    for (const ByteView part : parts) joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

}  // namespace

Bytes SigningCertificateV2(ByteView certificateSha256, ByteView issuerNameDer, ByteView serialNumber) {
    if (certificateSha256.size() != 32) throw CryptoError("Signing failed: a certificate's SHA-256 holds 32 bytes");
    if (issuerNameDer.empty() || issuerNameDer.front() != kSequence) {
        throw CryptoError("Signing failed: the certificate's issuer name is not DER");
    }
    const std::uint8_t zero = 0;
    const ByteView serial = serialNumber.empty() ? ByteView(&zero, 1) : serialNumber;
    const Bytes generalNames = Tlv(kSequence, Tlv(kDirectoryName, issuerNameDer));
    const Bytes issuerSerial = Tlv(kSequence, Joined({generalNames, Tlv(kInteger, serial)}));
    const Bytes certificateId = Tlv(kSequence, Joined({Tlv(kOctetString, certificateSha256), issuerSerial}));
    return Tlv(kSequence, Tlv(kSequence, certificateId));
}

}  // namespace vellum::crypto

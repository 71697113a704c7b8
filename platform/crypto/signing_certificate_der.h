// The value of the signing-certificate-v2 attribute (RFC 5035) that binds a
// CAdES signature to its certificate, for systems whose CMS does not add it
// (the native build). Structure encoding only: the hash comes from the seam.
#pragma once

#include "crypto.h"

namespace vellum::crypto {

// The attribute's OID, 1.2.840.113549.1.9.16.2.47.
inline constexpr char kSigningCertificateV2Oid[] = "1.2.840.113549.1.9.16.2.47";

// DER of SigningCertificateV2 naming one certificate: SEQUENCE { SEQUENCE OF
// { ESSCertIDv2 { certHash, issuerSerial { the issuer as a directory name,
// the serial number } } } }, with SHA-256, the default, so no hash algorithm.
//   certificateSha256  SHA-256 of the certificate's DER (32 bytes)
//   issuerNameDer      the issuer's Name, DER as it stands in the certificate
//   serialNumber       the serial number INTEGER's content octets, big-endian
//                      two's complement as in the certificate
Bytes SigningCertificateV2(ByteView certificateSha256, ByteView issuerNameDer, ByteView serialNumber);

}  // namespace vellum::crypto

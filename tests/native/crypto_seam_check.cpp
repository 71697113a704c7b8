// The native build's cryptography seam against known answers, run under Wine
// (or Windows) by scripts/wine-test.sh: one line per algorithm, "ok NAME" or
// "FAIL NAME: why", so the test can tell which ones the system provides.
//   vellum_crypto_check.exe [PKCS12-FILE PASSWORD]
// With a PKCS#12 file, its identity is read too and a detached signature over
// "signed bytes" written to signature.der.
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "crypto.h"

namespace {

namespace crypto = vellum::crypto;
using crypto::Bytes;
using crypto::View;

std::string Hex(const Bytes& bytes) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

Bytes FromHex(std::string_view hex) {
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
    return bytes;
}

int failures = 0;

void Check(const char* name, const std::function<std::string()>& made, std::string_view expected) {
    try {
        const std::string result = made();
        if (result == expected) {
            std::printf("ok %s\n", name);
            return;
        }
        std::printf("FAIL %s: %s instead of %s\n", name, result.c_str(), std::string(expected).c_str());
    } catch (const std::exception& error) {
        std::printf("FAIL %s: %s\n", name, error.what());
    }
    ++failures;
}

std::string HashHex(crypto::Hash hash, std::string_view text) { return Hex(crypto::HashOf(hash, View(text))); }

void CheckPrimitives() {
    const Bytes key128 = FromHex("000102030405060708090a0b0c0d0e0f");
    const Bytes key256 = FromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
    const Bytes block = FromHex("00112233445566778899aabbccddeeff");
    const Bytes iv = FromHex("0f0e0d0c0b0a09080706050403020100");
    Check("random", [] {
        Bytes bytes(32);
        crypto::RandomBytes(bytes);
        return std::to_string(bytes.size());
    }, "32");
    Check("MD5", [] { return HashHex(crypto::Hash::Md5, "abc"); }, "900150983cd24fb0d6963f7d28e17f72");
    Check("SHA-256", [] { return HashHex(crypto::Hash::Sha256, "abc"); },
          "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    Check("SHA-384", [] { return HashHex(crypto::Hash::Sha384, "abc").substr(0, 32); },
          "cb00753f45a35e8bb5a03d699ac65007");
    Check("SHA-512", [] { return HashHex(crypto::Hash::Sha512, "abc").substr(0, 32); },
          "ddaf35a193617abacc417349ae204131");
    Check("RC4", [] { return Hex(crypto::Rc4(View("Key"), View("Plaintext"))); }, "bbf316e8d940af0ad3");
    Check("AES-128-ECB", [&] { return Hex(crypto::AesEcbEncrypt(key128, block)); }, "69c4e0d86a7b0430d8cdb78070b4c55a");
    Check("AES-256-ECB", [&] { return Hex(crypto::AesEcbEncrypt(key256, block)); }, "8ea2b7ca516745bfeafc49904b496089");
    Check("AES-128-CBC", [&] { return Hex(crypto::AesCbcEncrypt(key128, Bytes(16, 0), block, crypto::Padding::None)); },
          "69c4e0d86a7b0430d8cdb78070b4c55a");
    Check("AES-256-CBC with padding, both ways", [&] {
        const Bytes sealed = crypto::AesCbcEncrypt(key256, iv, View("seventeen bytes!!"), crypto::Padding::Pkcs7);
        const Bytes opened = crypto::AesCbcDecrypt(key256, iv, sealed, crypto::Padding::Pkcs7);
        return std::to_string(sealed.size()) + " " + std::string(opened.begin(), opened.end());
    }, "32 seventeen bytes!!");
}

void CheckSigning(const char* path, const char* password) {
    std::ifstream file(path, std::ios::binary);
    const std::string pkcs12((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::shared_ptr<const crypto::SigningIdentity> identity;
    Check("PKCS#12", [&] {
        identity = crypto::SigningIdentity::FromPkcs12(View(pkcs12), password);
        return identity->SignerName();
    }, "Vellum Test Signer");
    if (identity == nullptr) return;
    Check("CMS SignedData", [&] {
        const crypto::ByteView pieces[] = {View("signed "), View("bytes")};
        const Bytes der = identity->SignDetached(pieces);
        std::ofstream("signature.der", std::ios::binary).write(reinterpret_cast<const char*>(der.data()),
                                                              static_cast<std::streamsize>(der.size()));
        return std::string(der.size() <= identity->MaxSignatureSize() ? "fits" : "too large");
    }, "fits");
}

}  // namespace

int main(int argc, char** argv) {
    CheckPrimitives();
    if (argc == 3) CheckSigning(argv[1], argv[2]);
    return failures == 0 ? 0 : 1;
}

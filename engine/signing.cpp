// Sign: the identity is read at once, so a wrong password or an unreadable
// file fails the call that names it instead of a later write.
#include <memory>

#include "crypto.h"
#include "document.h"
#include "errors.h"
#include "file_input.h"
#include "signing.h"

namespace vellum {
namespace {

// A PKCS#12 file holds a key and a few certificates: a few kilobytes.
constexpr std::size_t kMaxCertificateFileBytes = 1024 * 1024;

std::shared_ptr<const crypto::SigningIdentity> ReadIdentity(const SignatureRequest& request) {
    if (request.certificateFile.empty()) throw EngineError("No certificate file was given to sign with");
    const std::string pkcs12 = ReadWholeFile(request.certificateFile, kMaxCertificateFileBytes);
    try {
        return crypto::SigningIdentity::FromPkcs12(crypto::View(pkcs12), request.password);
    } catch (const crypto::CryptoError& error) {
        throw EngineError("Cannot sign with \"" + request.certificateFile + "\". " + error.what());
    }
}

}  // namespace

void TPDFDoc::Sign(const SignatureRequest& request) {
    RequireReady();
    auto settings = std::make_shared<SignatureSettings>();
    settings->identity = ReadIdentity(request);
    settings->reason = request.reason;
    settings->location = request.location;
    if (Signature != nullptr) {
        settings->fieldNumber = Signature->fieldNumber;
        settings->dictionaryNumber = Signature->dictionaryNumber;
    } else {
        RequireObjectRoom(2);
        settings->fieldNumber = NextObjectNumber();
        settings->dictionaryNumber = NextObjectNumber();
    }
    Signature = std::move(settings);
}

}  // namespace vellum

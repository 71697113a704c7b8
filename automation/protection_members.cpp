// Members of IPDFDocument2 that protect the document at its writes: a
// password with permissions, a digital signature. The engine checks and keeps
// each request; a request it refuses changes nothing.
#include <string_view>

#include "boundary.h"
#include "com/codepage.h"
#include "pdf_document.h"

namespace vellum::automation {
namespace {

// A password as UTF-8. Elsewhere an unpaired surrogate becomes U+FFFD; in a
// password that would make a different password, so it is refused instead.
std::string PasswordText(BSTR password, std::string_view argument) {
    if (FirstUnpairedSurrogate(BstrView(password)) != std::u16string_view::npos) {
        throw EngineError(std::string(argument) + " holds half of a UTF-16 surrogate pair, which is no character");
    }
    return ToUnicodeText(password);
}

}  // namespace

HRESULT TPDFDocument::Encrypt(BSTR UserPassword, BSTR OwnerPassword, BSTR Permissions, BSTR Method) {
    return Guarded([&] {
        TPDFDoc& doc = RequireOpenDocument();
        doc.Encrypt(EncryptionRequest{PasswordText(UserPassword, "UserPassword"),
                                      PasswordText(OwnerPassword, "OwnerPassword"), ToUnicodeText(Permissions),
                                      ToUnicodeText(Method)});
    });
}

HRESULT TPDFDocument::Sign(BSTR CertificateFile, BSTR Password, BSTR Reason, BSTR Location) {
    return Guarded([&] {
        TPDFDoc& doc = RequireOpenDocument();
        doc.Sign(SignatureRequest{ToFileName(CertificateFile), PasswordText(Password, "Password"),
                                  ToUnicodeText(Reason), ToUnicodeText(Location)});
    });
}

}  // namespace vellum::automation

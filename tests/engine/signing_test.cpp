#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "document.h"
#include "errors.h"
#include "test_support.h"

namespace vellum {
namespace {

constexpr char kPassword[] = "s3cret (pass)";
constexpr char kSigner[] = "Jane Signer";

// A fresh CA and signer per test program, made by the script examples use too.
class Signing : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        certificates = new test::ScratchFolder;
        const test::CommandResult made =
            test::RunCommand(test::ShellQuote(VELLUM_MAKE_TEST_CERTIFICATE) + " " +
                             test::ShellQuote(certificates->path().string()) + " " + test::ShellQuote(kPassword) +
                             " " + test::ShellQuote(kSigner));
        ASSERT_EQ(made.status, 0) << made.output;
    }
    static void TearDownTestSuite() {
        delete certificates;
        certificates = nullptr;
    }

    void SetUp() override { setenv("SOURCE_DATE_EPOCH", "1767225600", 1); }
    void TearDown() override { unsetenv("SOURCE_DATE_EPOCH"); }

    void NewDocument() {
        doc.ResetDocument();
        doc.Page(1).TextOut("Signed text", 20, 30);
    }

    static std::string Pkcs12() { return certificates->File("signer.p12"); }

    std::string Saved(bool asByteArray, const std::string& name) {
        const std::string path = scratch.File(name);
        if (asByteArray) {
            test::WriteFile(path, doc.SaveToByteArray());
        } else {
            doc.SaveToFile(path);
        }
        return path;
    }

    static std::string PdfSig(const std::string& path) {
        return test::RunCommand("pdfsig " + test::ShellQuote(path)).output;
    }

    static test::ScratchFolder* certificates;
    test::ScratchFolder scratch;
    TPDFDoc doc;
};

test::ScratchFolder* Signing::certificates = nullptr;

TEST_F(Signing, SignedFilesVerifyAndAnyChangedByteBreaksThem) {
    struct Case {
        const char* name;
        bool asByteArray;
        bool withNote;  // the page's own annotations and the widget share /Annots
        std::string reason, location;
        std::string annots, form, field, value, textEntries;
    };
    const std::vector<Case> cases = {
        {"file", false, false, "Approved", "Zürich", "/Annots [21 0 R ]\r\n",
         "/AcroForm << /Fields [21 0 R] /SigFlags 3 >>\r\n", "21 0 obj\r\n", "/V 22 0 R\r\n",
         "/Reason (Approved)\r\n/Location (Z\xFCrich)\r\n"},
        {"byte array", true, true, "", "", "/Annots [21 0 R 22 0 R ]\r\n",
         "/AcroForm << /Fields [22 0 R] /SigFlags 3 >>\r\n", "22 0 obj\r\n", "/V 23 0 R\r\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NewDocument();
        if (c.withNote) doc.AddTextAnnotation(1, 10, 10, "A note");
        doc.Sign({Pkcs12(), kPassword, "Replaced", "Replaced"});
        doc.Sign({Pkcs12(), kPassword, c.reason, c.location});
        const std::string path = Saved(c.asByteArray, std::string(c.name) + ".pdf");
        EXPECT_TRUE(test::QpdfCheckIsClean(path));

        const std::string bytes = test::ReadFile(path);
        EXPECT_EQ(bytes.substr(0, 8), "%PDF-1.7");
        EXPECT_NE(bytes.find(c.annots), std::string::npos);
        EXPECT_NE(bytes.find(c.form), std::string::npos);
        EXPECT_NE(bytes.find(c.field + "<<\r\n/Type /Annot\r\n/Subtype /Widget\r\n/FT /Sig\r\n/T (Signature1)\r\n"
                                       "/Rect [0 0 0 0]\r\n/F 132\r\n/P 20 0 R\r\n" + c.value + ">>\r\n"),
                  std::string::npos);
        EXPECT_NE(bytes.find("/M (D:20260101000000)\r\n" + c.textEntries + ">>\r\nendobj\r\nxref"), std::string::npos);

        const std::string report = PdfSig(path);
        EXPECT_NE(report.find("Signature Validation: Signature is Valid."), std::string::npos) << report;
        EXPECT_NE(report.find("Signer Certificate Common Name: " + std::string(kSigner)), std::string::npos);
        EXPECT_NE(report.find("Signing Hash Algorithm: SHA-256"), std::string::npos);
        EXPECT_NE(report.find("Signature Type: ETSI.CAdES.detached"), std::string::npos);
        EXPECT_EQ(report.find("Signature #2"), std::string::npos);

        // A byte before the signature's value and one after: both covered.
        for (const std::string_view text : {"XP PDF library", "/M (D:2026"}) {
            std::string changed = bytes;
            const std::size_t at = changed.find(text);
            ASSERT_NE(at, std::string::npos);
            changed[at + text.size() - 1] ^= 1;
            const std::string changedPath = scratch.File("changed.pdf");
            test::WriteFile(changedPath, changed);
            EXPECT_NE(PdfSig(changedPath).find("Signature Validation: Digest Mismatch."), std::string::npos) << text;
        }
    }
}

// The signature covers the encrypted file; its value stays in the clear (a
// reader checks it before decrypting anything), its other strings do not.
TEST_F(Signing, EncryptedDocumentsAreSignedAsWritten) {
    const std::vector<std::pair<std::string, std::string>> methodsAndVersions = {{"AES-256", "%PDF-2.0"},
                                                                                 {"RC4-128", "%PDF-1.7"}};
    for (const auto& [method, version] : methodsAndVersions) {
        SCOPED_TRACE(method);
        NewDocument();
        doc.Encrypt({"", "owner", "print", method});
        doc.Sign({Pkcs12(), kPassword, "Approved", "Basel"});
        const std::string path = Saved(false, "encrypted.pdf");
        EXPECT_TRUE(test::QpdfCheckIsClean(path));
        const std::string bytes = test::ReadFile(path);
        EXPECT_EQ(bytes.substr(0, 8), version);
        EXPECT_EQ(bytes.find("Approved"), std::string::npos);
        const std::string report = PdfSig(path);
        EXPECT_NE(report.find("Signature Validation: Signature is Valid."), std::string::npos) << report;
    }
}

// A refused request fails the call, names the file and the reason, and leaves
// the document exactly as it was: it saves unsigned, byte for byte.
TEST_F(Signing, RefusedCertificatesLeaveTheDocumentUnsigned) {
    NewDocument();
    const std::string unsigned_ = test::ReadFile(Saved(true, "unsigned.pdf"));
    const std::string notPkcs12 = certificates->File("ca.pem");
    struct Case {
        std::string file, password, message;
    };
    const std::vector<Case> cases = {
        {Pkcs12(), "wrong", "Cannot sign with \"" + Pkcs12() +
                                "\". The certificate file could not be read: the password is wrong"},
        {notPkcs12, kPassword, "Cannot sign with \"" + notPkcs12 +
                                   "\". The certificate file could not be read: it is not a PKCS#12 file"},
        {scratch.File("missing.p12"), kPassword, "Cannot open file \"" + scratch.File("missing.p12") + "\"."},
        {"", kPassword, "No certificate file was given to sign with"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        NewDocument();
        try {
            doc.Sign({c.file, c.password, "Reason", "Location"});
            ADD_FAILURE() << "Sign succeeded";
        } catch (const EngineError& error) {
            EXPECT_EQ(std::string(error.what()).substr(0, c.message.size()), c.message);
        }
        EXPECT_EQ(test::ReadFile(Saved(true, "refused.pdf")), unsigned_);
    }
}

// An accessible document holds its signature's widget in a Form element,
// as it holds every annotation, and the signature still verifies.
TEST_F(Signing, AccessibleDocumentsTagTheSignatureWidget) {
    doc.ResetDocument();
    doc.SetConformance("PDF/UA-1");
    doc.SetLanguage("en");
    doc.RequireInfo().Title = "Signed";
    doc.Page(1).TextOut("Signed text", 20, 30);
    doc.AddTextAnnotation(1, 10, 10, "A note");
    doc.Sign({Pkcs12(), kPassword, "", ""});
    const std::string path = Saved(true, "accessible.pdf");
    EXPECT_TRUE(test::QpdfCheckIsClean(path));
    EXPECT_NE(PdfSig(path).find("Signature Validation: Signature is Valid."), std::string::npos);
    const test::CommandResult ua = test::RunCommand("/usr/bin/python3 " VELLUM_UA_CHECK " " + test::ShellQuote(path));
    EXPECT_EQ(ua.output, path + ": conforms\n");
}

}  // namespace
}  // namespace vellum

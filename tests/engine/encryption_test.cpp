// Encryption with permissions: what the request parsers refuse and accept,
// the cryptography seam's known answers, and encrypted documents as qpdf,
// poppler and pikepdf read them.
#include <gtest/gtest.h>

#include <sstream>

#include "crypto.h"
#include "document.h"
#include "encryption.h"
#include "errors.h"
#include "jpeg.h"
#include "test_support.h"

namespace vellum {
namespace {

std::string Hex(const crypto::Bytes& bytes) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : bytes) text += {kDigits[byte >> 4], kDigits[byte & 15]};
    return text;
}

crypto::Bytes FromHex(std::string_view hex) {
    crypto::Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
    return bytes;
}

TEST(CryptoSeam, KnownAnswers) {
    using crypto::View;
    const crypto::Bytes key128 = FromHex("000102030405060708090a0b0c0d0e0f");
    const crypto::Bytes key256 = FromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
    const crypto::Bytes block = FromHex("00112233445566778899aabbccddeeff");
    const struct {
        const char* what;
        crypto::Bytes made;
        const char* expected;
    } cases[] = {
        {"MD5", crypto::HashOf(crypto::Hash::Md5, View("abc")), "900150983cd24fb0d6963f7d28e17f72"},
        {"SHA-256", crypto::HashOf(crypto::Hash::Sha256, View("abc")),
         "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"SHA-384", crypto::HashOf(crypto::Hash::Sha384, View("")),
         "38b060a751ac96384cd9327eb1b1e36a21fdb71114be07434c0cc7bf63f6e1da274edebfe76f65fbd51ad2f14898b95b"},
        {"RC4", crypto::Rc4(View("Key"), View("Plaintext")), "bbf316e8d940af0ad3"},
        {"AES-128", crypto::AesEcbEncrypt(key128, block), "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {"AES-256", crypto::AesEcbEncrypt(key256, block), "8ea2b7ca516745bfeafc49904b496089"},
        // One block, IV zero: CBC equals ECB; with padding a second block follows.
        {"AES-128-CBC", crypto::AesCbcEncrypt(key128, crypto::Bytes(16, 0), block, crypto::Padding::None),
         "69c4e0d86a7b0430d8cdb78070b4c55a"},
    };
    for (const auto& c : cases) EXPECT_EQ(Hex(c.made), c.expected) << c.what;
    const crypto::Bytes iv = FromHex("0f0e0d0c0b0a09080706050403020100");
    const crypto::Bytes sealed = crypto::AesCbcEncrypt(key256, iv, View("seventeen bytes!!"), crypto::Padding::Pkcs7);
    EXPECT_EQ(sealed.size(), 32u);
    const crypto::Bytes opened = crypto::AesCbcDecrypt(key256, iv, sealed, crypto::Padding::Pkcs7);
    EXPECT_EQ(std::string(opened.begin(), opened.end()), "seventeen bytes!!");
    EXPECT_THROW(crypto::AesCbcEncrypt(key256, iv, View("odd"), crypto::Padding::None), crypto::CryptoError);
}

TEST(EncryptionRequest, PermissionWordsGiveTheirBits) {
    const struct {
        const char* words;
        std::int32_t p;
    } cases[] = {
        {"", -3904},  // reserved bits only: 0xFFFFF0C0
        {" ", -3904},
        {"print", -3900},
        {"print-high", -1852},  // implies print
        {"Modify,COPY", -3880},
        {" annotate , fill-forms ", -3616},
        {"accessibility,assemble", -2368},
        {"print,print", -3900},
        {"all", -4},
        {"ALL, copy", -4},
    };
    for (const auto& c : cases) EXPECT_EQ(ParsePermissions(c.words), c.p) << c.words;
}

TEST(EncryptionRequest, PasswordsBecomeTheBytesTheMethodHashes) {
    const struct {
        const char* text;
        EncryptionMethod method;
        std::string bytes;
    } cases[] = {
        {"secret", EncryptionMethod::Aes256, "secret"},
        {"a\xC2\xA0" "b\xC2\xAD" "c", EncryptionMethod::Aes256, "a bc"},       // no-break space, soft hyphen
        {"\xE2\x85\xA8", EncryptionMethod::Aes256, "IX"},                      // NFKC: Roman numeral nine
        {"\xE4\xB8\xAD\xF0\x9F\x98\x80", EncryptionMethod::Aes256, "\xE4\xB8\xAD\xF0\x9F\x98\x80"},
        {"caf\xC3\xA9", EncryptionMethod::Rc4_128, "caf\xE9"},
        {"\xE2\x82\xAC\xE2\x80\xA2\xCB\x98", EncryptionMethod::Aes128, "\xA0\x80\x18"},  // euro, bullet, breve
        {"caf\xE9", EncryptionMethod::Aes128, "caf\xE9"},  // Windows-1252 bytes as the engine reads them
    };
    for (const auto& c : cases) EXPECT_EQ(PreparePassword(c.text, c.method, "user"), c.bytes) << c.text;
    EXPECT_EQ(PreparePassword(std::string(127, 'x'), EncryptionMethod::Aes256, "user").size(), 127u);
    EXPECT_EQ(PreparePassword(std::string(32, 'x'), EncryptionMethod::Rc4_128, "user").size(), 32u);
}

constexpr const char* kSans = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";
constexpr const char* kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

class Encryption : public ::testing::Test {
protected:
    void SetUp() override {
        pictures::RgbBitmap bitmap{8, 4, std::vector<std::uint8_t>(8 * 4 * 3, 0x80)};
        picture = scratch.File("grey.jpg");
        test::WriteFile(picture, pictures::EncodeJpeg(bitmap, 80));
    }

    // Text in a standard, a TrueType and a Unicode font, a picture, two
    // links, a note, outline entries and information entries.
    void Fill(TPDFDoc& doc) const {
        doc.ResetDocument();
        doc.Page(1).TextOut("Encrypted hello (standard)", 20, 20);
        doc.AddTrueTypeFont("Sans", kSans);
        doc.SelectFont("Sans");
        doc.Page(1).TextOut("TrueType line", 20, 40);
        doc.AddUnicodeFont("DejaVu", kDejaVu);
        doc.SelectFont("DejaVu");
        doc.Page(1).TextOut("Unicode \xCE\xA9 line", 20, 60);
        doc.Page(1).DrawImage(doc.ImportImageFile(picture, 80), 20, 80, 40, 20);
        doc.CreateLinkInternet(1, {10, 10, 60, 20, 1, 0, 0, 255}, "https://example.org/a(b)");
        doc.NewPage();
        doc.CreateLinkInternal(2, {10, 10, 60, 20, 1, 0, 0, 0}, 1);
        doc.AddTextAnnotation(2, 30, 30, "A note \xE2\x82\xAC (with parentheses)");
        const std::int32_t chapter = doc.Outlines->AddChildOutline({1, 0, 0, 0}, "Chapter \xC3\xA9", -1);
        doc.Outlines->AddChildOutline({2, 0, 0, 0}, "Section \xE4\xB8\xAD", chapter);
        TInfo& info = doc.RequireInfo();
        info.Title = "Secret title";
        info.Author = "Author \xCE\xA9";
        info.Subject = "Subject";
    }

    std::string Path(std::string_view name) const { return scratch.File(name); }

    test::ScratchFolder scratch;
    std::string picture;
};

std::string Output(const std::string& commandLine) { return test::RunCommand(commandLine).output; }

bool Holds(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

// Every object reachable from the catalog and the information dictionary,
// in one canonical form (references numbered by first visit, strings and
// stream data as bytes), so files whose objects are numbered apart compare
// equal when they say the same. The creation date is left out.
constexpr const char* kCanonicalDump = R"(import sys, pikepdf
def dump(path):
    pdf = pikepdf.open(path)
    seen = {}
    def walk(obj):
        if isinstance(obj, pikepdf.Object) and obj.is_indirect:
            if obj.objgen in seen:
                return ('ref', seen[obj.objgen])
            seen[obj.objgen] = len(seen)
        if isinstance(obj, pikepdf.Stream):
            return ('stream', entries(obj), bytes(obj.read_raw_bytes()))
        if isinstance(obj, pikepdf.Dictionary):
            return entries(obj)
        if isinstance(obj, pikepdf.Array):
            return [walk(item) for item in obj]
        if isinstance(obj, pikepdf.String):
            return ('string', bytes(obj))
        return repr(obj)
    def entries(d):
        return [(key, walk(d[key])) for key in sorted(d.keys()) if key != '/CreationDate']
    return repr((walk(pdf.Root), walk(pdf.trailer.Info)))
a, b = dump(sys.argv[1]), dump(sys.argv[2])
at = next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), min(len(a), len(b)))
print('same' if a == b else 'differ:\n' + a[at - 200:at + 200] + '\n' + b[at - 200:at + 200])
)";

struct MethodCase {
    const char* method;
    const char* permissions;
    std::int32_t p;
    const char* version;
    std::vector<std::string> shown;  // lines of qpdf --show-encryption
};

TEST_F(Encryption, EachMethodEncryptsEveryStringAndStreamWithExactlyThePermissionsGiven) {
    const MethodCase cases[] = {
        {"AES-256", "print,copy", -3884, "2.0",
         {"R = 6", "P = -3884", "print low resolution: allowed", "print high resolution: not allowed",
          "extract for any purpose: allowed", "modify other: not allowed", "stream encryption method: AESv3",
          "string encryption method: AESv3"}},
        {"aes-128", "Modify, annotate ,fill-forms", -3608, "1.6",
         {"R = 4", "P = -3608", "print low resolution: not allowed", "extract for any purpose: not allowed",
          "modify forms: allowed", "modify annotations: allowed", "modify other: allowed",
          "stream encryption method: AESv2"}},
        {"Rc4-128", "print-high,accessibility,assemble", -316, "1.4",
         {"R = 3", "P = -316", "print high resolution: allowed", "extract for accessibility: allowed",
          "modify document assembly: allowed", "modify annotations: not allowed"}},
    };
    TPDFDoc plainDoc;
    Fill(plainDoc);
    const std::string plain = Path("plain.pdf");
    plainDoc.SaveToFile(plain);
    for (const MethodCase& c : cases) {
        SCOPED_TRACE(c.method);
        TPDFDoc doc;
        Fill(doc);
        doc.Encrypt({"user pw", "owner pw", c.permissions, c.method});
        const std::string path = Path(std::string(c.method) + ".pdf");
        doc.SaveToFile(path);
        const std::string bytes = test::ReadFile(path);
        EXPECT_EQ(bytes.substr(0, 8), "%PDF-" + std::string(c.version));
        for (const char* text : {"Encrypted hello", "Secret title", "example.org", "Chapter", "A note"}) {
            EXPECT_FALSE(Holds(bytes, text)) << text;
        }
        EXPECT_TRUE(test::PdfStructureIsSound(bytes));

        const std::string quoted = test::ShellQuote(path);
        const test::CommandResult check = test::RunCommand("qpdf --check --password='user pw' " + quoted);
        EXPECT_EQ(check.status, 0) << check.output;
        EXPECT_FALSE(Holds(check.output, "WARNING")) << check.output;
        const std::string shown = Output("qpdf --show-encryption --password='user pw' " + quoted);
        for (const std::string& line : c.shown) EXPECT_TRUE(Holds(shown, line + "\n")) << line << "\n" << shown;

        for (const char* password : {"-upw 'user pw'", "-opw 'owner pw'"}) {
            const std::string text = Output("pdftotext " + std::string(password) + " " + quoted + " -");
            for (const char* line : {"Encrypted hello (standard)", "TrueType line", "Unicode \xCE\xA9 line"}) {
                EXPECT_TRUE(Holds(text, line)) << password << ": " << text;
            }
        }
        for (const char* password : {"--password=wrong ", ""}) {
            const test::CommandResult refused = test::RunCommand("qpdf --check " + std::string(password) + quoted);
            EXPECT_NE(refused.status, 0) << password;
            EXPECT_TRUE(Holds(refused.output, "invalid password")) << refused.output;
        }

        const std::string decrypted = test::ShellQuote(Path(std::string(c.method) + "-decrypted.pdf"));
        const std::string decrypt = "qpdf --decrypt --stream-data=preserve --password='user pw' ";
        ASSERT_EQ(test::RunCommand(decrypt + quoted + " " + decrypted).status, 0);
        const std::string script = Path("dump.py");
        test::WriteFile(script, kCanonicalDump);
        EXPECT_EQ(Output("/usr/bin/python3 " + script + " " + decrypted + " " + test::ShellQuote(plain)), "same\n");
    }
}

// No user password: anyone opens the file, and the permissions still hold.
TEST_F(Encryption, AnOwnerPasswordAloneRestrictsWithoutAskingToOpen) {
    TPDFDoc doc;
    Fill(doc);
    doc.Encrypt({"", "", "print", ""});  // a random owner password too
    const std::string path = Path("owner-only.pdf");
    doc.SaveToFile(path);
    EXPECT_TRUE(test::QpdfCheckIsClean(path));
    EXPECT_EQ(test::PdfInfoField(path, "Encrypted"),
              "yes (print:yes copy:no change:no addNotes:no algorithm:AES-256)");
    EXPECT_EQ(test::PdfInfoField(path, "Title"), "Secret title");
    EXPECT_TRUE(Holds(Output("pdftotext " + test::ShellQuote(path) + " -"), "Encrypted hello"));
}

TEST_F(Encryption, RefusalsNameTheProblemAndKeepTheEarlierSettings) {
    TPDFDoc doc;
    Fill(doc);
    doc.Encrypt({"user", "owner", "print", "RC4-128"});
    const struct {
        EncryptionRequest request;
        const char* message;
    } cases[] = {
        {{"u", "o", "", "AES-512"}, "Unknown encryption method \"AES-512\": use AES-256, AES-128 or RC4-128"},
        {{"u", "o", "print, fly", ""},
         "Unknown permission \"fly\": use print, print-high, modify, copy, annotate, fill-forms, accessibility, "
         "assemble or all"},
        {{"u", "o", "print,,copy", ""}, "Permissions \"print,,copy\" hold an empty word between commas"},
        {{"u", "o", "print,", ""}, "Permissions \"print,\" hold an empty word between commas"},
        {{"\xE4\xB8\xAD", "o", "", "RC4-128"},
         "The user password holds the character U+4E2D, which RC4-128 passwords cannot carry (they are "
         "PDFDocEncoding); AES-256 takes any character"},
        {{"u", "tab\x01", "", "AES-128"}, "The owner password holds the character U+0001"},
        {{std::string(33, 'x'), "o", "", "AES-128"}, "The user password has 33 characters; AES-128 allows at most 32"},
        {{"u", std::string(126, 'x') + "\xC3\xA9", "", ""},
         "The owner password takes 128 bytes in UTF-8; AES-256 allows at most 127"},
        {{"bell\x07", "o", "", ""}, "The user password cannot be used for AES-256: SASLprep refuses it ("},
        {{std::string("a\0b", 3), "o", "", ""}, "The user password holds a NUL character"},
    };
    for (const auto& c : cases) {
        try {
            doc.Encrypt(c.request);
            ADD_FAILURE() << "accepted: " << c.message;
        } catch (const EngineError& error) {
            EXPECT_TRUE(Holds(error.what(), c.message)) << error.what();
        }
    }
    const std::string path = Path("kept.pdf");
    doc.SaveToFile(path);
    const std::string shown = Output("qpdf --show-encryption --password=user " + test::ShellQuote(path));
    EXPECT_TRUE(Holds(shown, "R = 3\nP = -3900\n")) << shown;
    EXPECT_THROW(doc.Encrypt({}), EngineError);  // the document is written and cleared
}

// A failed write leaves no trace of encryption in the document; the next
// write, to a byte array, encrypts with keys of its own.
TEST_F(Encryption, AFailedWriteRestoresTheAdditionsAndTheByteArrayIsEncryptedToo) {
    TPDFDoc doc;
    Fill(doc);
    doc.Encrypt({"user", "owner", "all", "AES-128"});
    const std::int32_t objects = doc.ObjectCount();
    EXPECT_THROW(doc.SaveToFile(Path("missing/folder.pdf")), EngineError);
    EXPECT_EQ(doc.ObjectCount(), objects);
    EXPECT_EQ(doc.Additions.version, "1.3");
    EXPECT_TRUE(doc.Additions.trailer.empty());
    EXPECT_EQ(doc.Additions.hook, nullptr);
    const std::string path = Path("array.pdf");
    test::WriteFile(path, doc.SaveToByteArray());
    const std::string shown = Output("qpdf --show-encryption --password=user " + test::ShellQuote(path));
    EXPECT_TRUE(Holds(shown, "R = 4\nP = -4\n")) << shown;
    EXPECT_EQ(doc.Additions.hook, nullptr);
}

}  // namespace
}  // namespace vellum

// The C++ layer <vellum/document.hpp> against the built library: members by
// name, UTF-8 text both ways, failures as vellum::Error, the document's bytes,
// ownership and the ways of creating the object.
#include <vellum/document.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <string>

#include "test_support.h"

namespace {

using vellum::Document;
using vellum::test::ScratchFolder;

class CppLayer : public ::testing::Test {
protected:
    void SetUp() override {
        // An empty registry of our own: the ProgID is not registered.
        setenv("VELLUM_REGISTRY", scratch.File("registry.reg").c_str(), 1);
    }
    void TearDown() override { unsetenv("VELLUM_REGISTRY"); }

    static Document Opened(const char* title = "Test") {
        Document doc{vellum::Library(VELLUM_LIBRARY)};
        doc.NewPDF(title);
        return doc;
    }

    // Writes the document's bytes to a file for the independent tools.
    std::string Written(Document& doc, const char* name = "out.pdf") {
        const std::vector<std::uint8_t> bytes = doc.GetPDFContent();
        const std::string path = scratch.File(name);
        vellum::test::WriteFile(path, std::string(bytes.begin(), bytes.end()));
        return path;
    }

    ScratchFolder scratch;
};

struct TextProperty {
    const char* name;
    std::function<void(Document&, std::string_view)> set;
    std::function<std::string(Document&)> get;
    std::string written;
    std::string read;
};

TEST_F(CppLayer, TextPropertiesRoundTripUtf8) {
    const TextProperty cases[] = {
        {"Author", [](Document& d, std::string_view v) { d.Author(v); }, [](Document& d) { return d.Author(); },
         "Müller & Söhne – “Qualität” €", "Müller & Söhne – “Qualität” €"},
        {"Subject", [](Document& d, std::string_view v) { d.Subject(v); }, [](Document& d) { return d.Subject(); },
         "Größe 3 × 4 ½ ‰", "Größe 3 × 4 ½ ‰"},
        {"Keywords", [](Document& d, std::string_view v) { d.Keywords(v); }, [](Document& d) { return d.Keywords(); },
         "café, crème, œuvre", "café, crème, œuvre"},
        // Document strings keep characters beyond the code page, surrogate pairs too.
        {"Author beyond the code page", [](Document& d, std::string_view v) { d.Author(v); },
         [](Document& d) { return d.Author(); }, "x\U0001F600y\u4E2D", "x\U0001F600y\u4E2D"},
        {"ParagraphAlignment", [](Document& d, std::string_view v) { d.ParagraphAlignment(v); },
         [](Document& d) { return d.ParagraphAlignment(); }, "right", "RIGHT"},
        {"UnitOfMeasure", [](Document& d, std::string_view v) { d.UnitOfMeasure(v); },
         [](Document& d) { return d.UnitOfMeasure(); }, "inch", "inch"},
        {"FontName", [](Document& d, std::string_view v) { d.FontName(v); }, [](Document& d) { return d.FontName(); },
         "Helvetica-Bold", "/F4"},
    };
    for (const TextProperty& property : cases) {
        SCOPED_TRACE(property.name);
        Document doc = Opened();
        property.set(doc, property.written);
        EXPECT_EQ(property.get(doc), property.read);
    }
}

TEST_F(CppLayer, NumberPropertiesKeepTheirValues) {
    Document doc = Opened();
    doc.FontHeight(14.5);
    doc.ParagraphLeading(3.25);
    doc.ParagraphWidth(80);
    doc.TextRendering(2);
    doc.TextInclinationDegrees(-15);
    doc.NewPageAfterThisVerticalPosition(250);
    EXPECT_EQ(doc.FontHeight(), 14.5);
    EXPECT_EQ(doc.ParagraphLeading(), 3.25);
    EXPECT_EQ(doc.ParagraphWidth(), 80);
    EXPECT_EQ(doc.TextRendering(), 2);
    EXPECT_EQ(doc.TextInclinationDegrees(), -15);
    EXPECT_EQ(doc.NewPageAfterThisVerticalPosition(), 250);
    EXPECT_EQ(doc.OCXVersion(), "Vellum XP Vers. 1.118");
}

TEST(CppLayerText, SurrogatePairsAndBrokenSequencesCrossTheBoundary) {
    const vellum::BStr wide = vellum::detail::Wide("a\u00E9\U0001F600");
    EXPECT_EQ(wide.view(), u"a\u00E9\U0001F600");
    EXPECT_EQ(wide.length(), 4u);  // the emoji is a surrogate pair
    EXPECT_EQ(vellum::detail::Utf8(wide), "a\u00E9\U0001F600");
    EXPECT_EQ(vellum::detail::Wide("x\xC3").view(), u"x\uFFFD");  // cut short
    EXPECT_EQ(vellum::detail::Utf8(vellum::BStr(std::u16string(1, u'\xD83D'))), "\xEF\xBF\xBD");
    EXPECT_EQ(vellum::detail::Wide(std::string_view("n\0l", 3)).length(), 3u);  // NULs kept
}

TEST_F(CppLayer, FailuresThrowWithTheObjectsDescription) {
    struct Failure {
        const char* member;
        std::function<void(Document&)> call;
        bool open;
        HRESULT code;
        std::string description;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Failure cases[] = {
        {"TextOut", [](Document& d) { d.TextOut("x", 1, 2); }, false, E_UNEXPECTED,
         "There is no document: call NewPDF first"},
        {"AddPage", [](Document& d) { d.AddPage(); }, false, E_UNEXPECTED, "There is no document: call NewPDF first"},
        {"SavePDF", [](Document& d) { d.SavePDF(""); }, true, E_UNEXPECTED, ""},
        {"TextOut", [nan](Document& d) { d.TextOut("x", nan, 2); }, true, E_UNEXPECTED, ""},
        {"ImportImage", [this](Document& d) { d.ImportImage(scratch.File("missing.jpg"), 90, 0, 0, 10, 10); }, true,
         E_UNEXPECTED, ""},
    };
    for (const Failure& failure : cases) {
        SCOPED_TRACE(failure.member);
        Document doc{vellum::Library(VELLUM_LIBRARY)};
        if (failure.open) doc.NewPDF("Failing");
        try {
            failure.call(doc);
            ADD_FAILURE() << "no exception";
        } catch (const vellum::Error& error) {
            EXPECT_EQ(error.code(), failure.code);
            EXPECT_EQ(error.member(), failure.member);
            EXPECT_EQ(error.source(), "VELLUM_XP.PDFDocument");
            EXPECT_FALSE(error.description().empty());
            if (!failure.description.empty()) {
                EXPECT_EQ(error.description(), failure.description);
            }
            EXPECT_EQ(std::string(error.what()),
                      std::string(failure.member) + " failed: 0x8000FFFF: " + error.description());
        }
    }
}

// Members of IPDFDocument2 go through the interface asked for on their first
// call, and fail as any member does.
TEST_F(CppLayer, MembersOfTheSecondInterfaceFailWithTheObjectsDescription) {
    Document doc{vellum::Library(VELLUM_LIBRARY)};
    const std::string missing = scratch.File("missing.p12");
    const struct {
        const char* member;
        std::function<void()> call;
        std::string description;
    } cases[] = {
        {"Encrypt", [&] { doc.Encrypt("", "owner", "print", "AES-256"); }, "There is no document: call NewPDF first"},
        {"Sign", [&] { doc.Sign(missing, "secret", "", ""); }, "There is no document: call NewPDF first"},
    };
    for (const auto& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << c.member << ": no exception";
        } catch (const vellum::Error& error) {
            EXPECT_EQ(error.member(), c.member);
            EXPECT_EQ(error.code(), E_UNEXPECTED);
            EXPECT_EQ(error.description(), c.description);
        }
    }
    doc.NewPDF("Signed");
    EXPECT_THROW(doc.Sign(missing, "secret", "", ""), vellum::Error);
    doc.Encrypt("", "owner", "print", "AES-256");
    EXPECT_TRUE(vellum::test::QpdfCheckIsClean(Written(doc)));
}

TEST_F(CppLayer, ContentIsTheSavedFileAndPassesTheChecks) {
    // The same calls at the same moment give the same bytes, saved or handed over.
    setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    const auto made = [] {
        Document doc = Opened("Byte array");
        doc.Author("Zoë");
        doc.FontName("Helvetica");
        doc.TextOut("Grüße aus C++", 20, 30);
        doc.AddPage();
        doc.DrawRect(1, 1, 1, 20, 50, 20, 30);
        doc.SendCmd("ChangeCreator", "Order system 4.2");
        return doc;
    };
    Document handedOver = made();
    const std::string fromBytes = Written(handedOver, "bytes.pdf");
    const std::string saved = scratch.File("saved.pdf");
    made().SavePDF(saved);
    unsetenv("SOURCE_DATE_EPOCH");

    EXPECT_TRUE(vellum::test::QpdfCheckIsClean(fromBytes));
    EXPECT_EQ(vellum::test::ReadFile(fromBytes), vellum::test::ReadFile(saved));
    EXPECT_EQ(vellum::test::PdfInfoField(fromBytes, "Pages"), "2");
    const auto info = vellum::test::RunCommand("pdfinfo -enc UTF-8 " + vellum::test::ShellQuote(fromBytes));
    EXPECT_NE(info.output.find("Author:          Zoë\n"), std::string::npos) << info.output;
    EXPECT_EQ(vellum::test::PdfInfoField(fromBytes, "Creator"), "Order system 4.2");
    const auto text = vellum::test::RunCommand("pdftotext -l 1 " + vellum::test::ShellQuote(fromBytes) + " -");
    EXPECT_NE(text.output.find("Grüße aus C++"), std::string::npos) << text.output;
}

TEST_F(CppLayer, SendCmdTakesEveryKindOfOperand) {
    Document doc = Opened();
    EXPECT_EQ(doc.SendCmd("ChangeProducer", 42), "");
    EXPECT_EQ(doc.SendCmd("ChangeProducer", 2.5, true, std::int64_t{1} << 40), "");
    EXPECT_EQ(doc.SendCmd(std::string("Unknown command")), "");
    EXPECT_THROW(doc.SendCmd(7), vellum::Error);  // the command name must be a text
    EXPECT_TRUE(vellum::test::QpdfCheckIsClean(Written(doc)));
    EXPECT_EQ(vellum::test::PdfInfoField(scratch.File("out.pdf"), "Producer"), "2.5");
}

TEST_F(CppLayer, OwnershipMovesAndTheMovedFromDocumentThrows) {
    Document first = Opened("First");
    first.TextOut("kept", 10, 10);
    Document second = std::move(first);
    EXPECT_EQ(first.get(), nullptr);
    try {
        first.AddPage();
        ADD_FAILURE() << "no exception";
    } catch (const vellum::Error& error) {
        EXPECT_EQ(error.code(), E_POINTER);
        EXPECT_EQ(error.member(), "AddPage");
    }
    Document third = Opened("Third");
    third = std::move(second);  // releases the object third held
    EXPECT_TRUE(vellum::test::QpdfCheckIsClean(Written(third)));
    EXPECT_EQ(vellum::test::PdfInfoField(scratch.File("out.pdf"), "Title"), "First");
}

TEST_F(CppLayer, CreatedFromTheLibraryBesideThePlatformLibrary) {
    Document doc;  // not registered here
    doc.NewPDF("Installed");
    EXPECT_FALSE(doc.GetPDFContent().empty());
    EXPECT_EQ(std::filesystem::path(vellum::Library::Installed().path()).parent_path(),
              std::filesystem::path(VELLUM_LIBRARY).parent_path());
}

TEST_F(CppLayer, ALibraryThatCannotBeLoadedIsNamed) {
    const std::string missing = scratch.File("nowhere/Vellum_XP.so");
    try {
        Document doc{vellum::Library(missing)};
        ADD_FAILURE() << "no exception";
    } catch (const vellum::Error& error) {
        EXPECT_EQ(error.code(), CO_E_DLLNOTFOUND);
        EXPECT_NE(error.description().find(missing), std::string::npos) << error.description();
    }
}

TEST_F(CppLayer, RegisteredProgIdComesFirst) {
    ASSERT_EQ(vellum::CallLibraryExport(VELLUM_LIBRARY, "DllRegisterServer"), S_OK);
    {
        Document doc;
        doc.NewPDF("Registered");
        EXPECT_TRUE(vellum::test::QpdfCheckIsClean(Written(doc)));
    }
    // A registration whose library is gone is reported, not silently replaced.
    std::string store = vellum::test::ReadFile(scratch.File("registry.reg"));
    const std::string library = VELLUM_LIBRARY;
    for (auto at = store.find(library); at != std::string::npos; at = store.find(library)) {
        store.replace(at, library.size(), scratch.File("gone.so"));
    }
    vellum::test::WriteFile(scratch.File("registry.reg"), store);
    try {
        Document doc;
        ADD_FAILURE() << "no exception";
    } catch (const vellum::Error& error) {
        EXPECT_EQ(error.code(), CO_E_DLLNOTFOUND);
        EXPECT_NE(error.description().find("registered"), std::string::npos);
    }
}

}  // namespace

// The registry store, the server's registration and activation by ProgID,
// with the built library loaded the way clients load it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "VELLUM_XP_TLB.h"
#include "com/activation.h"
#include "com/bstr.h"
#include "com/codepage.h"
#include "com/raii.h"
#include "com/registry.h"
#include "test_support.h"

namespace vellum::test {
namespace {

constexpr const char* kClass = "CLSID\\{C08D629F-1C7A-45A7-87F6-5C483BA32121}";

class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        storePath = scratch.File("registry.reg");
        setenv("VELLUM_REGISTRY", storePath.c_str(), 1);
    }
    void TearDown() override { unsetenv("VELLUM_REGISTRY"); }

    static LONG Set(const char* keyPath, const char* name, const std::string& value) {
        return registry::WriteValue(keyPath, name, value);
    }

    // A copy of the built library in a folder whose name has a blank.
    std::string CopyLibrary() {
        const auto folder = scratch.path() / "Program Files";
        std::filesystem::create_directories(folder);
        const auto copy = folder / "Vellum_XP.so";
        std::filesystem::copy_file(VELLUM_LIBRARY, copy);
        return copy.string();
    }

    ScratchFolder scratch;
    std::string storePath;
};

TEST_F(Registry, KeysAndValuesSurviveTheFile) {
    ASSERT_EQ(Set("Alpha\\Beta", nullptr, "C:\\Program Files\\a \"quoted\" name"), ERROR_SUCCESS);
    ASSERT_EQ(Set("alpha\\BETA", "Named", "x=y"), ERROR_SUCCESS);  // names ignore letter case
    EXPECT_EQ(registry::ReadValue("ALPHA\\beta"), "C:\\Program Files\\a \"quoted\" name");
    EXPECT_EQ(registry::ReadValue("Alpha\\Beta", "Named"), "x=y");
    EXPECT_EQ(registry::ReadValue("Alpha\\Beta", "Missing"), std::nullopt);
    EXPECT_TRUE(ReadFile(storePath).starts_with("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CLASSES_ROOT\\Alpha]"));

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "alpha\\beta", 0, KEY_READ, &key), ERROR_SUCCESS);
    char small[4];
    DWORD size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(key, "Named", nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size), ERROR_SUCCESS);
    EXPECT_STREQ(small, "x=y");
    size = 2;
    EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 33u);  // with the terminating NUL
    RegCloseKey(key);

    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "Nothing", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "Alpha"), ERROR_ACCESS_DENIED);  // it has a subkey
    EXPECT_EQ(Set("Alpha Gamma", nullptr, "sorts between"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "Alpha\\Beta"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "Alpha"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "Alpha"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(registry::ReadValue("Alpha Gamma"), "sorts between");
}

TEST_F(Registry, RegistrationWritesTheClassAndRemovesItAgain) {
    const std::string library = CopyLibrary();
    ASSERT_EQ(CallLibraryExport(library, "DllRegisterServer"), S_OK);
    EXPECT_EQ(registry::ReadValue(kClass), "PDFDocument Object");
    EXPECT_EQ(registry::ReadValue(std::string(kClass) + "\\InprocServer32"), library);  // blanks kept
    EXPECT_EQ(registry::ReadValue(std::string(kClass) + "\\InprocServer32", "ThreadingModel"), "Both");
    EXPECT_EQ(registry::ReadValue("VELLUM_XP.PDFDocument"), "PDFDocument Object");
    EXPECT_EQ(registry::ReadValue("VELLUM_XP.PDFDocument\\Clsid"), "{C08D629F-1C7A-45A7-87F6-5C483BA32121}");
    EXPECT_EQ(registry::ReadValue(std::string(kClass) + "\\ProgID"), "VELLUM_XP.PDFDocument");
    EXPECT_EQ(registry::ReadValue(std::string(kClass) + "\\Version"), "1.0");
    EXPECT_EQ(registry::ReadValue(std::string(kClass) + "\\TypeLib"), "{3D9C5168-E754-42BE-9816-7E12E9CF8BED}");
    EXPECT_EQ(registry::ReadValue("TypeLib\\{3D9C5168-E754-42BE-9816-7E12E9CF8BED}\\1.0"), "VELLUM_XP Library");
    EXPECT_EQ(registry::ReadValue("TypeLib\\{3D9C5168-E754-42BE-9816-7E12E9CF8BED}\\1.0\\0\\win32"), library);
    EXPECT_EQ(registry::ReadValue("Interface\\{036A3637-E948-4990-BABE-210BE9D0C6E1}\\TypeLib"),
              "{3D9C5168-E754-42BE-9816-7E12E9CF8BED}");

    // A late-bound client creates the object by its ProgID.
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(u"VELLUM_XP.PDFDocument", &clsid), S_OK);
    EXPECT_TRUE(IsEqualGUID(clsid, CLSID_PDFDocument));
    {
        ComPtr<IPDFDocument> object;
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPDFDocument, object.put_void()), S_OK);
        BStr version;
        ASSERT_EQ(object->OCXVersion(version.put()), S_OK);
        EXPECT_EQ(Utf16ToUtf8(version.view()), "Vellum XP Vers. 1.118");
        EXPECT_EQ(CallLibraryExport(library, "DllCanUnloadNow"), S_FALSE);
    }
    EXPECT_EQ(CallLibraryExport(library, "DllCanUnloadNow"), S_OK);

    ASSERT_EQ(CallLibraryExport(library, "DllUnregisterServer"), S_OK);
    for (const std::string& key : {std::string(kClass), std::string(kClass) + "\\InprocServer32",
                                  std::string("VELLUM_XP.PDFDocument"), std::string("VELLUM_XP.PDFDocument\\Clsid"),
                                  std::string("TypeLib\\{3D9C5168-E754-42BE-9816-7E12E9CF8BED}\\1.0")}) {
        EXPECT_EQ(registry::ReadValue(key), std::nullopt) << key;
    }
    EXPECT_EQ(CLSIDFromProgID(u"VELLUM_XP.PDFDocument", &clsid), CO_E_CLASSSTRING);
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_PDFDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CallLibraryExport(library, "DllUnregisterServer"), S_OK);  // twice is harmless
}

TEST_F(Registry, TheClientUsesTheRegisteredLibrary) {
    const std::string library = CopyLibrary();
    const std::string environment = "VELLUM_REGISTRY=" + ShellQuote(storePath) + " ";
    const std::string client = ShellQuote(VELLUM_CLIENT);
    const auto registered = RunCommand(environment + client + " register --library " + ShellQuote(library));
    ASSERT_EQ(registered.status, 0) << registered.output;
    const std::string script = scratch.File("v.vls");
    WriteFile(script, "Print OCXVersion\n");
    const auto run = RunCommand(environment + client + " run " + ShellQuote(script));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "Vellum XP Vers. 1.118\n");

    // A registration that points nowhere is reported, not silently replaced.
    ASSERT_EQ(Set((std::string(kClass) + "\\InprocServer32").c_str(), nullptr, scratch.File("gone.so")), ERROR_SUCCESS);
    const auto broken = RunCommand(environment + client + " run " + ShellQuote(script));
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.output.find("VELLUM_XP.PDFDocument is registered, but its library could not be loaded"),
              std::string::npos)
        << broken.output;
    // An unknown ProgID falls back to the library beside the client.
    const auto fallback = RunCommand(environment + client + " run --progid Other.Thing " + ShellQuote(script));
    EXPECT_EQ(fallback.output, "Vellum XP Vers. 1.118\n");
    EXPECT_EQ(RunCommand(environment + client + " unregister --library " + ShellQuote(library)).status, 0);
}

}  // namespace
}  // namespace vellum::test

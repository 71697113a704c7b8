// The files generated from the member table are committed (the native build
// and installed trees need no generator), so they must be exactly what the
// table gives; and IPDFDocument, once published, must never change.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "VELLUM_XP_TLB.h"
#include "com/guid.h"
#include "generated_files.h"
#include "idl_text.h"

namespace {

std::string CommittedFile(const std::string& path) {
    std::ifstream file(std::string(VELLUM_SOURCE_ROOT) + "/" + path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// The GUID text as IDL writes it: no braces.
std::string IdlGuid(const GUID& guid) {
    const std::string braced = vellum::GuidToString(guid);
    return braced.substr(1, braced.size() - 2);
}

// FNV-1a: a fingerprint that is the same on every build.
std::uint64_t Fingerprint(std::string_view text) {
    std::uint64_t hash = 14695981039346656037u;
    for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
    return hash;
}

TEST(GeneratedFiles, CommittedCopiesAreWhatTheMemberTableGives) {
    for (const auto& file : vellum::idl::GeneratedFiles()) {
        EXPECT_EQ(CommittedFile(file.path), file.text)
            << file.path << " differs from the member table; rewrite it with: cmake --build BUILD --target interface_files";
    }
}

// The header's binary identifiers and the IDL's texts are one and the same,
// and the class's default interface is the latest.
TEST(GeneratedFiles, IdentifiersAgreeBetweenHeaderAndIdl) {
    const std::string idl = vellum::idl::TypeLibraryIdl();
    const struct {
        GUID guid;
        const char* declaration;
    } items[] = {
        {LIBID_VELLUM_XP, "library VELLUM_XP"},
        {IID_IPDFDocument, "interface IPDFDocument : IDispatch"},
        {IID_IPDFDocument2, "interface IPDFDocument2 : IPDFDocument"},
        {CLSID_PDFDocument, "coclass PDFDocument"},
    };
    for (const auto& item : items) {
        SCOPED_TRACE(item.declaration);
        const std::size_t uuid = idl.find("uuid(" + IdlGuid(item.guid) + ")");
        const std::size_t declaration = idl.find(item.declaration);
        ASSERT_NE(uuid, std::string::npos);
        ASSERT_NE(declaration, std::string::npos);
        EXPECT_GT(idl.find("uuid(", uuid + 1), declaration);  // its attribute block directly precedes it
    }
    EXPECT_NE(idl.find("[default] interface IPDFDocument2;\n        interface IPDFDocument;"), std::string::npos);
}

// Programs compiled against IPDFDocument call its slots by position, late-bound
// ones its DISPIDs: its members, their order, types and identifier stay as
// published. New members belong in IPDFDocument2.
TEST(GeneratedFiles, PublishedInterfaceIsUnchanged) {
    const std::string idl = vellum::idl::TypeLibraryIdl();
    const std::size_t start = idl.rfind("    [", idl.find("interface IPDFDocument : IDispatch"));
    const std::size_t end = idl.find("    };\n", start);
    ASSERT_NE(start, std::string::npos);
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(Fingerprint(idl.substr(start, end - start)), 3259827326500825494u) << idl.substr(start, end - start);
}

}  // namespace

// The type library's IDL, the member table and the interface header agree:
// the committed IDL is exactly what the member table generates, and the
// identifiers in it are the header's. Changing one of them alone fails here.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "VELLUM_XP_TLB.h"
#include "com/guid.h"
#include "idl_text.h"
#include "member_table.h"

namespace {

std::string CommittedIdl() {
    std::ifstream file(VELLUM_IDL_FILE, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// The GUID text as IDL writes it: no braces.
std::string IdlGuid(const GUID& guid) {
    const std::string braced = vellum::GuidToString(guid);
    return braced.substr(1, braced.size() - 2);
}

TEST(TypeLibrary, CommittedIdlIsGeneratedFromTheMemberTable) {
    const std::string committed = CommittedIdl();
    ASSERT_FALSE(committed.empty()) << VELLUM_IDL_FILE;
    EXPECT_EQ(committed, vellum::idl::TypeLibraryIdl())
        << "regenerate with: idlgen automation/VELLUM_XP.idl";
}

TEST(TypeLibrary, IdentifiersAreTheInterfaceHeaders) {
    const std::string idl = vellum::idl::TypeLibraryIdl();
    const struct {
        const char* what;
        GUID guid;
        const char* declaration;
    } items[] = {
        {"library", LIBID_VELLUM_XP, "library VELLUM_XP"},
        {"interface", IID_IPDFDocument, "interface IPDFDocument : IDispatch"},
        {"class", CLSID_PDFDocument, "coclass PDFDocument"},
    };
    for (const auto& item : items) {
        const std::size_t uuid = idl.find("uuid(" + IdlGuid(item.guid) + ")");
        const std::size_t declaration = idl.find(item.declaration);
        ASSERT_NE(uuid, std::string::npos) << item.what;
        ASSERT_NE(declaration, std::string::npos) << item.what;
        // The attribute block directly precedes its declaration.
        EXPECT_EQ(idl.find("uuid(", uuid + 1) > declaration, true) << item.what;
    }
}

// Every member appears with its DISPID, kind, parameter names and types, in
// virtual-table order, read back from the IDL text itself.
TEST(TypeLibrary, EveryMemberStandsInVtableOrderWithItsSignature) {
    const std::string idl = vellum::idl::TypeLibraryIdl();
    std::size_t at = idl.find("interface IPDFDocument : IDispatch");
    ASSERT_NE(at, std::string::npos);
    const char* const typeNames[] = {"void", "BSTR", "double", "long", "VARIANT"};
    for (const vellum::MemberSpec& member : vellum::kMembers) {
        char id[16];
        std::snprintf(id, sizeof id, "id(0x%08X)", static_cast<unsigned>(member.dispid));
        std::string attributes = member.kind == vellum::MemberKind::PropertyGet   ? "[propget, "
                                 : member.kind == vellum::MemberKind::PropertyPut ? "[propput, "
                                                                                  : "[";
        std::string signature = "HRESULT " + std::string(member.name) + "(";
        for (int i = 0; i < member.paramCount; ++i) {
            const auto& param = member.params[static_cast<std::size_t>(i)];
            signature += (i ? ", [in] " : "[in] ") + std::string(typeNames[static_cast<int>(param.type)]) + " " +
                         std::string(param.name);
        }
        if (member.result != vellum::ValueType::None) {
            signature += (member.paramCount ? ", " : "") + std::string("[out, retval] ") +
                         typeNames[static_cast<int>(member.result)] + "* Value";
        }
        signature += ");";
        const std::size_t found = idl.find(attributes + id + "]\n        " + signature, at);
        ASSERT_NE(found, std::string::npos) << member.order << " " << member.name;
        at = found + 1;
    }
}

TEST(TypeLibrary, LibraryAttributes) {
    const std::string idl = vellum::idl::TypeLibraryIdl();
    for (const char* expected :
         {"version(1.0)", "lcid(0x0409)", "helpstring(\"VELLUM_XP Library\")",
          "helpstring(\"Dispatch interface for PDFDocument Object\")", "helpstring(\"PDFDocument Object\")", "dual",
          "oleautomation", "[default] interface IPDFDocument;"}) {
        EXPECT_NE(idl.find(expected), std::string::npos) << expected;
    }
}

}  // namespace

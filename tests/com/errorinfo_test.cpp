#include <gtest/gtest.h>

#include <thread>

#include "com_test_util.h"

namespace vellum {
namespace {

constexpr GUID kSomeInterface{0x3D9C5168, 0xE754, 0x42BE,
                              {0x98, 0x16, 0x7E, 0x12, 0xE9, 0xCF, 0x8B, 0xED}};

// The current error object's description, or "<none>".
std::u16string TakeDescription() {
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK) return u"<none>";
    BStr description;
    info->GetDescription(description.put());
    info->Release();
    return std::u16string(description.view());
}

TEST(ErrorInfo, CarriesEveryFieldToTheCaller) {
    ASSERT_EQ(PublishErrorInfo(kSomeInterface, u"VELLUM_XP.PDFDocument", u"No document", 7,
                               u"help.chm"),
              S_OK);
    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    GUID guid = GUID_NULL;
    BStr source, description, helpFile;
    DWORD context = 0;
    info->GetGUID(&guid);
    info->GetSource(source.put());
    info->GetDescription(description.put());
    info->GetHelpFile(helpFile.put());
    info->GetHelpContext(&context);
    info->Release();
    EXPECT_TRUE(IsEqualGUID(guid, kSomeInterface));
    EXPECT_EQ(source.view(), u"VELLUM_XP.PDFDocument");
    EXPECT_EQ(description.view(), u"No document");
    EXPECT_EQ(helpFile.view(), u"help.chm");
    EXPECT_EQ(context, 7u);
}

TEST(ErrorInfo, IsHandedOutOnce) {
    PublishErrorInfo(GUID_NULL, u"src", u"first");
    PublishErrorInfo(GUID_NULL, u"src", u"second");  // replaces (and releases) the first
    EXPECT_EQ(TakeDescription(), u"second");
    IErrorInfo* info = reinterpret_cast<IErrorInfo*>(&info);
    EXPECT_EQ(GetErrorInfo(0, &info), S_FALSE);
    EXPECT_EQ(info, nullptr);
    EXPECT_EQ(GetErrorInfo(0, nullptr), E_INVALIDARG);
}

TEST(ErrorInfo, SettingNullClearsTheSlot) {
    PublishErrorInfo(GUID_NULL, u"src", u"stale");
    EXPECT_EQ(SetErrorInfo(0, nullptr), S_OK);
    EXPECT_EQ(TakeDescription(), u"<none>");
}

TEST(ErrorInfo, EachThreadHasItsOwn) {
    PublishErrorInfo(GUID_NULL, u"src", u"main thread");
    std::u16string seenByOther;
    std::thread other([&] {
        seenByOther = TakeDescription();
        // Left set when the thread ends: its slot must release it.
        PublishErrorInfo(GUID_NULL, u"src", u"other thread");
    });
    other.join();
    EXPECT_EQ(seenByOther, u"<none>");
    EXPECT_EQ(TakeDescription(), u"main thread");
}

TEST(ErrorInfo, ObjectAnswersBothInterfaces) {
    ICreateErrorInfo* creator = nullptr;
    ASSERT_EQ(CreateErrorInfo(&creator), S_OK);
    creator->SetDescription(const_cast<LPOLESTR>(u"via create"));
    IErrorInfo* info = nullptr;
    ASSERT_EQ(creator->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)), S_OK);
    void* other = &other;
    EXPECT_EQ(info->QueryInterface(IID_IDispatch, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    BStr description;
    info->GetDescription(description.put());
    EXPECT_EQ(description.view(), u"via create");
    BStr helpFile;
    info->GetHelpFile(helpFile.put());
    EXPECT_EQ(helpFile.get(), nullptr) << "unset fields come back null";
    info->Release();
    creator->Release();
}

}  // namespace
}  // namespace vellum

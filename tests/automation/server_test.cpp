#include <gtest/gtest.h>

#include "automation_support.h"

extern "C" HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** object);
extern "C" HRESULT DllCanUnloadNow();

namespace vellum::test {
namespace {

TEST(Server, HandsOutTheFactoryOnlyForItsClass) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(DllGetClassObject(IID_IPDFDocument, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(DllGetClassObject(CLSID_PDFDocument, IID_IDispatch, &object), E_NOINTERFACE);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(DllGetClassObject(CLSID_PDFDocument, IID_IClassFactory, factory.put_void()), S_OK);

    ComPtr<IUnknown> outer;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, outer.put_void()), S_OK);
    void* aggregated = nullptr;
    EXPECT_EQ(factory->CreateInstance(outer.get(), IID_IUnknown, &aggregated), CLASS_E_NOAGGREGATION);
    ComPtr<IDispatch> dispatch;
    EXPECT_EQ(outer.As(IID_IDispatch, dispatch), S_OK);
    void* none = nullptr;
    EXPECT_EQ(outer->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
}

TEST(Server, CanUnloadOnlyWhenNothingIsAliveOrLocked) {
    ASSERT_EQ(DllCanUnloadNow(), S_OK);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(DllGetClassObject(CLSID_PDFDocument, IID_IClassFactory, factory.put_void()), S_OK);
    {
        ComPtr<IPDFDocument> object;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPDFDocument, object.put_void()), S_OK);
        EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    }
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    factory->LockServer(TRUE);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    factory->LockServer(FALSE);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

// Reference counting is exact: the leak checker of the sanitizer build
// reports any object or document left behind.
TEST(Server, HundredThousandObjectsComeAndGo) {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(DllGetClassObject(CLSID_PDFDocument, IID_IClassFactory, factory.put_void()), S_OK);
    BStr title{u"t"};
    for (int i = 0; i < 100000; ++i) {
        IPDFDocument* object = nullptr;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPDFDocument, reinterpret_cast<void**>(&object)), S_OK);
        object->AddRef();
        EXPECT_EQ(object->Release(), 1u);
        if (i % 1000 == 0) object->NewPDF(title.get());
        ASSERT_EQ(object->Release(), 0u);
    }
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace vellum::test

// Creating PDFDocument objects in tests, and reading what a failing call left
// as error information.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <type_traits>

#include "com/bstr.h"
#include "com/codepage.h"
#include "com/errorinfo.h"
#include "com/raii.h"
#include "VELLUM_XP_TLB.h"
#include "pdf_document.h"

namespace vellum::test {

// A new object through one of its interfaces: IPDFDocument, as programs
// written before IPDFDocument2 ask for it, or IPDFDocument2.
template <class Interface = IPDFDocument>
ComPtr<Interface> NewObject() {
    static_assert(std::is_same_v<Interface, IPDFDocument> || std::is_same_v<Interface, IPDFDocument2>);
    const IID& iid = std::is_same_v<Interface, IPDFDocument> ? IID_IPDFDocument : IID_IPDFDocument2;
    ComPtr<Interface> object;
    EXPECT_EQ(automation::TPDFDocument::Create(iid, object.put_void()), S_OK);
    return object;
}

// The description of the calling thread's error information, taken and cleared.
inline std::string LastErrorDescription() {
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.put()) != S_OK || !info) return "<no error information>";
    BStr description;
    info->GetDescription(description.put());
    return Utf16ToUtf8(description.view());
}

inline std::string Text(BSTR value) { return Utf16ToUtf8(BstrView(value)); }

}  // namespace vellum::test

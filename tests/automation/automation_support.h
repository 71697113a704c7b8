// Creating PDFDocument objects in tests, and reading what a failing call left
// as error information.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "com/bstr.h"
#include "com/codepage.h"
#include "com/errorinfo.h"
#include "com/raii.h"
#include "VELLUM_XP_TLB.h"
#include "pdf_document.h"

namespace vellum::test {

inline ComPtr<IPDFDocument> NewObject() {
    ComPtr<IPDFDocument> object;
    EXPECT_EQ(automation::TPDFDocument::Create(IID_IPDFDocument, object.put_void()), S_OK);
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

#pragma once

#include "com/typeinfo.h"
#include "dispatch.h"

namespace vellum::automation {

extern const DispatchTable kPDFDocumentDispatch;

// Type information of IPDFDocument and of the class PDFDocument; each call
// hands out a new reference.
HRESULT GetInterfaceTypeInfo(ITypeInfo** typeInfo);
HRESULT GetClassTypeInfo(ITypeInfo** typeInfo);

}  // namespace vellum::automation

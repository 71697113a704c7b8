// Error information: a failing method describes its failure in an error
// object and files it for the calling thread; the caller fetches it once.
// Each thread has its own slot, so failures on different threads never mix.
#pragma once

#include <string_view>

#include "interfaces.h"

#ifdef _WIN32
#include "native/windows_com.h"
#else

// A new, empty error object (reference count 1), which also answers
// IErrorInfo.
HRESULT CreateErrorInfo(ICreateErrorInfo** pperrinfo);
// Files perrinfo (AddRef'ed) as the thread's current error object, releasing
// the previous one; null clears the slot.
HRESULT SetErrorInfo(ULONG dwReserved, IErrorInfo* perrinfo);
// Hands the thread's current error object to the caller (who releases it) and
// clears the slot: S_OK with the object, S_FALSE and null when there is none.
HRESULT GetErrorInfo(ULONG dwReserved, IErrorInfo** pperrinfo);

#endif  // _WIN32

namespace vellum {

// Creates an error object with these fields and files it for this thread.
HRESULT PublishErrorInfo(const GUID& guid, std::u16string_view source,
                         std::u16string_view description, DWORD helpContext = 0,
                         std::u16string_view helpFile = {});

}  // namespace vellum

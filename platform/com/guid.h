// Text form of GUIDs: the braced, upper-case registry form
// "{3D9C5168-E754-42BE-9816-7E12E9CF8BED}" and its parsing.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "types.h"

#ifdef _WIN32
#include "native/windows_com.h"
#else

using LPCLSID = CLSID*;
using LPIID = IID*;

// Task memory: the allocator for strings handed out by StringFromCLSID.
LPVOID CoTaskMemAlloc(std::size_t cb);
void CoTaskMemFree(LPVOID pv);

// Writes the 38-character braced form and its NUL into lpsz; returns the
// number of characters written including the NUL, or 0 when cchMax < 39.
int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax);
// Hand out a CoTaskMemAlloc'ed braced string.
HRESULT StringFromCLSID(REFCLSID rclsid, LPOLESTR* lplpsz);
HRESULT StringFromIID(REFIID riid, LPOLESTR* lplpsz);
// Parse the braced form (hex digits in either case): CO_E_CLASSSTRING when the
// text is not one, E_INVALIDARG for null pointers.
HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid);
HRESULT IIDFromString(LPCOLESTR lpsz, LPIID lpiid);

#endif  // _WIN32

namespace vellum {

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
std::string GuidToString(const GUID& guid);
// Accepts exactly the braced form, hex digits in either case.
std::optional<GUID> ParseGuid(std::string_view text);
std::optional<GUID> ParseGuid(std::u16string_view text);

}  // namespace vellum

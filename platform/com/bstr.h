// Wide strings of the automation interface. A BSTR points at UTF-16 text that
// is preceded by its length in bytes (4 bytes) and followed by a NUL
// character; embedded NULs are allowed. A null BSTR means the empty string to
// every function here. All BSTRs come from malloc, so any module of the
// process may free any other module's BSTR.
#pragma once

#include <string>
#include <string_view>

#include "types.h"

// Longest BSTR we agree to allocate, in characters (128 MiB of text). Larger
// requests fail as if memory had run out instead of reserving gigabytes.
inline constexpr UINT kMaxBstrLength = 0x4000000;

#ifdef _WIN32
#include "native/windows_com.h"
#else

BSTR SysAllocString(const OLECHAR* psz);
// len characters from pch, or zero-filled characters when pch is null.
BSTR SysAllocStringLen(const OLECHAR* pch, UINT len);
// len bytes from psz (or zero bytes), for byte strings kept in a BSTR.
BSTR SysAllocStringByteLen(LPCSTR psz, UINT len);
// Replace *pbstr with a copy of psz / of len characters of psz; psz may point
// into the old string. Return TRUE on success; *pbstr is untouched on failure.
INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz);
INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len);
void SysFreeString(BSTR bstrString);
UINT SysStringLen(BSTR pbstr);
UINT SysStringByteLen(BSTR bstr);

#endif  // _WIN32

namespace vellum {

// The characters of a BSTR (empty for null).
std::u16string_view BstrView(BSTR bstr);

// A new BSTR holding text; null when the text is too long or memory runs out.
BSTR AllocBstr(std::u16string_view text);

// Conversions between a BSTR and 8-bit Windows-1252 text (characters
// without a mapping become '?').
std::string BstrToAnsi(BSTR bstr);
BSTR AnsiToBstr(std::string_view text);  // null on allocation failure

}  // namespace vellum

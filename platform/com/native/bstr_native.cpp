// The helpers of bstr.h over the system's BSTR. OLECHAR is wchar_t there, a
// 16-bit UTF-16 code unit like our char16_t, so the characters are viewed in
// place rather than copied.
#include <cstring>

#include "com/bstr.h"
#include "com/codepage.h"

static_assert(sizeof(OLECHAR) == sizeof(char16_t), "BSTR characters are UTF-16 code units");

namespace vellum {

std::u16string_view BstrView(BSTR bstr) {
    if (bstr == nullptr) return {};
    return {reinterpret_cast<const char16_t*>(bstr), SysStringLen(bstr)};
}

BSTR AllocBstr(std::u16string_view text) {
    if (text.size() > kMaxBstrLength) return nullptr;
    return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
}

std::string BstrToAnsi(BSTR bstr) { return Utf16ToCp1252(BstrView(bstr)); }

BSTR AnsiToBstr(std::string_view text) { return AllocBstr(Cp1252ToUtf16(text)); }

}  // namespace vellum

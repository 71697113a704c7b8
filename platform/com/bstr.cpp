#include "bstr.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "codepage.h"

namespace {

using Prefix = std::uint32_t;  // byte length stored before the characters

// Allocates a BSTR of byteLen bytes plus a two-byte NUL (rounded up so the
// terminator is always a whole character), zero-filled.
BSTR AllocateBytes(UINT byteLen) {
    if (byteLen > kMaxBstrLength * sizeof(OLECHAR)) return nullptr;
    const std::size_t padded = (static_cast<std::size_t>(byteLen) + 1) & ~std::size_t{1};
    const std::size_t total = sizeof(Prefix) + padded + sizeof(OLECHAR);
    auto* block = static_cast<unsigned char*>(std::calloc(total, 1));
    if (!block) return nullptr;
    const Prefix prefix = byteLen;
    std::memcpy(block, &prefix, sizeof prefix);
    return reinterpret_cast<BSTR>(block + sizeof(Prefix));
}

unsigned char* BlockOf(BSTR bstr) { return reinterpret_cast<unsigned char*>(bstr) - sizeof(Prefix); }

UINT LengthOf(const OLECHAR* psz) {
    UINT n = 0;
    while (n <= kMaxBstrLength && psz[n] != u'\0') ++n;
    return n;
}

}  // namespace

BSTR SysAllocString(const OLECHAR* psz) {
    if (!psz) return nullptr;
    return SysAllocStringLen(psz, LengthOf(psz));
}

BSTR SysAllocStringLen(const OLECHAR* pch, UINT len) {
    if (len > kMaxBstrLength) return nullptr;
    BSTR result = AllocateBytes(len * static_cast<UINT>(sizeof(OLECHAR)));
    if (result && pch && len) std::memcpy(result, pch, len * sizeof(OLECHAR));
    return result;
}

BSTR SysAllocStringByteLen(LPCSTR psz, UINT len) {
    BSTR result = AllocateBytes(len);
    if (result && psz && len) std::memcpy(result, psz, len);
    return result;
}

INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz) {
    if (!pbstr) return FALSE;
    if (!psz) {
        SysFreeString(*pbstr);
        *pbstr = nullptr;
        return TRUE;
    }
    return SysReAllocStringLen(pbstr, psz, LengthOf(psz));
}

INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len) {
    if (!pbstr) return FALSE;
    BSTR fresh = SysAllocStringLen(nullptr, len);
    if (!fresh) return FALSE;
    // Copy before freeing: psz may point into the old string. Without psz the
    // old characters are kept, as far as they reach.
    const OLECHAR* source = psz ? psz : *pbstr;
    const UINT available = psz ? len : std::min(len, SysStringLen(*pbstr));
    if (source && available) std::memcpy(fresh, source, available * sizeof(OLECHAR));
    SysFreeString(*pbstr);
    *pbstr = fresh;
    return TRUE;
}

void SysFreeString(BSTR bstrString) {
    if (bstrString) std::free(BlockOf(bstrString));
}

UINT SysStringByteLen(BSTR bstr) {
    if (!bstr) return 0;
    Prefix prefix;
    std::memcpy(&prefix, BlockOf(bstr), sizeof prefix);
    return prefix;
}

UINT SysStringLen(BSTR pbstr) { return SysStringByteLen(pbstr) / sizeof(OLECHAR); }

namespace vellum {

std::u16string_view BstrView(BSTR bstr) {
    return bstr ? std::u16string_view(bstr, SysStringLen(bstr)) : std::u16string_view();
}

BSTR AllocBstr(std::u16string_view text) {
    if (text.size() > kMaxBstrLength) return nullptr;
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

std::string BstrToAnsi(BSTR bstr) { return Utf16ToCp1252(BstrView(bstr)); }

BSTR AnsiToBstr(std::string_view text) { return AllocBstr(Cp1252ToUtf16(text)); }

}  // namespace vellum

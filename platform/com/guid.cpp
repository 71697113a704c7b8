#include "guid.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kGuidTextLength = 38;  // braces, 32 digits, 4 dashes
constexpr char kHexDigits[] = "0123456789ABCDEF";

// Bytes of a GUID in text order: Data1..Data3 big-endian, then Data4.
void GuidBytes(const GUID& g, std::uint8_t (&out)[16]) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(g.Data1 >> (24 - 8 * i));
    out[4] = static_cast<std::uint8_t>(g.Data2 >> 8);
    out[5] = static_cast<std::uint8_t>(g.Data2);
    out[6] = static_cast<std::uint8_t>(g.Data3 >> 8);
    out[7] = static_cast<std::uint8_t>(g.Data3);
    std::memcpy(out + 8, g.Data4, 8);
}

GUID GuidFromBytes(const std::uint8_t (&in)[16]) {
    GUID g{};
    for (int i = 0; i < 4; ++i) g.Data1 = (g.Data1 << 8) | in[i];
    g.Data2 = static_cast<std::uint16_t>((in[4] << 8) | in[5]);
    g.Data3 = static_cast<std::uint16_t>((in[6] << 8) | in[7]);
    std::memcpy(g.Data4, in + 8, 8);
    return g;
}

bool IsDashPosition(std::size_t i) { return i == 9 || i == 14 || i == 19 || i == 24; }

int HexValue(char32_t c) {
    if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
    return -1;
}

template <typename Char>
std::optional<GUID> ParseBraced(std::basic_string_view<Char> text) {
    if (text.size() != kGuidTextLength || text.front() != '{' || text.back() != '}') {
        return std::nullopt;
    }
    std::uint8_t bytes[16]{};
    int nibble = 0;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        const auto c = static_cast<char32_t>(text[i]);
        if (IsDashPosition(i)) {
            if (c != '-') return std::nullopt;
            continue;
        }
        const int v = HexValue(c);
        if (v < 0) return std::nullopt;
        bytes[nibble / 2] = static_cast<std::uint8_t>((bytes[nibble / 2] << 4) | v);
        ++nibble;
    }
    return GuidFromBytes(bytes);
}

#ifndef _WIN32
std::u16string_view ViewOf(LPCOLESTR s) {
    return s ? std::u16string_view(s) : std::u16string_view();
}
#endif

}  // namespace

// The platform has its own; only the text helpers below are ours there.
#ifndef _WIN32
LPVOID CoTaskMemAlloc(std::size_t cb) { return std::malloc(cb == 0 ? 1 : cb); }

void CoTaskMemFree(LPVOID pv) { std::free(pv); }

int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) {
    if (!lpsz || cchMax < static_cast<int>(kGuidTextLength + 1)) return 0;
    const std::string text = vellum::GuidToString(rguid);
    for (std::size_t i = 0; i < text.size(); ++i) lpsz[i] = static_cast<OLECHAR>(text[i]);
    lpsz[text.size()] = u'\0';
    return static_cast<int>(kGuidTextLength + 1);
}

HRESULT StringFromCLSID(REFCLSID rclsid, LPOLESTR* lplpsz) {
    if (!lplpsz) return E_INVALIDARG;
    *lplpsz = nullptr;
    auto* buffer = static_cast<LPOLESTR>(CoTaskMemAlloc((kGuidTextLength + 1) * sizeof(OLECHAR)));
    if (!buffer) return E_OUTOFMEMORY;
    StringFromGUID2(rclsid, buffer, static_cast<int>(kGuidTextLength + 1));
    *lplpsz = buffer;
    return S_OK;
}

HRESULT StringFromIID(REFIID riid, LPOLESTR* lplpsz) { return StringFromCLSID(riid, lplpsz); }

HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid) {
    if (!lpsz || !pclsid) return E_INVALIDARG;
    const auto parsed = vellum::ParseGuid(ViewOf(lpsz));
    if (!parsed) return CO_E_CLASSSTRING;
    *pclsid = *parsed;
    return S_OK;
}

HRESULT IIDFromString(LPCOLESTR lpsz, LPIID lpiid) { return CLSIDFromString(lpsz, lpiid); }
#endif  // _WIN32

namespace vellum {

std::string GuidToString(const GUID& guid) {
    std::uint8_t bytes[16];
    GuidBytes(guid, bytes);
    std::string text;
    text.reserve(kGuidTextLength);
    text += '{';
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        text += kHexDigits[bytes[i] >> 4];
        text += kHexDigits[bytes[i] & 0xF];
    }
    text += '}';
    return text;
}

std::optional<GUID> ParseGuid(std::string_view text) { return ParseBraced(text); }

std::optional<GUID> ParseGuid(std::u16string_view text) { return ParseBraced(text); }

}  // namespace vellum

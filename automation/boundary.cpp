#include "boundary.h"

#include "com/codepage.h"
#include "com/errorinfo.h"
#include "unicode_text.h"
#include "VELLUM_XP_TLB.h"

namespace vellum::automation {
namespace {

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const int length = byte < 0x80 ? 1 : (byte >> 5) == 6 ? 2 : (byte >> 4) == 14 ? 3 : (byte >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (int k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}

// Messages carry engine text (Windows-1252) and sometimes file names (UTF-8).
std::u16string MessageText(std::string_view message) {
    return IsValidUtf8(message) ? Utf8ToUtf16(message) : Cp1252ToUtf16(message);
}

}  // namespace

HRESULT ReportFailure(HRESULT code, std::string_view message) {
    PublishErrorInfo(IID_IPDFDocument, kProgId, MessageText(message));
    return code;
}

std::string ToAnsi(BSTR text) { return BstrToAnsi(text); }

std::string_view ToAnsiScratch(BSTR text) {
    thread_local std::string scratch;
    // One huge text does not stay pinned for the thread's life.
    constexpr std::size_t kKeptCapacity = std::size_t{1} << 20;
    if (scratch.capacity() > kKeptCapacity) std::string().swap(scratch);
    AssignUtf16AsCp1252(scratch, BstrView(text));
    return scratch;
}

BSTR ToBstr(std::string_view ansiText) {
    BSTR result = AnsiToBstr(ansiText);
    if (result == nullptr) throw std::bad_alloc();
    return result;
}

std::string ToUnicodeText(BSTR text) { return Utf16ToUtf8(BstrView(text)); }

BSTR UnicodeTextToBstr(std::string_view text) {
    BSTR result = AllocBstr(Utf8ToUtf16(ToUtf8Text(text)));
    if (result == nullptr) throw std::bad_alloc();
    return result;
}

std::string ToFileName(BSTR text) { return Utf16ToUtf8(BstrView(text)); }

}  // namespace vellum::automation

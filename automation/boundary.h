// The boundary between the automation interface and the engine: every method
// runs its body through Guarded, which turns any exception into a failure
// result with error information for the calling thread. No exception ever
// leaves through a virtual table.
#pragma once

#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

#include "com/bstr.h"
#include "com/types.h"

namespace vellum::automation {

inline constexpr std::u16string_view kProgId = u"VELLUM_XP.PDFDocument";

// Carries the failing result of a nested interface call unchanged.
class NestedFailure : public std::runtime_error {
public:
    NestedFailure(HRESULT code, const std::string& message) : std::runtime_error(message), code(code) {}
    HRESULT code;
};

// Publishes error information (interface IPDFDocument, source the ProgID) and returns code.
HRESULT ReportFailure(HRESULT code, std::string_view message);

template <class Body>
HRESULT Guarded(Body&& body) noexcept {
    try {
        body();
        return S_OK;
    } catch (const NestedFailure& failure) {
        return ReportFailure(failure.code, failure.what());
    } catch (const std::bad_alloc&) {
        return ReportFailure(E_UNEXPECTED, "Out of memory");
    } catch (const std::exception& error) {
        return ReportFailure(E_UNEXPECTED, error.what());
    } catch (...) {
        return ReportFailure(E_UNEXPECTED, "Unexpected failure");
    }
}

// Text arguments reach the engine as Windows-1252; results go back as BSTR.
std::string ToAnsi(BSTR text);
// The same in this thread's scratch storage, which the next call reuses: for
// text the engine reads during the call and does not keep (drawn and
// measured text), so the hot calls allocate nothing for it.
std::string_view ToAnsiScratch(BSTR text);
BSTR ToBstr(std::string_view ansiText);  // throws std::bad_alloc when allocation fails

// Texts that keep every character (document information, outline titles,
// note texts, text in Unicode fonts) reach the engine as UTF-8.
std::string ToUnicodeText(BSTR text);
BSTR UnicodeTextToBstr(std::string_view text);  // throws std::bad_alloc when allocation fails

// File names keep every character: they become the file system's UTF-8.
std::string ToFileName(BSTR text);

}  // namespace vellum::automation

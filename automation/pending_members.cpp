// Members whose features come with later versions of the library. Each fails
// with E_NOTIMPL and error information saying so; none pretends to succeed.
#include "boundary.h"
#include "pdf_document.h"

#include <type_traits>

namespace vellum::automation {
namespace {

HRESULT NotYet(const char* member) {
    return Guarded([&] { throw NotAvailable(member); });
}

template <class T>
HRESULT NotYet(const char* member, T* result) {
    if (result == nullptr) return E_POINTER;
    if constexpr (std::is_same_v<T, BSTR>) *result = nullptr;
    if constexpr (std::is_same_v<T, VARIANT>) VariantInit(result);
    return NotYet(member);
}

}  // namespace

HRESULT TPDFDocument::ImportImage(BSTR, LONG, double, double, double, double) { return NotYet("ImportImage"); }
HRESULT TPDFDocument::ImportImageAsResource(BSTR, LONG, LONG* Value) {
    return NotYet("ImportImageAsResource", Value);
}
HRESULT TPDFDocument::DrawImageResource(double, double, double, double, LONG) {
    return NotYet("DrawImageResource");
}
HRESULT TPDFDocument::GetImageWidth(LONG, LONG* Value) { return NotYet("GetImageWidth", Value); }
HRESULT TPDFDocument::GetImageHeight(LONG, LONG* Value) { return NotYet("GetImageHeight", Value); }

}  // namespace vellum::automation

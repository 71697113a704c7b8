// PublishErrorInfo over whichever error objects the build has: our own
// (errorinfo.cpp) or the system's (oleaut32), through the same calls.
#include <string>

#include "com/errorinfo.h"

namespace vellum {
namespace {

// A NUL-terminated copy in the platform's wide character for the LPOLESTR setters.
std::basic_string<OLECHAR> Terminated(std::u16string_view text) {
    return std::basic_string<OLECHAR>(text.begin(), text.end());
}

}  // namespace

HRESULT PublishErrorInfo(const GUID& guid, std::u16string_view source, std::u16string_view description,
                         DWORD helpContext, std::u16string_view helpFile) {
    ICreateErrorInfo* creator = nullptr;
    HRESULT hr = CreateErrorInfo(&creator);
    if (FAILED(hr)) return hr;
    std::basic_string<OLECHAR> sourceText = Terminated(source);
    std::basic_string<OLECHAR> descriptionText = Terminated(description);
    std::basic_string<OLECHAR> helpFileText = Terminated(helpFile);
    creator->SetGUID(guid);
    creator->SetHelpContext(helpContext);
    hr = creator->SetSource(sourceText.data());
    if (SUCCEEDED(hr)) hr = creator->SetDescription(descriptionText.data());
    if (SUCCEEDED(hr) && !helpFile.empty()) hr = creator->SetHelpFile(helpFileText.data());
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(hr)) hr = creator->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info));
    if (SUCCEEDED(hr)) {
        SetErrorInfo(0, info);
        info->Release();
    }
    creator->Release();
    return hr;
}

}  // namespace vellum

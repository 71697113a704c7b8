// PublishErrorInfo over the system's error objects (oleaut32), so that a
// script host sees the description and source of a failing call.
#include <string>

#include "com/errorinfo.h"

namespace vellum {
namespace {

// A NUL-terminated wide copy for the LPOLESTR setters.
std::wstring Terminated(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

HRESULT PublishErrorInfo(const GUID& guid, std::u16string_view source, std::u16string_view description,
                         DWORD helpContext, std::u16string_view helpFile) {
    ICreateErrorInfo* creator = nullptr;
    HRESULT hr = CreateErrorInfo(&creator);
    if (FAILED(hr)) return hr;
    std::wstring sourceText = Terminated(source);
    std::wstring descriptionText = Terminated(description);
    std::wstring helpFileText = Terminated(helpFile);
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

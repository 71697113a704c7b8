// What every use of the platform's imaging component (WIC) needs: COM for
// the calling thread, the factory, references released on every way out, and
// the first frame of a picture held in memory.
#pragma once

#include <windows.h>
#include <wincodec.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace vellum::pictures::wic {

template <typename T>
struct Ref {
    T* p = nullptr;
    Ref() = default;
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    ~Ref() {
        if (p != nullptr) p->Release();
    }
    T* operator->() const { return p; }
    T** put() { return &p; }
};

// COM for the calling thread, unless the thread already has it.
class ComScope {
public:
    ComScope() : hr_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT hr_;
};

inline std::string Hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "%08lX", static_cast<unsigned long>(hr));
    return text;
}

// `fail` throws.
struct Imaging {
    ComScope com;
    Ref<IWICImagingFactory> factory;
    template <typename Fail>
    explicit Imaging(Fail fail) {
        const HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IWICImagingFactory, reinterpret_cast<void**>(factory.put()));
        if (FAILED(hr)) fail(hr);
    }
};

// The stream and decoder stay with the frame: WIC may read from them as
// late as CopyPixels.
struct Frame {
    Ref<IWICStream> stream;
    Ref<IWICBitmapDecoder> decoder;
    Ref<IWICBitmapFrameDecode> frame;
    UINT width = 0;
    UINT height = 0;
};

inline HRESULT OpenFirstFrame(IWICImagingFactory* factory, std::string_view bytes, const GUID& container,
                              Frame& opened) {
    HRESULT hr = factory->CreateStream(opened.stream.put());
    if (SUCCEEDED(hr)) {
        hr = opened.stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())),
                                                 static_cast<DWORD>(bytes.size()));
    }
    if (SUCCEEDED(hr)) {
        hr = factory->CreateDecoderFromStream(opened.stream.p, &container, WICDecodeMetadataCacheOnDemand,
                                              opened.decoder.put());
    }
    if (SUCCEEDED(hr)) hr = opened.decoder->GetFrame(0, opened.frame.put());
    if (SUCCEEDED(hr)) hr = opened.frame->GetSize(&opened.width, &opened.height);
    return hr;
}

}  // namespace vellum::pictures::wic

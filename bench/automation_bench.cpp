// The cost of late binding: the same member called through IDispatch::Invoke
// (with a cached DISPID, as script hosts do) and through the vtable.
#include <benchmark/benchmark.h>

#include "com/bstr.h"
#include "com/raii.h"
#include "pdf_document.h"

namespace {

vellum::ComPtr<IPDFDocument> NewDocument() {
    vellum::ComPtr<IPDFDocument> object;
    vellum::automation::TPDFDocument::Create(IID_IPDFDocument, object.put_void());
    vellum::BStr title{u"bench"};
    object->NewPDF(title.get());
    return object;
}

void BM_VtablePropertyPut(benchmark::State& state) {
    auto object = NewDocument();
    for (auto _ : state) benchmark::DoNotOptimize(object->put_FontHeight(12.5));
}
BENCHMARK(BM_VtablePropertyPut);

void BM_LateBoundPropertyPut(benchmark::State& state) {
    auto object = NewDocument();
    VARIANT value;
    value.vt = VT_R8;
    value.dblVal = 12.5;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    for (auto _ : state) {
        benchmark::DoNotOptimize(object->Invoke(12, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr));
    }
}
BENCHMARK(BM_LateBoundPropertyPut);

// Three arguments, one of them text converted to the code page, and a
// number passed as text as a script would: the dispatcher's coercion path.
void BM_VtableGetTextBoxWidth(benchmark::State& state) {
    auto object = NewDocument();
    vellum::BStr text{u"The quick brown fox"};
    double width = 0;
    for (auto _ : state) benchmark::DoNotOptimize(object->GetTextBoxWidth(text.get(), &width));
}
BENCHMARK(BM_VtableGetTextBoxWidth);

void BM_LateBoundGetTextBoxWidth(benchmark::State& state) {
    auto object = NewDocument();
    vellum::ScopedVariant text;
    text->vt = VT_BSTR;
    text->bstrVal = vellum::AllocBstr(u"The quick brown fox");
    DISPPARAMS params{text.get(), nullptr, 1, 0};
    vellum::ScopedVariant result;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            object->Invoke(28, IID_NULL, 0, DISPATCH_METHOD, &params, result.put(), nullptr, nullptr));
    }
}
BENCHMARK(BM_LateBoundGetTextBoxWidth);

void BM_LateBoundSetPageDimensionsFromText(benchmark::State& state) {
    auto object = NewDocument();
    VARIANT args[2];
    args[0].vt = VT_BSTR;  // Height, last argument first
    args[0].bstrVal = vellum::AllocBstr(u"297");
    args[1].vt = VT_I4;
    args[1].lVal = 210;
    DISPPARAMS params{args, nullptr, 2, 0};
    for (auto _ : state) {
        benchmark::DoNotOptimize(object->Invoke(6, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr));
    }
    SysFreeString(args[0].bstrVal);
}
BENCHMARK(BM_LateBoundSetPageDimensionsFromText);

void BM_VtableSetPageDimensions(benchmark::State& state) {
    auto object = NewDocument();
    for (auto _ : state) benchmark::DoNotOptimize(object->SetPageDimensions(210, 297));
}
BENCHMARK(BM_VtableSetPageDimensions);

}  // namespace

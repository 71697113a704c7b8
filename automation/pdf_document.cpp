#include "pdf_document.h"

#include <atomic>
#include <cstring>

#include "boundary.h"
#include "com/errorinfo.h"
#include "com/safearray.h"
#include "dispatch.h"
#include "type_info.h"

namespace vellum::automation {
namespace {

std::atomic<LONG> liveObjects{0};
std::atomic<LONG> serverLocks{0};

constexpr std::string_view kVersionText = "Vellum XP Vers. 1.118";

// The written file as a one-dimensional byte array, bounds 0..length-1, that
// takes over the writer's block: the file is never copied.
void StoreByteArray(MallocBlock bytes, std::size_t size, VARIANT* result) {
    SAFEARRAY* array = SafeArrayAdoptBytes(bytes.get(), static_cast<ULONG>(size));
    if (array == nullptr) {
        throw EngineError("Not enough memory for a byte array of " + std::to_string(size) + " bytes");
    }
    (void)bytes.release();
    result->vt = VT_ARRAY | VT_UI1;
    result->parray = array;
}

}  // namespace

LONG LiveObjectCount() { return liveObjects.load(); }
void LockServer(bool lock) { lock ? ++serverLocks : --serverLocks; }
LONG ServerLockCount() { return serverLocks.load(); }

TPDFDocument::TPDFDocument() { ++liveObjects; }
TPDFDocument::~TPDFDocument() { --liveObjects; }

HRESULT TPDFDocument::Create(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    auto* created = new (std::nothrow) TPDFDocument();
    if (created == nullptr) return E_OUTOFMEMORY;
    const HRESULT hr = created->QueryInterface(riid, object);
    created->Release();
    return hr;
}

// --- IUnknown ---------------------------------------------------------------

HRESULT TPDFDocument::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    // Each interface extends the one before, so one vtable serves them all.
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDispatch) ||
        IsEqualGUID(riid, IID_IPDFDocument) || IsEqualGUID(riid, IID_IPDFDocument2)) {
        *object = static_cast<IPDFDocument2*>(this);
    } else if (IsEqualGUID(riid, IID_ISupportErrorInfo)) {
        *object = static_cast<ISupportErrorInfo*>(this);
    } else if (IsEqualGUID(riid, IID_IProvideClassInfo)) {
        *object = static_cast<IProvideClassInfo*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG TPDFDocument::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refCount_)); }

ULONG TPDFDocument::Release() {
    const LONG remaining = InterlockedDecrement(&refCount_);
    if (remaining == 0) delete this;
    return static_cast<ULONG>(remaining);
}

// --- IDispatch, ISupportErrorInfo, IProvideClassInfo --------------------------

HRESULT TPDFDocument::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT TPDFDocument::GetTypeInfo(UINT index, LCID, ITypeInfo** typeInfo) {
    if (typeInfo == nullptr) return E_POINTER;
    *typeInfo = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return GetInterfaceTypeInfo(kDefaultInterface, typeInfo);
}

HRESULT TPDFDocument::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    return DispatchGetIDsOfNames(kPDFDocumentDispatch.members, riid, names, count, ids);
}

HRESULT TPDFDocument::Invoke(DISPID dispid, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                             EXCEPINFO* excepInfo, UINT* argErr) {
    return DispatchInvoke(kPDFDocumentDispatch, static_cast<IPDFDocument2*>(this), dispid, riid, flags, params,
                          result, excepInfo, argErr);
}

HRESULT TPDFDocument::InterfaceSupportsErrorInfo(REFIID riid) {
    const bool implemented = IsEqualGUID(riid, IID_IPDFDocument) || IsEqualGUID(riid, IID_IPDFDocument2) ||
                             IsEqualGUID(riid, IID_IDispatch) || IsEqualGUID(riid, IID_IUnknown) ||
                             IsEqualGUID(riid, IID_ISupportErrorInfo) || IsEqualGUID(riid, IID_IProvideClassInfo);
    return implemented ? S_OK : S_FALSE;
}

HRESULT TPDFDocument::GetClassInfo(ITypeInfo** typeInfo) {
    if (typeInfo == nullptr) return E_POINTER;
    *typeInfo = nullptr;
    return GetClassTypeInfo(typeInfo);
}

// --- Document state -----------------------------------------------------------

void TPDFDocument::EnsureDocument() {
    if (DocumentOpen == 1) return;
    Doc.reset();
    auto fresh = std::make_unique<TPDFDoc>();
    fresh->ResetDocument();
    Doc = std::move(fresh);
    DocumentOpen = 1;
}

TPDFDoc& TPDFDocument::RequireDocument() {
    if (Doc == nullptr) throw EngineError("There is no document: call NewPDF first");
    return *Doc;
}

TPDFDoc& TPDFDocument::RequireOpenDocument() {
    TPDFDoc& doc = RequireDocument();
    if (doc.IsCleared()) {
        throw EngineError("The document has already been written; call NewPDF to start a new one");
    }
    return doc;
}

TPage& TPDFDocument::CurrentPageRef() { return RequireOpenDocument().CurrentPageRef(); }

// --- Document-level members -----------------------------------------------------

HRESULT TPDFDocument::NewPDF(BSTR Title) {
    return Guarded([&] {
        DocumentOpen = 0;
        EnsureDocument();
        Doc->RequireInfo().Title = ToUnicodeText(Title);
    });
}

HRESULT TPDFDocument::SavePDF(BSTR AFilename) {
    return Guarded([&] {
        EnsureDocument();
        Doc->SaveToFile(ToFileName(AFilename));  // clears the document when it succeeds
        DocumentOpen = 0;
    });
}

HRESULT TPDFDocument::GetPDFContent(VARIANT* Value) {
    if (Value == nullptr) return E_POINTER;
    VariantInit(Value);
    return Guarded([&] {
        // The array's own limit bounds the write, which fails (keeping the
        // document) as soon as the file outgrows it.
        RequireOpenDocument().SaveToByteArray(kMaxSafeArrayBytes, [Value](MallocBlock bytes, std::size_t size) {
            StoreByteArray(std::move(bytes), size, Value);
        });
    });
}

HRESULT TPDFDocument::OCXVersion(BSTR* Value) {
    if (Value == nullptr) return E_POINTER;
    *Value = nullptr;
    return Guarded([&] { *Value = ToBstr(kVersionText); });
}

HRESULT TPDFDocument::SetPageDimensions(double Width, double Height) {
    return Guarded([&] {
        EnsureDocument();
        RequireOpenDocument().SetPageDimensions(Width, Height);
    });
}

HRESULT TPDFDocument::AddPage() {
    return Guarded([&] {
        RequireDocument().NewPage();
    });
}

HRESULT TPDFDocument::SetCurrentPage(LONG PageNumber) {
    return Guarded([&] {
        TPDFDoc& doc = RequireOpenDocument();
        const auto pageCount = static_cast<LONG>(doc.Pages->Count());
        LONG number = PageNumber < 1 ? 1 : PageNumber;
        if (PageNumber > pageCount) number = pageCount;
        doc.SetCurrentPage(number);
    });
}

HRESULT TPDFDocument::SetBookmarksVisible() {
    return Guarded([&] { RequireDocument().SetUseOutlines(true); });
}

HRESULT TPDFDocument::put_ViewMode(LONG Value) {
    return Guarded([&] {
        TPDFDoc& doc = RequireDocument();
        if (Value == 0) doc.SetSinglePage(true);
        if (Value == 1) doc.SetSinglePage(false);
    });
}

HRESULT TPDFDocument::get_UnitOfMeasure(BSTR* Value) {
    if (Value == nullptr) return E_POINTER;
    *Value = nullptr;
    return Guarded([&] { *Value = ToBstr(RequireDocument().UnitOfMeasure()); });
}

HRESULT TPDFDocument::put_UnitOfMeasure(BSTR Value) {
    return Guarded([&] { RequireDocument().SetUnitOfMeasure(ToAnsi(Value)); });
}

namespace {

// The information entries share one shape: read or write a text of TInfo.
template <std::string TInfo::*Field>
HRESULT GetInfoText(TPDFDoc* doc, BSTR* Value) {
    if (Value == nullptr) return E_POINTER;
    *Value = nullptr;
    return Guarded([&] {
        if (doc == nullptr) throw EngineError("There is no document: call NewPDF first");
        *Value = UnicodeTextToBstr(doc->RequireInfo().*Field);
    });
}

template <std::string TInfo::*Field>
HRESULT PutInfoText(TPDFDoc* doc, BSTR Value) {
    return Guarded([&] {
        if (doc == nullptr) throw EngineError("There is no document: call NewPDF first");
        doc->RequireInfo().*Field = ToUnicodeText(Value);
    });
}

}  // namespace

HRESULT TPDFDocument::get_Keywords(BSTR* Value) { return GetInfoText<&TInfo::Keywords>(Doc.get(), Value); }
HRESULT TPDFDocument::put_Keywords(BSTR Value) { return PutInfoText<&TInfo::Keywords>(Doc.get(), Value); }
HRESULT TPDFDocument::get_Author(BSTR* Value) { return GetInfoText<&TInfo::Author>(Doc.get(), Value); }
HRESULT TPDFDocument::put_Author(BSTR Value) { return PutInfoText<&TInfo::Author>(Doc.get(), Value); }
HRESULT TPDFDocument::get_Subject(BSTR* Value) { return GetInfoText<&TInfo::Subject>(Doc.get(), Value); }
HRESULT TPDFDocument::put_Subject(BSTR Value) { return PutInfoText<&TInfo::Subject>(Doc.get(), Value); }

}  // namespace vellum::automation

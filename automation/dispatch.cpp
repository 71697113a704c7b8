#include "dispatch.h"

#include <array>
#include <atomic>
#include <new>
#include <string>
#include <string_view>

#include "com/bstr.h"
#include "com/codepage.h"
#include "com/errorinfo.h"

namespace vellum {
namespace {

// ---------------------------------------------------------------------------
// Names.

bool NameEquals(LPCOLESTR name, std::string_view ascii) {
    if (!name) return false;
    std::size_t i = 0;
    for (; i < ascii.size(); ++i) {
        char16_t c = name[i];
        char a = ascii[i];
        if (c == u'\0') return false;
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (c != static_cast<char16_t>(static_cast<unsigned char>(a))) return false;
    }
    return name[i] == u'\0';
}

const MemberSpec* FindByName(std::span<const MemberSpec> members, LPCOLESTR name) {
    for (const MemberSpec& m : members) {
        if (NameEquals(name, m.name)) return &m;
    }
    return nullptr;
}

const MemberSpec* FindEntry(std::span<const MemberSpec> members, DISPID dispid, MemberKind kind) {
    for (const MemberSpec& m : members) {
        if (m.dispid == dispid && m.kind == kind) return &m;
    }
    return nullptr;
}

const MemberSpec* FirstEntry(std::span<const MemberSpec> members, DISPID dispid) {
    for (const MemberSpec& m : members) {
        if (m.dispid == dispid) return &m;
    }
    return nullptr;
}

// Position of a parameter name among the parameters of the entries that
// share this DISPID (method, get or put), or DISPID_UNKNOWN.
DISPID FindParam(std::span<const MemberSpec> members, DISPID dispid, LPCOLESTR name) {
    for (const MemberSpec& m : members) {
        if (m.dispid != dispid) continue;
        for (int k = 0; k < m.paramCount; ++k) {
            if (NameEquals(name, m.params[static_cast<std::size_t>(k)].name)) return k;
        }
    }
    return DISPID_UNKNOWN;
}

// ---------------------------------------------------------------------------
// Member selection and argument mapping.

const MemberSpec* SelectMember(std::span<const MemberSpec> members, DISPID dispid, WORD flags) {
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        return (flags & DISPATCH_PROPERTYPUT) ? FindEntry(members, dispid, MemberKind::PropertyPut)
                                              : nullptr;
    }
    if (flags & DISPATCH_PROPERTYGET) {
        if (const MemberSpec* get = FindEntry(members, dispid, MemberKind::PropertyGet)) return get;
    }
    if (flags & DISPATCH_METHOD) return FindEntry(members, dispid, MemberKind::Method);
    return nullptr;
}

void SetArgErr(UINT* argErr, UINT index) {
    if (argErr) *argErr = index;
}

// For each declared parameter position, the index of its value in rgvarg.
using ArgSources = std::array<UINT, kMaxParams>;

HRESULT MapPutArgument(const DISPPARAMS& params, ArgSources& sources) {
    if (params.cArgs != 1) return DISP_E_BADPARAMCOUNT;
    if (params.cNamedArgs != 1 || params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
        return DISP_E_PARAMNOTFOUND;
    }
    sources[0] = 0;
    return S_OK;
}

HRESULT MapArguments(const MemberSpec& member, const DISPPARAMS& params, ArgSources& sources,
                     UINT* argErr) {
    if (member.kind == MemberKind::PropertyPut) return MapPutArgument(params, sources);
    const auto count = static_cast<UINT>(member.paramCount);
    if (params.cArgs != count) return DISP_E_BADPARAMCOUNT;
    const UINT positional = params.cArgs - params.cNamedArgs;
    for (UINT k = 0; k < positional; ++k) sources[k] = params.cArgs - 1 - k;
    std::array<bool, kMaxParams> named{};
    for (UINT i = 0; i < params.cNamedArgs; ++i) {
        const DISPID position = params.rgdispidNamedArgs[i];
        if (position < static_cast<DISPID>(positional) || position >= static_cast<DISPID>(count) ||
            named[static_cast<std::size_t>(position)]) {
            SetArgErr(argErr, i);
            return DISP_E_PARAMNOTFOUND;
        }
        named[static_cast<std::size_t>(position)] = true;
        sources[static_cast<std::size_t>(position)] = i;
    }
    return S_OK;
}

// The coerced arguments of one call, cleared when the call is over.
struct Arguments {
    std::array<VARIANT, kMaxParams> values;
    Arguments() {
        for (VARIANT& v : values) VariantInit(&v);
    }
    ~Arguments() {
        for (VARIANT& v : values) VariantClear(&v);
    }
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;
};

VARTYPE VarTypeOf(ValueType type) {
    switch (type) {
        case ValueType::Bstr: return VT_BSTR;
        case ValueType::Double: return VT_R8;
        case ValueType::Long: return VT_I4;
        default: return VT_EMPTY;
    }
}

// Script hosts write booleans as "True"/"False"; text parameters do too.
constexpr USHORT kCoercionFlags = VARIANT_ALPHABOOL;

HRESULT Coerce(const VARIANT& source, ValueType type, VARIANT& target) {
    if (type == ValueType::Variant) return VariantCopyInd(&target, &source);
    return VariantChangeType(&target, &source, kCoercionFlags, VarTypeOf(type));
}

HRESULT CoerceArguments(const MemberSpec& member, const DISPPARAMS& params,
                        const ArgSources& sources, Arguments& args, UINT* argErr) {
    for (std::size_t k = 0; k < static_cast<std::size_t>(member.paramCount); ++k) {
        const VARIANT& source = params.rgvarg[sources[k]];
        const HRESULT hr = Coerce(source, member.params[k].type, args.values[k]);
        if (hr == E_OUTOFMEMORY) return hr;
        if (FAILED(hr)) {
            SetArgErr(argErr, sources[k]);
            return DISP_E_TYPEMISMATCH;
        }
    }
    return S_OK;
}

// ---------------------------------------------------------------------------
// The call and its outcome.

HRESULT ReportFailure(HRESULT failure, EXCEPINFO* excepInfo) {
    if (!excepInfo) return failure;
    *excepInfo = EXCEPINFO{};
    excepInfo->scode = failure;
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        info->GetSource(&excepInfo->bstrSource);
        info->GetDescription(&excepInfo->bstrDescription);
        info->GetHelpFile(&excepInfo->bstrHelpFile);
        info->GetHelpContext(&excepInfo->dwHelpContext);
        info->Release();
    }
    return DISP_E_EXCEPTION;
}

HRESULT DeliverResult(const MemberSpec& member, VARIANT& value, VARIANT* result) {
    if (member.result == ValueType::None) {
        VariantClear(&value);
        return S_OK;
    }
    const VARTYPE declared = VarTypeOf(member.result);
    if (declared != VT_EMPTY && value.vt != declared) {
        const HRESULT hr = VariantChangeType(&value, &value, kCoercionFlags, declared);
        if (FAILED(hr)) {
            VariantClear(&value);
            return E_UNEXPECTED;
        }
    }
    if (result) {
        *result = value;
    } else {
        VariantClear(&value);
    }
    return S_OK;
}

HRESULT RunThunk(MemberThunk thunk, void* self, const MemberSpec& member, Arguments& args,
                 VARIANT& value) {
    try {
        return thunk(self, member, args.values.data(), &value);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT CallMember(MemberThunk thunk, void* self, const MemberSpec& member, Arguments& args,
                   VARIANT* result, EXCEPINFO* excepInfo) {
    // Error information left over from an earlier failure must not be
    // mistaken for this call's.
    SetErrorInfo(0, nullptr);
    VARIANT value;
    VariantInit(&value);
    const HRESULT hr = RunThunk(thunk, self, member, args, value);
    if (FAILED(hr)) {
        VariantClear(&value);
        return ReportFailure(hr, excepInfo);
    }
    return DeliverResult(member, value, result);
}

MemberThunk ThunkFor(const DispatchTable& table, const MemberSpec& member) {
    const auto index = static_cast<std::size_t>(member.order) - 1;
    if (member.order < 1 || index >= table.thunks.size()) return nullptr;
    return table.thunks[index];
}

bool WellFormed(const DISPPARAMS* params) {
    if (!params || params->cNamedArgs > params->cArgs) return false;
    if (params->cArgs && !params->rgvarg) return false;
    return !(params->cNamedArgs && !params->rgdispidNamedArgs);
}

}  // namespace

HRESULT DispatchGetIDsOfNames(std::span<const MemberSpec> members, REFIID riid,
                              LPOLESTR* names, UINT count, DISPID* ids) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids || count == 0) return E_INVALIDARG;
    const MemberSpec* member = FindByName(members, names[0]);
    ids[0] = member ? member->dispid : DISPID_UNKNOWN;
    bool allKnown = member != nullptr;
    for (UINT i = 1; i < count; ++i) {
        ids[i] = member ? FindParam(members, member->dispid, names[i]) : DISPID_UNKNOWN;
        allKnown = allKnown && ids[i] != DISPID_UNKNOWN;
    }
    return allKnown ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT DispatchInvoke(const DispatchTable& table, void* self, DISPID dispid, REFIID riid,
                       WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                       UINT* argErr) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (result) VariantInit(result);
    if (!WellFormed(params)) return E_INVALIDARG;
    const MemberSpec* member = SelectMember(table.members, dispid, flags);
    if (!member) return DISP_E_MEMBERNOTFOUND;
    const MemberThunk thunk = ThunkFor(table, *member);
    if (!thunk || member->paramCount < 0 || member->paramCount > kMaxParams) return E_NOTIMPL;

    ArgSources sources{};
    HRESULT hr = MapArguments(*member, *params, sources, argErr);
    if (FAILED(hr)) return hr;
    Arguments args;
    hr = CoerceArguments(*member, *params, sources, args, argErr);
    if (FAILED(hr)) return hr;
    return CallMember(thunk, self, *member, args, result, excepInfo);
}

// ---------------------------------------------------------------------------
// Type information.
namespace {

BSTR BstrFromUtf8(std::string_view text) { return AllocBstr(Utf8ToUtf16(text)); }

// Stores a new BSTR through an optional [out] pointer; false when the
// allocation failed.
bool HandOut(BSTR* out, std::string_view text) {
    if (!out) return true;
    *out = BstrFromUtf8(text);
    return *out != nullptr;
}

// The parts every type info here shares: reference count, QueryInterface,
// the services it does not offer, and type attributes.
class TypeInfoBase : public ITypeInfo {
public:
    explicit TypeInfoBase(const TypeDescription& d)
        : guid_(d.guid), name_(d.name), doc_(d.doc), major_(d.majorVersion),
          minor_(d.minorVersion) {}
    virtual ~TypeInfoBase() = default;
    TypeInfoBase(const TypeInfoBase&) = delete;
    TypeInfoBase& operator=(const TypeInfoBase&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_ITypeInfo) return E_NOINTERFACE;
        *ppv = static_cast<ITypeInfo*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    STDMETHODIMP GetTypeAttr(TYPEATTR** ppTypeAttr) override {
        if (!ppTypeAttr) return E_INVALIDARG;
        auto* attr = new (std::nothrow) TYPEATTR{};
        if (!attr) return E_OUTOFMEMORY;
        attr->guid = guid_;
        attr->memidConstructor = MEMBERID_NIL;
        attr->memidDestructor = MEMBERID_NIL;
        attr->cbAlignment = alignof(void*);
        attr->wMajorVerNum = major_;
        attr->wMinorVerNum = minor_;
        FillTypeAttr(*attr);
        *ppTypeAttr = attr;
        return S_OK;
    }
    STDMETHODIMP_(void) ReleaseTypeAttr(TYPEATTR* pTypeAttr) override { delete pTypeAttr; }

    STDMETHODIMP GetTypeComp(ITypeComp**) override { return E_NOTIMPL; }
    STDMETHODIMP GetFuncDesc(UINT, FUNCDESC**) override { return E_NOTIMPL; }
    STDMETHODIMP GetVarDesc(UINT, VARDESC**) override { return E_NOTIMPL; }
    STDMETHODIMP GetDllEntry(MEMBERID, INVOKEKIND, BSTR*, BSTR*, WORD*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP AddressOfMember(MEMBERID, INVOKEKIND, PVOID*) override { return E_NOTIMPL; }
    STDMETHODIMP CreateInstance(IUnknown*, REFIID, PVOID*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMops(MEMBERID, BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainingTypeLib(ITypeLib**, UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP_(void) ReleaseFuncDesc(FUNCDESC*) override {}
    STDMETHODIMP_(void) ReleaseVarDesc(VARDESC*) override {}

protected:
    virtual void FillTypeAttr(TYPEATTR& attr) const = 0;

    // GetDocumentation for the type itself.
    HRESULT OwnDocumentation(BSTR* name, BSTR* doc, DWORD* helpContext, BSTR* helpFile) const {
        if (helpContext) *helpContext = 0;
        if (helpFile) *helpFile = nullptr;
        if (doc) *doc = nullptr;
        if (!HandOut(name, name_)) return E_OUTOFMEMORY;
        if (!doc_.empty() && !HandOut(doc, doc_)) {
            if (name) SysFreeString(*name);
            return E_OUTOFMEMORY;
        }
        return S_OK;
    }

private:
    std::atomic<ULONG> refs_{1};
    GUID guid_;
    std::string name_;
    std::string doc_;
    WORD major_;
    WORD minor_;
};

// A function description and its parameter descriptions in one block, so
// that ReleaseFuncDesc frees them together.
struct FuncDescBlock {
    FUNCDESC desc;
    std::array<ELEMDESC, kMaxParams> params;
};

VARTYPE ElementType(ValueType type) {
    if (type == ValueType::Variant) return VT_VARIANT;
    if (type == ValueType::None) return VT_VOID;
    return VarTypeOf(type);
}

INVOKEKIND InvokeKindOf(MemberKind kind) {
    switch (kind) {
        case MemberKind::PropertyGet: return INVOKE_PROPERTYGET;
        case MemberKind::PropertyPut: return INVOKE_PROPERTYPUT;
        case MemberKind::Method: break;
    }
    return INVOKE_FUNC;
}

FUNCDESC* DescribeMember(const MemberSpec& m) {
    auto* block = new (std::nothrow) FuncDescBlock{};
    if (!block) return nullptr;
    FUNCDESC& d = block->desc;
    d.memid = m.dispid;
    d.funckind = FUNC_DISPATCH;
    d.invkind = InvokeKindOf(m.kind);
    d.callconv = CC_STDCALL;
    d.cParams = static_cast<SHORT>(m.paramCount);
    d.oVft = static_cast<SHORT>((7 + m.order - 1) * static_cast<int>(sizeof(void*)));
    d.elemdescFunc.tdesc.vt = ElementType(m.result);
    for (std::size_t k = 0; k < static_cast<std::size_t>(m.paramCount); ++k) {
        block->params[k].tdesc.vt = ElementType(m.params[k].type);
        block->params[k].paramdesc.wParamFlags = PARAMFLAG_FIN;
    }
    d.lprgelemdescParam = m.paramCount > 0 ? block->params.data() : nullptr;
    return &block->desc;
}

class DispatchTypeInfo final : public TypeInfoBase {
public:
    DispatchTypeInfo(const TypeDescription& d, const DispatchTable& table)
        : TypeInfoBase(d), table_(table) {}

    STDMETHODIMP GetNames(MEMBERID memid, BSTR* names, UINT maxNames, UINT* count) override {
        if (!names || !count) return E_INVALIDARG;
        *count = 0;
        const MemberSpec* m = FirstEntry(table_.members, memid);
        if (!m) return TYPE_E_ELEMENTNOTFOUND;
        const auto total = static_cast<UINT>(1 + m->paramCount);
        for (UINT i = 0; i < total && i < maxNames; ++i) {
            const std::string_view text = i == 0 ? m->name : m->params[i - 1].name;
            if (!HandOut(&names[i], text)) return FreeNames(names, i);
            *count = i + 1;
        }
        return S_OK;
    }
    // Members in table order: index i describes table_.members[i].
    STDMETHODIMP GetFuncDesc(UINT index, FUNCDESC** out) override {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        if (index >= table_.members.size()) return TYPE_E_ELEMENTNOTFOUND;
        const MemberSpec& m = table_.members[index];
        if (m.paramCount < 0 || m.paramCount > kMaxParams) return E_UNEXPECTED;
        *out = DescribeMember(m);
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    STDMETHODIMP_(void) ReleaseFuncDesc(FUNCDESC* desc) override {
        // desc is the first member of the block DescribeMember allocated.
        delete reinterpret_cast<FuncDescBlock*>(desc);
    }
    STDMETHODIMP GetRefTypeOfImplType(UINT, HREFTYPE*) override { return TYPE_E_ELEMENTNOTFOUND; }
    STDMETHODIMP GetImplTypeFlags(UINT, INT*) override { return TYPE_E_ELEMENTNOTFOUND; }
    STDMETHODIMP GetRefTypeInfo(HREFTYPE, ITypeInfo**) override { return TYPE_E_ELEMENTNOTFOUND; }
    STDMETHODIMP GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) override {
        return DispatchGetIDsOfNames(table_.members, IID_NULL, names, count, ids);
    }
    STDMETHODIMP Invoke(PVOID instance, MEMBERID memid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override {
        return DispatchInvoke(table_, instance, memid, IID_NULL, flags, params, result,
                              excepInfo, argErr);
    }
    STDMETHODIMP GetDocumentation(MEMBERID memid, BSTR* name, BSTR* doc, DWORD* helpContext,
                                  BSTR* helpFile) override {
        if (memid == MEMBERID_NIL) return OwnDocumentation(name, doc, helpContext, helpFile);
        const MemberSpec* m = FirstEntry(table_.members, memid);
        if (!m) return TYPE_E_ELEMENTNOTFOUND;
        if (doc) *doc = nullptr;
        if (helpContext) *helpContext = 0;
        if (helpFile) *helpFile = nullptr;
        return HandOut(name, m->name) ? S_OK : E_OUTOFMEMORY;
    }

private:
    void FillTypeAttr(TYPEATTR& attr) const override {
        attr.typekind = TKIND_DISPATCH;
        attr.cFuncs = static_cast<WORD>(table_.members.size());
        attr.cbSizeVft = static_cast<WORD>(7 * sizeof(void*));  // the IDispatch slots
        attr.wTypeFlags = TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE;
    }

    static HRESULT FreeNames(BSTR* names, UINT filled) {
        for (UINT i = 0; i < filled; ++i) {
            SysFreeString(names[i]);
            names[i] = nullptr;
        }
        return E_OUTOFMEMORY;
    }

    DispatchTable table_;
};

constexpr HREFTYPE kDefaultInterfaceRef = 1;

class CoclassTypeInfo final : public TypeInfoBase {
public:
    CoclassTypeInfo(const TypeDescription& d, ITypeInfo* iface) : TypeInfoBase(d), iface_(iface) {
        iface_->AddRef();
    }
    ~CoclassTypeInfo() override { iface_->Release(); }

    STDMETHODIMP GetNames(MEMBERID memid, BSTR* names, UINT maxNames, UINT* count) override {
        return iface_->GetNames(memid, names, maxNames, count);
    }
    STDMETHODIMP GetRefTypeOfImplType(UINT index, HREFTYPE* ref) override {
        if (!ref) return E_INVALIDARG;
        if (index != 0) return TYPE_E_ELEMENTNOTFOUND;
        *ref = kDefaultInterfaceRef;
        return S_OK;
    }
    STDMETHODIMP GetImplTypeFlags(UINT index, INT* flags) override {
        if (!flags) return E_INVALIDARG;
        if (index != 0) return TYPE_E_ELEMENTNOTFOUND;
        *flags = IMPLTYPEFLAG_FDEFAULT;
        return S_OK;
    }
    STDMETHODIMP GetRefTypeInfo(HREFTYPE ref, ITypeInfo** out) override {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        if (ref != kDefaultInterfaceRef) return TYPE_E_ELEMENTNOTFOUND;
        iface_->AddRef();
        *out = iface_;
        return S_OK;
    }
    STDMETHODIMP GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) override {
        return iface_->GetIDsOfNames(names, count, ids);
    }
    STDMETHODIMP Invoke(PVOID instance, MEMBERID memid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override {
        return iface_->Invoke(instance, memid, flags, params, result, excepInfo, argErr);
    }
    STDMETHODIMP GetDocumentation(MEMBERID memid, BSTR* name, BSTR* doc, DWORD* helpContext,
                                  BSTR* helpFile) override {
        if (memid == MEMBERID_NIL) return OwnDocumentation(name, doc, helpContext, helpFile);
        return iface_->GetDocumentation(memid, name, doc, helpContext, helpFile);
    }

private:
    void FillTypeAttr(TYPEATTR& attr) const override {
        attr.typekind = TKIND_COCLASS;
        attr.cImplTypes = 1;
        attr.wTypeFlags = TYPEFLAG_FCANCREATE;
    }

    ITypeInfo* iface_;
};

}  // namespace

HRESULT CreateDispatchTypeInfo(const TypeDescription& iface, const DispatchTable& table,
                               ITypeInfo** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    try {
        *out = new DispatchTypeInfo(iface, table);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT CreateCoclassTypeInfo(const TypeDescription& coclass, ITypeInfo* defaultInterface,
                              ITypeInfo** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (!defaultInterface) return E_INVALIDARG;
    try {
        *out = new CoclassTypeInfo(coclass, defaultInterface);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

}  // namespace vellum

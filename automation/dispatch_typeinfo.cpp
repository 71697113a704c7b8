// The type information of a dispatch table: the interface's description,
// its members' names and function descriptions, for late-bound callers,
// script hosts and the Python module.
#include "dispatch.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "com/bstr.h"
#include "com/codepage.h"
#include "com/errorinfo.h"
#include "dispatch_lookup.h"

namespace vellum {
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

// Implemented interface i is referred to as i + 1.
constexpr HREFTYPE kFirstInterfaceRef = 1;

class CoclassTypeInfo final : public TypeInfoBase {
public:
    CoclassTypeInfo(const TypeDescription& d, std::span<ITypeInfo* const> interfaces)
        : TypeInfoBase(d), interfaces_(interfaces.begin(), interfaces.end()) {
        for (ITypeInfo* iface : interfaces_) iface->AddRef();
    }
    ~CoclassTypeInfo() override {
        for (ITypeInfo* iface : interfaces_) iface->Release();
    }

    STDMETHODIMP GetNames(MEMBERID memid, BSTR* names, UINT maxNames, UINT* count) override {
        return Default()->GetNames(memid, names, maxNames, count);
    }
    STDMETHODIMP GetRefTypeOfImplType(UINT index, HREFTYPE* ref) override {
        if (!ref) return E_INVALIDARG;
        if (index >= interfaces_.size()) return TYPE_E_ELEMENTNOTFOUND;
        *ref = kFirstInterfaceRef + index;
        return S_OK;
    }
    STDMETHODIMP GetImplTypeFlags(UINT index, INT* flags) override {
        if (!flags) return E_INVALIDARG;
        if (index >= interfaces_.size()) return TYPE_E_ELEMENTNOTFOUND;
        *flags = index == 0 ? IMPLTYPEFLAG_FDEFAULT : 0;
        return S_OK;
    }
    STDMETHODIMP GetRefTypeInfo(HREFTYPE ref, ITypeInfo** out) override {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        if (ref < kFirstInterfaceRef || ref - kFirstInterfaceRef >= interfaces_.size()) {
            return TYPE_E_ELEMENTNOTFOUND;
        }
        *out = interfaces_[ref - kFirstInterfaceRef];
        (*out)->AddRef();
        return S_OK;
    }
    STDMETHODIMP GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) override {
        return Default()->GetIDsOfNames(names, count, ids);
    }
    STDMETHODIMP Invoke(PVOID instance, MEMBERID memid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override {
        return Default()->Invoke(instance, memid, flags, params, result, excepInfo, argErr);
    }
    STDMETHODIMP GetDocumentation(MEMBERID memid, BSTR* name, BSTR* doc, DWORD* helpContext,
                                  BSTR* helpFile) override {
        if (memid == MEMBERID_NIL) return OwnDocumentation(name, doc, helpContext, helpFile);
        return Default()->GetDocumentation(memid, name, doc, helpContext, helpFile);
    }

private:
    void FillTypeAttr(TYPEATTR& attr) const override {
        attr.typekind = TKIND_COCLASS;
        attr.cImplTypes = static_cast<WORD>(interfaces_.size());
        attr.wTypeFlags = TYPEFLAG_FCANCREATE;
    }

    ITypeInfo* Default() const { return interfaces_.front(); }

    std::vector<ITypeInfo*> interfaces_;
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

HRESULT CreateCoclassTypeInfo(const TypeDescription& coclass, std::span<ITypeInfo* const> interfaces,
                              ITypeInfo** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (interfaces.empty() || std::find(interfaces.begin(), interfaces.end(), nullptr) != interfaces.end()) {
        return E_INVALIDARG;
    }
    try {
        *out = new CoclassTypeInfo(coclass, interfaces);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

}  // namespace vellum

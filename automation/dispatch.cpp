#include "dispatch.h"

#include <array>
#include <atomic>
#include <new>
#include <string>
#include <string_view>

#include "com/bstr.h"
#include "com/codepage.h"
#include "com/errorinfo.h"
#include "dispatch_lookup.h"

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

const MemberSpec* FindEntry(const DispatchTable& table, DISPID dispid, MemberKind kind) {
    if (table.index.empty() || dispid < 0) return FindEntry(table.members, dispid, kind);
    const std::size_t slot = static_cast<std::size_t>(dispid) * 3 + static_cast<std::size_t>(kind);
    if (slot >= table.index.size()) return nullptr;
    // A table may be the leading part of the one its index was made for.
    const std::uint8_t position = table.index[slot];
    return position == 0 || position > table.members.size() ? nullptr : &table.members[position - 1u];
}

const MemberSpec* SelectMember(const DispatchTable& table, DISPID dispid, WORD flags) {
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        return (flags & DISPATCH_PROPERTYPUT) ? FindEntry(table, dispid, MemberKind::PropertyPut) : nullptr;
    }
    if (flags & DISPATCH_PROPERTYGET) {
        if (const MemberSpec* get = FindEntry(table, dispid, MemberKind::PropertyGet)) return get;
    }
    if (flags & DISPATCH_METHOD) return FindEntry(table, dispid, MemberKind::Method);
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

// The coerced arguments of one call, cleared when the call is over. An
// argument that already has its parameter's type is borrowed from the
// caller, who keeps it for the whole call, rather than copied: members only
// read their arguments.
struct Arguments {
    std::array<VARIANT, kMaxParams> values;
    std::array<bool, kMaxParams> borrowed{};
    std::size_t used = 0;
    Arguments() = default;
    ~Arguments() {
        for (std::size_t k = 0; k < used; ++k) {
            if (!borrowed[k]) VariantClear(&values[k]);
        }
    }
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;
};

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
        VariantInit(&args.values[k]);
        args.used = k + 1;
        const ValueType type = member.params[k].type;
        if (type != ValueType::Variant && source.vt == VarTypeOf(type)) {
            args.values[k] = source;
            args.borrowed[k] = true;
            continue;
        }
        // A whole number where a real is declared, as scripts write most
        // coordinates: exact, so no general conversion is needed.
        if (VarTypeOf(type) == VT_R8 && source.vt == VT_I4) {
            args.values[k].vt = VT_R8;
            args.values[k].dblVal = source.lVal;
            continue;
        }
        const HRESULT hr = Coerce(source, type, args.values[k]);
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
    const MemberSpec* member = SelectMember(table, dispid, flags);
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

}  // namespace vellum

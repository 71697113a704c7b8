#include "dispatch_object.h"

#include <cstdio>
#include <vector>

#include "com/bstr.h"
#include "com/codepage.h"
#include "com/typeinfo.h"
#include "com_failure.h"
#include "released_gil.h"
#include "variant_conversion.h"

namespace py = pybind11;

namespace vellum::python {
namespace {

std::string Utf8(BSTR text) { return Utf16ToUtf8(BstrView(text)); }

// Messages for the dispatch results a caller can provoke.
std::string DescribeFailure(HRESULT hr, UINT argCount, UINT argErr) {
    const std::string argument = argErr < argCount ? " (argument " + std::to_string(argCount - argErr) + ")" : "";
    switch (hr) {
        case DISP_E_BADPARAMCOUNT: return "wrong number of arguments";
        case DISP_E_TYPEMISMATCH: return "type mismatch" + argument;
        case DISP_E_PARAMNOTFOUND: return "parameter not found" + argument;
        case DISP_E_MEMBERNOTFOUND: return "member not found (no such method or property access)";
        case DISP_E_UNKNOWNNAME: return "unknown name";
        case DISP_E_OVERFLOW: return "value out of range" + argument;
        case E_OUTOFMEMORY: return "out of memory";
        case E_INVALIDARG: return "invalid argument";
        default: break;
    }
    char text[48];
    std::snprintf(text, sizeof text, "the call failed with 0x%08X", static_cast<unsigned>(hr));
    return text;
}

// The failure EXCEPINFO describes; frees its strings.
ComFailure FromException(EXCEPINFO& info) {
    if (info.pfnDeferredFillIn != nullptr) info.pfnDeferredFillIn(&info);
    ComFailure failure{info.scode, Utf8(info.bstrDescription), std::nullopt};
    if (failure.code == 0) failure.code = info.wCode != 0 ? static_cast<HRESULT>(0x80040200u + info.wCode) : DISP_E_EXCEPTION;
    if (info.bstrSource != nullptr) failure.source = Utf8(info.bstrSource);
    if (failure.description.empty()) failure.description = DescribeFailure(failure.code, 0, 0);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    return failure;
}

// The arguments of one call in rgvarg order (the last argument first),
// cleared when the call is over, and as soon as one cannot be converted.
class Arguments {
public:
    explicit Arguments(const py::tuple& args) : values_(args.size()) {
        for (VARIANT& value : values_) VariantInit(&value);
        try {
            for (std::size_t i = 0; i < args.size(); ++i) Convert(args[i], i);
        } catch (...) {
            Clear();
            throw;
        }
    }
    ~Arguments() { Clear(); }
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;

    VARIANT* data() { return values_.empty() ? nullptr : values_.data(); }
    UINT count() const { return static_cast<UINT>(values_.size()); }

private:
    void Convert(py::handle value, std::size_t index) {
        try {
            ToVariant(value, &values_[values_.size() - 1 - index]);
        } catch (const py::type_error& error) {
            const int position = static_cast<int>(index + 1);
            throw ComFailure{DISP_E_TYPEMISMATCH, "argument " + std::to_string(position) + ": " + error.what(),
                             std::nullopt, position};
        }
    }
    void Clear() {
        for (VARIANT& value : values_) VariantClear(&value);
    }

    std::vector<VARIANT> values_;
};

}  // namespace

DISPID DispatchObject::IdOfName(const std::string& name) {
    std::u16string wide = Utf8ToUtf16(name);
    LPOLESTR names[] = {wide.data()};
    DISPID id = DISPID_UNKNOWN;
    const HRESULT hr = object_->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    if (FAILED(hr)) throw ComFailure{hr, "unknown name " + name, std::nullopt};
    return id;
}

py::object DispatchObject::Invoke(DISPID dispid, WORD flags, const py::tuple& args) {
    Arguments values(args);
    DISPID putId = DISPID_PROPERTYPUT;
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    DISPPARAMS params{values.data(), put ? &putId : nullptr, values.count(), put ? 1u : 0u};
    ScopedVariant result;
    EXCEPINFO info{};
    UINT argErr = static_cast<UINT>(-1);
    HRESULT hr;
    {
        ReleasedGil released;
        std::lock_guard<std::mutex> serialised(calls_);
        hr = object_->Invoke(dispid, IID_NULL, 0, flags, &params, result.get(), &info, &argErr);
    }
    if (hr == DISP_E_EXCEPTION) throw FromException(info);
    if (FAILED(hr)) {
        ComFailure failure{hr, DescribeFailure(hr, params.cArgs, argErr), std::nullopt};
        if (IsArgumentFailure(hr) && argErr < params.cArgs) failure.argument = static_cast<int>(params.cArgs - argErr);
        throw failure;
    }
    return FromVariant(*result.get());
}

ComPtr<ITypeInfo> DispatchObject::InterfaceTypeInfo() {
    ComPtr<ITypeInfo> info;
    UINT count = 0;
    if (FAILED(object_->GetTypeInfoCount(&count)) || count == 0) return {};
    if (FAILED(object_->GetTypeInfo(0, 0, info.put()))) return {};
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) return {};
    const bool coclass = attr->typekind == TKIND_COCLASS;
    info->ReleaseTypeAttr(attr);
    if (!coclass) return info;
    // A class: its members are those of its default interface.
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> implemented;
    if (FAILED(info->GetRefTypeOfImplType(0, &ref)) || FAILED(info->GetRefTypeInfo(ref, implemented.put()))) return {};
    return implemented;
}

std::string DispatchObject::TypeName() {
    const ComPtr<ITypeInfo> info = InterfaceTypeInfo();
    BStr name;
    if (!info || FAILED(info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr))) return "Dispatch";
    return Utf16ToUtf8(name.view());
}

py::list DispatchObject::Members() {
    py::list members;
    const ComPtr<ITypeInfo> info = InterfaceTypeInfo();
    TYPEATTR* attr = nullptr;
    if (!info || FAILED(info->GetTypeAttr(&attr))) return members;
    const UINT count = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    for (UINT index = 0; index < count; ++index) {
        FUNCDESC* desc = nullptr;
        if (FAILED(info->GetFuncDesc(index, &desc))) continue;
        const auto paramCount = static_cast<UINT>(desc->cParams < 0 ? 0 : desc->cParams);
        std::vector<BSTR> names(paramCount + 1, nullptr);
        UINT named = 0;
        info->GetNames(desc->memid, names.data(), paramCount + 1, &named);
        py::list params;
        for (UINT k = 0; k < paramCount; ++k) {
            // A property put's value has no name of its own.
            const std::string name = k + 1 < named ? Utf8(names[k + 1]) : "value";
            const VARTYPE type = desc->lprgelemdescParam ? desc->lprgelemdescParam[k].tdesc.vt : VARTYPE{VT_VARIANT};
            params.append(py::make_tuple(name, type));
        }
        if (named > 0) {
            members.append(py::make_tuple(Utf8(names[0]), static_cast<int>(desc->invkind), desc->memid, params,
                                          desc->elemdescFunc.tdesc.vt));
        }
        for (UINT k = 0; k < named; ++k) SysFreeString(names[k]);
        info->ReleaseFuncDesc(desc);
    }
    return members;
}

}  // namespace vellum::python

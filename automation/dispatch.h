// Late binding for an automation object described by a member table
// (member_table.h): name lookup, IDispatch::Invoke semantics, and the type
// information the object hands out. One implementation serves every member;
// each member only supplies a thunk that calls its vtable method.
//
// Typical use in an object implementing a dual interface IThing:
//
//   constexpr vellum::MemberThunk kThunks[] = {
//       &vellum::VtableThunk<&IThing::NewPDF>, ...};   // in member order
//   constexpr vellum::DispatchTable kTable{vellum::kMembers, kThunks};
//
//   STDMETHODIMP Thing::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT n, LCID, DISPID* ids) {
//       return vellum::DispatchGetIDsOfNames(kTable.members, riid, names, n, ids);
//   }
//   STDMETHODIMP Thing::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* p,
//                              VARIANT* r, EXCEPINFO* e, UINT* argErr) {
//       return vellum::DispatchInvoke(kTable, static_cast<IThing*>(this), id, riid, flags, p, r, e,
//                                     argErr);
//   }
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "com/interfaces.h"
#include "com/typeinfo.h"
#include "com/variant.h"
#include "member_table.h"

namespace vellum {

// Calls one member. `self` is the pointer given to DispatchInvoke (or the
// instance given to ITypeInfo::Invoke). `args` holds the arguments in
// declared order, already coerced: Bstr parameters as VT_BSTR, Double as
// VT_R8, Long as VT_I4, Variant parameters as a private by-value copy. The
// dispatcher owns and clears them afterwards. `result` starts as VT_EMPTY;
// the thunk stores the member's result there (the dispatcher converts it to
// the declared type if needed). A failing thunk sets error information.
using MemberThunk = HRESULT (*)(void* self, const MemberSpec& member, VARIANT* args,
                                VARIANT* result);

// Where each (DISPID, kind) pair first sits in a member table:
// positions[dispid * 3 + kind] is its index + 1, 0 for none. Made at compile
// time (MakeMemberIndex), so that Invoke finds its member in one step.
template <std::size_t kSlots>
struct MemberIndex {
    std::array<std::uint8_t, kSlots> positions{};
};

template <const auto& kTable>
constexpr auto MakeMemberIndex() {
    constexpr std::size_t kSlots = [] {
        std::int32_t largest = 0;
        for (const MemberSpec& m : kTable) largest = m.dispid > largest ? m.dispid : largest;
        return (static_cast<std::size_t>(largest) + 1) * 3;
    }();
    static_assert(std::size(kTable) < 255, "positions are kept in one byte");
    MemberIndex<kSlots> index;
    for (std::size_t i = 0; i < std::size(kTable); ++i) {
        if (kTable[i].dispid < 0) continue;  // found by search only
        auto& slot = index.positions[static_cast<std::size_t>(kTable[i].dispid) * 3 +
                                     static_cast<std::size_t>(kTable[i].kind)];
        if (slot == 0) slot = static_cast<std::uint8_t>(i + 1);
    }
    return index;
}

// A member table and its thunks: thunks[m.order - 1] serves member m, and
// optionally the table's index. All must outlive every use (static tables).
struct DispatchTable {
    std::span<const MemberSpec> members;
    std::span<const MemberThunk> thunks;
    std::span<const std::uint8_t> index = {};
};

// IDispatch::GetIDsOfNames: names[0] is a member name, matched ignoring ASCII
// letter case; names[1..] are parameter names of that member, which map to
// their 0-based positions. Unknown names get DISPID_UNKNOWN and the call
// returns DISP_E_UNKNOWNNAME; the other slots are still filled.
HRESULT DispatchGetIDsOfNames(std::span<const MemberSpec> members, REFIID riid,
                              LPOLESTR* names, UINT count, DISPID* ids);

// IDispatch::Invoke. Selects the member by DISPID and flags (a property put
// needs exactly one argument, named DISPID_PROPERTYPUT; a get-or-method call
// prefers the property get), checks the arguments (positional arguments in
// reverse order in rgvarg, named ones by parameter position), coerces each to
// its declared type, and calls the member's thunk. A failing member comes
// back as DISP_E_EXCEPTION with *excepInfo filled from the thread's error
// information (or as its own result when excepInfo is null). A coercion
// failure is DISP_E_TYPEMISMATCH with *argErr the argument's rgvarg index.
HRESULT DispatchInvoke(const DispatchTable& table, void* self, DISPID dispid, REFIID riid,
                       WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                       UINT* argErr);

// Name, documentation string and version of an interface or class.
struct TypeDescription {
    GUID guid;
    std::string_view name;
    std::string_view doc;
    WORD majorVersion = 1;
    WORD minorVersion = 0;
};

// The type information of a dual interface whose members are `table`: type
// attributes (TKIND_DISPATCH, dual), GetIDsOfNames and Invoke as above,
// GetNames and GetDocumentation. The rest of ITypeInfo answers E_NOTIMPL.
HRESULT CreateDispatchTypeInfo(const TypeDescription& iface, const DispatchTable& table,
                               ITypeInfo** out);

// The type information of a creatable class implementing `interfaces`, the
// default one first: type attributes (TKIND_COCLASS), each implemented
// interface through GetRefTypeOfImplType(i) / GetRefTypeInfo (the first
// flagged as the default), its own name through GetDocumentation(MEMBERID_NIL).
// Member lookups (names, documentation, GetIDsOfNames, Invoke) go to the
// default interface.
HRESULT CreateCoclassTypeInfo(const TypeDescription& coclass, std::span<ITypeInfo* const> interfaces,
                              ITypeInfo** out);
inline HRESULT CreateCoclassTypeInfo(const TypeDescription& coclass, ITypeInfo* defaultInterface,
                                     ITypeInfo** out) {
    return CreateCoclassTypeInfo(coclass, std::span<ITypeInfo* const>(&defaultInterface, 1), out);
}

// ---------------------------------------------------------------------------
// VtableThunk<&IThing::Method>: a MemberThunk that calls a vtable method whose
// parameters are the member's (BSTR, double, LONG or VARIANT, in order),
// followed by a BSTR*, double*, LONG* or VARIANT* for its result if it has
// one. SignatureMatches<&IThing::Method>(member) checks the method against
// its table entry at compile time (CheckedThunk does it for each row).
namespace dispatch_detail {

template <typename T>
struct InParam;
template <>
struct InParam<BSTR> {
    static constexpr ValueType type = ValueType::Bstr;
    static BSTR Get(VARIANT& v) { return v.bstrVal; }
};
template <>
struct InParam<double> {
    static constexpr ValueType type = ValueType::Double;
    static double Get(VARIANT& v) { return v.dblVal; }
};
template <>
struct InParam<LONG> {
    static constexpr ValueType type = ValueType::Long;
    static LONG Get(VARIANT& v) { return v.lVal; }
};
template <>
struct InParam<VARIANT_BOOL> {
    static constexpr ValueType type = ValueType::Bool;
    static VARIANT_BOOL Get(VARIANT& v) { return v.boolVal; }
};
template <>
struct InParam<VARIANT> {
    static constexpr ValueType type = ValueType::Variant;
    static VARIANT Get(VARIANT& v) { return v; }
};

template <typename T>
struct OutParam {
    static constexpr bool isResult = false;
};
template <>
struct OutParam<BSTR*> {
    static constexpr bool isResult = true;
    static constexpr ValueType type = ValueType::Bstr;
    static BSTR* Slot(VARIANT& r) {
        r.vt = VT_BSTR;
        r.bstrVal = nullptr;
        return &r.bstrVal;
    }
};
template <>
struct OutParam<double*> {
    static constexpr bool isResult = true;
    static constexpr ValueType type = ValueType::Double;
    static double* Slot(VARIANT& r) {
        r.vt = VT_R8;
        r.dblVal = 0;
        return &r.dblVal;
    }
};
template <>
struct OutParam<LONG*> {
    static constexpr bool isResult = true;
    static constexpr ValueType type = ValueType::Long;
    static LONG* Slot(VARIANT& r) {
        r.vt = VT_I4;
        r.lVal = 0;
        return &r.lVal;
    }
};
template <>
struct OutParam<VARIANT_BOOL*> {
    static constexpr bool isResult = true;
    static constexpr ValueType type = ValueType::Bool;
    static VARIANT_BOOL* Slot(VARIANT& r) {
        r.vt = VT_BOOL;
        r.boolVal = VARIANT_FALSE;
        return &r.boolVal;
    }
};
template <>
struct OutParam<VARIANT*> {
    static constexpr bool isResult = true;
    static constexpr ValueType type = ValueType::Variant;
    static VARIANT* Slot(VARIANT& r) { return &r; }
};

template <typename M>
struct MethodTraits;
template <typename C, typename... A>
struct MethodTraits<HRESULT (STDMETHODCALLTYPE C::*)(A...)> {
    using Class = C;
    using Params = std::tuple<A...>;
    static constexpr std::size_t count = sizeof...(A);
};

template <auto Method>
struct Shape {
    using Traits = MethodTraits<decltype(Method)>;
    using Params = typename Traits::Params;
    static constexpr bool hasResult = [] {
        if constexpr (Traits::count == 0) {
            return false;
        } else {
            return OutParam<std::tuple_element_t<Traits::count - 1, Params>>::isResult;
        }
    }();
    static constexpr std::size_t inCount = Traits::count - (hasResult ? 1 : 0);
};

template <auto Method, class Self, std::size_t... I>
HRESULT CallWith(void* self, VARIANT* args, VARIANT* result, std::index_sequence<I...>) {
    using S = Shape<Method>;
    auto* object = static_cast<Self*>(self);
    if constexpr (S::hasResult) {
        using Out = OutParam<std::tuple_element_t<S::Traits::count - 1, typename S::Params>>;
        return (object->*Method)(
            InParam<std::tuple_element_t<I, typename S::Params>>::Get(args[I])...,
            Out::Slot(*result));
    } else {
        (void)result;
        return (object->*Method)(
            InParam<std::tuple_element_t<I, typename S::Params>>::Get(args[I])...);
    }
}

template <auto Method, std::size_t... I>
constexpr bool ParamsMatch(const MemberSpec& member, std::index_sequence<I...>) {
    using S = Shape<Method>;
    return ((InParam<std::tuple_element_t<I, typename S::Params>>::type == member.params[I].type) &&
            ...);
}

}  // namespace dispatch_detail

template <auto Method>
constexpr bool SignatureMatches(const MemberSpec& member) {
    using S = dispatch_detail::Shape<Method>;
    if (static_cast<std::size_t>(member.paramCount) != S::inCount) return false;
    if (!dispatch_detail::ParamsMatch<Method>(member, std::make_index_sequence<S::inCount>{})) {
        return false;
    }
    if constexpr (S::hasResult) {
        using Out = dispatch_detail::OutParam<
            std::tuple_element_t<S::Traits::count - 1, typename S::Params>>;
        return member.result == Out::type;
    } else {
        return member.result == ValueType::None;
    }
}

// `self` points to a Self, the interface the object hands to the dispatcher:
// the method's own interface or one derived from it.
template <auto Method, class Self = typename dispatch_detail::Shape<Method>::Traits::Class>
HRESULT VtableThunk(void* self, const MemberSpec& member, VARIANT* args, VARIANT* result) {
    using S = dispatch_detail::Shape<Method>;
    static_assert(std::is_base_of_v<typename S::Traits::Class, Self>);
    if (!self || !SignatureMatches<Method>(member)) return E_UNEXPECTED;
    return dispatch_detail::CallWith<Method, Self>(self, args, result,
                                                   std::make_index_sequence<S::inCount>{});
}

// The thunk of one member-table row; a method whose signature is not the
// row's does not compile.
template <class Self, auto Method>
consteval MemberThunk CheckedThunk(const MemberSpec& row) {
    if (!SignatureMatches<Method>(row)) throw "the method's signature is not its member-table row's";
    return &VtableThunk<Method, Self>;
}

}  // namespace vellum

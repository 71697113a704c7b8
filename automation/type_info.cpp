#include "type_info.h"

#include <array>

#include "com/raii.h"

namespace vellum::automation {

HRESULT TableInterfaceTypeInfo(Interface iface, ITypeInfo** typeInfo) {
    return CreateDispatchTypeInfo(InterfaceDescription(iface), DispatchTableOf(iface), typeInfo);
}

// The default interface first, then those it extends.
HRESULT TableClassTypeInfo(ITypeInfo** typeInfo) {
    std::array<ComPtr<ITypeInfo>, kInterfaces.size()> owned;
    std::array<ITypeInfo*, kInterfaces.size()> interfaces{};
    for (std::size_t i = 0; i < kInterfaces.size(); ++i) {
        const HRESULT hr = TableInterfaceTypeInfo(kInterfaces[kInterfaces.size() - 1 - i].id, owned[i].put());
        if (FAILED(hr)) return hr;
        interfaces[i] = owned[i].get();
    }
    return CreateCoclassTypeInfo(kClassDescription, interfaces, typeInfo);
}

#ifndef _WIN32
// The native build takes them from its embedded type library (type_info_win.cpp).
HRESULT GetInterfaceTypeInfo(Interface iface, ITypeInfo** typeInfo) { return TableInterfaceTypeInfo(iface, typeInfo); }
HRESULT GetClassTypeInfo(ITypeInfo** typeInfo) { return TableClassTypeInfo(typeInfo); }
#endif

}  // namespace vellum::automation

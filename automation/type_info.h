// The type information of the object: one description per interface, each
// reaching the members of the interfaces it extends, and the class's, whose
// default interface is the last one (kDefaultInterface).
#pragma once

#include "com/typeinfo.h"
#include "dispatch.h"
#include "VELLUM_XP_TLB.h"

namespace vellum::automation {

// Every member: the object's IDispatch serves its default interface.
extern const DispatchTable kPDFDocumentDispatch;

// The members an interface reaches (its own and those it inherits).
inline DispatchTable DispatchTableOf(Interface iface) {
    DispatchTable table = kPDFDocumentDispatch;
    table.members = table.members.first(MemberCountThrough(iface));
    return table;
}

inline const IID& InterfaceIid(Interface iface) {
    switch (iface) {
        case Interface::IPDFDocument: return IID_IPDFDocument;
        case Interface::IPDFDocument2: break;
    }
    return IID_IPDFDocument2;
}

inline TypeDescription InterfaceDescription(Interface iface) {
    const InterfaceRow& row = kInterfaces[static_cast<std::size_t>(iface)];
    return {InterfaceIid(iface), row.name, row.help, 1, 0};
}

inline constexpr TypeDescription kClassDescription{CLSID_PDFDocument, kCoclass.name, kCoclass.help, 1, 0};

// Each call hands out a new reference.
HRESULT GetInterfaceTypeInfo(Interface iface, ITypeInfo** typeInfo);
HRESULT GetClassTypeInfo(ITypeInfo** typeInfo);

// The same built from the member table, which the native build falls back on
// when its embedded type library cannot be loaded.
HRESULT TableInterfaceTypeInfo(Interface iface, ITypeInfo** typeInfo);
HRESULT TableClassTypeInfo(ITypeInfo** typeInfo);

}  // namespace vellum::automation

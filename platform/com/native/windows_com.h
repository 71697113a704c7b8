// The native build: the component object model's types, interfaces and
// services come from the system's own headers (ole32, oleaut32). The rest of
// platform/com then only adds the helpers in namespace vellum on top.
//
// Two macros of the system headers would rename members of our own classes
// in some translation units and not in others, so they are dropped here:
// TextOut (the engine's and the interface's method) and the min/max pair.
#pragma once

#ifndef _WIN32
#error "windows_com.h belongs to the native Windows build only"
#endif

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <ocidl.h>

#undef TextOut

// The system declares the source of these conversions without const (it is
// only read); these overloads let the shared code keep its const sources.
inline HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* source) {
    return VariantCopy(dest, const_cast<VARIANTARG*>(source));
}
inline HRESULT VariantCopyInd(VARIANT* dest, const VARIANTARG* source) {
    return VariantCopyInd(dest, const_cast<VARIANTARG*>(source));
}
inline HRESULT VariantChangeType(VARIANTARG* dest, const VARIANTARG* source, USHORT flags, VARTYPE vt) {
    return VariantChangeType(dest, const_cast<VARIANTARG*>(source), flags, vt);
}
inline HRESULT VariantChangeTypeEx(VARIANTARG* dest, const VARIANTARG* source, LCID lcid, USHORT flags, VARTYPE vt) {
    return VariantChangeTypeEx(dest, const_cast<VARIANTARG*>(source), lcid, flags, vt);
}

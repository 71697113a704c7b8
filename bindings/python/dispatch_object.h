// One automation object as the Python module sees it: names to DISPIDs,
// calls through IDispatch::Invoke, and the member list its type information
// gives. Calls on one object are serialised; calls on different objects run
// in parallel, with the GIL released while the object works.
#pragma once

#include <pybind11/pybind11.h>

#include <mutex>
#include <string>

#include "com/interfaces.h"
#include "com/raii.h"

namespace vellum::python {

class DispatchObject {
public:
    explicit DispatchObject(ComPtr<IDispatch> object) : object_(std::move(object)) {}

    // GetIDsOfNames for one member name (any letter case); throws ComFailure.
    DISPID IdOfName(const std::string& name);

    // IDispatch::Invoke with args as positional arguments (DISPATCH_PROPERTYPUT
    // passes its one value as the named DISPID_PROPERTYPUT); throws ComFailure.
    pybind11::object Invoke(DISPID dispid, WORD flags, const pybind11::tuple& args);

    // The type's name and its members from the type information, each as
    // (name, invoke kind, DISPID, [(parameter name, VARTYPE)], result VARTYPE);
    // an empty list when the object gives no type information.
    std::string TypeName();
    pybind11::list Members();

private:
    ComPtr<ITypeInfo> InterfaceTypeInfo();

    ComPtr<IDispatch> object_;
    std::mutex calls_;
};

}  // namespace vellum::python

// The compiled part of the Python package vellum: object creation, late-bound
// calls and the conversions. The package's __init__.py builds the Python
// classes (attributes, methods, help) on top of it.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <new>

#include "activation.h"
#include "com_failure.h"
#include "dispatch_object.h"
#include "variant_conversion.h"

namespace py = pybind11;
using namespace vellum::python;

namespace {

// vellum.COMError, handed over by __init__.py. Kept for the life of the
// process: failures may be raised until the interpreter has shut down.
PyObject* errorClass = nullptr;

void SetErrorClass(py::object cls) {
    if (!PyType_Check(cls.ptr()) || !PyType_IsSubtype(reinterpret_cast<PyTypeObject*>(cls.ptr()),
                                                       reinterpret_cast<PyTypeObject*>(PyExc_Exception))) {
        throw py::type_error("the error class must be an Exception subclass");
    }
    Py_XDECREF(errorClass);
    errorClass = cls.release().ptr();
}

void RaiseComError(const ComFailure& failure) {
    py::object source = failure.source ? py::object(py::str(*failure.source)) : py::object(py::none());
    // HRESULTs reach Python unsigned, as they are written: 0x8000FFFF.
    const auto code = static_cast<std::uint32_t>(failure.code);
    if (errorClass == nullptr) {
        PyErr_SetString(PyExc_RuntimeError, failure.description.c_str());
        return;
    }
    py::object error = py::reinterpret_borrow<py::object>(errorClass)(code, failure.description, source);
    PyErr_SetObject(errorClass, error.ptr());
}

// Python value -> VARIANT -> Python value, with the VARTYPE in between: lets
// the tests check both directions of every conversion.
py::tuple RoundTrip(py::handle value) {
    vellum::ScopedVariant variant;
    ToVariant(value, variant.get());
    return py::make_tuple(variant->vt, FromVariant(*variant.get()));
}

}  // namespace

PYBIND11_MODULE(_vellum, module) {
    module.doc() = "Late-bound calls into Vellum's automation objects (use the package vellum).";
    py::register_exception_translator([](std::exception_ptr failure) {
        try {
            if (failure) std::rethrow_exception(failure);
        } catch (const ComFailure& com) {
            RaiseComError(com);
        }
    });

    py::class_<DispatchObject>(module, "Object")
        .def("dispid", &DispatchObject::IdOfName, py::arg("name"))
        .def("invoke", &DispatchObject::Invoke, py::arg("dispid"), py::arg("flags"), py::arg("args"))
        .def("type_name", &DispatchObject::TypeName)
        .def("members", &DispatchObject::Members);

    module.def(
        "create",
        [](const std::string& progId, const std::string& library) {
            return std::make_unique<DispatchObject>(CreateObject(progId, library));
        },
        py::arg("progid"), py::arg("library") = std::string());
    module.def("library_candidates", &LibraryCandidates);
    module.def("_set_error_class", &SetErrorClass);
    module.def("_variant_round_trip", &RoundTrip);
}

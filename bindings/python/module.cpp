// The compiled part of the Python package vellum: object creation, late-bound
// calls and the conversions. The package's __init__.py builds the Python
// classes (attributes, methods, help) on top of it.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <new>

#include "activation.h"
#include "com_failure.h"
#include "dispatch_object.h"
#include "member_docs.h"
#include "member_names.h"
#include "released_gil.h"
#include "variant_conversion.h"

namespace py = pybind11;
using namespace vellum::python;

namespace {

// vellum.COMError and vellum.ArgumentError, handed over by __init__.py. Kept
// for the life of the process: failures may be raised until the interpreter
// has shut down.
PyObject* errorClass = nullptr;
PyObject* argumentErrorClass = nullptr;

void Keep(PyObject*& slot, py::object cls, PyObject* base) {
    if (!PyType_Check(cls.ptr()) ||
        !PyType_IsSubtype(reinterpret_cast<PyTypeObject*>(cls.ptr()), reinterpret_cast<PyTypeObject*>(base))) {
        throw py::type_error("the error classes must be subclasses of Exception and of the COM error");
    }
    Py_XDECREF(slot);
    slot = cls.release().ptr();
}

void SetErrorClasses(py::object comError, py::object argumentError) {
    Keep(errorClass, std::move(comError), PyExc_Exception);
    Keep(argumentErrorClass, std::move(argumentError), errorClass);
}

void RaiseComError(const ComFailure& failure) {
    py::object source = failure.source ? py::object(py::str(*failure.source)) : py::object(py::none());
    // HRESULTs reach Python unsigned, as they are written: 0x8000FFFF.
    const auto code = static_cast<std::uint32_t>(failure.code);
    if (errorClass == nullptr || argumentErrorClass == nullptr) {
        PyErr_SetString(PyExc_RuntimeError, failure.description.c_str());
        return;
    }
    PyObject* cls = IsArgumentFailure(failure.code) ? argumentErrorClass : errorClass;
    py::object error = py::reinterpret_borrow<py::object>(cls)(code, failure.description, source);
    if (cls == argumentErrorClass) {
        error.attr("argument") = failure.argument > 0 ? py::object(py::int_(failure.argument)) : py::object(py::none());
    }
    PyErr_SetObject(cls, error.ptr());
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
    RegisterExitHook();
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
    module.def("nearest_names", &vellum::NearestNames, py::arg("name"), py::arg("candidates"));
    module.def("member_docs", &MemberDocs);
    module.def("_set_error_classes", &SetErrorClasses);
    module.def("_variant_round_trip", &RoundTrip);
}

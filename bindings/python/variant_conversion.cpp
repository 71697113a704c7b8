#include "variant_conversion.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace py = pybind11;

namespace vellum::python {
namespace {

// Python text to a BSTR, exactly: lone surrogates travel unchanged, as they
// would between two UTF-16 programs.
BSTR ToBstr(py::handle text) {
    py::object encoded = py::reinterpret_steal<py::object>(
        PyUnicode_AsEncodedString(text.ptr(), "utf-16-le", "surrogatepass"));
    if (!encoded) throw py::error_already_set();
    char* data = nullptr;
    Py_ssize_t size = 0;
    if (PyBytes_AsStringAndSize(encoded.ptr(), &data, &size) != 0) throw py::error_already_set();
    const auto units = static_cast<std::size_t>(size) / sizeof(char16_t);
    if (units > kMaxBstrLength) throw py::value_error("the text is too long for a BSTR");
    std::u16string wide(units, u'\0');
    std::memcpy(wide.data(), data, units * sizeof(char16_t));
    BSTR bstr = AllocBstr(wide);
    if (!bstr && !wide.empty()) throw std::bad_alloc();
    return bstr;
}

py::object FromBstr(BSTR bstr) {
    const std::u16string_view wide = BstrView(bstr);
    int byteOrder = -1;  // little-endian, as char16_t is stored here
    PyObject* text = PyUnicode_DecodeUTF16(reinterpret_cast<const char*>(wide.data()),
                                           static_cast<Py_ssize_t>(wide.size() * sizeof(char16_t)),
                                           "surrogatepass", &byteOrder);
    if (!text) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(text);
}

SAFEARRAY* ToByteArray(py::handle value) {
    Py_buffer view;
    if (PyObject_GetBuffer(value.ptr(), &view, PyBUF_SIMPLE) != 0) throw py::error_already_set();
    const auto size = static_cast<std::size_t>(view.len);
    SAFEARRAY* array = size <= kMaxSafeArrayBytes
                           ? SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(size))
                           : nullptr;
    if (array && size > 0) std::memcpy(array->pvData, view.buf, size);
    PyBuffer_Release(&view);
    if (!array) throw py::value_error("the byte array is too large (at most 1 GiB)");
    return array;
}

py::object FromByteArray(SAFEARRAY* array) {
    if (!array) return py::bytes();
    if (SafeArrayGetDim(array) != 1 || SafeArrayGetElemsize(array) != 1) {
        throw py::type_error("only one-dimensional byte arrays have a Python form");
    }
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) throw py::type_error("the byte array cannot be read");
    py::bytes result(static_cast<const char*>(data), array->rgsabound[0].cElements);
    SafeArrayUnaccessData(array);
    return result;
}

void IntegerToVariant(py::handle value, VARIANT* target) {
    int overflow = 0;
    const long long number = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
    if (number == -1 && PyErr_Occurred()) throw py::error_already_set();
    if (overflow == 0 && number >= std::numeric_limits<LONG>::min() && number <= std::numeric_limits<LONG>::max()) {
        target->vt = VT_I4;
        target->lVal = static_cast<LONG>(number);
        return;
    }
    const double real = PyLong_AsDouble(value.ptr());  // OverflowError beyond the double range
    if (real == -1.0 && PyErr_Occurred()) throw py::error_already_set();
    target->vt = VT_R8;
    target->dblVal = real;
}

}  // namespace

void ToVariant(py::handle value, VARIANT* target) {
    if (value.is_none()) {
        target->vt = VT_EMPTY;
    } else if (PyBool_Check(value.ptr())) {
        target->vt = VT_BOOL;
        target->boolVal = value.ptr() == Py_True ? VARIANT_TRUE : VARIANT_FALSE;
    } else if (PyLong_Check(value.ptr())) {
        IntegerToVariant(value, target);
    } else if (PyFloat_Check(value.ptr())) {
        target->vt = VT_R8;
        target->dblVal = PyFloat_AS_DOUBLE(value.ptr());
    } else if (PyUnicode_Check(value.ptr())) {
        target->bstrVal = ToBstr(value);
        target->vt = VT_BSTR;
    } else if (PyObject_CheckBuffer(value.ptr())) {
        target->parray = ToByteArray(value);
        target->vt = VT_ARRAY | VT_UI1;
    } else {
        throw py::type_error(std::string("a ") + Py_TYPE(value.ptr())->tp_name +
                             " cannot be passed (use str, int, float, bool, None or bytes)");
    }
}

py::object FromVariant(const VARIANT& value) {
    if (value.vt & VT_BYREF) {
        ScopedVariant copy;
        if (FAILED(VariantCopyInd(copy.get(), &value))) throw py::type_error("a by-reference variant cannot be read");
        return FromVariant(*copy.get());
    }
    switch (value.vt) {
        case VT_EMPTY:
        case VT_NULL: return py::none();
        case VT_BOOL: return py::bool_(value.boolVal != VARIANT_FALSE);
        case VT_I1: return py::int_(static_cast<int>(value.cVal));
        case VT_UI1: return py::int_(value.bVal);
        case VT_I2: return py::int_(value.iVal);
        case VT_UI2: return py::int_(value.uiVal);
        case VT_I4:
        case VT_INT: return py::int_(value.lVal);
        case VT_UI4:
        case VT_UINT: return py::int_(value.ulVal);
        case VT_I8: return py::int_(value.llVal);
        case VT_UI8: return py::int_(value.ullVal);
        case VT_ERROR: return py::int_(static_cast<std::uint32_t>(value.scode));
        case VT_R4: return py::float_(value.fltVal);
        case VT_R8:
        case VT_DATE: return py::float_(value.dblVal);
        case VT_CY: return py::float_(static_cast<double>(value.cyVal.int64) / 10000.0);
        case VT_BSTR: return FromBstr(value.bstrVal);
        case VT_ARRAY | VT_UI1: return FromByteArray(value.parray);
        default: break;
    }
    throw py::type_error("a variant of type " + std::to_string(value.vt) + " has no Python form");
}

}  // namespace vellum::python

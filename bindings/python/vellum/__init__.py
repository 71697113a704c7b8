"""Vellum's PDFDocument automation object, late bound from Python.

    import vellum
    doc = vellum.Dispatch()            # or vellum.PDFDocument()
    doc.NewPDF("Letter")
    doc.TextOut("Dear reader,", 20, 30)
    pdf = doc.GetPDFContent()          # bytes

Every member of the object is reached through IDispatch: properties as
attributes (read and assigned), methods as calls with positional arguments.
Names may be written in any letter case. help() and dir() list the members
with their argument names, taken from the object's type information.

Values cross as VARIANTs: str <-> BSTR, int -> VT_I4 (VT_R8 when it does not
fit in 32 bits), float <-> VT_R8, bool <-> VT_BOOL, bytes <-> VT_ARRAY|VT_UI1,
and None -> VT_EMPTY, the "missing" value that late-bound hosts pass (VT_EMPTY
and VT_NULL come back as None).

A failing call raises COMError with the HRESULT as an unsigned number
(E_UNEXPECTED is 0x8000FFFF), the description and the source the object
reported ("VELLUM_XP.PDFDocument"; None when it gave none).

Different objects may be used on different threads at the same time: the GIL
is released while the object works. Calls on one shared object are made one
at a time.
"""

import inspect as _inspect
from typing import Any as _Any

from . import _vellum

__all__ = ["COMError", "Dispatch", "DispatchObject", "PDFDocument", "E_UNEXPECTED", "DISP_E_TYPEMISMATCH",
           "DISP_E_BADPARAMCOUNT", "DISP_E_MEMBERNOTFOUND", "DISP_E_UNKNOWNNAME", "CO_E_CLASSSTRING"]

PROGID = "VELLUM_XP.PDFDocument"

E_UNEXPECTED = 0x8000FFFF
DISP_E_MEMBERNOTFOUND = 0x80020003
DISP_E_TYPEMISMATCH = 0x80020005
DISP_E_UNKNOWNNAME = 0x80020006
DISP_E_BADPARAMCOUNT = 0x8002000E
CO_E_CLASSSTRING = 0x800401F3

_METHOD, _PROPERTYGET, _PROPERTYPUT = 1, 2, 4

# VARTYPEs of the type information and the Python types they carry.
_PYTHON_TYPES = {8: str, 5: float, 4: float, 3: int, 2: int, 11: bool, 12: _Any, 24: None}


class COMError(Exception):
    """A failed call on an automation object.

    hresult     the failure code, unsigned (E_UNEXPECTED is 0x8000FFFF)
    description what went wrong, as the object or the dispatcher put it
    source      who reported it, e.g. "VELLUM_XP.PDFDocument"; None if unknown
    """

    def __init__(self, hresult, description, source=None):
        super().__init__(hresult, description, source)
        self.hresult = hresult
        self.description = description
        self.source = source

    def __str__(self):
        return f"0x{self.hresult:08X}: {self.description}"


_vellum._set_error_class(COMError)


class DispatchObject:
    """An automation object reached late bound.

    The members the type information lists are class attributes of a
    subclass made for the type; names in other letter cases, and members the
    type information does not list, are looked up with GetIDsOfNames. An
    unlisted member is reached as a call (a property get or a method).
    """

    __slots__ = ("_object", "_dispids")
    _kinds = {}    # DISPID -> set of invoke kinds, from the type information
    _methods = {}  # DISPID -> name of the method attribute

    def __init__(self, obj):
        object.__setattr__(self, "_object", obj)
        object.__setattr__(self, "_dispids", {})

    def _dispid(self, name):
        dispid = self._dispids.get(name)
        if dispid is None:
            try:
                dispid = self._object.dispid(name)
            except COMError:
                raise AttributeError(f"{type(self).__name__} has no member {name!r}") from None
            self._dispids[name] = dispid
        return dispid

    def _invoke(self, dispid, flags, args):
        return self._object.invoke(dispid, flags, tuple(args))

    def __getattr__(self, name):
        # Only reached when the ordinary lookup failed.
        if name.startswith("_"):
            raise AttributeError(name)
        dispid = self._dispid(name)
        if dispid in self._methods:
            return getattr(self, self._methods[dispid])
        kinds = self._kinds.get(dispid)
        if kinds is None:
            return _LateBoundMethod(self, dispid, name)
        if _PROPERTYGET not in kinds:
            raise AttributeError(f"{name} can only be assigned")
        return self._invoke(dispid, _PROPERTYGET, ())

    def __setattr__(self, name, value):
        if name.startswith("_"):
            raise AttributeError(f"{name!r} is not a member")
        member = getattr(type(self), name, None)
        if isinstance(member, property):
            member.__set__(self, value)
        else:
            self._invoke(self._dispid(name), _PROPERTYPUT, (value,))

    def __repr__(self):
        return f"<vellum.Dispatch {type(self).__name__}>"


class _LateBoundMethod:
    """A method found by name at run time: calls go straight to Invoke."""

    __slots__ = ("_owner", "_dispid", "__name__")

    def __init__(self, owner, dispid, name):
        self._owner, self._dispid, self.__name__ = owner, dispid, name

    def __call__(self, *args):
        return self._owner._invoke(self._dispid, _METHOD | _PROPERTYGET, args)


def _annotation(vartype):
    return _PYTHON_TYPES.get(vartype, _Any)


def _type_text(annotation):
    return "None" if annotation is None else getattr(annotation, "__name__", "Any")


def _make_method(class_name, name, dispid, params, result):
    signature = _inspect.Signature(
        [_inspect.Parameter("self", _inspect.Parameter.POSITIONAL_OR_KEYWORD)] +
        [_inspect.Parameter(p, _inspect.Parameter.POSITIONAL_OR_KEYWORD, annotation=_annotation(vt))
         for p, vt in params],
        return_annotation=_annotation(result))

    def method(self, *args, **kwargs):
        if kwargs:
            args = signature.bind(self, *args, **kwargs).args[1:]
        return self._invoke(dispid, _METHOD, args)

    arguments = ", ".join(f"{p}: {_type_text(_annotation(vt))}" for p, vt in params)
    method.__name__ = name
    method.__qualname__ = f"{class_name}.{name}"
    method.__signature__ = signature
    method.__doc__ = f"{name}({arguments}) -> {_type_text(_annotation(result))}   [DISPID {dispid}]"
    return method


def _make_property(name, dispid, kinds, value_type):
    def get(self):
        if _PROPERTYGET not in kinds:
            raise AttributeError(f"{name} can only be assigned")
        return self._invoke(dispid, _PROPERTYGET, ())

    def put(self, value):
        self._invoke(dispid, _PROPERTYPUT, (value,))

    access = "read and write" if {_PROPERTYGET, _PROPERTYPUT} <= kinds else \
        "read only" if _PROPERTYGET in kinds else "write only"
    return property(get, put, None, f"{name}: {_type_text(_annotation(value_type))} ({access})   [DISPID {dispid}]")


def _make_class(type_name, members):
    """A DispatchObject subclass with one attribute per member."""
    entries = {}
    kinds = {}
    for name, kind, dispid, params, result in members:
        entries.setdefault(name, {})[kind] = (dispid, params, result)
        kinds.setdefault(dispid, set()).add(kind)
    methods = {by_kind[_METHOD][0]: name for name, by_kind in entries.items() if _METHOD in by_kind}
    namespace = {"__slots__": (), "__doc__": f"{type_name}, late bound.", "_kinds": kinds, "_methods": methods}
    for name, by_kind in entries.items():
        if _METHOD in by_kind:
            namespace[name] = _make_method(type_name, name, *by_kind[_METHOD])
        else:
            dispid = next(iter(by_kind.values()))[0]
            get, put = by_kind.get(_PROPERTYGET), by_kind.get(_PROPERTYPUT)
            value_type = get[2] if get else put[1][0][1]
            namespace[name] = _make_property(name, dispid, set(by_kind), value_type)
    return type(type_name, (DispatchObject,), namespace)


_classes = {}


def _wrap(obj):
    type_name = obj.type_name()
    members = tuple((name, kind, dispid, tuple(map(tuple, params)), result)
                    for name, kind, dispid, params, result in obj.members())
    key = (type_name, members)
    cls = _classes.get(key)
    if cls is None:
        cls = _classes.setdefault(key, _make_class(type_name, members))
    return cls(obj)


def Dispatch(progid=PROGID, *, library=None):
    """Creates the object registered under progid.

    When "VELLUM_XP.PDFDocument" is not registered, the library Vellum_XP.so
    is loaded from beside this package (or the file the environment variable
    VELLUM_LIBRARY names). library= names the file to load instead.
    """
    return _wrap(_vellum.create(progid, library or ""))


def PDFDocument():
    """A new PDFDocument object: Dispatch("VELLUM_XP.PDFDocument")."""
    return Dispatch(PROGID)

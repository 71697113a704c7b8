"""Vellum's PDFDocument automation object, late bound from Python.

    import vellum
    with vellum.Dispatch() as doc:     # or vellum.PDFDocument()
        doc.NewPDF("Letter")
        doc.TextOut("Dear reader,", 20, 30)
        pdf = doc.GetPDFContent()      # bytes

Every member of the object is reached through IDispatch: properties as
attributes (read and assigned), methods as calls with positional (or
keyword) arguments. Names may be written in any letter case. help() and dir()
list the members with their argument names and the manual's description.

Values cross as VARIANTs: str <-> BSTR, int -> VT_I4 (VT_R8 when it does not
fit in 32 bits), float <-> VT_R8, bool <-> VT_BOOL, bytes <-> VT_ARRAY|VT_UI1,
and None -> VT_EMPTY, the "missing" value that late-bound hosts pass (VT_EMPTY
and VT_NULL come back as None). Each argument must fit its parameter: a text
takes str (None is the empty text; numbers and bools become their text), a
number takes int, float or numeric text, and a file name also takes any
os.PathLike. Anything else raises ArgumentError, which is a TypeError, naming
the argument and what it needs; so does a wrong number of arguments.

A failing call raises COMError with the HRESULT as an unsigned number
(E_UNEXPECTED is 0x8000FFFF), the description and the source the object
reported ("VELLUM_XP.PDFDocument"; None when it gave none). A misspelt member
is an AttributeError that suggests the nearest names.

Calls that succeed but most likely did not do what was meant give a
VellumWarning: a font file that was not found (the AddFont members return an
"Error ..." text instead of failing), a font name the document does not know
(Courier is used), and a document started with NewPDF that was neither saved
nor read when the object is closed, leaves its with block or is collected.

Different objects may be used on different threads at the same time: the GIL
is released while the object works. Calls on one shared object are made one
at a time.
"""

import inspect as _inspect
import operator as _operator
import os as _os
import warnings as _warnings
from typing import Any as _Any

from . import _vellum

__all__ = ["COMError", "ArgumentError", "VellumWarning", "Dispatch", "DispatchObject", "PDFDocument",
           "E_UNEXPECTED", "DISP_E_TYPEMISMATCH", "DISP_E_BADPARAMCOUNT", "DISP_E_MEMBERNOTFOUND",
           "DISP_E_UNKNOWNNAME", "DISP_E_OVERFLOW", "CO_E_CLASSSTRING"]

PROGID = "VELLUM_XP.PDFDocument"

E_UNEXPECTED = 0x8000FFFF
DISP_E_MEMBERNOTFOUND = 0x80020003
DISP_E_TYPEMISMATCH = 0x80020005
DISP_E_UNKNOWNNAME = 0x80020006
DISP_E_OVERFLOW = 0x8002000A
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


class ArgumentError(COMError, TypeError):
    """Arguments that do not fit the member: too many or too few
    (DISP_E_BADPARAMCOUNT), or one of the wrong type (DISP_E_TYPEMISMATCH) or
    out of range (DISP_E_OVERFLOW). Both a COMError and a TypeError.

    argument    1-based position of the argument at fault; None for a wrong count
    """

    argument = None

    def __str__(self):
        return self.description

    def _reword(self, description):
        self.description = description
        self.args = (self.hresult, description, self.source)
        return self


class VellumWarning(UserWarning):
    """A call that succeeded but most likely did not do what was meant."""


_vellum._set_error_classes(COMError, ArgumentError)

# What each kind of parameter takes, for the messages.
_TEXT, _FILE, _NUMBER, _WHOLE, _ANY = "text", "file", "number", "whole", "any"
_NEEDS = {_TEXT: "a text (str)", _FILE: "a file name (str or os.PathLike)", _NUMBER: "a number (int or float)",
          _WHOLE: "a whole number (int)", _ANY: "a value (str, int, float, bool, bytes or None)"}
_SCALARS = frozenset((str, int, float, bool))
_BYTES = (bytes, bytearray, memoryview)
_BUILTINS = _SCALARS | {type(None)} | set(_BYTES)


class _Mismatch(Exception):
    pass


def _parameter_kind(name, vartype):
    if vartype == 8:
        return _FILE if name.lower().endswith("filename") else _TEXT
    return {5: _NUMBER, 4: _NUMBER, 3: _WHOLE, 2: _WHOLE}.get(vartype, _ANY)


def _plain_number(value):
    """int or float of a number-like object (numpy scalars, Decimal, ...)."""
    kind = type(value)
    try:
        if hasattr(kind, "__index__"):
            return _operator.index(value)
        if hasattr(kind, "__float__"):
            return float(value)
    except (TypeError, ValueError, OverflowError):
        pass
    raise _Mismatch


def _as_text(value):
    if type(value) in _SCALARS or value is None or isinstance(value, (str, int, float)):
        return value
    return _plain_number(value)


def _as_file(value):
    if isinstance(value, (_os.PathLike, bytes)):
        return _os.fsdecode(value)
    return _as_text(value)


def _as_number(value):
    # A text goes as it is: the object reads numeric text, as late-bound hosts do.
    if type(value) in _SCALARS or isinstance(value, (str, int, float)):
        return value
    if value is None or isinstance(value, _BYTES):
        raise _Mismatch
    return _plain_number(value)


def _as_any(value):
    if type(value) in _SCALARS or value is None or isinstance(value, (str, int, float) + _BYTES):
        return value
    if isinstance(value, _os.PathLike):
        return _os.fsdecode(value)
    try:
        return _plain_number(value)
    except _Mismatch:
        return value  # the conversion names what has no variant form


_CONVERTERS = {_TEXT: _as_text, _FILE: _as_file, _NUMBER: _as_number, _WHOLE: _as_number, _ANY: _as_any}


def _short(value):
    text = repr(value)
    return text if len(text) <= 40 else text[:37] + "..."


def _argument_text(member, position, parameter, put):
    return f"{member}: the value assigned" if put else f"{member}() argument {position} ({parameter})"


class _Parameters:
    """What a member's arguments must be, and the errors when they are not."""

    __slots__ = ("member", "names", "kinds", "converters", "put", "passing")

    def __init__(self, member, params, put=False):
        self.member, self.put = member, put
        self.passing = set()  # tuples of argument types known to need no conversion
        self.names = tuple(name for name, _ in params)
        self.kinds = tuple(_parameter_kind(name, vartype) for name, vartype in params)
        self.converters = tuple(_CONVERTERS[kind] for kind in self.kinds)

    def convert(self, args):
        if len(args) != len(self.names):
            raise self._count_error(len(args))
        types = tuple(map(type, args))
        if types in self.passing:
            return args
        converted = []
        for index, (convert, value) in enumerate(zip(self.converters, args)):
            try:
                converted.append(convert(value))
            except _Mismatch:
                raise self._type_error(index, f"not {type(value).__name__}") from None
        if all(new is old for new, old in zip(converted, args)) and _BUILTINS.issuperset(types):
            self.passing.add(types)  # built-in types that went through unchanged always will
        return converted

    def _count_error(self, given):
        taken = f"{len(self.names)} ({', '.join(self.names)})" if self.names else "no arguments"
        return ArgumentError(DISP_E_BADPARAMCOUNT,
                             f"wrong number of arguments: {self.member} takes {taken}, {given} given")

    def _type_error(self, index, detail, code=DISP_E_TYPEMISMATCH, fault="has the wrong type"):
        where = _argument_text(self.member, index + 1, self.names[index], self.put)
        error = ArgumentError(code, f"{where} {fault}: it needs {_NEEDS[self.kinds[index]]}, {detail}")
        error.argument = index + 1
        return error

    def explain(self, error, args):
        """error (raised by the call) reworded with the argument's name and needs."""
        index = (error.argument or 0) - 1
        if not 0 <= index < len(self.names) or index >= len(args):
            return error
        fault = "is out of range" if error.hresult == DISP_E_OVERFLOW else "has the wrong type"
        replacement = self._type_error(index, f"got {_short(args[index])}", error.hresult, fault)
        return error._reword(replacement.description)


def _warn(message, stacklevel):
    _warnings.warn(VellumWarning(message), stacklevel=stacklevel + 1)


class _Closed:
    """Stands in for the released object of a closed DispatchObject."""

    def _refuse(self, *args):
        raise ValueError("the object is closed")

    dispid = invoke = _refuse


_CLOSED = _Closed()


class DispatchObject:
    """An automation object reached late bound.

    The members the type information lists are class attributes of a
    subclass made for the type; names in other letter cases, and members the
    type information does not list, are looked up with GetIDsOfNames. An
    unlisted member is reached as a call (a property get or a method).

    close() (or the end of a with block) releases the object; later calls
    raise ValueError.
    """

    __slots__ = ("_object", "_dispids", "_unsaved", "_unicode")
    _kinds = {}       # DISPID -> set of invoke kinds, from the type information
    _methods = {}     # DISPID -> name of the method attribute
    _properties = {}  # DISPID -> name of the property attribute
    _names = ()       # every member name, for suggestions

    def __init__(self, obj):
        object.__setattr__(self, "_object", obj)
        object.__setattr__(self, "_dispids", {})
        object.__setattr__(self, "_unsaved", None)  # title of a document started and not yet written
        object.__setattr__(self, "_unicode", False)  # whether a Unicode font was added: text may miss characters

    def _dispid(self, name):
        dispid = self._dispids.get(name)
        if dispid is None:
            try:
                dispid = self._object.dispid(name)
            except COMError:
                raise AttributeError(self._unknown(name)) from None
            self._dispids[name] = dispid
        return dispid

    def _unknown(self, name):
        text = f"{type(self).__name__} has no member {name!r}"
        nearest = _vellum.nearest_names(name, list(self._names))
        if not nearest:
            return text
        return f"{text}; did you mean {', '.join(nearest[:-1])}{' or ' if len(nearest) > 1 else ''}{nearest[-1]}?"

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
        if not isinstance(member, property):
            dispid = self._dispid(name)
            if dispid not in self._properties:
                self._invoke(dispid, _PROPERTYPUT, (value,))
                return
            member = getattr(type(self), self._properties[dispid])
        member.__set__(self, value)

    def __repr__(self):
        return f"<vellum.Dispatch {type(self).__name__}>"

    def close(self):
        """Releases the object; warns when a document it started was neither saved nor read."""
        self._release(warn=True, stacklevel=3)

    def __enter__(self):
        return self

    def __exit__(self, kind, error, traceback):
        # After a failure the exception tells the story; an unsaved document is no news then.
        self._release(warn=kind is None, stacklevel=3)

    def __del__(self):
        unsaved = getattr(self, "_unsaved", None)
        if unsaved is not None:
            _warn_unsaved(unsaved, 2)  # the code that dropped the last reference

    def _release(self, warn, stacklevel):
        unsaved = self._unsaved
        object.__setattr__(self, "_object", _CLOSED)
        object.__setattr__(self, "_unsaved", None)
        if warn and unsaved is not None:
            _warn_unsaved(unsaved, stacklevel)


def _warn_unsaved(title, stacklevel):
    try:
        _warn(f"the document {title!r} was never saved or read (SavePDF, GetPDFContent)", stacklevel + 1)
    except (TypeError, AttributeError, ImportError):
        pass  # the interpreter is shutting down and warnings is gone


class _LateBoundMethod:
    """A method found by name at run time: calls go straight to Invoke."""

    __slots__ = ("_owner", "_dispid", "__name__")

    def __init__(self, owner, dispid, name):
        self._owner, self._dispid, self.__name__ = owner, dispid, name

    def __call__(self, *args):
        return self._owner._invoke(self._dispid, _METHOD | _PROPERTYGET, args)


# What PDFDocument's calls are watched for, after they succeeded. Each takes
# the object, the arguments as passed and the result.
def _document_started(doc, args, result):
    object.__setattr__(doc, "_unsaved", args[0] if args and isinstance(args[0], str) else "")


def _document_written(doc, args, result):
    object.__setattr__(doc, "_unsaved", None)


def _font_file_result(member):
    def check(doc, args, result):
        if isinstance(result, str) and result.startswith("Error"):
            _warn(f'{member} returned "{result}": no font was added', 3)
    return check


def _command_result(doc, args, result):
    command = args[0] if args else None
    if command == "AddFontUnicode" and isinstance(result, str) and result.startswith("/F"):
        object.__setattr__(doc, "_unicode", True)
    if isinstance(result, str) and result.startswith("Error") and isinstance(command, str) \
            and command.startswith("AddFont"):
        _warn(f'SendCmd "{command}" returned "{result}": no font was added', 3)


def _font_selected(doc, args, result):
    # A name the document does not know selects Courier (/F0) without a word.
    given = "" if args[0] is None else str(args[0])
    if given.lower() in ("courier", "/f0"):
        return
    try:
        selected = doc._invoke(doc._dispid("FontName"), _PROPERTYGET, ())
    except COMError:
        return
    if selected == "/F0":
        _warn(f'unknown font "{given}": Courier is used', 4)


def _fallback_added(doc, args, result):
    object.__setattr__(doc, "_unicode", True)


def _text_drawn(member):
    # Read only in documents with a Unicode font: the other fonts draw every character.
    def check(doc, args, result):
        if not doc._unicode:
            return
        try:
            missing = doc._invoke(doc._dispid("MissingCharacters"), _PROPERTYGET, ())
        except (COMError, AttributeError):
            return
        if missing:
            _warn(f'{member} drew characters that no font has as empty boxes: "{missing}"', 3)
    return check


_DOCUMENT_WATCH = {"NewPDF": _document_started, "SavePDF": _document_written,
                   "GetPDFContent": _document_written, "AddFont": _font_file_result("AddFont"),
                   "AddFontMonospaced": _font_file_result("AddFontMonospaced"), "SendCmd": _command_result,
                   "FontName": _font_selected, "AddFontFallback": _fallback_added,
                   "TextOut": _text_drawn("TextOut")}

_DESCRIPTIONS = _vellum.member_docs()


def _annotation(vartype):
    return _PYTHON_TYPES.get(vartype, _Any)


def _type_text(annotation):
    return "None" if annotation is None else getattr(annotation, "__name__", "Any")


def _documented(heading, name, described):
    description = _DESCRIPTIONS.get(name) if described else None
    return f"{heading}\n\n{description}" if description else heading


def _make_method(class_name, name, dispid, params, result, watch, described):
    signature = _inspect.Signature(
        [_inspect.Parameter("self", _inspect.Parameter.POSITIONAL_OR_KEYWORD)] +
        [_inspect.Parameter(p, _inspect.Parameter.POSITIONAL_OR_KEYWORD, annotation=_annotation(vt))
         for p, vt in params],
        return_annotation=_annotation(result))
    parameters = _Parameters(name, params)

    def method(self, *args, **kwargs):
        if kwargs:
            args = signature.bind(self, *args, **kwargs).args[1:]
        args = parameters.convert(args)
        try:
            value = self._invoke(dispid, _METHOD, args)
        except ArgumentError as error:
            raise parameters.explain(error, args)
        if watch is not None:
            watch(self, args, value)
        return value

    arguments = ", ".join(f"{p}: {_type_text(_annotation(vt))}" for p, vt in params)
    method.__name__ = name
    method.__qualname__ = f"{class_name}.{name}"
    method.__signature__ = signature
    method.__doc__ = _documented(f"{name}({arguments}) -> {_type_text(_annotation(result))}   [DISPID {dispid}]",
                                 name, described)
    return method


def _make_property(name, dispid, kinds, value_type, watch, described):
    parameters = _Parameters(name, (("Value", value_type),), put=True)

    def get(self):
        if _PROPERTYGET not in kinds:
            raise AttributeError(f"{name} can only be assigned")
        return self._invoke(dispid, _PROPERTYGET, ())

    def put(self, value):
        args = parameters.convert((value,))
        try:
            self._invoke(dispid, _PROPERTYPUT, args)
        except ArgumentError as error:
            raise parameters.explain(error, args)
        if watch is not None:
            watch(self, args, None)

    access = "read and write" if {_PROPERTYGET, _PROPERTYPUT} <= kinds else \
        "read only" if _PROPERTYGET in kinds else "write only"
    heading = f"{name}: {_type_text(_annotation(value_type))} ({access})   [DISPID {dispid}]"
    return property(get, put, None, _documented(heading, name, described))


_DOCUMENT_INTERFACES = ("IPDFDocument", "IPDFDocument2")


def _make_class(type_name, members):
    """A DispatchObject subclass with one attribute per member."""
    entries = {}
    kinds = {}
    for name, kind, dispid, params, result in members:
        entries.setdefault(name, {})[kind] = (dispid, params, result)
        kinds.setdefault(dispid, set()).add(kind)
    methods = {by_kind[_METHOD][0]: name for name, by_kind in entries.items() if _METHOD in by_kind}
    properties = {next(iter(by_kind.values()))[0]: name for name, by_kind in entries.items()
                  if _METHOD not in by_kind}
    namespace = {"__slots__": (), "__doc__": f"{type_name}, late bound.", "_kinds": kinds, "_methods": methods,
                 "_properties": properties, "_names": tuple(sorted(entries))}
    # The manual and the warnings are about Vellum's document object only,
    # whichever of its interfaces (IPDFDocument, IPDFDocument2, ...) it describes.
    document = type_name in _DOCUMENT_INTERFACES
    watches = _DOCUMENT_WATCH if document else {}
    for name, by_kind in entries.items():
        if _METHOD in by_kind:
            namespace[name] = _make_method(type_name, name, *by_kind[_METHOD], watches.get(name), document)
        else:
            dispid = next(iter(by_kind.values()))[0]
            get, put = by_kind.get(_PROPERTYGET), by_kind.get(_PROPERTYPUT)
            value_type = get[2] if get else put[1][0][1]
            namespace[name] = _make_property(name, dispid, set(by_kind), value_type, watches.get(name), document)
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
    VELLUM_LIBRARY names). library= names the file to load instead (a str or
    os.PathLike). The object is a context manager: the end of a with block
    releases it.
    """
    return _wrap(_vellum.create(progid, _os.fsdecode(library) if library else ""))


def PDFDocument():
    """A new PDFDocument object: Dispatch("VELLUM_XP.PDFDocument")."""
    return Dispatch(PROGID)

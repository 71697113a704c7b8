// <vellum/document.hpp>: the PDFDocument object for C++ programs. Every member
// of IPDFDocument and IPDFDocument2 is a method of vellum::Document with the
// member's name (document_members.hpp, generated from the member table); a
// property is a getter and a setter of the same name. Text goes in as UTF-8
// and comes out as UTF-8, the document's bytes come out as a vector, and a
// failing call throws vellum::Error with the object's description.
//
//     vellum::Document doc;             // registered object, else the installed library
//     doc.NewPDF("Letter");
//     doc.FontName("Helvetica-Bold");
//     doc.TextOut("Dear reader,", 20, 30);
//     doc.SavePDF("letter.pdf");
//
// Header-only over the interface header; link the platform library
// (find_package(Vellum) and Vellum::Vellum, or pkg-config vellum).
#pragma once

#include <concepts>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "VELLUM_XP_TLB.h"
#include "com/activation.h"
#include "com/bstr.h"
#include "com/codepage.h"
#include "com/errorinfo.h"
#include "com/raii.h"
#include "com/variant.h"

namespace vellum {

// A failed call: its result code, the member that failed and what the object
// said about it.
class Error : public std::runtime_error {
public:
    Error(HRESULT code, std::string member, std::string description, std::string source = {})
        : std::runtime_error(Message(code, member, description)),
          code_(code),
          member_(std::move(member)),
          description_(std::move(description)),
          source_(std::move(source)) {}

    HRESULT code() const noexcept { return code_; }
    const std::string& member() const noexcept { return member_; }
    const std::string& description() const noexcept { return description_; }
    const std::string& source() const noexcept { return source_; }

private:
    // "NewPDF failed: 0x8000FFFF: description", as the command-line client prints it.
    static std::string Message(HRESULT code, const std::string& member, const std::string& description) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        std::string hex = "0x00000000";
        for (int digit = 0; digit < 8; ++digit) {
            hex[9 - digit] = kHex[(static_cast<std::uint32_t>(code) >> (4 * digit)) & 0xF];
        }
        return member + " failed: " + hex + (description.empty() ? "" : ": " + description);
    }

    HRESULT code_;
    std::string member_;
    std::string description_;
    std::string source_;
};

// An automation library file to create the object from, without registration.
class Library {
public:
    explicit Library(std::string path) : path_(std::move(path)) {}

    // The library installed (or built) beside the platform library this
    // program runs with.
    static Library Installed() { return Library(LibraryBesidePlatform("Vellum_XP.so")); }

    const std::string& path() const noexcept { return path_; }

private:
    std::string path_;
};

// One operand of SendCmd: empty, a text, a number or a truth value.
class Operand {
public:
    Operand() = default;
    Operand(std::string_view text) {
        BSTR wide = Wide(text);  // may throw: the variant is set only once it is made
        Set(VT_BSTR).bstrVal = wide;
    }
    Operand(const char* text) : Operand(std::string_view(text)) {}
    Operand(const std::string& text) : Operand(std::string_view(text)) {}
    Operand(double number) { Set(VT_R8).dblVal = number; }
    Operand(bool truth) { Set(VT_BOOL).boolVal = truth ? VARIANT_TRUE : VARIANT_FALSE; }
    // Integers that fit 32 bits travel as such, larger ones as numbers.
    template <std::integral Integer>
        requires(!std::same_as<Integer, bool> && !std::same_as<Integer, char>)
    Operand(Integer number) {
        if (std::in_range<LONG>(number)) {
            Set(VT_I4).lVal = static_cast<LONG>(number);
        } else {
            Set(VT_R8).dblVal = static_cast<double>(number);
        }
    }

    // The variant itself, lent for an [in] argument.
    const VARIANT& variant() const noexcept { return *value_.get(); }

private:
    VARIANT& Set(VARTYPE type) {
        value_->vt = type;
        return *value_.get();
    }
    static BSTR Wide(std::string_view text) { return BStr(Utf8ToUtf16(text)).release(); }

    ScopedVariant value_;
};

namespace detail {

inline BStr Wide(std::string_view utf8) { return BStr(Utf8ToUtf16(utf8)); }
inline std::string Utf8(const BStr& text) { return Utf16ToUtf8(text.view()); }

// The thread's error information for a failed call, fetched (and so cleared).
inline Error ThreadError(HRESULT code, const char* member) {
    std::string description;
    std::string source;
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.put()) == S_OK && info) {
        BStr text;
        if (SUCCEEDED(info->GetDescription(text.put()))) description = Utf8(text);
        if (SUCCEEDED(info->GetSource(text.put()))) source = Utf8(text);
    }
    return Error(code, member, std::move(description), std::move(source));
}

inline void Check(HRESULT code, const char* member) {
    if (FAILED(code)) throw ThreadError(code, member);
}

inline ComPtr<IPDFDocument> FromFactory(IClassFactory& factory) {
    ComPtr<IPDFDocument> object;
    Check(factory.CreateInstance(nullptr, IID_IPDFDocument, object.put_void()), "PDFDocument");
    return object;
}

inline ComPtr<IPDFDocument> FromLibrary(const Library& library) {
    ComPtr<IClassFactory> factory;
    std::string why;
    const HRESULT code =
        GetClassObjectFromLibrary(library.path(), CLSID_PDFDocument, IID_IClassFactory, factory.put_void(), &why);
    if (FAILED(code)) throw Error(code, "PDFDocument", why.empty() ? library.path() + " has no PDFDocument" : why);
    return FromFactory(*factory.get());
}

// The registered class when the ProgID is registered, else the installed library.
inline ComPtr<IPDFDocument> FromRegistryOrInstalled() {
    CLSID clsid{};
    if (FAILED(CLSIDFromProgID(u"VELLUM_XP.PDFDocument", &clsid))) return FromLibrary(Library::Installed());
    ComPtr<IClassFactory> factory;
    const HRESULT code = CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.put_void());
    if (code == REGDB_E_CLASSNOTREG) return FromLibrary(Library::Installed());
    if (FAILED(code)) {
        throw Error(code, "PDFDocument", "VELLUM_XP.PDFDocument is registered, but its library could not be loaded");
    }
    return FromFactory(*factory.get());
}

// The bytes of a one-dimensional byte array.
inline std::vector<std::uint8_t> Bytes(const VARIANT& value, const char* member) {
    SAFEARRAY* array = value.parray;
    if (value.vt != (VT_ARRAY | VT_UI1) || array == nullptr || SafeArrayGetDim(array) != 1) {
        throw Error(DISP_E_TYPEMISMATCH, member, "The result is not a byte array");
    }
    void* data = nullptr;
    Check(SafeArrayAccessData(array, &data), member);
    const auto* first = static_cast<const std::uint8_t*>(data);
    std::vector<std::uint8_t> bytes(first, first + array->rgsabound[0].cElements);
    SafeArrayUnaccessData(array);
    return bytes;
}

// A result variant as text: empty for Empty, else its text form.
inline std::string Text(const VARIANT& value, const char* member) {
    if (value.vt == VT_EMPTY) return {};
    ScopedVariant text;
    Check(VariantChangeType(text.get(), &value, 0, VT_BSTR), member);
    return Utf16ToUtf8(BstrView(text->bstrVal));
}

}  // namespace detail

// Owns one PDFDocument object; movable, not copyable. Any method of a
// moved-from document throws.
class Document {
public:
    Document() : object_(detail::FromRegistryOrInstalled()) {}
    explicit Document(const Library& library) : object_(detail::FromLibrary(library)) {}
    // Takes over a reference the caller owns.
    static Document Attach(IPDFDocument* owned) { return Document(ComPtr<IPDFDocument>::Attach(owned)); }

    Document(Document&&) noexcept = default;
    Document& operator=(Document&&) noexcept = default;
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;
    ~Document() = default;

    // The interface, lent, for calls this class does not wrap.
    IPDFDocument* get() const noexcept { return object_.get(); }

#define VELLUM_DOCUMENT_MEMBERS
#include "document_members.hpp"
#undef VELLUM_DOCUMENT_MEMBERS

private:
    explicit Document(ComPtr<IPDFDocument> object) : object_(std::move(object)) {}

    static BStr Wide(std::string_view utf8) { return detail::Wide(utf8); }

    IPDFDocument* Object(const char* member) const {
        if (!object_) throw Error(E_POINTER, member, "The document was moved to another Document");
        return object_.get();
    }

    // The object as the interface that declares a member. A later interface
    // is asked for on its first use, so the members of IPDFDocument keep
    // working with a library that predates it.
    template <class Interface>
    Interface* ObjectAs(const char* member) {
        IPDFDocument* object = Object(member);
        if constexpr (std::is_same_v<Interface, IPDFDocument>) {
            return object;
        } else {
            static_assert(std::is_same_v<Interface, IPDFDocument2>);
            if (!extended_) {
                const HRESULT code = object->QueryInterface(IID_IPDFDocument2, extended_.put_void());
                if (FAILED(code)) {
                    throw Error(code, member, "The object has no IPDFDocument2: its library is older than this header");
                }
            }
            return extended_.get();
        }
    }

    // Temporaries among the arguments (the BSTRs) live until the call returns.
    template <class Interface, class... Parameters, class... Arguments>
    void Call(const char* member, HRESULT (STDMETHODCALLTYPE Interface::*method)(Parameters...),
              Arguments&&... arguments) {
        Interface* object = ObjectAs<Interface>(member);
        detail::Check((object->*method)(std::forward<Arguments>(arguments)...), member);
    }
    template <class T, class Method, class... Arguments>
    T Result(const char* member, Method method, Arguments&&... arguments) {
        T value{};
        Call(member, method, std::forward<Arguments>(arguments)..., &value);
        return value;
    }
    template <class Method, class... Arguments>
    bool FlagResult(const char* member, Method method, Arguments&&... arguments) {
        return Result<VARIANT_BOOL>(member, method, std::forward<Arguments>(arguments)...) != VARIANT_FALSE;
    }
    template <class Method, class... Arguments>
    std::string TextResult(const char* member, Method method, Arguments&&... arguments) {
        BStr value;
        Call(member, method, std::forward<Arguments>(arguments)..., value.put());
        return detail::Utf8(value);
    }
    template <class Method, class... Arguments>
    std::vector<std::uint8_t> BytesResult(const char* member, Method method, Arguments&&... arguments) {
        ScopedVariant value;
        Call(member, method, std::forward<Arguments>(arguments)..., value.put());
        return detail::Bytes(*value.get(), member);
    }
    template <class Method, class... Arguments>
    std::string VariantText(const char* member, Method method, Arguments&&... arguments) {
        ScopedVariant value;
        Call(member, method, std::forward<Arguments>(arguments)..., value.put());
        return detail::Text(*value.get(), member);
    }

    ComPtr<IPDFDocument> object_;
    ComPtr<IPDFDocument2> extended_;  // asked for on the first member of IPDFDocument2
};

}  // namespace vellum

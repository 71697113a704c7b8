// <vellum/document.hpp>: the PDFDocument object for C++ programs. Every member
// of IPDFDocument is a method of vellum::Document with the member's name;
// a property is a getter and a setter of the same name. Text goes in as UTF-8
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

    // Documents and pages.
    void NewPDF(std::string_view Title) { Call("NewPDF", &IPDFDocument::NewPDF, Wide(Title).get()); }
    void SavePDF(std::string_view AFilename) { Call("SavePDF", &IPDFDocument::SavePDF, Wide(AFilename).get()); }
    std::vector<std::uint8_t> GetPDFContent() {
        ScopedVariant content;
        Call("GetPDFContent", &IPDFDocument::GetPDFContent, content.put());
        return detail::Bytes(*content.get(), "GetPDFContent");
    }
    std::string OCXVersion() { return TextResult("OCXVersion", &IPDFDocument::OCXVersion); }
    void SetPageDimensions(double Width, double Height) {
        Call("SetPageDimensions", &IPDFDocument::SetPageDimensions, Width, Height);
    }
    void AddPage() { Call("AddPage", &IPDFDocument::AddPage); }
    void SetCurrentPage(std::int32_t PageNumber) { Call("SetCurrentPage", &IPDFDocument::SetCurrentPage, PageNumber); }
    std::string UnitOfMeasure() { return TextResult("UnitOfMeasure", &IPDFDocument::get_UnitOfMeasure); }
    void UnitOfMeasure(std::string_view Value) {
        Call("UnitOfMeasure", &IPDFDocument::put_UnitOfMeasure, Wide(Value).get());
    }
    double NewPageAfterThisVerticalPosition() {
        return Result<double>("NewPageAfterThisVerticalPosition", &IPDFDocument::get_NewPageAfterThisVerticalPosition);
    }
    void NewPageAfterThisVerticalPosition(double Value) {
        Call("NewPageAfterThisVerticalPosition", &IPDFDocument::put_NewPageAfterThisVerticalPosition, Value);
    }
    void ViewMode(std::int32_t Value) { Call("ViewMode", &IPDFDocument::put_ViewMode, Value); }

    // Document information.
    std::string Keywords() { return TextResult("Keywords", &IPDFDocument::get_Keywords); }
    void Keywords(std::string_view Value) { Call("Keywords", &IPDFDocument::put_Keywords, Wide(Value).get()); }
    std::string Author() { return TextResult("Author", &IPDFDocument::get_Author); }
    void Author(std::string_view Value) { Call("Author", &IPDFDocument::put_Author, Wide(Value).get()); }
    std::string Subject() { return TextResult("Subject", &IPDFDocument::get_Subject); }
    void Subject(std::string_view Value) { Call("Subject", &IPDFDocument::put_Subject, Wide(Value).get()); }

    // Text and fonts.
    void TextOut(std::string_view Txt, double xpos, double ypos) {
        Call("TextOut", &IPDFDocument::TextOut, Wide(Txt).get(), xpos, ypos);
    }
    std::string FontName() { return TextResult("FontName", &IPDFDocument::get_FontName); }
    void FontName(std::string_view Value) { Call("FontName", &IPDFDocument::put_FontName, Wide(Value).get()); }
    double FontHeight() { return Result<double>("FontHeight", &IPDFDocument::get_FontHeight); }
    void FontHeight(double Value) { Call("FontHeight", &IPDFDocument::put_FontHeight, Value); }
    double ParagraphLeading() { return Result<double>("ParagraphLeading", &IPDFDocument::get_ParagraphLeading); }
    void ParagraphLeading(double Value) { Call("ParagraphLeading", &IPDFDocument::put_ParagraphLeading, Value); }
    double ParagraphWidth() { return Result<double>("ParagraphWidth", &IPDFDocument::get_ParagraphWidth); }
    void ParagraphWidth(double Value) { Call("ParagraphWidth", &IPDFDocument::put_ParagraphWidth, Value); }
    std::string ParagraphAlignment() { return TextResult("ParagraphAlignment", &IPDFDocument::get_ParagraphAlignment); }
    void ParagraphAlignment(std::string_view Value) {
        Call("ParagraphAlignment", &IPDFDocument::put_ParagraphAlignment, Wide(Value).get());
    }
    std::int32_t TextRendering() { return Result<LONG>("TextRendering", &IPDFDocument::get_TextRendering); }
    void TextRendering(std::int32_t Value) { Call("TextRendering", &IPDFDocument::put_TextRendering, Value); }
    std::int32_t TextInclinationDegrees() {
        return Result<LONG>("TextInclinationDegrees", &IPDFDocument::get_TextInclinationDegrees);
    }
    void TextInclinationDegrees(std::int32_t Value) {
        Call("TextInclinationDegrees", &IPDFDocument::put_TextInclinationDegrees, Value);
    }
    double GetTextBoxWidth(std::string_view Txt) {
        return Result<double>("GetTextBoxWidth", &IPDFDocument::GetTextBoxWidth, Wide(Txt).get());
    }
    std::int32_t GetTextBoxLines(std::string_view Txt) {
        return Result<LONG>("GetTextBoxLines", &IPDFDocument::GetTextBoxLines, Wide(Txt).get());
    }
    std::string AddFont(std::string_view AFontName, std::string_view AFilename) {
        return TextResult("AddFont", &IPDFDocument::AddFont, Wide(AFontName).get(), Wide(AFilename).get());
    }
    std::string AddFontMonospaced(std::string_view AFontName, std::string_view AFilename, std::int32_t Spacing) {
        return TextResult("AddFontMonospaced", &IPDFDocument::AddFontMonospaced, Wide(AFontName).get(),
                          Wide(AFilename).get(), Spacing);
    }

    // Colours, lines and shapes.
    void SetFillColor(std::int32_t R, std::int32_t G, std::int32_t B) {
        Call("SetFillColor", &IPDFDocument::SetFillColor, R, G, B);
    }
    void SetLineColor(std::int32_t R, std::int32_t G, std::int32_t B) {
        Call("SetLineColor", &IPDFDocument::SetLineColor, R, G, B);
    }
    void SetLineWidth(std::int32_t Width) { Call("SetLineWidth", &IPDFDocument::SetLineWidth, Width); }
    void SetLineCapStyle(std::int32_t LineCapStyle) {
        Call("SetLineCapStyle", &IPDFDocument::SetLineCapStyle, LineCapStyle);
    }
    void SetLineJoinStyle(std::int32_t LineJoinStyle) {
        Call("SetLineJoinStyle", &IPDFDocument::SetLineJoinStyle, LineJoinStyle);
    }
    void SetDashLineProperties(double LineOn, double LineOff) {
        Call("SetDashLineProperties", &IPDFDocument::SetDashLineProperties, LineOn, LineOff);
    }
    void DrawLine(double Width, double left, double right, double top, double bottom) {
        Call("DrawLine", &IPDFDocument::DrawLine, Width, left, right, top, bottom);
    }
    void DrawRect(std::int32_t Width, std::int32_t BlnFill, std::int32_t BlnOutline, double left, double RectWidth,
                  double top, double RectHeight) {
        Call("DrawRect", &IPDFDocument::DrawRect, Width, BlnFill, BlnOutline, left, RectWidth, top, RectHeight);
    }
    void DrawEllipse(std::int32_t Width, std::int32_t BlnFill, std::int32_t BlnOutline, double left, double RectWidth,
                     double top, double RectHeight) {
        Call("DrawEllipse", &IPDFDocument::DrawEllipse, Width, BlnFill, BlnOutline, left, RectWidth, top, RectHeight);
    }
    void DrawCircle(std::int32_t Width, std::int32_t BlnFill, std::int32_t BlnOutline, double CenterX, double CenterY,
                    double Radius) {
        Call("DrawCircle", &IPDFDocument::DrawCircle, Width, BlnFill, BlnOutline, CenterX, CenterY, Radius);
    }
    void DrawArc(double CenterXPos, double CenterYPos, std::int32_t Radius, double InitialDegree, double FinalDegree,
                 double LineWidth, std::int32_t Outline, std::int32_t Fill, std::int32_t DrawPie) {
        Call("DrawArc", &IPDFDocument::DrawArc, CenterXPos, CenterYPos, Radius, InitialDegree, FinalDegree, LineWidth,
             Outline, Fill, DrawPie);
    }

    // Pictures.
    void ImportImage(std::string_view AFilename, std::int32_t JpgQuality, double xpos, double ypos, double Width,
                     double Height) {
        Call("ImportImage", &IPDFDocument::ImportImage, Wide(AFilename).get(), JpgQuality, xpos, ypos, Width, Height);
    }
    std::int32_t ImportImageAsResource(std::string_view AFilename, std::int32_t JpgQuality) {
        return Result<LONG>("ImportImageAsResource", &IPDFDocument::ImportImageAsResource, Wide(AFilename).get(),
                            JpgQuality);
    }
    void DrawImageResource(double xpos, double ypos, double ImgWidth, double ImgHeight, std::int32_t ImageNumber) {
        Call("DrawImageResource", &IPDFDocument::DrawImageResource, xpos, ypos, ImgWidth, ImgHeight, ImageNumber);
    }
    std::int32_t GetImageWidth(std::int32_t ImageID) {
        return Result<LONG>("GetImageWidth", &IPDFDocument::GetImageWidth, ImageID);
    }
    std::int32_t GetImageHeight(std::int32_t ImageID) {
        return Result<LONG>("GetImageHeight", &IPDFDocument::GetImageHeight, ImageID);
    }

    // Links, notes and bookmarks.
    void CreateLink_Internal(double x1, double y1, double x2, double y2, std::int32_t OutlineWidth,
                             std::int32_t OutlineColorR, std::int32_t OutlineColorG, std::int32_t OutlineColorB,
                             std::int32_t DestinationPage) {
        Call("CreateLink_Internal", &IPDFDocument::CreateLink_Internal, x1, y1, x2, y2, OutlineWidth, OutlineColorR,
             OutlineColorG, OutlineColorB, DestinationPage);
    }
    void CreateLink_External(double x1, double y1, double x2, double y2, std::int32_t OutlineWidth,
                             std::int32_t OutlineColorR, std::int32_t OutlineColorG, std::int32_t OutlineColorB,
                             std::string_view DestinationFileName) {
        Call("CreateLink_External", &IPDFDocument::CreateLink_External, x1, y1, x2, y2, OutlineWidth, OutlineColorR,
             OutlineColorG, OutlineColorB, Wide(DestinationFileName).get());
    }
    void CreateLink_Internet(double x1, double y1, double x2, double y2, std::int32_t OutlineWidth,
                             std::int32_t OutlineColorR, std::int32_t OutlineColorG, std::int32_t OutlineColorB,
                             std::string_view DestinationURI) {
        Call("CreateLink_Internet", &IPDFDocument::CreateLink_Internet, x1, y1, x2, y2, OutlineWidth, OutlineColorR,
             OutlineColorG, OutlineColorB, Wide(DestinationURI).get());
    }
    void AddTextAnnotation(double xpos, double ypos, std::string_view text) {
        Call("AddTextAnnotation", &IPDFDocument::AddTextAnnotation, xpos, ypos, Wide(text).get());
    }
    void AddOutline(std::int32_t ADestinationPage, std::int32_t ADestinationZoom, std::int32_t ADestinationXPos,
                    std::int32_t ADestinationYPos, std::string_view ATitle) {
        Call("AddOutline", &IPDFDocument::AddOutline, ADestinationPage, ADestinationZoom, ADestinationXPos,
             ADestinationYPos, Wide(ATitle).get());
    }
    std::int32_t AddChildOutline(std::int32_t ADestinationPage, std::int32_t ADestinationZoom,
                                 std::int32_t ADestinationXPos, std::int32_t ADestinationYPos,
                                 std::string_view ATitle, std::int32_t ParentNode) {
        return Result<LONG>("AddChildOutline", &IPDFDocument::AddChildOutline, ADestinationPage, ADestinationZoom,
                            ADestinationXPos, ADestinationYPos, Wide(ATitle).get(), ParentNode);
    }
    std::int32_t GetLastOutlineID() { return Result<LONG>("GetLastOutlineID", &IPDFDocument::GetLastOutlineID); }
    void SetBookmarksVisible() { Call("SetBookmarksVisible", &IPDFDocument::SetBookmarksVisible); }

    // The command channel.
    std::string SendCmd(const Operand& Param1, const Operand& Param2 = {}, const Operand& Param3 = {},
                        const Operand& Param4 = {}, const Operand& Param5 = {}, const Operand& Param6 = {}) {
        ScopedVariant result;
        Call("SendCmd", &IPDFDocument::SendCmd, Param1.variant(), Param2.variant(), Param3.variant(),
             Param4.variant(), Param5.variant(), Param6.variant(), result.put());
        return detail::Text(*result.get(), "SendCmd");
    }
    std::string ReservedFunction(std::string_view x) {
        return TextResult("ReservedFunction", &IPDFDocument::ReservedFunction, Wide(x).get());
    }

private:
    explicit Document(ComPtr<IPDFDocument> object) : object_(std::move(object)) {}

    static BStr Wide(std::string_view utf8) { return detail::Wide(utf8); }

    IPDFDocument* Object(const char* member) const {
        if (!object_) throw Error(E_POINTER, member, "The document was moved to another Document");
        return object_.get();
    }

    // Temporaries among the arguments (the BSTRs) live until the call returns.
    template <class Method, class... Arguments>
    void Call(const char* member, Method method, Arguments&&... arguments) {
        IPDFDocument* object = Object(member);
        detail::Check((object->*method)(std::forward<Arguments>(arguments)...), member);
    }
    template <class T, class Method, class... Arguments>
    T Result(const char* member, Method method, Arguments&&... arguments) {
        T value{};
        Call(member, method, std::forward<Arguments>(arguments)..., &value);
        return value;
    }
    template <class Method, class... Arguments>
    std::string TextResult(const char* member, Method method, Arguments&&... arguments) {
        BStr value;
        Call(member, method, std::forward<Arguments>(arguments)..., value.put());
        return detail::Utf8(value);
    }

    ComPtr<IPDFDocument> object_;
};

}  // namespace vellum

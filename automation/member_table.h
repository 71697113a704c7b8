// The members of the interfaces IPDFDocument and IPDFDocument2 in
// virtual-table order: the one source that the vtable declaration, the
// object's overrides, late-bound dispatch, the type information, the IDL, the
// C++ layer and the manual are all generated from or checked against. Pure
// data: no COM types, so tools can include it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vellum {

enum class MemberKind : std::uint8_t { Method, PropertyGet, PropertyPut };
enum class ValueType : std::uint8_t { None, Bstr, Double, Long, Variant, Bool };

// Each interface extends the one before it: a published interface never
// changes, new members go into a new one.
enum class Interface : std::uint8_t { IPDFDocument, IPDFDocument2 };

struct InterfaceRow {
    Interface id;
    std::string_view name;
    std::string_view base;  // the interface it extends
    std::string_view iid;   // registry form, without braces
    std::string_view help;
};

inline constexpr std::array<InterfaceRow, 2> kInterfaces{{
    {Interface::IPDFDocument, "IPDFDocument", "IDispatch", "036A3637-E948-4990-BABE-210BE9D0C6E1",
     "Dispatch interface for PDFDocument Object"},
    {Interface::IPDFDocument2, "IPDFDocument2", "IPDFDocument", "AC2FAE3F-0A3E-433A-AE7E-8B7F4F142EBA",
     "Dispatch interface for PDFDocument Object, version 2"},
}};

// The type library and the creatable class, whose default interface is the
// last of kInterfaces.
struct TypeIdentity {
    std::string_view name;
    std::string_view guid;  // registry form, without braces
    std::string_view help;
};
inline constexpr TypeIdentity kTypeLibrary{"VELLUM_XP", "3D9C5168-E754-42BE-9816-7E12E9CF8BED", "VELLUM_XP Library"};
inline constexpr TypeIdentity kCoclass{"PDFDocument", "C08D629F-1C7A-45A7-87F6-5C483BA32121", "PDFDocument Object"};

struct ParamSpec {
    std::string_view name;
    ValueType type = ValueType::None;
};

inline constexpr int kMaxParams = 9;

struct MemberSpec {
    Interface iface;           // the interface that declares it
    int order;                 // 1-based position after the IDispatch slots
    std::string_view name;
    std::int32_t dispid;
    MemberKind kind;
    ValueType result;          // the [out, retval] type, None when absent
    int paramCount;
    std::array<ParamSpec, kMaxParams> params;
};

namespace member_detail {
using K = MemberKind;
using T = ValueType;
constexpr Interface I1 = Interface::IPDFDocument;
constexpr Interface I2 = Interface::IPDFDocument2;
constexpr ParamSpec B(std::string_view n) { return {n, T::Bstr}; }
constexpr ParamSpec D(std::string_view n) { return {n, T::Double}; }
constexpr ParamSpec L(std::string_view n) { return {n, T::Long}; }
constexpr ParamSpec V(std::string_view n) { return {n, T::Variant}; }
constexpr ParamSpec F(std::string_view n) { return {n, T::Bool}; }  // a flag

// Link creation shares its eight leading parameters.
#define VELLUM_LINK_PARAMS                                                         \
    D("x1"), D("y1"), D("x2"), D("y2"), L("OutlineWidth"), L("OutlineColorR"),     \
        L("OutlineColorG"), L("OutlineColorB")

inline constexpr auto kMembers = std::to_array<MemberSpec>({
    {I1, 1, "NewPDF", 1, K::Method, T::None, 1, {B("Title")}},
    {I1, 2, "SavePDF", 2, K::Method, T::None, 1, {B("AFilename")}},
    {I1, 3, "TextOut", 4, K::Method, T::None, 3, {B("Txt"), D("xpos"), D("ypos")}},
    {I1, 4, "OCXVersion", 5, K::Method, T::Bstr, 0, {}},
    {I1, 5, "SetPageDimensions", 6, K::Method, T::None, 2, {D("Width"), D("Height")}},
    {I1, 6, "CreateLink_Internal", 7, K::Method, T::None, 9, {VELLUM_LINK_PARAMS, L("DestinationPage")}},
    {I1, 7, "CreateLink_External", 8, K::Method, T::None, 9,
     {VELLUM_LINK_PARAMS, B("DestinationFileName")}},
    {I1, 8, "CreateLink_Internet", 9, K::Method, T::None, 9, {VELLUM_LINK_PARAMS, B("DestinationURI")}},
    {I1, 9, "SetCurrentPage", 10, K::Method, T::None, 1, {L("PageNumber")}},
    {I1, 10, "FontName", 11, K::PropertyGet, T::Bstr, 0, {}},
    {I1, 11, "FontName", 11, K::PropertyPut, T::None, 1, {B("Value")}},
    {I1, 12, "FontHeight", 12, K::PropertyGet, T::Double, 0, {}},
    {I1, 13, "FontHeight", 12, K::PropertyPut, T::None, 1, {D("Value")}},
    {I1, 14, "ParagraphLeading", 13, K::PropertyGet, T::Double, 0, {}},
    {I1, 15, "ParagraphLeading", 13, K::PropertyPut, T::None, 1, {D("Value")}},
    {I1, 16, "ParagraphWidth", 14, K::PropertyGet, T::Double, 0, {}},
    {I1, 17, "ParagraphWidth", 14, K::PropertyPut, T::None, 1, {D("Value")}},
    {I1, 18, "UnitOfMeasure", 15, K::PropertyGet, T::Bstr, 0, {}},
    {I1, 19, "UnitOfMeasure", 15, K::PropertyPut, T::None, 1, {B("Value")}},
    {I1, 20, "ParagraphAlignment", 16, K::PropertyGet, T::Bstr, 0, {}},
    {I1, 21, "ParagraphAlignment", 16, K::PropertyPut, T::None, 1, {B("Value")}},
    {I1, 22, "AddPage", 17, K::Method, T::None, 0, {}},
    {I1, 23, "TextRendering", 18, K::PropertyGet, T::Long, 0, {}},
    {I1, 24, "TextRendering", 18, K::PropertyPut, T::None, 1, {L("Value")}},
    {I1, 25, "SetFillColor", 19, K::Method, T::None, 3, {L("R"), L("G"), L("B")}},
    {I1, 26, "SetLineColor", 20, K::Method, T::None, 3, {L("R"), L("G"), L("B")}},
    {I1, 27, "ImportImage", 21, K::Method, T::None, 6,
     {B("AFilename"), L("JpgQuality"), D("xpos"), D("ypos"), D("Width"), D("Height")}},
    {I1, 28, "AddFont", 3, K::Method, T::Bstr, 2, {B("AFontName"), B("AFilename")}},
    {I1, 29, "AddOutline", 22, K::Method, T::None, 5,
     {L("ADestinationPage"), L("ADestinationZoom"), L("ADestinationXPos"), L("ADestinationYPos"),
      B("ATitle")}},
    {I1, 30, "AddTextAnnotation", 24, K::Method, T::None, 3, {D("xpos"), D("ypos"), B("text")}},
    {I1, 31, "DrawLine", 25, K::Method, T::None, 5,
     {D("Width"), D("left"), D("right"), D("top"), D("bottom")}},
    {I1, 32, "DrawRect", 26, K::Method, T::None, 7,
     {L("Width"), L("BlnFill"), L("BlnOutline"), D("left"), D("RectWidth"), D("top"),
      D("RectHeight")}},
    {I1, 33, "SetLineWidth", 29, K::Method, T::None, 1, {L("Width")}},
    {I1, 34, "ImportImageAsResource", 31, K::Method, T::Long, 2, {B("AFilename"), L("JpgQuality")}},
    {I1, 35, "DrawImageResource", 32, K::Method, T::None, 5,
     {D("xpos"), D("ypos"), D("ImgWidth"), D("ImgHeight"), L("ImageNumber")}},
    {I1, 36, "GetPDFContent", 23, K::Method, T::Variant, 0, {}},
    {I1, 37, "GetTextBoxWidth", 28, K::Method, T::Double, 1, {B("Txt")}},
    {I1, 38, "GetTextBoxLines", 30, K::Method, T::Long, 1, {B("Txt")}},
    {I1, 39, "SetBookmarksVisible", 33, K::Method, T::None, 0, {}},
    {I1, 40, "Keywords", 34, K::PropertyGet, T::Bstr, 0, {}},
    {I1, 41, "Keywords", 34, K::PropertyPut, T::None, 1, {B("Value")}},
    {I1, 42, "Author", 35, K::PropertyGet, T::Bstr, 0, {}},
    {I1, 43, "Author", 35, K::PropertyPut, T::None, 1, {B("Value")}},
    {I1, 44, "Subject", 36, K::PropertyGet, T::Bstr, 0, {}},
    {I1, 45, "Subject", 36, K::PropertyPut, T::None, 1, {B("Value")}},
    {I1, 46, "TextInclinationDegrees", 37, K::PropertyGet, T::Long, 0, {}},
    {I1, 47, "TextInclinationDegrees", 37, K::PropertyPut, T::None, 1, {L("Value")}},
    {I1, 48, "NewPageAfterThisVerticalPosition", 38, K::PropertyGet, T::Double, 0, {}},
    {I1, 49, "NewPageAfterThisVerticalPosition", 38, K::PropertyPut, T::None, 1, {D("Value")}},
    {I1, 50, "SendCmd", 201, K::Method, T::Variant, 6,
     {V("Param1"), V("Param2"), V("Param3"), V("Param4"), V("Param5"), V("Param6")}},
    {I1, 51, "ReservedFunction", 202, K::Method, T::Bstr, 1, {B("x")}},
    {I1, 52, "DrawCircle", 205, K::Method, T::None, 6,
     {L("Width"), L("BlnFill"), L("BlnOutline"), D("CenterX"), D("CenterY"), D("Radius")}},
    {I1, 53, "DrawEllipse", 206, K::Method, T::None, 7,
     {L("Width"), L("BlnFill"), L("BlnOutline"), D("left"), D("RectWidth"), D("top"),
      D("RectHeight")}},
    {I1, 54, "AddChildOutline", 203, K::Method, T::Long, 6,
     {L("ADestinationPage"), L("ADestinationZoom"), L("ADestinationXPos"), L("ADestinationYPos"),
      B("ATitle"), L("ParentNode")}},
    {I1, 55, "GetLastOutlineID", 204, K::Method, T::Long, 0, {}},
    {I1, 56, "DrawArc", 207, K::Method, T::None, 9,
     {D("CenterXPos"), D("CenterYPos"), L("Radius"), D("InitialDegree"), D("FinalDegree"),
      D("LineWidth"), L("Outline"), L("Fill"), L("DrawPie")}},
    {I1, 57, "SetLineCapStyle", 208, K::Method, T::None, 1, {L("LineCapStyle")}},
    {I1, 58, "SetLineJoinStyle", 209, K::Method, T::None, 1, {L("LineJoinStyle")}},
    {I1, 59, "ViewMode", 210, K::PropertyPut, T::None, 1, {L("Value")}},
    {I1, 60, "SetDashLineProperties", 211, K::Method, T::None, 2, {D("LineOn"), D("LineOff")}},
    {I1, 61, "GetImageWidth", 212, K::Method, T::Long, 1, {L("ImageID")}},
    {I1, 62, "GetImageHeight", 213, K::Method, T::Long, 1, {L("ImageID")}},
    {I1, 63, "AddFontMonospaced", 214, K::Method, T::Bstr, 3,
     {B("AFontName"), B("AFilename"), L("Spacing")}},
    {I2, 64, "Encrypt", 300, K::Method, T::None, 4,
     {B("UserPassword"), B("OwnerPassword"), B("Permissions"), B("Method")}},
    {I2, 65, "Sign", 301, K::Method, T::None, 4,
     {B("CertificateFile"), B("Password"), B("Reason"), B("Location")}},
    {I2, 66, "Conformance", 302, K::PropertyGet, T::Bstr, 0, {}},
    {I2, 67, "Conformance", 302, K::PropertyPut, T::None, 1, {B("Value")}},
    {I2, 68, "AttachFile", 303, K::Method, T::None, 5,
     {B("FileName"), B("Name"), B("MimeType"), B("Relationship"), B("Description")}},
    {I2, 69, "AddMetadataXml", 304, K::Method, T::None, 1, {B("Rdf")}},
    {I2, 70, "Tagged", 305, K::PropertyGet, T::Bool, 0, {}},
    {I2, 71, "Tagged", 305, K::PropertyPut, T::None, 1, {F("Value")}},
    {I2, 72, "Language", 306, K::PropertyGet, T::Bstr, 0, {}},
    {I2, 73, "Language", 306, K::PropertyPut, T::None, 1, {B("Value")}},
    {I2, 74, "BeginStructure", 307, K::Method, T::None, 3, {B("Role"), B("AltText"), B("Language")}},
    {I2, 75, "EndStructure", 308, K::Method, T::None, 0, {}},
    {I2, 76, "BeginArtifact", 309, K::Method, T::None, 1, {B("Kind")}},
    {I2, 77, "EndArtifact", 310, K::Method, T::None, 0, {}},
    {I2, 78, "SetImageAltText", 311, K::Method, T::None, 2, {L("Index"), B("Text")}},
    {I2, 79, "TextDirection", 312, K::PropertyGet, T::Bstr, 0, {}},
    {I2, 80, "TextDirection", 312, K::PropertyPut, T::None, 1, {B("Value")}},
    {I2, 81, "AddFontFallback", 313, K::Method, T::None, 2, {B("FontName"), B("FallbackFontName")}},
    {I2, 82, "MissingCharacters", 314, K::PropertyGet, T::Bstr, 0, {}},
    {I2, 83, "ImageEncoding", 315, K::PropertyGet, T::Bstr, 0, {}},
    {I2, 84, "ImageEncoding", 315, K::PropertyPut, T::None, 1, {B("Value")}},
    {I2, 85, "MoveTo", 316, K::Method, T::None, 2, {D("X"), D("Y")}},
    {I2, 86, "LineTo", 317, K::Method, T::None, 2, {D("X"), D("Y")}},
    {I2, 87, "CurveTo", 318, K::Method, T::None, 6, {D("X1"), D("Y1"), D("X2"), D("Y2"), D("X3"), D("Y3")}},
    {I2, 88, "ClosePath", 319, K::Method, T::None, 0, {}},
    {I2, 89, "DrawPath", 320, K::Method, T::None, 1, {B("Mode")}},
    {I2, 90, "SaveGraphicsState", 321, K::Method, T::None, 0, {}},
    {I2, 91, "RestoreGraphicsState", 322, K::Method, T::None, 0, {}},
    {I2, 92, "SetLineStyle", 323, K::Method, T::None, 3, {L("Cap"), L("Join"), D("MiterLimit")}},
    {I2, 93, "SetOpacity", 324, K::Method, T::None, 2, {D("Fill"), D("Stroke")}},
});

#undef VELLUM_LINK_PARAMS
}  // namespace member_detail

using member_detail::kMembers;

// Rows stand in vtable order, an interface's after those of the one it
// extends, so appending a row keeps every published vtable as it was.
constexpr bool RowsStandInVtableOrder() {
    for (std::size_t i = 0; i < kMembers.size(); ++i) {
        if (kMembers[i].order != static_cast<int>(i) + 1) return false;
        if (i > 0 && kMembers[i].iface < kMembers[i - 1].iface) return false;
    }
    for (std::size_t i = 0; i < kInterfaces.size(); ++i) {
        if (kInterfaces[i].id != static_cast<Interface>(i)) return false;
    }
    return true;
}
static_assert(RowsStandInVtableOrder());

// How many rows an interface reaches: its own and those it inherits.
constexpr std::size_t MemberCountThrough(Interface iface) {
    std::size_t count = 0;
    while (count < kMembers.size() && kMembers[count].iface <= iface) ++count;
    return count;
}

inline constexpr Interface kDefaultInterface = kInterfaces.back().id;

// The one VARIANT result that is always a byte array, which the C++ layer
// and Python hand over as bytes.
constexpr bool ReturnsByteArray(const MemberSpec& member) {
    return member.result == ValueType::Variant && member.name == "GetPDFContent";
}

}  // namespace vellum

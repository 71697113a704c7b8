// The members of IPDFDocument in virtual-table order: the one source that the
// vtable declaration, late-bound dispatch, the type information and the manual
// are all checked against. Pure data: no COM types, so tools can include it.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace vellum {

enum class MemberKind : std::uint8_t { Method, PropertyGet, PropertyPut };
enum class ValueType : std::uint8_t { None, Bstr, Double, Long, Variant };

struct ParamSpec {
    std::string_view name;
    ValueType type = ValueType::None;
};

inline constexpr int kMaxParams = 9;

struct MemberSpec {
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
constexpr ParamSpec B(std::string_view n) { return {n, T::Bstr}; }
constexpr ParamSpec D(std::string_view n) { return {n, T::Double}; }
constexpr ParamSpec L(std::string_view n) { return {n, T::Long}; }
constexpr ParamSpec V(std::string_view n) { return {n, T::Variant}; }

// Link creation shares its eight leading parameters.
#define VELLUM_LINK_PARAMS                                                         \
    D("x1"), D("y1"), D("x2"), D("y2"), L("OutlineWidth"), L("OutlineColorR"),     \
        L("OutlineColorG"), L("OutlineColorB")

inline constexpr std::array<MemberSpec, 63> kMembers{{
    {1, "NewPDF", 1, K::Method, T::None, 1, {B("Title")}},
    {2, "SavePDF", 2, K::Method, T::None, 1, {B("AFilename")}},
    {3, "TextOut", 4, K::Method, T::None, 3, {B("Txt"), D("xpos"), D("ypos")}},
    {4, "OCXVersion", 5, K::Method, T::Bstr, 0, {}},
    {5, "SetPageDimensions", 6, K::Method, T::None, 2, {D("Width"), D("Height")}},
    {6, "CreateLink_Internal", 7, K::Method, T::None, 9, {VELLUM_LINK_PARAMS, L("DestinationPage")}},
    {7, "CreateLink_External", 8, K::Method, T::None, 9,
     {VELLUM_LINK_PARAMS, B("DestinationFileName")}},
    {8, "CreateLink_Internet", 9, K::Method, T::None, 9, {VELLUM_LINK_PARAMS, B("DestinationURI")}},
    {9, "SetCurrentPage", 10, K::Method, T::None, 1, {L("PageNumber")}},
    {10, "FontName", 11, K::PropertyGet, T::Bstr, 0, {}},
    {11, "FontName", 11, K::PropertyPut, T::None, 1, {B("Value")}},
    {12, "FontHeight", 12, K::PropertyGet, T::Double, 0, {}},
    {13, "FontHeight", 12, K::PropertyPut, T::None, 1, {D("Value")}},
    {14, "ParagraphLeading", 13, K::PropertyGet, T::Double, 0, {}},
    {15, "ParagraphLeading", 13, K::PropertyPut, T::None, 1, {D("Value")}},
    {16, "ParagraphWidth", 14, K::PropertyGet, T::Double, 0, {}},
    {17, "ParagraphWidth", 14, K::PropertyPut, T::None, 1, {D("Value")}},
    {18, "UnitOfMeasure", 15, K::PropertyGet, T::Bstr, 0, {}},
    {19, "UnitOfMeasure", 15, K::PropertyPut, T::None, 1, {B("Value")}},
    {20, "ParagraphAlignment", 16, K::PropertyGet, T::Bstr, 0, {}},
    {21, "ParagraphAlignment", 16, K::PropertyPut, T::None, 1, {B("Value")}},
    {22, "AddPage", 17, K::Method, T::None, 0, {}},
    {23, "TextRendering", 18, K::PropertyGet, T::Long, 0, {}},
    {24, "TextRendering", 18, K::PropertyPut, T::None, 1, {L("Value")}},
    {25, "SetFillColor", 19, K::Method, T::None, 3, {L("R"), L("G"), L("B")}},
    {26, "SetLineColor", 20, K::Method, T::None, 3, {L("R"), L("G"), L("B")}},
    {27, "ImportImage", 21, K::Method, T::None, 6,
     {B("AFilename"), L("JpgQuality"), D("xpos"), D("ypos"), D("Width"), D("Height")}},
    {28, "AddFont", 3, K::Method, T::Bstr, 2, {B("AFontName"), B("AFilename")}},
    {29, "AddOutline", 22, K::Method, T::None, 5,
     {L("ADestinationPage"), L("ADestinationZoom"), L("ADestinationXPos"), L("ADestinationYPos"),
      B("ATitle")}},
    {30, "AddTextAnnotation", 24, K::Method, T::None, 3, {D("xpos"), D("ypos"), B("text")}},
    {31, "DrawLine", 25, K::Method, T::None, 5,
     {D("Width"), D("left"), D("right"), D("top"), D("bottom")}},
    {32, "DrawRect", 26, K::Method, T::None, 7,
     {L("Width"), L("BlnFill"), L("BlnOutline"), D("left"), D("RectWidth"), D("top"),
      D("RectHeight")}},
    {33, "SetLineWidth", 29, K::Method, T::None, 1, {L("Width")}},
    {34, "ImportImageAsResource", 31, K::Method, T::Long, 2, {B("AFilename"), L("JpgQuality")}},
    {35, "DrawImageResource", 32, K::Method, T::None, 5,
     {D("xpos"), D("ypos"), D("ImgWidth"), D("ImgHeight"), L("ImageNumber")}},
    {36, "GetPDFContent", 23, K::Method, T::Variant, 0, {}},
    {37, "GetTextBoxWidth", 28, K::Method, T::Double, 1, {B("Txt")}},
    {38, "GetTextBoxLines", 30, K::Method, T::Long, 1, {B("Txt")}},
    {39, "SetBookmarksVisible", 33, K::Method, T::None, 0, {}},
    {40, "Keywords", 34, K::PropertyGet, T::Bstr, 0, {}},
    {41, "Keywords", 34, K::PropertyPut, T::None, 1, {B("Value")}},
    {42, "Author", 35, K::PropertyGet, T::Bstr, 0, {}},
    {43, "Author", 35, K::PropertyPut, T::None, 1, {B("Value")}},
    {44, "Subject", 36, K::PropertyGet, T::Bstr, 0, {}},
    {45, "Subject", 36, K::PropertyPut, T::None, 1, {B("Value")}},
    {46, "TextInclinationDegrees", 37, K::PropertyGet, T::Long, 0, {}},
    {47, "TextInclinationDegrees", 37, K::PropertyPut, T::None, 1, {L("Value")}},
    {48, "NewPageAfterThisVerticalPosition", 38, K::PropertyGet, T::Double, 0, {}},
    {49, "NewPageAfterThisVerticalPosition", 38, K::PropertyPut, T::None, 1, {D("Value")}},
    {50, "SendCmd", 201, K::Method, T::Variant, 6,
     {V("Param1"), V("Param2"), V("Param3"), V("Param4"), V("Param5"), V("Param6")}},
    {51, "ReservedFunction", 202, K::Method, T::Bstr, 1, {B("x")}},
    {52, "DrawCircle", 205, K::Method, T::None, 6,
     {L("Width"), L("BlnFill"), L("BlnOutline"), D("CenterX"), D("CenterY"), D("Radius")}},
    {53, "DrawEllipse", 206, K::Method, T::None, 7,
     {L("Width"), L("BlnFill"), L("BlnOutline"), D("left"), D("RectWidth"), D("top"),
      D("RectHeight")}},
    {54, "AddChildOutline", 203, K::Method, T::Long, 6,
     {L("ADestinationPage"), L("ADestinationZoom"), L("ADestinationXPos"), L("ADestinationYPos"),
      B("ATitle"), L("ParentNode")}},
    {55, "GetLastOutlineID", 204, K::Method, T::Long, 0, {}},
    {56, "DrawArc", 207, K::Method, T::None, 9,
     {D("CenterXPos"), D("CenterYPos"), L("Radius"), D("InitialDegree"), D("FinalDegree"),
      D("LineWidth"), L("Outline"), L("Fill"), L("DrawPie")}},
    {57, "SetLineCapStyle", 208, K::Method, T::None, 1, {L("LineCapStyle")}},
    {58, "SetLineJoinStyle", 209, K::Method, T::None, 1, {L("LineJoinStyle")}},
    {59, "ViewMode", 210, K::PropertyPut, T::None, 1, {L("Value")}},
    {60, "SetDashLineProperties", 211, K::Method, T::None, 2, {D("LineOn"), D("LineOff")}},
    {61, "GetImageWidth", 212, K::Method, T::Long, 1, {L("ImageID")}},
    {62, "GetImageHeight", 213, K::Method, T::Long, 1, {L("ImageID")}},
    {63, "AddFontMonospaced", 214, K::Method, T::Bstr, 3,
     {B("AFontName"), B("AFilename"), L("Spacing")}},
}};

#undef VELLUM_LINK_PARAMS
}  // namespace member_detail

using member_detail::kMembers;

}  // namespace vellum

// The dual interfaces IPDFDocument and IPDFDocument2, which extends it, and the
// identifiers of the type library, interfaces and class. Members stand in
// virtual-table order after the IDispatch slots; member_table.h lists the same
// members for late binding.
// Written by tools/idlgen from automation/member_table.h; do not edit by hand.
#pragma once

#include "com/interfaces.h"
#include "com/types.h"
#include "com/variant.h"

inline constexpr GUID LIBID_VELLUM_XP{0x3D9C5168, 0xE754, 0x42BE, {0x98, 0x16, 0x7E, 0x12, 0xE9, 0xCF, 0x8B, 0xED}};
inline constexpr IID IID_IPDFDocument{0x036A3637, 0xE948, 0x4990, {0xBA, 0xBE, 0x21, 0x0B, 0xE9, 0xD0, 0xC6, 0xE1}};
inline constexpr IID IID_IPDFDocument2{0xAC2FAE3F, 0x0A3E, 0x433A, {0xAE, 0x7E, 0x8B, 0x7F, 0x4F, 0x14, 0x2E, 0xBA}};
inline constexpr CLSID CLSID_PDFDocument{0xC08D629F, 0x1C7A, 0x45A7, {0x87, 0xF6, 0x5C, 0x48, 0x3B, 0xA3, 0x21, 0x21}};

struct IPDFDocument : IDispatch {
    STDMETHOD(NewPDF)(BSTR Title) PURE;
    STDMETHOD(SavePDF)(BSTR AFilename) PURE;
    STDMETHOD(TextOut)(BSTR Txt, double xpos, double ypos) PURE;
    STDMETHOD(OCXVersion)(BSTR* Value) PURE;
    STDMETHOD(SetPageDimensions)(double Width, double Height) PURE;
    STDMETHOD(CreateLink_Internal)(double x1, double y1, double x2, double y2, LONG OutlineWidth,
                                   LONG OutlineColorR, LONG OutlineColorG, LONG OutlineColorB,
                                   LONG DestinationPage) PURE;
    STDMETHOD(CreateLink_External)(double x1, double y1, double x2, double y2, LONG OutlineWidth,
                                   LONG OutlineColorR, LONG OutlineColorG, LONG OutlineColorB,
                                   BSTR DestinationFileName) PURE;
    STDMETHOD(CreateLink_Internet)(double x1, double y1, double x2, double y2, LONG OutlineWidth,
                                   LONG OutlineColorR, LONG OutlineColorG, LONG OutlineColorB,
                                   BSTR DestinationURI) PURE;
    STDMETHOD(SetCurrentPage)(LONG PageNumber) PURE;
    STDMETHOD(get_FontName)(BSTR* Value) PURE;
    STDMETHOD(put_FontName)(BSTR Value) PURE;
    STDMETHOD(get_FontHeight)(double* Value) PURE;
    STDMETHOD(put_FontHeight)(double Value) PURE;
    STDMETHOD(get_ParagraphLeading)(double* Value) PURE;
    STDMETHOD(put_ParagraphLeading)(double Value) PURE;
    STDMETHOD(get_ParagraphWidth)(double* Value) PURE;
    STDMETHOD(put_ParagraphWidth)(double Value) PURE;
    STDMETHOD(get_UnitOfMeasure)(BSTR* Value) PURE;
    STDMETHOD(put_UnitOfMeasure)(BSTR Value) PURE;
    STDMETHOD(get_ParagraphAlignment)(BSTR* Value) PURE;
    STDMETHOD(put_ParagraphAlignment)(BSTR Value) PURE;
    STDMETHOD(AddPage)() PURE;
    STDMETHOD(get_TextRendering)(LONG* Value) PURE;
    STDMETHOD(put_TextRendering)(LONG Value) PURE;
    STDMETHOD(SetFillColor)(LONG R, LONG G, LONG B) PURE;
    STDMETHOD(SetLineColor)(LONG R, LONG G, LONG B) PURE;
    STDMETHOD(ImportImage)(BSTR AFilename, LONG JpgQuality, double xpos, double ypos, double Width,
                           double Height) PURE;
    STDMETHOD(AddFont)(BSTR AFontName, BSTR AFilename, BSTR* Value) PURE;
    STDMETHOD(AddOutline)(LONG ADestinationPage, LONG ADestinationZoom, LONG ADestinationXPos,
                          LONG ADestinationYPos, BSTR ATitle) PURE;
    STDMETHOD(AddTextAnnotation)(double xpos, double ypos, BSTR text) PURE;
    STDMETHOD(DrawLine)(double Width, double left, double right, double top, double bottom) PURE;
    STDMETHOD(DrawRect)(LONG Width, LONG BlnFill, LONG BlnOutline, double left, double RectWidth, double top,
                        double RectHeight) PURE;
    STDMETHOD(SetLineWidth)(LONG Width) PURE;
    STDMETHOD(ImportImageAsResource)(BSTR AFilename, LONG JpgQuality, LONG* Value) PURE;
    STDMETHOD(DrawImageResource)(double xpos, double ypos, double ImgWidth, double ImgHeight,
                                 LONG ImageNumber) PURE;
    STDMETHOD(GetPDFContent)(VARIANT* Value) PURE;
    STDMETHOD(GetTextBoxWidth)(BSTR Txt, double* Value) PURE;
    STDMETHOD(GetTextBoxLines)(BSTR Txt, LONG* Value) PURE;
    STDMETHOD(SetBookmarksVisible)() PURE;
    STDMETHOD(get_Keywords)(BSTR* Value) PURE;
    STDMETHOD(put_Keywords)(BSTR Value) PURE;
    STDMETHOD(get_Author)(BSTR* Value) PURE;
    STDMETHOD(put_Author)(BSTR Value) PURE;
    STDMETHOD(get_Subject)(BSTR* Value) PURE;
    STDMETHOD(put_Subject)(BSTR Value) PURE;
    STDMETHOD(get_TextInclinationDegrees)(LONG* Value) PURE;
    STDMETHOD(put_TextInclinationDegrees)(LONG Value) PURE;
    STDMETHOD(get_NewPageAfterThisVerticalPosition)(double* Value) PURE;
    STDMETHOD(put_NewPageAfterThisVerticalPosition)(double Value) PURE;
    STDMETHOD(SendCmd)(VARIANT Param1, VARIANT Param2, VARIANT Param3, VARIANT Param4, VARIANT Param5,
                       VARIANT Param6, VARIANT* Value) PURE;
    STDMETHOD(ReservedFunction)(BSTR x, BSTR* Value) PURE;
    STDMETHOD(DrawCircle)(LONG Width, LONG BlnFill, LONG BlnOutline, double CenterX, double CenterY,
                          double Radius) PURE;
    STDMETHOD(DrawEllipse)(LONG Width, LONG BlnFill, LONG BlnOutline, double left, double RectWidth,
                           double top, double RectHeight) PURE;
    STDMETHOD(AddChildOutline)(LONG ADestinationPage, LONG ADestinationZoom, LONG ADestinationXPos,
                               LONG ADestinationYPos, BSTR ATitle, LONG ParentNode, LONG* Value) PURE;
    STDMETHOD(GetLastOutlineID)(LONG* Value) PURE;
    STDMETHOD(DrawArc)(double CenterXPos, double CenterYPos, LONG Radius, double InitialDegree,
                       double FinalDegree, double LineWidth, LONG Outline, LONG Fill, LONG DrawPie) PURE;
    STDMETHOD(SetLineCapStyle)(LONG LineCapStyle) PURE;
    STDMETHOD(SetLineJoinStyle)(LONG LineJoinStyle) PURE;
    STDMETHOD(put_ViewMode)(LONG Value) PURE;
    STDMETHOD(SetDashLineProperties)(double LineOn, double LineOff) PURE;
    STDMETHOD(GetImageWidth)(LONG ImageID, LONG* Value) PURE;
    STDMETHOD(GetImageHeight)(LONG ImageID, LONG* Value) PURE;
    STDMETHOD(AddFontMonospaced)(BSTR AFontName, BSTR AFilename, LONG Spacing, BSTR* Value) PURE;
};

struct IPDFDocument2 : IPDFDocument {
    STDMETHOD(Encrypt)(BSTR UserPassword, BSTR OwnerPassword, BSTR Permissions, BSTR Method) PURE;
    STDMETHOD(Sign)(BSTR CertificateFile, BSTR Password, BSTR Reason, BSTR Location) PURE;
    STDMETHOD(get_Conformance)(BSTR* Value) PURE;
    STDMETHOD(put_Conformance)(BSTR Value) PURE;
    STDMETHOD(AttachFile)(BSTR FileName, BSTR Name, BSTR MimeType, BSTR Relationship, BSTR Description) PURE;
    STDMETHOD(AddMetadataXml)(BSTR Rdf) PURE;
    STDMETHOD(get_Tagged)(VARIANT_BOOL* Value) PURE;
    STDMETHOD(put_Tagged)(VARIANT_BOOL Value) PURE;
    STDMETHOD(get_Language)(BSTR* Value) PURE;
    STDMETHOD(put_Language)(BSTR Value) PURE;
    STDMETHOD(BeginStructure)(BSTR Role, BSTR AltText, BSTR Language) PURE;
    STDMETHOD(EndStructure)() PURE;
    STDMETHOD(BeginArtifact)(BSTR Kind) PURE;
    STDMETHOD(EndArtifact)() PURE;
    STDMETHOD(SetImageAltText)(LONG Index, BSTR Text) PURE;
    STDMETHOD(get_TextDirection)(BSTR* Value) PURE;
    STDMETHOD(put_TextDirection)(BSTR Value) PURE;
    STDMETHOD(AddFontFallback)(BSTR FontName, BSTR FallbackFontName) PURE;
    STDMETHOD(get_MissingCharacters)(BSTR* Value) PURE;
    STDMETHOD(get_ImageEncoding)(BSTR* Value) PURE;
    STDMETHOD(put_ImageEncoding)(BSTR Value) PURE;
    STDMETHOD(MoveTo)(double X, double Y) PURE;
    STDMETHOD(LineTo)(double X, double Y) PURE;
    STDMETHOD(CurveTo)(double X1, double Y1, double X2, double Y2, double X3, double Y3) PURE;
    STDMETHOD(ClosePath)() PURE;
    STDMETHOD(DrawPath)(BSTR Mode) PURE;
    STDMETHOD(SaveGraphicsState)() PURE;
    STDMETHOD(RestoreGraphicsState)() PURE;
    STDMETHOD(SetLineStyle)(LONG Cap, LONG Join, double MiterLimit) PURE;
    STDMETHOD(SetOpacity)(double Fill, double Stroke) PURE;
};

// TPDFDocument: the creatable automation object. It owns at most one document
// and forwards every operation to it; the state rules (no document, open,
// emptied by a write, closed after a save) live here.
#pragma once

#include <memory>
#include <string>

#include "com/interfaces.h"
#include "document.h"
#include "VELLUM_XP_TLB.h"

namespace vellum::automation {

class TPDFDocument final : public IPDFDocument, public ISupportErrorInfo, public IProvideClassInfo {
public:
    // A new object with one reference, handed out as riid.
    static HRESULT Create(REFIID riid, void** object);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override;

    // ISupportErrorInfo, IProvideClassInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;
    STDMETHODIMP GetClassInfo(ITypeInfo** typeInfo) override;

    // IPDFDocument
    STDMETHODIMP NewPDF(BSTR Title) override;
    STDMETHODIMP SavePDF(BSTR AFilename) override;
    STDMETHODIMP TextOut(BSTR Txt, double xpos, double ypos) override;
    STDMETHODIMP OCXVersion(BSTR* Value) override;
    STDMETHODIMP SetPageDimensions(double Width, double Height) override;
    STDMETHODIMP CreateLink_Internal(double x1, double y1, double x2, double y2, LONG OutlineWidth, LONG OutlineColorR, LONG OutlineColorG, LONG OutlineColorB, LONG DestinationPage) override;
    STDMETHODIMP CreateLink_External(double x1, double y1, double x2, double y2, LONG OutlineWidth, LONG OutlineColorR, LONG OutlineColorG, LONG OutlineColorB, BSTR DestinationFileName) override;
    STDMETHODIMP CreateLink_Internet(double x1, double y1, double x2, double y2, LONG OutlineWidth, LONG OutlineColorR, LONG OutlineColorG, LONG OutlineColorB, BSTR DestinationURI) override;
    STDMETHODIMP SetCurrentPage(LONG PageNumber) override;
    STDMETHODIMP get_FontName(BSTR* Value) override;
    STDMETHODIMP put_FontName(BSTR Value) override;
    STDMETHODIMP get_FontHeight(double* Value) override;
    STDMETHODIMP put_FontHeight(double Value) override;
    STDMETHODIMP get_ParagraphLeading(double* Value) override;
    STDMETHODIMP put_ParagraphLeading(double Value) override;
    STDMETHODIMP get_ParagraphWidth(double* Value) override;
    STDMETHODIMP put_ParagraphWidth(double Value) override;
    STDMETHODIMP get_UnitOfMeasure(BSTR* Value) override;
    STDMETHODIMP put_UnitOfMeasure(BSTR Value) override;
    STDMETHODIMP get_ParagraphAlignment(BSTR* Value) override;
    STDMETHODIMP put_ParagraphAlignment(BSTR Value) override;
    STDMETHODIMP AddPage() override;
    STDMETHODIMP get_TextRendering(LONG* Value) override;
    STDMETHODIMP put_TextRendering(LONG Value) override;
    STDMETHODIMP SetFillColor(LONG R, LONG G, LONG B) override;
    STDMETHODIMP SetLineColor(LONG R, LONG G, LONG B) override;
    STDMETHODIMP ImportImage(BSTR AFilename, LONG JpgQuality, double xpos, double ypos, double Width, double Height) override;
    STDMETHODIMP AddFont(BSTR AFontName, BSTR AFilename, BSTR* Value) override;
    STDMETHODIMP AddOutline(LONG ADestinationPage, LONG ADestinationZoom, LONG ADestinationXPos, LONG ADestinationYPos, BSTR ATitle) override;
    STDMETHODIMP AddTextAnnotation(double xpos, double ypos, BSTR text) override;
    STDMETHODIMP DrawLine(double Width, double left, double right, double top, double bottom) override;
    STDMETHODIMP DrawRect(LONG Width, LONG BlnFill, LONG BlnOutline, double left, double RectWidth, double top, double RectHeight) override;
    STDMETHODIMP SetLineWidth(LONG Width) override;
    STDMETHODIMP ImportImageAsResource(BSTR AFilename, LONG JpgQuality, LONG* Value) override;
    STDMETHODIMP DrawImageResource(double xpos, double ypos, double ImgWidth, double ImgHeight, LONG ImageNumber) override;
    STDMETHODIMP GetPDFContent(VARIANT* Value) override;
    STDMETHODIMP GetTextBoxWidth(BSTR Txt, double* Value) override;
    STDMETHODIMP GetTextBoxLines(BSTR Txt, LONG* Value) override;
    STDMETHODIMP SetBookmarksVisible() override;
    STDMETHODIMP get_Keywords(BSTR* Value) override;
    STDMETHODIMP put_Keywords(BSTR Value) override;
    STDMETHODIMP get_Author(BSTR* Value) override;
    STDMETHODIMP put_Author(BSTR Value) override;
    STDMETHODIMP get_Subject(BSTR* Value) override;
    STDMETHODIMP put_Subject(BSTR Value) override;
    STDMETHODIMP get_TextInclinationDegrees(LONG* Value) override;
    STDMETHODIMP put_TextInclinationDegrees(LONG Value) override;
    STDMETHODIMP get_NewPageAfterThisVerticalPosition(double* Value) override;
    STDMETHODIMP put_NewPageAfterThisVerticalPosition(double Value) override;
    STDMETHODIMP SendCmd(VARIANT Param1, VARIANT Param2, VARIANT Param3, VARIANT Param4, VARIANT Param5, VARIANT Param6, VARIANT* Value) override;
    STDMETHODIMP ReservedFunction(BSTR x, BSTR* Value) override;
    STDMETHODIMP DrawCircle(LONG Width, LONG BlnFill, LONG BlnOutline, double CenterX, double CenterY, double Radius) override;
    STDMETHODIMP DrawEllipse(LONG Width, LONG BlnFill, LONG BlnOutline, double left, double RectWidth, double top, double RectHeight) override;
    STDMETHODIMP AddChildOutline(LONG ADestinationPage, LONG ADestinationZoom, LONG ADestinationXPos, LONG ADestinationYPos, BSTR ATitle, LONG ParentNode, LONG* Value) override;
    STDMETHODIMP GetLastOutlineID(LONG* Value) override;
    STDMETHODIMP DrawArc(double CenterXPos, double CenterYPos, LONG Radius, double InitialDegree, double FinalDegree, double LineWidth, LONG Outline, LONG Fill, LONG DrawPie) override;
    STDMETHODIMP SetLineCapStyle(LONG LineCapStyle) override;
    STDMETHODIMP SetLineJoinStyle(LONG LineJoinStyle) override;
    STDMETHODIMP put_ViewMode(LONG Value) override;
    STDMETHODIMP SetDashLineProperties(double LineOn, double LineOff) override;
    STDMETHODIMP GetImageWidth(LONG ImageID, LONG* Value) override;
    STDMETHODIMP GetImageHeight(LONG ImageID, LONG* Value) override;
    STDMETHODIMP AddFontMonospaced(BSTR AFontName, BSTR AFilename, LONG Spacing, BSTR* Value) override;

private:
    TPDFDocument();
    ~TPDFDocument();

    void EnsureDocument();
    TPDFDoc& RequireDocument();      // fails when there is no document
    TPDFDoc& RequireOpenDocument();  // also fails when it was written
    TPage& CurrentPageRef();

    LONG refCount_ = 1;
    std::unique_ptr<TPDFDoc> Doc;
    LONG DocumentOpen = 0;
    std::string FontSizingSwitch;  // kept on purpose so callers' ReservedFunction calls succeed: nothing reads it
};

// Objects alive and server locks, for DllCanUnloadNow.
LONG LiveObjectCount();
void LockServer(bool lock);
LONG ServerLockCount();

}  // namespace vellum::automation

// The methods of vellum::Document, one per accessor of each member of
// IPDFDocument and IPDFDocument2, in vtable order; <vellum/document.hpp>
// includes them inside the class. What each does: the manual's member pages.
// Written by tools/idlgen from automation/member_table.h; do not edit by hand.
#ifndef VELLUM_DOCUMENT_MEMBERS
#error "include <vellum/document.hpp>, which includes this file inside vellum::Document"
#endif

    // IPDFDocument
    void NewPDF(std::string_view Title) {
        Call("NewPDF", &IPDFDocument::NewPDF, Wide(Title).get());
    }
    void SavePDF(std::string_view AFilename) {
        Call("SavePDF", &IPDFDocument::SavePDF, Wide(AFilename).get());
    }
    void TextOut(std::string_view Txt, double xpos, double ypos) {
        Call("TextOut", &IPDFDocument::TextOut, Wide(Txt).get(), xpos, ypos);
    }
    std::string OCXVersion() {
        return TextResult("OCXVersion", &IPDFDocument::OCXVersion);
    }
    void SetPageDimensions(double Width, double Height) {
        Call("SetPageDimensions", &IPDFDocument::SetPageDimensions, Width, Height);
    }
    void CreateLink_Internal(double x1, double y1, double x2, double y2, std::int32_t OutlineWidth,
                             std::int32_t OutlineColorR, std::int32_t OutlineColorG,
                             std::int32_t OutlineColorB, std::int32_t DestinationPage) {
        Call("CreateLink_Internal", &IPDFDocument::CreateLink_Internal, x1, y1, x2, y2, OutlineWidth,
             OutlineColorR, OutlineColorG, OutlineColorB, DestinationPage);
    }
    void CreateLink_External(double x1, double y1, double x2, double y2, std::int32_t OutlineWidth,
                             std::int32_t OutlineColorR, std::int32_t OutlineColorG,
                             std::int32_t OutlineColorB, std::string_view DestinationFileName) {
        Call("CreateLink_External", &IPDFDocument::CreateLink_External, x1, y1, x2, y2, OutlineWidth,
             OutlineColorR, OutlineColorG, OutlineColorB, Wide(DestinationFileName).get());
    }
    void CreateLink_Internet(double x1, double y1, double x2, double y2, std::int32_t OutlineWidth,
                             std::int32_t OutlineColorR, std::int32_t OutlineColorG,
                             std::int32_t OutlineColorB, std::string_view DestinationURI) {
        Call("CreateLink_Internet", &IPDFDocument::CreateLink_Internet, x1, y1, x2, y2, OutlineWidth,
             OutlineColorR, OutlineColorG, OutlineColorB, Wide(DestinationURI).get());
    }
    void SetCurrentPage(std::int32_t PageNumber) {
        Call("SetCurrentPage", &IPDFDocument::SetCurrentPage, PageNumber);
    }
    std::string FontName() {
        return TextResult("FontName", &IPDFDocument::get_FontName);
    }
    void FontName(std::string_view Value) {
        Call("FontName", &IPDFDocument::put_FontName, Wide(Value).get());
    }
    double FontHeight() {
        return Result<double>("FontHeight", &IPDFDocument::get_FontHeight);
    }
    void FontHeight(double Value) {
        Call("FontHeight", &IPDFDocument::put_FontHeight, Value);
    }
    double ParagraphLeading() {
        return Result<double>("ParagraphLeading", &IPDFDocument::get_ParagraphLeading);
    }
    void ParagraphLeading(double Value) {
        Call("ParagraphLeading", &IPDFDocument::put_ParagraphLeading, Value);
    }
    double ParagraphWidth() {
        return Result<double>("ParagraphWidth", &IPDFDocument::get_ParagraphWidth);
    }
    void ParagraphWidth(double Value) {
        Call("ParagraphWidth", &IPDFDocument::put_ParagraphWidth, Value);
    }
    std::string UnitOfMeasure() {
        return TextResult("UnitOfMeasure", &IPDFDocument::get_UnitOfMeasure);
    }
    void UnitOfMeasure(std::string_view Value) {
        Call("UnitOfMeasure", &IPDFDocument::put_UnitOfMeasure, Wide(Value).get());
    }
    std::string ParagraphAlignment() {
        return TextResult("ParagraphAlignment", &IPDFDocument::get_ParagraphAlignment);
    }
    void ParagraphAlignment(std::string_view Value) {
        Call("ParagraphAlignment", &IPDFDocument::put_ParagraphAlignment, Wide(Value).get());
    }
    void AddPage() {
        Call("AddPage", &IPDFDocument::AddPage);
    }
    std::int32_t TextRendering() {
        return Result<LONG>("TextRendering", &IPDFDocument::get_TextRendering);
    }
    void TextRendering(std::int32_t Value) {
        Call("TextRendering", &IPDFDocument::put_TextRendering, Value);
    }
    void SetFillColor(std::int32_t R, std::int32_t G, std::int32_t B) {
        Call("SetFillColor", &IPDFDocument::SetFillColor, R, G, B);
    }
    void SetLineColor(std::int32_t R, std::int32_t G, std::int32_t B) {
        Call("SetLineColor", &IPDFDocument::SetLineColor, R, G, B);
    }
    void ImportImage(std::string_view AFilename, std::int32_t JpgQuality, double xpos, double ypos,
                     double Width, double Height) {
        Call("ImportImage", &IPDFDocument::ImportImage, Wide(AFilename).get(), JpgQuality, xpos, ypos, Width,
             Height);
    }
    std::string AddFont(std::string_view AFontName, std::string_view AFilename) {
        return TextResult("AddFont", &IPDFDocument::AddFont, Wide(AFontName).get(), Wide(AFilename).get());
    }
    void AddOutline(std::int32_t ADestinationPage, std::int32_t ADestinationZoom,
                    std::int32_t ADestinationXPos, std::int32_t ADestinationYPos, std::string_view ATitle) {
        Call("AddOutline", &IPDFDocument::AddOutline, ADestinationPage, ADestinationZoom, ADestinationXPos,
             ADestinationYPos, Wide(ATitle).get());
    }
    void AddTextAnnotation(double xpos, double ypos, std::string_view text) {
        Call("AddTextAnnotation", &IPDFDocument::AddTextAnnotation, xpos, ypos, Wide(text).get());
    }
    void DrawLine(double Width, double left, double right, double top, double bottom) {
        Call("DrawLine", &IPDFDocument::DrawLine, Width, left, right, top, bottom);
    }
    void DrawRect(std::int32_t Width, std::int32_t BlnFill, std::int32_t BlnOutline, double left,
                  double RectWidth, double top, double RectHeight) {
        Call("DrawRect", &IPDFDocument::DrawRect, Width, BlnFill, BlnOutline, left, RectWidth, top,
             RectHeight);
    }
    void SetLineWidth(std::int32_t Width) {
        Call("SetLineWidth", &IPDFDocument::SetLineWidth, Width);
    }
    std::int32_t ImportImageAsResource(std::string_view AFilename, std::int32_t JpgQuality) {
        return Result<LONG>("ImportImageAsResource", &IPDFDocument::ImportImageAsResource,
                            Wide(AFilename).get(), JpgQuality);
    }
    void DrawImageResource(double xpos, double ypos, double ImgWidth, double ImgHeight,
                           std::int32_t ImageNumber) {
        Call("DrawImageResource", &IPDFDocument::DrawImageResource, xpos, ypos, ImgWidth, ImgHeight,
             ImageNumber);
    }
    std::vector<std::uint8_t> GetPDFContent() {
        return BytesResult("GetPDFContent", &IPDFDocument::GetPDFContent);
    }
    double GetTextBoxWidth(std::string_view Txt) {
        return Result<double>("GetTextBoxWidth", &IPDFDocument::GetTextBoxWidth, Wide(Txt).get());
    }
    std::int32_t GetTextBoxLines(std::string_view Txt) {
        return Result<LONG>("GetTextBoxLines", &IPDFDocument::GetTextBoxLines, Wide(Txt).get());
    }
    void SetBookmarksVisible() {
        Call("SetBookmarksVisible", &IPDFDocument::SetBookmarksVisible);
    }
    std::string Keywords() {
        return TextResult("Keywords", &IPDFDocument::get_Keywords);
    }
    void Keywords(std::string_view Value) {
        Call("Keywords", &IPDFDocument::put_Keywords, Wide(Value).get());
    }
    std::string Author() {
        return TextResult("Author", &IPDFDocument::get_Author);
    }
    void Author(std::string_view Value) {
        Call("Author", &IPDFDocument::put_Author, Wide(Value).get());
    }
    std::string Subject() {
        return TextResult("Subject", &IPDFDocument::get_Subject);
    }
    void Subject(std::string_view Value) {
        Call("Subject", &IPDFDocument::put_Subject, Wide(Value).get());
    }
    std::int32_t TextInclinationDegrees() {
        return Result<LONG>("TextInclinationDegrees", &IPDFDocument::get_TextInclinationDegrees);
    }
    void TextInclinationDegrees(std::int32_t Value) {
        Call("TextInclinationDegrees", &IPDFDocument::put_TextInclinationDegrees, Value);
    }
    double NewPageAfterThisVerticalPosition() {
        return Result<double>("NewPageAfterThisVerticalPosition",
                              &IPDFDocument::get_NewPageAfterThisVerticalPosition);
    }
    void NewPageAfterThisVerticalPosition(double Value) {
        Call("NewPageAfterThisVerticalPosition", &IPDFDocument::put_NewPageAfterThisVerticalPosition, Value);
    }
    std::string SendCmd(const Operand& Param1, const Operand& Param2 = {}, const Operand& Param3 = {},
                        const Operand& Param4 = {}, const Operand& Param5 = {}, const Operand& Param6 = {}) {
        return VariantText("SendCmd", &IPDFDocument::SendCmd, Param1.variant(), Param2.variant(),
                           Param3.variant(), Param4.variant(), Param5.variant(), Param6.variant());
    }
    std::string ReservedFunction(std::string_view x) {
        return TextResult("ReservedFunction", &IPDFDocument::ReservedFunction, Wide(x).get());
    }
    void DrawCircle(std::int32_t Width, std::int32_t BlnFill, std::int32_t BlnOutline, double CenterX,
                    double CenterY, double Radius) {
        Call("DrawCircle", &IPDFDocument::DrawCircle, Width, BlnFill, BlnOutline, CenterX, CenterY, Radius);
    }
    void DrawEllipse(std::int32_t Width, std::int32_t BlnFill, std::int32_t BlnOutline, double left,
                     double RectWidth, double top, double RectHeight) {
        Call("DrawEllipse", &IPDFDocument::DrawEllipse, Width, BlnFill, BlnOutline, left, RectWidth, top,
             RectHeight);
    }
    std::int32_t AddChildOutline(std::int32_t ADestinationPage, std::int32_t ADestinationZoom,
                                 std::int32_t ADestinationXPos, std::int32_t ADestinationYPos,
                                 std::string_view ATitle, std::int32_t ParentNode) {
        return Result<LONG>("AddChildOutline", &IPDFDocument::AddChildOutline, ADestinationPage,
                            ADestinationZoom, ADestinationXPos, ADestinationYPos, Wide(ATitle).get(),
                            ParentNode);
    }
    std::int32_t GetLastOutlineID() {
        return Result<LONG>("GetLastOutlineID", &IPDFDocument::GetLastOutlineID);
    }
    void DrawArc(double CenterXPos, double CenterYPos, std::int32_t Radius, double InitialDegree,
                 double FinalDegree, double LineWidth, std::int32_t Outline, std::int32_t Fill,
                 std::int32_t DrawPie) {
        Call("DrawArc", &IPDFDocument::DrawArc, CenterXPos, CenterYPos, Radius, InitialDegree, FinalDegree,
             LineWidth, Outline, Fill, DrawPie);
    }
    void SetLineCapStyle(std::int32_t LineCapStyle) {
        Call("SetLineCapStyle", &IPDFDocument::SetLineCapStyle, LineCapStyle);
    }
    void SetLineJoinStyle(std::int32_t LineJoinStyle) {
        Call("SetLineJoinStyle", &IPDFDocument::SetLineJoinStyle, LineJoinStyle);
    }
    void ViewMode(std::int32_t Value) {
        Call("ViewMode", &IPDFDocument::put_ViewMode, Value);
    }
    void SetDashLineProperties(double LineOn, double LineOff) {
        Call("SetDashLineProperties", &IPDFDocument::SetDashLineProperties, LineOn, LineOff);
    }
    std::int32_t GetImageWidth(std::int32_t ImageID) {
        return Result<LONG>("GetImageWidth", &IPDFDocument::GetImageWidth, ImageID);
    }
    std::int32_t GetImageHeight(std::int32_t ImageID) {
        return Result<LONG>("GetImageHeight", &IPDFDocument::GetImageHeight, ImageID);
    }
    std::string AddFontMonospaced(std::string_view AFontName, std::string_view AFilename,
                                  std::int32_t Spacing) {
        return TextResult("AddFontMonospaced", &IPDFDocument::AddFontMonospaced, Wide(AFontName).get(),
                          Wide(AFilename).get(), Spacing);
    }

    // IPDFDocument2
    void Encrypt(std::string_view UserPassword, std::string_view OwnerPassword, std::string_view Permissions,
                 std::string_view Method) {
        Call("Encrypt", &IPDFDocument2::Encrypt, Wide(UserPassword).get(), Wide(OwnerPassword).get(),
             Wide(Permissions).get(), Wide(Method).get());
    }
    void Sign(std::string_view CertificateFile, std::string_view Password, std::string_view Reason,
              std::string_view Location) {
        Call("Sign", &IPDFDocument2::Sign, Wide(CertificateFile).get(), Wide(Password).get(),
             Wide(Reason).get(), Wide(Location).get());
    }
    std::string Conformance() {
        return TextResult("Conformance", &IPDFDocument2::get_Conformance);
    }
    void Conformance(std::string_view Value) {
        Call("Conformance", &IPDFDocument2::put_Conformance, Wide(Value).get());
    }
    void AttachFile(std::string_view FileName, std::string_view Name, std::string_view MimeType,
                    std::string_view Relationship, std::string_view Description) {
        Call("AttachFile", &IPDFDocument2::AttachFile, Wide(FileName).get(), Wide(Name).get(),
             Wide(MimeType).get(), Wide(Relationship).get(), Wide(Description).get());
    }
    void AddMetadataXml(std::string_view Rdf) {
        Call("AddMetadataXml", &IPDFDocument2::AddMetadataXml, Wide(Rdf).get());
    }
    bool Tagged() {
        return FlagResult("Tagged", &IPDFDocument2::get_Tagged);
    }
    void Tagged(bool Value) {
        Call("Tagged", &IPDFDocument2::put_Tagged, (Value ? VARIANT_TRUE : VARIANT_FALSE));
    }
    std::string Language() {
        return TextResult("Language", &IPDFDocument2::get_Language);
    }
    void Language(std::string_view Value) {
        Call("Language", &IPDFDocument2::put_Language, Wide(Value).get());
    }
    void BeginStructure(std::string_view Role, std::string_view AltText, std::string_view Language) {
        Call("BeginStructure", &IPDFDocument2::BeginStructure, Wide(Role).get(), Wide(AltText).get(),
             Wide(Language).get());
    }
    void EndStructure() {
        Call("EndStructure", &IPDFDocument2::EndStructure);
    }
    void BeginArtifact(std::string_view Kind) {
        Call("BeginArtifact", &IPDFDocument2::BeginArtifact, Wide(Kind).get());
    }
    void EndArtifact() {
        Call("EndArtifact", &IPDFDocument2::EndArtifact);
    }
    void SetImageAltText(std::int32_t Index, std::string_view Text) {
        Call("SetImageAltText", &IPDFDocument2::SetImageAltText, Index, Wide(Text).get());
    }
    std::string TextDirection() {
        return TextResult("TextDirection", &IPDFDocument2::get_TextDirection);
    }
    void TextDirection(std::string_view Value) {
        Call("TextDirection", &IPDFDocument2::put_TextDirection, Wide(Value).get());
    }
    void AddFontFallback(std::string_view FontName, std::string_view FallbackFontName) {
        Call("AddFontFallback", &IPDFDocument2::AddFontFallback, Wide(FontName).get(),
             Wide(FallbackFontName).get());
    }
    std::string MissingCharacters() {
        return TextResult("MissingCharacters", &IPDFDocument2::get_MissingCharacters);
    }
    std::string ImageEncoding() {
        return TextResult("ImageEncoding", &IPDFDocument2::get_ImageEncoding);
    }
    void ImageEncoding(std::string_view Value) {
        Call("ImageEncoding", &IPDFDocument2::put_ImageEncoding, Wide(Value).get());
    }
    void MoveTo(double X, double Y) {
        Call("MoveTo", &IPDFDocument2::MoveTo, X, Y);
    }
    void LineTo(double X, double Y) {
        Call("LineTo", &IPDFDocument2::LineTo, X, Y);
    }
    void CurveTo(double X1, double Y1, double X2, double Y2, double X3, double Y3) {
        Call("CurveTo", &IPDFDocument2::CurveTo, X1, Y1, X2, Y2, X3, Y3);
    }
    void ClosePath() {
        Call("ClosePath", &IPDFDocument2::ClosePath);
    }
    void DrawPath(std::string_view Mode) {
        Call("DrawPath", &IPDFDocument2::DrawPath, Wide(Mode).get());
    }
    void SaveGraphicsState() {
        Call("SaveGraphicsState", &IPDFDocument2::SaveGraphicsState);
    }
    void RestoreGraphicsState() {
        Call("RestoreGraphicsState", &IPDFDocument2::RestoreGraphicsState);
    }
    void SetLineStyle(std::int32_t Cap, std::int32_t Join, double MiterLimit) {
        Call("SetLineStyle", &IPDFDocument2::SetLineStyle, Cap, Join, MiterLimit);
    }
    void SetOpacity(double Fill, double Stroke) {
        Call("SetOpacity", &IPDFDocument2::SetOpacity, Fill, Stroke);
    }

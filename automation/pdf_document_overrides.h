// TPDFDocument's declarations of the interface methods, in vtable order;
// pdf_document.h includes them inside the class.
// Written by tools/idlgen from automation/member_table.h; do not edit by hand.

    // IPDFDocument
    STDMETHODIMP NewPDF(BSTR Title) override;
    STDMETHODIMP SavePDF(BSTR AFilename) override;
    STDMETHODIMP TextOut(BSTR Txt, double xpos, double ypos) override;
    STDMETHODIMP OCXVersion(BSTR* Value) override;
    STDMETHODIMP SetPageDimensions(double Width, double Height) override;
    STDMETHODIMP CreateLink_Internal(double x1, double y1, double x2, double y2, LONG OutlineWidth,
                                     LONG OutlineColorR, LONG OutlineColorG, LONG OutlineColorB,
                                     LONG DestinationPage) override;
    STDMETHODIMP CreateLink_External(double x1, double y1, double x2, double y2, LONG OutlineWidth,
                                     LONG OutlineColorR, LONG OutlineColorG, LONG OutlineColorB,
                                     BSTR DestinationFileName) override;
    STDMETHODIMP CreateLink_Internet(double x1, double y1, double x2, double y2, LONG OutlineWidth,
                                     LONG OutlineColorR, LONG OutlineColorG, LONG OutlineColorB,
                                     BSTR DestinationURI) override;
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
    STDMETHODIMP ImportImage(BSTR AFilename, LONG JpgQuality, double xpos, double ypos, double Width,
                             double Height) override;
    STDMETHODIMP AddFont(BSTR AFontName, BSTR AFilename, BSTR* Value) override;
    STDMETHODIMP AddOutline(LONG ADestinationPage, LONG ADestinationZoom, LONG ADestinationXPos,
                            LONG ADestinationYPos, BSTR ATitle) override;
    STDMETHODIMP AddTextAnnotation(double xpos, double ypos, BSTR text) override;
    STDMETHODIMP DrawLine(double Width, double left, double right, double top, double bottom) override;
    STDMETHODIMP DrawRect(LONG Width, LONG BlnFill, LONG BlnOutline, double left, double RectWidth,
                          double top, double RectHeight) override;
    STDMETHODIMP SetLineWidth(LONG Width) override;
    STDMETHODIMP ImportImageAsResource(BSTR AFilename, LONG JpgQuality, LONG* Value) override;
    STDMETHODIMP DrawImageResource(double xpos, double ypos, double ImgWidth, double ImgHeight,
                                   LONG ImageNumber) override;
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
    STDMETHODIMP SendCmd(VARIANT Param1, VARIANT Param2, VARIANT Param3, VARIANT Param4, VARIANT Param5,
                         VARIANT Param6, VARIANT* Value) override;
    STDMETHODIMP ReservedFunction(BSTR x, BSTR* Value) override;
    STDMETHODIMP DrawCircle(LONG Width, LONG BlnFill, LONG BlnOutline, double CenterX, double CenterY,
                            double Radius) override;
    STDMETHODIMP DrawEllipse(LONG Width, LONG BlnFill, LONG BlnOutline, double left, double RectWidth,
                             double top, double RectHeight) override;
    STDMETHODIMP AddChildOutline(LONG ADestinationPage, LONG ADestinationZoom, LONG ADestinationXPos,
                                 LONG ADestinationYPos, BSTR ATitle, LONG ParentNode, LONG* Value) override;
    STDMETHODIMP GetLastOutlineID(LONG* Value) override;
    STDMETHODIMP DrawArc(double CenterXPos, double CenterYPos, LONG Radius, double InitialDegree,
                         double FinalDegree, double LineWidth, LONG Outline, LONG Fill,
                         LONG DrawPie) override;
    STDMETHODIMP SetLineCapStyle(LONG LineCapStyle) override;
    STDMETHODIMP SetLineJoinStyle(LONG LineJoinStyle) override;
    STDMETHODIMP put_ViewMode(LONG Value) override;
    STDMETHODIMP SetDashLineProperties(double LineOn, double LineOff) override;
    STDMETHODIMP GetImageWidth(LONG ImageID, LONG* Value) override;
    STDMETHODIMP GetImageHeight(LONG ImageID, LONG* Value) override;
    STDMETHODIMP AddFontMonospaced(BSTR AFontName, BSTR AFilename, LONG Spacing, BSTR* Value) override;

    // IPDFDocument2
    STDMETHODIMP Encrypt(BSTR UserPassword, BSTR OwnerPassword, BSTR Permissions, BSTR Method) override;
    STDMETHODIMP Sign(BSTR CertificateFile, BSTR Password, BSTR Reason, BSTR Location) override;
    STDMETHODIMP get_Conformance(BSTR* Value) override;
    STDMETHODIMP put_Conformance(BSTR Value) override;
    STDMETHODIMP AttachFile(BSTR FileName, BSTR Name, BSTR MimeType, BSTR Relationship,
                            BSTR Description) override;
    STDMETHODIMP AddMetadataXml(BSTR Rdf) override;
    STDMETHODIMP get_Tagged(VARIANT_BOOL* Value) override;
    STDMETHODIMP put_Tagged(VARIANT_BOOL Value) override;
    STDMETHODIMP get_Language(BSTR* Value) override;
    STDMETHODIMP put_Language(BSTR Value) override;
    STDMETHODIMP BeginStructure(BSTR Role, BSTR AltText, BSTR Language) override;
    STDMETHODIMP EndStructure() override;
    STDMETHODIMP BeginArtifact(BSTR Kind) override;
    STDMETHODIMP EndArtifact() override;
    STDMETHODIMP SetImageAltText(LONG Index, BSTR Text) override;
    STDMETHODIMP get_TextDirection(BSTR* Value) override;
    STDMETHODIMP put_TextDirection(BSTR Value) override;
    STDMETHODIMP AddFontFallback(BSTR FontName, BSTR FallbackFontName) override;
    STDMETHODIMP get_MissingCharacters(BSTR* Value) override;
    STDMETHODIMP get_ImageEncoding(BSTR* Value) override;
    STDMETHODIMP put_ImageEncoding(BSTR Value) override;
    STDMETHODIMP MoveTo(double X, double Y) override;
    STDMETHODIMP LineTo(double X, double Y) override;
    STDMETHODIMP CurveTo(double X1, double Y1, double X2, double Y2, double X3, double Y3) override;
    STDMETHODIMP ClosePath() override;
    STDMETHODIMP DrawPath(BSTR Mode) override;
    STDMETHODIMP SaveGraphicsState() override;
    STDMETHODIMP RestoreGraphicsState() override;
    STDMETHODIMP SetLineStyle(LONG Cap, LONG Join, double MiterLimit) override;
    STDMETHODIMP SetOpacity(double Fill, double Stroke) override;

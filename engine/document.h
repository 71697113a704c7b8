// The in-memory document: its root TPDFDoc, the objects it owns, units and
// pages. Coordinates from callers are in the unit of measure, from the page's
// top-left corner; everything stored is in PDF points from the bottom left.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "alignment.h"
#include "annotations.h"
#include "archival.h"
#include "attachments.h"
#include "collection.h"
#include "fonts.h"
#include "graphics_state.h"
#include "images.h"
#include "outlines.h"
#include "output_sink.h"
#include "pdf_object.h"
#include "protection.h"
#include "structure.h"
#include "xmp_extension.h"

namespace vellum {

struct ParagraphShaping;

class TPDFDoc;
class LosslessImagesForWrite;
class ObjectWriter;
class ParkedPages;

struct TPage {
    // Content-stream operators, uncompressed; empty while the page is parked
    // (TPDFDoc::Page gives it back).
    std::string PageValue = {};
    bool IsParked = false;
    std::int32_t ObjectNumber = 0;
    double Width = 0;
    double Height = 0;
    std::int32_t ParentNumber = 0;
    std::int32_t ContentNumber = 0;
    std::int32_t ResourcesNumber = 0;
    TPDFDoc* Document = nullptr;
    std::int32_t Id = 0;
    TAnnots Annots{};
    std::int32_t StructParents = -1;  // its key in a tagged document's parent tree, for one write
    PathInProgress Path{};                      // the path built and not yet painted
    std::vector<DrawingSettings> SavedStates{};  // one per "q" not yet restored

    // The page object's text.
    std::string PDF_Binary() const;

    // Text output (text.cpp): one line, and paragraphs with wrapping.
    void TextOut(std::string_view text, double x, double y);
    void TextOutEx(std::string_view text, double x, double y);

    // Measurement (measure.cpp), in the unit of measure unless stated.
    double TextWidth(std::string_view text, std::string_view fontName) const;
    double InternalTextWidth(std::string_view text, std::string_view fontName) const;  // points
    double GetTextBoxWidth(std::string_view text) const;
    std::int32_t GetTextBoxLines(std::string_view text) const;

    // Vector graphics (graphics.cpp): positions and lengths in the unit of
    // measure from the top-left corner, line widths in points.
    void DrawLine(double width, double left, double right, double top, double bottom);
    void DrawRect(std::int32_t width, std::int32_t fill, std::int32_t outline, double left, double rectWidth,
                  double top, double rectHeight);
    void DrawEllipse(std::int32_t width, std::int32_t fill, std::int32_t outline, double left, double rectWidth,
                     double top, double rectHeight);
    void DrawCircle(std::int32_t width, std::int32_t fill, std::int32_t outline, double centerX, double centerY,
                    double radius);
    void DrawArc(std::int32_t outline, std::int32_t fill, double centerX, double centerY, double radius,
                 double initialDegree, double finalDegree, double lineWidth, std::int32_t drawPie);
    void SetLineWidth(std::int32_t width);
    void SetLineCapStyle(std::int32_t style);
    void SetLineJoinStyle(std::int32_t style);

    // Paths (paths.cpp), in the unit of measure from the top-left corner.
    // Each call fails, changing nothing, when out of order (a segment before
    // MoveTo, DrawPath without a path) or given a number that cannot be
    // written. DrawPath writes the path whole with its painting operator; a
    // clip paints nothing and is not marked in a tagged document.
    void MoveTo(double x, double y);
    void LineTo(double x, double y);
    void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3);
    void ClosePath();
    void DrawPath(PaintMode mode);
    // The mode by its name (ParsePaintMode); an unknown name fails, keeping the path.
    void DrawPath(std::string_view modeName);

    // The graphics state (graphics_state.cpp): "q" and "Q", balanced per
    // page (the write restores what is left saved), a restore putting back
    // the document's drawing settings too; line cap, join and miter limit;
    // opacity through a shared /ExtGState.
    void SaveGraphicsState();
    void RestoreGraphicsState();
    void SetLineStyle(std::int32_t cap, std::int32_t join, double miterLimit);
    void SetOpacity(double fill, double stroke);

    // Places image imageNumber with its top-left corner at (x, y), stretched
    // to width x height (images.cpp); a number that names no image adds nothing.
    void DrawImage(std::int32_t imageNumber, double x, double y, double width, double height);
};

struct TPages : TCollection<TPage> {
    using TCollection::TCollection;
    std::int32_t ObjectNumber = 0;

    TPage& Add();  // a page whose annotation list belongs to the same document
    std::string PDF_Binary() const;
};

// The content stream of the page with the same index: only its number, as the
// writer takes the stream's text from the page's PageValue.
struct TPageContent {
    TPDFDoc* Document = nullptr;
    std::int32_t Id = 0;
    std::int32_t ObjectNumber = 0;
};
using TPageContents = TCollection<TPageContent>;

struct TPDFObject {
    TPDFDoc* Document = nullptr;
    std::int32_t Id = 0;
    std::int32_t ObjectNumber = 0;
    std::string ObjectValue;  // without a stream or Dictionary: the whole object, framed by ObjectText
    PdfEntries Dictionary;    // without a stream: when not empty, the object, written with the file
    std::shared_ptr<const std::string> SharedStream;  // a stream's data, held once for every object that embeds it
    PdfEntries StreamDictionary;  // with a stream: its dictionary, PdfValue::StreamLength where /Length goes
    StreamEnd StreamEnding = StreamEnd::NewLine;

    // The complete object text, as written.
    std::string Text() const;
};
using TPDFObjects = TCollection<TPDFObject>;

struct TRoot {
    std::string PageLayoutName;
    std::string PageModeName;
    bool UseOutlines = false;
    bool SinglePage = false;
    std::int32_t ObjectNumber = 0;
    std::int32_t PagesNumber = 0;
    std::int32_t OutlinesNumber = 0;
    std::int32_t ViewerPreferencesNumber = 0;

    std::string PDF_Binary();  // derives the two names from the flags first
};

struct TInfo {
    std::int32_t ObjectNumber = 0;
    std::string Title, Author, Keywords, Subject, Creator, Producer;  // UTF-8 (Windows-1252 bytes accepted)

    // Fills empty Creator and Producer with their defaults, then builds the
    // dictionary with the given creation date ("yyyymmddhhnnss").
    std::string PDF_Binary(std::string_view creationDate);
};

struct TViewerPreferences {
    std::int32_t ObjectNumber = 0;
    std::string PDF_Binary() const;
};

struct TResources {
    std::int32_t ObjectNumber = 0;
};

// Points per unit, kept on purpose short of 72/25.4 and 72: callers' layouts rely on every digit.
inline constexpr double kMillimetreFactor = 2.8333333;
inline constexpr double kConstructionFactor = 2.833333;  // a fresh document's, kept on purpose apart from "mm"'s
inline constexpr double kCentimetreFactor = 28.3333333;
inline constexpr double kPointFactor = 1.0;
inline constexpr double kInchFactor = 71.96582;

// Bounds and choices of one write; the defaults are what callers get.
struct WriteOptions {
    // Cross-reference entries hold ten digits: no object may start later.
    std::uint64_t maxObjectOffset = 9'999'999'999;
    // Threads compressing page content: 0 chooses by the document's size.
    unsigned compressionThreads = 0;
};

// A byte array counts its elements in 32 bits.
inline constexpr std::size_t kMaxByteArrayBytes = 0xFFFFFFFFu;

// The most indirect objects a file may hold: the limit PDF readers
// implement (2^23 - 1). Pages take two each, fonts one or four, pictures,
// links, notes and outline entries one each.
inline constexpr std::int32_t kMaxObjects = 8388607;

inline constexpr std::string_view kDefaultCreator = "VellumXP v1.116";
inline constexpr std::string_view kDefaultProducer = "Vellum XP PDF library - https://vellum-xp.org";

class TPDFDoc {
public:
    TPDFDoc();
    ~TPDFDoc();
    TPDFDoc(const TPDFDoc&) = delete;
    TPDFDoc& operator=(const TPDFDoc&) = delete;

    // Lifecycle.
    void ResetDocument();
    void ClearDocument();
    bool IsCleared() const { return Pages == nullptr; }

    void NewPage();
    // Makes page `number` (within 1..page count) the current one. The page
    // left behind is parked once the document has ParkFromPages pages:
    // compressed ahead of the write, only its stream kept.
    void SetCurrentPage(std::int32_t number);
    std::size_t ParkFromPages = 16;
    std::int32_t NextObjectNumber();
    // Fails unless `count` more objects fit within kMaxObjects, counting the
    // outline entries (numbered when the file is written); call it before
    // adding anything.
    void RequireObjectRoom(std::int32_t count) const;
    std::int32_t NextFontIndex();

    // Units and sizes.
    void SetUnitOfMeasure(std::string_view name);
    void SetPageDimensions(double width, double height);
    void SetParagraphWidth(double value);
    double GetParagraphWidth() const;
    void SetParagraphLeading(double value);
    double GetParagraphLeading() const;
    void SetParagraphAlignment(Alignment alignment) { paragraphAlignment_ = alignment; }
    void SetFontHeight(double value);

    // Colours (graphics.cpp): written to the current page; components
    // outside 0..255 are written but not stored.
    void SetFillColor(std::int32_t r, std::int32_t g, std::int32_t b);
    void SetLineColor(std::int32_t r, std::int32_t g, std::int32_t b);
    void SetDashLineProperties(double lineOn, double lineOff);
    // The settings a graphics-state restore puts back (graphics_state.h).
    DrawingSettings CurrentDrawingSettings() const { return {fillColor_, lineColor_, lineOn_, lineOff_}; }
    void RestoreDrawingSettings(const DrawingSettings& settings);

    // Opacity states (graphics_state.cpp): the /ExtGState object for a pair
    // of opacities as written, made on first use and shared by every page;
    // returns its index in OpacityStates(). Throws EngineError, changing
    // nothing, for values outside 0..1 or translucency under PDF/A-1.
    std::size_t OpacityStateFor(double fill, double stroke);
    const std::vector<OpacityState>& OpacityStates() const { return opacityStates_; }
    bool ForbidsTransparency() const;  // archival.cpp: PDF/A-1 is claimed

    // Fonts.
    void AddStandardFonts();
    void SelectFont(std::string_view name);

    // TrueType fonts embedded whole (truetype.cpp). Each returns the new
    // font's resource name, or an error text for a missing file or an empty
    // name; a file that cannot be read or is no TrueType font throws.
    std::string AddTrueTypeFont(std::string_view fontName, const std::string& fileName);
    std::string AddTrueTypeFontModKern(std::string_view fontName, const std::string& fileName, double factor);
    std::string AddTrueTypeFontMonospaced(std::string_view fontName, const std::string& fileName,
                                          std::int32_t spacing);

    // A TrueType font (or OpenType with TrueType outlines) as a composite
    // font over its own character map, taking UTF-8 text (composite_font.cpp).
    // Returns the resource name, or an error text like AddTrueTypeFont.
    std::string AddUnicodeFont(std::string_view fontName, const std::string& fileName);
    // The last paragraph shaped in a Unicode font (unicode_layout.h).
    std::shared_ptr<ParagraphShaping> LastShaping;
    // Adds the Unicode font in fallbackFile as the next fallback of the
    // Unicode font fontName (base or resource name): characters it lacks are
    // drawn in the first fallback that has them. Throws EngineError, changing
    // nothing, when fontName is no Unicode font or the file cannot be used.
    void AddFontFallback(std::string_view fontName, const std::string& fallbackFile);
    // Fills the objects of every composite font from the glyphs the document
    // uses; the writer calls it before it writes anything.
    void PrepareCompositeFonts();

    // Images (images.cpp). The loader is chosen by the file's extension
    // (.bmp, .wmf, .ico, .jpg, in any letter case); for any other name the
    // content decides (PNG or JPEG), and other content throws "Unsupported
    // picture format: FILE" without adding an entry. Returns ImageNumber.
    std::int32_t ImportImageFile(const std::string& fileName, std::uint8_t quality);
    std::int32_t ImageWidth(std::int32_t imageNumber) const;   // 0 when no image has that number
    std::int32_t ImageHeight(std::int32_t imageNumber) const;
    const TPDFImage* FindImage(std::int32_t imageNumber) const;

    // Links and notes (annotations.cpp), on page pageNumber. An internal link
    // to a page beyond the last adds nothing; to a page below 1 it fails.
    void CreateLinkInternal(std::int32_t pageNumber, const LinkFrame& frame, std::int32_t destinationPage);
    void CreateLinkExternal(std::int32_t pageNumber, const LinkFrame& frame, std::string_view fileName);
    void CreateLinkInternet(std::int32_t pageNumber, const LinkFrame& frame, std::string_view uri);
    void AddTextAnnotation(std::int32_t pageNumber, double x, double y, std::string_view text);

    // Catalog flags and information entries.
    void SetUseOutlines(bool value);
    void SetSinglePage(bool value);
    TInfo& RequireInfo();

    // The page with this 1-based number, with its text (a parked page is
    // unparked); fails on a cleared document or a number outside 1..page count.
    TPage& Page(std::int32_t number);
    TPage& CurrentPageRef() { return Page(currentPage_); }

    // Writing (writer.cpp). Every form produces the same bytes. A write that
    // succeeds clears the document; one that fails leaves it exactly as it
    // was, so the caller can try again, elsewhere or later.
    void SaveToFile(const std::string& path, const WriteOptions& options = {});
    std::string SaveToByteArray(const WriteOptions& options = {});
    // The bytes in one block of at most maxBytes, handed to deliver before the
    // document is cleared: when deliver throws, the document is kept too.
    using ByteArrayDelivery = std::function<void(MallocBlock bytes, std::size_t size)>;
    void SaveToByteArray(std::size_t maxBytes, const ByteArrayDelivery& deliver, const WriteOptions& options = {});

    // Protection, applied at every later write (encryption.cpp, signing.cpp).
    // Each replaces an earlier request; a request that fails changes nothing.
    void Encrypt(const EncryptionRequest& request);
    void Sign(const SignatureRequest& request);

    // The levels every later write claims and meets (archival.cpp): names
    // ParseConformance takes, empty for none. PDF/UA-1 turns tagging on, so
    // it fails once something is drawn. ClearDocument forgets them.
    void SetConformance(std::string_view names);
    std::string ConformanceName() const;
    bool ClaimsAccessibility() const { return conformance_.accessible; }
    // Notes the codes drawn with a one-byte font, for the subsets an archival
    // write embeds. Without a level only the fact is noted (cheaply: every
    // line of text passes here), and a level set later embeds whole repertoires.
    void NoteOneByteText(TPDFFont& font, std::string_view text) {
        if (!conformance_.Claimed()) {
            untrackedText_ = true;
            return;
        }
        for (const char c : text) font.UsedCodes[static_cast<unsigned char>(c)] = true;
    }
    bool HasUntrackedText() const { return untrackedText_; }

    // A file carried inside the document (attachments.cpp), read whole now.
    // Throws EngineError, changing nothing, when it cannot be attached.
    void AttachFile(const AttachmentRequest& request);
    const std::vector<Attachment>& Attachments() const { return attachments_; }
    // A caller's rdf:Description for the archival XMP packet, declared there
    // by an extension schema (archival.cpp). Throws EngineError, changing
    // nothing, for a description ReadRdfDescription or CheckJoinable refuses.
    void AddMetadataXml(std::string_view rdf);
    const std::vector<XmpCustomSchema>& CustomMetadata() const { return customMetadata_; }

    // Tagged documents (tagged.cpp): a logical structure readers and
    // assistive software follow. Tagging is turned on or off only before
    // anything is drawn; each call throws EngineError, changing nothing,
    // for what the structure cannot take.
    void SetTagged(bool tagged);
    bool Tagged() const { return structure_ != nullptr; }
    DocumentStructure* Structure() const { return structure_.get(); }
    // Every drawing call notes that it draws (marked_content.cpp), so that
    // tagging is not turned on under content already drawn.
    void NoteDrawing() { drawn_ = true; }
    // A BCP 47 language tag ("en-GB"), the catalog's /Lang; empty for none.
    void SetLanguage(std::string_view tag);
    const std::string& Language() const { return language_; }
    void BeginStructure(std::string_view role, std::string_view altText, std::string_view language);
    void EndStructure();
    void BeginArtifact(std::string_view kind);
    void EndArtifact();
    void SetImageAltText(std::int32_t imageNumber, std::string_view text);

    std::string ResourcesPDF_Binary() const;
    // What features add to the written file (header version, catalog, page
    // and trailer entries, the string and stream hook); empty by default.
    FileAdditions Additions;

    // The parts of the document, in the order the model declares them.
    std::unique_ptr<TPages> Pages;
    std::unique_ptr<TPDFImages> Images;
    std::unique_ptr<TPDFObjects> Objects;
    std::unique_ptr<TPageContents> Contents;
    std::unique_ptr<TViewerPreferences> ViewerPreferences;
    std::unique_ptr<TRoot> Root;
    std::unique_ptr<TInfo> Info;
    std::unique_ptr<TPDFFonts> Fonts;
    std::unique_ptr<TOutlinesObj> Outlines;
    std::unique_ptr<TResources> Resources;

    // Settings, read by the parts that lay out and write; each is changed only
    // through its setter above, which checks it.
    const std::string& CurrentFont() const { return currentFont_; }
    std::int32_t ObjectCount() const { return objectCount_; }
    // Gives back the numbers taken after `count`, for a write that failed.
    void ForgetObjectNumbersAfter(std::int32_t count);
    Alignment ParagraphAlignment() const { return paragraphAlignment_; }
    const std::array<std::int32_t, 3>& FillColor() const { return fillColor_; }
    const std::array<std::int32_t, 3>& LineColor() const { return lineColor_; }
    const std::string& UnitOfMeasure() const { return unitOfMeasure_; }
    double UnitFactor() const { return unitFactor_; }                   // points per unit
    double ParagraphWidthPoints() const { return paragraphWidth_; }     // 0 = no wrapping
    double ParagraphLeadingPoints() const { return paragraphLeading_; }
    std::int32_t CurrentPageNumber() const { return currentPage_; }
    double PageWidth() const { return pageWidth_; }  // points, for pages added from now on
    double PageHeight() const { return pageHeight_; }
    std::int32_t TextRendering() const { return textRendering_; }
    // How later picture imports are stored (lossless_images.h); throws
    // EngineError, keeping the setting, for a name ParsePictureEncoding does
    // not take. ClearDocument sets JPEG again.
    void SetImageEncoding(std::string_view name);
    PictureEncoding ImageEncoding() const { return imageEncoding_; }
    // Paragraph direction for Unicode fonts; throws EngineError for a name
    // ParseTextDirection does not take. ClearDocument sets Auto again.
    void SetTextDirection(std::string_view name);
    TextDirection Direction() const { return textDirection_; }
    // The characters of the last TextOut or TextOutEx that no font of its
    // chain has, UTF-8, in the order met; empty when there were none.
    const std::string& MissingCharacters() const { return missingCharacters_; }
    void SetMissingCharacters(std::string characters) { missingCharacters_ = std::move(characters); }
    void SetTextRendering(std::int32_t mode) { textRendering_ = mode; }
    double FontHeight() const { return fontHeight_; }
    std::int32_t TextInclinationDegrees() const { return textInclinationDegrees_; }
    void SetTextInclinationDegrees(std::int32_t degrees) { textInclinationDegrees_ = degrees; }
    // Kept on purpose for callers that set and read it back: nothing else reads it.
    double NewPageAfterThisVerticalPosition() const { return newPageAfterThisVerticalPosition_; }
    void SetNewPageAfterThisVerticalPosition(double value) { newPageAfterThisVerticalPosition_ = value; }
    double LineOn() const { return lineOn_; }
    double LineOff() const { return lineOff_; }

private:
    std::string currentFont_;
    std::int32_t objectCount_ = 0;
    Alignment paragraphAlignment_ = Alignment::Left;
    std::array<std::int32_t, 3> fillColor_{0, 0, 0};
    std::array<std::int32_t, 3> lineColor_{0, 0, 0};
    std::string unitOfMeasure_ = "mm";
    double unitFactor_ = kConstructionFactor;
    double paragraphWidth_ = 0;    // points
    double paragraphLeading_ = 0;  // points
    std::int32_t fontIndexCounter_ = 0;
    std::int32_t currentPage_ = 0;
    double pageWidth_ = 595;
    double pageHeight_ = 842;
    std::int32_t textRendering_ = 0;
    TextDirection textDirection_ = TextDirection::Auto;
    PictureEncoding imageEncoding_ = PictureEncoding::Jpeg;
    std::string missingCharacters_;
    double fontHeight_ = 0;
    std::int32_t textInclinationDegrees_ = 0;
    double newPageAfterThisVerticalPosition_ = 0;
    double lineOn_ = 0;
    double lineOff_ = 0;

    void ParkCurrentPage();
    void ParkEarlierPages(std::size_t leftIndex);
    void FinishParkedPages();  // before the write: every parked page compressed
    // Pages left behind, being compressed; exists once a page was parked.
    std::unique_ptr<ParkedPages> Parked;
    std::shared_ptr<const EncryptionSettings> Encryption;  // none unless Encrypt succeeded
    std::shared_ptr<const SignatureSettings> Signature;    // none unless Sign succeeded
    Conformance conformance_;
    std::vector<Attachment> attachments_;
    bool untrackedText_ = false;
    std::vector<XmpCustomSchema> customMetadata_;
    std::unique_ptr<DocumentStructure> structure_;
    bool drawn_ = false;
    std::string language_;
    std::vector<OpacityState> opacityStates_;
    enum class Delivery { File, ByteArray };
    void BuildFile(OutputSink& sink, Delivery delivery, const WriteOptions& options);  // writer.cpp
    void WriteContentStreams(ObjectWriter& file, const WriteOptions& options) const;
    void WriteImages(ObjectWriter& file, Delivery delivery, const LosslessImagesForWrite& lossless) const;
    void RequireReady() const;
};

// Appends operator text to a page: the one way content reaches a page.
void AppendContent(TPage& page, std::string_view text);

// For calls that append several times: unless Keep() is called, the page's
// content is cut back on destruction to what it was at construction, so a
// call that fails half-way appends nothing.
class ContentRollback {
public:
    explicit ContentRollback(TPage& page) : page_(page), size_(page.PageValue.size()) {}
    ~ContentRollback() {
        if (!kept_) page_.PageValue.resize(size_);
    }
    ContentRollback(const ContentRollback&) = delete;
    ContentRollback& operator=(const ContentRollback&) = delete;
    void Keep() { kept_ = true; }

private:
    TPage& page_;
    std::size_t size_;
    bool kept_ = false;
};

}  // namespace vellum

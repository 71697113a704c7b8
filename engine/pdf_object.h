// The object layer: typed PDF values, the calls that append an object's body,
// and the one writer that frames every indirect object of a file. Strings and
// stream data pass through an ObjectHook together with the number of the
// object that holds them, so a feature that must transform them (encryption)
// has exactly one place to do it. The file's layouts carry fixed spacing and
// line ends, so bodies are written by small calls that each append exactly
// their bytes, with Raw for the punctuation between them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "format.h"
#include "output_sink.h"
#include "unicode_text.h"

namespace vellum {

// Sees each string and each stream's data just before they are written;
// returns the bytes to write (bytes itself, or a view into scratch). Strings
// it returns in scratch are written with every delimiter escaped.
class ObjectHook {
public:
    virtual ~ObjectHook() = default;
    virtual std::string_view String(std::int32_t objectNumber, std::string_view bytes, std::string& scratch);
    virtual std::string_view Stream(std::int32_t objectNumber, std::string_view bytes, std::string& scratch);
};

// Writes every byte as it is.
ObjectHook& IdentityHook();

struct PdfEntry;

// A direct value, for entries a feature adds to the catalog, a page, the
// trailer or a stream's dictionary.
class PdfValue {
public:
    enum class Kind { Null, Boolean, Integer, Real, Name, Literal, Hex, Array, Dictionary, Reference, StreamLength, Raw };

    static PdfValue Null();
    static PdfValue Boolean(bool value);
    static PdfValue Integer(std::int64_t value);
    static PdfValue Real(double value, const NumberPattern& pattern = pattern::kCoordinate);
    static PdfValue Name(std::string_view name);  // without its slash, already a valid name token
    static PdfValue Literal(std::string_view bytes);
    static PdfValue Hex(std::string_view bytes);
    static PdfValue Array(std::vector<PdfValue> items);
    static PdfValue Dictionary(std::vector<PdfEntry> entries);
    static PdfValue Reference(std::int32_t objectNumber);
    // The length of the stream the dictionary belongs to, as written.
    static PdfValue StreamLength();
    // Text written as it stands, for a layout the other kinds cannot give.
    static PdfValue Raw(std::string_view text);

    Kind kind() const { return kind_; }

private:
    friend class PdfBody;
    static PdfValue OfText(Kind kind, std::string_view text);

    Kind kind_ = Kind::Null;
    std::int64_t integer_ = 0;
    double real_ = 0;
    NumberPattern pattern_ = pattern::kCoordinate;
    std::string text_;
    std::vector<PdfValue> items_;
    std::vector<PdfEntry> entries_;
};

struct PdfEntry {
    std::string key;  // without its slash
    PdfValue value;
};
using PdfEntries = std::vector<PdfEntry>;

// Appends one object's body to a text. Literal and hexadecimal strings pass
// through the hook as the bytes of object `objectNumber`.
class PdfBody {
public:
    PdfBody(std::string& out, std::int32_t objectNumber, ObjectHook& hook, std::string& scratch)
        : out_(out), objectNumber_(objectNumber), hook_(hook), scratch_(scratch) {}

    std::int32_t ObjectNumber() const { return objectNumber_; }

    PdfBody& Raw(std::string_view text);
    PdfBody& Name(std::string_view name);  // "/name"
    PdfBody& Integer(std::int64_t value);
    PdfBody& Real(const NumberPattern& pattern, double value);
    PdfBody& Boolean(bool value);
    PdfBody& Null();
    PdfBody& Reference(std::int32_t objectNumber);  // "N 0 R"
    PdfBody& Literal(std::string_view bytes, StringEscape escape = StringEscape::Parentheses);
    // Text for readers (information entries, titles, notes): Windows-1252
    // bytes where they say the same in PDFDocEncoding, else UTF-16BE.
    PdfBody& DocumentText(std::string_view text, DocStringEscape escape);
    PdfBody& Hex(std::string_view bytes);
    PdfBody& StreamLength();  // inside a stream's dictionary: the length of its data as written
    PdfBody& Value(const PdfValue& value);
    // One "/Key value" line per entry, in order.
    PdfBody& EntryLines(const PdfEntries& entries);

private:
    friend class ObjectWriter;
    std::string& out_;
    std::int32_t objectNumber_;
    ObjectHook& hook_;
    std::string& scratch_;
    std::int64_t streamLength_ = -1;  // set while a stream's dictionary is written
};

// How stream data ends: on a line of its own before "endstream", or with
// "endstream" straight after the last byte (the embedded TrueType program).
enum class StreamEnd { NewLine, Direct };

// Frames each indirect object (its number line, body, "endobj" line) and passes
// it to a sink. With an object count it notes each object's offset for the
// cross-reference table that Finish writes; without (ObjectText) it frames
// one object alone.
class ObjectWriter {
public:
    ObjectWriter(OutputSink& sink, ObjectHook& hook, std::size_t objectCount = 0,
                 std::uint64_t maxObjectOffset = ~std::uint64_t{0});

    void Header(std::string_view version);  // "%PDF-" version and the binary-marker comment
    std::uint64_t Size() const { return size_; }

    // body(PdfBody&) appends the object's body, its line end included.
    template <class Body>
    void Object(std::int32_t objectNumber, Body&& body) {
        PdfBody text = Begin(objectNumber);
        body(text);
        EndObject();
    }

    // dictionary(PdfBody&) appends the stream's dictionary with its line end;
    // PdfValue::StreamLength (or StreamLength()) gives the length written.
    template <class Dictionary>
    void Stream(std::int32_t objectNumber, std::string_view data, Dictionary&& dictionary,
                StreamEnd end = StreamEnd::NewLine) {
        const std::string_view written = hook_.Stream(objectNumber, data, streamScratch_);
        PdfBody text = Begin(objectNumber);
        text.streamLength_ = static_cast<std::int64_t>(written.size());
        dictionary(text);
        EndStream(written, end);
    }
    // A stream whose dictionary is "<<", one line per entry, ">>".
    void Stream(std::int32_t objectNumber, std::string_view data, const PdfEntries& dictionary, StreamEnd end);

    // An object framed earlier by ObjectText with no hook, holding neither
    // strings nor streams (fonts, widths, descriptors made when added).
    void Prepared(std::int32_t objectNumber, std::string_view framed);

    // Cross-reference section, trailer (/Size, /Root, /Info, then `extra`)
    // and end marker. Fails when an object was never written.
    void Finish(std::int32_t rootNumber, std::int32_t infoNumber, const PdfEntries& extra = {});

private:
    static constexpr std::uint64_t kUnwritten = ~std::uint64_t{0};

    void Write(std::string_view bytes);
    PdfBody Begin(std::int32_t objectNumber);
    void EndObject();
    void EndStream(std::string_view data, StreamEnd end);
    void NoteOffset(std::int32_t objectNumber);

    OutputSink& sink_;
    ObjectHook& hook_;
    std::uint64_t size_ = 0;
    std::vector<std::uint64_t> offsets_;
    bool noteOffsets_;
    std::uint64_t maxObjectOffset_;
    std::string scratch_;        // the object being framed
    std::string stringScratch_;  // for the hook's strings
    std::string streamScratch_;  // for the hook's stream data
};

// The complete text of one object as written with the hook (no hook: the
// bytes as they stand), for objects made ahead of the write and for tests.
template <class Body>
std::string ObjectText(std::int32_t objectNumber, Body&& body, ObjectHook& hook = IdentityHook()) {
    std::string text;
    StringSink sink(text);
    ObjectWriter(sink, hook).Object(objectNumber, body);
    return text;
}

// What features add to a file beyond what the document holds: the header's
// version, entries after the catalog's, each page's, each link's, each note's
// and the trailer's own, and the hook every string and stream passes through.
struct FileAdditions {
    std::string version = "1.3";
    PdfEntries catalog, page, link, note, trailer;
    PdfEntries annotatedPage;      // also on pages with annotations
    PdfEntries viewerPreferences;  // after the dictionary's own
    ObjectHook* hook = nullptr;  // none: IdentityHook
};

}  // namespace vellum

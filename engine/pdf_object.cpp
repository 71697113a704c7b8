#include "pdf_object.h"

#include <utility>

#include "errors.h"

namespace vellum {

std::string_view ObjectHook::String(std::int32_t, std::string_view bytes, std::string&) { return bytes; }
std::string_view ObjectHook::Stream(std::int32_t, std::string_view bytes, std::string&) { return bytes; }

ObjectHook& IdentityHook() {
    // Never destroyed: a thread may still be writing while the process exits.
    static ObjectHook* const identity = new ObjectHook;
    return *identity;
}

// ---- values

PdfValue PdfValue::Null() { return {}; }

PdfValue PdfValue::Boolean(bool value) {
    PdfValue made;
    made.kind_ = Kind::Boolean;
    made.integer_ = value ? 1 : 0;
    return made;
}

PdfValue PdfValue::Integer(std::int64_t value) {
    PdfValue made;
    made.kind_ = Kind::Integer;
    made.integer_ = value;
    return made;
}

PdfValue PdfValue::Real(double value, const NumberPattern& pattern) {
    PdfValue made;
    made.kind_ = Kind::Real;
    made.real_ = value;
    made.pattern_ = pattern;
    return made;
}

PdfValue PdfValue::OfText(Kind kind, std::string_view text) {
    PdfValue made;
    made.kind_ = kind;
    made.text_ = text;
    return made;
}

PdfValue PdfValue::Name(std::string_view name) { return OfText(Kind::Name, name); }

PdfValue PdfValue::Literal(std::string_view bytes) { return OfText(Kind::Literal, bytes); }

PdfValue PdfValue::Hex(std::string_view bytes) { return OfText(Kind::Hex, bytes); }

PdfValue PdfValue::Array(std::vector<PdfValue> items) {
    PdfValue made;
    made.kind_ = Kind::Array;
    made.items_ = std::move(items);
    return made;
}

PdfValue PdfValue::Dictionary(std::vector<PdfEntry> entries) {
    PdfValue made;
    made.kind_ = Kind::Dictionary;
    made.entries_ = std::move(entries);
    return made;
}

PdfValue PdfValue::Reference(std::int32_t objectNumber) {
    PdfValue made;
    made.kind_ = Kind::Reference;
    made.integer_ = objectNumber;
    return made;
}

PdfValue PdfValue::StreamLength() {
    PdfValue made;
    made.kind_ = Kind::StreamLength;
    return made;
}

PdfValue PdfValue::Raw(std::string_view text) { return OfText(Kind::Raw, text); }

// ---- bodies

PdfBody& PdfBody::Raw(std::string_view text) {
    out_ += text;
    return *this;
}

PdfBody& PdfBody::Name(std::string_view name) {
    out_ += '/';
    out_ += name;
    return *this;
}

PdfBody& PdfBody::Integer(std::int64_t value) {
    AppendInteger(out_, value);
    return *this;
}

PdfBody& PdfBody::Real(const NumberPattern& pattern, double value) {
    AppendPdfNumber(out_, pattern, value);
    return *this;
}

PdfBody& PdfBody::Boolean(bool value) { return Raw(value ? "true" : "false"); }

PdfBody& PdfBody::Null() { return Raw("null"); }

PdfBody& PdfBody::Reference(std::int32_t objectNumber) {
    AppendInteger(out_, objectNumber);
    out_ += " 0 R";
    return *this;
}

PdfBody& PdfBody::Literal(std::string_view bytes, StringEscape escape) {
    const std::string_view written = hook_.String(objectNumber_, bytes, scratch_);
    // Bytes the hook made (encrypted ones) are binary: a bare carriage return
    // would reach a reader as a line feed.
    const bool transformed = written.data() != bytes.data();
    out_ += '(';
    AppendEscapedString(out_, written, transformed ? StringEscape::EveryDelimiter : escape);
    out_ += ')';
    return *this;
}

PdfBody& PdfBody::DocumentText(std::string_view text, DocStringEscape escape) {
    const DocumentStringBytes encoded = EncodeDocumentString(text);
    return Literal(encoded.bytes, DocumentStringEscaping(encoded.utf16, escape));
}

PdfBody& PdfBody::Hex(std::string_view bytes) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    const std::string_view written = hook_.String(objectNumber_, bytes, scratch_);
    out_ += '<';
    for (const char c : written) {
        const auto byte = static_cast<unsigned char>(c);
        out_ += kDigits[byte >> 4];
        out_ += kDigits[byte & 15];
    }
    out_ += '>';
    return *this;
}

PdfBody& PdfBody::StreamLength() {
    if (streamLength_ < 0) throw EngineError("A stream length stands outside a stream's dictionary");
    return Integer(streamLength_);
}

PdfBody& PdfBody::Value(const PdfValue& value) {
    using Kind = PdfValue::Kind;
    switch (value.kind_) {
        case Kind::Null: return Null();
        case Kind::Boolean: return Boolean(value.integer_ != 0);
        case Kind::Integer: return Integer(value.integer_);
        case Kind::Real: return Real(value.pattern_, value.real_);
        case Kind::Name: return Name(value.text_);
        case Kind::Literal: return Literal(value.text_);
        case Kind::Hex: return Hex(value.text_);
        case Kind::Reference: return Reference(static_cast<std::int32_t>(value.integer_));
        case Kind::StreamLength: return StreamLength();
        case Kind::Raw: return Raw(value.text_);
        case Kind::Array:
            out_ += '[';
            for (std::size_t i = 0; i < value.items_.size(); ++i) {
                if (i > 0) out_ += ' ';
                Value(value.items_[i]);
            }
            return Raw("]");
        case Kind::Dictionary:
            out_ += "<<";
            for (const PdfEntry& entry : value.entries_) Raw(" ").Name(entry.key).Raw(" ").Value(entry.value);
            return Raw(" >>");
    }
    return *this;
}

PdfBody& PdfBody::EntryLines(const PdfEntries& entries) {
    for (const PdfEntry& entry : entries) Name(entry.key).Raw(" ").Value(entry.value).Raw("\r\n");
    return *this;
}

// ---- the object writer

ObjectWriter::ObjectWriter(OutputSink& sink, ObjectHook& hook, std::size_t objectCount,
                           std::uint64_t maxObjectOffset)
    : sink_(sink),
      hook_(hook),
      offsets_(objectCount, kUnwritten),
      noteOffsets_(objectCount > 0),
      maxObjectOffset_(maxObjectOffset) {}

void ObjectWriter::Write(std::string_view bytes) {
    sink_.Write(bytes);
    size_ += bytes.size();
}

void ObjectWriter::Header(std::string_view version) {
    scratch_ = "%PDF-";
    scratch_ += version;
    scratch_ += "\r\n%\xE4\xE3\xCF\xD2\r\n";
    Write(scratch_);
}

PdfBody ObjectWriter::Begin(std::int32_t objectNumber) {
    NoteOffset(objectNumber);
    scratch_.clear();
    AppendInteger(scratch_, objectNumber);
    scratch_ += " 0 obj\r\n";
    return PdfBody(scratch_, objectNumber, hook_, stringScratch_);
}

void ObjectWriter::EndObject() {
    scratch_ += "endobj\r\n";
    Write(scratch_);
}

void ObjectWriter::EndStream(std::string_view data, StreamEnd end) {
    scratch_ += "stream\r\n";
    Write(scratch_);
    Write(data);
    Write(end == StreamEnd::NewLine ? "\r\nendstream\r\nendobj\r\n" : "endstream\r\nendobj\r\n");
}

void ObjectWriter::Stream(std::int32_t objectNumber, std::string_view data, const PdfEntries& dictionary,
                          StreamEnd end) {
    Stream(
        objectNumber, data, [&](PdfBody& text) { text.Raw("<<\r\n").EntryLines(dictionary).Raw(">>\r\n"); }, end);
}

void ObjectWriter::Prepared(std::int32_t objectNumber, std::string_view framed) {
    NoteOffset(objectNumber);
    Write(framed);
}

// Checked before each object, so an object that would start beyond what
// ten digits can say fails the write before any table entry overflows.
void ObjectWriter::NoteOffset(std::int32_t objectNumber) {
    if (!noteOffsets_) return;
    if (objectNumber < 1 || static_cast<std::size_t>(objectNumber) > offsets_.size() ||
        offsets_[objectNumber - 1] != kUnwritten) {
        throw EngineError("Cannot write the document: object number " + std::to_string(objectNumber) +
                          " is out of sequence");
    }
    if (size_ > maxObjectOffset_) {
        throw EngineError("Cannot write the document: the file would be larger than " +
                          std::to_string(maxObjectOffset_) +
                          " bytes, the largest offset its cross-reference table can hold");
    }
    offsets_[objectNumber - 1] = size_;
}

// Passed on in slices so that a large table is never held whole.
void ObjectWriter::Finish(std::int32_t rootNumber, std::int32_t infoNumber, const PdfEntries& extra) {
    const std::uint64_t xrefOffset = size_;
    const auto size = static_cast<std::int64_t>(offsets_.size()) + 1;
    constexpr std::size_t kSlice = 64 * 1024;
    scratch_.clear();
    scratch_ += "xref\r\n0 ";
    AppendInteger(scratch_, size);
    scratch_ += "\r\n0000000000 65535 f\r\n";
    for (std::size_t i = 0; i < offsets_.size(); ++i) {
        if (offsets_[i] == kUnwritten) {
            throw EngineError("Cannot write the document: object " + std::to_string(i + 1) + " has no content");
        }
        AppendPdfNumber(scratch_, pattern::kXrefOffset, static_cast<double>(offsets_[i]));
        scratch_ += " 00000 n\r\n";
        if (scratch_.size() >= kSlice) {
            Write(scratch_);
            scratch_.clear();
        }
    }
    // The trailer belongs to no object: its strings (a file identifier) are
    // never transformed.
    PdfBody trailer(scratch_, 0, IdentityHook(), stringScratch_);
    trailer.Raw("trailer\r\n<<\r\n/Size ").Integer(size).Raw("\r\n/Root ").Reference(rootNumber);
    trailer.Raw("\r\n/Info ").Reference(infoNumber).Raw("\r\n").EntryLines(extra);
    trailer.Raw(">>\r\nstartxref\r\n").Integer(static_cast<std::int64_t>(xrefOffset)).Raw("\r\n%%EOF");
    Write(scratch_);
}

}  // namespace vellum

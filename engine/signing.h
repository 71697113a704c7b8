// A document's digital signature: what Sign keeps (signing.cpp), and what one
// write adds for it (signed_write.cpp). The signature covers the whole file
// but its own value, so a signed file is written into memory with room kept
// for the value, the value is computed over the finished bytes and put in
// place, and only then are the bytes passed on (to the file, or to the
// caller): a write that fails to sign leaves the previous file untouched.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "output_sink.h"
#include "pdf_object.h"

namespace vellum::crypto {
class SigningIdentity;
}

namespace vellum {

struct SignatureSettings {
    std::shared_ptr<const crypto::SigningIdentity> identity;
    std::string reason;    // UTF-8; empty: no /Reason
    std::string location;  // UTF-8; empty: no /Location
    // Numbered when the document is first signed, kept when it is signed again.
    std::int32_t fieldNumber = 0;      // the signature field, merged with its widget annotation
    std::int32_t dictionaryNumber = 0;  // the signature dictionary, the field's value
};

// One signed write: the entries and objects of the signature while the file
// is written into Sink(), then the signature over the finished bytes.
class SignedWrite {
public:
    explicit SignedWrite(const SignatureSettings& settings);

    // Where the file goes until it is signed.
    OutputSink& Sink() { return file_; }
    // The header version: at least 1.7, where readers expect signatures.
    std::string Version(std::string_view other) const;
    // The catalog's entries with the form that holds the signature field.
    PdfEntries CatalogEntries(const PdfEntries& others) const;
    // The widget to list in the first page's /Annots.
    std::int32_t FieldNumber() const { return settings_.fieldNumber; }
    // Gives the invisible widget an empty appearance in object `number`, as
    // archival documents require of every widget.
    void SetEmptyAppearance(std::int32_t number) { appearanceNumber_ = number; }
    // In a tagged document, the widget's key in the parent tree (-1: none);
    // it then also describes itself, as tagged annotations do.
    void SetStructParent(std::int32_t key) { structParent_ = key; }
    // The field and the signature dictionary, with room for the signature.
    void WriteObjects(ObjectWriter& file, std::int32_t firstPageNumber, std::string_view creationDate);
    // Fills in the byte range and the signature, then passes the file on.
    void SignInto(OutputSink& destination);

private:
    const SignatureSettings& settings_;
    GrowingBufferSink file_;
    std::size_t contentsRoom_ = 0;               // hexadecimal digits kept for the signature
    std::optional<std::uint64_t> dictionaryAt_;  // where the signature dictionary starts
    std::int32_t appearanceNumber_ = 0;
    std::int32_t structParent_ = -1;
};

}  // namespace vellum

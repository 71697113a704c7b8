// What a signed write adds: the signature field and dictionary while the file
// is written into memory, then the byte range and the signature over it.
#include <algorithm>
#include <limits>
#include <span>

#include "crypto.h"
#include "errors.h"
#include "signing.h"

namespace vellum {
namespace {

// The byte range is patched in place once the file's length is known, so its
// placeholder is as wide as the longest range it may hold; the numbers are
// written left-aligned and the rest filled with blanks.
constexpr std::string_view kByteRangeKey = "/ByteRange [";
constexpr std::string_view kByteRangePlaceholder = "0 0000000000 0000000000 0000000000";
constexpr std::string_view kContentsKey = "/Contents ";
constexpr std::string_view kFieldName = "Signature1";

constexpr auto kTextEscape = DocStringEscape::UnbalancedParentheses;

std::size_t Find(std::string_view file, std::string_view key, std::size_t from) {
    const std::size_t at = file.find(key, from);
    if (at == std::string_view::npos) throw EngineError("Cannot sign the document: its signature dictionary is lost");
    return at + key.size();
}

void Patch(char* file, std::size_t at, std::string_view text) { std::copy(text.begin(), text.end(), file + at); }

std::string ByteRangeText(std::size_t contentsStart, std::size_t contentsEnd, std::size_t fileSize) {
    std::string text = "0 " + std::to_string(contentsStart) + " " + std::to_string(contentsEnd) + " " +
                       std::to_string(fileSize - contentsEnd);
    if (text.size() > kByteRangePlaceholder.size()) throw EngineError("The document is too large to be signed");
    text.resize(kByteRangePlaceholder.size(), ' ');
    return text;
}

std::string HexDigits(const crypto::Bytes& bytes) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(2 * bytes.size());
    for (const std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

crypto::Bytes SignatureOver(const crypto::SigningIdentity& identity, std::string_view before, std::string_view after) {
    const crypto::ByteView pieces[] = {crypto::View(before), crypto::View(after)};
    try {
        return identity.SignDetached(pieces);
    } catch (const crypto::CryptoError& error) {
        throw EngineError(std::string("Cannot sign the document. ") + error.what());
    }
}

}  // namespace

SignedWrite::SignedWrite(const SignatureSettings& settings)
    : settings_(settings),
      file_(std::numeric_limits<std::size_t>::max(), "signed document"),
      contentsRoom_(2 * settings.identity->MaxSignatureSize()) {}

std::string SignedWrite::Version(std::string_view other) const {
    return std::string(std::max(other, std::string_view("1.7")));
}

PdfEntries SignedWrite::CatalogEntries(const PdfEntries& others) const {
    PdfEntries entries = others;
    entries.push_back({"AcroForm", PdfValue::Dictionary({{"Fields", PdfValue::Array({PdfValue::Reference(FieldNumber())})},
                                                         {"SigFlags", PdfValue::Integer(3)}})});
    return entries;
}

// The signature's value is written as it stands, never through the hook: an
// encrypted document keeps it in the clear, as readers expect. Everything in
// the dictionary before it is fixed text, so SignInto finds it again.
void SignedWrite::WriteObjects(ObjectWriter& file, std::int32_t firstPageNumber, std::string_view creationDate) {
    file.Object(settings_.fieldNumber, [&](PdfBody& text) {
        text.Raw("<<\r\n/Type /Annot\r\n/Subtype /Widget\r\n/FT /Sig\r\n/T ").Literal(kFieldName);
        text.Raw("\r\n/Rect [0 0 0 0]\r\n/F 132\r\n/P ").Reference(firstPageNumber);
        text.Raw("\r\n/V ").Reference(settings_.dictionaryNumber).Raw("\r\n");
        if (appearanceNumber_ != 0) text.Raw("/AP << /N ").Reference(appearanceNumber_).Raw(" >>\r\n");
        if (structParent_ >= 0) {
            text.Raw("/StructParent ").Integer(structParent_).Raw("\r\n/Contents (Digital signature)\r\n");
        }
        text.Raw(">>\r\n");
    });
    if (appearanceNumber_ != 0) {
        file.Stream(appearanceNumber_, "",
                    {{"Type", PdfValue::Name("XObject")},
                     {"Subtype", PdfValue::Name("Form")},
                     {"BBox", PdfValue::Array({PdfValue::Integer(0), PdfValue::Integer(0), PdfValue::Integer(0),
                                               PdfValue::Integer(0)})},
                     {"Length", PdfValue::StreamLength()}},
                    StreamEnd::NewLine);
    }
    dictionaryAt_ = file.Size();
    file.Object(settings_.dictionaryNumber, [&](PdfBody& text) {
        text.Raw("<<\r\n/Type /Sig\r\n/Filter /Adobe.PPKLite\r\n/SubFilter /ETSI.CAdES.detached\r\n");
        text.Raw(kByteRangeKey).Raw(kByteRangePlaceholder).Raw("]\r\n");
        text.Raw(kContentsKey).Raw("<").Raw(std::string(contentsRoom_, '0')).Raw(">\r\n");
        text.Raw("/M ").Literal("D:" + std::string(creationDate)).Raw("\r\n");
        if (!settings_.reason.empty()) text.Raw("/Reason ").DocumentText(settings_.reason, kTextEscape).Raw("\r\n");
        if (!settings_.location.empty()) {
            text.Raw("/Location ").DocumentText(settings_.location, kTextEscape).Raw("\r\n");
        }
        text.Raw(">>\r\n");
    });
}

// The byte range covers the whole file but the signature's hexadecimal
// string, its angle brackets included.
void SignedWrite::SignInto(OutputSink& destination) {
    if (!dictionaryAt_) throw EngineError("Cannot sign the document: its signature dictionary was not written");
    const std::size_t size = file_.Size();
    const MallocBlock block = file_.Release();
    const std::string_view whole(block.get(), size);
    const std::size_t byteRangeAt = Find(whole, kByteRangeKey, static_cast<std::size_t>(*dictionaryAt_));
    const std::size_t contentsStart = Find(whole, kContentsKey, byteRangeAt);
    const std::size_t contentsEnd = contentsStart + contentsRoom_ + 2;
    Patch(block.get(), byteRangeAt, ByteRangeText(contentsStart, contentsEnd, size));
    const crypto::Bytes signature =
        SignatureOver(*settings_.identity, whole.substr(0, contentsStart), whole.substr(contentsEnd));
    const std::string digits = HexDigits(signature);
    if (digits.size() > contentsRoom_) throw EngineError("Cannot sign the document: the signature outgrew its room");
    Patch(block.get(), contentsStart + 1, digits);
    destination.Write(whole);
}

}  // namespace vellum

#include "attachments.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <utility>

#include "ascii.h"
#include "creation_date.h"
#include "document.h"
#include "errors.h"
#include "file_input.h"
#include "format.h"
#include "unicode_text.h"

namespace vellum {
namespace {

constexpr std::size_t kMaxAttachmentBytes = std::size_t{1} << 30;
constexpr std::string_view kRelationships[] = {"Source", "Data", "Alternative", "Supplement", "Unspecified"};

std::filesystem::path PathOf(const std::string& fileName) {
    return std::filesystem::path(std::u8string(fileName.begin(), fileName.end()));
}

std::string FileNameOf(const std::string& fileName) {
    const std::u8string name = PathOf(fileName).filename().u8string();
    return std::string(name.begin(), name.end());
}

// Archival readers require the date; a file system that cannot give it
// leaves the moment the file is attached.
std::string ModificationTime(const std::string& fileName) {
    std::error_code error;
    const auto changed = std::filesystem::last_write_time(PathOf(fileName), error);
    const auto moment = error ? std::chrono::system_clock::now()
                              : std::chrono::time_point_cast<std::chrono::system_clock::duration>(
                                    std::chrono::file_clock::to_sys(changed));
    std::time_t seconds = std::chrono::system_clock::to_time_t(moment);
    // Reproducible output: no moment later than the one it fixes.
    if (const auto fixed = ReproducibleMoment(); fixed && *fixed < seconds) seconds = *fixed;
    std::tm utc{};
#if defined(_WIN32)
    gmtime_s(&utc, &seconds);
#else
    gmtime_r(&seconds, &utc);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d%H%M%SZ", &utc);
    return text;
}

// "type/subtype" of printable ASCII without blanks or delimiters; the name
// that carries it escapes the slash (#2F).
bool IsMimeType(std::string_view type) {
    const std::size_t slash = type.find('/');
    if (slash == 0 || slash == std::string_view::npos || slash + 1 == type.size()) return false;
    if (type.find('/', slash + 1) != std::string_view::npos) return false;
    return std::all_of(type.begin(), type.end(), [](char c) {
        return c > 0x20 && c < 0x7F && std::string_view("()<>[]{}%#\\\"").find(c) == std::string_view::npos;
    });
}

std::string Relationship(std::string_view given) {
    if (given.empty()) return "Unspecified";
    for (const std::string_view known : kRelationships) {
        if (EqualsIgnoringAsciiCase(given, known)) return std::string(known);
    }
    throw EngineError("Unknown relationship \"" + std::string(given) +
                      "\": use Source, Data, Alternative, Supplement or Unspecified");
}

}  // namespace

Attachment ReadAttachment(const AttachmentRequest& request, const std::vector<Attachment>& attached) {
    Attachment attachment;
    attachment.name = request.name.empty() ? FileNameOf(request.fileName) : request.name;
    if (attachment.name.empty()) throw EngineError("An attachment needs a name");
    for (const Attachment& earlier : attached) {
        if (earlier.name == attachment.name) {
            throw EngineError("A file named \"" + attachment.name + "\" is already attached");
        }
    }
    attachment.mimeType = request.mimeType.empty() ? "application/octet-stream" : request.mimeType;
    if (!IsMimeType(attachment.mimeType)) {
        throw EngineError("\"" + request.mimeType + "\" is no MIME type: give one such as text/xml or application/pdf");
    }
    attachment.relationship = Relationship(request.relationship);
    attachment.description = request.description;
    if (!IsExistingFile(request.fileName)) throw EngineError("Cannot attach \"" + request.fileName + "\": no such file");
    std::string bytes;
    try {
        bytes = ReadWholeFile(request.fileName, kMaxAttachmentBytes);
    } catch (const EngineError& error) {
        throw EngineError("Cannot attach \"" + request.fileName + "\": " + error.what());
    }
    attachment.size = bytes.size();
    attachment.compressed = std::make_shared<const std::string>(CompressString(bytes));
    attachment.modified = ModificationTime(request.fileName);
    return attachment;
}

void TPDFDoc::AttachFile(const AttachmentRequest& request) {
    RequireReady();
    attachments_.push_back(ReadAttachment(request, attachments_));
}

AttachmentsForWrite::AttachmentsForWrite(TPDFDoc& doc, const std::vector<Attachment>& attachments, bool associated)
    : doc_(doc), attachments_(attachments), associated_(associated) {
    if (attachments.empty()) return;
    const auto count = static_cast<std::int32_t>(attachments.size());
    doc.RequireObjectRoom(2 * count);
    firstNumber_ = doc.NextObjectNumber();
    for (std::int32_t i = 1; i < 2 * count; ++i) doc.NextObjectNumber();

    // A name tree's keys stand in byte order.
    std::vector<std::pair<std::string, std::int32_t>> keys;
    std::vector<PdfValue> filespecs;
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t filespec = firstNumber_ + 2 * i + 1;
        keys.emplace_back(EncodeDocumentString(attachments[static_cast<std::size_t>(i)].name).bytes, filespec);
        filespecs.push_back(PdfValue::Reference(filespec));
    }
    std::sort(keys.begin(), keys.end());
    std::vector<PdfValue> names;
    for (const auto& [key, filespec] : keys) {
        names.push_back(PdfValue::Hex(key));
        names.push_back(PdfValue::Reference(filespec));
    }
    FileAdditions additions = doc.Additions;
    additions.catalog.push_back(
        {"Names", PdfValue::Dictionary({{"EmbeddedFiles", PdfValue::Dictionary({{"Names", PdfValue::Array(names)}})}})});
    if (associated) additions.catalog.push_back({"AF", PdfValue::Array(filespecs)});
    previous_ = std::exchange(doc.Additions, std::move(additions));
}

AttachmentsForWrite::~AttachmentsForWrite() {
    if (firstNumber_ != 0) doc_.Additions = std::move(previous_);
}

void AttachmentsForWrite::WriteObjects(ObjectWriter& file) const {
    constexpr auto kEscape = DocStringEscape::UnbalancedParentheses;
    std::int32_t number = firstNumber_;
    for (const Attachment& attachment : attachments_) {
        const std::int32_t stream = number++;
        const std::int32_t filespec = number++;
        const PdfEntries dictionary = {
            {"Type", PdfValue::Name("EmbeddedFile")},
            {"Subtype", PdfValue::Name(EscapePdfName(attachment.mimeType))},
            {"Params", PdfValue::Dictionary({{"Size", PdfValue::Integer(static_cast<std::int64_t>(attachment.size))},
                                             {"ModDate", PdfValue::Literal("D:" + attachment.modified)}})},
            {"Length", PdfValue::StreamLength()},
            {"Filter", PdfValue::Name("FlateDecode")}};
        file.Stream(stream, *attachment.compressed, dictionary, StreamEnd::NewLine);
        file.Object(filespec, [&](PdfBody& text) {
            text.Raw("<<\r\n/Type /Filespec\r\n/F ").DocumentText(attachment.name, kEscape);
            text.Raw("\r\n/UF ").DocumentText(attachment.name, kEscape);
            text.Raw("\r\n/EF << /F ").Reference(stream).Raw(" /UF ").Reference(stream).Raw(" >>\r\n");
            if (!attachment.description.empty()) text.Raw("/Desc ").DocumentText(attachment.description, kEscape).Raw("\r\n");
            if (associated_) text.Raw("/AFRelationship ").Name(attachment.relationship).Raw("\r\n");
            text.Raw(">>\r\n");
        });
    }
}

}  // namespace vellum

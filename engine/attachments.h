// Files a document carries inside it (embedded files): each an /EmbeddedFile
// stream with its MIME type, size and modification date, and a file
// /Filespec dictionary listed in the catalog's /EmbeddedFiles name tree. Archival
// part 3 documents also say how each file relates to the document
// (/AFRelationship) and list them in the catalog's /AF array, as e-invoices
// (the invoice's XML beside its printable form) need.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pdf_object.h"

namespace vellum {

class TPDFDoc;

struct AttachmentRequest {
    std::string fileName;
    std::string name;          // as readers list it; empty: the file's own name
    std::string mimeType;      // "text/xml"; empty: application/octet-stream
    std::string relationship;  // Source, Data, Alternative, Supplement or Unspecified (empty)
    std::string description;
};

struct Attachment {
    std::string name, mimeType, relationship, description;
    std::string modified;  // "yyyymmddhhnnssZ", the file's modification time in UTC,
                           // at most SOURCE_DATE_EPOCH's moment
    std::shared_ptr<const std::string> compressed;
    std::size_t size = 0;
};

// The checked attachment, its file read whole. Throws EngineError for a file
// that cannot be read, a name already in `attached`, a malformed MIME type or
// an unknown relationship.
Attachment ReadAttachment(const AttachmentRequest& request, const std::vector<Attachment>& attached);

// Adds the name tree (and, for part 3, /AF) to the document's catalog for one
// write and puts the earlier additions back when it ends; writes the streams
// and /Filespec dictionaries.
class AttachmentsForWrite {
public:
    AttachmentsForWrite(TPDFDoc& doc, const std::vector<Attachment>& attachments, bool associated);
    ~AttachmentsForWrite();
    AttachmentsForWrite(const AttachmentsForWrite&) = delete;
    AttachmentsForWrite& operator=(const AttachmentsForWrite&) = delete;

    void WriteObjects(ObjectWriter& file) const;

private:
    TPDFDoc& doc_;
    const std::vector<Attachment>& attachments_;
    bool associated_;
    std::int32_t firstNumber_ = 0;  // stream, then /Filespec, per attachment
    FileAdditions previous_;
};

}  // namespace vellum

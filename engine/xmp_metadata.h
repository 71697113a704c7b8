// The XMP packet of an archival (PDF/A) document: the document information
// again, in the form archival readers take as authoritative, and the level
// the document claims. Validators compare every information entry with its
// XMP property, so the packet carries exactly the entries the information
// dictionary carries, with the same text and the same moment. The packet goes
// into the catalog's /Metadata stream (/Type /Metadata /Subtype /XML) with no
// filter, as the first archival level demands.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vellum {

// The claimed level: part 1, 2 or 3 with conformance 'B' (appearance
// preserved), or part 2 or 3 with 'U' (text also extractable as Unicode).
struct PdfaLevel {
    int part = 1;
    char conformance = 'B';
};
// No archival level: the packet claims none (an accessible document's).
inline constexpr PdfaLevel kNoPdfaLevel{0, 0};

// The information entries as the information dictionary writes them. An
// entry it leaves out is nullopt and has no property; one it writes empty is
// "" and gets an empty property, since a validator asks the packet for every
// entry of the dictionary. Texts are UTF-8 (other bytes read as
// Windows-1252, as in the dictionary).
struct XmpDocumentInfo {
    std::optional<std::string> title, author, subject, keywords, creator, producer;
    // As after "D:" in the dictionary: "yyyymmddhhnnss", then nothing (zone
    // unknown), "Z", or "+hh'mm'" / "-hh'mm'". Empty: no such entry.
    std::string creationDate, modificationDate;
};

// The whole packet, from "<?xpacket begin" to "<?xpacket end="w"?>", in UTF-8.
// Each of `extraDescriptions` is an rdf:Description element of the caller's,
// placed as it stands after the packet's own (it must be well-formed and
// declare its namespaces). Throws EngineError for a level that does not exist,
// a malformed date, or an extra block that would end the packet early.
std::string XmpPacket(const XmpDocumentInfo& info, PdfaLevel level,
                      const std::vector<std::string>& extraDescriptions = {});

// Text for XML, UTF-8 (other bytes read as Windows-1252): markup characters
// escaped, a carriage return as a reference (a parser would read it as a line
// feed), characters XML cannot carry at all (most controls, U+FFFE and
// U+FFFF) left out; in an attribute value also tabs and line feeds as
// references, which a parser would otherwise turn into spaces.
std::string XmlText(std::string_view text, bool attribute = false);

// A dictionary date ("yyyymmddhhnnss" and zone, as above) as an XMP date:
// "yyyy-mm-ddThh:mm:ss" and "", "Z" or "+hh:mm" / "-hh:mm". Throws
// EngineError for any other form.
std::string XmpDate(std::string_view pdfDate);

}  // namespace vellum

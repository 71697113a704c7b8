#include "xmp_metadata.h"

#include "errors.h"
#include "unicode_text.h"

namespace vellum {
namespace {

constexpr std::string_view kPacketStart =
    "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
    "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
    "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n";
constexpr std::string_view kPacketEnd = "</rdf:RDF>\n</x:xmpmeta>\n";
constexpr std::string_view kTrailer = "<?xpacket end=\"w\"?>";
// Room for an editor to grow the packet in place, as XMP recommends.
constexpr int kPaddingLines = 20;
constexpr std::string_view kPaddingLine =
    "                                                                                                   \n";

// U+FFFE or U+FFFF, three bytes in UTF-8.
bool IsNonCharacterAt(std::string_view utf8, std::size_t i) {
    return utf8.substr(i, 3) == "\xEF\xBF\xBE" || utf8.substr(i, 3) == "\xEF\xBF\xBF";
}

struct Property {
    std::string_view name;  // prefixed
    std::string value;      // already XML
};

// One rdf:Description per schema, left out when it has no property.
void AppendDescription(std::string& out, std::string_view prefix, std::string_view uri,
                       const std::vector<Property>& properties) {
    if (properties.empty()) return;
    out += "<rdf:Description rdf:about=\"\" xmlns:";
    out += prefix;
    out += "=\"";
    out += uri;
    out += "\">\n";
    for (const Property& property : properties) {
        out += '<';
        out += property.name;
        out += '>';
        out += property.value;
        out += "</";
        out += property.name;
        out += ">\n";
    }
    out += "</rdf:Description>\n";
}

std::string LanguageAlternative(std::string_view text) {
    return "<rdf:Alt><rdf:li xml:lang=\"x-default\">" + XmlText(text) + "</rdf:li></rdf:Alt>";
}

void AddText(std::vector<Property>& properties, std::string_view name, const std::optional<std::string>& text) {
    if (text) properties.push_back({name, XmlText(*text)});
}

void AddDate(std::vector<Property>& properties, std::string_view name, const std::string& pdfDate) {
    if (!pdfDate.empty()) properties.push_back({name, XmpDate(pdfDate)});
}

std::vector<Property> DublinCore(const XmpDocumentInfo& info) {
    std::vector<Property> properties;
    if (info.title) properties.push_back({"dc:title", LanguageAlternative(*info.title)});
    // The author as one name: splitting it would no longer match the dictionary.
    if (info.author) {
        properties.push_back({"dc:creator", "<rdf:Seq><rdf:li>" + XmlText(*info.author) + "</rdf:li></rdf:Seq>"});
    }
    if (info.subject) properties.push_back({"dc:description", LanguageAlternative(*info.subject)});
    return properties;
}

void CheckLevel(PdfaLevel level) {
    if (level.part == kNoPdfaLevel.part && level.conformance == kNoPdfaLevel.conformance) return;
    const bool known = (level.part >= 1 && level.part <= 3 && level.conformance == 'B') ||
                       ((level.part == 2 || level.part == 3) && level.conformance == 'U');
    if (!known) {
        throw EngineError("There is no PDF/A-" + std::to_string(level.part) + std::string(1, level.conformance) +
                          " level: PDF/A-1b, -2b, -2u, -3b and -3u are written");
    }
}

void CheckExtra(std::string_view description) {
    if (description.find("<?xpacket") != std::string_view::npos ||
        description.find("</rdf:RDF") != std::string_view::npos ||
        description.find("</x:xmpmeta") != std::string_view::npos) {
        throw EngineError("Extra XMP metadata must hold rdf:Description elements only, not the packet's own markers");
    }
}

// ---- dates

bool Digits(std::string_view text, std::size_t from, std::size_t count, int low, int high, int& value) {
    if (from + count > text.size()) return false;
    value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return value >= low && value <= high;
}

// "", "Z", "+hh'mm'" or "+hh'mm" (and "-") as "", "Z", "+hh:mm".
bool XmpZone(std::string_view zone, std::string& out) {
    if (zone.empty() || zone == "Z") {
        out += zone;
        return true;
    }
    int hours = 0, minutes = 0;
    const bool signedOffset = zone[0] == '+' || zone[0] == '-';
    const bool shaped =
        zone.size() >= 6 && zone[3] == '\'' && (zone.size() == 6 || (zone.size() == 7 && zone[6] == '\''));
    if (!signedOffset || !shaped || !Digits(zone, 1, 2, 0, 23, hours) || !Digits(zone, 4, 2, 0, 59, minutes)) {
        return false;
    }
    out += zone.substr(0, 3);
    out += ':';
    out += zone.substr(4, 2);
    return true;
}

}  // namespace

std::string XmlText(std::string_view text, bool attribute) {
    const std::string utf8 = ToUtf8Text(text);
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            case '\r': out += "&#xD;"; break;
            case '\t': out += attribute ? "&#x9;" : "\t"; break;
            case '\n': out += attribute ? "&#xA;" : "\n"; break;
            default:
                if (IsNonCharacterAt(utf8, i)) {
                    i += 2;
                } else if (static_cast<unsigned char>(c) >= 0x20) {
                    out += c;
                }
        }
    }
    return out;
}

std::string XmpDate(std::string_view pdfDate) {
    struct Field {
        std::size_t from, count;
        int low, high;
        char before;  // the separator written ahead of it, 0 for none
    };
    constexpr Field kFields[] = {{0, 4, 0, 9999, 0}, {4, 2, 1, 12, '-'}, {6, 2, 1, 31, '-'},
                                 {8, 2, 0, 23, 'T'}, {10, 2, 0, 59, ':'}, {12, 2, 0, 59, ':'}};
    std::string out;
    int value = 0;
    bool valid = pdfDate.size() >= 14;
    for (const Field& field : kFields) {
        if (!valid) break;
        valid = Digits(pdfDate, field.from, field.count, field.low, field.high, value);
        if (field.before != 0) out += field.before;
        out += pdfDate.substr(field.from, field.count);
    }
    if (!valid || !XmpZone(pdfDate.substr(14), out)) {
        throw EngineError("\"" + std::string(pdfDate) +
                          "\" is not a date of the form yyyymmddhhnnss with an optional zone");
    }
    return out;
}

std::string XmpPacket(const XmpDocumentInfo& info, PdfaLevel level, const std::vector<std::string>& extraDescriptions) {
    CheckLevel(level);
    for (const std::string& description : extraDescriptions) CheckExtra(description);

    std::vector<Property> pdf, basic;
    AddText(pdf, "pdf:Keywords", info.keywords);
    AddText(pdf, "pdf:Producer", info.producer);
    AddText(basic, "xmp:CreatorTool", info.creator);
    AddDate(basic, "xmp:CreateDate", info.creationDate);
    AddDate(basic, "xmp:ModifyDate", info.modificationDate);
    std::vector<Property> identification;
    if (level.part != kNoPdfaLevel.part || level.conformance != kNoPdfaLevel.conformance) {
        identification = {{"pdfaid:part", std::to_string(level.part)},
                          {"pdfaid:conformance", std::string(1, level.conformance)}};
    }

    std::string packet(kPacketStart);
    AppendDescription(packet, "dc", "http://purl.org/dc/elements/1.1/", DublinCore(info));
    AppendDescription(packet, "pdf", "http://ns.adobe.com/pdf/1.3/", pdf);
    AppendDescription(packet, "xmp", "http://ns.adobe.com/xap/1.0/", basic);
    AppendDescription(packet, "pdfaid", "http://www.aiim.org/pdfa/ns/id/", identification);
    for (const std::string& description : extraDescriptions) {
        packet += ToUtf8Text(description);
        if (packet.back() != '\n') packet += '\n';
    }
    packet += kPacketEnd;
    for (int i = 0; i < kPaddingLines; ++i) packet += kPaddingLine;
    packet += kTrailer;
    return packet;
}

}  // namespace vellum

#include "xmp_extension.h"

#include <expat.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <type_traits>

#include "errors.h"
#include "xmp_metadata.h"
#include "unicode_text.h"

namespace vellum {
namespace {

constexpr std::string_view kRdfNamespace = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
constexpr std::size_t kMaxDescriptionBytes = std::size_t{1} << 20;

struct ReservedNamespace {
    std::string_view prefix, uri;
};
// What the packet writes or declares itself, and the extension schema's
// own vocabulary: a caller's property there would clash with ours or
// could not be declared.
constexpr ReservedNamespace kReserved[] = {
    {"dc", "http://purl.org/dc/elements/1.1/"},
    {"pdf", "http://ns.adobe.com/pdf/1.3/"},
    {"xmp", "http://ns.adobe.com/xap/1.0/"},
    {"pdfaid", "http://www.aiim.org/pdfa/ns/id/"},
    {"pdfuaid", "http://www.aiim.org/pdfua/ns/id/"},
    {"pdfaExtension", "http://www.aiim.org/pdfa/ns/extension/"},
    {"pdfaSchema", "http://www.aiim.org/pdfa/ns/schema#"},
    {"pdfaProperty", "http://www.aiim.org/pdfa/ns/property#"},
    {"pdfaType", "http://www.aiim.org/pdfa/ns/type#"},
    {"pdfaField", "http://www.aiim.org/pdfa/ns/field#"},
    {"rdf", kRdfNamespace},
    {"x", "adobe:ns:meta/"},
    {"xml", kXmlNamespace},
};

const ReservedNamespace* FindReserved(std::string_view ReservedNamespace::*field, std::string_view value) {
    const auto found = std::find_if(std::begin(kReserved), std::end(kReserved),
                                    [&](const ReservedNamespace& reserved) { return reserved.*field == value; });
    return found == std::end(kReserved) ? nullptr : found;
}

// ---- reading

// Not a character XML can hold, so no name or namespace can contain it.
constexpr XML_Char kSeparator = '\x01';

// An element or attribute name as expat gives it with namespace triplets:
// "uri SEP local SEP prefix", "uri SEP local" (no prefix) or "local".
struct ExpandedName {
    std::string_view uri, local, prefix;

    std::string Display() const {
        if (!prefix.empty()) return std::string(prefix) + ":" + std::string(local);
        if (!uri.empty()) return "{" + std::string(uri) + "}" + std::string(local);
        return std::string(local);
    }
};

ExpandedName Split(const XML_Char* name) {
    const std::string_view text(name);
    const std::size_t first = text.find(kSeparator);
    if (first == std::string_view::npos) return {{}, text, {}};
    const std::size_t second = text.find(kSeparator, first + 1);
    if (second == std::string_view::npos) return {text.substr(0, first), text.substr(first + 1), {}};
    return {text.substr(0, first), text.substr(first + 1, second - first - 1), text.substr(second + 1)};
}

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string Quoted(std::string_view text) {
    constexpr std::size_t kShown = 40;
    return "\"" + std::string(text.substr(0, kShown)) + (text.size() > kShown ? "...\"" : "\"");
}

using ParserHandle = std::unique_ptr<std::remove_pointer_t<XML_Parser>, decltype(&XML_ParserFree)>;

// Follows expat's events, keeping the first failure; expat is stopped then,
// and no exception ever crosses its C frames.
class DescriptionReader {
public:
    XmpCustomSchema Read(std::string_view utf8) {
        const ParserHandle parser(XML_ParserCreateNS("UTF-8", kSeparator), &XML_ParserFree);
        if (!parser) throw std::bad_alloc();
        parser_ = parser.get();
        XML_SetUserData(parser_, this);
        XML_SetReturnNSTriplet(parser_, XML_TRUE);
        XML_SetParamEntityParsing(parser_, XML_PARAM_ENTITY_PARSING_NEVER);
        XML_SetElementHandler(parser_, &OnStart, &OnEnd);
        XML_SetCharacterDataHandler(parser_, &OnText);
        XML_SetStartDoctypeDeclHandler(parser_, &OnDoctype);
        XML_SetEntityDeclHandler(parser_, &OnEntity);
        const XML_Status status = XML_Parse(parser_, utf8.data(), static_cast<int>(utf8.size()), XML_TRUE);
        if (caught_) std::rethrow_exception(caught_);
        if (failure_) throw EngineError(*failure_);
        if (status != XML_STATUS_OK) {
            throw EngineError(AtLine("not well-formed XML: ") + XML_ErrorString(XML_GetErrorCode(parser_)));
        }
        if (schema_.properties.empty()) throw EngineError("XMP metadata: the rdf:Description holds no property");
        return std::move(schema_);
    }

private:
    template <class Step>
    static void Guarded(void* self, Step&& step) {
        auto& reader = *static_cast<DescriptionReader*>(self);
        if (reader.Stopped()) return;
        try {
            step(reader);
        } catch (...) {
            reader.caught_ = std::current_exception();
            XML_StopParser(reader.parser_, XML_FALSE);
        }
    }
    static void XMLCALL OnStart(void* self, const XML_Char* name, const XML_Char** attributes) {
        Guarded(self, [&](DescriptionReader& reader) { reader.Start(Split(name), attributes); });
    }
    static void XMLCALL OnEnd(void* self, const XML_Char*) {
        Guarded(self, [](DescriptionReader& reader) { --reader.depth_; });
    }
    static void XMLCALL OnText(void* self, const XML_Char* text, int length) {
        Guarded(self, [&](DescriptionReader& reader) { reader.Text({text, static_cast<std::size_t>(length)}); });
    }
    static void XMLCALL OnDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*, int) {
        Guarded(self, [](DescriptionReader& reader) {
            reader.Fail("a document type declaration is refused (entities are not expanded)");
        });
    }
    static void XMLCALL OnEntity(void* self, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                                 const XML_Char*, const XML_Char*, const XML_Char*) {
        Guarded(self, [](DescriptionReader& reader) { reader.Fail("entity declarations are refused"); });
    }

    bool Stopped() const { return failure_ || caught_; }

    std::string AtLine(std::string_view message) const {
        return "XMP metadata, line " + std::to_string(XML_GetCurrentLineNumber(parser_)) + ": " +
               std::string(message);
    }

    void Fail(std::string_view message) {
        failure_ = AtLine(message);
        XML_StopParser(parser_, XML_FALSE);
    }

    void Start(const ExpandedName& name, const XML_Char** attributes) {
        if (depth_ == 0) {
            StartDescription(name, attributes);
        } else if (depth_ == 1) {
            StartProperty(name, attributes);
        } else {
            Fail(Property().Display() + " holds the element " + name.Display() +
                 ": only properties whose value is text alone can be added, not arrays or structures");
        }
        ++depth_;
    }

    void StartDescription(const ExpandedName& name, const XML_Char** attributes) {
        if (name.uri != kRdfNamespace || name.local != "Description") {
            Fail("the element is " + name.Display() + ": it must be one rdf:Description (namespace " +
                 std::string(kRdfNamespace) + ")");
            return;
        }
        for (const XML_Char** attribute = attributes; *attribute != nullptr && !Stopped(); attribute += 2) {
            const ExpandedName attributeName = Split(attribute[0]);
            const std::string_view value(attribute[1]);
            const bool rdfOrXml = attributeName.uri == kRdfNamespace || attributeName.uri == kXmlNamespace;
            if (attributeName.uri == kRdfNamespace && attributeName.local == "about") {
                if (!value.empty()) {
                    Fail("rdf:about is " + Quoted(value) +
                         ": it must be empty, the properties being those of the document itself");
                }
            } else if (rdfOrXml || attributeName.uri.empty()) {
                Fail("rdf:Description carries the attribute " + attributeName.Display() +
                     ": only rdf:about=\"\" and properties can stand there");
            } else {
                AddProperty(attributeName, std::string(value));
            }
        }
    }

    void StartProperty(const ExpandedName& name, const XML_Char** attributes) {
        if (*attributes != nullptr) {
            Fail(name.Display() + " carries the attribute " + Split(attributes[0]).Display() +
                 ": only properties whose value is text alone can be added");
            return;
        }
        AddProperty(name, "");
    }

    void AddProperty(const ExpandedName& name, std::string value) {
        if (name.uri.empty()) {
            Fail("the property " + name.Display() + " is in no namespace: declare one with a prefix");
        } else if (FindReserved(&ReservedNamespace::uri, name.uri) != nullptr) {
            Fail("the property " + name.Display() + " is in " + std::string(name.uri) +
                 ", a namespace the packet writes or declares itself; only properties of another schema can be added");
        } else if (name.prefix.empty()) {
            Fail("the property " + name.Display() + " has no namespace prefix: declare its namespace as xmlns:PREFIX");
        } else if (const ReservedNamespace* reserved = FindReserved(&ReservedNamespace::prefix, name.prefix)) {
            Fail("the prefix " + std::string(name.prefix) + " is the packet's own, for " + std::string(reserved->uri) +
                 "; choose another for " + std::string(name.uri));
        } else if (!schema_.namespaceUri.empty() && name.uri != schema_.namespaceUri) {
            Fail("the properties are in two namespaces, " + schema_.namespaceUri + " and " + std::string(name.uri) +
                 ": give each schema's properties in a description of its own");
        } else if (HasProperty(name.local)) {
            Fail("the property " + name.Display() + " is given twice");
        } else {
            if (schema_.namespaceUri.empty()) {
                schema_.namespaceUri = name.uri;
                schema_.prefix = name.prefix;
            }
            schema_.properties.push_back({std::string(name.local), std::move(value)});
        }
    }

    bool HasProperty(std::string_view local) const {
        return std::any_of(schema_.properties.begin(), schema_.properties.end(),
                           [&](const XmpProperty& property) { return property.name == local; });
    }

    ExpandedName Property() const { return {schema_.namespaceUri, schema_.properties.back().name, schema_.prefix}; }

    void Text(std::string_view text) {
        if (depth_ == 2) {  // in the property element last added
            schema_.properties.back().value += text;
        } else if (!std::all_of(text.begin(), text.end(), IsXmlSpace)) {
            Fail("the text " + Quoted(text) + " stands outside any property");
        }
    }

    XML_Parser parser_ = nullptr;
    int depth_ = 0;
    XmpCustomSchema schema_;
    std::optional<std::string> failure_;
    std::exception_ptr caught_;
};

// ---- writing

void AppendElement(std::string& out, std::string_view name, std::string_view text) {
    out += '<';
    out += name;
    out += '>';
    out += XmlText(text);
    out += "</";
    out += name;
    out += ">\n";
}

void AppendPropertyDeclaration(std::string& out, const XmpProperty& property) {
    out += "<rdf:li rdf:parseType=\"Resource\">\n";
    AppendElement(out, "pdfaProperty:name", property.name);
    AppendElement(out, "pdfaProperty:valueType", property.valueType);
    AppendElement(out, "pdfaProperty:category", property.category);
    AppendElement(out, "pdfaProperty:description", property.name);
    out += "</rdf:li>\n";
}

void AppendSchemaDeclaration(std::string& out, const XmpCustomSchema& schema) {
    out += "<rdf:li rdf:parseType=\"Resource\">\n";
    AppendElement(out, "pdfaSchema:schema", "Properties in " + schema.namespaceUri);
    AppendElement(out, "pdfaSchema:namespaceURI", schema.namespaceUri);
    AppendElement(out, "pdfaSchema:prefix", schema.prefix);
    out += "<pdfaSchema:property>\n<rdf:Seq>\n";
    for (const XmpProperty& property : schema.properties) AppendPropertyDeclaration(out, property);
    out += "</rdf:Seq>\n</pdfaSchema:property>\n</rdf:li>\n";
}

// One schema per namespace, properties in first-seen order.
std::vector<XmpCustomSchema> Merged(const std::vector<XmpCustomSchema>& schemas) {
    std::vector<XmpCustomSchema> merged;
    for (std::size_t i = 0; i < schemas.size(); ++i) {
        CheckJoinable(std::span(schemas).first(i), schemas[i]);
        const auto same = std::find_if(merged.begin(), merged.end(), [&](const XmpCustomSchema& schema) {
            return schema.namespaceUri == schemas[i].namespaceUri;
        });
        if (same == merged.end()) {
            merged.push_back(schemas[i]);
        } else {
            same->properties.insert(same->properties.end(), schemas[i].properties.begin(),
                                    schemas[i].properties.end());
        }
    }
    return merged;
}

}  // namespace

XmpCustomSchema ReadRdfDescription(std::string_view rdf) {
    if (rdf.size() > kMaxDescriptionBytes) {
        throw EngineError("XMP metadata of " + std::to_string(rdf.size()) + " bytes is over the limit of 1 MB");
    }
    return DescriptionReader().Read(ToUtf8Text(rdf));
}

std::string XmpDescriptionBlock(const XmpCustomSchema& schema) {
    std::string out = "<rdf:Description rdf:about=\"\" xmlns:" + schema.prefix + "=\"" +
                      XmlText(schema.namespaceUri, true) + "\">\n";
    for (const XmpProperty& property : schema.properties) {
        AppendElement(out, schema.prefix + ":" + property.name, property.value);
    }
    out += "</rdf:Description>\n";
    return out;
}

void CheckJoinable(std::span<const XmpCustomSchema> earlier, const XmpCustomSchema& next) {
    for (const XmpCustomSchema& schema : earlier) {
        const bool sameUri = schema.namespaceUri == next.namespaceUri;
        if (sameUri != (schema.prefix == next.prefix)) {
            throw EngineError("XMP metadata: the prefix " + next.prefix + " for " + next.namespaceUri +
                              " conflicts with the prefix " + schema.prefix + " given for " + schema.namespaceUri +
                              " before; use one prefix for each namespace");
        }
        if (!sameUri) continue;
        for (const XmpProperty& property : next.properties) {
            const bool repeated = std::any_of(schema.properties.begin(), schema.properties.end(),
                                              [&](const XmpProperty& given) { return given.name == property.name; });
            if (repeated) {
                throw EngineError("XMP metadata: the property " + next.prefix + ":" + property.name +
                                  " was given before");
            }
        }
    }
}

std::string ExtensionSchemaBlock(const std::vector<XmpCustomSchema>& schemas) {
    if (schemas.empty()) return {};
    std::string out =
        "<rdf:Description rdf:about=\"\" xmlns:pdfaExtension=\"http://www.aiim.org/pdfa/ns/extension/\""
        " xmlns:pdfaSchema=\"http://www.aiim.org/pdfa/ns/schema#\""
        " xmlns:pdfaProperty=\"http://www.aiim.org/pdfa/ns/property#\">\n"
        "<pdfaExtension:schemas>\n<rdf:Bag>\n";
    for (const XmpCustomSchema& schema : Merged(schemas)) AppendSchemaDeclaration(out, schema);
    out += "</rdf:Bag>\n</pdfaExtension:schemas>\n</rdf:Description>\n";
    return out;
}

std::vector<std::string> CustomDescriptions(const std::vector<XmpCustomSchema>& schemas) {
    if (schemas.empty()) return {};
    std::vector<std::string> descriptions = {ExtensionSchemaBlock(schemas)};
    for (const XmpCustomSchema& schema : schemas) descriptions.push_back(XmpDescriptionBlock(schema));
    return descriptions;
}

}  // namespace vellum

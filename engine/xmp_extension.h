// A caller's own XMP properties in an archival (PDF/A) packet, such as the
// e-invoice properties of Factur-X/ZUGFeRD. PDF/A readers reject a property
// whose schema they do not know unless the packet declares that schema in a
// PDF/A extension schema, so the caller's rdf:Description is read (with
// expat, never by hand) into the schema it uses, and the packet receives
// that description rewritten in our own form together with the declaration.
//
// Only properties whose value is text alone are taken: that is what the
// declaration can describe exactly (value type Text), and it covers the
// e-invoice schemas. Arrays, structures, language alternatives and resource
// references are refused with a message that says so.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vellum {

struct XmpProperty {
    std::string name;   // local name, as "DocumentType"
    std::string value;  // the text, UTF-8, references resolved
    // As the extension schema declares it: a caller's are external text;
    // the packet's own claims may be of another type and internal.
    std::string valueType = "Text";
    std::string category = "external";

    bool operator==(const XmpProperty&) const = default;
};

// The properties of one rdf:Description, all in one namespace.
struct XmpCustomSchema {
    std::string namespaceUri;
    std::string prefix;                   // the caller's, never empty
    std::vector<XmpProperty> properties;  // in the caller's order, no name twice

    bool operator==(const XmpCustomSchema&) const = default;
};

// Reads one rdf:Description element (RDF namespace, rdf:about="" or no
// rdf:about) whose properties (child elements holding text only, or
// attributes of the description, RDF's shorthand) are all in one namespace
// with a prefix, neither of which the packet uses itself (dc, pdf, xmp,
// pdfaid, pdfuaid, the extension schema's, rdf, x, xml). Text that is not valid UTF-8
// is read as Windows-1252, as every text of the document is, whatever an XML
// declaration says (the caller hands over text, not encoded bytes); the
// declaration, comments and processing instructions are dropped. Throws
// EngineError, with the line, for text over 1 MB, XML that is not
// well-formed (expat's message), a document type declaration (entities are
// never expanded), another root element, nested markup or attributes in a
// property, mixed or reserved namespaces, a property given twice, or no
// property at all.
XmpCustomSchema ReadRdfDescription(std::string_view rdf);

// The schema's properties as an rdf:Description for the packet, in the form
// of the packet's own descriptions: rdf:about="", the one namespace
// declared with the caller's prefix (rdf is the packet's, declared on
// rdf:RDF), one element per property, text escaped.
std::string XmpDescriptionBlock(const XmpCustomSchema& schema);

// Throws EngineError when `next` cannot stand in one packet with `earlier`:
// its namespace came before with another prefix, its prefix with another
// namespace (the declaration names each schema by both), or a property it
// gives was given before. Call it as each description is added, so that the
// caller hears of a conflict then rather than when the document is written.
void CheckJoinable(std::span<const XmpCustomSchema> earlier, const XmpCustomSchema& next);

// The rdf:Description holding the pdfaExtension:schemas Bag that declares
// every property of every schema (one entry per namespace, properties in
// first-seen order, each of its value type and category). Empty
// for no schemas. Throws EngineError for schemas CheckJoinable refuses.
std::string ExtensionSchemaBlock(const std::vector<XmpCustomSchema>& schemas);

// XmpPacket's extraDescriptions for these schemas: the declaration first,
// then each schema's description. None for no schemas, so a document without
// its own properties keeps its packet byte for byte.
std::vector<std::string> CustomDescriptions(const std::vector<XmpCustomSchema>& schemas);

}  // namespace vellum

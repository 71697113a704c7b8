// A caller's rdf:Description read into its schema (or refused with a message
// that says why), the declaration of that schema read back by an
// independent XML parser, and a PDF/A-1b file carrying Factur-X properties
// that PDFBox Preflight accepts only with the declaration.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "errors.h"
#include "test_support.h"
#include "xmp_extension.h"
#include "xmp_metadata.h"

namespace vellum {

namespace {

constexpr const char* kFacturX =
    R"(<rdf:Description rdf:about="" xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#" xmlns:fx="urn:factur-x:pdfa:CrossIndustryDocument:invoice:1p0#">
  <fx:DocumentType>INVOICE</fx:DocumentType>
  <fx:DocumentFileName>factur-x.xml</fx:DocumentFileName>
  <fx:Version>1.0</fx:Version>
  <fx:ConformanceLevel>BASIC</fx:ConformanceLevel>
</rdf:Description>)";
constexpr const char* kFacturXUri = "urn:factur-x:pdfa:CrossIndustryDocument:invoice:1p0#";

// An rdf:Description with the rdf and ex namespaces declared around `body`.
std::string Described(const std::string& body, const std::string& attributes = "") {
    return R"(<rdf:Description xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#" xmlns:ex="urn:ex#")" +
           attributes + ">" + body + "</rdf:Description>";
}

XmpCustomSchema Schema(const std::string& uri, const std::string& prefix, std::vector<XmpProperty> properties) {
    return {uri, prefix, std::move(properties)};
}

TEST(ReadRdfDescription, TakesTextPropertiesInTheirOrder) {
    struct Case {
        std::string rdf;
        XmpCustomSchema expected;
    };
    const Case cases[] = {
        {kFacturX,
         Schema(kFacturXUri, "fx",
                {{"DocumentType", "INVOICE"}, {"DocumentFileName", "factur-x.xml"}, {"Version", "1.0"},
                 {"ConformanceLevel", "BASIC"}})},
        // References resolved, CDATA read, comments and the declaration
        // dropped, an empty property kept, Windows-1252 bytes read as such.
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<!-- mine -->" +
             Described("<ex:Note>Fish &amp; Chips &lt;b&gt; &#x20AC;&#xD;<![CDATA[<i>]]></ex:Note><ex:Empty/>"
                       "<ex:Price>\x80 5</ex:Price>"),
         Schema("urn:ex#", "ex", {{"Note", "Fish & Chips <b> \xE2\x82\xAC\r<i>"}, {"Empty", ""},
                                  {"Price", "\xE2\x82\xAC 5"}})},
        // RDF's shorthand (properties as attributes), another prefix for rdf.
        {R"(<r:Description xmlns:r="http://www.w3.org/1999/02/22-rdf-syntax-ns#" xmlns:ex="urn:ex#" r:about="")"
         R"( ex:A="1 &quot;2&quot;"><ex:B>3</ex:B></r:Description>)",
         Schema("urn:ex#", "ex", {{"A", "1 \"2\""}, {"B", "3"}})},
    };
    for (const Case& test : cases) {
        EXPECT_TRUE(ReadRdfDescription(test.rdf) == test.expected) << test.rdf;
    }
}

TEST(ReadRdfDescription, RefusesWhatItCannotDeclareWithAReason) {
    const std::pair<std::string, std::string> cases[] = {
        {Described("<ex:A>1</ex:B>"), "line 1: not well-formed XML: mismatched tag"},
        {"", "not well-formed XML: no element found"},
        {Described("<ex:A>1</ex:A>") + "<x/>", "junk after document element"},
        {Described("<ex:A>&nbsp;</ex:A>"), "undefined entity"},
        {"<!DOCTYPE d [<!ENTITY e \"eeeeeeeeee\">]>\n" + Described("<ex:A>&e;&e;</ex:A>"),
         "line 1: a document type declaration is refused"},
        {R"(<rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#"/>)",
         "the element is rdf:RDF: it must be one rdf:Description"},
        {Described("<ex:A>\n<rdf:Seq><rdf:li>1</rdf:li></rdf:Seq></ex:A>"),
         "line 2: ex:A holds the element rdf:Seq: only properties whose value is text alone"},
        {Described(R"(<ex:A xml:lang="en">1</ex:A>)"), "ex:A carries the attribute xml:lang"},
        {Described(R"(<ex:A>1</ex:A><ey:B xmlns:ey="urn:ey#">2</ey:B>)"),
         "in two namespaces, urn:ex# and urn:ey#"},
        {Described(R"(<dc:title xmlns:dc="http://purl.org/dc/elements/1.1/">T</dc:title>)"),
         "dc:title is in http://purl.org/dc/elements/1.1/, a namespace the packet writes"},
        {Described(R"(<pdf:A xmlns:pdf="urn:mine#">1</pdf:A>)"), "the prefix pdf is the packet's own"},
        {Described(R"(<A xmlns="urn:mine#">1</A>)"), "{urn:mine#}A has no namespace prefix"},
        {Described("<A>1</A>"), "the property A is in no namespace"},
        {Described("<ex:A>1</ex:A><ex:A>2</ex:A>"), "the property ex:A is given twice"},
        {Described("\n  "), "the rdf:Description holds no property"},
        {Described("<ex:A>1</ex:A>", R"( rdf:about="uuid:1")"), "rdf:about is \"uuid:1\": it must be empty"},
        {Described("<ex:A>1</ex:A>", R"( rdf:ID="me")"), "rdf:Description carries the attribute rdf:ID"},
        {Described("loose<ex:A>1</ex:A>"), "the text \"loose\" stands outside any property"},
        {Described("<ex:A>" + std::string((1 << 20) + 1, 'x') + "</ex:A>"), "is over the limit of 1 MB"},
    };
    for (const auto& [rdf, message] : cases) {
        try {
            ReadRdfDescription(rdf);
            ADD_FAILURE() << "accepted: " << rdf.substr(0, 200);
        } catch (const EngineError& error) {
            EXPECT_NE(std::string(error.what()).find(message), std::string::npos)
                << error.what() << "\nexpected: " << message;
        }
    }
}

TEST(CheckJoinable, RefusesClashingPrefixesAndRepeatedProperties) {
    const std::vector<XmpCustomSchema> earlier = {Schema("urn:ex#", "ex", {{"A", "1"}})};
    const std::pair<XmpCustomSchema, std::string> cases[] = {
        {Schema("urn:ex#", "ex", {{"B", "2"}}), ""},
        {Schema("urn:ey#", "ey", {{"A", "2"}}), ""},
        {Schema("urn:ex#", "ex", {{"B", "2"}, {"A", "3"}}), "the property ex:A was given before"},
        {Schema("urn:ex#", "ey", {{"B", "2"}}), "the prefix ey for urn:ex# conflicts with the prefix ex"},
        {Schema("urn:ey#", "ex", {{"B", "2"}}), "the prefix ex for urn:ey# conflicts"},
    };
    for (const auto& [next, message] : cases) {
        std::string refusal;
        try {
            CheckJoinable(earlier, next);
        } catch (const EngineError& error) {
            refusal = error.what();
        }
        EXPECT_EQ(refusal.empty(), message.empty()) << refusal;
        EXPECT_NE(refusal.find(message), std::string::npos) << refusal;
    }
    std::vector<XmpCustomSchema> clashing = earlier;
    clashing.push_back(std::get<0>(cases[3]));
    EXPECT_THROW(ExtensionSchemaBlock(clashing), EngineError);
}

// The declared schemas and properties, then every property of a caller's
// namespace (urn:...) with its value as JSON.
constexpr const char* kReadDeclarations = R"(import json, sys, xml.etree.ElementTree as ET
RDF = '{http://www.w3.org/1999/02/22-rdf-syntax-ns#}'
EXT = '{http://www.aiim.org/pdfa/ns/extension/}'
SCHEMA = '{http://www.aiim.org/pdfa/ns/schema#}'
PROPERTY = '{http://www.aiim.org/pdfa/ns/property#}'
root = ET.parse(sys.argv[1]).getroot()
for bag in root.iter(EXT + 'schemas'):
    for schema in bag.find(RDF + 'Bag'):
        print('schema', schema.findtext(SCHEMA + 'prefix'), schema.findtext(SCHEMA + 'namespaceURI'))
        for prop in schema.find(SCHEMA + 'property').find(RDF + 'Seq'):
            print(' ', *(prop.findtext(PROPERTY + field) for field in ('name', 'valueType', 'category')))
for description in root.iter(RDF + 'Description'):
    for prop in description:
        if prop.tag.startswith('{urn:'):
            print(prop.tag, json.dumps(prop.text or '', ensure_ascii=False))
)";

TEST(ExtensionSchemaBlock, DeclaresEveryPropertyOnceInAPacketThatParses) {
    const XmpCustomSchema facturX = ReadRdfDescription(kFacturX);
    const std::vector<XmpCustomSchema> schemas = {
        facturX, ReadRdfDescription(Described("<ex:A>Fish &amp; &lt;Chips&gt;&#xD;\n\"q\"</ex:A>")),
        Schema("urn:ex#", "ex", {{"B", ""}})};
    const XmpDocumentInfo info{"Title", {}, {}, {}, {}, "Vellum", "20240229235959Z", ""};
    EXPECT_EQ(XmpPacket(info, {2, 'B'}, CustomDescriptions({})), XmpPacket(info, {2, 'B'}));
    EXPECT_EQ(ExtensionSchemaBlock({}), "");

    const test::ScratchFolder folder;
    test::WriteFile(folder.File("read.py"), kReadDeclarations);
    test::WriteFile(folder.File("packet.xml"), XmpPacket(info, {2, 'B'}, CustomDescriptions(schemas)));
    const test::CommandResult run = test::RunCommand("/usr/bin/python3 " + test::ShellQuote(folder.File("read.py")) +
                                                     " " + test::ShellQuote(folder.File("packet.xml")));
    EXPECT_EQ(run.output, std::string("schema fx ") + kFacturXUri +
                              "\n"
                              "  DocumentType Text external\n"
                              "  DocumentFileName Text external\n"
                              "  Version Text external\n"
                              "  ConformanceLevel Text external\n"
                              "schema ex urn:ex#\n"
                              "  A Text external\n"
                              "  B Text external\n"
                              "{" + kFacturXUri + "}DocumentType \"INVOICE\"\n"
                              "{" + kFacturXUri + "}DocumentFileName \"factur-x.xml\"\n"
                              "{" + kFacturXUri + "}Version \"1.0\"\n"
                              "{" + kFacturXUri + "}ConformanceLevel \"BASIC\"\n"
                              "{urn:ex#}A \"Fish & <Chips>\\r\\n\\\"q\\\"\"\n"
                              "{urn:ex#}B \"\"\n");
}

}  // namespace
}  // namespace vellum

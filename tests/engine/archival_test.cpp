// The pieces of an archival (PDF/A) document: the XMP packet read back by an
// independent XML parser, the sRGB profile's header, and a file assembled
// from them through the object layer that PDFBox Preflight must accept, and
// whole documents that claim a level.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "archival.h"
#include "document.h"
#include "errors.h"
#include "output_intent.h"
#include "pdf_object.h"
#include "test_support.h"
#include "xmp_extension.h"
#include "xmp_metadata.h"

namespace vellum {
namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

// Every property of every rdf:Description, one "name=hex of the UTF-8 value"
// line each, in packet order; an item's language follows as "name@lang".
constexpr const char* kReadPacket = R"(import sys, xml.etree.ElementTree as ET
RDF = '{http://www.w3.org/1999/02/22-rdf-syntax-ns#}'
XML = '{http://www.w3.org/XML/1998/namespace}'
PREFIX = {'http://purl.org/dc/elements/1.1/': 'dc', 'http://ns.adobe.com/pdf/1.3/': 'pdf',
          'http://ns.adobe.com/xap/1.0/': 'xmp', 'http://www.aiim.org/pdfa/ns/id/': 'pdfaid',
          'http://example.com/ns/': 'ex'}
def name(tag):
    uri, local = tag[1:].split('}')
    return PREFIX[uri] + ':' + local
root = ET.parse(sys.argv[1]).getroot()
for description in root.iter(RDF + 'Description'):
    for prop in description:
        items = [li for container in prop for li in container if li.tag == RDF + 'li']
        for node in items or [prop]:
            print(name(prop.tag) + '=' + (node.text or '').encode().hex())
            if XML + 'lang' in node.attrib:
                print(name(prop.tag) + '@lang=' + node.attrib[XML + 'lang'].encode().hex())
)";

std::string Hex(std::string_view bytes) {
    std::string hex;
    for (const unsigned char c : bytes) {
        constexpr char kDigits[] = "0123456789abcdef";
        hex += kDigits[c >> 4];
        hex += kDigits[c & 15];
    }
    return hex;
}

Fields ParsedFields(const std::string& packet) {
    const test::ScratchFolder folder;
    test::WriteFile(folder.File("read.py"), kReadPacket);
    test::WriteFile(folder.File("packet.xml"), packet);
    const test::CommandResult run = test::RunCommand("/usr/bin/python3 " + test::ShellQuote(folder.File("read.py")) +
                                                     " " + test::ShellQuote(folder.File("packet.xml")));
    EXPECT_EQ(run.status, 0) << run.output << "\n" << packet;
    Fields fields;
    std::istringstream lines(run.output);
    for (std::string line; std::getline(lines, line);) {
        const auto equals = line.find('=');
        fields.emplace_back(line.substr(0, equals), line.substr(equals + 1));
    }
    return fields;
}

TEST(XmpPacket, EachEntryReadsBackAsGiven) {
    struct Case {
        XmpDocumentInfo info;
        PdfaLevel level;
        std::vector<std::string> extra;
        Fields expected;  // values as text, compared as hex
    };
    const std::string hostile = "Fish & Chips <b>\"q\" 'a' ]]> a\rb\tc";
    const std::string extra =
        "<rdf:Description rdf:about=\"\" xmlns:ex=\"http://example.com/ns/\"><ex:Note>n\xC3\xA9</ex:Note>"
        "</rdf:Description>";
    const Case cases[] = {
        {{hostile, "Zo\xC3\xAB \xE4\xB8\xAD\x01\xEF\xBF\xBE!", "", "k1, k2", "Tool/1.0", "Vellum",
          "20240229235959+05'30'", "20240301000000-08'00'"},
         {1, 'B'},
         {},
         {{"dc:title", hostile}, {"dc:title@lang", "x-default"}, {"dc:creator", "Zo\xC3\xAB \xE4\xB8\xAD!"},
          {"dc:description", ""}, {"dc:description@lang", "x-default"}, {"pdf:Keywords", "k1, k2"},
          {"pdf:Producer", "Vellum"}, {"xmp:CreatorTool", "Tool/1.0"},
          {"xmp:CreateDate", "2024-02-29T23:59:59+05:30"}, {"xmp:ModifyDate", "2024-03-01T00:00:00-08:00"},
          {"pdfaid:part", "1"}, {"pdfaid:conformance", "B"}}},
        // Entries the dictionary leaves out have no property; Windows-1252 bytes mean what they mean there.
        {{"\x93q\x94", std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, "20240102030405Z", ""},
         {2, 'U'},
         {extra},
         {{"dc:title", "\xE2\x80\x9Cq\xE2\x80\x9D"}, {"dc:title@lang", "x-default"},
          {"xmp:CreateDate", "2024-01-02T03:04:05Z"}, {"pdfaid:part", "2"}, {"pdfaid:conformance", "U"},
          {"ex:Note", "n\xC3\xA9"}}},
        {{}, {3, 'B'}, {}, {{"pdfaid:part", "3"}, {"pdfaid:conformance", "B"}}},
    };
    for (const Case& c : cases) {
        const std::string packet = XmpPacket(c.info, c.level, c.extra);
        EXPECT_EQ(packet.rfind("<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n", 0), 0u);
        EXPECT_TRUE(packet.ends_with("\n<?xpacket end=\"w\"?>"));
        Fields expected;
        for (const auto& [key, value] : c.expected) expected.emplace_back(key, Hex(value));
        EXPECT_EQ(ParsedFields(packet), expected) << packet;
    }
}

TEST(XmpPacket, RefusesLevelsThatDoNotExistAndBlocksThatEndThePacket) {
    const PdfaLevel levels[] = {{0, 'B'}, {4, 'B'}, {1, 'U'}, {2, 'A'}, {2, 'b'}};
    for (const PdfaLevel level : levels) EXPECT_THROW(XmpPacket({}, level), EngineError) << level.part;
    for (const char* block : {"<?xpacket end=\"w\"?>", "</rdf:RDF>", "</x:xmpmeta>"}) {
        EXPECT_THROW(XmpPacket({}, {}, {block}), EngineError) << block;
    }
}

TEST(XmpDate, KeepsTheDictionarysMomentAndZone) {
    const std::pair<const char*, const char*> good[] = {
        {"20240229235959", "2024-02-29T23:59:59"},        {"20240229235959Z", "2024-02-29T23:59:59Z"},
        {"20240229235959+05'30'", "2024-02-29T23:59:59+05:30"}, {"20240229235959-08'00'", "2024-02-29T23:59:59-08:00"},
        {"20240229235959+00'00'", "2024-02-29T23:59:59+00:00"}, {"19991231000000+05'30", "1999-12-31T00:00:00+05:30"},
    };
    for (const auto& [pdf, xmp] : good) EXPECT_EQ(XmpDate(pdf), xmp) << pdf;
    const char* bad[] = {"", "2024022923595", "20241329235959", "20240229245959", "2024022923595x",
                         "20240229235959+5'30'", "20240229235959Z00'00'", "20240229235959 ", "20240229235959+05:30",
                         "20240229235959+24'00'", "D:20240229235959"};
    for (const char* pdf : bad) EXPECT_THROW(XmpDate(pdf), EngineError) << pdf;
}

std::uint32_t BigEndian32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

TEST(SrgbProfile, IsAVersion2RgbDisplayProfileWithItsTags) {
    const std::string_view profile = SrgbProfile();
    ASSERT_GT(profile.size(), 132u);
    EXPECT_EQ(BigEndian32(profile, 0), profile.size());
    EXPECT_EQ(profile[8], 2);  // major version
    EXPECT_EQ(profile.substr(12, 4), "mntr");
    EXPECT_EQ(profile.substr(16, 4), "RGB ");
    EXPECT_EQ(profile.substr(20, 4), "XYZ ");
    EXPECT_EQ(profile.substr(36, 4), "acsp");
    std::string tags;
    const std::uint32_t count = BigEndian32(profile, 128);
    ASSERT_LE(132 + 12 * count, profile.size());
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t entry = 132 + 12 * i;
        EXPECT_LE(BigEndian32(profile, entry + 4) + BigEndian32(profile, entry + 8), profile.size());
        tags += std::string(profile.substr(entry, 4)) + " ";
    }
    for (const char* tag : {"desc", "cprt", "wtpt", "rXYZ", "gXYZ", "bXYZ", "rTRC", "gTRC", "bTRC"}) {
        EXPECT_NE(tags.find(tag), std::string::npos) << tag << " in " << tags;
    }
    EXPECT_EQ(test::Inflate(*SrgbProfileStream().data), profile);
}

// ---- a whole archival file, checked by Preflight

enum : std::int32_t { kCatalog = 1, kPages, kPage, kContent, kMetadata, kProfile, kInfo, kObjectCount = kInfo };

// One page painted in a device colour, which needs the output intent.
std::string ArchivalFile(TInfo info, const std::string& creationDate, bool withIntent,
                         const std::vector<std::string>& extraDescriptions = {}) {
    std::string bytes;
    StringSink sink(bytes);
    ObjectWriter file(sink, IdentityHook(), kObjectCount);
    file.Header("1.3");
    file.Object(kCatalog, [&](PdfBody& text) {
        PdfEntries entries = {{"Type", PdfValue::Name("Catalog")},
                              {"Pages", PdfValue::Reference(kPages)},
                              {"Metadata", PdfValue::Reference(kMetadata)}};
        if (withIntent) entries.push_back(OutputIntentsCatalogEntry(kProfile));
        text.Raw("<<\r\n").EntryLines(entries).Raw(">>\r\n");
    });
    file.Object(kPages, [](PdfBody& text) { text.Raw("<< /Type /Pages /Kids [3 0 R] /Count 1 >>\r\n"); });
    file.Object(kPage, [](PdfBody& text) {
        text.Raw("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R /Resources << >> >>\r\n");
    });
    file.Stream(kContent, "0.2 0.4 0.6 rg 10 10 100 100 re f", {{"Length", PdfValue::StreamLength()}},
                StreamEnd::NewLine);
    // The information dictionary writes every entry, the defaults filled in.
    const std::string framedInfo = info.PDF_Binary(creationDate);
    const XmpDocumentInfo xmp{info.Title, info.Author, info.Subject, info.Keywords, info.Creator, info.Producer,
                              creationDate, ""};
    file.Stream(kMetadata, XmpPacket(xmp, {1, 'B'}, extraDescriptions),
                {{"Type", PdfValue::Name("Metadata")}, {"Subtype", PdfValue::Name("XML")},
                 {"Length", PdfValue::StreamLength()}},
                StreamEnd::NewLine);
    const IccProfileStream profile = SrgbProfileStream();
    file.Stream(kProfile, *profile.data, profile.dictionary, StreamEnd::NewLine);
    file.Prepared(kInfo, framedInfo);
    const std::string id(16, '\x5A');
    file.Finish(kCatalog, kInfo, {{"ID", PdfValue::Array({PdfValue::Hex(id), PdfValue::Hex(id)})}});
    return bytes;
}

TEST(ArchivalFile, PassesPreflightWithPacketAndIntent) {
    TInfo hostile;
    hostile.ObjectNumber = kInfo;
    hostile.Title = "Fish & Chips <b>\"q\" 'a' (open";
    hostile.Author = "Zo\xC3\xAB \xE4\xB8\xAD\xE6\x96\x87";
    hostile.Keywords = "\x93quoted\x94, k2";
    TInfo plain;  // what a document that sets nothing writes
    plain.ObjectNumber = kInfo;

    const test::ScratchFolder folder;
    const std::pair<std::string, std::string> files[] = {
        {folder.File("zoned.pdf"), ArchivalFile(hostile, "20240229235959+05'30'", true)},
        {folder.File("negative.pdf"), ArchivalFile(hostile, "20240229235959-08'00'", true)},
        {folder.File("plain.pdf"), ArchivalFile(plain, "20240229235959", true)},
        {folder.File("no-intent.pdf"), ArchivalFile(plain, "20240229235959Z", false)},
    };
    std::string arguments;
    for (const auto& [path, bytes] : files) {
        test::WriteFile(path, bytes);
        EXPECT_TRUE(test::QpdfCheckIsClean(path));
        arguments += " " + test::ShellQuote(path);
    }
    const test::CommandResult run = test::RunCommand(VELLUM_PREFLIGHT + arguments);
    EXPECT_EQ(run.status, 1) << run.output;
    const std::string noIntent = files[3].first + ": invalid\n  2.4.1: ";
    EXPECT_EQ(run.output.rfind(files[0].first + ": valid\n" + files[1].first + ": valid\n" + files[2].first +
                                   ": valid\n" + noIntent,
                               0),
              0u)
        << run.output;
}

// Properties of a schema PDF/A does not know pass only when the packet
// declares them.
TEST(ArchivalFile, TakesFacturXPropertiesOnlyWithTheirExtensionSchema) {
    const std::string uri = "urn:factur-x:pdfa:CrossIndustryDocument:invoice:1p0#";
    const XmpCustomSchema facturX = ReadRdfDescription(
        "<rdf:Description xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" xmlns:fx=\"" + uri +
        "\"><fx:DocumentType>INVOICE</fx:DocumentType><fx:DocumentFileName>factur-x.xml</fx:DocumentFileName>"
        "<fx:Version>1.0</fx:Version><fx:ConformanceLevel>BASIC</fx:ConformanceLevel></rdf:Description>");
    TInfo plain;
    plain.ObjectNumber = kInfo;
    const test::ScratchFolder folder;
    const std::string declared = folder.File("declared.pdf"), undeclared = folder.File("undeclared.pdf");
    test::WriteFile(declared, ArchivalFile(plain, "20240229235959Z", true, CustomDescriptions({facturX})));
    test::WriteFile(undeclared, ArchivalFile(plain, "20240229235959Z", true, {XmpDescriptionBlock(facturX)}));
    EXPECT_TRUE(test::QpdfCheckIsClean(declared));
    const test::CommandResult run =
        test::RunCommand(VELLUM_PREFLIGHT " " + test::ShellQuote(declared) + " " + test::ShellQuote(undeclared));
    EXPECT_EQ(run.output, declared + ": valid\n" + undeclared +
                              ": invalid\n  7.3: Error on MetaData, Cannot find a definition for the namespace " + uri +
                              "\n");
}

// ---- a document that claims a level

TEST(Conformance, NamesAreCheckedAndAnUnknownOneChangesNothing) {
    TPDFDoc doc;
    doc.ResetDocument();
    const std::pair<const char*, const char*> accepted[] = {
        {"PDF/A-1b", "PDF/A-1b"}, {" pdf/a-2U\t", "PDF/A-2u"}, {"PDF/A-3B", "PDF/A-3b"}, {"", ""}};
    for (const auto& [name, canonical] : accepted) {
        doc.SetConformance(name);
        EXPECT_EQ(doc.ConformanceName(), canonical) << name;
    }
    doc.SetConformance("PDF/A-2b");
    for (const char* unknown : {"PDF/A-1a", "PDF/A-4", "PDF/X-1a", "PDF/A-2b;", "A-2b"}) {
        try {
            doc.SetConformance(unknown);
            ADD_FAILURE() << unknown << " was accepted";
        } catch (const EngineError& error) {
            EXPECT_NE(std::string(error.what()).find(std::string("\"") + unknown + "\": use PDF/A-1b"),
                      std::string::npos)
                << error.what();
        }
        EXPECT_EQ(doc.ConformanceName(), "PDF/A-2b");
    }
    doc.ResetDocument();
    EXPECT_EQ(doc.ConformanceName(), "");
}

constexpr const char* kLiberation = "/usr/share/fonts/truetype/liberation/";

// Text in standard fonts (bold and italic too), a TrueType font, a Unicode
// font, a link and a note; the level claimed first, or after the text.
std::string ArchivalDocument(const std::string& level, bool levelFirst = true) {
    TPDFDoc doc;
    doc.ResetDocument();
    if (levelFirst) doc.SetConformance(level);
    doc.RequireInfo().Title = "Fish & Chips (open";
    doc.RequireInfo().Author = "Zo\xC3\xAB";
    const std::string trueType = doc.AddTrueTypeFont("Serif Face", std::string(kLiberation) + "LiberationSerif-Regular.ttf");
    const std::string unicode = doc.AddUnicodeFont("Sans Unicode", std::string(kLiberation) + "LiberationSans-Regular.ttf");
    double y = 30;
    for (const std::string& font : {std::string("Helvetica"), std::string("Times-BoldItalic"),
                                    std::string("Courier-Oblique"), trueType, unicode}) {
        doc.SelectFont(font);
        doc.Page(1).TextOut("Kept for the records \x80 \xE9", 20, y += 10);
    }
    doc.CreateLinkInternet(1, {10, 10, 60, 20, 1, 0, 0, 255}, "https://example.org/");
    doc.AddTextAnnotation(1, 30, 40, "A note");
    if (!levelFirst) doc.SetConformance(level);
    std::string bytes = doc.SaveToByteArray();
    EXPECT_EQ(doc.ConformanceName(), "");
    return bytes;
}

TEST(ArchivalDocument, PassesPreflightWithEveryKindOfFont) {
    const std::string bytes = ArchivalDocument("PDF/A-1b");
    EXPECT_EQ(bytes.rfind("%PDF-1.4\r\n", 0), 0u);
    for (const char* entry : {"/F 4\r\n>>", "/F 28\r\n>>", "/Metadata ", "/OutputIntents ", "/ID [", "/CIDSet "}) {
        EXPECT_NE(bytes.find(entry), std::string::npos) << entry;
    }
    const std::string later = ArchivalDocument("PDF/A-3u");
    EXPECT_EQ(later.rfind("%PDF-1.7\r\n", 0), 0u);
    EXPECT_EQ(later.find("/CIDSet "), std::string::npos);  // part 1 only

    const test::ScratchFolder folder;
    const std::string path = folder.File("archival.pdf");
    test::WriteFile(path, bytes);
    EXPECT_TRUE(test::QpdfCheckIsClean(path));
    // Text drawn before the level: whole repertoires embedded instead.
    const std::string late = folder.File("late.pdf");
    test::WriteFile(late, ArchivalDocument("PDF/A-1b", false));
    EXPECT_GT(test::ReadFile(late).size(), bytes.size() + 100000);
    const test::CommandResult run =
        test::RunCommand(VELLUM_PREFLIGHT " " + test::ShellQuote(path) + " " + test::ShellQuote(late));
    EXPECT_EQ(run.output, path + ": valid\n" + late + ": valid\n");
    // Every font embedded, with a map to Unicode; the standard ones as Liberation subsets.
    const test::CommandResult fonts = test::RunCommand("pdffonts " + test::ShellQuote(path) +
                                                       " | awk 'NR > 2 && ($(NF-4) != \"yes\" || $(NF-2) != \"yes\")'");
    EXPECT_EQ(fonts.output, "");  // each embedded (emb) and mapped to Unicode (uni)
    const test::CommandResult text = test::RunCommand("pdftotext " + test::ShellQuote(path) + " - | grep -c 'Kept for the records \xE2\x82\xAC \xC3\xA9'");
    EXPECT_EQ(text.output, "5\n");
}

// Bold and italic are measured by their own faces once a level is claimed,
// and by the specified widths again without one.
TEST(ArchivalDocument, StandardFontsAreMeasuredByTheEmbeddedFaces) {
    TPDFDoc doc;
    doc.ResetDocument();
    const std::string sample = "Archive WAVE 2026";
    auto width = [&](const char* font) { return doc.Page(1).TextWidth(sample, font); };
    const double regular = width("Helvetica");
    EXPECT_EQ(width("Helvetica-Bold"), regular);  // the specified widths
    doc.SetConformance("PDF/A-2b");
    EXPECT_NEAR(width("Helvetica"), regular, regular * 0.002);  // metric-compatible
    EXPECT_GT(width("Helvetica-Bold"), regular * 1.03);
    EXPECT_NE(width("Times-Italic"), width("Times-Roman"));
    doc.SetConformance("");
    EXPECT_EQ(width("Helvetica-Bold"), regular);
}

TEST(ArchivalDocument, FontsWithWidthsOfTheirOwnFailTheWriteAndKeepTheDocument) {
    TPDFDoc doc;
    doc.ResetDocument();
    doc.SetConformance("PDF/A-1b");
    doc.SelectFont(doc.AddTrueTypeFontModKern("Wide", std::string(kLiberation) + "LiberationSans-Regular.ttf", 1.2));
    doc.Page(1).TextOut("stretched", 20, 30);
    const std::int32_t objects = doc.ObjectCount();
    try {
        doc.SaveToByteArray();
        ADD_FAILURE() << "the write succeeded";
    } catch (const EngineError& error) {
        EXPECT_NE(std::string(error.what()).find("\"Wide\" was added with widths of its own"), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(doc.ObjectCount(), objects);
    doc.SetConformance("");
    const std::string bytes = doc.SaveToByteArray();
    EXPECT_EQ(bytes.find("+Liberation"), std::string::npos);  // no standard font embedded
    EXPECT_EQ(bytes.find("/ToUnicode"), std::string::npos);
}

TEST(ArchivalDocument, EncryptionFailsTheWriteAndKeepsTheDocument) {
    TPDFDoc doc;
    doc.ResetDocument();
    doc.SetConformance("PDF/A-2b");
    doc.Encrypt(EncryptionRequest{"", "owner", "", ""});
    const std::int32_t objects = doc.ObjectCount();
    try {
        doc.SaveToByteArray();
        ADD_FAILURE() << "the write succeeded";
    } catch (const EngineError& error) {
        EXPECT_NE(std::string(error.what()).find("PDF/A-2b: archival documents may not be encrypted"),
                  std::string::npos)
            << error.what();
    }
    EXPECT_EQ(doc.ObjectCount(), objects);
    EXPECT_EQ(doc.Additions.version, "1.3");
    EXPECT_TRUE(doc.Additions.catalog.empty() && doc.Additions.trailer.empty() && doc.Additions.link.empty());
    doc.SetConformance("");
    EXPECT_EQ(doc.SaveToByteArray().find("/Metadata"), std::string::npos);
}

}  // namespace
}  // namespace vellum

// The object layer: exact bytes of each value, and the hook that sees every
// string and stream of a written document with the number of its object.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "document.h"
#include "errors.h"
#include "pdf_object.h"

namespace vellum {
namespace {

constexpr const char* kSans = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";
constexpr const char* kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

std::string Body(const std::function<void(PdfBody&)>& write) {
    std::string out, scratch;
    PdfBody body(out, 7, IdentityHook(), scratch);
    write(body);
    return out;
}

TEST(PdfBody, EachValueHasItsExactBytes) {
    struct Case {
        std::function<void(PdfBody&)> write;
        std::string bytes;
    };
    const Case cases[] = {
        {[](PdfBody& b) { b.Null(); }, "null"},
        {[](PdfBody& b) { b.Boolean(true).Raw(" ").Boolean(false); }, "true false"},
        {[](PdfBody& b) { b.Integer(-42); }, "-42"},
        {[](PdfBody& b) { b.Real(pattern::kTwoPlaces, 0.5); }, "0.50"},
        {[](PdfBody& b) { b.Real(pattern::kUpToTwoPlaces, -1.005); }, "-1.01"},
        {[](PdfBody& b) { b.Name("FlateDecode"); }, "/FlateDecode"},
        {[](PdfBody& b) { b.Reference(12); }, "12 0 R"},
        {[](PdfBody& b) { b.Literal(")()"); }, "(\\)\\(\\))"},
        {[](PdfBody& b) { b.Literal("C:\\a(b)"); }, "(C:\\\\a\\(b\\))"},
        {[](PdfBody& b) { b.Literal("(ok) :)", StringEscape::UnbalancedParentheses); }, "((ok) :\\))"},
        {[](PdfBody& b) { b.Literal("a\r\nb", StringEscape::EveryDelimiter); }, "(a\\r\\nb)"},
        {[](PdfBody& b) { b.DocumentText("Caf\xC3\xA9", DocStringEscape::AllParentheses); }, "(Caf\xE9)"},
        {[](PdfBody& b) { b.DocumentText("\xE2\x82\xAC)", DocStringEscape::AllParentheses); },
         std::string("(\xFE\xFF \xAC\0\\))", 9)},
        {[](PdfBody& b) { b.Hex(std::string("\x00\xAB", 2)); }, "<00AB>"},
        {[](PdfBody& b) { b.Value(PdfValue::Array({PdfValue::Integer(1), PdfValue::Name("A"), PdfValue::Null()})); },
         "[1 /A null]"},
        {[](PdfBody& b) {
             b.Value(PdfValue::Dictionary({{"S", PdfValue::Name("URI")}, {"B", PdfValue::Boolean(true)}}));
         },
         "<< /S /URI /B true >>"},
        {[](PdfBody& b) { b.Value(PdfValue::Real(2.5, pattern::kWhole)).Raw(" ").Value(PdfValue::Reference(3)); },
         "3 3 0 R"},
        {[](PdfBody& b) { b.Value(PdfValue::Hex("\x01")).Value(PdfValue::Literal("x")); }, "<01>(x)"},
        {[](PdfBody& b) { b.EntryLines({{"A", PdfValue::Integer(1)}, {"W", PdfValue::Raw("[\r\n1]")}}); },
         "/A 1\r\n/W [\r\n1]\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(Body(c.write), c.bytes);
    EXPECT_THROW(Body([](PdfBody& b) { b.StreamLength(); }), EngineError);
}

TEST(ObjectWriter, FramesObjectsAndStreamsAsTheFileHasThem) {
    EXPECT_EQ(ObjectText(5, [](PdfBody& b) { b.Raw("<<\r\n>>\r\n"); }), "5 0 obj\r\n<<\r\n>>\r\nendobj\r\n");
    std::string text;
    StringSink sink(text);
    ObjectWriter file(sink, IdentityHook(), 2);
    file.Header("1.3");
    file.Stream(1, "abc", {{"Length", PdfValue::StreamLength()}}, StreamEnd::NewLine);
    file.Stream(2, "de", {{"Length", PdfValue::StreamLength()}}, StreamEnd::Direct);
    EXPECT_EQ(text, "%PDF-1.3\r\n%\xE4\xE3\xCF\xD2\r\n"
                    "1 0 obj\r\n<<\r\n/Length 3\r\n>>\r\nstream\r\nabc\r\nendstream\r\nendobj\r\n"
                    "2 0 obj\r\n<<\r\n/Length 2\r\n>>\r\nstream\r\ndeendstream\r\nendobj\r\n");
    EXPECT_THROW(file.Prepared(2, ""), EngineError);  // written twice
}

// Records what it sees; strings come back upper-cased and streams with one
// byte more, so the test also sees that the written bytes are the hook's.
class RecordingHook final : public ObjectHook {
public:
    struct Seen {
        std::int32_t object;
        bool stream;
        std::string bytes;
    };
    std::vector<Seen> seen;

    std::string_view String(std::int32_t object, std::string_view bytes, std::string& scratch) override {
        seen.push_back({object, false, std::string(bytes)});
        scratch.assign(bytes);
        for (char& c : scratch) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        return scratch;
    }
    std::string_view Stream(std::int32_t object, std::string_view bytes, std::string& scratch) override {
        seen.push_back({object, true, std::string(bytes)});
        scratch.assign(bytes).push_back('!');
        return scratch;
    }
};

// The text of object `number` in a file.
std::string ObjectIn(const std::string& pdf, std::int32_t number) {
    const std::string start = "\n" + std::to_string(number) + " 0 obj\r\n";
    const auto at = pdf.find(start);
    if (at == std::string::npos) return {};
    return pdf.substr(at + 1, pdf.find("endobj\r\n", at) - at - 1);
}

TEST(ObjectHook, SeesEveryStringAndStreamWithItsObjectNumber) {
    setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    TPDFDoc doc;
    doc.ResetDocument();
    RecordingHook hook;
    doc.Additions.hook = &hook;
    doc.RequireInfo().Title = "a title";
    doc.AddTrueTypeFont("Sans", kSans);
    ASSERT_EQ(doc.AddUnicodeFont("DejaVu", kDejaVu), "/F13");
    doc.Images->AddImage();  // a picture whose loading failed: one white pixel
    doc.AddTextAnnotation(1, 10, 10, "a note");
    doc.CreateLinkExternal(1, {10, 10, 20, 20, 1, 0, 0, 0}, "other.pdf");
    doc.Outlines->AddChildOutline({1, 0, 0, 0}, "chapter", -1);
    const std::int32_t info = doc.Info->ObjectNumber;
    const std::string pdf = doc.SaveToByteArray();
    unsetenv("SOURCE_DATE_EPOCH");

    std::vector<std::string> strings;
    int streams = 0;
    for (const RecordingHook::Seen& seen : hook.seen) {
        const std::string object = ObjectIn(pdf, seen.object);
        ASSERT_FALSE(object.empty()) << seen.object;
        if (seen.stream) {
            ++streams;
            EXPECT_NE(object.find("stream\r\n" + seen.bytes + "!"), std::string::npos) << seen.object;
            EXPECT_NE(object.find("/Length " + std::to_string(seen.bytes.size() + 1) + "\r\n"), std::string::npos);
        } else {
            strings.push_back(seen.bytes);
            std::string upper = seen.bytes;
            for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
            EXPECT_NE(object.find("(" + upper + ")"), std::string::npos) << seen.object << " " << seen.bytes;
        }
        if (seen.bytes == "a title" || seen.bytes == "D:20231114221320") {
            EXPECT_EQ(seen.object, info);
        }
    }
    // Page content, font file, composite program and its ToUnicode map, picture.
    EXPECT_EQ(streams, 5);
    for (const char* expected : {"Adobe", "Identity", "chapter", "a note", "other.pdf", "a title", "D:20231114221320"}) {
        EXPECT_NE(std::find(strings.begin(), strings.end(), expected), strings.end()) << expected;
    }
    EXPECT_EQ(strings.size(), 12u);  // those and Creator, Producer, Author, Keywords, Subject
}

TEST(FileAdditions, VersionAndEntriesReachTheirPlacesAndNothingElseChanges) {
    setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    TPDFDoc plain, added;
    plain.ResetDocument();
    added.ResetDocument();
    added.Additions.version = "1.4";
    added.Additions.catalog = {{"Lang", PdfValue::Literal("it")}};
    added.Additions.page = {{"Rotate", PdfValue::Integer(90)}};
    added.Additions.trailer = {{"ID", PdfValue::Array({PdfValue::Hex("\x01"), PdfValue::Hex("\x02")})}};
    std::string expected = plain.SaveToByteArray();
    const std::string pdf = added.SaveToByteArray();
    unsetenv("SOURCE_DATE_EPOCH");

    const std::pair<std::string, std::string> edits[] = {
        {"%PDF-1.3", "%PDF-1.4"},
        {"/Contents[19 0 R ]\r\n", "/Contents[19 0 R ]\r\n/Rotate 90\r\n"},
        {"/PageMode /UseNone\r\n", "/PageMode /UseNone\r\n/Lang (it)\r\n"},
        {"/Info 4 0 R\r\n", "/Info 4 0 R\r\n/ID [<01> <02>]\r\n"}};
    for (const auto& [from, to] : edits) {
        const auto at = expected.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        expected.replace(at, from.size(), to);
    }
    // The cross-reference table differs by the offsets the added lines move.
    const auto table = expected.find("xref\r\n");
    EXPECT_EQ(pdf.substr(0, table), expected.substr(0, table));
    EXPECT_NE(pdf.find("/Info 4 0 R\r\n/ID [<01> <02>]\r\n>>\r\nstartxref\r\n"), std::string::npos);
}

}  // namespace
}  // namespace vellum

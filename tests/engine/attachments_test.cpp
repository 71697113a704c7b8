// Attached files: read by independent readers (pikepdf, pdfdetach) as the
// archival level says, refused where a level forbids them, and bad requests
// refused before the document changes.
#include <gtest/gtest.h>

#include <string>

#include "document.h"
#include "errors.h"
#include "test_support.h"

namespace vellum {
namespace {

// One line per attachment as pikepdf reads it, then the catalog's /AF count.
constexpr const char* kReadAttachments = R"(import sys, pikepdf
pdf = pikepdf.open(sys.argv[1])
for name, attached in pdf.attachments.items():
    stream = attached.obj.EF.F
    rel = attached.obj.get('/AFRelationship')
    print(name, stream.Subtype, int(stream.Params.Size), str(stream.Params.ModDate)[:2], rel,
          str(attached.obj.get('/Desc', '')), stream.read_bytes() == open(sys.argv[2], 'rb').read())
print('AF', len(pdf.Root.get('/AF', [])))
)";

TEST(Attachment, ReadersFindTheFileWithWhatTheLevelAsks) {
    const test::ScratchFolder folder;
    const std::string xml = folder.File("factur-x.xml");
    test::WriteFile(xml, "<?xml version=\"1.0\"?>\n<Invoice>\xC3\xA9\r\n(open</Invoice>\n");
    test::WriteFile(folder.File("read.py"), kReadAttachments);
    struct Case {
        const char* level;
        const char* expected;
    };
    const Case cases[] = {
        {"PDF/A-3b", "factur-x.xml /text/xml 51 D: /Alternative Invoice data True\n"
                     "z\xC3\xA9ro.bin /application/octet-stream 51 D: /Unspecified  True\nAF 2\n"},
        {"", "factur-x.xml /text/xml 51 D: None Invoice data True\n"
             "z\xC3\xA9ro.bin /application/octet-stream 51 D: None  True\nAF 0\n"},
    };
    for (const Case& c : cases) {
        TPDFDoc doc;
        doc.ResetDocument();
        doc.SetConformance(c.level);
        doc.Page(1).TextOut("Invoice", 20, 30);
        doc.AttachFile({xml, "", "text/xml", "alternative", "Invoice data"});
        doc.AttachFile({xml, "z\xC3\xA9ro.bin", "", "", ""});
        const std::string path = folder.File("attached.pdf");
        test::WriteFile(path, doc.SaveToByteArray());
        EXPECT_TRUE(test::QpdfCheckIsClean(path));
        const test::CommandResult read = test::RunCommand("/usr/bin/python3 " + test::ShellQuote(folder.File("read.py")) +
                                                          " " + test::ShellQuote(path) + " " + test::ShellQuote(xml));
        EXPECT_EQ(read.output, c.expected) << c.level;
        const test::CommandResult list = test::RunCommand("pdfdetach -list " + test::ShellQuote(path));
        EXPECT_NE(list.output.find("1: factur-x.xml"), std::string::npos) << list.output;
    }
}

TEST(Attachment, BadRequestsFailAndAttachNothing) {
    const test::ScratchFolder folder;
    const std::string file = folder.File("data.csv");
    test::WriteFile(file, "a,b\n");
    TPDFDoc doc;
    doc.ResetDocument();
    doc.AttachFile({file, "data.csv", "text/csv", "Data", ""});
    const std::pair<AttachmentRequest, const char*> cases[] = {
        {{folder.File("missing.csv"), "", "", "", ""}, "missing.csv\": no such file"},
        {{folder.path().string(), "folder", "", "", ""}, "no such file"},
        {{file, "", "", "", ""}, "A file named \"data.csv\" is already attached"},
        {{file, "x", "text", "", ""}, "\"text\" is no MIME type"},
        {{file, "x", "text/x/y", "", ""}, "is no MIME type"},
        {{file, "x", "text/a b", "", ""}, "is no MIME type"},
        {{file, "x", "", "Parent", ""}, "Unknown relationship \"Parent\": use Source, Data"},
    };
    for (const auto& [request, message] : cases) {
        const std::string error = test::ThrownMessage([&] { doc.AttachFile(request); });
        EXPECT_NE(error.find(message), std::string::npos) << message << ": " << error;
    }
    EXPECT_EQ(doc.Attachments().size(), 1u);
}

// Parts 1 and 2 refuse attachments, and a document without a level refuses
// metadata it cannot carry; each failed write keeps the document, which a
// later level then writes.
TEST(Attachment, WhatALevelForbidsFailsTheWriteAndKeepsTheDocument) {
    const test::ScratchFolder folder;
    const std::string file = folder.File("data.csv");
    test::WriteFile(file, "a,b\n");
    const std::string rdf =
        "<rdf:Description rdf:about=\"\" xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
        "xmlns:ex=\"http://example.com/ns/\"><ex:Batch>7</ex:Batch></rdf:Description>";
    struct Case {
        const char* level;
        bool attach, metadata;
        const char* message;
    };
    const Case cases[] = {
        {"PDF/A-1b", true, false, "PDF/A-1b: only part 3 of the archival levels"},
        {"PDF/A-2u", true, true, "PDF/A-2u: only part 3 of the archival levels"},
        {"", false, true, "written into archival or accessible documents only"},
    };
    for (const Case& c : cases) {
        TPDFDoc doc;
        doc.ResetDocument();
        doc.SetConformance(c.level);
        if (c.attach) doc.AttachFile({file, "", "text/csv", "Data", ""});
        if (c.metadata) doc.AddMetadataXml(rdf);
        const std::int32_t objects = doc.ObjectCount();
        EXPECT_NE(test::ThrownMessage([&] { doc.SaveToByteArray(); }).find(c.message), std::string::npos) << c.level;
        EXPECT_EQ(doc.ObjectCount(), objects);
        EXPECT_TRUE(doc.Additions.catalog.empty());
        doc.SetConformance("PDF/A-3u");
        const std::string bytes = doc.SaveToByteArray();
        EXPECT_EQ(bytes.find("/AF [") != std::string::npos, c.attach) << c.level;
        EXPECT_EQ(bytes.find("<ex:Batch>7</ex:Batch>") != std::string::npos, c.metadata) << c.level;
    }
}

}  // namespace
}  // namespace vellum

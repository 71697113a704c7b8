// The assembled manual as the documentation browser gets it: every page
// parses, every link between pages resolves, every interface member has its
// page, and every page can be reached from the contents page.
#include "members.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

const QString kManualDir = QStringLiteral(VELLUM_MANUAL_DIR);
const QString kSourcesDir = QStringLiteral(VELLUM_MANUAL_SOURCES);

struct Page {
    QString name;
    QByteArray bytes;
    QString root;
    QString title;
    QStringList links;
    QStringList pictures;
    QSet<QString> anchors;
    QString error;  // empty when the page is well-formed
};

Page ReadPage(const QString& name) {
    Page page;
    page.name = name;
    QFile file(QDir(kManualDir).filePath(name));
    if (!file.open(QIODevice::ReadOnly)) {
        page.error = file.errorString();
        return page;
    }
    page.bytes = file.readAll();
    QXmlStreamReader xml(page.bytes);
    bool inTitle = false;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            const auto tag = xml.name();
            const auto attributes = xml.attributes();
            if (page.root.isEmpty())
                page.root = tag.toString();
            inTitle = tag == u"title";
            if (tag == u"a" && attributes.hasAttribute("href"))
                page.links << attributes.value("href").toString();
            if (tag == u"a" && attributes.hasAttribute("name"))
                page.anchors << attributes.value("name").toString();
            if (attributes.hasAttribute("id"))
                page.anchors << attributes.value("id").toString();
            if (tag == u"img")
                page.pictures << attributes.value("src").toString();
            break;
        }
        case QXmlStreamReader::Characters:
            if (inTitle)
                page.title += xml.text();
            break;
        case QXmlStreamReader::EndElement:
            inTitle = false;
            break;
        default:
            break;
        }
    }
    if (xml.hasError()) {
        page.error = QStringLiteral("line %1, column %2: %3")
                         .arg(xml.lineNumber()).arg(xml.columnNumber()).arg(xml.errorString());
    }
    return page;
}

QStringList PageNames(const QString& folder) {
    return QDir(folder).entryList({"*.htm"}, QDir::Files, QDir::Name);
}

const QList<Page>& AllPages() {
    static const QList<Page> pages = [] {
        QList<Page> read;
        for (const QString& name : PageNames(kManualDir))
            read << ReadPage(name);
        return read;
    }();
    return pages;
}

const Page* Find(const QString& name) {
    for (const Page& page : AllPages()) {
        if (page.name == name)
            return &page;
    }
    return nullptr;
}

bool IsWebAddress(const QString& link) {
    return link.startsWith("http:") || link.startsWith("https:") || link.startsWith("mailto:");
}

std::string Std(const QString& text) { return text.toStdString(); }

}  // namespace

TEST(ManualPages, AreThere) {
    ASSERT_TRUE(QDir(kManualDir).exists()) << Std(kManualDir);
    EXPECT_GT(AllPages().size(), 50);
}

TEST(ManualPages, AreWellFormed) {
    for (const Page& page : AllPages()) {
        EXPECT_TRUE(page.error.isEmpty()) << Std(page.name) << ": " << Std(page.error);
        EXPECT_EQ(page.root, "html") << Std(page.name);
        EXPECT_FALSE(page.title.trimmed().isEmpty()) << Std(page.name) << " has no title";
    }
}

// The browser reads pages as Windows-1252 text and decodes only these four
// entities when it copies a page's text.
TEST(ManualPages, UseOnlyAsciiAndFourEntities) {
    static const QRegularExpression entity("&([^;\\s&]*);?");
    const QSet<QString> allowed{"amp", "lt", "gt", "quot"};
    for (const Page& page : AllPages()) {
        for (qsizetype i = 0; i < page.bytes.size(); ++i) {
            const auto byte = static_cast<unsigned char>(page.bytes[i]);
            ASSERT_TRUE(byte < 0x80 && (byte >= 0x20 || byte == '\n' || byte == '\t'))
                << Std(page.name) << ": byte " << int(byte) << " at offset " << i;
        }
        const QString text = QString::fromLatin1(page.bytes);
        for (auto match = entity.globalMatch(text); match.hasNext();) {
            const QString name = match.next().captured(1);
            EXPECT_TRUE(allowed.contains(name)) << Std(page.name) << ": entity &" << Std(name) << ";";
        }
    }
}

TEST(ManualPages, LinksAndPicturesResolve) {
    for (const Page& page : AllPages()) {
        for (const QString& link : page.links) {
            if (IsWebAddress(link))
                continue;
            const QUrl url(link);
            ASSERT_TRUE(url.isRelative()) << Std(page.name) << ": " << Std(link);
            const QString target = url.path().isEmpty() ? page.name : url.path();
            const Page* linked = Find(target);
            ASSERT_NE(linked, nullptr) << Std(page.name) << " links to missing " << Std(link);
            if (url.hasFragment()) {
                EXPECT_TRUE(linked->anchors.contains(url.fragment()))
                    << Std(page.name) << " links to missing anchor " << Std(link);
            }
        }
        for (const QString& picture : page.pictures) {
            const QFileInfo file(QDir(kManualDir).filePath(picture));
            EXPECT_TRUE(file.isFile()) << Std(page.name) << ": missing picture " << Std(picture);
            static const QStringList shown{"gif", "jpg", "jpeg", "bmp"};
            EXPECT_TRUE(shown.contains(file.suffix().toLower()))
                << Std(page.name) << ": the browser shows GIF, JPEG and BMP only: " << Std(picture);
        }
    }
}

TEST(ManualPages, EveryMemberHasItsPage) {
    for (const auto& member : vellum::manual::CollectMembers()) {
        const QString name = QString::fromLatin1(member.name.data(), qsizetype(member.name.size()));
        const Page* page = Find(name + ".htm");
        ASSERT_NE(page, nullptr) << "no page for " << Std(name);
        EXPECT_EQ(page->title, name);
    }
}

TEST(ManualPages, HandWrittenPagesDoNotTakeGeneratedNames) {
    QSet<QString> generated{"members.htm"};
    for (const auto& member : vellum::manual::CollectMembers())
        generated << QString::fromLatin1(member.name.data(), qsizetype(member.name.size())).toLower() + ".htm";
    const QStringList handWritten = PageNames(kSourcesDir);
    EXPECT_FALSE(handWritten.isEmpty());
    for (const QString& name : handWritten)
        EXPECT_FALSE(generated.contains(name.toLower())) << Std(name) << " hides a generated page";
}

// The result list names a page by the letters its file name starts with.
TEST(ManualPages, EveryPageHasADisplayName) {
    for (const Page& page : AllPages()) {
        const char16_t first = page.name.at(0).toLower().unicode();
        EXPECT_TRUE(first >= u'a' && first <= u'z') << Std(page.name);
    }
}

TEST(ManualPages, EveryPageIsReachableFromTheContents) {
    QSet<QString> reached{"Index.htm"};
    QStringList queue{"Index.htm"};
    while (!queue.isEmpty()) {
        const Page* page = Find(queue.takeFirst());
        ASSERT_NE(page, nullptr);
        for (const QString& link : page->links) {
            const QString target = QUrl(link).path();
            if (!IsWebAddress(link) && !target.isEmpty() && !reached.contains(target)) {
                reached << target;
                queue << target;
            }
        }
    }
    for (const Page& page : AllPages())
        EXPECT_TRUE(reached.contains(page.name)) << Std(page.name) << " cannot be reached";
}

// The browser finds a page by any text in its file, in any letter case: the
// words a script writer looks up lead to the page on the language.
TEST(ManualPages, CallScriptWordsFindTheCallScriptPage) {
    const Page* page = Find("CallScripts.htm");
    ASSERT_NE(page, nullptr);
    for (const char* word : {"on error resume next", "ERR.NUMBER", "Err.Description", "WriteFile", "Print",
                             "--quiet", "warning:", "exit status", "syntax error", "vbCrLf"})
        EXPECT_TRUE(QString::fromLatin1(page->bytes).contains(QLatin1String(word), Qt::CaseInsensitive))
            << word;
}

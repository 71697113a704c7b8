// The browser's file and text routines, without a window.
#include "fixtures.h"
#include "pageroutines.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace vellum;

class PageRoutinesTest : public QObject {
    Q_OBJECT

private slots:
    void displayName_data();
    void displayName();
    void htmlToText_data();
    void htmlToText();
    void readTextFileLineEnds_data();
    void readTextFileLineEnds();
    void readTextFileWithoutFile();
    void readTextFileUnreadable();
    void listPagesMatchesExtensionInAnyCase();
    void listPagesMissingFolder();
    void pageMatches_data();
    void pageMatches();
    void copyText_data();
    void copyText();
};

void PageRoutinesTest::displayName_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "TextOut.htm" << "TextOut";
    QTest::newRow("stops at underscore") << "CreateLink_Internal.htm" << "CreateLink";
    QTest::newRow("stops at digit") << "Page2Intro.htm" << "Page";
    QTest::newRow("stops at blank") << "Getting started.htm" << "Getting";
    QTest::newRow("stops at non-ASCII letter") << QString::fromUtf8("Gr\u00f6sse.htm") << "Gr";
    QTest::newRow("leading digit gives nothing") << "3D.htm" << "";
    QTest::newRow("leading dot gives nothing") << ".hidden.htm" << "";
    QTest::newRow("letter case kept") << "fONTs.HTM" << "fONTs";
    QTest::newRow("empty") << "" << "";
}

void PageRoutinesTest::displayName() {
    QFETCH(QString, file);
    QFETCH(QString, expected);
    QCOMPARE(DisplayName(file), expected);
}

void PageRoutinesTest::htmlToText_data() {
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("text");
    QTest::newRow("body opens a line") << "<html><BODY>Hi</body></html>" << "\r\nHi";
    QTest::newRow("p, br, hr in any case") << "<P>one<Br>two<hR>three" << "\r\none\r\ntwo\r\nthree";
    QTest::newRow("p with attributes is only a tag") << "<p class=\"x\">t</p>" << "t";
    QTest::newRow("shown markup decoded after stripping") << "x &lt;p&gt; y" << "x <p> y";
    QTest::newRow("amp decoded before lt") << "a &amp;lt;b&amp;gt; c" << "a <b> c";
    QTest::newRow("quot and amp, any case") << "&QUOT;q&quot; &Amp;" << "\"q\" &";
    QTest::newRow("other entities stay") << "a&nbsp;b &copy;" << "a&nbsp;b &copy;";
    QTest::newRow("stray > dropped") << "a > b" << "a  b";
    QTest::newRow("unclosed < drops the rest") << "a < b" << "a ";
    QTest::newRow("line breaks stay") << "a\r\nb\n" << "a\r\nb\n";
}

void PageRoutinesTest::htmlToText() {
    QFETCH(QString, html);
    QFETCH(QString, text);
    QCOMPARE(HtmlToText(html), text);
}

void PageRoutinesTest::readTextFileLineEnds_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty file") << QByteArray("") << "";
    QTest::newRow("no final line end") << QByteArray("x") << "x\r\n";
    QTest::newRow("LF") << QByteArray("a\nb") << "a\r\nb\r\n";
    QTest::newRow("CR") << QByteArray("a\rb\r") << "a\r\nb\r\n";
    QTest::newRow("CR LF kept as one") << QByteArray("a\r\nb\r\n") << "a\r\nb\r\n";
    QTest::newRow("LF CR is two breaks") << QByteArray("a\n\rb") << "a\r\n\r\nb\r\n";
    QTest::newRow("empty lines kept") << QByteArray("a\n\n") << "a\r\n\r\n";
    QTest::newRow("Windows-1252 bytes") << QByteArray("\x80 \xE9 \x93q\x94")
                                        << QString::fromUtf8("\u20ac \u00e9 \u201cq\u201d\r\n");
}

void PageRoutinesTest::readTextFileLineEnds() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QTemporaryDir dir;
    const QString path = dir.filePath("page.htm");
    QVERIFY(fixtures::WriteBytes(path, bytes));
    QCOMPARE(ReadTextFile(path), text);
}

void PageRoutinesTest::readTextFileWithoutFile() {
    QTemporaryDir dir;
    QCOMPARE(ReadTextFile(dir.filePath("missing.htm")), QString());
    QVERIFY(QDir(dir.path()).mkdir("folder.htm"));
    QCOMPARE(ReadTextFile(dir.filePath("folder.htm")), QString());
}

void PageRoutinesTest::readTextFileUnreadable() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Locked.htm");
    QVERIFY(fixtures::MakeUnreadable(path));
    try {
        ReadTextFile(path);
        QFAIL("reading an unreadable file must throw");
    } catch (const FileReadError& error) {
        QVERIFY(QString::fromStdString(error.what()).contains("Locked.htm"));
    }
}

void PageRoutinesTest::listPagesMatchesExtensionInAnyCase() {
    QTemporaryDir dir;
    for (const char* name : {"b.htm", "A.HTM", "c.Htm", ".hidden.htm", "d.html", "e.htm.bak", "htm"})
        QVERIFY(fixtures::WriteBytes(dir.filePath(name), "x"));
    QVERIFY(QDir(dir.path()).mkdir("sub.htm"));
    QStringList list{"kept"};
    ListPages(dir.filePath("*.htm"), list);
    // Every kind of entry, directories and hidden files included, in name order.
    QCOMPARE(list, (QStringList{"kept", ".hidden.htm", "A.HTM", "b.htm", "c.Htm", "sub.htm"}));
}

void PageRoutinesTest::listPagesMissingFolder() {
    QTemporaryDir dir;
    QStringList list;
    ListPages(dir.filePath("nowhere/*.htm"), list);
    QVERIFY(list.isEmpty());
}

void PageRoutinesTest::pageMatches_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("search");
    QTest::addColumn<bool>("match");
    QTest::newRow("any letter case") << "Use the SEARCH box" << "Search" << true;
    QTest::newRow("inside markup") << "<table><tr>" << "TABLE" << true;
    QTest::newRow("absent") << "nothing here" << "search" << false;
    QTest::newRow("empty search matches nothing") << "anything" << "" << false;
    QTest::newRow("only A..Z fold") << QString::fromUtf8("\u00c9t\u00e9") << QString::fromUtf8("\u00e9t\u00e9") << false;
}

void PageRoutinesTest::pageMatches() {
    QFETCH(QString, page);
    QFETCH(QString, search);
    QFETCH(bool, match);
    QCOMPARE(PageMatches(page, search), match);
}

void PageRoutinesTest::copyText_data() {
    QTest::addColumn<QString>("pageText");
    QTest::addColumn<QString>("clipboard");
    QTest::newRow("empty") << "" << "";
    QTest::newRow("shown paragraph tag becomes a break") << "one<p>two" << "one\r\ntwo";
    QTest::newRow("exact letter case only") << "<P><h3>x</h3><H3>y</H3>" << "<P><h3>x</h3>y\r\n";
    QTest::newRow("document frame removed") << "<html><head><title>T</title></head><body>b</body></html>"
                                            << "T\r\nb";
    QTest::newRow("pre and hr") << "<PRE>code</PRE><hr>end" << "code\r\n\r\nend";
}

void PageRoutinesTest::copyText() {
    QFETCH(QString, pageText);
    QFETCH(QString, clipboard);
    QCOMPARE(CopyTextOf(pageText), clipboard);
}

QTEST_GUILESS_MAIN(PageRoutinesTest)
#include "tst_pageroutines.moc"

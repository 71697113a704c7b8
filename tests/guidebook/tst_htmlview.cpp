// The HTML viewing component: loading by path, relative pictures and links,
// its own link handling, and its settings.
#include "fixtures.h"
#include "htmlview.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QtTest>

using vellum::HtmlView;

namespace {

QByteArray Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage Filled(QColor colour) {
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Whether some pixel of `image` is close to `colour`.
bool Shows(const QImage& image, QColor colour) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) < 40 && qAbs(c.green() - colour.green()) < 40 &&
                qAbs(c.blue() - colour.blue()) < 40)
                return true;
        }
    }
    return false;
}

// Clicks the link whose text is `text` as a user would.
void ClickLink(HtmlView& view, const QString& text) {
    QTextCursor found = view.document()->find(text);
    QVERIFY2(!found.isNull(), qPrintable(text));
    QTextCursor middle(view.document());
    middle.setPosition((found.selectionStart() + found.selectionEnd()) / 2);
    const QPoint at = view.cursorRect(middle).center();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at);
}

}  // namespace

class HtmlViewTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void picturesInAllThreeFormatsShow();
    void linkClicksAreFollowedByTheComponent();
    void linkToMissingPageKeepsThePage();
    void missingFileLeavesViewEmpty();
    void reloadingTheSameFileShowsNewContent();
    void settings();

private:
    QString page(const QString& name) const { return dir_->filePath(name); }
    std::unique_ptr<QTemporaryDir> dir_;
};

void HtmlViewTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void HtmlViewTest::picturesInAllThreeFormatsShow() {
    QVERIFY(fixtures::WriteBytes(page("img/red.gif"), fixtures::RedGif()));
    QVERIFY(fixtures::WriteBytes(page("img/green.jpg"), Encoded(Filled(QColor(0, 200, 0)), "JPEG")));
    QVERIFY(fixtures::WriteBytes(page("img/blue.bmp"), Encoded(Filled(QColor(0, 0, 255)), "BMP")));
    QVERIFY(fixtures::WriteBytes(page("Pictures.htm"),
        "<html><body><p>"
        "<img src=\"img/red.gif\" width=\"40\" height=\"40\"/>"
        "<img src=\"img/green.jpg\" width=\"40\" height=\"40\"/>"
        "<img src=\"img/blue.bmp\" width=\"40\" height=\"40\"/>"
        "</p></body></html>"));

    HtmlView view;
    view.resize(300, 200);
    QVERIFY(view.loadFile(page("Pictures.htm")));
    const QImage shown = view.grab().toImage();
    QVERIFY2(Shows(shown, Qt::red), "GIF picture not shown");
    QVERIFY2(Shows(shown, QColor(0, 200, 0)), "JPEG picture not shown");
    QVERIFY2(Shows(shown, Qt::blue), "BMP picture not shown");
}

void HtmlViewTest::linkClicksAreFollowedByTheComponent() {
    QVERIFY(fixtures::WriteBytes(page("A.htm"),
        "<html><body><p>Page A</p><p><a href=\"sub/B.htm\">to B</a></p></body></html>"));
    QVERIFY(fixtures::WriteBytes(page("sub/B.htm"),
        "<html><body><p>Page B</p><p><a href=\"../A.htm\">back to A</a></p></body></html>"));

    HtmlView view;
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QVERIFY(view.loadFile(page("A.htm")));

    ClickLink(view, "to B");
    QCOMPARE(view.currentFile(), QFileInfo(page("sub/B.htm")).absoluteFilePath());
    QVERIFY(view.toPlainText().contains("Page B"));

    // Relative to B's own folder.
    ClickLink(view, "back to A");
    QCOMPARE(view.currentFile(), QFileInfo(page("A.htm")).absoluteFilePath());
    QVERIFY(!view.isBackwardAvailable());
    QVERIFY(!view.isForwardAvailable());
}

void HtmlViewTest::linkToMissingPageKeepsThePage() {
    QVERIFY(fixtures::WriteBytes(page("A.htm"), "<html><body><p>Page A</p></body></html>"));
    HtmlView view;
    QVERIFY(view.loadFile(page("A.htm")));
    QSignalSpy failures(&view, &HtmlView::loadFailed);

    view.followLink(QUrl("Gone.htm"));
    QCOMPARE(failures.count(), 1);
    QVERIFY(failures.first().first().toString().contains("Gone.htm"));
    QCOMPARE(view.currentFile(), QFileInfo(page("A.htm")).absoluteFilePath());
    QVERIFY(view.toPlainText().contains("Page A"));

    // A fragment of the page shown is no load at all.
    view.followLink(QUrl("#top"));
    QCOMPARE(failures.count(), 1);
}

void HtmlViewTest::missingFileLeavesViewEmpty() {
    QVERIFY(fixtures::WriteBytes(page("A.htm"), "<html><body><p>Page A</p></body></html>"));
    HtmlView view;
    QVERIFY(view.loadFile(page("A.htm")));
    QVERIFY(!view.loadFile(page("Missing.htm")));
    QVERIFY(view.lastError().contains("Missing.htm"));
    QVERIFY(view.toPlainText().isEmpty());
    QVERIFY(view.currentFile().isEmpty());

    QVERIFY(fixtures::MakeUnreadable(page("Locked.htm")));
    QVERIFY(!view.loadFile(page("Locked.htm")));
    QVERIFY(view.lastError().contains("Locked.htm"));
}

void HtmlViewTest::reloadingTheSameFileShowsNewContent() {
    HtmlView view;
    QVERIFY(fixtures::WriteBytes(page("A.htm"), "<html><body><p>first</p></body></html>"));
    QVERIFY(view.loadFile(page("A.htm")));
    QVERIFY(fixtures::WriteBytes(page("A.htm"), "<html><body><p>second</p></body></html>"));
    QVERIFY(view.loadFile(page("A.htm")));
    QCOMPARE(view.toPlainText().trimmed(), QString("second"));
}

void HtmlViewTest::settings() {
    QVERIFY(fixtures::WriteBytes(page("A.htm"),
        "<html><body><p>body text</p><pre>code</pre></body></html>"));
    HtmlView view;
    QVERIFY(view.loadFile(page("A.htm")));

    QCOMPARE(view.palette().color(QPalette::Base), QColor(Qt::white));
    QCOMPARE(view.frameShape(), QFrame::Box);
    QCOMPARE(view.lineWidth(), 1);
    QVERIFY(view.textInteractionFlags() & Qt::TextSelectableByMouse);
    QCOMPARE(view.document()->defaultFont().family(), QString("Times New Roman"));

    const QTextBlock pre = view.document()->find("code").block();
    const QStringList families = pre.begin().fragment().charFormat().fontFamilies().toStringList();
    QVERIFY2(families.contains("Courier New"), qPrintable(families.join(',')));
}

QTEST_MAIN(HtmlViewTest)
#include "tst_htmlview.moc"

// The window "Help Navigator": start-up, search, choosing a result and Copy
// Text, driven as a user drives them, on pages in a temporary program folder.
#include "fixtures.h"
#include "mainform.h"
#include "pageroutines.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using vellum::TForm1;

namespace {

// Page files of the test manual. Only Search_Help mentions the word search,
// only Fonts has a table, and only in its markup.
const char* const kSearchHelp =
    "<html><body><p>Type a word into the SEARCH box.</p></body></html>";
const char* const kTextOut =
    "<html><head><title>TextOut</title></head><body><p>Writes text.</p>"
    "<p><a href=\"Fonts.htm\">Fonts</a></p></body></html>";
const char* const kFonts =
    "<html><body><table><tr><td>Courier</td></tr></table></body></html>";
const char* const kInternal = "<html><body><p>Link inside the document.</p></body></html>";
const char* const kExternal = "<html><body><p>Link to another file.</p></body></html>";
const char* const kShownMarkup =
    "<html><body><p>Before&lt;p&gt;after &lt;H3&gt;Head&lt;/H3&gt;end</p></body></html>";

// The control that Tab moves the focus to from `from`.
QWidget* NextTabStop(QWidget* from) {
    for (QWidget* w = from->nextInFocusChain(); w != from; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(from->window()))
            return w;
    }
    return from;
}

QStringList Items(const QListWidget* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

}  // namespace

class MainFormTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void layoutAndTabOrder();
    void enterSearchesForInitialText();
    void searchLooksAtMarkup();
    void emptySearchListsNothing();
    void everySearchReadsThePagesAgain();
    void pagesSharingADisplayNameOpenTheirOwnFile();
    void keyboardSelectionOpensThePage();
    void copyTextBeforeAnyChoiceIsEmpty();
    void copyTextTurnsShownMarkupIntoBreaks();
    void copyTextAfterFollowingALinkKeepsTheChosenPage();
    void pageVanishedAfterStart();
    void unreadablePageEndsTheActionWithAMessage();
    void missingOrEmptyHtmlFolder_data();
    void missingOrEmptyHtmlFolder();
    void libraryBesideShowsSaveButton_data();
    void libraryBesideShowsSaveButton();

private:
    QString pagePath(const QString& name) const { return dir_->filePath("html/" + name); }
    void writePage(const QString& name, const QByteArray& text) {
        QVERIFY(fixtures::WriteBytes(pagePath(name), text));
    }
    std::unique_ptr<TForm1> makeForm();
    void search(TForm1& form, const QString& text);
    void choose(TForm1& form, int row);

    std::unique_ptr<QTemporaryDir> dir_;
    QStringList errors_;
};

void MainFormTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    errors_.clear();
    writePage("Search_Help.htm", kSearchHelp);
    writePage("TextOut.htm", kTextOut);
    writePage("Fonts.htm", kFonts);
    writePage("CreateLink_Internal.htm", kInternal);
    writePage("CreateLink_External.htm", kExternal);
    writePage("ShownMarkup.htm", kShownMarkup);
}

void MainFormTest::cleanup() {
    // A vanished or unreadable page of a test must not outlive it.
    dir_.reset();
}

std::unique_ptr<TForm1> MainFormTest::makeForm() {
    auto form = std::make_unique<TForm1>(dir_->path());
    form->setErrorReporter([this](const QString& message) { errors_ << message; });
    return form;
}

void MainFormTest::search(TForm1& form, const QString& text) {
    form.txtSearch->setText(text);
    QTest::mouseClick(form.btnSearch, Qt::LeftButton);
}

void MainFormTest::choose(TForm1& form, int row) {
    QListWidgetItem* item = form.lbSearchResultsOK->item(row);
    QVERIFY(item != nullptr);
    const QRect where = form.lbSearchResultsOK->visualItemRect(item);
    QTest::mouseClick(form.lbSearchResultsOK->viewport(), Qt::LeftButton, {}, where.center());
}

void MainFormTest::layoutAndTabOrder() {
    auto form = makeForm();
    QCOMPARE(form->windowTitle(), QString("Help Navigator"));
    QCOMPARE(form->pos(), QPoint(192, 107));
    QCOMPARE(form->size(), QSize(694, 381));
    QCOMPARE(form->txtSearch->text(), QString("Search"));
    QCOMPARE(form->btnSearch->text(), QString("OK"));
    QVERIFY(form->btnSearch->isDefault());
    QCOMPARE(form->btnCopyText->text(), QString("Copy Text"));
    QCOMPARE(form->btnSaveDLLIn->text(), QString("Save a copy of the DLL in ..."));
    QVERIFY(form->btnSaveDLLIn->isHidden());

    const QList<QPair<QWidget*, QRect>> placed = {
        {form->txtSearch, {176, 8, 121, 21}},   {form->btnSearch, {296, 8, 49, 21}},
        {form->lbSearchResultsOK, {8, 8, 153, 337}}, {form->btnCopyText, {384, 8, 75, 21}},
        {form->btnSaveDLLIn, {480, 8, 200, 21}}, {form->htmlLite1, {168, 40, 513, 305}}};
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    form->resize(900, 600);  // no anchoring: nothing moves or grows
    for (const auto& [widget, rect] : placed)
        QCOMPARE(widget->geometry(), rect);

    // Tab order 0, 1, 5, (6 hidden), 7, 8, and round again.
    form->btnSaveDLLIn->show();
    const QList<QWidget*> order = {form->txtSearch, form->btnSearch, form->lbSearchResultsOK,
                                   form->btnSaveDLLIn, form->htmlLite1, form->btnCopyText};
    for (int i = 0; i < order.size(); ++i)
        QCOMPARE(NextTabStop(order[i]), order[(i + 1) % order.size()]);
}

void MainFormTest::enterSearchesForInitialText() {
    auto form = makeForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QCOMPARE(form->lbFilesInFolder.size(), 6);
    form->txtSearch->setFocus();
    QTest::keyClick(form->txtSearch, Qt::Key_Return);
    QCOMPARE(form->lbSearchResults, QStringList{"Search_Help.htm"});
    QCOMPARE(Items(form->lbSearchResultsOK), QStringList{"Search"});
    QVERIFY(errors_.isEmpty());
}

void MainFormTest::searchLooksAtMarkup() {
    auto form = makeForm();
    search(*form, "TABLE");
    QCOMPARE(form->lbSearchResults, QStringList{"Fonts.htm"});
}

void MainFormTest::emptySearchListsNothing() {
    auto form = makeForm();
    search(*form, "link");
    QCOMPARE(form->lbSearchResultsOK->count(), 2);
    search(*form, "");
    QCOMPARE(form->lbSearchResultsOK->count(), 0);
    QVERIFY(form->lbSearchResults.isEmpty());
}

void MainFormTest::everySearchReadsThePagesAgain() {
    auto form = makeForm();
    search(*form, "Courier");
    QCOMPARE(form->lbSearchResults, QStringList{"Fonts.htm"});
    writePage("Fonts.htm", "<html><body><p>Helvetica</p></body></html>");
    search(*form, "Courier");
    QVERIFY(form->lbSearchResults.isEmpty());
}

void MainFormTest::pagesSharingADisplayNameOpenTheirOwnFile() {
    auto form = makeForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    search(*form, "Link");
    QCOMPARE(Items(form->lbSearchResultsOK), (QStringList{"CreateLink", "CreateLink"}));
    QCOMPARE(form->lbSearchResults,
             (QStringList{"CreateLink_External.htm", "CreateLink_Internal.htm"}));

    choose(*form, 1);
    QCOMPARE(form->htmlLite1->currentFile(), pagePath("CreateLink_Internal.htm"));
    QVERIFY(form->PageText.contains("inside the document"));
    choose(*form, 0);
    QCOMPARE(form->htmlLite1->currentFile(), pagePath("CreateLink_External.htm"));
    QVERIFY(form->PageText.contains("another file"));
}

void MainFormTest::keyboardSelectionOpensThePage() {
    auto form = makeForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    search(*form, "Link");
    choose(*form, 0);
    QTest::keyClick(form->lbSearchResultsOK, Qt::Key_Down);
    QCOMPARE(form->htmlLite1->currentFile(), pagePath("CreateLink_Internal.htm"));
    QVERIFY(form->PageText.contains("inside the document"));
}

void MainFormTest::copyTextBeforeAnyChoiceIsEmpty() {
    auto form = makeForm();
    QGuiApplication::clipboard()->setText("held before");
    QTest::mouseClick(form->btnCopyText, Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString());
}

void MainFormTest::copyTextTurnsShownMarkupIntoBreaks() {
    auto form = makeForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    search(*form, "Before");
    choose(*form, 0);
    QTest::mouseClick(form->btnCopyText, Qt::LeftButton);
    // <body> and <p> of the file become breaks when the text is made; the
    // paragraph and heading tags shown as text become breaks on copying.
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("\r\n\r\nBefore\r\nafter Head\r\nend\r\n"));
}

void MainFormTest::copyTextAfterFollowingALinkKeepsTheChosenPage() {
    auto form = makeForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    search(*form, "Writes");
    choose(*form, 0);
    form->htmlLite1->followLink(QUrl("Fonts.htm"));
    QCOMPARE(form->htmlLite1->currentFile(), pagePath("Fonts.htm"));

    QTest::mouseClick(form->btnCopyText, Qt::LeftButton);
    const QString copied = QGuiApplication::clipboard()->text();
    QVERIFY(copied.contains("Writes text."));
    QVERIFY(!copied.contains("Courier"));
}

void MainFormTest::pageVanishedAfterStart() {
    auto form = makeForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    search(*form, "Writes");
    choose(*form, 0);
    search(*form, "Link");
    QVERIFY(QFile::remove(pagePath("CreateLink_External.htm")));

    choose(*form, 0);
    QCOMPARE(form->PageText, QString());
    QCOMPARE(errors_.size(), 1);
    QVERIFY(errors_.first().contains("CreateLink_External.htm"));

    // Still usable: the vanished page no longer matches, the other one opens.
    search(*form, "Link");
    QCOMPARE(form->lbSearchResults, QStringList{"CreateLink_Internal.htm"});
    choose(*form, 0);
    QVERIFY(form->PageText.contains("inside the document"));
    QCOMPARE(errors_.size(), 1);
}

void MainFormTest::unreadablePageEndsTheActionWithAMessage() {
    auto form = makeForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    search(*form, "Link");
    choose(*form, 1);
    const QString chosenText = form->PageText;
    QVERIFY(fixtures::MakeUnreadable(pagePath("CreateLink_External.htm")));

    choose(*form, 0);
    QCOMPARE(errors_.size(), 1);
    QVERIFY(errors_.last().contains("CreateLink_External.htm"));
    QCOMPARE(form->PageText, chosenText);

    // The search stops at the unreadable page; what it found before stays.
    writePage("Apage.htm", "<html><body>a Link page</body></html>");
    form->lbFilesInFolder.prepend("Apage.htm");
    search(*form, "Link");
    QCOMPARE(errors_.size(), 2);
    QCOMPARE(form->lbSearchResults, QStringList{"Apage.htm"});
    QVERIFY(form->isVisible());
}

void MainFormTest::missingOrEmptyHtmlFolder_data() {
    QTest::addColumn<bool>("folderExists");
    QTest::newRow("missing") << false;
    QTest::newRow("empty") << true;
}

void MainFormTest::missingOrEmptyHtmlFolder() {
    QFETCH(bool, folderExists);
    QTemporaryDir program;
    if (folderExists)
        QVERIFY(QDir(program.path()).mkdir("html"));
    TForm1 form(program.path());
    form.setErrorReporter([this](const QString& message) { errors_ << message; });
    QVERIFY(form.lbFilesInFolder.isEmpty());
    QTest::mouseClick(form.btnSearch, Qt::LeftButton);
    QCOMPARE(form.lbSearchResultsOK->count(), 0);
    form.lbSearchResultsOKClick();
    QCOMPARE(form.PageText, QString());
    QVERIFY(errors_.isEmpty());
}

void MainFormTest::libraryBesideShowsSaveButton_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("visible");
    QTest::newRow("none") << "" << false;
    QTest::newRow("Vellum_XP.dll") << "Vellum_XP.dll" << true;
    QTest::newRow("Vellum_Net.dll") << "Vellum_Net.dll" << true;
    QTest::newRow("Vellum_XP.so") << "Vellum_XP.so" << true;
    QTest::newRow("letter case ignored") << "VELLUM_XP.SO" << true;
    QTest::newRow("other library") << "Vellum_XP.dylib" << false;
}

void MainFormTest::libraryBesideShowsSaveButton() {
    QFETCH(QString, file);
    QFETCH(bool, visible);
    if (!file.isEmpty())
        QVERIFY(fixtures::WriteBytes(dir_->filePath(file), "library"));
    auto form = makeForm();
    QCOMPARE(!form->btnSaveDLLIn->isHidden(), visible);
}

QTEST_MAIN(MainFormTest)
#include "tst_mainform.moc"

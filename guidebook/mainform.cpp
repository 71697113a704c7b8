#include "mainform.h"

#include "pageroutines.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <exception>

namespace vellum {
namespace {

// The window's position on the screen and its outer size, frame included.
constexpr QPoint kWindowPos{192, 107};
constexpr QSize kOuterSize{694, 381};

// Library files whose presence beside the program shows btnSaveDLLIn.
const char* const kLibraryFiles[] = {"Vellum_XP.dll", "Vellum_Net.dll", "Vellum_XP.so"};

// File names are compared as the Windows file system does, ignoring case.
bool LibraryBeside(const QString& folder) {
    const QStringList present =
        QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const char* name : kLibraryFiles) {
        if (present.contains(QLatin1String(name), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

}  // namespace

void ResultList::keyPressEvent(QKeyEvent* event) {
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (currentRow() != before && onKeyboardSelect)
        onKeyboardSelect();
}

TForm1::TForm1(const QString& programFolder, QWidget* parent)
    : QWidget(parent), programFolder_(programFolder) {
    if (!programFolder_.isEmpty() && !programFolder_.endsWith(u'/'))
        programFolder_ += u'/';
    reportError_ = [this](const QString& message) {
        QMessageBox::critical(this, windowTitle(), message);
    };
    setWindowTitle(QStringLiteral("Help Navigator"));
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);
    move(kWindowPos);
    resize(kOuterSize);
    createControls();
    FormCreate();
}

void TForm1::createControls() {
    txtSearch = new QLineEdit(QStringLiteral("Search"), this);
    txtSearch->setGeometry(176, 8, 121, 21);

    btnSearch = new QPushButton(QStringLiteral("OK"), this);
    btnSearch->setGeometry(296, 8, 49, 21);
    btnSearch->setDefault(true);

    lbSearchResultsOK = new ResultList(this);
    lbSearchResultsOK->setGeometry(8, 8, 153, 337);
    lbSearchResultsOK->setSelectionMode(QAbstractItemView::SingleSelection);

    btnCopyText = new QPushButton(QStringLiteral("Copy Text"), this);
    btnCopyText->setGeometry(384, 8, 75, 21);
    btnCopyText->setAutoDefault(true);

    btnSaveDLLIn = new QPushButton(QStringLiteral("Save a copy of the DLL in ..."), this);
    btnSaveDLLIn->setGeometry(480, 8, 200, 21);
    btnSaveDLLIn->setAutoDefault(true);
    btnSaveDLLIn->setVisible(false);

    htmlLite1 = new HtmlView(this);
    htmlLite1->setGeometry(168, 40, 513, 305);

    // Tab order 0, 1, 5, 6, 7, 8; 3 and 4 were the hidden storage lists.
    setTabOrder(txtSearch, btnSearch);
    setTabOrder(btnSearch, lbSearchResultsOK);
    setTabOrder(lbSearchResultsOK, btnSaveDLLIn);
    setTabOrder(btnSaveDLLIn, htmlLite1);
    setTabOrder(htmlLite1, btnCopyText);
    txtSearch->setFocus();

    connect(btnSearch, &QPushButton::clicked, this, &TForm1::btnSearchClick);
    connect(btnCopyText, &QPushButton::clicked, this, &TForm1::btnCopyTextClick);
    connect(lbSearchResultsOK, &QListWidget::itemClicked, this, &TForm1::lbSearchResultsOKClick);
    lbSearchResultsOK->onKeyboardSelect = [this] { lbSearchResultsOKClick(); };
    connect(htmlLite1, &HtmlView::loadFailed, this,
            [this](const QString& message) { reportError_(message); });
}

void TForm1::FormCreate() {
    ListPages(pagesFolder() + QStringLiteral("*.htm"), lbFilesInFolder);
    btnSaveDLLIn->setVisible(LibraryBeside(programFolder_));
}

void TForm1::btnSearchClick() {
    lbSearchResults.clear();
    lbSearchResultsOK->clear();
    runAction([this] {
        for (const QString& name : std::as_const(lbFilesInFolder)) {
            const QString page = ReadTextFile(pagesFolder() + name);
            if (PageMatches(page, txtSearch->text())) {
                lbSearchResults.append(name);
                lbSearchResultsOK->addItem(DisplayName(name));
            }
        }
    });
}

void TForm1::lbSearchResultsOKClick() {
    const QModelIndexList selected = lbSearchResultsOK->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    const int k = selected.first().row();
    if (k >= lbSearchResults.size())
        return;
    runAction([this, k] {
        const QString path = pagesFolder() + lbSearchResults.at(k);
        const bool shown = htmlLite1->loadFile(path);
        // A page that exists but cannot be read ends the action here.
        if (!shown && QFileInfo(path).isFile())
            throw FileReadError(htmlLite1->lastError());
        PageText = HtmlToText(ReadTextFile(path));
        // A page that vanished since start reads as empty; say so.
        if (!shown)
            reportError_(htmlLite1->lastError());
    });
}

void TForm1::btnCopyTextClick() {
    QApplication::clipboard()->setText(CopyTextOf(PageText));
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    // btnSearch is the default button: Enter presses it wherever the focus
    // is, unless the focused control used the key itself.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        btnSearch->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!sized_) {
        sized_ = true;
        QTimer::singleShot(0, this, &TForm1::fitOuterSize);
    }
}

void TForm1::fitOuterSize() {
    // Qt sizes the client area; the window manager's frame is known only
    // once the window is shown.
    const QSize frame = frameGeometry().size() - size();
    if (frame.width() > 0 || frame.height() > 0)
        resize(kOuterSize - frame);
}

void TForm1::runAction(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        reportError_(QString::fromStdString(error.what()));
    }
}

}  // namespace vellum

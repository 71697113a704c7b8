// TForm1, the window of the documentation browser "Help Navigator": a search
// box, the list of matching pages, the page viewer and Copy Text.
#pragma once

#include "htmlview.h"

#include <QListWidget>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QLineEdit;
class QPushButton;

namespace vellum {

// The visible result list. Moving the selection with the keyboard counts as
// a click, as it does in the list boxes this window was designed with.
class ResultList : public QListWidget {
public:
    using QListWidget::QListWidget;
    std::function<void()> onKeyboardSelect;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

class TForm1 : public QWidget {
    Q_OBJECT

public:
    // `programFolder` is the folder of the program file, the pages lie in its
    // sub-folder "html". The window lists them at once (FormCreate).
    explicit TForm1(const QString& programFolder, QWidget* parent = nullptr);

    QLineEdit* txtSearch = nullptr;
    QPushButton* btnSearch = nullptr;
    ResultList* lbSearchResultsOK = nullptr;
    QPushButton* btnCopyText = nullptr;
    QPushButton* btnSaveDLLIn = nullptr;
    HtmlView* htmlLite1 = nullptr;

    // Page file names, filled once at start, and the file names of the
    // current results (entry k belongs to entry k of lbSearchResultsOK).
    QStringList lbFilesInFolder;
    QStringList lbSearchResults;

    // Plain text of the page last chosen from the result list.
    QString PageText;

    QString programFolder() const { return programFolder_; }
    QString pagesFolder() const { return programFolder_ + QStringLiteral("html/"); }

    // Where error messages go; a message box unless replaced (tests do).
    using ErrorReporter = std::function<void(const QString&)>;
    void setErrorReporter(ErrorReporter reporter) { reportError_ = std::move(reporter); }

public slots:
    void FormCreate();
    void btnSearchClick();
    void lbSearchResultsOKClick();
    void btnCopyTextClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    void fitOuterSize();
    // Runs one user action; a failure ends it with a message and the window
    // keeps the state reached so far.
    void runAction(const std::function<void()>& action);

    QString programFolder_;
    ErrorReporter reportError_;
    bool sized_ = false;
};

}  // namespace vellum

using vellum::TForm1;

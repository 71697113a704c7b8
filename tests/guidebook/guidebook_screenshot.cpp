// Renders the browser window with a search made and one result chosen, for
// the picture of the window in the documentation.
//   guidebook_screenshot PROGRAM_FOLDER OUTPUT.png WORD PAGE
// searches for WORD and chooses the result that is the page file PAGE.
// PROGRAM_FOLDER holds the html folder of pages (as beside guidebook).
#include "mainform.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: guidebook_screenshot PROGRAM_FOLDER OUTPUT.png WORD PAGE\n");
        return 2;
    }
    TForm1 form(QString::fromLocal8Bit(argv[1]));
    form.setErrorReporter([](const QString& message) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    });
    form.show();
    form.txtSearch->setText(QString::fromLocal8Bit(argv[3]));
    form.btnSearch->click();
    const auto row = form.lbSearchResults.indexOf(QString::fromLocal8Bit(argv[4]));
    if (row < 0) {
        std::fprintf(stderr, "the search did not find %s\n", argv[4]);
        return 1;
    }
    form.lbSearchResultsOK->setCurrentRow(int(row));
    form.lbSearchResultsOKClick();

    int status = 1;
    QTimer::singleShot(500, [&] {
        status = form.grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
        QApplication::quit();
    });
    QApplication::exec();
    return status;
}

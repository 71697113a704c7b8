// guidebook: the documentation browser of the Vellum library.
#include "mainform.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("guidebook"));
    TForm1 form(QApplication::applicationDirPath());
    form.show();
    return QApplication::exec();
}

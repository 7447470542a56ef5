// The folionix program: the main window, until it is closed.
#include "window/frmMulti.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Folionix"));
    QApplication::setDesktopFileName(QStringLiteral("folionix"));
    folionix::frmMulti window;
    window.show();
    return QApplication::exec();
}

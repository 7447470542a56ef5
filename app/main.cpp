// The folionix program: the main window, until it is closed. Files named on the command line
// (`folionix FILE...`, as the desktop entry's "Open With" passes them) start in the list.
#include "window/frmMulti.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Folionix"));
    QApplication::setDesktopFileName(QStringLiteral(FOLIONIX_DESKTOP_ID));
    folionix::frmMulti window;
    window.show();
    // QApplication has taken its own options (-style, -platform, ...) out of the arguments.
    window.AddCommandLineFiles(QApplication::arguments().mid(1));
    return QApplication::exec();
}

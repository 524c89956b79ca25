#include "ProgramLook.h"
#include "desktop/AppEnvironment.h"
#include "desktop/CloseOnSignals.h"
#include "desktop/HugePageHeap.h"
#include "main/frmMain.h"

#include <QApplication>
#include <QMessageBox>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    restartWithHugePageHeap(argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"talus-test-app"_s);
    QApplication::setDesktopFileName(u"org.talus.testapp"_s);
    applyProgramFonts();
    QApplication::setWindowIcon(programIcon());

    frmMain window(AppEnvironment::system());
    // Messages go through Qt's handler, which writes them to standard error.
    if (const Result<> loaded = window.Form_Load(); !loaded) {
        qCritical("%s", qPrintable(loaded.reason()));
        QMessageBox::critical(nullptr, window.windowTitle(), loaded.reason());
        return 1;
    }
    CloseOnSignals closeOnSignals(window);
    window.show();
    return app.exec();
}

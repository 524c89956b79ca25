#include "ProgramLook.h"
#include "desktop/AppEnvironment.h"
#include "desktop/CloseOnSignals.h"
#include "desktop/ProgramFolder.h"
#include "main/frmMain.h"

#include <QApplication>
#include <QMessageBox>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    // Resolved first thing, before anything can replace or remove the program's file.
    startedProgramFile();
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"talus-test-app"_s);
    QApplication::setDesktopFileName(u"org.talus.testapp"_s);
    applyProgramFonts();
    QApplication::setWindowIcon(programIcon());

    Result<AppEnvironment> env = AppEnvironment::system();
    if (!env) {
        qCritical("%s", qPrintable(env.reason()));
        QMessageBox::critical(nullptr, QApplication::applicationName(), env.reason());
        return 1;
    }
    frmMain window(std::move(env).value());
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

#include "ProgramLook.h"
#include "desktop/AppEnvironment.h"
#include "desktop/CloseOnSignals.h"
#include "desktop/HugePageHeap.h"
#include "main/frmMain.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

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
    QString error;
    if (!window.Form_Load(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        QMessageBox::critical(nullptr, window.windowTitle(), error);
        return 1;
    }
    CloseOnSignals closeOnSignals(window);
    window.show();
    return app.exec();
}

#include "app/AppEnvironment.h"
#include "app/ProgramLook.h"
#include "app/frmMain.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.talus.testapp"));
    ApplyProgramFonts();
    QApplication::setWindowIcon(ProgramIcon());

    frmMain window(AppEnvironment::system());
    QString error;
    if (!window.Form_Load(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        QMessageBox::critical(nullptr, window.windowTitle(), error);
        return 1;
    }
    window.show();
    return app.exec();
}

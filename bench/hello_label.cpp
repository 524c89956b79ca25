// The yardstick of the start-up figure: the least a Qt Widgets program does to show a window.

#include <QApplication>
#include <QLabel>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLabel label(u"Hello, world"_s);
    label.show();
    return app.exec();
}

#include "desktop/MessageBoxes.h"

#include <QMessageBox>

void MessageBoxes::critical(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
    box.exec();
}

#include "desktop/MessageBoxes.h"

#include <QMessageBox>
#include <QPushButton>

void MessageBoxes::critical(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
    box.exec();
}

bool MessageBoxes::question(QWidget *parent, const QString &title, const QString &text,
                            const QString &acceptText, const QString &rejectText)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    QPushButton *const accept = box.addButton(acceptText, QMessageBox::AcceptRole);
    QPushButton *const reject = box.addButton(rejectText, QMessageBox::RejectRole);
    box.setDefaultButton(reject);
    box.setEscapeButton(reject);
    box.exec();
    return box.clickedButton() == accept;
}

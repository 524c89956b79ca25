#pragma once

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>
#include <QTimer>

// Opens the context menu of `view` (a scroll area, the event sent to its viewport) and reads
// its entries as a screen reader reaches them, through the menu's accessible children: a name
// ("&" dropped), "" for a separator, "[name]" while disabled, "name (checked)", and "unreachable"
// for a child whose interface is dead or answers for another menu. The menu is closed after.
inline QStringList contextMenuEntries(QAbstractScrollArea *view)
{
    using namespace Qt::StringLiterals;
    QStringList entries;
    bool read = false;
    // Whether or not the menu runs an event loop of its own, this runs while it is open.
    QTimer::singleShot(0, view, [&] {
        QWidget *menu = QApplication::activePopupWidget();
        QAccessibleInterface *tree = menu ? QAccessible::queryAccessibleInterface(menu) : nullptr;
        for (int i = 0; tree && i < tree->childCount(); ++i) {
            QAccessibleInterface *item = tree->child(i);
            if (!item || !item->isValid() || !item->parent() || item->parent()->object() != menu)
                entries << u"unreachable"_s;
            else if (item->role() == QAccessible::Separator)
                entries << QString();
            else if (item->state().disabled)
                entries << u"[%1]"_s.arg(item->text(QAccessible::Name));
            else if (item->state().checked)
                entries << u"%1 (checked)"_s.arg(item->text(QAccessible::Name));
            else
                entries << item->text(QAccessible::Name);
        }
        if (menu)
            menu->close();
        read = true;
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, {5, 5},
                            view->viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(view->viewport(), &event);
    if (!QTest::qWaitFor([&] { return read; }))
        entries << u"no menu"_s;
    return entries;
}

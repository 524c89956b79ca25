#pragma once

#include <QFrame>
#include <QKeySequence>
#include <QMenu>

class QLabel;
class QLineEdit;
class QToolButton;

// The find field over the top right corner of a pane: the text, "N of M" or "No matches", and
// a Match Case toggle (Alt+C). A child of the window, not a popup, so that accessibility
// clients see it; it moves no control, it only covers a corner. Enter and F3 ask for the next
// match, Shift+Enter and Shift+F3 for the previous one, Esc closes it.
class FindBar final : public QFrame
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FindBar)

public:
    // Made a child of `target`'s window, placed over `target`'s top right corner when opened.
    explicit FindBar(QWidget *target);

    // A find bar over view that drives view's search, findNext and findPrevious.
    template <typename View>
    static FindBar *over(View *view, void (View::*search)())
    {
        auto *bar = new FindBar(view);
        connect(bar, &FindBar::searchChanged, view, search);
        connect(bar, &FindBar::nextRequested, view, &View::findNext);
        connect(bar, &FindBar::previousRequested, view, &View::findPrevious);
        return bar;
    }

    // A view's context-menu entries for finding, with their keys. Returns the next and the
    // previous entry, which the view enables only while there are matches to move between.
    template <typename View>
    static QList<QAction *> addMenuActions(QMenu &menu, View *view)
    {
        menu.addAction(tr("Find\u2026"), QKeySequence::Find, view, &View::openFind);
        return {
            menu.addAction(tr("Find Next"), QKeySequence::FindNext, view, &View::findNext),
            menu.addAction(tr("Find Previous"), QKeySequence::FindPrevious, view,
                           &View::findPrevious),
        };
    }

    // Shows the field over the target with its text selected, and gives it the focus.
    void open();
    QString text() const;
    bool matchCase() const;
    QLineEdit *field() const { return m_field; }
    QString countText() const;

    // current counts from 1; 0 with a total: none chosen yet. finished false: more may come.
    void showCount(qsizetype current, qsizetype total, bool finished);
    void clearCount();

Q_SIGNALS:
    void searchChanged();
    void nextRequested();
    void previousRequested();
    // Esc: the field is hidden; the target takes the focus back.
    void closed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_target;
    QLineEdit *m_field;
    QLabel *m_count;
    QToolButton *m_matchCase;
};

#include "FindBar.h"
#include "FlexGrid.h"
#include "JobGrid.h"
#include "TrafficView.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

// What the find field says and selects after a step: "2 of 3@4-7", "No matches@0-0",
// "closed@1-2" once Esc has hidden it.
static QString outcome(const TrafficView &view)
{
    const FindBar *bar = view.findBar();
    const QString label = bar->isVisible() ? bar->countText() : u"closed"_s;
    return u"%1@%2-%3"_s.arg(label).arg(view.selectionStart()).arg(view.selectionEnd());
}

// Steps and outcomes are written as one text, "|" between them.
static QStringList split(const char *text)
{
    return QString::fromUtf8(text).split(u'|');
}

// "type:text" keys it into the field, "set:text" sets it (\r \n written out), else a key name
// pressed in the field.
static void act(FindBar *bar, const QString &step)
{
    if (step.startsWith(u"type:"_s)) {
        QTest::keyClicks(bar->field(), step.mid(5));
    } else if (step.startsWith(u"set:"_s)) {
        bar->field()->setText(step.mid(4).replace(u"\\r"_s, u"\r"_s).replace(u"\\n"_s, u"\n"_s));
    } else {
        const QKeySequence key(step);
        QTest::keyClick(bar->field(), Qt::Key(key[0].key()), key[0].keyboardModifiers());
    }
}

class tst_Find final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_window = std::make_unique<QWidget>();
        m_view = new TrafficView;
        m_grid = new FlexGrid;
        m_grid->setObjectName(u"gridCon_1"_s); // its find bar: gridCon_1Find
        auto *layout = new QVBoxLayout(m_window.get());
        layout->addWidget(m_view);
        layout->addWidget(m_grid);
        m_window->resize(640, 480);
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }

    void cleanup() { m_window.reset(); }

    // Steps as act() takes them, or "new" to show a new response. One outcome per step. Matches
    // found in pieces, and across the head's end, are tst_matchscan's.
    void pane_data()
    {
        QTest::addColumn<QByteArray>("head"); // shown in front when not empty
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("outcomes");
        const auto row = [](const char *name, const QByteArray &body, const char *steps,
                            const QString &outcomes, const QByteArray &head = {}) {
            QTest::newRow(name) << head << body << split(steps) << outcomes.split(u'|');
        };
        row("counts, next and previous wrap at both ends", "abc abc abc",
            "type:abc|Return|Return|Return|Shift+Return|F3|Shift+F3|Shift+F3",
            u"1 of 3@0-3|2 of 3@4-7|3 of 3@8-11|1 of 3@0-3|3 of 3@8-11|1 of 3@0-3|3 of 3@8-11|"
            "2 of 3@4-7"_s);
        row("ASCII letters in either case, then Match Case (Alt+C)", "Job JOB job",
            "type:job|Alt+C|Alt+C", u"1 of 3@0-3|1 of 1@8-11|3 of 3@8-11"_s);
        row("UTF-8 text, its ASCII letters in either case", "caf\xc3\xa9 CAF\xc3\xa9 caf\xc3\x89",
            "set:café|Return", u"1 of 2@0-5|2 of 2@6-11"_s);
        row("a match across line ends", "a\r\nb\nc\r\nb", "set:\\r\\nb|Return",
            u"1 of 2@1-4|2 of 2@6-9"_s);
        row("no matches, empty pane", "", "type:a", u"No matches@0-0"_s);
        row("the head shown: a match in it and one from it into the body", "{}",
            "type:ok|set:\\r\\n{", u"1 of 1@13-15|1 of 1@36-39"_s,
            "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n");
        row("Esc closes, the match stays selected", "abab", "type:b|Escape",
            u"1 of 2@1-2|closed@1-2"_s);
        row("a new response drops the matches", "aa", "type:a|new|Return",
            u"1 of 2@0-1|@0-0|1 of 2@0-1"_s);
    }

    void pane()
    {
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, body);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, outcomes);
        m_view->setShowHead(!head.isEmpty());
        m_view->setBytes(body, LineIndex(), head);
        m_view->setFocus();
        QTest::keyClick(m_view, Qt::Key_F, Qt::ControlModifier);
        FindBar *bar = m_view->findBar();
        QVERIFY(bar && bar->isVisible());
        QCOMPARE(bar->parentWidget(), m_window.get());
        QCOMPARE(bar->field()->accessibleName(), u"Find"_s);
        QCOMPARE(QApplication::focusWidget(), bar->field());
        // Over the pane's top right corner.
        const QRect pane(m_view->mapTo(m_window.get(), QPoint()), m_view->size());
        QCOMPARE(bar->geometry().topRight(), pane.topRight());
        for (qsizetype i = 0; i < steps.size(); ++i) {
            if (steps.at(i) == u"new"_s)
                m_view->setBytes(body, LineIndex(), head);
            else
                act(bar, steps.at(i));
            QTRY_COMPARE(outcome(*m_view), outcomes.at(i));
        }
        if (outcomes.last().startsWith(u"closed"_s))
            QCOMPARE(QApplication::focusWidget(), m_view);
    }

    // The grid finds rows whose externalId holds the text, and selects the one it moves to
    // alone, whatever keys are held.
    void grid_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("outcomes"); // "N of M@row [rows selected]"
        QTest::newRow("either case, wrapping")
            << split("type:job|Return|Return|Return|Shift+Return|F3")
            << split(
                   "1 of 3@1 [1]|2 of 3@2 [2]|3 of 3@4 [4]|1 of 3@1 [1]|3 of 3@4 [4]|1 of 3@1 [1]");
        QTest::newRow("Match Case")
            << split("type:job|Alt+C") << split("1 of 3@1 [1]|1 of 2@1 [1]");
        QTest::newRow("not in another column")
            << split("type:Running") << split("No matches@1 [1]");
        QTest::newRow("UTF-8") << split("set:é") << split("1 of 1@3 [3]");
    }

    void grid()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, outcomes);
        InitJobGrid(*m_grid);
        const QStringList ids{u"job-1"_s, u"JOB-2"_s, u"caf\u00e9"_s, u"job-10"_s};
        m_grid->setRows(int(ids.size()) + 1);
        for (int row = 1; row <= ids.size(); ++row) {
            m_grid->setTextMatrix(row, 0, ids.at(row - 1));
            m_grid->setTextMatrix(row, 1, u"Running"_s);
        }
        m_grid->setFocus();
        QTest::keyClick(m_grid, Qt::Key_F, Qt::ControlModifier);
        auto *bar = m_window->findChild<FindBar *>(u"gridCon_1Find"_s);
        QVERIFY(bar && bar->isVisible());
        QCOMPARE(QApplication::focusWidget(), bar->field());
        for (qsizetype i = 0; i < steps.size(); ++i) {
            act(bar, steps.at(i));
            QStringList selected;
            for (const QModelIndex &row : m_grid->selectionModel()->selectedRows())
                selected << QString::number(row.row() + 1);
            QCOMPARE(
                u"%1@%2 [%3]"_s.arg(bar->countText()).arg(m_grid->Row()).arg(selected.join(u',')),
                outcomes.at(i));
        }
        QTest::keyClick(bar->field(), Qt::Key_Escape);
        QVERIFY(!bar->isVisible());
        QCOMPARE(QApplication::focusWidget(), m_grid);
    }

private:
    std::unique_ptr<QWidget> m_window;
    TrafficView *m_view = nullptr;
    FlexGrid *m_grid = nullptr;
};

QTEST_MAIN(tst_Find)
#include "tst_find.moc"

#include "FindBar.h"
#include "MenuEntries.h"
#include "TrafficView.h"
#include "text/Utf8Walk.h"

#include <QAccessible>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

// As the decoder reads it, a leading byte order mark included.
static QString decoded(const QByteArray &body)
{
    return QString::fromUtf8("x" + body).mid(1);
}

// Accessible offsets from a start to an end.
using Range = std::pair<int, int>;

class tst_TrafficView final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_window = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(m_window.get());
        layout->addWidget(m_view = new TrafficView);
        layout->addWidget(new QLineEdit);
        m_view->setFont(QFont(u"DejaVu Sans Mono"_s, 9));
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        m_view->setFocus();
    }

    // Where lines end, and the index built while the body arrives, are checked against a plain
    // reading by the line index's fuzz target, but none of its seeds puts a CR LF across the
    // scan's 16-byte blocks; here what the view makes of the lines. How each byte decodes is
    // tst_utf8walk's.
    void shown_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("lines"); // joined with '|'
        const auto row = [](const char *name, const QByteArray &body, QByteArray lines = {}) {
            QTest::newRow(name) << body << decoded(lines.isNull() ? body : lines);
        };
        row("empty", "", "");
        row("CR LF", "GET /\r\nHost: a\r\n", "GET /|Host: a|");
        // In the accessible text CR LF is two characters, the emoji two units.
        row("outside the basic plane", "ab\r\nc\xc3\xa9\xf0\x9f\x98\x80\xffz\rlast",
            "ab|cé😀\uFFFDz|last");
        row("long mixed line, past a checkpoint", QByteArray("\xc3\xa9\xff-").repeated(3000));
        row("1 MB single line", QByteArray(1 << 20, 'x') + "END");
        row("mixed line ends, CR LF across 16-byte blocks",
            QByteArray("ab\r\r\ncd\n\re\rf\r\n").repeated(500),
            QByteArray("ab||cd||e|f|").repeated(500));
        row("20,000 CR LF lines, ending in a line end", QByteArray("text\r\n").repeated(20000),
            QByteArray("text|").repeated(20000));
    }

    // Lines as the accessible text reads them (line ends dropped), its ranges (past the end
    // too), Ctrl+End to the last line, Ctrl+Shift+End from the start selecting all, Clear.
    void shown()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, lines);
        m_view->setBytes(body);
        auto *accessible = QAccessible::queryAccessibleInterface(m_view)->textInterface();
        QStringList shown;
        bool more = true;
        for (int offset = 0, start = 0; more;) {
            QString line =
                accessible->textAtOffset(offset, QAccessible::LineBoundary, &start, &offset);
            more = line.endsWith(u'\n') || line.endsWith(u'\r');
            line.chop(line.endsWith(u"\r\n"_s) ? 2 : more ? 1 : 0);
            shown << line;
        }
        QCOMPARE(shown.join(u'|'), lines);
        const QString text = decoded(body);
        QCOMPARE(accessible->characterCount(), text.size());
        const int size = static_cast<int>(text.size()), step = size > 40 ? size / 7 : 1;
        for (int start = 0; start <= size; start += step)
            for (int end = start; end <= size + 2; end += step)
                QCOMPARE(accessible->text(start, end), text.mid(start, end - start));
        QTest::keyClick(m_view, Qt::Key_End, Qt::ControlModifier);
        const qsizetype last = m_view->lineCount() - 1, first = m_view->firstVisibleLine();
        QVERIFY(first <= last && last < first + m_view->visibleLineCount());
        const QRect cursor = m_view->characterRect(m_view->cursorPosition());
        QVERIFY(m_view->viewport()->rect().contains(cursor));
        QTest::keyClick(m_view, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(std::pair(m_view->firstVisibleLine(), m_view->hasSelection()),
                 std::pair(qsizetype(0), false));
        QTest::keyClick(m_view, Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(std::pair(m_view->selectedBytes(), m_view->firstVisibleLine()),
                 std::pair(body, first));
        m_view->clear();
        QCOMPARE(std::tuple(m_view->bytes(), m_view->lineCount(), m_view->hasSelection(),
                            m_view->firstVisibleLine(), m_view->verticalScrollBar()->maximum()),
                 std::tuple(QByteArray(), 1, false, 0, 0));
    }

    void selectionCopiesExactBytes_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("keys"); // a key sequence, up to four keys
        // Columns and lines of a drag, pressed at the first, released at the last; one: Shift+click
        QTest::addColumn<QList<QPoint>>("drag");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray request("GET /x HTTP/1.1\r\nHost: a\r\n\r\nbody\rcr");
        const QByteArray lines("first\nsecond\nthird");
        const auto row = [](const char *name, const QByteArray &body, const char *keys,
                            const QByteArray &expected, const QList<QPoint> &drag = {}) {
            QTest::newRow(name) << body << QString::fromLatin1(keys) << drag << expected;
        };
        row("Shift+Down takes CR LF whole", request, "Shift+Down, Shift+Down", request.first(26));
        row("Shift+Left steps over CR LF at once", request, "Down, Shift+Left", "\r\n");
        row("Ctrl+Shift+End", request, "Down, Ctrl+Shift+End", "Host: a\r\n\r\nbody\rcr");
        row("Shift+Down through a short line keeps the column", "abcdef\nx\nabcdefgh",
            "End, Shift+Down, Shift+Down", "\nx\nabcdef");
        row("Shift+Right takes a whole character", "\xc3\xa9!", "Shift+Right", "\xc3\xa9");
        row("Shift+Left at the end of a 1 MB line", QByteArray(1 << 20, 'x') + "END",
            "End, Shift+Left, Shift+Left", "ND");
        row("invalid UTF-8 kept", "a\xff\xfe\r\n\xc3", "Ctrl+A", "a\xff\xfe\r\n\xc3");
        row("drag within a line", lines, "", "eco", {{1, 1}, {3, 1}, {4, 1}});
        row("drag backwards over lines", lines, "", "st\nsecond\nth", {{2, 2}, {3, 0}});
        row("Shift+click extends", lines, "Right, Right", "rst\nsecond\nt", {{1, 2}});
    }

    void selectionCopiesExactBytes()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, keys);
        QFETCH(QList<QPoint>, drag);
        QFETCH(QByteArray, expected);
        QGuiApplication::clipboard()->clear();
        m_view->setBytes(body);
        QTest::keySequence(m_view, QKeySequence(keys));
        QWidget *viewport = m_view->viewport();
        // The left edge of a column on a line (both from 0).
        const auto at = [r = m_view->characterRect(0)](QPoint cell) {
            return QPoint(r.left() + cell.x() * r.width(), r.center().y() + cell.y() * r.height());
        };
        const Qt::KeyboardModifiers shift(drag.size() == 1 ? Qt::ShiftModifier : Qt::NoModifier);
        if (!drag.isEmpty()) {
            QTest::mousePress(viewport, Qt::LeftButton, shift, at(drag.first()));
            for (const QPoint &cell : drag.mid(1))
                QTest::mouseMove(viewport, at(cell));
            QTest::mouseRelease(viewport, Qt::LeftButton, shift, at(drag.last()));
        }
        QTest::keyClick(m_view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), Utf8::decode(expected)); // fails on no copy
        const QMimeData *copied = QGuiApplication::clipboard()->mimeData();
        QCOMPARE(copied->data(u"application/octet-stream"_s), expected);
    }

    // The body's offsets as a reader meets them, with the response head the pane holds shown in
    // front or held but hidden (the window's usual state).
    void accessibleText_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<bool>("showHead");
        QTest::addColumn<QString>("firstLine");
        QTest::addColumn<int>("count");
        QTest::addColumn<Range>("line"); // where "cé😀z\r" starts and ends
        const QByteArray head("HTTP/1.1 200 OK\r\nServer: \xc3\xa9\r\n\r\n");
        QTest::newRow("head held but hidden") << head << false << u"ab\r\n"_s << 14 << Range(4, 10);
        QTest::newRow("head shown")
            << head << true << u"HTTP/1.1 200 OK\r\n"_s << 44 << Range(34, 40);
    }

    void accessibleText()
    {
        QFETCH(QByteArray, head);
        QFETCH(bool, showHead);
        QFETCH(QString, firstLine);
        QFETCH(int, count);
        QFETCH(Range, line);
        m_view->setShowHead(showHead);
        m_view->setBytes("ab\r\nc\xc3\xa9\xf0\x9f\x98\x80z\rlast", LineIndex(), head);
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(m_view);
        QCOMPARE(accessible->role(), QAccessible::EditableText);
        QVERIFY(accessible->state().readOnly && accessible->state().multiLine);
        QAccessibleTextInterface *text = accessible->textInterface();
        int start = -1, end = -1;
        QCOMPARE(text->characterCount(), count);
        QCOMPARE(text->textAtOffset(0, QAccessible::LineBoundary, &start, &end), firstLine);
        // "é😀", the emoji two units.
        text->setSelection(0, line.first + 1, line.first + 4);
        text->selection(0, &start, &end);
        QCOMPARE(m_view->selectedBytes(), QByteArray("\xc3\xa9\xf0\x9f\x98\x80"));
        QCOMPARE(std::tuple(start, end, text->cursorPosition()),
                 std::tuple(line.first + 1, line.first + 4, line.first + 4));
        QTest::keyClick(m_view, Qt::Key_Down);
        QCOMPARE(std::pair(text->cursorPosition(), text->selectionCount()), std::pair(count, 0));
        const auto lines = QAccessible::LineBoundary;
        QCOMPARE(text->textAtOffset(line.first + 2, lines, &start, &end), u"cé😀z\r"_s);
        QCOMPARE(std::pair(start, end), line);
        QCOMPARE(text->textAfterOffset(line.first + 2, lines, &start, &end), u"last"_s);
        QCOMPARE(text->textBeforeOffset(line.first + 2, lines, &start, &end), u"ab\r\n"_s);
    }

    void focusFrameLeavesWithTab()
    {
        // Left of the text margin, half way down: only the focus frame paints there.
        const auto edgePixel = [this] {
            return m_view->viewport()->grab().toImage().pixel(1, m_view->viewport()->height() / 2);
        };
        const QRgb focused = edgePixel();
        QTest::keyClick(m_view, Qt::Key_Tab);
        QVERIFY(qobject_cast<QLineEdit *>(QApplication::focusWidget()));
        QVERIFY(edgePixel() != focused);
    }

    // Each opening lists every entry to a screen reader, one added from outside too, each
    // enabled for what the pane holds at that opening. "&" marks the letter that chooses an
    // entry; Select All selects every byte.
    void contextMenu()
    {
        QAction showHead(u"Show Response Head"_s);
        showHead.setCheckable(true);
        m_view->addMenuAction(&showHead);
        m_view->setBytes("one two one");
        QStringList keys;
        for (QAction *action : m_view->findChild<QMenu *>(u"trafficViewMenu"_s)->actions())
            keys << action->text();
        QCOMPARE(keys.join(u'|'),
                 u"&Copy||Select &All||Find\u2026|Find Next|Find Previous||Save As\u2026||"
                 "Show Response Head"_s);
        QCOMPARE(contextMenuEntries(m_view).join(u'|'),
                 u"[Copy]||Select All||Find\u2026|[Find Next]|[Find Previous]||Save As\u2026||"
                 "Show Response Head"_s);
        m_view->findChild<QMenu *>(u"trafficViewMenu"_s)->actions().at(2)->trigger();
        QCOMPARE(m_view->selectedBytes(), "one two one");
        m_view->openFind();
        m_view->findBar()->field()->setText(u"one"_s);
        QTRY_COMPARE(m_view->selectedBytes(), "one");
        showHead.setChecked(true);
        QCOMPARE(contextMenuEntries(m_view).join(u'|'),
                 u"Copy||Select All||Find\u2026|Find Next|Find Previous||Save As\u2026||"
                 "Show Response Head (checked)"_s);
        m_view->clear();
        m_view->findBar()->field()->setText(u"none"_s); // a search of nothing finds nothing
        QTRY_VERIFY(m_view->matches().finished());
        QCOMPARE(contextMenuEntries(m_view).join(u'|'),
                 u"[Copy]||[Select All]||Find\u2026|[Find Next]|[Find Previous]||Save As\u2026||"
                 "Show Response Head (checked)"_s);
    }

private:
    std::unique_ptr<QWidget> m_window;
    TrafficView *m_view = nullptr;
};

QTEST_MAIN(tst_TrafficView)
#include "tst_trafficview.moc"

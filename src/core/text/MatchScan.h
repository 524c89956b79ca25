#pragma once

#include "text/ByteFinder.h"

#include <QObject>

#include <vector>

class ShownText;

// Every match of a text in what a pane shows, found in pieces between events so that a search
// through hundreds of megabytes never holds the window up. Matches do not overlap: the next
// is looked for after the end of the last.
class MatchScan final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MatchScan)

public:
    // Bytes looked at per piece: about 10 ms of work.
    static constexpr qsizetype PieceBytes = qsizetype(16) << 20;

    explicit MatchScan(QObject *parent = nullptr);

    // Starts over. The text must stay alive and unchanged until the next start() or clear().
    void start(const ShownText *text, const QByteArray &needle, bool matchCase);
    void clear();

    bool active() const { return m_text != nullptr; }
    bool finished() const { return m_finished; }
    qsizetype needleSize() const { return m_finder.size(); }
    const std::vector<qsizetype> &matches() const { return m_matches; }
    // Index of the first match starting at or after `pos` (matches().size() when none yet).
    qsizetype firstFrom(qsizetype pos) const;

Q_SIGNALS:
    // More matches are known, or the scan has finished.
    void progressed();

private:
    void step(quint64 generation);
    qsizetype findFrom(qsizetype from, qsizetype limit) const;

    const ShownText *m_text = nullptr;
    ByteFinder m_finder;
    std::vector<qsizetype> m_matches;
    qsizetype m_next = 0;
    quint64 m_generation = 0;
    bool m_finished = false;
};

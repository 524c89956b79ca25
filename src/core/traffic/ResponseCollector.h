#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QPointer>

#include <functional>

class InetTransfer;

// Takes a completed response body out of the transfer and hands it on in steps, each step a
// queued call, so that the window's event loop runs between them while a list of a hundred
// megabytes is scanned. The transfer stays busy until the last step, so a request command
// clicked meanwhile starts nothing and no other response interleaves.
class ResponseCollector final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResponseCollector)

public:
    struct Steps
    {
        // At once, with the whole body, before any event runs: the received block is logged
        // here, so a close or a kill during the scan finds it in the log already.
        std::function<void(const QByteArray &body)> taken;
        // Before the first piece of a body that is not empty, once a step until it returns
        // false: what the scan's first piece would otherwise do all at once (making fresh
        // memory).
        std::function<bool()> prepare;
        // Once a piece, with the body up to that piece's end; none when empty.
        std::function<void(QByteArrayView upToPieceEnd)> scanPiece;
        // After the last piece, with the transfer released.
        std::function<void()> finished;
    };

    explicit ResponseCollector(QObject *parent = nullptr);

    // Appends the body to buffer, which must outlive the collection, and runs the steps.
    void collect(InetTransfer &transfer, QByteArray &buffer, Steps steps);
    bool collecting() const { return m_buffer != nullptr; }

    // Each piece is scanned in about 2 ms, well under what an operator notices.
    static constexpr qsizetype PieceBytes = 4 * 1024 * 1024;

private:
    void scanNextPiece();
    void queueNextStep();

    QPointer<InetTransfer> m_transfer;
    QByteArray *m_buffer = nullptr;
    Steps m_steps;
    qsizetype m_scanned = 0;
};

#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <vector>

class InetTransfer;

// Takes a completed response body out of the transfer while the window stays alive, and knows
// when a response is being handled: pending events run during the collection, so a close of
// the window can arrive in the middle of it and must not take the traffic log away before
// that response's block is written.
class ResponseCollector final
{
public:
    // Appends the whole body to buffer and calls taken(). Then hands the body to digest a
    // piece more at a time (each call gets all of it up to the piece's end), letting pending
    // events run between pieces; the transfer stays busy until the last piece is digested,
    // so no other request can start meanwhile. Marks a response as being handled until done()
    // is called.
    void collect(InetTransfer &transfer, QByteArray &buffer, const std::function<void()> &taken,
                 const std::function<void(QByteArrayView)> &digest);

    // The response taken by collect() has been shown and logged: runs what waited for it.
    void done();

    // Runs action at once when no response is being handled, else when it is done.
    void afterResponse(std::function<void()> action);

    // The body is digested in pieces of this size, so that the window keeps answering while
    // a list of a hundred megabytes is scanned.
    static constexpr qsizetype DigestPieceBytes = 4 * 1024 * 1024;

private:
    bool m_handling = false;
    std::vector<std::function<void()>> m_waiting;
};

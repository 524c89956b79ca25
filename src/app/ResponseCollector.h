#pragma once

#include <QByteArray>

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
    // Appends the whole body to buffer, letting pending events run between pieces. Marks a
    // response as being handled until done() is called.
    void collect(InetTransfer &transfer, QByteArray &buffer);

    // The response taken by collect() has been shown and logged: runs what waited for it.
    void done();

    // Runs action at once when no response is being handled, else when it is done.
    void afterResponse(std::function<void()> action);

private:
    bool m_handling = false;
    std::vector<std::function<void()>> m_waiting;
};

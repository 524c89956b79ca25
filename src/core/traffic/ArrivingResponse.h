#pragma once

#include "text/LineIndex.h"

#include <QByteArrayView>

// The work on a response body while it is on the wire: the received pane's line index. A job
// list is scanned only once the body is whole (straight into the run-long table, a piece at a
// time): scanning during the arrival itself slowed the receiving down by about twice what the
// scan costs, as the reads fell behind and the server waited.
class ArrivingResponse
{
public:
    ArrivingResponse() = default;
    Q_DISABLE_COPY_MOVE(ArrivingResponse)

    // A new request: forget the last response.
    void start();
    // Indexes the pane's lines of the body bytes so far (all of them each time), while the
    // body arrives.
    void indexLines(QByteArrayView soFar);

    // At completion: the pane's line index of what arrived (the pane indexes any rest when
    // it takes the whole body).
    LineIndex takeLines();

private:
    LineIndex m_lines;
};

#pragma once

#include <QByteArrayView>
#include <QFile>
#include <QString>

// The traffic log: every request and response, as records (a text followed by CR LF).
// Each block is flushed when written, so nothing already shown is lost if the program dies.
class TrafficLog
{
public:
    // Creates the file empty (an existing log is emptied) and keeps it open.
    bool create(const QString &path, QString *error);

    // A block of records, written and flushed together. Does nothing when the log is closed.
    void writeBlock(std::initializer_list<QByteArrayView> records);

    void close();

private:
    QFile m_file;
};

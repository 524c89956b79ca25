#pragma once

#include <QByteArrayView>
#include <QFile>
#include <QString>

#include <initializer_list>

// The traffic log: every request and response, as records (a text followed by CR LF).
// Each block goes to the file in one write, so a program killed at any moment leaves every
// block whole or absent, and nothing already shown is lost if the program dies.
class TrafficLog
{
public:
    // Creates the file empty (an existing log is emptied) and keeps it open.
    bool create(const QString &path, QString *error);

    // A block of records, written together. False, with the reason in errorString(), when the
    // log is closed or the block could not be written whole.
    bool writeBlock(std::initializer_list<QByteArrayView> records);

    void close();
    bool isOpen() const { return m_file.isOpen(); }
    QString errorString() const { return m_error; }
    // Where the last record written came from: lets a test see that a body went out unmoved.
    const char *lastRecordData() const { return m_lastRecordData; }

private:
    QFile m_file;
    QString m_error;
    const char *m_lastRecordData = nullptr;
};

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>

#include <atomic>
#include <initializer_list>
#include <thread>

// The traffic log: every request and response, as records (a text followed by CR LF).
// Each block goes to the file in one write, so a program killed at any moment leaves every
// block whole or absent, and nothing already shown is lost if the program dies.
class TrafficLog
{
public:
    TrafficLog() = default;
    ~TrafficLog();
    Q_DISABLE_COPY_MOVE(TrafficLog)

    // Creates the file empty (an existing log is emptied) and keeps it open.
    bool create(const QString &path, QString *error);
    // Opens the file (made when missing) to add blocks after what it holds.
    bool append(const QString &path, QString *error);

    // A block of records, written together. False, with the reason in errorString(), when the
    // log is closed, or this block or a large one before it could not be written whole.
    bool writeBlock(std::initializer_list<QByteArrayView> records);

    // A block of a heading and a body. A large body is written by a thread of its own, so
    // that the window does not wait for a hundred megabytes to reach the disk; the next
    // block and close() wait for it, so blocks keep their order and a closed log is whole.
    // False as writeBlock; a failure of the large block itself shows at the next call.
    bool writeBlockSharing(QByteArrayView heading, const QByteArray &body);
    // Whether a large block is still being written.
    bool writing() const { return m_writing.load(); }
    // Waits for a large block being written; false when it could not be written whole.
    bool finishWriting();

    void close();
    bool isOpen() const { return m_file.isOpen(); }
    QString errorString() const { return m_error; }
    // Where the last record written came from: lets a test see that a body went out unmoved.
    const char *lastRecordData() const { return m_lastRecordData; }

    // Bodies from this size on are written by their own thread.
    static constexpr qsizetype BackgroundBytes = 4 * 1024 * 1024;

private:
    bool open(const QString &path, QIODevice::OpenMode mode, QString *error);

    QFile m_file;
    QString m_error;
    const char *m_lastRecordData = nullptr;
    std::thread m_writer;
    std::atomic<bool> m_writing = false;
    // Owned by the thread while it runs: its block, and why it could not be written.
    QByteArray m_writerBlock;
    QByteArray m_writerBody;
    QString m_writerError;
};

#pragma once

#include "app/AppEnvironment.h"
#include "app/MessageBoxes.h"
#include "create/RandomSource.h"
#include "timeconv/FormatUtcTimestamp.h"

#include <QFile>
#include <QList>
#include <QString>

#include <memory>

// Message boxes that are recorded instead of shown.
class RecordingMessageBoxes final : public MessageBoxes
{
public:
    struct Shown
    {
        QWidget *parent;
        QString title;
        QString text;
    };

    void critical(QWidget *parent, const QString &title, const QString &text) override
    {
        shown.append(Shown{parent, title, text});
    }

    QList<Shown> shown;
};

// A zone with fixed figures, as the local zone would report them.
class FixedTimeZone final : public TimeZoneSource
{
public:
    explicit FixedTimeZone(ZoneBias bias = {})
        : m_bias(bias)
    {
    }
    ZoneBias currentBias() const override { return m_bias; }

private:
    ZoneBias m_bias;
};

// The program's world for a test: a program folder of the test's, recorded boxes, a fixed clock
// and zone, the generator in its start state, and a short transfer time-out.
inline AppEnvironment testEnvironment(const QString &programFolder,
                                      std::shared_ptr<RecordingMessageBoxes> boxes = {})
{
    AppEnvironment env;
    env.programFolder = programFolder;
    env.messageBoxes = boxes ? boxes : std::make_shared<RecordingMessageBoxes>();
    env.clock = [] { return QDateTime(QDate(2024, 3, 5), QTime(9, 7, 2)); };
    env.timeZone = std::make_shared<FixedTimeZone>(ZoneBias{300, 0, -60, false});
    env.random = std::make_shared<FixedSeedRandom>();
    env.transferTimeout = std::chrono::milliseconds(5000);
    return env;
}

inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

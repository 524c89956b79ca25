#pragma once

#include "FileBytes.h"
#include "FixedTimeZone.h"
#include "create/RandomSource.h"
#include "desktop/AppEnvironment.h"
#include "desktop/MessageBoxes.h"

#include <QStringList>

#include <memory>

// Message boxes recorded as "title|text" instead of shown.
class RecordingMessageBoxes final : public MessageBoxes
{
public:
    void critical(QWidget *, const QString &title, const QString &text) override
    {
        shown << title + u'|' + text;
    }
    // Recorded as "title|text|accept/reject" and answered with acceptQuestions.
    bool question(QWidget *, const QString &title, const QString &text, const QString &acceptText,
                  const QString &rejectText) override
    {
        shown << title + u'|' + text + u'|' + acceptText + u'/' + rejectText;
        return acceptQuestions;
    }
    QStringList shown;
    bool acceptQuestions = false;
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

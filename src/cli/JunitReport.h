#pragma once

#include "Result.h"

#include <QList>
#include <QString>

// A JUnit XML report of a run: one test suite, one test case per request, with the answer's
// status line in its output, its time, and a failure (the answer was not what the command
// wanted) or an error (the transfer failed) with the reason.
class JunitReport
{
public:
    enum class Outcome { Passed, Failed, Error };

    struct Case
    {
        QString name; // "smoke get 4123856710"
        double seconds = 0;
        QString status; // the status line's tool tip
        Outcome outcome = Outcome::Passed;
        QString reason;
    };

    explicit JunitReport(QString suiteName)
        : m_suite(std::move(suiteName))
    { }

    void add(Case testCase) { m_cases.append(std::move(testCase)); }

    QByteArray toXml() const;
    Result<> write(const QString &fileName) const;

private:
    QString m_suite;
    QList<Case> m_cases;
};

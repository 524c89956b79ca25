#include "JobOutput.h"

#include "jobs/JobStatusTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace {

void appendField(QByteArray &out, const QByteArray &text)
{
    const qsizetype start = out.size();
    out += text;
    for (qsizetype i = start; i < out.size(); ++i) {
        if (out[i] == '\t' || out[i] == '\n' || out[i] == '\r')
            out[i] = ' ';
    }
}

QString jsonText(const QByteArray &quoted)
{
    QJsonParseError error;
    const QJsonDocument read = QJsonDocument::fromJson("[\"" + quoted + "\"]", &error);
    if (error.error == QJsonParseError::NoError && read.array().size() == 1)
        return read.array().at(0).toString();
    return QString::fromUtf8(quoted);
}

} // namespace

QByteArray jobTable(const JobStatusTable &jobs)
{
    QByteArray out = "externalId\tlatestAlertStatus\tlatestAlertTime\n";
    for (qsizetype i = 0; i < jobs.jobCount(); ++i) {
        const JobStatus &job = jobs.slot(i);
        appendField(out, job.externalId);
        out += '\t';
        appendField(out, job.latestAlertStatus);
        out += '\t';
        appendField(out, job.latestAlertTime);
        out += '\n';
    }
    return out;
}

QByteArray jobLines(const JobStatusTable &jobs)
{
    QByteArray out;
    for (qsizetype i = 0; i < jobs.jobCount(); ++i) {
        const JobStatus &job = jobs.slot(i);
        const QJsonObject line{{u"externalId"_s, jsonText(job.externalId)},
                               {u"latestAlertStatus"_s, jsonText(job.latestAlertStatus)},
                               {u"latestAlertTime"_s, jsonText(job.latestAlertTime)}};
        out += QJsonDocument(line).toJson(QJsonDocument::Compact);
        out += '\n';
    }
    return out;
}

bool namesJob(QByteArrayView body, const QByteArray &externalId)
{
    static constexpr QByteArrayView member("\"externalId\"");
    const QByteArray value = '"' + externalId + '"';
    for (qsizetype at = body.indexOf(member); at >= 0; at = body.indexOf(member, at + 1)) {
        qsizetype next = at + member.size();
        while (next < body.size()
               && (body[next] == ' ' || body[next] == '\t' || body[next] == '\r'
                   || body[next] == '\n' || body[next] == ':'))
            ++next;
        if (body.sliced(next).startsWith(value))
            return true;
    }
    return false;
}

QByteArray watchHeader()
{
    return "time\tchange\texternalId\tlatestAlertStatus\tlatestAlertTime\n";
}

QByteArray watchLines(const JobStatusTable &jobs, const QString &time, bool json)
{
    const JobListHistory &history = jobs.history();
    QByteArray out;
    history.forEachDifference(
        jobs.jobCount(), [&](qsizetype slot, JobListHistory::Difference difference) {
            const JobStatus &job = jobs.slot(slot);
            const char *change = difference == JobListHistory::Difference::New ? "new"
                : difference == JobListHistory::Difference::Changed            ? "changed"
                                                                               : "gone";
            if (!json) {
                appendField(out, time.toUtf8());
                out += '\t';
                out += change;
                for (const QByteArray *text :
                     {&job.externalId, &job.latestAlertStatus, &job.latestAlertTime}) {
                    out += '\t';
                    appendField(out, *text);
                }
                out += '\n';
                return;
            }
            QJsonObject line{{u"time"_s, time},
                             {u"change"_s, QString::fromLatin1(change)},
                             {u"externalId"_s, jsonText(job.externalId)},
                             {u"latestAlertStatus"_s, jsonText(job.latestAlertStatus)},
                             {u"latestAlertTime"_s, jsonText(job.latestAlertTime)}};
            if (const JobListHistory::Change *was = history.changeOf(slot);
                was && difference == JobListHistory::Difference::Changed) {
                line.insert(u"was"_s,
                            QJsonObject{{u"latestAlertStatus"_s, jsonText(was->latestAlertStatus)},
                                        {u"latestAlertTime"_s, jsonText(was->latestAlertTime)}});
            }
            out += QJsonDocument(line).toJson(QJsonDocument::Compact);
            out += '\n';
        });
    return out;
}

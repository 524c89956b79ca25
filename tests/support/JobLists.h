#pragma once

#include <QByteArray>
#include <QByteArrayList>

// A job object as a server writes it in a list.
inline QByteArray jobObject(const QByteArray &id, const QByteArray &status, const QByteArray &time)
{
    return "{\"externalId\": \"" + id + "\", \"latestAlertStatus\": \"" + status
        + "\", \"latestAlertTime\": \"" + time + "\"}";
}

// A job list of "id/status/time id/status/time"; "" is an empty list.
inline QByteArray jobList(const QByteArray &jobs)
{
    QByteArrayList objects;
    for (const QByteArray &job : jobs.split(' ')) {
        const QByteArrayList texts = job.split('/');
        if (texts.size() == 3)
            objects << jobObject(texts.at(0), texts.at(1), texts.at(2));
    }
    return "[" + objects.join(',') + "]";
}

// A list of `count` jobs "J0", "J1", ..., each "OK" at "t", with a member of `padBytes` first.
inline QByteArray numberedJobList(int count, qsizetype padBytes = 0)
{
    const QByteArray pad = padBytes > 0 ? "\"pad\": \"" + QByteArray(padBytes, 'p') + "\", " : "";
    QByteArrayList objects;
    for (int i = 0; i < count; ++i)
        objects << "{" + pad + jobObject("J" + QByteArray::number(i), "OK", "t").mid(1);
    return "[" + objects.join(',') + "]";
}

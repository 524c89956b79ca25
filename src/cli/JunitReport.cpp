#include "JunitReport.h"

#include "files/ReplaceFile.h"

#include <QXmlStreamWriter>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString secondsText(double seconds)
{
    return QString::number(seconds, 'f', 3);
}

} // namespace

QByteArray JunitReport::toXml() const
{
    const auto count = [this](Outcome outcome) {
        return std::count_if(m_cases.cbegin(), m_cases.cend(),
                             [outcome](const Case &c) { return c.outcome == outcome; });
    };
    double total = 0;
    for (const Case &c : m_cases)
        total += c.seconds;

    QByteArray xml;
    QXmlStreamWriter writer(&xml);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    writer.writeStartElement(u"testsuites"_s);
    writer.writeStartElement(u"testsuite"_s);
    writer.writeAttribute(u"name"_s, m_suite);
    writer.writeAttribute(u"tests"_s, QString::number(m_cases.size()));
    writer.writeAttribute(u"failures"_s, QString::number(count(Outcome::Failed)));
    writer.writeAttribute(u"errors"_s, QString::number(count(Outcome::Error)));
    writer.writeAttribute(u"time"_s, secondsText(total));
    for (const Case &c : m_cases) {
        writer.writeStartElement(u"testcase"_s);
        writer.writeAttribute(u"classname"_s, m_suite);
        writer.writeAttribute(u"name"_s, c.name);
        writer.writeAttribute(u"time"_s, secondsText(c.seconds));
        if (c.outcome != Outcome::Passed) {
            writer.writeStartElement(c.outcome == Outcome::Failed ? u"failure"_s : u"error"_s);
            writer.writeAttribute(u"message"_s, c.reason);
            writer.writeCharacters(c.reason);
            writer.writeEndElement();
        }
        writer.writeTextElement(u"system-out"_s, c.status);
        writer.writeEndElement();
    }
    writer.writeEndElement();
    writer.writeEndElement();
    writer.writeEndDocument();
    return xml;
}

Result<> JunitReport::write(const QString &fileName) const
{
    // A report is there whole or not at all: CI must not read half of one.
    const QByteArray xml = toXml();
    const Result<> written =
        replaceFile(fileName, [&xml](QIODevice &file) { return file.write(xml) == xml.size(); });
    if (!written)
        return Failure{u"cannot write %1: %2"_s.arg(fileName, written.reason())};
    return {};
}

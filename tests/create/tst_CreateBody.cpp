#include "create/CreateBody.h"

#include "WorkedExample.h"

#include <QHash>
#include <QTest>

namespace {

CreateFields WorkedExample()
{
    QHash<QString, QString> text;
    for (const auto &[name, value] : WorkedExampleFields)
        text.insert(QLatin1String(name), QLatin1String(value));

    CreateFields fields;
    fields.externalId = text.value(QStringLiteral("txtExternalID"));
    fields.start = text.value(QStringLiteral("txtStart"));
    fields.end = text.value(QStringLiteral("txtEnd"));
    fields.program = text.value(QStringLiteral("txtProgram"));
    for (int i = 1; i <= 2; ++i) {
        const auto field = [&text, i](const char *name) {
            return text.value(QLatin1String(name) + QString::number(i));
        };
        fields.streams[static_cast<std::size_t>(i - 1)] = {
            field("txtPrimaryIP_"), field("txtPrimaryPort_"), field("txtBackupIP_"),
            field("txtBackupPort_"), field("txtChannelName_")};
    }
    fields.thresholdKey1 = QStringLiteral("ThresholdValue1");
    fields.thresholdKey2 = QStringLiteral("ThresholdValue2");
    return fields;
}

QString TrimmedLengthsCheck(const CreateFields &fields, const QString &body)
{
    qsizetype values = 0;
    const auto add = [&values](QString text) {
        while (text.startsWith(u' '))
            text.remove(0, 1);
        while (text.endsWith(u' '))
            text.chop(1);
        values += text.size();
    };
    add(fields.externalId);
    add(fields.start);
    add(fields.end);
    add(fields.program);
    for (const CreateFields::Stream &stream : fields.streams) {
        add(stream.primaryIP);
        add(stream.primaryPort);
        add(stream.backupIP);
        add(stream.backupPort);
        add(stream.channelName);
    }
    add(fields.thresholdKey1);
    add(fields.thresholdKey2);
    if (body.size() == 669 + values)
        return {};
    return QStringLiteral("length %1, expected %2").arg(body.size()).arg(669 + values);
}

} // namespace

class tst_CreateBody final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void workedExample();
    void values_data();
    void values();
};

void tst_CreateBody::workedExample()
{
    const QString body = BuildCreateBody(WorkedExample());
    QCOMPARE(body, QLatin1String(WorkedExampleBody));
    QCOMPARE(body.size(), 837);
}

void tst_CreateBody::values_data()
{
    QTest::addColumn<CreateFields>("fields");
    QTest::addColumn<QString>("expectedLine");
    QTest::addColumn<int>("lineNumber");

    CreateFields fields = WorkedExample();
    fields.streams[0].primaryPort = QStringLiteral(" 80 ");
    QTest::newRow("port written trimmed and bare")
        << fields << QStringLiteral("            \"primaryUdpPort\": 80,") << 9;

    fields = WorkedExample();
    fields.streams[1].backupPort = QStringLiteral("80abc");
    QTest::newRow("port written as typed, not as its number")
        << fields << QStringLiteral("            \"backupUdpPort\": 80abc,") << 18;

    fields = WorkedExample();
    fields.streams[1].channelName = QStringLiteral("Feed \"B\" \\ 2");
    QTest::newRow("quotes and backslashes unescaped")
        << fields << QStringLiteral("            \"channelName\": \"Feed \"B\" \\ 2\"") << 19;

    fields = WorkedExample();
    fields.program = QStringLiteral("  \tNews\t  ");
    QTest::newRow("only spaces are trimmed")
        << fields << QStringLiteral("    \"programName\": \"\tNews\t\",") << 5;

    fields = WorkedExample();
    fields.externalId = QStringLiteral("  42  ");
    QTest::newRow("identifier trimmed") << fields << QStringLiteral("    \"externalId\": \"42\",")
                                        << 2;

    fields = WorkedExample();
    fields.thresholdKey2 = QStringLiteral("ThresholdValue1");
    QTest::newRow("same key in both lists")
        << fields << QStringLiteral("        \"thresholdKey2\": \"ThresholdValue1\"") << 24;
}

void tst_CreateBody::values()
{
    QFETCH(CreateFields, fields);
    QFETCH(QString, expectedLine);
    QFETCH(int, lineNumber);

    const QString body = BuildCreateBody(fields);
    QVERIFY(body.endsWith(QLatin1String("}\r\n")));
    const QStringList lines = body.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 27); // 26 lines, each ended, leave one empty piece
    QCOMPARE(lines.last(), QString());
    QCOMPARE(lines.at(lineNumber - 1), expectedLine);
    const QString lengthProblem = TrimmedLengthsCheck(fields, body);
    QVERIFY2(lengthProblem.isEmpty(), qPrintable(lengthProblem));
}

QTEST_APPLESS_MAIN(tst_CreateBody)
#include "tst_CreateBody.moc"

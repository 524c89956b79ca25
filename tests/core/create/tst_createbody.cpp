#include "ExampleFields.h"
#include "create/CreateBody.h"
#include "create/ExternalId.h"
#include "create/RandomSource.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Hands out the given draws in turn.
class ScriptedRandom final : public RandomSource
{
public:
    QList<float> draws;
    float next() override { return draws.takeFirst(); }
};

} // namespace

class tst_CreateBody final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The worked example's body is the API's text; values go in trimmed of spaces only, and
    // otherwise exactly as typed; ports unquoted.
    void body_data()
    {
        QTest::addColumn<CreateFields>("fields");
        QTest::addColumn<QByteArray>("body");
        const QByteArray program = "\"programName\": \"Evening News\"";
        const auto row = [&program](const char *name, const QString &typed,
                                    const QByteArray &line) {
            QTest::newRow(name) << changedExample([&](auto &f) { f.program = typed; })
                                << workedExampleBody().replace(program, line);
        };
        row("the worked example", u"Evening News"_s, program);
        row("spaces around", u"  News  "_s, "\"programName\": \"News\"");
        row("tab kept", u"\tNews"_s, "\"programName\": \"\tNews\"");
        row("quote kept", u"a\"b"_s, "\"programName\": \"a\"b\"");
        QTest::newRow("port as typed")
            << changedExample([](auto &f) { f.streams[1].primaryPort = u" &H50 "_s; })
            << workedExampleBody().replace("\"primaryUdpPort\": 6000", "\"primaryUdpPort\": &H50");
    }

    void body()
    {
        QFETCH(CreateFields, fields);
        QFETCH(QByteArray, body);
        QCOMPARE(buildCreateBody(fields).toUtf8(), body);
    }

    void externalId_data()
    {
        QTest::addColumn<float>("first");
        QTest::addColumn<float>("second");
        QTest::addColumn<QString>("id");
        QTest::newRow("middle draws") << 0.5F << 0.25F << u"6400048000"_s;
        QTest::newRow("highest draw rounds up to 96000") << 0.99999994F << 0.0F << u"9600032000"_s;
        // 32062.5 and 32187.5: halfway goes to the even neighbour, down and up.
        QTest::newRow("halfway draws") << 0.0009765625F << 0.0029296875F << u"3206232188"_s;
    }

    void externalId()
    {
        QFETCH(float, first);
        QFETCH(float, second);
        QFETCH(QString, id);
        ScriptedRandom random;
        random.draws = {first, second};
        QCOMPARE(nextExternalId(random), id);
    }
};

QTEST_GUILESS_MAIN(tst_CreateBody)
#include "tst_createbody.moc"

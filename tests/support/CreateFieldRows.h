#pragma once

#include "CreateExample.h"

#include <QString>
#include <QTest>

using namespace Qt::StringLiterals;

// The creation window's field checks as rows, for every test of a program that creates jobs:
// the worked example (CreateExample.h) with one field, named by its text box ("*": every
// one), holding text; inBody is how the value goes into the body, null when the fields are
// refused.
inline void addCreateFieldRows()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("inBody");

    QTest::newRow("every field empty") << u"*"_s << QString() << QString();
    for (const auto &[name, value] : CreateExampleFields) {
        const bool port = QLatin1String(name).contains(QLatin1String("Port"));
        QTest::addRow("%s %s", name, port ? "is 0" : "holds only spaces")
            << QString::fromLatin1(name) << (port ? u"0"_s : u"   "_s) << QString();
    }
    for (auto text : {"-1", "abc", "", "-80", "0.0", "1e999", "&HFFFFFFFF", "&H100000050"})
        QTest::addRow("port \"%s\" refused", text)
            << u"txtPrimaryPort_1"_s << QString::fromLatin1(text) << QString();
    for (auto text : {"80", " 8 0 ", "80abc", "1.5", "&H50", "65536", "99999", "1e3", "1D2"})
        QTest::addRow("port \"%s\" accepted", text)
            << u"txtPrimaryPort_1"_s << QString::fromLatin1(text)
            << QString::fromLatin1(text).trimmed();
    QTest::newRow("a tab is not empty") << u"txtProgram"_s << u"\t"_s << u"\t"_s;
    QTest::newRow("quote in a channel name")
        << u"txtChannelName_2"_s << u"  Feed \"B\" "_s << u"Feed \"B\""_s;
}

// The port reader on any text: no crash or undefined behaviour, and the properties its
// callers rely on. Input: the text as UTF-8.
#include "FuzzCheck.h"
#include "create/PortNumber.h"

#include <QRegularExpression>
#include <QString>

#include <utility>

using namespace Qt::StringLiterals;

static std::pair<bool, double> read(const QString &text)
{
    double value = -1;
    const bool inRange = readPortNumber(text, &value);
    FUZZ_CHECK((inRange || value == 0) && isValidPort(text) == (inRange && value > 0));
    return {inRange, value};
}

FUZZ_TARGET(input)
{
    const QString text = QString::fromUtf8(input);
    const auto plain = read(text);
    // Spaces, tabs and line feeds count nowhere: all removed, or put around every character.
    QString compact, spread = u"\t "_s;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u' ' && text[i] != u'\t' && text[i] != u'\n')
            compact += text[i];
        spread += text[i] + QLatin1StringView(i % 3 == 0 ? " " : i % 3 == 1 ? "\t" : "\n");
    }
    FUZZ_CHECK(read(compact) == plain && read(spread) == plain);

    // A minus before an unsigned decimal number negates it.
    if (!compact.isEmpty() && u"0123456789."_s.contains(compact[0]))
        FUZZ_CHECK(read(u'-' + compact) == std::pair(plain.first, -plain.second));
    // Short runs of decimal digits read as the integer they spell.
    static const QRegularExpression integer(u"^[0-9]{1,15}$"_s);
    if (integer.match(compact).hasMatch())
        FUZZ_CHECK(plain.first && plain.second == compact.toDouble());
}

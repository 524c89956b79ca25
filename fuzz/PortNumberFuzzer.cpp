// The port reader on any text: no crash or undefined behaviour, and the properties its
// callers rely on.
//
// Input: the text as UTF-8.
#include "FuzzCheck.h"

#include "create/PortNumber.h"

#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

struct Reading
{
    bool inRange;
    double value;
};

Reading read(const QString &text)
{
    double value = -1;
    const bool inRange = ReadPortNumber(text, &value);
    FUZZ_CHECK(inRange || value == 0);
    FUZZ_CHECK(IsValidPort(text) == (inRange && value > 0));
    return {inRange, value};
}

bool same(Reading a, Reading b)
{
    return a.inRange == b.inRange && a.value == b.value;
}

bool isIgnored(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const Reading plain = read(text);

    // Spaces, tabs and line feeds count nowhere: all removed, or more put between every
    // character and around the text, the reading stays.
    QString compact;
    QString spread = QStringLiteral("\t ");
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isIgnored(text.at(i)))
            compact += text.at(i);
        spread += text.at(i);
        spread += QLatin1StringView(i % 3 == 0 ? " " : i % 3 == 1 ? "\t" : "\n");
    }
    FUZZ_CHECK(same(read(compact), plain));
    FUZZ_CHECK(same(read(spread), plain));

    // A minus before an unsigned decimal number negates it.
    if (!compact.isEmpty() && (compact.front().isDigit() || compact.front() == u'.')
        && compact.front().unicode() < 128) {
        const Reading negated = read(QLatin1Char('-') + compact);
        FUZZ_CHECK(negated.inRange == plain.inRange && negated.value == -plain.value);
    }

    // Short runs of decimal digits read as the integer they spell.
    qsizetype digits = 0;
    double integer = 0;
    while (digits < compact.size() && digits < 15 && compact.at(digits) >= u'0'
           && compact.at(digits) <= u'9') {
        integer = integer * 10 + (compact.at(digits).unicode() - u'0');
        ++digits;
    }
    if (digits > 0 && digits == compact.size())
        FUZZ_CHECK(plain.inRange && plain.value == integer);
    return 0;
}

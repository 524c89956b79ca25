#include "settings/ProfileFile.h"

#include "files/RegularFile.h"
#include "files/ReplaceFile.h"
#include "text/TrimSpaces.h"

#include <QIODevice>
#include <QList>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// One line of the file with its own line end, so untouched lines are written back as read.
struct Line
{
    QByteArray text;
    QByteArray end;
};

QList<Line> splitLines(const QByteArray &data)
{
    QList<Line> lines;
    qsizetype pos = 0;
    while (pos < data.size()) {
        qsizetype stop = pos;
        while (stop < data.size() && data.at(stop) != '\r' && data.at(stop) != '\n')
            ++stop;
        Line line{data.mid(pos, stop - pos), {}};
        if (stop < data.size()) {
            qsizetype endLength = 1;
            if (data.at(stop) == '\r' && stop + 1 < data.size() && data.at(stop + 1) == '\n')
                endLength = 2;
            line.end = data.mid(stop, endLength);
            stop += endLength;
        }
        lines.append(line);
        pos = stop;
    }
    return lines;
}

QByteArray trimmedBlanks(QByteArrayView text)
{
    return trimBlanks(text).toByteArray();
}

// Names match ignoring the case of ASCII letters only: a fold of other letters would make a
// pin for "localho\u017Ft" (a long s) one for "localhost".
bool sameName(const QByteArray &a, const QString &b)
{
    const QByteArray other = b.toUtf8();
    const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return a.size() == other.size()
        && std::equal(a.cbegin(), a.cend(), other.cbegin(),
                      [&](char x, char y) { return fold(x) == fold(y); });
}

// The section name when the line is a section header, nothing otherwise.
std::optional<QByteArray> sectionName(const QByteArray &line)
{
    const QByteArray text = trimmedBlanks(line);
    if (!text.startsWith('['))
        return std::nullopt;
    const qsizetype close = text.indexOf(']');
    if (close < 0)
        return std::nullopt;
    return trimmedBlanks(QByteArrayView(text).sliced(1, close - 1));
}

bool isComment(const QByteArray &line)
{
    const QByteArray text = trimmedBlanks(line);
    return text.startsWith(';');
}

// The key of an entry line, nothing for blank lines, comments and lines without "=".
std::optional<QByteArray> entryKey(const QByteArray &line)
{
    if (isComment(line))
        return std::nullopt;
    const qsizetype equals = line.indexOf('=');
    if (equals < 0)
        return std::nullopt;
    return trimmedBlanks(QByteArrayView(line).first(equals));
}

QByteArray entryValue(const QByteArray &line)
{
    QByteArray value = trimmedBlanks(QByteArrayView(line).sliced(line.indexOf('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
        && value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    return value;
}

// Reading trims the blanks around a value and then drops one pair of enclosing quotes; a value
// that would lose its own quotes that way goes into one more pair. Other values are written as
// given, blanks included, as they always were.
QByteArray storedValue(const QString &value)
{
    const QByteArray bytes = value.toUtf8();
    const QByteArray trimmed = trimmedBlanks(bytes);
    const bool enclosed = trimmed.size() >= 2 && (trimmed.front() == '"' || trimmed.front() == '\'')
        && trimmed.back() == trimmed.front();
    return enclosed ? '"' + trimmed + '"' : bytes;
}

struct Location
{
    qsizetype sectionLine = -1; // header line of the section, -1 when missing
    qsizetype keyLine = -1;     // the key's line inside it, -1 when missing
    qsizetype lastEntry = -1;   // last non-blank line of the section
};

Location locate(const QList<Line> &lines, const QString &section, const QString &key)
{
    Location where;
    bool inSection = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray &text = lines.at(i).text;
        if (const auto name = sectionName(text)) {
            if (inSection)
                break; // the first matching section is the one used
            inSection = sameName(*name, section);
            if (inSection)
                where.sectionLine = where.lastEntry = i;
            continue;
        }
        if (!inSection)
            continue;
        if (!trimmedBlanks(text).isEmpty())
            where.lastEntry = i;
        const auto entry = entryKey(text);
        if (entry && where.keyLine < 0 && sameName(*entry, key))
            where.keyLine = i;
    }
    return where;
}

QString cut(const QString &value, qsizetype maxLength)
{
    if (value.size() <= maxLength)
        return value;
    qsizetype length = maxLength;
    // Never leave half of a surrogate pair behind.
    if (length > 0 && value.at(length - 1).isHighSurrogate())
        --length;
    return value.left(length);
}

} // namespace

namespace ProfileFile {

Result<QByteArray> readFile(const QString &fileName)
{
    return readRegularFile(fileName, MaxFileBytes, WhenMissing::Empty);
}

Result<QString> readString(const QString &fileName, const QString &section, const QString &key,
                           const QString &defaultValue, qsizetype maxLength)
{
    const Result<QByteArray> bytes = readFile(fileName);
    if (!bytes)
        return Failure{bytes.reason()};
    const QList<Line> lines = splitLines(*bytes);
    const Location where = locate(lines, section, key);
    if (where.keyLine < 0)
        return cut(defaultValue, maxLength);
    return cut(QString::fromUtf8(entryValue(lines.at(where.keyLine).text)), maxLength);
}

Result<> writeString(const QString &fileName, const QString &section, const QString &key,
                     const QString &value)
{
    // Never replace a file that could not be read: its other lines would be lost.
    const Result<QByteArray> before = readFile(fileName);
    if (!before)
        return Failure{before.reason()};
    QList<Line> lines = splitLines(*before);
    const QByteArray crlf("\r\n");
    const QByteArray entry = key.toUtf8() + '=' + storedValue(value);
    const Location where = locate(lines, section, key);
    if (where.keyLine >= 0) {
        lines[where.keyLine].text = entry;
    } else if (where.sectionLine >= 0) {
        Line &last = lines[where.lastEntry];
        if (last.end.isEmpty())
            last.end = crlf;
        lines.insert(where.lastEntry + 1, Line{entry, crlf});
    } else {
        if (!lines.isEmpty() && lines.last().end.isEmpty())
            lines.last().end = crlf;
        lines.append(Line{'[' + section.toUtf8() + ']', crlf});
        lines.append(Line{entry, crlf});
    }

    return replaceFile(fileName, [&lines](QIODevice &file) {
        for (const Line &line : std::as_const(lines)) {
            if (file.write(line.text) != line.text.size()
                || file.write(line.end) != line.end.size())
                return false;
        }
        return true;
    });
}

} // namespace ProfileFile

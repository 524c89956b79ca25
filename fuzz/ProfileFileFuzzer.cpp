// The profile file read, written and read back: the value written is read (less the blanks
// around it), and no other key's value moves. Input: section-name, key and value lengths (a byte
// each), the three texts as UTF-8, then the file before. In tmpfs, so runs write no disk.
#include "FuzzCheck.h"
#include "settings/ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <optional>
#include <utility>

using namespace Qt::StringLiterals;

using Entry = std::pair<QString, QString>; // a section's name and a key's

const QTemporaryDir kFolder((QDir(u"/dev/shm"_s).exists() ? u"/dev/shm"_s : QDir::tempPath())
                            + u"/talus-fuzz-XXXXXX"_s);
const QString kPath = kFolder.filePath(u"profile.ini"_s);

static QString readValue(const Entry &entry)
{
    const Result<QString> value =
        ProfileFile::readString(kPath, entry.first, entry.second, u"\x01(missing)"_s, 1 << 20);
    FUZZ_CHECK(value.ok());
    return value.value();
}

// Section and key names the file seems to hold, found the plain way; a few suffice.
static QList<Entry> entriesIn(QByteArray content)
{
    QList<Entry> entries;
    std::optional<QString> section;
    for (const QByteArray &line : content.replace('\r', '\n').split('\n')) {
        const QByteArray text = line.trimmed();
        const qsizetype close = text.indexOf(']');
        if (text.startsWith('[') && close > 0)
            section = QString::fromUtf8(text.mid(1, close - 1).trimmed());
        else if (section && !text.startsWith(';') && line.contains('=') && entries.size() < 8)
            entries.append({*section, QString::fromUtf8(line.left(line.indexOf('=')).trimmed())});
    }
    return entries;
}

FUZZ_TARGET(input)
{
    if (input.size() < 3)
        return;
    qsizetype at = 3;
    QStringList texts;
    for (const int length : {input[0] & 15, input[1] & 15, input[2] & 255}) {
        if (input.size() < at + length)
            return;
        texts.append(QString::fromUtf8(input.sliced(at, length)));
        at += length;
    }
    // Names come from the program, never from operators: they hold nothing the file syntax
    // gives a meaning to, and no blanks around them.
    static const QRegularExpression notPlain(u"[\\r\\n=\\[\\];]|^[ \\t]|[ \\t]$"_s);
    const Entry target{texts[0], texts[1]};
    if (target.first.contains(notPlain) || target.second.contains(notPlain))
        return;
    // Line breaks never reach the file: the settings code turns them into spaces.
    const QString value = texts[2].replace(u'\r', u' ').replace(u'\n', u' ');
    const QByteArray content = input.sliced(at).toByteArray();
    QFile file(kPath);
    FUZZ_CHECK(file.open(QFile::WriteOnly) && file.write(content) == content.size());
    file.close();

    QList<std::pair<Entry, QString>> others; // and their values before
    for (const Entry &entry : entriesIn(content))
        if (entry.first.compare(target.first, Qt::CaseInsensitive) != 0
            || entry.second.compare(target.second, Qt::CaseInsensitive) != 0)
            others.append({entry, readValue(entry)});
    // Reading trims the blanks around a value, and nothing else may be lost on the way.
    static const QRegularExpression edges(u"^[ \\t]+|[ \\t]+\\z"_s);
    FUZZ_CHECK(ProfileFile::writeString(kPath, target.first, target.second, value).ok());
    const QString readBack = readValue(target);
    FUZZ_CHECK(readBack == QString(value).remove(edges));
    for (const auto &[entry, before] : others)
        FUZZ_CHECK(readValue(entry) == before);
    FUZZ_CHECK(ProfileFile::writeString(kPath, target.first, target.second, readBack).ok());
    FUZZ_CHECK(readValue(target) == readBack);
}

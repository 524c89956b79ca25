// The profile file read, written and read back: the value written is the value read (less the
// blanks around it), and no other key's value moves.
//
// Input: a section-name length, a key length and a value length (one byte each), the three
// texts as UTF-8, then the bytes of the file as it stood before. The file lives in a tmpfs
// folder so that a run costs no disk writes.
#include "FuzzCheck.h"

#include "settings/ProfileFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

constexpr qsizetype kNoLimit = 1 << 20;
const QString kMissing = QStringLiteral("\x01(missing)");

const QString &profilePath()
{
    static const std::unique_ptr<QTemporaryDir> folder = [] {
        const QString shm = QStringLiteral("/dev/shm");
        const QString base = QDir(shm).exists() ? shm : QDir::tempPath();
        return std::make_unique<QTemporaryDir>(base + QStringLiteral("/talus-fuzz-XXXXXX"));
    }();
    static const QString path = folder->filePath(QStringLiteral("profile.ini"));
    return path;
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Names come from the program, never from operators: they hold nothing the file syntax
// gives a meaning to, and no blanks around them.
bool isPlainName(const QString &name)
{
    for (const QChar c : name) {
        if (c == u'\r' || c == u'\n' || c == u'=' || c == u'[' || c == u']' || c == u';')
            return false;
    }
    return name.isEmpty() || (!isBlank(name.front()) && !isBlank(name.back()));
}

QString trimmedBlanks(QString text)
{
    static const QRegularExpression edges(QStringLiteral("^[ \\t]+|[ \\t]+\\z"));
    return text.remove(edges);
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

struct Entry
{
    QString section;
    QString key;
};

// Section and key names the file seems to hold, found the plain way; a few suffice.
QList<Entry> entriesIn(const QByteArray &content)
{
    QList<Entry> entries;
    QString section;
    bool inSection = false;
    QByteArray normalised = content;
    normalised.replace('\r', '\n');
    for (const QByteArray &line : normalised.split('\n')) {
        const QByteArray text = line.trimmed();
        const qsizetype close = text.indexOf(']');
        if (text.startsWith('[') && close > 0) {
            section = QString::fromUtf8(text.mid(1, close - 1).trimmed());
            inSection = true;
        } else if (inSection && !text.startsWith(';') && line.contains('=')) {
            entries.append({section, QString::fromUtf8(line.left(line.indexOf('=')).trimmed())});
            if (entries.size() == 8)
                break;
        }
    }
    return entries;
}

QString readValue(const Entry &entry)
{
    return ProfileFile::readString(profilePath(), entry.section, entry.key, kMissing, kNoLimit);
}

QString textAt(const std::uint8_t *&cursor, std::size_t length)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(cursor),
                                           static_cast<qsizetype>(length));
    cursor += length;
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 3)
        return 0;
    const std::size_t sectionLength = data[0] % 16;
    const std::size_t keyLength = data[1] % 16;
    const std::size_t valueLength = data[2];
    if (size < 3 + sectionLength + keyLength + valueLength)
        return 0;
    const std::uint8_t *cursor = data + 3;
    const Entry target{textAt(cursor, sectionLength), textAt(cursor, keyLength)};
    if (!isPlainName(target.section) || !isPlainName(target.key))
        return 0;
    QString value = textAt(cursor, valueLength);
    // Line breaks never reach the file: the settings code turns them into spaces.
    value.replace(u'\r', u' ').replace(u'\n', u' ');
    const QByteArray content(reinterpret_cast<const char *>(cursor),
                             static_cast<qsizetype>(data + size - cursor));

    QFile file(profilePath());
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(content) == content.size());
    file.close();

    QList<Entry> others;
    for (const Entry &entry : entriesIn(content)) {
        if (!(sameName(entry.section, target.section) && sameName(entry.key, target.key)))
            others.append(entry);
    }
    QStringList before;
    for (const Entry &entry : std::as_const(others))
        before.append(readValue(entry));

    // Reading trims the blanks around a value, and nothing else may be lost on the way.
    FUZZ_CHECK(ProfileFile::writeString(profilePath(), target.section, target.key, value));
    const QString readBack = readValue(target);
    FUZZ_CHECK(readBack == trimmedBlanks(value));
    for (qsizetype i = 0; i < others.size(); ++i)
        FUZZ_CHECK(readValue(others.at(i)) == before.at(i));

    FUZZ_CHECK(ProfileFile::writeString(profilePath(), target.section, target.key, readBack));
    FUZZ_CHECK(readValue(target) == readBack);
    return 0;
}

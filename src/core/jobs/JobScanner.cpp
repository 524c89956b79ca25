#include "jobs/JobScanner.h"

#include "jobs/JobStatusTable.h"
#include "text/TrimSpaces.h"

#include <array>
#include <cstring>
#include <new>
#include <utility>

namespace {

// The three members a job must carry, as their key texts. Their last characters differ, so
// one member form can match at most one of them.
constexpr std::array<QByteArrayView, 3> kKeys = {
    QByteArrayView("externalId"),
    QByteArrayView("latestAlertStatus"),
    QByteArrayView("latestAlertTime"),
};

// Whether key stands right before keyEnd, inside the stretch that starts at first.
bool keyEndsAt(const char *first, const char *keyEnd, QByteArrayView key)
{
    // The last byte first: most members end in other letters and need no full comparison.
    return keyEnd - first >= key.size() && keyEnd[-1] == key.back()
        && std::memcmp(keyEnd - key.size(), key.data(), static_cast<size_t>(key.size())) == 0;
}

const char *findByte(const char *from, const char *to, char byte)
{
    if (from >= to)
        return nullptr;
    return static_cast<const char *>(std::memchr(from, byte, static_cast<size_t>(to - from)));
}

// Finds the three values in the stretch [first, last), where *first is the "{" opening it and
// last is the next "{" or the end of the text. Gives the same values as ExtractBetween with
// the marker key + `": "` on the stretch, but in one pass: every marker holds a colon at a
// fixed place, so visiting the colons in order meets each marker's first occurrence first.
// Returns false as soon as the stretch cannot yield a job.
bool findMembers(const char *first, const char *last, std::array<QByteArrayView, 3> &values)
{
    std::array<bool, 3> seen = {};
    int pending = 3;
    const char *p = first + 1;
    while (pending > 0) {
        const char *colon = findByte(p, last, ':');
        if (!colon)
            return false;
        p = colon + 1;
        if (colon[-1] != '"' || last - colon < 3 || colon[1] != ' ' || colon[2] != '"')
            continue;
        const char *keyEnd = colon - 1;
        for (size_t k = 0; k < kKeys.size(); ++k) {
            if (seen[k] || !keyEndsAt(first, keyEnd, kKeys[k]))
                continue;
            // Only the first occurrence counts, so an empty or unclosed value ends the stretch.
            const char *valueBegin = colon + 3;
            const char *valueEnd = findByte(valueBegin, last, '"');
            if (!valueEnd)
                return false;
            values[k] = trimSpaces(QByteArrayView(valueBegin, valueEnd - valueBegin));
            if (values[k].isEmpty())
                return false;
            seen[k] = true;
            --pending;
            break;
        }
    }
    return true;
}

} // namespace

QByteArrayView ExtractBetween(QByteArrayView startMarker, QByteArrayView endMarker,
                              QByteArrayView text)
{
    const qsizetype p1 = text.indexOf(startMarker);
    if (p1 < 0)
        return {};
    const qsizetype s = p1 + startMarker.size();
    const qsizetype p2 = text.indexOf(endMarker, s);
    // A missing end marker, or one standing right after the start marker, gives nothing.
    if (p2 <= s)
        return {};
    return trimSpaces(text.sliced(s, p2 - s));
}

void ParseJobList(QByteArrayView text, JobStatusTable &JobStatuses)
{
    JobListScanner scan(JobStatuses);
    try {
        scan.finish(text);
    } catch (const std::bad_alloc &) {
        // What the table's growth throws: the list is undone, and the caller told.
        scan.abandon();
        throw;
    }
}

namespace {

void storeStretch(const char *first, const char *last, JobStatusTable &table, qsizetype &nextSlot)
{
    std::array<QByteArrayView, 3> values;
    if (!findMembers(first, last, values))
        return;
    if (const qsizetype slot = table.storeNear(nextSlot, values[0], values[1], values[2]);
        slot >= 0)
        nextSlot = slot + 1;
}

} // namespace

void JobListScanner::makeRoomFor(qsizetype listBytes)
{
    // A job takes 850 to 1,000 bytes of the lists we have seen; counting half that leaves room
    // for smaller jobs. The room costs little: slots past the last job are address space that
    // is never touched, and the index's buckets take 8 bytes a job or two.
    constexpr qsizetype kSmallJobBytes = 512;
    beginList();
    m_table->reserve(listBytes / kSmallJobBytes);
}

bool JobListScanner::prepare()
{
    // Two huge pages: about a millisecond each on a machine of its own, several on a virtual
    // machine that hands freed memory back to its host.
    constexpr qsizetype kStepBytes = 4 * 1024 * 1024;
    return m_table->prepareIndex(kStepBytes);
}

void JobListScanner::beginList()
{
    if (!std::exchange(m_begun, true))
        m_table->beginList();
}

void JobListScanner::feed(QByteArrayView soFar)
{
    beginList();
    if (soFar.size() <= m_searched)
        return;
    const char *const data = soFar.data();
    const char *const end = data + soFar.size();
    if (m_brace < 0) {
        const char *brace = findByte(data + m_searched, end, '{');
        if (!brace) {
            m_searched = soFar.size();
            return;
        }
        m_brace = brace - data;
        m_searched = m_brace + 1;
    }
    for (;;) {
        const char *next = findByte(data + m_searched, end, '{');
        if (!next) {
            m_searched = soFar.size();
            return;
        }
        storeStretch(data + m_brace, next, *m_table, m_nextSlot);
        m_brace = next - data;
        m_searched = m_brace + 1;
    }
}

void JobListScanner::finish(QByteArrayView whole)
{
    feed(whole);
    if (m_brace >= 0 && m_brace < whole.size())
        storeStretch(whole.data() + m_brace, whole.data() + whole.size(), *m_table, m_nextSlot);
    m_table->endList();
    m_brace = -1;
    m_searched = 0;
    m_nextSlot = 0;
    m_begun = false;
}

void JobListScanner::abandon()
{
    if (std::exchange(m_begun, false))
        m_table->abandonList();
    m_brace = -1;
    m_searched = 0;
    m_nextSlot = 0;
}

#include "JobStore.h"

#include "JobJson.h"
#include "JobLifecycle.h"

#include <algorithm>

JobStore::JobStore(std::int64_t alertEverySeconds)
    : m_alertEverySeconds(alertEverySeconds)
{ }

void JobStore::addSettled(Job job)
{
    const std::lock_guard lock(m_mutex);
    job.settled = true;
    insert(std::move(job));
}

JobStore::Outcome JobStore::create(Job job, UnixSeconds now, std::string &rendered)
{
    const std::lock_guard lock(m_mutex);
    advance(now);
    if (m_index.contains(job.externalId))
        return Outcome::Duplicate;
    job.created = now;
    job.latestAlertStatus = "None";
    job.latestAlertTime = now;
    job.settled = false;
    job.alertsRaised = 0;
    advanceJob(job, now, m_alertEverySeconds);
    rendered = renderJob(job);
    if (!job.settled)
        m_live.push_back(job.externalId);
    insert(std::move(job));
    return Outcome::Done;
}

JobStore::Entry *JobStore::upToDate(const std::string &externalId, UnixSeconds now)
{
    advance(now);
    const auto found = m_index.find(externalId);
    return found == m_index.end() ? nullptr : &*found->second;
}

JobStore::Outcome JobStore::find(const std::string &externalId, UnixSeconds now,
                                 std::string &rendered)
{
    const std::lock_guard lock(m_mutex);
    const Entry *entry = upToDate(externalId, now);
    if (entry == nullptr)
        return Outcome::NotFound;
    rendered = renderJob(entry->job);
    return Outcome::Done;
}

JobStore::Outcome JobStore::stop(const std::string &externalId, UnixSeconds now,
                                 std::string &rendered)
{
    const std::lock_guard lock(m_mutex);
    Entry *entry = upToDate(externalId, now);
    if (entry == nullptr)
        return Outcome::NotFound;
    Job &job = entry->job;
    if (!job.settled) {
        stopJob(job, now);
        forgetLive(externalId);
        entry->listText.clear();
        m_listCache.reset();
    }
    rendered = renderJob(job);
    return Outcome::Done;
}

JobStore::Outcome JobStore::remove(const std::string &externalId, UnixSeconds now)
{
    const std::lock_guard lock(m_mutex);
    advance(now);
    const auto found = m_index.find(externalId);
    if (found == m_index.end())
        return Outcome::NotFound;
    m_entries.erase(found->second);
    m_index.erase(found);
    forgetLive(externalId);
    m_listCache.reset();
    return Outcome::Done;
}

std::shared_ptr<const std::string> JobStore::list(UnixSeconds now)
{
    const std::lock_guard lock(m_mutex);
    advance(now);
    if (m_listCache)
        return m_listCache;
    // Joined job by job: the same text as dumping the whole array as one document.
    auto text = std::make_shared<std::string>();
    if (m_entries.empty()) {
        *text = "[]";
    } else {
        std::size_t size = 4;
        for (Entry &entry : m_entries) {
            if (entry.listText.empty())
                appendIndented(entry.listText, renderJob(entry.job));
            size += entry.listText.size() + 2;
        }
        text->reserve(size);
        *text += "[\n";
        const char *separator = "";
        for (const Entry &entry : m_entries) {
            *text += separator;
            *text += entry.listText;
            separator = ",\n";
        }
        *text += "\n]";
    }
    m_listCache = std::move(text);
    return m_listCache;
}

void JobStore::advance(UnixSeconds now)
{
    bool changed = false;
    std::erase_if(m_live, [&](const std::string &externalId) {
        Entry &entry = *m_index.at(externalId);
        if (advanceJob(entry.job, now, m_alertEverySeconds)) {
            entry.listText.clear();
            changed = true;
        }
        return entry.job.settled;
    });
    if (changed)
        m_listCache.reset();
}

void JobStore::insert(Job job)
{
    const std::string externalId = job.externalId;
    m_entries.push_back({std::move(job), {}});
    m_index.emplace(externalId, std::prev(m_entries.end()));
    m_listCache.reset();
}

void JobStore::forgetLive(const std::string &externalId)
{
    std::erase(m_live, externalId);
}

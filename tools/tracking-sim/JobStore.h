#pragma once

#include "Job.h"

#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

// All jobs, in creation order, shared by the server's worker threads. Jobs are brought up to
// date lazily at each call. The rendered list is kept until a job changes, and each job keeps
// its own rendering until it changes, so a list of many jobs is answered without rendering it
// again and rebuilt after one change by rendering only that job.
class JobStore final
{
public:
    enum class Outcome { Done, NotFound, Duplicate };

    explicit JobStore(std::int64_t alertEverySeconds);
    JobStore(const JobStore &) = delete;
    JobStore &operator=(const JobStore &) = delete;

    // Adds a job that never changes; the caller guarantees a unique id.
    void addSettled(Job job);

    // On Done, `rendered` holds the job as it now stands.
    Outcome create(Job job, UnixSeconds now, std::string &rendered);
    Outcome find(const std::string &externalId, UnixSeconds now, std::string &rendered);
    Outcome stop(const std::string &externalId, UnixSeconds now, std::string &rendered);
    Outcome remove(const std::string &externalId, UnixSeconds now);

    std::shared_ptr<const std::string> list(UnixSeconds now);

private:
    struct Entry
    {
        Job job;
        std::string listText; // the job as it stands inside the list; empty when stale
    };
    using Position = std::list<Entry>::iterator;

    void insert(Job job);
    // The job brought up to date, or null when there is none with that id.
    Entry *upToDate(const std::string &externalId, UnixSeconds now);

    void advance(UnixSeconds now);
    void forgetLive(const std::string &externalId);

    const std::int64_t m_alertEverySeconds;
    std::mutex m_mutex;
    std::list<Entry> m_entries;
    std::unordered_map<std::string, Position> m_index;
    std::vector<std::string> m_live; // ids of jobs that may still change
    std::shared_ptr<const std::string> m_listCache;
};

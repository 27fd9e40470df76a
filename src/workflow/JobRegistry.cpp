#include "JobRegistry.h"

#include <algorithm>

namespace bp {

QString JobRegistry::add(const QString &description, Unit unit, std::function<void()> cancel)
{
    Job job;
    job.id = QString::number(++m_lastId);
    job.description = description;
    job.unit = unit;
    m_entries.push_back({job, std::move(cancel)});
    emit changed();
    return job.id;
}

void JobRegistry::setProgress(const QString &id, qint64 processed, qint64 total,
                              const QString &currentItem)
{
    if (Entry *entry = find(id)) {
        entry->job.processed = processed;
        entry->job.total = total;
        entry->job.currentItem = currentItem;
        emit changed();
    }
}

void JobRegistry::remove(const QString &id)
{
    if (std::erase_if(m_entries, [&](const Entry &entry) { return entry.job.id == id; }) > 0)
        emit changed();
}

QList<JobRegistry::Job> JobRegistry::jobs() const
{
    QList<Job> jobs;
    for (const Entry &entry : m_entries)
        jobs += entry.job;
    return jobs;
}

bool JobRegistry::cancel(const QString &id)
{
    Entry *entry = find(id);
    if (!entry)
        return false;
    if (entry->job.cancelling)
        return true;
    entry->job.cancelling = true;
    // Taken out first: the callback may end the job, and so remove the entry, at once.
    const std::function<void()> cancel = std::move(entry->cancel);
    emit changed();
    if (cancel)
        cancel();
    return true;
}

JobRegistry::Entry *JobRegistry::find(const QString &id)
{
    const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                 [&](const Entry &entry) { return entry.job.id == id; });
    return it == m_entries.end() ? nullptr : &*it;
}

} // namespace bp

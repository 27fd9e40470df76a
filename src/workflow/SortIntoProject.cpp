#include "SortIntoProject.h"

#include "JobQueue.h"
#include "sorting/UndoLog.h"

namespace bp {

SortIntoProject::SortIntoProject(UndoLog &undoLog, QObject *parent)
    : QObject(parent), m_undoLog(undoLog)
{}

QFuture<SortOutcome> SortIntoProject::run(const QString &source, const QString &project,
                                          SortProgressFunction progress)
{
    return JobQueue::run([source, project, progress = std::move(progress)] {
               return FileSorter::sortFiles(source, project, progress);
           })
        .then(this, [this](const SortOutcome &outcome) {
            if (outcome.ok() || !outcome.records.isEmpty())
                m_undoLog.record(outcome.records);
            return outcome;
        });
}

} // namespace bp

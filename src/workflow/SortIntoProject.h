#pragma once

#include "sorting/FileSorter.h"

#include <QFuture>
#include <QObject>

namespace bp {

class UndoLog;

// Moves the loose files of a folder into a project on the job queue, and makes the moves the
// undo log's. Used on the thread it lives in.
class SortIntoProject final : public QObject {
    Q_OBJECT
public:
    explicit SortIntoProject(UndoLog &undoLog, QObject *parent = nullptr);

    // progress is called on the worker thread. When the future finishes, on this object's
    // thread, the undo log holds the moves: also when some files could not be moved, and a
    // sort that moved nothing empties it. A sort that failed without moving anything leaves
    // the log as it was.
    QFuture<SortOutcome> run(const QString &source, const QString &project,
                             SortProgressFunction progress = {});

private:
    UndoLog &m_undoLog;
};

} // namespace bp

#include "UndoLog.h"

#include "FileMove.h"
#include "model/FileSystem.h"

namespace bp {

UndoLog::UndoLog(const Clock &clock, QObject *parent) : QObject(parent), m_clock(clock) {}

UndoLog &UndoLog::shared()
{
    static UndoLog log;
    return log;
}

void UndoLog::record(const QList<MoveRecord> &records)
{
    m_records = records;
    Q_EMIT changed();
}

bool UndoLog::canUndo() const
{
    if (m_records.isEmpty())
        return false;
    // Strict: exactly undoWindow seconds after the first move it is too late.
    return m_records.constFirst().timestamp.msecsTo(m_clock.now()) < qint64(undoWindow) * 1000;
}

int UndoLog::movedCount() const
{
    return int(m_records.size());
}

const QList<MoveRecord> &UndoLog::records() const
{
    return m_records;
}

Result<void> UndoLog::undo()
{
    if (!canUndo())
        return success();
    for (auto it = m_records.crbegin(); it != m_records.crend(); ++it) {
        // Deleted or moved away by the user since, or already put back by an earlier try.
        if (!FileSystem::exists(it->destination))
            continue;
        // The move back reports it if the folder still is not there.
        (void)FileSystem::makePath(it->source.left(it->source.lastIndexOf(QLatin1Char('/'))));
        // Records stay as they are, so that a later undo can retry after the obstacle is gone.
        if (const Result<void> moved = FileMove::moveNoReplace(it->destination, it->source); !moved)
            return moved.error();
    }
    m_records.clear();
    Q_EMIT changed();
    return success();
}

} // namespace bp

#pragma once

#include "Clock.h"
#include "MoveRecord.h"
#include "model/Result.h"

#include <QList>
#include <QObject>

namespace bp {

// The moves of the most recent sort, undoable for undoWindow seconds after the first move.
// Lives in memory only; used on the UI thread.
class UndoLog final : public QObject {
    Q_OBJECT
public:
    static constexpr int undoWindow = 300; // seconds

    explicit UndoLog(const Clock &clock = Clock::system(), QObject *parent = nullptr);

    static UndoLog &shared();

    // Replaces the whole log; an empty list empties it.
    void record(const QList<MoveRecord> &records);
    bool canUndo() const;
    int movedCount() const;
    const QList<MoveRecord> &records() const;

    // Moves every file back, newest move first. Fails at the first move back that cannot
    // be made without replacing a file; the records are then kept for a retry.
    Result<void> undo();

Q_SIGNALS:
    void changed();

private:
    const Clock &m_clock;
    QList<MoveRecord> m_records;
};

} // namespace bp

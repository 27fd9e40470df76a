#include "UndoLastSort.h"

#include "model/FileSystem.h"
#include "sorting/UndoLog.h"

namespace bp {

UndoOutcome undoLastSort(UndoLog &undoLog)
{
    UndoOutcome outcome;
    if (undoLog.canUndo()) {
        for (const MoveRecord &record : undoLog.records()) {
            if (FileSystem::exists(record.destination))
                outcome.putBack += record.source;
        }
    }
    if (const Result<void> undone = undoLog.undo(); !undone) {
        outcome.putBack.clear();
        outcome.error = undone.error();
    }
    return outcome;
}

} // namespace bp

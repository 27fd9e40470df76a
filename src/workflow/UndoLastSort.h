#pragma once

#include "model/Result.h"

#include <QStringList>

#include <optional>

namespace bp {

class UndoLog;

struct UndoOutcome {
    // Where the files went back to; files deleted or moved away since are not among them.
    QStringList putBack;
    std::optional<Error> error;
};

// Puts the files of the last sort back while the log allows it. A failed undo keeps the
// log's records for a retry and reports nothing as put back.
UndoOutcome undoLastSort(UndoLog &undoLog);

} // namespace bp

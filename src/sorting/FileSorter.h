#pragma once

#include "MoveRecord.h"
#include "model/Result.h"

#include <QList>

#include <optional>

namespace bp {

// The moves a sort made, and the failure that stopped it, if any. Moves made before a
// failure are kept so that they can still be undone.
struct SortOutcome {
    QList<MoveRecord> records;
    std::optional<Error> error;

    bool ok() const { return !error.has_value(); }
};

namespace FileSorter {

// Moves the loose files of sourceFolder into projectFolder by the fixed rules; never
// replaces an existing file. Loose files are the direct entries in name order, except hidden
// ones (a leading dot, or listed in the folder's ".hidden") and folders; a symlink to a
// folder counts as a folder, any other symlink is moved as a link.
SortOutcome sortFiles(const QString &sourceFolder, const QString &projectFolder);

// The moves sortFiles would make now, without touching the disk (for --dry-run).
Result<QList<MoveRecord>> planMoves(const QString &sourceFolder, const QString &projectFolder);

} // namespace FileSorter
} // namespace bp

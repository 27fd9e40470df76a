#pragma once

#include "MoveRecord.h"
#include "model/Result.h"

#include <QList>

#include <functional>
#include <optional>

namespace bp {

// An entry the sort left where it was, and why.
struct SortFailure {
    QString source;
    Error error;
};

// The moves a sort made, the entries it could not move, and the failure that stopped it
// before any move, if any. One entry that cannot be moved does not stop the others; the
// moves made are kept so that they can still be undone.
struct SortOutcome {
    QList<MoveRecord> records;
    QList<SortFailure> failed;
    std::optional<Error> error;

    bool ok() const { return !error && failed.isEmpty(); }
};

// A file being copied because it cannot be renamed into the project (another file system).
struct SortProgress {
    QString source; // the file's path before the move
    qint64 bytesCopied = 0;
    qint64 fileSize = 0;
    int fileIndex = 0; // among the files this sort moves, from 0
    int fileCount = 0;
};

// Called on the sorting thread every FileMove::progressStep bytes of a copy and at the end of
// each copied file; never for a rename.
using SortProgressFunction = std::function<void(const SortProgress &)>;

namespace FileSorter {

// Moves the loose files of sourceFolder into projectFolder by the fixed rules; never
// replaces an existing file. Loose files are the direct regular files and symlinks in name
// order, except hidden ones (a leading dot, or listed in the folder's ".hidden"). A symlink
// is moved as a link, unless it points at a folder or its target is relative (moved deeper,
// it would dangle); those, folders, FIFOs, sockets and devices stay where they are. A name
// that is not valid UTF-8 is reported as failed (EILSEQ).
SortOutcome sortFiles(const QString &sourceFolder, const QString &projectFolder);
SortOutcome sortFiles(const QString &sourceFolder, const QString &projectFolder,
                      const SortProgressFunction &progress);

// The moves sortFiles would make now, without touching the disk (for --dry-run).
Result<QList<MoveRecord>> planMoves(const QString &sourceFolder, const QString &projectFolder);

} // namespace FileSorter
} // namespace bp

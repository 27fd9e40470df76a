#pragma once

#include "model/Result.h"

#include <functional>

namespace bp::FileMove {

// Bytes copied so far and the file's size; called from the moving thread.
using CopyProgress = std::function<void(qint64 copied, qint64 total)>;

// Copy progress is reported each time this many more bytes have been copied, and at the end.
constexpr qint64 progressStep = qint64(8) << 20;

// Moves one entry (a file or a symlink as such). Never replaces anything: an occupied
// destination fails with EEXIST, even when it appears concurrently (see claimThenRename for
// the one exception). Within a file system this is a rename; across file systems the file
// is copied and only then the source removed, reporting progress on the way.
Result<void> moveNoReplace(const QString &from, const QString &to);
Result<void> moveNoReplace(const QString &from, const QString &to, const CopyProgress &progress);

// The steps moveNoReplace falls back to, in order; exposed so that each can be tested on
// any file system. Regular files and symlinks only.

// Where RENAME_NOREPLACE is unknown (older NFS, FUSE): a hard link cannot replace a name.
Result<void> linkThenUnlink(const QString &from, const QString &to);

// Where hard links are refused too (FAT and exFAT through FUSE, SMB): claims the name with
// an exclusively created placeholder and renames onto it.
Result<void> claimThenRename(const QString &from, const QString &to);

// Across file systems: copies into an exclusively created file, flushes it, checks the size,
// keeps times and permissions, then removes the source. On failure the copy is removed and
// the source left as it was. Symlinks are recreated as links.
Result<void> copyThenRemove(const QString &from, const QString &to,
                            const CopyProgress &progress = {});

} // namespace bp::FileMove

#pragma once

#include "model/Result.h"

namespace bp::FileMove {

// Moves one entry (a file or a symlink as such) within a file system. Never replaces
// anything: an occupied destination fails with EEXIST, even when it appears concurrently.
Result<void> moveNoReplace(const QString &from, const QString &to);

// What moveNoReplace falls back to where the file system rejects RENAME_NOREPLACE: a hard
// link cannot replace an existing name either. Regular files and symlinks only.
Result<void> linkThenUnlink(const QString &from, const QString &to);

} // namespace bp::FileMove

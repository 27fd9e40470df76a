#pragma once

#include "Result.h"

namespace bp::FileSystem {

// mkdir -p: creates the folder and any missing parents. An existing folder is no error;
// anything else in the way fails with the system's error for the path that failed.
Result<void> makePath(const QString &path);

// The whole file, or the system's error for it (ENOENT when it is not there).
Result<QByteArray> readFile(const QString &path);
// Replaces the file by rename, so that readers see the old file or the whole new one and a
// failed write leaves the old one as it was.
Result<void> writeAtomically(const QString &path, const QByteArray &data);

// $XDG_CONFIG_HOME, or ~/.config where it is unset or (invalid per the XDG rules) relative.
QString configHome();

bool isDirectory(const QString &path);
bool exists(const QString &path);

} // namespace bp::FileSystem

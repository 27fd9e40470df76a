#pragma once

#include "Result.h"

namespace bp::FileSystem {

// mkdir -p: creates the folder and any missing parents. An existing folder is no error;
// anything else in the way fails with the system's error for the path that failed.
Result<void> makePath(const QString &path);

bool isDirectory(const QString &path);
bool exists(const QString &path);

} // namespace bp::FileSystem

#pragma once

#include "model/Result.h"

namespace bp::FileCopy {

// What became of a file that was to be put at a name.
enum class Outcome {
    copied, // the name now holds the new file
    kept,   // something was there already and was left as it was
};

// How the bytes were copied; the first the file system offers wins.
enum class Method {
    reflink,   // FICLONE: shared extents, no data copied
    copyRange, // copy_file_range: in the kernel, server-side on some network shares
    readWrite, // plain reads and writes
};

// Copies the regular file from to the name to, never replacing anything: when to exists (or
// appears meanwhile) the result is kept and nothing is written there. The copy is made in an
// exclusively created temporary file in to's folder, flushed (fsync) and only then given its
// name without replacing (see FileMove::moveNoReplace); on any failure the temporary is
// removed. from is only read. fastest limits the methods tried, for tests.
Result<Outcome> copyNew(const QString &from, const QString &to, Method fastest = Method::reflink);
// The same for bytes in memory (a rendered text file).
Result<Outcome> writeNew(const QString &to, const QByteArray &data);

// The method the last successful copyNew() on this thread used, for tests and logs.
Method lastMethod();

} // namespace bp::FileCopy

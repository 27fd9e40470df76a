#pragma once

#include "Result.h"

namespace bp::IncomingPath {

// What a path from another process must name besides being well formed.
enum class Need {
    // A stored hand-over may name a folder removed since: it is shown, and creating fails.
    wellFormed,
    // A request names the folder now: it must exist and be a folder.
    existingFolder,
};

// The one gate for every path handed in from outside (bus, shared suite, command line): it
// must be absolute, without NUL, valid Unicode (so it is valid UTF-8 on disk) and at most
// PATH_MAX bytes. Cheap for hostile sizes: an overlong text is refused before it is encoded.
Result<QString> check(const QString &path, Need need);

// The local path of a file: URI, decoded as bytes so that an encoded NUL or an invalid UTF-8
// sequence is refused rather than cut off or kept encoded; a text without a scheme is taken
// as a path. The result still has to pass check().
Result<QString> fromUri(const QString &uri);

} // namespace bp::IncomingPath

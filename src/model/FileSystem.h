#pragma once

#include "Result.h"

#include <QFileDevice>

#include <optional>

namespace bp::FileSystem {

// mkdir -p: creates the folder and any missing parents. An existing folder is no error;
// anything else in the way fails with the system's error for the path that failed.
Result<void> makePath(const QString &path);

// Files we read are never trusted to be small or even files: anything larger is refused.
inline constexpr qint64 defaultReadLimit = qint64(64) << 20;

// The whole file, or the system's error for it (ENOENT when it is not there). Only regular
// files are read (a symlink to one is followed): a FIFO, socket or device is refused without
// blocking, and so is a file above maxBytes, so a hostile path can neither hang nor exhaust us.
Result<QByteArray> readFile(const QString &path, qint64 maxBytes = defaultReadLimit);
// Replaces the file by rename, so that readers see the old file or the whole new one and a
// failed write leaves the old one as it was.
// With permissions, the new file has them before it appears under its name.
Result<void> writeAtomically(const QString &path, const QByteArray &data,
                             std::optional<QFileDevice::Permissions> permissions = std::nullopt);

// A new file: written to a temporary name beside path, flushed, then given path without
// replacing anything (EEXIST when the name is taken, the temporary removed either way).
Result<void> writeNew(const QString &path, const QByteArray &data);

// For a file the user chose: replaced by rename where its folder lets us, else written in
// place, so that a writable file in a folder we may not write can still be saved (without
// the guarantee that a failed write leaves the old file). Never for our own stores.
Result<void> writeChosenFile(const QString &path, const QByteArray &data);

// $XDG_CONFIG_HOME, or ~/.config where it is unset or (invalid per the XDG rules) relative.
QString configHome();

bool isDirectory(const QString &path);
bool exists(const QString &path);

} // namespace bp::FileSystem

#pragma once

#include "model/Result.h"
#include "offload/Hasher.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace bp::offload {

// One copy of a card (or any folder) into one or two offload folders.
struct OffloadRequest {
    // The card's root; copied as a whole, its layout kept. Only ever read.
    QString source;
    // The offload folders themselves (one or two): the source's content lands directly in
    // each, and each gets its own ascmhl/ history. Missing ones are created with parents.
    QStringList destinations;
    HashKind hash = HashKind::xxh128;
    // False: "alleen kopie". The source is still hashed while copying, but the copies are not
    // read back and count as unverified.
    bool verify = true;
};

enum class FileState {
    verified,         // copied, read back, same hash
    copiedUnverified, // copied without reading back (verify off)
    alreadyThere,     // a file of the same content was there already (or verified earlier)
    renamed,          // the name held another file: copied and verified under a numbered name
    failed,           // not copied, or the copy does not match; reason says why
    skipped,          // not a regular file (link, device…), left out
};

struct FileResult {
    QString path;     // relative to the source, with '/'
    QString storedAs; // relative to the destination; differs from path when renamed
    qint64 size = 0;
    QString digest; // the source's, in the request's hash kind; empty when unread
    FileState state = FileState::failed;
    // Why a file failed or was skipped; windows and the command line word it themselves.
    enum class Problem {
        none,
        unreadable,     // the source could not be read (detail: the system's text)
        unwritable,     // the copy could not be written or named (detail: the system's text)
        mismatch,       // the copy read back differs from the source
        historyChanged, // the source differs from the card's own ASC MHL history
        historyMissing, // the card's history names a file the card no longer has
        notRegular,     // a link, device or socket: skipped
        cancelled,      // the run was cancelled before this file was done
    };
    Problem problem = Problem::none;
    QString detail; // the system's error text; for renamed, the name that was taken
};

struct DestinationResult {
    QString folder;
    // Every file of the source, in the source's order.
    QList<FileResult> files;
    // The generation file written into folder/ascmhl this run; empty when none was written.
    QString generation;
    // A failure of the whole destination (cannot be created, history unreadable…).
    std::optional<Error> problem;
};

struct OffloadProgress {
    qint64 bytesDone = 0;
    qint64 bytesTotal = 0;
    int filesDone = 0;
    int filesTotal = 0;
    QString currentFile; // relative to the source
    double bytesPerSecond = 0;
    qint64 secondsLeft = -1; // -1 while unknown
};
using OffloadProgressFunction = std::function<void(const OffloadProgress &)>;

struct OffloadOutcome {
    OffloadRequest request;
    QList<DestinationResult> destinations;
    // Files of the source that do not match the card's own ASC MHL history (changed, missing),
    // found before anything was copied or while reading; their copies count as failed.
    QList<FileResult> sourceProblems;
    int files = 0;       // regular files on the source
    qint64 bytes = 0;    // their total size
    int copiedFiles = 0; // files written to at least one destination this run
    qint64 copiedBytes = 0;
    QDateTime started; // UTC
    qint64 durationMs = 0;
    bool cancelled = false;
    // The run could not start: no source, a destination inside the source, …
    std::optional<Error> error;

    // Everything is at every destination and was read back: the run succeeded.
    bool allVerified() const;
    // Nothing had to be copied: every file was already there.
    bool nothingCopied() const { return !error && !cancelled && copiedFiles == 0; }
    // The first failure, for a one-line message; empty when none.
    QString firstFailure() const;
};

} // namespace bp::offload

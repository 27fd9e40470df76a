#pragma once

// The engine's internals, exposed for its tests. Other layers use OffloadEngine.h only.

#include "model/Result.h"
#include "offload/AscMhl.h"

#include <QHash>
#include <QSet>
#include <QString>

namespace bp::offload::detail {

// Called by a destination's writer once a temporary is flushed and before it is read back,
// so that tests can corrupt it there. nullptr in production.
extern void (*afterTemporaryFlushed)(const QString &temporary);

// The pattern of our temporaries, ".<name>.bp-offload-XXXXXX": a resumed run removes only
// names of this form.
bool isTemporaryName(const QString &name);

// An exclusively created temporary beside name in folder: the open descriptor and its path.
struct Temporary {
    int fd = -1;
    QString path;
};
Result<Temporary> createTemporary(const QString &folder, const QString &name);

// Removes our temporaries directly inside folder; everything else is left alone, and so are
// the names in keep (a card's own file that happens to look like one).
void removeTemporaries(const QString &folder, const QSet<QString> &keep = {});

// The resume journal of a destination: one JSON line per file hashed there, appended as files
// are done, so that an interrupted run leaves a trustworthy record before any generation.
QString journalPath(const QString &destination);
// By path; unreadable or torn lines (a kill mid-write) are left out.
QHash<QString, mhl::HashEntry> readJournal(const QString &destination);

// The card paths copied into destination by a run without read-back ("alleen kopie"), one per
// line: their hashes are in the history, but a run that verifies must read them back before
// it trusts them. Written before such a run copies anything, so a kill cannot lose it.
QSet<QString> readUnverified(const QString &destination);
Result<void> writeUnverified(const QString &destination, const QSet<QString> &paths);

class Journal {
public:
    explicit Journal(QString destination) : m_destination(std::move(destination)) {}
    ~Journal();
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;

    // Created with ascmhl/ on the first entry, so that a run that hashes nothing writes nothing.
    Result<void> append(const mhl::HashEntry &entry);
    // Flushes and closes; the file stays until remove().
    void close();
    void remove();

private:
    QString m_destination;
    int m_fd = -1;
    int m_unsynced = 0;
};

} // namespace bp::offload::detail

#pragma once

#include "model/Result.h"
#include "offload/Hasher.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <utility>

// ASC MHL v2.0 histories: the ascmhl/ folder at the root of an offload folder, with one
// generation file per run and ascmhl_chain.xml naming each by its C4 id.
namespace bp::offload::mhl {

enum class Action { original, verified, failed };

struct HashEntry {
    QString path;           // relative to the history's root, with '/'
    qint64 size = 0;        // -1 when a manifest read gave none
    QDateTime lastModified; // UTC
    HashKind format = HashKind::xxh128;
    QString digest;
    Action action = Action::original;
    QDateTime hashDate; // UTC
};

struct Creator {
    QDateTime creationDate; // UTC
    QString hostName;
    QString tool = QStringLiteral("Brindlepath");
    QString toolVersion;
    QString processType = QStringLiteral("transfer");
};

struct Generation {
    int number = 0;
    QString fileName; // e.g. "0001_A001_2026-12-09_141500Z.mhl"
    Creator creator;
    QList<HashEntry> hashes;
};

struct History {
    QString root;
    QList<Generation> generations; // oldest first

    bool isEmpty() const { return generations.isEmpty(); }
    // The newest entry for path that is not failed, or nullptr. Looked up in the index
    // readHistory builds; a history built or changed since is searched entry by entry.
    const HashEntry *latest(const QString &path) const;

    // Where latest() finds each path (generation, entry), and how many entries it covered.
    QHash<QString, std::pair<qsizetype, qsizetype>> index{};
    qsizetype indexedEntries = -1;
    void buildIndex();
};

// One line of ascmhl_chain.xml: a generation file (a name inside ascmhl/) and its C4 id.
struct ChainEntry {
    int sequence = 0;
    QString fileName;
    QString c4;
};
QByteArray chainXml(const QList<ChainEntry> &chain);
// Sorted by sequence number; fails on anything but plain file names and well-formed C4 ids.
Result<QList<ChainEntry>> parseChain(const QByteArray &xml);

// Generation and chain files larger than this are refused unread.
inline constexpr qint64 maxManifestBytes = qint64(256) << 20;

// The generation's XML; parseGeneration reads what any ASC MHL tool writes (and is fuzzed).
QByteArray generationXml(const Generation &generation);
Result<Generation> parseGeneration(const QByteArray &xml);

// The C4 id (SHA-512, base58, "c4" prefix) of bytes, as the chain file records it.
QString c4Id(const QByteArray &data);

// Reads root/ascmhl: the chain and every generation it names, each checked against its C4
// id. A root without ascmhl/ has an empty history.
Result<History> readHistory(const QString &root);

// Writes the next generation into root/ascmhl (created when missing) and adds it to the
// chain. The generation file is created exclusively and never replaces one; the chain is
// replaced as a whole only after the new generation is on disk. Returns the file name. A path
// XML cannot hold (control characters) is left out, so verify lists that file as new.
Result<QString> addGeneration(const QString &root, const QList<HashEntry> &hashes,
                              const Creator &creator);

// brindlepath verify: re-hashes every file under root against its history.
struct VerifyReport {
    QStringList matched;
    QStringList missing; // in the history, not on disk
    QStringList changed; // on disk with another size or hash
    QStringList added;   // on disk, not in the history (ascmhl/ itself left out)
    QStringList unreadable;
    bool cancelled = false;
    bool ok() const
    {
        return !cancelled && missing.isEmpty() && changed.isEmpty() && added.isEmpty() &&
               unreadable.isEmpty();
    }
};
using VerifyProgress =
    std::function<void(qint64 bytesDone, qint64 bytesTotal, const QString &currentFile)>;
// Fails when root has no readable history. Only reads; writes nothing.
Result<VerifyReport> verifyFolder(const QString &root, const std::atomic_bool &cancel,
                                  const VerifyProgress &progress = {});

} // namespace bp::offload::mhl

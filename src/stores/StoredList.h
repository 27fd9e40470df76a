#pragma once

#include "PreferenceSuite.h"
#include "model/WhenFinished.h"

#include <QFuture>
#include <QObject>
#include <QPromise>

#include <functional>
#include <memory>
#include <optional>

namespace bp {

// A list kept under one key of a suite and shared with other processes. Every change is one
// operation (append, remove, move to front) applied to what is on disk at that moment, under
// the suite's lock; a list loaded earlier is never written back. The value shown is the disk
// state with the operations still on their way applied on top, and it follows the file when
// another process changes it.
//
// A value that cannot be read in full is never lost: the list holds what could be read, and
// the first change copies the whole value aside before it writes.
template <typename List> class StoredList {
public:
    // What could be read of a stored value, and why the rest could not.
    struct Decoded {
        List list;
        std::optional<QString> unreadable;
    };
    // Both run on the writer thread too, so they must not touch shared state.
    using Decode = Decoded (*)(const QJsonValue &stored);
    using Encode = QJsonValue (*)(const List &list);
    // Must not change a list that already holds its effect: the file may show a written
    // change before its operation has left the pending list.
    using Operation = std::function<void(List &list)>;
    // Told, on the owner's thread, where a change kept an unreadable value.
    using KeptAside = std::function<void(const QString &copy)>;

    StoredList(QObject &owner, PreferenceSuite &suite, QString key, Decode decode, Encode encode,
               std::function<void()> changed, KeptAside keptAside = {})
        : m_owner(owner), m_suite(suite), m_key(std::move(key)), m_decode(decode), m_encode(encode),
          m_changed(std::move(changed)), m_keptAside(std::move(keptAside))
    {
        load();
        m_value = m_disk;
        m_suite.watch();
        QObject::connect(&m_suite, &PreferenceSuite::changedOnDisk, &m_owner, [this] { reload(); });
    }

    const List &value() const { return m_value; }
    // Why the file or the value on disk could not be read in full, if it could not.
    const std::optional<QString> &unreadable() const { return m_unreadable; }

    // Blocks until the file is written: for the command line and tests, not the UI thread.
    Result<void> apply(const Operation &operation)
    {
        const auto kept = std::make_shared<std::optional<QString>>();
        const Result<void> written = m_suite.update(m_key, change(operation, kept));
        reload();
        report(*kept);
        return written;
    }

    // Shows the change at once and writes it on the writer thread. When the write fails the
    // change disappears again, so the list always ends equal to the disk.
    QFuture<Result<void>> applyLater(Operation operation)
    {
        const quint64 id = ++m_lastPending;
        m_pending.append({id, operation});
        refresh();
        // Dropped with the owner: its future is then cancelled.
        auto done = std::make_shared<QPromise<Result<void>>>();
        done->start();
        const auto kept = std::make_shared<std::optional<QString>>();
        whenFinished(m_suite.updateLater(m_key, change(operation, kept)), &m_owner,
                     [this, id, done, kept](const Result<void> &written) {
                         m_pending.removeIf([id](const Pending &p) { return p.id == id; });
                         reload();
                         report(*kept);
                         done->addResult(written);
                         done->finish();
                     });
        return done->future();
    }

    void reload()
    {
        const std::optional<QString> before = m_unreadable;
        load();
        refresh(before != m_unreadable);
    }

private:
    struct Pending {
        quint64 id;
        Operation operation;
    };

    void load()
    {
        const Result<QJsonValue> stored = m_suite.read(m_key);
        Decoded decoded =
            stored ? m_decode(stored.value()) : Decoded{List(), stored.error().message};
        m_disk = std::move(decoded.list);
        m_unreadable = std::move(decoded.unreadable);
    }

    // `kept` receives the copy's path; it is read once the change has finished.
    PreferenceSuite::Change change(Operation operation,
                                   std::shared_ptr<std::optional<QString>> kept) const
    {
        return [suite = &m_suite, key = m_key, decode = m_decode, encode = m_encode,
                operation = std::move(operation),
                kept = std::move(kept)](const QJsonValue &current) -> Result<QJsonValue> {
            Decoded decoded = decode(current);
            if (decoded.unreadable) {
                Result<QString> copy = suite->keepAside(key, current);
                if (!copy)
                    return copy.error();
                *kept = copy.value();
            }
            operation(decoded.list);
            return encode(decoded.list);
        };
    }

    void report(const std::optional<QString> &kept) const
    {
        if (kept && m_keptAside)
            m_keptAside(*kept);
    }

    void refresh(bool unreadableChanged = false)
    {
        List shown = m_disk;
        for (const Pending &p : std::as_const(m_pending))
            p.operation(shown);
        if (shown == m_value && !unreadableChanged)
            return;
        m_value = std::move(shown);
        m_changed();
    }

    QObject &m_owner;
    PreferenceSuite &m_suite;
    const QString m_key;
    const Decode m_decode;
    const Encode m_encode;
    const std::function<void()> m_changed;
    const KeptAside m_keptAside;
    List m_disk;
    std::optional<QString> m_unreadable;
    List m_value;
    QList<Pending> m_pending;
    quint64 m_lastPending = 0;
};

} // namespace bp

#pragma once

#include "PreferenceSuite.h"
#include "model/WhenFinished.h"

#include <QFuture>
#include <QObject>
#include <QPromise>

#include <functional>
#include <memory>

namespace bp {

// A list kept under one key of a suite and shared with other processes. Every change is one
// operation (append, remove, move to front) applied to what is on disk at that moment, under
// the suite's lock; a list loaded earlier is never written back. The value shown is the disk
// state with the operations still on their way applied on top, and it follows the file when
// another process changes it.
template <typename List> class StoredList {
public:
    // Both run on the writer thread too, so they must not touch shared state.
    using Decode = List (*)(const QJsonValue &stored);
    using Encode = QJsonValue (*)(const List &list);
    // Must not change a list that already holds its effect: the file may show a written
    // change before its operation has left the pending list.
    using Operation = std::function<void(List &list)>;

    StoredList(QObject &owner, PreferenceSuite &suite, QString key, Decode decode, Encode encode,
               std::function<void()> changed)
        : m_owner(owner), m_suite(suite), m_key(std::move(key)), m_decode(decode), m_encode(encode),
          m_changed(std::move(changed))
    {
        m_disk = m_decode(m_suite.value(m_key));
        m_value = m_disk;
        m_suite.watch();
        QObject::connect(&m_suite, &PreferenceSuite::changedOnDisk, &m_owner, [this] { reload(); });
    }

    const List &value() const { return m_value; }

    // Blocks until the file is written: for the command line and tests, not the UI thread.
    Result<void> apply(const Operation &operation)
    {
        const Result<void> written = m_suite.update(m_key, change(operation));
        reload();
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
        whenFinished(m_suite.updateLater(m_key, change(operation)), &m_owner,
                     [this, id, done](const Result<void> &written) {
                         m_pending.removeIf([id](const Pending &p) { return p.id == id; });
                         reload();
                         done->addResult(written);
                         done->finish();
                     });
        return done->future();
    }

    void reload()
    {
        m_disk = m_decode(m_suite.value(m_key));
        refresh();
    }

private:
    struct Pending {
        quint64 id;
        Operation operation;
    };

    PreferenceSuite::Change change(Operation operation) const
    {
        return [decode = m_decode, encode = m_encode,
                operation = std::move(operation)](const QJsonValue &current) -> Result<QJsonValue> {
            List list = decode(current);
            operation(list);
            return encode(list);
        };
    }

    void refresh()
    {
        List shown = m_disk;
        for (const Pending &p : std::as_const(m_pending))
            p.operation(shown);
        if (shown == m_value)
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
    List m_disk;
    List m_value;
    QList<Pending> m_pending;
    quint64 m_lastPending = 0;
};

} // namespace bp

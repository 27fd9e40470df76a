#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <vector>

namespace bp {

// The long-running jobs of the agent, for whoever shows or cancels them (the tray, the bus).
// A job registers itself, reports its progress and leaves when it has ended; the registry
// knows nothing of what the job does. Main thread only.
class JobRegistry final : public QObject {
    Q_OBJECT
public:
    enum class Unit { bytes, files };

    struct Job {
        QString id;
        QString description;
        Unit unit = Unit::files;
        qint64 processed = 0;
        // 0 while the amount is not yet known.
        qint64 total = 0;
        QString currentItem;
        bool cancelling = false;
    };

    using QObject::QObject;

    // A running job; cancel asks it to end cleanly and is called at most once.
    QString add(const QString &description, Unit unit, std::function<void()> cancel);
    void setProgress(const QString &id, qint64 processed, qint64 total,
                     const QString &currentItem = {});
    // The job has ended, whether done, failed or cancelled.
    void remove(const QString &id);

    QList<Job> jobs() const;
    // False when no such job runs.
    bool cancel(const QString &id);

Q_SIGNALS:
    void changed();

private:
    struct Entry {
        Job job;
        std::function<void()> cancel;
    };
    Entry *find(const QString &id);

    std::vector<Entry> m_entries;
    quint64 m_lastId = 0;
};

} // namespace bp

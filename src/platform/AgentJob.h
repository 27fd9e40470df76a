#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class ComQuenmoorBrindlepathInterface;

namespace bp {

// A job of this process in the running agent's job list, so that the tray shows its progress
// and can cancel it. Without a bus or a running agent it does nothing: it never starts one.
// Lives on a thread with an event loop; progress() may be called from any thread.
class AgentJob final : public QObject {
    Q_OBJECT
public:
    // onCancel runs on this object's thread when the tray asks the job to end.
    AgentJob(const QString &description, const QString &unit, std::function<void()> onCancel,
             const QDBusConnection &bus = QDBusConnection::sessionBus());
    // Ends the job in the list.
    ~AgentJob() override;

    // Whether the agent has listed the job (it answers a moment after construction).
    bool listed() const { return !m_id.isEmpty(); }
    void progress(qint64 processed, qint64 total, const QString &item);

private:
    void send(qint64 processed, qint64 total, const QString &item);

    std::unique_ptr<ComQuenmoorBrindlepathInterface> m_agent;
    std::function<void()> m_onCancel;
    QString m_id;
};

} // namespace bp

#include "AgentJob.h"

#include "DBusApplicationService.h"
#include "brindlepathinterface.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>

namespace bp {

AgentJob::AgentJob(const QString &description, const QString &unit, std::function<void()> onCancel,
                   const QDBusConnection &bus)
    : m_onCancel(std::move(onCancel))
{
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(DBusApplicationService::name).value())
        return;
    m_agent = std::make_unique<ComQuenmoorBrindlepathInterface>(DBusApplicationService::name,
                                                                DBusApplicationService::path, bus);
    connect(m_agent.get(), &ComQuenmoorBrindlepathInterface::JobCancelRequested, this,
            [this](const QString &id) {
                if (id == m_id && m_onCancel)
                    m_onCancel();
            });
    // Not awaited: an agent that hangs must not hold up the work. Progress before the
    // answer is dropped; the next report follows soon.
    auto *watcher = new QDBusPendingCallWatcher(m_agent->AddJob(description, unit), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusPendingReply<QString> added = *watcher;
        if (added.isValid())
            m_id = added.value();
    });
}

AgentJob::~AgentJob()
{
    if (listed())
        m_agent->EndJob(m_id);
}

void AgentJob::progress(qint64 processed, qint64 total, const QString &item)
{
    if (!listed())
        return;
    QMetaObject::invokeMethod(
        this, [this, processed, total, item] { send(processed, total, item); },
        Qt::QueuedConnection);
}

void AgentJob::send(qint64 processed, qint64 total, const QString &item)
{
    // No reply is awaited: progress is best effort.
    m_agent->asyncCall(QStringLiteral("UpdateJob"), m_id, quint64(processed), quint64(total), item);
}

} // namespace bp

#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantList>

#include <chrono>
#include <optional>

namespace bp {

// The command line's side of the agent's bus interface. Every request carries the caller's
// activation token, so that the desktop lets the agent's window take the focus.
class AgentClient {
public:
    explicit AgentClient(const QDBusConnection &bus = QDBusConnection::sessionBus());

    // Whether this session announces a bus: its address in the environment, or the user's
    // bus socket. Without one the library would start a throwaway bus of its own for the
    // display, which no agent shares.
    static bool sessionHasBus();

    bool hasBus() const;
    bool agentRunning() const;

    // Starts an agent when none runs, through D-Bus activation or else by running program
    // detached, and waits for it to take its name; true once an agent is there.
    bool ensureAgent(const QString &program, std::chrono::milliseconds timeout);

    bool activateAction(const QString &action, const QVariantList &parameter = {});
    bool open(const QStringList &paths);
    // The paths the files were put back at; nothing when the agent could not be asked.
    std::optional<QStringList> undo();

    // The startup id or xdg-activation token this process was started with, as platform-data.
    static QVariantMap platformData();

private:
    QDBusMessage call(const QString &interface, const QString &method,
                      const QVariantList &arguments);

    QDBusConnection m_bus;
};

} // namespace bp

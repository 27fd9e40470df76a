#pragma once

#include "model/Result.h"

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QStringList>
#include <QVariantList>

#include <chrono>
#include <memory>
#include <optional>

class ComQuenmoorBrindlepathInterface;
class OrgFreedesktopApplicationInterface;

namespace bp {

// The command line's side of the agent's bus interface, through the proxies generated from
// its description. Every request carries the caller's activation token, so that the desktop
// lets the agent's window take the focus.
class AgentClient {
public:
    explicit AgentClient(const QDBusConnection &bus = QDBusConnection::sessionBus());
    ~AgentClient();

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
    // The paths the files were put back at, or why not: the agent's reason for a failed undo,
    // or that it did not answer.
    Result<QStringList> undo();

    // The startup id or xdg-activation token this process was started with, as platform-data.
    static QVariantMap platformData();

private:
    // Waits in an event loop rather than blocking, so that an agent in this very process
    // (the tests) can answer.
    static void wait(const QDBusPendingCall &call);

    QDBusConnection m_bus;
    std::unique_ptr<OrgFreedesktopApplicationInterface> m_application;
    std::unique_ptr<ComQuenmoorBrindlepathInterface> m_agent;
};

} // namespace bp

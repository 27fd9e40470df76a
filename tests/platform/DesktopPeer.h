#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <functional>

namespace bp::test {

// Runs the event loop until done holds, for at most timeoutMs. Returns done().
bool waitUntil(const std::function<bool()> &done, int timeoutMs = 20000);

// The desktop's notification server and file manager on the test's bus, recording what the
// agent asks of them, so that nothing falls back to other programs.
class DesktopPeer final : public QObject {
    Q_OBJECT
public:
    // "summary | body" of every notification, and every URI shown.
    QStringList notified;
    QStringList revealed;

    // Takes both names on bus; false when either is taken.
    bool publish(QDBusConnection bus);
    void withdraw(QDBusConnection bus);

public Q_SLOTS:
    Q_SCRIPTABLE uint Notify(const QString &, uint, const QString &, const QString &summary,
                             const QString &body, const QStringList &, const QVariantMap &, int);
    Q_SCRIPTABLE void ShowItems(const QStringList &uris, const QString &);
};

} // namespace bp::test

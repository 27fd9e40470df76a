#pragma once

#include "model/Result.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace bp {

// What another process may ask of the running agent: the desktop through
// org.freedesktop.Application, and our own command line.
class ApplicationRequests {
public:
    virtual ~ApplicationRequests() = default;

    // The caller's xdg-activation token or startup id, empty when it sent none. It arrives
    // just before the request it belongs to, so that the window the request shows may take
    // the focus.
    virtual void setActivationToken(const QString &token) = 0;

    // The desktop's plain launch, as from its app launcher.
    virtual void activate() { openProjectSetup(std::nullopt); }
    virtual void openProjectSetup(std::optional<QString> folder) = 0;
    // Local paths, in the order they were given.
    virtual void openFiles(const QStringList &paths) = 0;
    virtual void openSettings() = 0;
    // Undoes the last sort at once; the paths the files were put back at, empty when
    // there was nothing to put back, or why the undo failed.
    virtual Result<QStringList> undoNow() = 0;
    virtual void quit() = 0;
};

} // namespace bp

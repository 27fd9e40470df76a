#pragma once

#include <QFuture>
#include <QString>

#include <chrono>

namespace bp {

// What the setup window's model asks of the application around it once a run has made its
// projects. The tray agent, a window run on its own and the tests each provide their own.
class WorkflowHost {
public:
    virtual ~WorkflowHost() = default;

    // Post the desktop notification after a successful creation.
    virtual void sendSuccessNotification(const QString &projectName,
                                         const QString &projectPath) = 0;
    // Show the folder, selected, in the file manager.
    virtual void revealInFileManager(const QString &path) = 0;
    // Close the setup window the run belongs to.
    virtual void closeWindow() = 0;
    // Resolves after the given time; tests resolve at once.
    virtual QFuture<void> pause(std::chrono::milliseconds duration) = 0;
    // Whether a new project is offered a card import ("Kaart importeren…") after its run;
    // the window then stays open for that choice instead of closing itself.
    virtual bool offersOffload() const { return false; }
    // Open the offload window into project.
    virtual void openOffload(const QString &project) { Q_UNUSED(project); }
};

} // namespace bp

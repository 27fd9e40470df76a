#pragma once

#include "workflow/WorkflowHost.h"

#include <QFileInfo>
#include <QPromise>
#include <QStringList>

#include <functional>

namespace bp::test {

// Records what a run asks of the application, in order, in calls; the pause resolves at once
// unless holdPause keeps it going until the test finishes heldPause.
class RecordingHost final : public WorkflowHost {
public:
    void sendSuccessNotification(const QString &name, const QString &path) override
    {
        notifications.append({name, path});
        calls << "notify:" + name + "|" + QFileInfo(path).fileName();
    }
    void revealInFileManager(const QString &path) override
    {
        revealed.append(path);
        calls << "reveal:" + QFileInfo(path).fileName();
    }
    void closeWindow() override
    {
        ++closes;
        calls << "close";
        if (onClose)
            onClose();
    }
    QFuture<void> pause(std::chrono::milliseconds duration) override
    {
        calls << QString("pause:%1").arg(duration.count());
        if (!holdPause)
            return QtFuture::makeReadyFuture();
        heldPause.start();
        return heldPause.future();
    }

    bool offersOffload() const override { return offers; }
    void openOffload(const QString &project) override
    {
        calls << "offload:" + QFileInfo(project).fileName();
    }

    bool offers = false;
    bool holdPause = false;
    QPromise<void> heldPause;
    std::function<void()> onClose;
    QStringList calls;
    int closes = 0;
    QList<QPair<QString, QString>> notifications;
    QStringList revealed;
};

} // namespace bp::test

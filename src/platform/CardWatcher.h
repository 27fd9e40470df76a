#pragma once

#include "offload/CardLayout.h"

#include <QList>
#include <QObject>

#include <memory>

namespace bp {

// Camera and recorder cards as they are mounted and unmounted: file systems on removable
// drives whose folders look like a camera's (see offload::recogniseCard).
class CardWatcher : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The recognised cards mounted now.
    virtual QList<offload::CardInfo> cards() const = 0;

Q_SIGNALS:
    // A recognised card was mounted (also one seen again after a remount).
    void cardAdded(const bp::offload::CardInfo &card);
    void cardRemoved(const QString &root);
};

// udisks2 on the system bus where its service runs; otherwise /proc/self/mountinfo with
// removable drives told by sysfs.
std::unique_ptr<CardWatcher> makeCardWatcher(QObject *parent = nullptr);

} // namespace bp

#pragma once

#include "PreferenceSuite.h"
#include "StoredList.h"

#include <QFuture>
#include <QObject>
#include <QStringList>

namespace bp {

// The last five target folders, newest first, persisted under "recentFolders". The list
// follows the file, so folders chosen in other processes show up here too.
class RecentFoldersStore final : public QObject {
    Q_OBJECT
public:
    static inline const QString key = QStringLiteral("recentFolders");
    static constexpr int maxCount = 5;

    // Loads the stored list, dropping paths that are no longer folders.
    explicit RecentFoldersStore(PreferenceSuite &suite, QObject *parent = nullptr);

    static RecentFoldersStore &shared();

    const QStringList &folders() const { return m_list.value(); }
    // Shows the folder first at once and writes it on the writer thread; a failed write
    // takes it back and is reported through the future.
    QFuture<Result<void>> add(const QString &folder);

Q_SIGNALS:
    void foldersChanged();

private:
    StoredList<QStringList> m_list;
};

} // namespace bp

#pragma once

#include "PreferenceSuite.h"

#include <QObject>
#include <QStringList>

namespace bp {

// The last five target folders, newest first, persisted under "recentFolders".
class RecentFoldersStore final : public QObject {
    Q_OBJECT
public:
    static inline const QString key = QStringLiteral("recentFolders");
    static constexpr int maxCount = 5;

    // Loads the stored list, dropping paths that are no longer folders.
    explicit RecentFoldersStore(PreferenceSuite &suite, QObject *parent = nullptr);

    static RecentFoldersStore &shared();

    const QStringList &folders() const { return m_folders; }
    void add(const QString &folder);

Q_SIGNALS:
    void foldersChanged();

private:
    void load();
    void persist();

    PreferenceSuite &m_suite;
    QStringList m_folders;
};

} // namespace bp

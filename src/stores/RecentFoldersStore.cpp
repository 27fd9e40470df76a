#include "RecentFoldersStore.h"

#include "model/FileSystem.h"

#include <QDir>

namespace bp {

RecentFoldersStore::RecentFoldersStore(PreferenceSuite &suite, QObject *parent)
    : QObject(parent), m_suite(suite)
{
    load();
}

RecentFoldersStore &RecentFoldersStore::shared()
{
    static RecentFoldersStore store(PreferenceSuite::standard());
    return store;
}

void RecentFoldersStore::add(const QString &folder)
{
    if (folder.isEmpty())
        return;
    // "/a/b/" and "/a/b" name the same folder and must not both take a place in the list.
    const QString path = QDir::cleanPath(folder);
    m_folders.removeAll(path);
    m_folders.prepend(path);
    if (m_folders.size() > maxCount)
        m_folders.resize(maxCount);
    Q_EMIT foldersChanged();
    persist();
}

void RecentFoldersStore::load()
{
    const QStringList stored = m_suite.stringListValue(key).value_or(QStringList());
    for (const QString &path : stored) {
        // Relative paths would resolve against whatever the working directory happens to be.
        if (QDir::isAbsolutePath(path) && FileSystem::isDirectory(path) &&
            !m_folders.contains(path))
            m_folders.append(path);
        if (m_folders.size() == maxCount)
            break;
    }
    // Pruned entries are not written back: the next add() does that.
}

void RecentFoldersStore::persist()
{
    // A failed write only costs the history; the folder itself was chosen fine.
    (void)m_suite.setStringList(key, m_folders);
}

} // namespace bp

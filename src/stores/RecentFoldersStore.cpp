#include "RecentFoldersStore.h"

#include "model/FileSystem.h"

#include <QDir>
#include <QJsonArray>

namespace bp {
namespace {

// Paths that are no longer folders are dropped when read; the next add writes the pruned list.
// A value of another type holds nothing worth keeping.
StoredList<QStringList>::Decoded decodeStored(const QJsonValue &stored)
{
    QStringList folders;
    for (const QString &path : PreferenceSuite::toStringList(stored).value_or(QStringList())) {
        // Relative paths would resolve against whatever the working directory happens to be.
        if (QDir::isAbsolutePath(path) && FileSystem::isDirectory(path) && !folders.contains(path))
            folders.append(path);
        if (folders.size() == RecentFoldersStore::maxCount)
            break;
    }
    return {folders, std::nullopt};
}

QJsonValue encodeStored(const QStringList &folders)
{
    return QJsonArray::fromStringList(folders);
}

} // namespace

RecentFoldersStore::RecentFoldersStore(PreferenceSuite &suite, QObject *parent)
    : QObject(parent),
      m_list(*this, suite, key, decodeStored, encodeStored, [this] { Q_EMIT foldersChanged(); })
{}

RecentFoldersStore &RecentFoldersStore::shared()
{
    static RecentFoldersStore store(PreferenceSuite::standard());
    return store;
}

QFuture<Result<void>> RecentFoldersStore::add(const QString &folder)
{
    if (folder.isEmpty())
        return QtFuture::makeReadyFuture(Result<void>());
    // "/a/b/" and "/a/b" name the same folder and must not both take a place in the list.
    const QString path = QDir::cleanPath(folder);
    return m_list.applyLater([path](QStringList &folders) {
        folders.removeAll(path);
        folders.prepend(path);
        if (folders.size() > maxCount)
            folders.resize(maxCount);
    });
}

} // namespace bp

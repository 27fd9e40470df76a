#include "TemplateFiles.h"

#include "FileSystem.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>

#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bp::TemplateFiles {
namespace {

void collect(const QList<CustomFolderNode> &nodes, QList<TemplateFile> &out)
{
    for (const CustomFolderNode &node : nodes) {
        out += node.files;
        collect(node.children, out);
    }
}

void resolveSources(QList<CustomFolderNode> &nodes, const QHash<QString, QString> &stored)
{
    for (CustomFolderNode &node : nodes) {
        for (TemplateFile &file : node.files)
            file.source = stored.value(file.source, file.source);
        resolveSources(node.children, stored);
    }
}

// "brief.txt", "brief 2.txt", ...: the first name not taken in folder.
QString freeName(const QDir &folder, const QString &wanted, const QSet<QString> &reserved)
{
    const QFileInfo info(wanted);
    const QString base = info.completeBaseName();
    const QString suffix =
        info.suffix().isEmpty() ? QString() : QStringLiteral(".") + info.suffix();
    QString name = wanted;
    for (int n = 2; reserved.contains(name) || QFileInfo::exists(folder.filePath(name)); ++n)
        name = base + QLatin1Char(' ') + QString::number(n) + suffix;
    return name;
}

} // namespace

QString dataHome()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(base);
}

QString ownRoot()
{
    return dataHome() + QStringLiteral("/brindlepath/templates");
}

QString ownFolder(const QUuid &id)
{
    return ownRoot() + QLatin1Char('/') + id.toString(QUuid::WithoutBraces).toUpper();
}

QString folderOf(const CustomTemplate &t)
{
    return t.filesFolder.isEmpty() ? ownFolder(t.id) : t.filesFolder;
}

std::optional<QString> sourceProblem(const QString &source)
{
    if (source.isEmpty())
        return QStringLiteral("file source is empty");
    if (source.startsWith(QLatin1Char('/')))
        return QStringLiteral("file source \"%1\" is absolute").arg(source);
    if (source.contains(QLatin1Char('\\')) || source.contains(QChar(0)))
        return QStringLiteral("file source \"%1\" holds a backslash or NUL").arg(source);
    for (const QString &part : source.split(QLatin1Char('/'))) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return QStringLiteral("file source \"%1\" leaves its folder or has an empty part")
                .arg(source);
        if (part.toUtf8().size() > 255)
            return QStringLiteral("file source \"%1\" has a part over 255 bytes").arg(source);
    }
    return std::nullopt;
}

QList<TemplateFile> allFiles(const QList<CustomFolderNode> &roots)
{
    QList<TemplateFile> files;
    collect(roots, files);
    return files;
}

CustomTemplate withAbsoluteSources(const CustomTemplate &t)
{
    CustomTemplate draft = t;
    const QDir folder(folderOf(t));
    const auto absolute = [&](auto &self, QList<CustomFolderNode> &nodes) -> void {
        for (CustomFolderNode &node : nodes) {
            for (TemplateFile &file : node.files)
                file.source = folder.absoluteFilePath(file.source);
            self(self, node.children);
        }
    };
    absolute(absolute, draft.roots);
    draft.filesFolder.clear();
    draft.shared = false;
    return draft;
}

CustomTemplate withoutFiles(const CustomTemplate &t)
{
    CustomTemplate bare = t;
    const auto strip = [](auto &self, QList<CustomFolderNode> &nodes) -> void {
        for (CustomFolderNode &node : nodes) {
            node.files.clear();
            self(self, node.children);
        }
    };
    strip(strip, bare.roots);
    return bare;
}

Result<QString> store(const QUuid &id, const QString &path)
{
    const Result<QByteArray> data = FileSystem::readFile(path, qint64(512) << 20);
    if (!data)
        return data.error();
    const QDir folder(ownFolder(id));
    if (Result<void> made = FileSystem::makePath(folder.path()); !made)
        return made.error();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = freeName(folder, QFileInfo(path).fileName(), {});
        const Result<void> written = FileSystem::writeNew(folder.filePath(name), data.value());
        if (written)
            return name;
        // Someone took the name meanwhile: the next free one.
        if (written.error().code != EEXIST)
            return written.error();
    }
    return Error::fromErrno(EEXIST, folder.path());
}

Result<CustomTemplate> storeAll(const CustomTemplate &t)
{
    CustomTemplate result = t;
    const QList<TemplateFile> files = allFiles(t.roots);
    QHash<QString, QString> stored;
    for (const TemplateFile &file : files) {
        if (!QDir::isAbsolutePath(file.source) || stored.contains(file.source))
            continue;
        const Result<QString> source = store(t.id, file.source);
        if (!source)
            return source.error();
        stored.insert(file.source, source.value());
    }
    resolveSources(result.roots, stored);
    return result;
}

void prune(const CustomTemplate &t)
{
    if (!t.filesFolder.isEmpty() || t.shared)
        return;
    QSet<QString> named;
    for (const TemplateFile &file : allFiles(t.roots))
        named.insert(file.source);
    const QDir root(ownFolder(t.id));
    QDirIterator it(root.path(), QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!named.contains(root.relativeFilePath(path)))
            QFile::remove(path);
    }
}

Result<void> removeFolder(const QUuid &id)
{
    QDir folder(ownFolder(id));
    if (!folder.exists())
        return success();
    if (!folder.removeRecursively())
        return Error::withMessage(folder.path() + QStringLiteral(": could not be removed"));
    return success();
}

} // namespace bp::TemplateFiles

#include "FolderCreator.h"

#include "FileSystem.h"
#include "PathComponent.h"

#include <QLocale>

#include <cerrno>

namespace bp::FolderCreator {
namespace {

QString joinPath(const QString &parent, const QString &name)
{
    if (parent.endsWith(QLatin1Char('/')))
        return parent + name;
    return parent + QLatin1Char('/') + name;
}

Result<void> createNodesUnchecked(const QList<FolderNode> &nodes, const QString &parentPath)
{
    for (const FolderNode &node : nodes) {
        const QString path = joinPath(parentPath, node.name);
        if (Result<void> made = FileSystem::makePath(path); !made)
            return made;
        if (!node.children.isEmpty()) {
            if (Result<void> below = createNodesUnchecked(node.children, path); !below)
                return below;
        }
    }
    return success();
}

} // namespace

QString projectFolderName(const QString &projectName, const QDateTime &date)
{
    // Gregorian calendar and ASCII digits whatever the user's locale.
    const QString dateText = QLocale::c().toString(date.toLocalTime().date(), u"yyyy-MM-dd");
    QString name = projectName.trimmed();
    for (QChar &c : name) {
        if (PathComponent::isForbidden(c))
            c = QLatin1Char('-');
    }
    if (name.isEmpty())
        return dateText + QStringLiteral("_NewProject");
    return dateText + QLatin1Char('_') + name;
}

Result<void> validateNames(const QList<FolderNode> &nodes)
{
    for (const FolderNode &node : nodes) {
        const QString &name = node.name;
        if (name.isEmpty() || name == u"." || name == u".." || name.contains(QLatin1Char('/')) ||
            name.contains(QChar(0))) {
            return Error{
                EINVAL,
                QStringLiteral("Invalid folder name \u201c%1\u201d: a folder name must not be "
                               "empty, \".\" or \"..\", nor contain \"/\"")
                    .arg(QString(name).replace(QChar(0), QStringLiteral("\\0"))),
                QString(), Error::Kind::invalidFolderName};
        }
        if (Result<void> below = validateNames(node.children); !below)
            return below;
    }
    return success();
}

Result<void> createNodes(const QList<FolderNode> &nodes, const QString &parentPath)
{
    if (Result<void> valid = validateNames(nodes); !valid)
        return valid;
    return createNodesUnchecked(nodes, parentPath);
}

Result<QString> makeProject(const QString &name, const QList<FolderNode> &nodes,
                            const QString &targetPath, const QDateTime &date)
{
    return makeNamedProject(projectFolderName(name, date), nodes, targetPath);
}

Result<QString> makeNamedProject(const QString &folderName, const QList<FolderNode> &nodes,
                                 const QString &targetPath)
{
    if (Result<void> valid = validateNames(nodes); !valid)
        return valid.error();
    const QString projectPath = joinPath(targetPath, folderName);
    if (Result<void> made = FileSystem::makePath(projectPath); !made)
        return made.error();
    if (Result<void> tree = createNodesUnchecked(nodes, projectPath); !tree)
        return tree.error();
    return projectPath;
}

} // namespace bp::FolderCreator

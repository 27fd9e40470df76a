#pragma once

#include "ProjectConfig.h"
#include "Result.h"

#include <QDateTime>

namespace bp::FolderCreator {

// "yyyy-MM-dd_Name" in local time; the name trimmed, the ten characters /:\?%*|"<> each
// replaced by "-", and "NewProject" when nothing is left.
QString projectFolderName(const QString &projectName, const QDateTime &date);

// Fails when a node name would not stay one folder below its parent (empty, ".", "..",
// a slash or a NUL character). Checked for the whole tree before anything is created.
Result<void> validateNames(const QList<FolderNode> &nodes);

// Creates the nodes' folders below parentPath, depth first, a parent before its children.
// Stops at the first failure; what was made before it stays.
Result<void> createNodes(const QList<FolderNode> &nodes, const QString &parentPath);

// Creates targetPath/folderName and its tree; returns the project folder's path. An existing
// project folder is merged into.
Result<QString> makeNamedProject(const QString &folderName, const QList<FolderNode> &nodes,
                                 const QString &targetPath);

// makeNamedProject() with the folder named projectFolderName(name, date).
Result<QString> makeProject(const QString &name, const QList<FolderNode> &nodes,
                            const QString &targetPath,
                            const QDateTime &date = QDateTime::currentDateTime());

} // namespace bp::FolderCreator

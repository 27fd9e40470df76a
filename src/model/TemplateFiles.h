#pragma once

#include "CustomTemplate.h"
#include "Result.h"

#include <optional>

namespace bp::TemplateFiles {

// The files of own templates live in $XDG_DATA_HOME/brindlepath/templates/<UUID>/ (the
// template itself stays in the settings file); a shared template's next to its
// template.json. Sources are relative paths below that folder.

// $XDG_DATA_HOME, or ~/.local/share where it is unset or relative.
QString dataHome();
// dataHome()/brindlepath/templates
QString ownRoot();
// ownRoot()/<UUID>, the id in upper case without braces, as the stored ids are.
QString ownFolder(const QUuid &id);
// t.filesFolder when set, else ownFolder(t.id).
QString folderOf(const CustomTemplate &t);

// Why a stored source may not be used: empty, absolute, a "." or ".." component, a
// backslash or NUL, or a component a folder name may not be; none if it may.
std::optional<QString> sourceProblem(const QString &source);
// Every file of the tree, depth first, parents first, each folder's files in order.
QList<TemplateFile> allFiles(const QList<CustomFolderNode> &roots);

// t with every source made absolute below folderOf(t), not shared and without filesFolder: a
// draft whose files storeAll() copies into whatever template it is saved as (a copy of a
// shared or own template).
CustomTemplate withAbsoluteSources(const CustomTemplate &t);
// t without any files.
CustomTemplate withoutFiles(const CustomTemplate &t);

// Stores a copy of the regular file at path in the template's own folder under a new name
// derived from path's file name ("brief.txt", then "brief 2.txt", ...), written to a
// temporary name, flushed and then given its name without replacing anything. Returns the
// source to put in the template.
Result<QString> store(const QUuid &id, const QString &path);
// Makes t's sources that are absolute paths (files the editor added, not stored yet) stored
// ones. A template whose files are all stored comes back unchanged. CustomTemplateStore::put
// then removes the files no source names any more (prune()).
Result<CustomTemplate> storeAll(const CustomTemplate &t);
// Removes the files of t's own folder that none of t's sources names.
void prune(const CustomTemplate &t);
// Removes the template's own folder and all in it; no folder is no error.
Result<void> removeFolder(const QUuid &id);

} // namespace bp::TemplateFiles

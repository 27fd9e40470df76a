#pragma once

#include "FieldDefinition.h"
#include "ProjectConfig.h"

#include <QDateTime>

namespace bp {

// A file a template puts into one of its folders.
struct TemplateFile {
    QString name;   // a pattern, as folder names are
    QString source; // relative to the template's file folder (see TemplateFiles::folderOf)
    // Fill the tokens in the contents: only ever when the user said so, for a text file.
    bool render = false;

    friend bool operator==(const TemplateFile &, const TemplateFile &) = default;
};

struct CustomFolderNode {
    QUuid id;
    QString name;
    QList<CustomFolderNode> children;
    QList<TemplateFile> files = {};

    // A FolderNode with a fresh id, no extension list and no required extra.
    FolderNode toFolderNode() const;
    // Keeps the node's id, name and children; drops extensions and the required extra.
    static CustomFolderNode from(const FolderNode &node);
};

// Out of line for the same reason as FolderNode's.
bool operator==(const CustomFolderNode &a, const CustomFolderNode &b);
inline bool operator!=(const CustomFolderNode &a, const CustomFolderNode &b)
{
    return !(a == b);
}

struct CustomTemplate {
    QUuid id;
    QString name;
    QString icon;
    QList<CustomFolderNode> roots;
    QDateTime createdAt;
    // Added later; the initialisers keep brace-initialisation without them warning-free.
    // The project folder's name pattern (see NamePattern); empty: today's "{datum}_{naam}".
    QString projectNamePattern = {};
    // What the template asks for per project, in form order.
    QList<FieldDefinition> fields = {};
    // Not stored: where the template's files are (empty: its own folder in the data home,
    // TemplateFiles::ownFolder), and whether it comes from the shared library (read only).
    QString filesFolder = {};
    bool shared = false;

    friend bool operator==(const CustomTemplate &, const CustomTemplate &) = default;
};

} // namespace bp

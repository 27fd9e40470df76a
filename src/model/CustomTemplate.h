#pragma once

#include "FieldDefinition.h"
#include "ProjectConfig.h"

#include <QDateTime>

namespace bp {

struct CustomFolderNode {
    QUuid id;
    QString name;
    QList<CustomFolderNode> children;

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

    friend bool operator==(const CustomTemplate &, const CustomTemplate &) = default;
};

} // namespace bp

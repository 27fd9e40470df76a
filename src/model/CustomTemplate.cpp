#include "CustomTemplate.h"

#include <algorithm>

namespace bp {

bool operator==(const CustomFolderNode &a, const CustomFolderNode &b)
{
    return a.id == b.id && a.name == b.name && a.files == b.files &&
           std::equal(a.children.begin(), a.children.end(), b.children.begin(), b.children.end());
}

FolderNode CustomFolderNode::toFolderNode() const
{
    FolderNode node;
    node.name = name;
    node.children.reserve(children.size());
    for (const CustomFolderNode &child : children)
        node.children.append(child.toFolderNode());
    return node;
}

CustomFolderNode CustomFolderNode::from(const FolderNode &node)
{
    CustomFolderNode custom{node.id, node.name, {}};
    for (const PlannedFile &file : node.files)
        custom.files.append({file.name, file.sourcePath, file.render});
    custom.children.reserve(node.children.size());
    for (const FolderNode &child : node.children)
        custom.children.append(from(child));
    return custom;
}

} // namespace bp

#include "CustomTemplate.h"

namespace bp {

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
    custom.children.reserve(node.children.size());
    for (const FolderNode &child : node.children)
        custom.children.append(from(child));
    return custom;
}

} // namespace bp

#include "views/PreviewTreeModel.h"

namespace bp {
namespace {

bool sameShape(const QList<FolderNode> &a, const QList<FolderNode> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || !sameShape(a[i].children, b[i].children))
            return false;
    }
    return true;
}

} // namespace

PreviewTreeModel::PreviewTreeModel(QObject *parent) : QAbstractItemModel(parent) {}

PreviewTreeModel::Change PreviewTreeModel::setContents(const QString &rootName,
                                                       const QList<FolderNode> &nodes,
                                                       const QString &note)
{
    const bool hadNote = !m_note.isEmpty();
    const bool hasNote = !note.isEmpty();
    if (m_items.empty() || hadNote != hasNote || !sameShape(m_nodes, nodes)) {
        beginResetModel();
        m_note = note;
        rebuild(rootName, nodes);
        endResetModel();
        return Change::reset;
    }

    Change change = Change::none;
    if (m_items[0].name != rootName) {
        m_items[0].name = rootName;
        const QModelIndex root = index(0, 0);
        Q_EMIT dataChanged(root, root, {Qt::DisplayRole});
        change = Change::rootName;
    }
    if (m_note != note) {
        m_note = note;
        const QModelIndex noteIndex = index(1, 0);
        Q_EMIT dataChanged(noteIndex, noteIndex, {Qt::DisplayRole});
        change = Change::rootName;
    }
    // Fresh ids on the same tree (custom templates resolve to new ids each time).
    if (refreshIds(nodes, m_items[0].children))
        change = Change::ids;
    m_nodes = nodes;
    return change;
}

bool PreviewTreeModel::refreshIds(const QList<FolderNode> &nodes, const QList<int> &items)
{
    bool changed = false;
    for (qsizetype i = 0; i < nodes.size(); ++i) {
        Item &item = m_items[size_t(items[i])];
        if (item.id != nodes[i].id) {
            item.id = nodes[i].id;
            m_byIdValid = false;
            changed = true;
        }
        changed = refreshIds(nodes[i].children, item.children) || changed;
    }
    return changed;
}

void PreviewTreeModel::rebuild(const QString &rootName, const QList<FolderNode> &nodes)
{
    m_items.clear();
    m_byId.clear();
    m_byIdValid = false;
    m_nodes = nodes;
    const int total = countFolders(nodes) + 1;
    m_items.reserve(size_t(total));
    Item root;
    root.name = rootName;
    root.id = rootId;
    m_items.push_back(std::move(root));
    for (const FolderNode &node : nodes)
        append(node, 0);
}

void PreviewTreeModel::append(const FolderNode &node, int parent)
{
    const int item = int(m_items.size());
    Item entry;
    entry.name = node.name;
    entry.id = node.id;
    entry.parent = parent;
    entry.row = int(m_items[size_t(parent)].children.size());
    m_items.push_back(std::move(entry));
    m_items[size_t(parent)].children.append(item);
    for (const FolderNode &child : node.children)
        append(child, item);
}

int PreviewTreeModel::itemForId(const QUuid &id) const
{
    if (!m_byIdValid) {
        m_byId.clear();
        m_byId.reserve(qsizetype(m_items.size()));
        for (size_t i = 0; i < m_items.size(); ++i)
            m_byId.insert(m_items[i].id, int(i));
        m_byIdValid = true;
    }
    return m_byId.value(id, -1);
}

QModelIndex PreviewTreeModel::indexOfItem(int item) const
{
    if (item < 0 || item >= itemCount())
        return {};
    return createIndex(m_items[size_t(item)].row, 0, quintptr(item));
}

QModelIndex PreviewTreeModel::indexForId(const QUuid &id) const
{
    return indexOfItem(itemForId(id));
}

QList<int> PreviewTreeModel::descendants(int item) const
{
    QList<int> result;
    QList<int> pending = m_items[size_t(item)].children;
    while (!pending.isEmpty()) {
        const int next = pending.takeLast();
        result.append(next);
        pending.append(m_items[size_t(next)].children);
    }
    return result;
}

int PreviewTreeModel::itemOf(const QModelIndex &index) const
{
    if (!index.isValid() || index.internalId() == noteTag)
        return -1;
    return int(index.internalId());
}

QModelIndex PreviewTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0 || m_items.empty())
        return {};
    if (!parent.isValid()) {
        if (row == 0)
            return createIndex(0, 0, quintptr(0));
        if (row == 1 && !m_note.isEmpty())
            return createIndex(1, 0, noteTag);
        return {};
    }
    const int item = itemOf(parent);
    if (item < 0 || row >= m_items[size_t(item)].children.size())
        return {};
    return createIndex(row, 0, quintptr(m_items[size_t(item)].children[row]));
}

QModelIndex PreviewTreeModel::parent(const QModelIndex &child) const
{
    const int item = itemOf(child);
    if (item <= 0)
        return {};
    return indexOfItem(m_items[size_t(item)].parent);
}

int PreviewTreeModel::rowCount(const QModelIndex &parent) const
{
    if (m_items.empty())
        return 0;
    if (!parent.isValid())
        return m_note.isEmpty() ? 1 : 2;
    const int item = itemOf(parent);
    return item < 0 ? 0 : int(m_items[size_t(item)].children.size());
}

int PreviewTreeModel::columnCount(const QModelIndex &) const
{
    return 1;
}

bool PreviewTreeModel::hasChildren(const QModelIndex &parent) const
{
    return rowCount(parent) > 0;
}

QVariant PreviewTreeModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const bool isNote = index.internalId() == noteTag;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return isNote ? m_note : m_items[size_t(index.internalId())].name;
    case IsRootRole:
        return !isNote && index.internalId() == 0;
    case IsNoteRole:
        return isNote;
    case NodeIdRole:
        return isNote ? QVariant() : QVariant::fromValue(m_items[size_t(index.internalId())].id);
    default:
        return {};
    }
}

Qt::ItemFlags PreviewTreeModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled;
}

} // namespace bp

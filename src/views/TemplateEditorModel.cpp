#include "views/TemplateEditorModel.h"

#include "views/Style.h"
#include "views/SymbolIcons.h"

#include <QMimeData>

namespace bp {
namespace TemplateTree {
namespace {

const QString folderMime = QStringLiteral("application/x-brindlepath-folder-id");

CustomFolderNode *findNode(QList<CustomFolderNode> &nodes, const QUuid &id)
{
    for (CustomFolderNode &node : nodes) {
        if (node.id == id)
            return &node;
        if (CustomFolderNode *found = findNode(node.children, id))
            return found;
    }
    return nullptr;
}

// The folders of parent, the top level for a null id; none when there is no such folder.
QList<CustomFolderNode> *childrenOf(QList<CustomFolderNode> &roots, const QUuid &parent)
{
    if (parent.isNull())
        return &roots;
    CustomFolderNode *node = findNode(roots, parent);
    return node ? &node->children : nullptr;
}

std::optional<Place> placeIn(const QList<CustomFolderNode> &nodes, const QUuid &parent,
                             const QUuid &id)
{
    for (int row = 0; row < nodes.size(); ++row) {
        if (nodes[row].id == id)
            return Place{parent, row};
        if (std::optional<Place> found = placeIn(nodes[row].children, nodes[row].id, id))
            return found;
    }
    return std::nullopt;
}

} // namespace

std::optional<Place> placeOf(const QList<CustomFolderNode> &roots, const QUuid &id)
{
    return placeIn(roots, QUuid(), id);
}

const CustomFolderNode *find(const QList<CustomFolderNode> &roots, const QUuid &id)
{
    return findNode(const_cast<QList<CustomFolderNode> &>(roots), id);
}

QString freeName(const QList<CustomFolderNode> &roots, const QUuid &parent, const QString &base)
{
    const QList<CustomFolderNode> *siblings =
        childrenOf(const_cast<QList<CustomFolderNode> &>(roots), parent);
    const auto used = [siblings](const QString &name) {
        return siblings && std::any_of(siblings->cbegin(), siblings->cend(),
                                       [&name](const CustomFolderNode &n) {
                                           return n.name.compare(name, Qt::CaseInsensitive) == 0;
                                       });
    };
    QString name = base;
    for (int n = 2; used(name); ++n)
        name = base + QLatin1Char(' ') + QString::number(n);
    return name;
}

bool insert(QList<CustomFolderNode> &roots, const QUuid &parent, int row, CustomFolderNode node)
{
    QList<CustomFolderNode> *siblings = childrenOf(roots, parent);
    if (!siblings)
        return false;
    siblings->insert(row < 0 || row > siblings->size() ? siblings->size() : row, std::move(node));
    return true;
}

bool remove(QList<CustomFolderNode> &roots, const QUuid &id)
{
    const std::optional<Place> place = placeOf(roots, id);
    if (!place)
        return false;
    childrenOf(roots, place->parent)->removeAt(place->row);
    return true;
}

bool rename(QList<CustomFolderNode> &roots, const QUuid &id, const QString &name)
{
    CustomFolderNode *node = findNode(roots, id);
    if (!node || node->name == name)
        return false;
    node->name = name;
    return true;
}

bool move(QList<CustomFolderNode> &roots, const QUuid &id, const QUuid &parent, int row)
{
    const std::optional<Place> from = placeOf(roots, id);
    if (!from)
        return false;
    const CustomFolderNode *moved = find(roots, id);
    if (parent == id || (!parent.isNull() && find(moved->children, parent)))
        return false;
    if (!childrenOf(roots, parent))
        return false;
    QList<CustomFolderNode> *source = childrenOf(roots, from->parent);
    if (row < 0)
        row = int(childrenOf(roots, parent)->size());
    if (from->parent == parent) {
        if (row > from->row)
            --row;
        if (row == from->row)
            return false;
    }
    CustomFolderNode node = source->takeAt(from->row);
    return insert(roots, parent, row, std::move(node));
}

bool shift(QList<CustomFolderNode> &roots, const QUuid &id, int by)
{
    const std::optional<Place> place = placeOf(roots, id);
    if (!place)
        return false;
    QList<CustomFolderNode> *siblings = childrenOf(roots, place->parent);
    const int to = place->row + by;
    if (to < 0 || to >= siblings->size())
        return false;
    siblings->move(place->row, to);
    return true;
}

bool outdent(QList<CustomFolderNode> &roots, const QUuid &id)
{
    const std::optional<Place> place = placeOf(roots, id);
    if (!place || place->parent.isNull())
        return false;
    const std::optional<Place> parentPlace = placeOf(roots, place->parent);
    return move(roots, id, parentPlace->parent, parentPlace->row + 1);
}

bool indent(QList<CustomFolderNode> &roots, const QUuid &id)
{
    const std::optional<Place> place = placeOf(roots, id);
    if (!place || place->row == 0)
        return false;
    const QUuid previous = childrenOf(roots, place->parent)->at(place->row - 1).id;
    return move(roots, id, previous, -1);
}

QList<CustomFolderNode> withFreshIds(QList<CustomFolderNode> roots)
{
    for (CustomFolderNode &node : roots) {
        node.id = QUuid::createUuid();
        node.children = withFreshIds(std::move(node.children));
    }
    return roots;
}

} // namespace TemplateTree

TemplateTreeModel::TemplateTreeModel(QObject *parent) : QAbstractItemModel(parent) {}

void TemplateTreeModel::setRoots(const QList<CustomFolderNode> &roots)
{
    beginResetModel();
    m_items.clear();
    m_top.clear();
    m_byId.clear();
    for (const CustomFolderNode &node : roots)
        append(node, -1);
    endResetModel();
}

void TemplateTreeModel::append(const CustomFolderNode &node, int parent)
{
    const int item = int(m_items.size());
    m_items.push_back({node.id, node.name, parent, 0, {}});
    // Only now: the push may have moved the parent's item.
    QList<int> &siblings = parent < 0 ? m_top : m_items[size_t(parent)].children;
    m_items.back().row = int(siblings.size());
    siblings.append(item);
    m_byId.insert(node.id, item);
    for (const CustomFolderNode &child : node.children)
        append(child, item);
}

void TemplateTreeModel::setRemarks(const QHash<QUuid, FolderRemark> &remarks)
{
    const QHash<QUuid, FolderRemark> before = std::exchange(m_remarks, remarks);
    const auto same = [](const FolderRemark *a, const FolderRemark *b) {
        return (!a && !b) || (a && b && a->text == b->text && a->error == b->error);
    };
    for (size_t i = 0; i < m_items.size(); ++i) {
        const QUuid &id = m_items[i].id;
        const auto was = before.constFind(id);
        const auto now = m_remarks.constFind(id);
        if (!same(was == before.constEnd() ? nullptr : &*was,
                  now == m_remarks.constEnd() ? nullptr : &*now)) {
            const QModelIndex changed = createIndex(m_items[i].row, 0, quintptr(i));
            Q_EMIT dataChanged(changed, changed);
        }
    }
}

int TemplateTreeModel::itemOf(const QModelIndex &index) const
{
    return index.isValid() ? int(index.internalId()) : -1;
}

QModelIndex TemplateTreeModel::indexForId(const QUuid &id) const
{
    const auto it = m_byId.constFind(id);
    if (it == m_byId.constEnd())
        return {};
    return createIndex(m_items[size_t(*it)].row, 0, quintptr(*it));
}

QUuid TemplateTreeModel::idOf(const QModelIndex &index) const
{
    const int item = itemOf(index);
    return item < 0 ? QUuid() : m_items[size_t(item)].id;
}

QModelIndex TemplateTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0)
        return {};
    const int p = itemOf(parent);
    const QList<int> &children = p < 0 ? m_top : m_items[size_t(p)].children;
    if (row >= children.size())
        return {};
    return createIndex(row, 0, quintptr(children[row]));
}

QModelIndex TemplateTreeModel::parent(const QModelIndex &child) const
{
    const int item = itemOf(child);
    if (item < 0)
        return {};
    const int p = m_items[size_t(item)].parent;
    return p < 0 ? QModelIndex() : createIndex(m_items[size_t(p)].row, 0, quintptr(p));
}

int TemplateTreeModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    const int p = itemOf(parent);
    return int(p < 0 ? m_top.size() : m_items[size_t(p)].children.size());
}

int TemplateTreeModel::columnCount(const QModelIndex &) const
{
    return 1;
}

QVariant TemplateTreeModel::data(const QModelIndex &index, int role) const
{
    const int item = itemOf(index);
    if (item < 0)
        return {};
    const Item &it = m_items[size_t(item)];
    const auto remark = m_remarks.constFind(it.id);
    const bool error = remark != m_remarks.constEnd() && remark->error;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return it.name;
    case Qt::AccessibleTextRole:
        return it.name.isEmpty() ? QStringLiteral("(naamloos)") : it.name;
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
        return remark == m_remarks.constEnd() ? QVariant() : QVariant(remark->text);
    case Qt::ForegroundRole:
        if (error)
            return bpRed;
        return remark == m_remarks.constEnd() ? QVariant() : QVariant(bpBlue);
    case Qt::DecorationRole:
        return SymbolIcons::icon(QStringLiteral("folder.fill"),
                                 error ? bpRed : Style::withAlpha(bpBlue, 0.8), 12);
    case IdRole:
        return it.id;
    case IsErrorRole:
        return error;
    default:
        return {};
    }
}

bool TemplateTreeModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    const int item = itemOf(index);
    if (item < 0 || role != Qt::EditRole)
        return false;
    Q_EMIT renameRequested(m_items[size_t(item)].id, value.toString());
    return true;
}

Qt::ItemFlags TemplateTreeModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled |
           Qt::ItemIsDropEnabled;
}

Qt::DropActions TemplateTreeModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

QStringList TemplateTreeModel::mimeTypes() const
{
    return {TemplateTree::folderMime};
}

QMimeData *TemplateTreeModel::mimeData(const QModelIndexList &indexes) const
{
    if (indexes.isEmpty())
        return nullptr;
    auto *data = new QMimeData;
    data->setData(TemplateTree::folderMime, idOf(indexes.first()).toByteArray());
    return data;
}

bool TemplateTreeModel::dropMimeData(const QMimeData *data, Qt::DropAction, int row, int,
                                     const QModelIndex &parent)
{
    const QUuid id = QUuid::fromString(QLatin1String(data->data(TemplateTree::folderMime)));
    if (id.isNull())
        return false;
    Q_EMIT moveRequested(id, idOf(parent), row);
    return false;
}

} // namespace bp

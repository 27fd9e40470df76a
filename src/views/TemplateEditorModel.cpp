#include "views/TemplateEditorModel.h"

#include "views/Style.h"
#include "views/SymbolIcons.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

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
    const CustomFolderNode *folder = parent.isNull() ? nullptr : find(roots, parent);
    const auto same = [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) == 0;
    };
    const auto used = [&](const QString &name) {
        return (siblings &&
                std::any_of(siblings->cbegin(), siblings->cend(),
                            [&](const CustomFolderNode &n) { return same(n.name, name); })) ||
               (folder && std::any_of(folder->files.cbegin(), folder->files.cend(),
                                      [&](const TemplateFile &f) { return same(f.name, name); }));
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

QUuid fileRowId(const QUuid &folder, int index)
{
    static const QUuid space = QUuid::fromString(u"8f2b1c1e-5f4a-4d0e-9a57-6a4f0e6b7d21");
    return QUuid::createUuidV5(space, folder.toByteArray() + QByteArray::number(index));
}

const TemplateFile *findFile(const QList<CustomFolderNode> &roots, const FileRef &file)
{
    const CustomFolderNode *folder = find(roots, file.folder);
    if (!folder || file.index < 0 || file.index >= folder->files.size())
        return nullptr;
    return &folder->files[file.index];
}

namespace {

// Through the non-const lists, so a copy shared with the window's template detaches.
TemplateFile *fileIn(QList<CustomFolderNode> &roots, const FileRef &file)
{
    if (!findFile(roots, file))
        return nullptr;
    return &findNode(roots, file.folder)->files[file.index];
}

} // namespace

bool insertFiles(QList<CustomFolderNode> &roots, const QUuid &folder, int row,
                 const QList<TemplateFile> &files)
{
    CustomFolderNode *node = folder.isNull() ? nullptr : findNode(roots, folder);
    if (!node || files.isEmpty())
        return false;
    if (row < 0 || row > node->files.size())
        row = int(node->files.size());
    for (const TemplateFile &file : files)
        node->files.insert(row++, file);
    return true;
}

bool removeFile(QList<CustomFolderNode> &roots, const FileRef &file)
{
    if (!findFile(roots, file))
        return false;
    findNode(roots, file.folder)->files.removeAt(file.index);
    return true;
}

bool renameFile(QList<CustomFolderNode> &roots, const FileRef &file, const QString &name)
{
    TemplateFile *found = fileIn(roots, file);
    if (!found || found->name == name)
        return false;
    found->name = name;
    return true;
}

bool setRender(QList<CustomFolderNode> &roots, const FileRef &file, bool render)
{
    TemplateFile *found = fileIn(roots, file);
    if (!found || found->render == render)
        return false;
    found->render = render;
    return true;
}

std::optional<FileRef> moveFile(QList<CustomFolderNode> &roots, const FileRef &file,
                                const QUuid &folder, int row)
{
    CustomFolderNode *to = folder.isNull() ? nullptr : findNode(roots, folder);
    if (!findFile(roots, file) || !to)
        return std::nullopt;
    if (row < 0 || row > to->files.size())
        row = int(to->files.size());
    if (folder == file.folder) {
        if (row > file.index)
            --row;
        if (row == file.index)
            return std::nullopt;
    }
    TemplateFile moved = findNode(roots, file.folder)->files.takeAt(file.index);
    to->files.insert(row, std::move(moved));
    return FileRef{folder, row};
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
    m_items.push_back({node.id, node.name, parent, 0, {}, -1, false});
    // Only now: the push may have moved the parent's item.
    QList<int> &siblings = parent < 0 ? m_top : m_items[size_t(parent)].children;
    m_items.back().row = int(siblings.size());
    siblings.append(item);
    m_byId.insert(node.id, item);
    for (const CustomFolderNode &child : node.children)
        append(child, item);
    for (int i = 0; i < node.files.size(); ++i) {
        const QUuid id = TemplateTree::fileRowId(node.id, i);
        const int file = int(m_items.size());
        m_items.push_back({id,
                           node.files[i].name,
                           item,
                           int(m_items[size_t(item)].children.size()),
                           {},
                           i,
                           node.files[i].render});
        m_items[size_t(item)].children.append(file);
        m_byId.insert(id, file);
    }
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

std::optional<TemplateTree::FileRef> TemplateTreeModel::fileOf(const QUuid &id) const
{
    const auto it = m_byId.constFind(id);
    if (it == m_byId.constEnd() || m_items[size_t(*it)].fileIndex < 0)
        return std::nullopt;
    const Item &file = m_items[size_t(*it)];
    return TemplateTree::FileRef{m_items[size_t(file.parent)].id, file.fileIndex};
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
    const bool file = it.fileIndex >= 0;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return it.name;
    case Qt::AccessibleTextRole: {
        const QString name = it.name.isEmpty() ? QStringLiteral("(naamloos)") : it.name;
        return file ? QStringLiteral("Bestand: ") + name : name;
    }
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole: {
        QStringList lines;
        if (remark != m_remarks.constEnd())
            lines << remark->text;
        if (file && it.render)
            lines << QStringLiteral("Velden in de inhoud worden ingevuld");
        return lines.isEmpty() ? QVariant() : QVariant(lines.join(QLatin1Char('\n')));
    }
    case Qt::ForegroundRole:
        if (error)
            return bpRed;
        return remark == m_remarks.constEnd() ? QVariant() : QVariant(bpBlue);
    case Qt::DecorationRole:
        return SymbolIcons::icon(file ? QStringLiteral("doc") : QStringLiteral("folder.fill"),
                                 error ? bpRed : Style::withAlpha(bpBlue, 0.8), 12);
    case IdRole:
        return it.id;
    case IsErrorRole:
        return error;
    case IsFileRole:
        return file;
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
    const Qt::ItemFlags flags =
        Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled;
    // A file holds nothing; a drop goes next to it, into its folder.
    return index.data(IsFileRole).toBool() ? flags : flags | Qt::ItemIsDropEnabled;
}

Qt::DropActions TemplateTreeModel::supportedDropActions() const
{
    // Copy: what a file manager offers for the files dragged in.
    return Qt::MoveAction | Qt::CopyAction;
}

QStringList TemplateTreeModel::mimeTypes() const
{
    return {TemplateTree::folderMime, QStringLiteral("text/uri-list")};
}

bool TemplateTreeModel::canDropMimeData(const QMimeData *data, Qt::DropAction action, int row,
                                        int column, const QModelIndex &parent) const
{
    if (data->hasFormat(TemplateTree::folderMime))
        return QAbstractItemModel::canDropMimeData(data, action, row, column, parent);
    const QList<QUrl> urls = data->urls();
    return parent.isValid() && std::any_of(urls.cbegin(), urls.cend(),
                                           [](const QUrl &url) { return url.isLocalFile(); });
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
    if (!data->hasFormat(TemplateTree::folderMime)) {
        QStringList paths;
        for (const QUrl &url : data->urls())
            if (url.isLocalFile())
                paths << QFileInfo(url.toLocalFile()).absoluteFilePath();
        if (paths.isEmpty() || !parent.isValid())
            return false;
        Q_EMIT filesDropped(paths, idOf(parent));
        // The file manager's file stays where it is: we keep a copy.
        return false;
    }
    const QUuid id = QUuid::fromString(QLatin1String(data->data(TemplateTree::folderMime)));
    if (id.isNull())
        return false;
    Q_EMIT moveRequested(id, idOf(parent), row);
    return false;
}

} // namespace bp

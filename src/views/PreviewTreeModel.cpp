#include "views/PreviewTreeModel.h"

#include "views/PreviewMarks.h"

namespace bp {
namespace {

bool sameNote(const FolderNote &a, const FolderNote &b)
{
    return a.changes == b.changes && a.problems == b.problems;
}

} // namespace

PreviewTreeModel::PreviewTreeModel(QObject *parent) : QAbstractItemModel(parent) {}

PreviewTreeModel::Change PreviewTreeModel::setContents(const QString &rootName,
                                                       const QList<FolderNode> &nodes,
                                                       const QString &note, const Marks &marks)
{
    const bool hadNote = !m_note.isEmpty();
    const bool hasNote = !note.isEmpty();
    // A change of what a project filled in already has is rare (a mode, a survey): a reset.
    if (m_items.empty() || hadNote != hasNote || !sameShape(nodes, m_items[0].children) ||
        marks.existing != m_existing) {
        beginResetModel();
        m_existing = marks.existing;
        m_note = note;
        m_fieldKeys = marks.fieldKeys;
        rebuild(rootName, nodes, marks);
        endResetModel();
        return Change::reset;
    }

    Change change = Change::none;
    const bool rewordAll = m_fieldKeys != marks.fieldKeys;
    m_fieldKeys = marks.fieldKeys;
    Item &root = m_items[0];
    if (root.name != rootName || !sameNote(root.note, marks.root) || rewordAll) {
        root.name = rootName;
        root.note = marks.root;
        const QModelIndex rootIndex = index(0, 0);
        Q_EMIT dataChanged(rootIndex, rootIndex);
        change = Change::inPlace;
    }
    if (m_note != note) {
        m_note = note;
        const QModelIndex noteIndex = index(1, 0);
        Q_EMIT dataChanged(noteIndex, noteIndex, {Qt::DisplayRole});
        change = Change::inPlace;
    }
    // Per parent the first and last of its rows that changed.
    std::vector<std::pair<int, int>> changedRows(m_items.size(), {-1, -1});
    QList<int> changedParents;
    const bool idsChanged = update(nodes, 0, marks.folders, changedRows, changedParents);
    if (rewordAll) {
        // Problem texts depend on the field keys: every row with problems says it anew.
        for (size_t item = 1; item < m_items.size(); ++item) {
            if (m_items[item].note.problems.isEmpty())
                continue;
            auto &[first, last] = changedRows[size_t(m_items[item].parent)];
            if (first < 0)
                changedParents.append(m_items[item].parent);
            first = first < 0 ? m_items[item].row : std::min(first, m_items[item].row);
            last = std::max(last, m_items[item].row);
        }
    }
    for (int parent : std::as_const(changedParents)) {
        const auto [first, last] = changedRows[size_t(parent)];
        const QList<int> &rows = m_items[size_t(parent)].children;
        Q_EMIT dataChanged(createIndex(first, 0, quintptr(rows[first])),
                           createIndex(last, 0, quintptr(rows[last])));
        change = Change::inPlace;
    }
    return idsChanged ? Change::ids : change;
}

bool PreviewTreeModel::sameShape(const QList<FolderNode> &nodes, const QList<int> &items) const
{
    if (nodes.size() != items.size())
        return false;
    for (qsizetype i = 0; i < nodes.size(); ++i) {
        if (!sameShape(nodes[i].children, m_items[size_t(items[i])].children))
            return false;
    }
    return true;
}

bool PreviewTreeModel::update(const QList<FolderNode> &nodes, int parent,
                              const std::vector<FolderNote> &notes,
                              std::vector<std::pair<int, int>> &changedRows,
                              QList<int> &changedParents)
{
    static const FolderNote none;
    bool idsChanged = false;
    for (qsizetype i = 0; i < nodes.size(); ++i) {
        const int itemIndex = m_items[size_t(parent)].children[i];
        Item &item = m_items[size_t(itemIndex)];
        const FolderNode &node = nodes[i];
        // Items are numbered depth first from 1, as the notes are from 0.
        const FolderNote &note =
            size_t(itemIndex) <= notes.size() ? notes[size_t(itemIndex - 1)] : none;
        bool changed = false;
        if (item.name != node.name) {
            item.name = node.name;
            changed = true;
        }
        if (item.id != node.id) {
            item.id = node.id;
            m_byIdValid = false;
            idsChanged = changed = true;
        }
        if (!sameNote(item.note, note)) {
            item.note = note;
            changed = true;
        }
        if (changed) {
            auto &[first, last] = changedRows[size_t(parent)];
            if (first < 0) {
                first = int(i);
                changedParents.append(parent);
            }
            last = int(i);
        }
        if (!node.children.isEmpty())
            idsChanged =
                update(node.children, itemIndex, notes, changedRows, changedParents) || idsChanged;
    }
    return idsChanged;
}

void PreviewTreeModel::rebuild(const QString &rootName, const QList<FolderNode> &nodes,
                               const Marks &marks)
{
    m_items.clear();
    m_byId.clear();
    m_byIdValid = false;
    const int total = countFolders(nodes) + 1;
    m_items.reserve(size_t(total));
    Item root;
    root.name = rootName;
    root.id = rootId;
    root.note = marks.root;
    m_items.push_back(std::move(root));
    for (const FolderNode &node : nodes)
        append(node, 0, marks.folders);
}

void PreviewTreeModel::append(const FolderNode &node, int parent,
                              const std::vector<FolderNote> &notes)
{
    const int item = int(m_items.size());
    Item entry;
    entry.name = node.name;
    entry.id = node.id;
    entry.parent = parent;
    entry.row = int(m_items[size_t(parent)].children.size());
    if (size_t(item) <= notes.size())
        entry.note = notes[size_t(item - 1)];
    m_items.push_back(std::move(entry));
    m_items[size_t(parent)].children.append(item);
    for (const FolderNode &child : node.children)
        append(child, item, notes);
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
    case ChangedRole:
        return !isNote && bool(m_items[size_t(index.internalId())].note.changes);
    case ProblemRole:
        return !isNote && !m_items[size_t(index.internalId())].note.problems.isEmpty();
    case FillStateRole:
        return isNote ? notFilling : fillState(int(index.internalId()));
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole: {
        if (isNote)
            return {};
        const QString why =
            PreviewMarks::describe(m_items[size_t(index.internalId())].note, m_fieldKeys);
        const FillState fill = fillState(int(index.internalId()));
        if (fill == notFilling)
            return why.isEmpty() ? QVariant() : QVariant(why);
        const QString state = fill == alreadyThere ? QStringLiteral("Bestaat al")
                                                   : QStringLiteral("Wordt toegevoegd");
        return why.isEmpty() ? state : state + QStringLiteral(". ") + why;
    }
    default:
        return {};
    }
}

QString PreviewTreeModel::relativePath(int item) const
{
    QStringList names;
    for (int at = item; at > 0; at = m_items[size_t(at)].parent)
        names.prepend(m_items[size_t(at)].name);
    return names.join(QLatin1Char('/'));
}

PreviewTreeModel::FillState PreviewTreeModel::fillState(int item) const
{
    // The project folder itself is always there.
    if (!m_existing || item <= 0)
        return notFilling;
    return m_existing->contains(relativePath(item)) ? alreadyThere : toBeAdded;
}

Qt::ItemFlags PreviewTreeModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled;
}

} // namespace bp

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
    if (m_items.empty() || hadNote != hasNote || !sameShape(nodes, 0, m_items[0].children) ||
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
    const bool idsChanged = update(nodes, 0, marks, changedRows, changedParents);
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

bool PreviewTreeModel::sameShape(const QList<FolderNode> &nodes, qsizetype files,
                                 const QList<int> &items) const
{
    if (nodes.size() + files != items.size())
        return false;
    for (qsizetype i = 0; i < nodes.size(); ++i) {
        if (!sameShape(nodes[i].children, nodes[i].files.size(),
                       m_items[size_t(items[i])].children))
            return false;
    }
    return true;
}

bool PreviewTreeModel::update(const QList<FolderNode> &nodes, int parent, const Marks &marks,
                              std::vector<std::pair<int, int>> &changedRows,
                              QList<int> &changedParents)
{
    static const FolderNote none;
    const std::vector<FolderNote> &notes = marks.folders;
    bool idsChanged = false;
    for (qsizetype i = 0; i < nodes.size(); ++i) {
        const int itemIndex = m_items[size_t(parent)].children[i];
        Item &item = m_items[size_t(itemIndex)];
        const FolderNode &node = nodes[i];
        const FolderNote &note =
            size_t(item.noteIndex) < notes.size() ? notes[size_t(item.noteIndex)] : none;
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
                update(node.children, itemIndex, marks, changedRows, changedParents) || idsChanged;
        if (!node.files.isEmpty() && updateFiles(node, itemIndex, marks)) {
            auto &[first, last] = changedRows[size_t(itemIndex)];
            if (first < 0)
                changedParents.append(itemIndex);
            first = first < 0 ? int(node.children.size()) : first;
            last = int(m_items[size_t(itemIndex)].children.size()) - 1;
        }
    }
    return idsChanged;
}

bool PreviewTreeModel::updateFiles(const FolderNode &node, int item, const Marks &marks)
{
    static const FolderNote none;
    bool changed = false;
    const QList<int> &rows = m_items[size_t(item)].children;
    for (qsizetype i = 0; i < node.files.size(); ++i) {
        Item &file = m_items[size_t(rows[node.children.size() + i])];
        const FolderNote &note = size_t(file.noteIndex) < marks.files.size()
                                     ? marks.files[size_t(file.noteIndex)]
                                     : none;
        if (file.name != node.files[i].name || !sameNote(file.note, note)) {
            file.name = node.files[i].name;
            file.note = note;
            changed = true;
        }
    }
    return changed;
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
    int folderNote = 0;
    int fileNote = 0;
    for (const FolderNode &node : nodes)
        append(node, 0, marks, folderNote, fileNote);
}

void PreviewTreeModel::append(const FolderNode &node, int parent, const Marks &marks,
                              int &folderNote, int &fileNote)
{
    const int item = int(m_items.size());
    Item entry;
    entry.name = node.name;
    entry.id = node.id;
    entry.parent = parent;
    entry.row = int(m_items[size_t(parent)].children.size());
    entry.noteIndex = folderNote++;
    if (size_t(entry.noteIndex) < marks.folders.size())
        entry.note = marks.folders[size_t(entry.noteIndex)];
    m_items.push_back(std::move(entry));
    m_items[size_t(parent)].children.append(item);
    // The notes of files come folder by folder, in the order the folders are counted.
    int fileAt = std::exchange(fileNote, fileNote + int(node.files.size()));
    for (const FolderNode &child : node.children)
        append(child, item, marks, folderNote, fileNote);
    for (const PlannedFile &file : node.files) {
        Item row;
        row.name = file.name;
        row.parent = item;
        row.row = int(m_items[size_t(item)].children.size());
        row.file = true;
        row.noteIndex = fileAt++;
        if (size_t(row.noteIndex) < marks.files.size())
            row.note = marks.files[size_t(row.noteIndex)];
        m_items[size_t(item)].children.append(int(m_items.size()));
        m_items.push_back(std::move(row));
    }
}

int PreviewTreeModel::itemForId(const QUuid &id) const
{
    if (!m_byIdValid) {
        m_byId.clear();
        m_byId.reserve(qsizetype(m_items.size()));
        for (size_t i = 0; i < m_items.size(); ++i)
            if (!m_items[i].file)
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
        return isNote ? m_note : m_items[size_t(index.internalId())].name;
    case Qt::AccessibleTextRole:
        if (!isNote && m_items[size_t(index.internalId())].file)
            return QStringLiteral("Bestand: ") + m_items[size_t(index.internalId())].name;
        return isNote ? m_note : m_items[size_t(index.internalId())].name;
    case IsFileRole:
        return !isNote && m_items[size_t(index.internalId())].file;
    case IsRootRole:
        return !isNote && index.internalId() == 0;
    case IsNoteRole:
        return isNote;
    case NodeIdRole:
        if (isNote || m_items[size_t(index.internalId())].file)
            return {};
        return QVariant::fromValue(m_items[size_t(index.internalId())].id);
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

#pragma once

#include "model/ProjectConfig.h"
#include "model/ProjectPlan.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QSet>

#include <vector>

namespace bp {

// What making the preview's names safe changed, and why some could not be made.
struct PreviewTreeMarks {
    FolderNote root;
    std::vector<FolderNote> folders;    // one per folder of the tree, depth first; or none
    std::vector<FolderNote> files = {}; // as RenderedProject::fileNotes; or none
    QStringList fieldKeys;              // the template's fields, for wording problems
    // Filling in a project: the paths, relative to it, of what is there already; every other
    // row is one to be added. None: a new project.
    std::optional<QSet<QString>> existing = std::nullopt;
};

// The preview's rows: the project folder with the resolved tree below it, and after it an
// optional note row. Built flat once per change of shape; a keystroke that only renames or
// re-marks rows changes them in place, so large custom templates stay cheap.
// A folder's files are rows after its subfolders.
class PreviewTreeModel final : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Role {
        IsRootRole = Qt::UserRole + 1,
        IsNoteRole,
        NodeIdRole,
        ChangedRole,
        ProblemRole,
        FillStateRole, // a FillState
        IsFileRole
    };
    enum FillState { notFilling, alreadyThere, toBeAdded };
    enum class Change { none, inPlace, ids, reset };

    using Marks = PreviewTreeMarks;

    // The project folder row keeps this id, so its expanded state survives every change.
    static inline const QUuid rootId = QUuid(0x6270u, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1);

    explicit PreviewTreeModel(QObject *parent = nullptr);

    // Same shape as before (every folder has as many children): rows stay and only their
    // names, ids or marks change, in one dataChanged per parent.
    Change setContents(const QString &rootName, const QList<FolderNode> &nodes, const QString &note,
                       const Marks &marks = {});

    int itemCount() const { return int(m_items.size()); }
    int itemForId(const QUuid &id) const;
    QUuid idOfItem(int item) const { return m_items[size_t(item)].id; }
    QModelIndex indexOfItem(int item) const;
    QModelIndex indexForId(const QUuid &id) const;
    // Every item below the given one, at any depth.
    QList<int> descendants(int item) const;
    int itemOf(const QModelIndex &index) const;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    struct Item {
        QString name;
        QUuid id;
        int parent = -1;
        int row = 0;
        QList<int> children;
        FolderNote note;
        // Which of the marks' folders (or files, for a file) this row's note is; files have
        // no id.
        int noteIndex = -1;
        bool file = false;
    };
    static constexpr quintptr noteTag = ~quintptr(0);

    // Filling in: where the item is below the project folder, and whether it is there.
    QString relativePath(int item) const;
    FillState fillState(int item) const;

    void rebuild(const QString &rootName, const QList<FolderNode> &nodes, const Marks &marks);
    void append(const FolderNode &node, int parent, const Marks &marks, int &folderNote,
                int &fileNote);
    // items: a folder's rows, its files.size() files after its subfolders.
    bool sameShape(const QList<FolderNode> &nodes, qsizetype files, const QList<int> &items) const;
    // Walks the tree in item order; returns whether an id changed.
    bool update(const QList<FolderNode> &nodes, int parent, const Marks &marks,
                std::vector<std::pair<int, int>> &changedRows, QList<int> &changedParents);
    // Renames and re-marks the files of the folder at item; true when one changed.
    bool updateFiles(const FolderNode &node, int item, const Marks &marks);

    std::vector<Item> m_items;
    // Built on first lookup: a tree handed in with fresh ids changes them all, lookups are rare.
    mutable QHash<QUuid, int> m_byId;
    mutable bool m_byIdValid = false;
    QString m_note;
    QStringList m_fieldKeys;
    std::optional<QSet<QString>> m_existing;
};

} // namespace bp

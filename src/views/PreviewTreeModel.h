#pragma once

#include "model/ProjectConfig.h"

#include <QAbstractItemModel>
#include <QHash>

#include <vector>

namespace bp {

// The preview's rows: the project folder with the resolved tree below it, and after it an
// optional note row. Built flat once per change, so large custom templates stay cheap.
class PreviewTreeModel final : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Role { IsRootRole = Qt::UserRole + 1, IsNoteRole, NodeIdRole };
    enum class Change { none, rootName, ids, reset };

    // The project folder row keeps this id, so its expanded state survives every change.
    static inline const QUuid rootId = QUuid(0x6270u, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1);

    explicit PreviewTreeModel(QObject *parent = nullptr);

    // Same shape and names as before: rows stay and only their names or ids change.
    Change setContents(const QString &rootName, const QList<FolderNode> &nodes,
                       const QString &note);

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
    };
    static constexpr quintptr noteTag = ~quintptr(0);

    void rebuild(const QString &rootName, const QList<FolderNode> &nodes);
    void append(const FolderNode &node, int parent);
    bool refreshIds(const QList<FolderNode> &nodes, const QList<int> &items);

    std::vector<Item> m_items;
    // Built on first lookup: typing refreshes every id of a custom tree, lookups are rare.
    mutable QHash<QUuid, int> m_byId;
    mutable bool m_byIdValid = false;
    QList<FolderNode> m_nodes;
    QString m_note;
};

} // namespace bp

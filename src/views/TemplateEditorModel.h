#pragma once

#include "model/CustomTemplate.h"

#include <QAbstractItemModel>
#include <QHash>

#include <optional>
#include <vector>

namespace bp {

// Edits of a custom template's folders, by id. Each returns false and leaves the folders as
// they were when it cannot be done.
namespace TemplateTree {

// Where a folder sits: its parent's id (null at the top) and its row there.
struct Place {
    QUuid parent;
    int row = 0;
};

std::optional<Place> placeOf(const QList<CustomFolderNode> &roots, const QUuid &id);
const CustomFolderNode *find(const QList<CustomFolderNode> &roots, const QUuid &id);
// A name not yet used among the folders of parent, from base ("Nieuwe map", "Nieuwe map 2").
QString freeName(const QList<CustomFolderNode> &roots, const QUuid &parent, const QString &base);

bool insert(QList<CustomFolderNode> &roots, const QUuid &parent, int row, CustomFolderNode node);
bool remove(QList<CustomFolderNode> &roots, const QUuid &id);
bool rename(QList<CustomFolderNode> &roots, const QUuid &id, const QString &name);
// Row as before the folder left its place; never into the folder itself or below it.
bool move(QList<CustomFolderNode> &roots, const QUuid &id, const QUuid &parent, int row);
// Up or down among its siblings.
bool shift(QList<CustomFolderNode> &roots, const QUuid &id, int by);
// After its parent, one level up.
bool outdent(QList<CustomFolderNode> &roots, const QUuid &id);
// The last folder of the sibling before it.
bool indent(QList<CustomFolderNode> &roots, const QUuid &id);

// The same folders with fresh ids, for a copy that is a template of its own.
QList<CustomFolderNode> withFreshIds(QList<CustomFolderNode> roots);

// A file by its folder and its place among that folder's files.
struct FileRef {
    QUuid folder;
    int index = 0;
};

// Files have no ids of their own: their rows get one made from the folder and the place, so
// selection and remarks work as for folders.
QUuid fileRowId(const QUuid &folder, int index);
const TemplateFile *findFile(const QList<CustomFolderNode> &roots, const FileRef &file);
// row -1: at the end.
bool insertFiles(QList<CustomFolderNode> &roots, const QUuid &folder, int row,
                 const QList<TemplateFile> &files);
bool removeFile(QList<CustomFolderNode> &roots, const FileRef &file);
bool renameFile(QList<CustomFolderNode> &roots, const FileRef &file, const QString &name);
bool setRender(QList<CustomFolderNode> &roots, const FileRef &file, bool render);
// Row among folder's files as before the file left its place; -1: at the end. Returns where
// the file is now.
std::optional<FileRef> moveFile(QList<CustomFolderNode> &roots, const FileRef &file,
                                const QUuid &folder, int row);

} // namespace TemplateTree

// What the editor says about one folder: what making its name safe changes, or why it is
// refused.
struct FolderRemark {
    QString text;
    bool error = false;
};

// The editor's folders as an item model, each folder's files after its subfolders. It never changes
// them itself: renames and drops are asked for, and the window answers with setRoots().
class TemplateTreeModel final : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Role { IdRole = Qt::UserRole + 1, IsErrorRole, IsFileRole };

    explicit TemplateTreeModel(QObject *parent = nullptr);

    void setRoots(const QList<CustomFolderNode> &roots);
    void setRemarks(const QHash<QUuid, FolderRemark> &remarks);
    QModelIndex indexForId(const QUuid &id) const;
    QUuid idOf(const QModelIndex &index) const;
    // The file a row id stands for; none for a folder's or an unknown id.
    std::optional<TemplateTree::FileRef> fileOf(const QUuid &id) const;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    Qt::DropActions supportedDropActions() const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    // Asks for the move and reports the drop as not done, so the view removes nothing.
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;
    // Files from the file manager only onto a folder.
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                         const QModelIndex &parent) const override;

Q_SIGNALS:
    void renameRequested(const QUuid &id, const QString &name);
    // parent null: the top level; row -1: at the end.
    void moveRequested(const QUuid &id, const QUuid &parent, int row);
    // Local files dropped onto a folder, as absolute paths.
    void filesDropped(const QStringList &paths, const QUuid &folder);

private:
    struct Item {
        QUuid id;
        QString name;
        int parent = -1;
        int row = 0;
        QList<int> children;
        int fileIndex = -1; // a file's place among its folder's files; -1 for a folder
        bool render = false;
    };
    void append(const CustomFolderNode &node, int parent);
    int itemOf(const QModelIndex &index) const;

    std::vector<Item> m_items;
    QList<int> m_top;
    QHash<QUuid, int> m_byId;
    QHash<QUuid, FolderRemark> m_remarks;
};

} // namespace bp

#pragma once

#include "model/CustomTemplate.h"
#include "views/TemplateEditorModel.h"

#include <QSet>
#include <QUndoStack>
#include <QWidget>

#include <functional>
#include <optional>

class QAbstractButton;
class QAction;
class QGraphicsOpacityEffect;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QTreeView;
class QTreeWidget;

namespace bp {

class CustomTemplateStore;
class FieldListEditor;
class ToggleSwitch;

// "Template bewerken": a custom template's name, folders and their files, fields and project
// folder name, with a live preview. Every edit can be undone; "Bewaar" replaces the stored template
// (or adds it when it is new) through the store. Deletes itself when closed.
class TemplateEditorWindow final : public QWidget {
    Q_OBJECT
public:
    static inline const QString sampleName = QStringLiteral("Voorbeeld");
    static constexpr int sampleNumber = 7;

    enum class CloseAnswer { save, discard, cancel };
    // Asked on close while there are unsaved edits.
    using AskOnClose = std::function<CloseAnswer(QWidget *parent)>;

    // A draft whose id is not in the store becomes a new template when saved.
    TemplateEditorWindow(CustomTemplateStore &store, const CustomTemplate &draft,
                         QWidget *parent = nullptr);
    ~TemplateEditorWindow() override;

    static CloseAnswer askOnClose(QWidget *parent);
    void setAskOnClose(AskOnClose ask) { m_askOnClose = std::move(ask); }

    const CustomTemplate &current() const { return m_template; }
    // Lines of the fields editor still being typed in count too.
    bool hasUnsavedEdits() const;
    // Why it cannot be saved, in the window's order; empty when it can.
    const QStringList &problems() const { return m_problems; }
    QString message() const;

    QLineEdit *nameEdit() const { return m_name; }
    QTreeView *treeView() const { return m_tree; }
    TemplateTreeModel *treeModel() const { return m_model; }
    FieldListEditor *fieldsEditor() const { return m_fields; }
    QTreeWidget *previewTree() const { return m_preview; }
    QPushButton *saveButton() const { return m_save; }
    QAbstractButton *renderToggle() const;
    QLabel *messageLabel() const { return m_message; }
    QUndoStack &undoStack() { return m_undo; }

    // The tree's edits, on the current folder.
    void addSubfolder();
    void addSibling();
    void renameCurrent();
    void deleteCurrent();
    void shiftCurrent(int by);
    void outdentCurrent();
    void indentCurrent();
    void save();
    // Regular files at these paths into folder (null: the current row's), kept by their
    // absolute paths until saved; folders among them are left out.
    void addFiles(const QStringList &paths, const QUuid &folder = {});
    void addFilesFromDialog();
    // Whether the current file now fills in fields in its contents as asked: turning it on is
    // refused for anything but a UTF-8 text file.
    bool setRenderCurrent(bool on);

Q_SIGNALS:
    void saved(const QUuid &id);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class Snapshot;

    QWidget *buildTreeColumn();
    QWidget *buildPreviewColumn();
    QWidget *buildBar();
    QAction *treeAction(const QString &text, const QKeySequence &key,
                        const std::function<void()> &run);

    QUuid currentId() const;
    std::optional<TemplateTree::FileRef> currentFile() const;
    // The current folder, or the current file's.
    QUuid currentFolder() const;
    QString sourcePath(const TemplateFile &file) const;
    // Why fields may not be filled in in the file's contents; none for a UTF-8 text file.
    std::optional<QString> renderRefusal(const TemplateFile &file) const;
    void moveFileTo(const TemplateTree::FileRef &file, const QUuid &folder, int row);
    // change says where the file is afterwards, or none when it cannot be done.
    void
    editFile(const QString &what,
             const std::function<std::optional<TemplateTree::FileRef>(QList<CustomFolderNode> &)>
                 &change);
    void selectFolder(const QUuid &id);
    void restoreExpansion();
    // Records the change as one undoable step and shows it.
    void record(const CustomTemplate &changed, const QUuid &select, const QString &what,
                int mergeId = -1, bool namesAdded = false);
    void editTree(const QString &what, const QUuid &select,
                  const std::function<bool(QList<CustomFolderNode> &)> &change, int mergeId = -1);
    void present(const CustomTemplate &shown, const QUuid &select);
    // The template with what the fields editor holds now, typed but unfinished lines too.
    CustomTemplate live() const;
    void revalidate();
    void refreshPreview();
    void refreshState();
    bool isStored() const;

    CustomTemplateStore &m_store;
    CustomTemplate m_template;
    CustomTemplate m_saved;
    QUndoStack m_undo;
    QSet<QUuid> m_collapsed;
    bool m_restoring = false;
    QUuid m_justAdded; // its name is typed in the same step
    QStringList m_problems;
    std::optional<QString> m_typing; // what the rename editor holds now
    bool m_typingFile = false;
    // Per path, size and time: the last look at whether a file is text.
    mutable QHash<QString, std::optional<QString>> m_textChecks;
    std::optional<QString> m_notice; // the last save's outcome
    bool m_saving = false;
    bool m_closeAfterSave = false;
    AskOnClose m_askOnClose;

    QLineEdit *m_name = nullptr;
    QTreeView *m_tree = nullptr;
    TemplateTreeModel *m_model = nullptr;
    QPushButton *m_delete = nullptr;
    QPushButton *m_addFile = nullptr;
    ToggleSwitch *m_render = nullptr;
    QGraphicsOpacityEffect *m_renderOpacity = nullptr;
    FieldListEditor *m_fields = nullptr;
    QTreeWidget *m_preview = nullptr;
    QTimer *m_previewTimer = nullptr;
    QPushButton *m_undoButton = nullptr;
    QPushButton *m_redoButton = nullptr;
    QLabel *m_message = nullptr;
    QPushButton *m_save = nullptr;
    QGraphicsOpacityEffect *m_saveOpacity = nullptr;
};

} // namespace bp

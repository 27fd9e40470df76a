#pragma once

#include "model/CustomTemplate.h"

#include <QList>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace bp {

class CustomTemplateStore;

// The built-in templates, the user's own templates with an edit and a delete button each, a
// new template from either, and export and import of all own templates as one JSON file, or of
// one with its files as a .bptemplate archive. The list
// follows the store, changes by other processes included.
class TemplatesTab final : public QWidget {
    Q_OBJECT
public:
    static inline const QString exportFileName = QStringLiteral("brindlepath-templates.json");

    // Ask the user for a file; none when cancelled.
    using SaveLocation =
        std::function<std::optional<QString>(QWidget *parent, const QString &proposedName)>;
    using OpenLocation = std::function<std::optional<QString>(QWidget *parent)>;
    // Shows the template editor on a draft.
    using OpenEditor = std::function<void(CustomTemplateStore &store, const CustomTemplate &draft)>;

    explicit TemplatesTab(CustomTemplateStore &store, QWidget *parent = nullptr);

    static std::optional<QString> runSaveDialog(QWidget *parent, const QString &proposedName);
    static std::optional<QString> runOpenDialog(QWidget *parent);
    void setSaveLocation(SaveLocation ask) { m_saveLocation = std::move(ask); }
    void setOpenLocation(OpenLocation ask) { m_openLocation = std::move(ask); }
    static void runEditor(CustomTemplateStore &store, const CustomTemplate &draft);
    void setOpenEditor(OpenEditor open) { m_openEditor = std::move(open); }

    // A new template's starting point: a built-in template with all its extras, or a copy
    // of an own template; new ids throughout, no id of its own yet.
    static CustomTemplate draftFrom(PlatformTemplate platform);
    static CustomTemplate draftFrom(const CustomTemplate &own);
    void editTemplate(const QUuid &id);

    void exportTemplates();
    // One template with its files, as a .bptemplate archive.
    void exportTemplate(const QUuid &id);
    // A .json document of templates, or a .bptemplate archive of one.
    void importTemplates();
    void deleteTemplate(const QUuid &id);

    const std::optional<QString> &exportError() const { return m_exportError; }
    const std::optional<QString> &importError() const { return m_importError; }
    // The bar's message: where the last action kept an unreadable stored list, else the
    // export message (or the note that a JSON export left files out) first, then the delete
    // and the import message, else why the stored list cannot be read.
    QString message() const;
    QLabel *messageLabel() const { return m_message; }
    QWidget *customSection() const { return m_customSection; }
    // The studio's shared templates: read only, each with a copy button.
    QWidget *sharedSection() const { return m_sharedSection; }
    QList<QPushButton *> copyButtons() const { return m_copyButtons; }
    QLabel *sharedHint() const { return m_sharedHint; }
    QLineEdit *sharedFolderField() const { return m_sharedField; }
    QList<QPushButton *> deleteButtons() const;
    QList<QPushButton *> editButtons() const { return m_editButtons; }
    QList<QPushButton *> archiveButtons() const { return m_archiveButtons; }
    QPushButton *newButton() const { return m_new; }
    QPushButton *exportButton() const { return m_export; }
    QPushButton *importButton() const { return m_import; }
    QScrollArea *list() const { return m_list; }

protected:
    bool event(QEvent *event) override;

private:
    void orderFocusChain();
    QWidget *buildList();
    QWidget *buildBar();
    void rebuildCustomRows();
    void rebuildSharedRows();
    // Stores the shared folder's preference (empty: none).
    void setSharedFolder(const QString &folder);
    void importArchive(const QString &path);
    void fillNewMenu();
    void refreshMessage();
    void clearKeptNotice();

    CustomTemplateStore &m_store;
    SaveLocation m_saveLocation;
    OpenLocation m_openLocation;
    OpenEditor m_openEditor;
    std::optional<QString> m_exportError;
    std::optional<QString> m_importError;
    std::optional<QString> m_deleteError;
    std::optional<QString> m_keptNotice;
    // After a JSON export that left template files out.
    std::optional<QString> m_exportNote;
    QScrollArea *m_list = nullptr;
    QWidget *m_customSection = nullptr;
    QVBoxLayout *m_customRows = nullptr;
    QList<QPushButton *> m_deleteButtons;
    QList<QPushButton *> m_editButtons;
    QWidget *m_sharedSection = nullptr;
    QVBoxLayout *m_sharedRows = nullptr;
    QLabel *m_sharedHint = nullptr;
    QLineEdit *m_sharedField = nullptr;
    QPushButton *m_sharedChoose = nullptr;
    QPushButton *m_sharedRemove = nullptr;
    std::optional<QString> m_sharedError;
    QList<QPushButton *> m_copyButtons;
    QList<QPushButton *> m_archiveButtons;
    QPushButton *m_new = nullptr;
    QMenu *m_newMenu = nullptr;
    QPushButton *m_export = nullptr;
    QPushButton *m_import = nullptr;
    QLabel *m_message = nullptr;
};

} // namespace bp

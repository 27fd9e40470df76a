#pragma once

#include <QList>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace bp {

class CustomTemplateStore;

// The built-in templates, the user's own templates with a delete button each, and export
// and import of all own templates as one JSON file. The list follows the store, changes by
// other processes included.
class TemplatesTab final : public QWidget {
    Q_OBJECT
public:
    static inline const QString exportFileName = QStringLiteral("brindlepath-templates.json");

    // Ask the user for a file; none when cancelled.
    using SaveLocation =
        std::function<std::optional<QString>(QWidget *parent, const QString &proposedName)>;
    using OpenLocation = std::function<std::optional<QString>(QWidget *parent)>;

    explicit TemplatesTab(CustomTemplateStore &store, QWidget *parent = nullptr);

    static std::optional<QString> runSaveDialog(QWidget *parent, const QString &proposedName);
    static std::optional<QString> runOpenDialog(QWidget *parent);
    void setSaveLocation(SaveLocation ask) { m_saveLocation = std::move(ask); }
    void setOpenLocation(OpenLocation ask) { m_openLocation = std::move(ask); }

    void exportTemplates();
    void importTemplates();
    void deleteTemplate(const QUuid &id);

    const std::optional<QString> &exportError() const { return m_exportError; }
    const std::optional<QString> &importError() const { return m_importError; }
    // The bar's message: where the last action kept an unreadable stored list, else the
    // export message first, then the delete and the import message, else why the stored
    // list cannot be read.
    QString message() const;
    QLabel *messageLabel() const { return m_message; }
    QWidget *customSection() const { return m_customSection; }
    QList<QPushButton *> deleteButtons() const;
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
    void refreshMessage();
    void clearKeptNotice();

    CustomTemplateStore &m_store;
    SaveLocation m_saveLocation;
    OpenLocation m_openLocation;
    std::optional<QString> m_exportError;
    std::optional<QString> m_importError;
    std::optional<QString> m_deleteError;
    std::optional<QString> m_keptNotice;
    QScrollArea *m_list = nullptr;
    QWidget *m_customSection = nullptr;
    QVBoxLayout *m_customRows = nullptr;
    QList<QPushButton *> m_deleteButtons;
    QPushButton *m_export = nullptr;
    QPushButton *m_import = nullptr;
    QLabel *m_message = nullptr;
};

} // namespace bp

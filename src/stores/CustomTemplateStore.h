#pragma once

#include "PreferenceSuite.h"
#include "StoredList.h"
#include "model/CustomTemplate.h"

#include <QFuture>
#include <QObject>

namespace bp {

// The JSON document of custom templates: the stored value, the export and the import file.
namespace CustomTemplateJson {
// Deeper trees are refused: they cannot come from a real project and would only strain the
// recursive JSON and tree code downstream.
inline constexpr int maxFolderDepth = 256;

// Compact, keys in declaration order, ids in upper case, createdAt to the millisecond (an
// invalid date is written as the reference date, 2001-01-01). "projectNamePattern" and
// "fields" are written only when not empty.
QByteArray encode(const QList<CustomTemplate> &templates);
// Strict: every key required with its type, unknown keys ignored, any order. Folder names
// that would leave their parent folder fail the whole document. "projectNamePattern" and
// "fields" are optional, but when present a bad pattern syntax or field definition fails it.
Result<QList<CustomTemplate>> decode(const QByteArray &json);
// A stored list read template by template: one that fails is left out and said why, so one
// damaged template does not hide the others.
struct Salvaged {
    QList<CustomTemplate> templates;
    QStringList problems; // empty when everything was read
};
Salvaged decodeEach(const QByteArray &json);
// Why a folder name may not be stored (empty, ".", "..", a "/" or a NUL), or none if it may.
std::optional<QString> folderNameProblem(const QString &name);
// The checks decode() applies to folders: valid names and at most maxFolderDepth levels.
Result<void> checkFolders(const QList<CustomFolderNode> &roots);
} // namespace CustomTemplateJson

// The user's saved templates, persisted under "customTemplates" of the standard store. The
// list follows the file, so changes made by other processes show up here too.
class SharedTemplateLibrary;

class CustomTemplateStore final : public QObject {
    Q_OBJECT
public:
    static inline const QString key = QStringLiteral("customTemplates");
    static inline const QString savedIcon = QStringLiteral("star.fill");

    // Loads the stored list. Templates that cannot be read are left out, not lost: the next
    // change first keeps the whole stored value aside (see unreadableKept()).
    explicit CustomTemplateStore(PreferenceSuite &suite, QObject *parent = nullptr);

    static CustomTemplateStore &shared();

    const QList<CustomTemplate> &templates() const { return m_list.value(); }
    // The own templates, then the shared library's whose ids are not among them: what lists
    // and look-ups by id offer. Editing, export and import keep to templates().
    QList<CustomTemplate> all() const;
    // Adds a shared library to all(); templatesChanged() then also follows its changes.
    void attachShared(SharedTemplateLibrary &library);
    SharedTemplateLibrary *sharedLibrary() const { return m_shared; }
    // Why the settings file or some stored templates could not be read, if so; templates()
    // then holds only those that could.
    const std::optional<QString> &unreadable() const { return m_list.unreadable(); }

    // Each change comes in two forms: one that blocks until the file is written (command
    // line, tests) and one for the UI thread that shows the change at once, writes it on the
    // writer thread and takes it back if the write fails.

    // Appends a template made from the resolved structure; returns its new id. A structure
    // that could not be read back (bad folder names, too deep) is refused unchanged.
    Result<QUuid> save(const QString &name, const QList<FolderNode> &nodes);
    QFuture<Result<QUuid>> saveLater(const QString &name, const QList<FolderNode> &nodes);
    // Replaces the stored template with t's id, or appends t when there is none. Refused
    // unchanged when t could not be read back or never gives a name: bad folder names or
    // depth, bad field definitions, or a name pattern with a syntax error.
    Result<void> put(const CustomTemplate &t);
    QFuture<Result<void>> putLater(const CustomTemplate &t);
    // Removes every template with this id, and then its files' folder.
    Result<void> remove(const QUuid &id);
    QFuture<Result<void>> removeLater(const QUuid &id);
    // The document of all templates ("[]" when there are none), or none if encoding fails.
    std::optional<QByteArray> exportAllAsJSON() const;
    // Appends the document's templates whose ids are not stored yet; fails without any change
    // when the document cannot be decoded.
    Result<void> importJSON(const QByteArray &json);
    QFuture<Result<void>> importJSONLater(const QByteArray &json);

Q_SIGNALS:
    // Also when unreadable() changes.
    void templatesChanged();
    // A change kept the stored value it could not read in full at this path before it wrote.
    void unreadableKept(const QString &copy);

private:
    using List = QList<CustomTemplate>;
    StoredList<List> m_list;
    SharedTemplateLibrary *m_shared = nullptr;
};

} // namespace bp

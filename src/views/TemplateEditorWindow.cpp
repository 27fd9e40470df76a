#include "views/TemplateEditorWindow.h"

#include "model/NamePattern.h"
#include "model/PathComponent.h"
#include "model/ProjectPlan.h"
#include "model/TemplateFiles.h"
#include "model/WhenFinished.h"
#include "stores/CustomTemplateStore.h"
#include "views/AccessibleRole.h"
#include "views/ErrorText.h"
#include "views/FieldListEditor.h"
#include "views/GoldButtonStyle.h"
#include "views/SettingsStyle.h"
#include "views/Style.h"
#include "views/SymbolIcons.h"
#include "views/ToggleSwitch.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace bp {
namespace {

constexpr int nameMergeId = 1;
// A new folder and the name typed into it right away are one step.
constexpr int addMergeId = 2;
const QString newFolder = QStringLiteral("Nieuwe map");
// A NUL this early says binary; text editors look as far.
constexpr qint64 nulWindow = 64 * 1024;
// Read whole on the UI thread to check it, so only as much as a text of a template needs.
constexpr qint64 maxTextBytes = 16 * 1024 * 1024;

QString quoted(const QString &text)
{
    return QStringLiteral("„") + text + QStringLiteral("”");
}

QString problemText(const NameProblem &problem, const QSet<QString> &fieldKeys)
{
    const QString token = QLatin1Char('{') + problem.key + QLatin1Char('}');
    switch (problem.kind) {
    case NameProblem::Kind::unclosedBrace:
        return QStringLiteral("„{” zonder „}”; schrijf „{{” voor een accolade");
    case NameProblem::Kind::strayClosingBrace:
        return QStringLiteral("Losse „}”; schrijf „}}” voor een accolade");
    case NameProblem::Kind::invalidKey:
        return QStringLiteral("Ongeldige sleutel ") + quoted(problem.key) +
               QStringLiteral(": alleen a-z, 0-9 en _");
    case NameProblem::Kind::unknownToken:
        return fieldKeys.contains(problem.key)
                   ? QStringLiteral("Geen voorbeeldwaarde voor ") + token
                   : QStringLiteral("Onbekend token ") + token;
    case NameProblem::Kind::invalidFormat:
        return token + QStringLiteral(" kent dit formaat niet");
    case NameProblem::Kind::tooLong:
        return QStringLiteral("Langer dan %1 bytes").arg(PathComponent::maxBytes);
    }
    return problem.message();
}

QString changesText(const QString &text, ComponentChanges changes)
{
    QStringList why;
    if (changes & ComponentChange::forbiddenCharacter)
        why << QStringLiteral("verboden tekens worden „-”");
    if (changes & ComponentChange::controlCharacter)
        why << QStringLiteral("stuurtekens worden „-”");
    if (changes & ComponentChange::trimmedEnd)
        why << QStringLiteral("punten en spaties aan het eind vallen weg");
    if (changes & ComponentChange::reservedName)
        why << QStringLiteral("apparaatnaam krijgt „-”");
    if (changes & ComponentChange::emptyName)
        why << QStringLiteral("lege naam wordt „-”");
    return QStringLiteral("Wordt ") + quoted(text) + QStringLiteral(": ") +
           why.join(QStringLiteral(", "));
}

std::optional<FolderRemark> remarkOn(const RenderedName &name, const QSet<QString> &fieldKeys)
{
    if (!name.ok()) {
        QStringList texts;
        for (const NameProblem &problem : name.problems)
            texts << problemText(problem, fieldKeys);
        return FolderRemark{texts.join(QStringLiteral("; ")), true};
    }
    if (name.changes)
        return FolderRemark{changesText(name.text, name.changes), false};
    return std::nullopt;
}

// What a folder or file name as typed would give, or why it cannot be stored or rendered.
std::optional<FolderRemark> remarkOnFolder(const QString &name, const TokenValues &sample,
                                           const QSet<QString> &fieldKeys, bool file = false)
{
    if (CustomTemplateJson::folderNameProblem(name)) {
        const QString noun = file ? QStringLiteral("bestandsnaam") : QStringLiteral("mapnaam");
        if (name.isEmpty())
            return FolderRemark{QStringLiteral("Naam is leeg"), true};
        if (name == QLatin1String(".") || name == QLatin1String(".."))
            return FolderRemark{QStringLiteral("„.” en „..” zijn geen ") + noun, true};
        if (name.contains(QLatin1Char('/')))
            return FolderRemark{file ? QStringLiteral("Geen „/” in een bestandsnaam")
                                     : QStringLiteral("Geen „/” in een mapnaam: dat maakt een"
                                                      " niveau"),
                                true};
        return FolderRemark{QStringLiteral("Geen NUL-teken in een ") + noun, true};
    }
    return remarkOn(NamePattern::parse(name).render(sample), fieldKeys);
}

// Values for every token the template knows, so only unknown tokens and bad syntax remain.
TokenValues sampleValues(const CustomTemplate &t)
{
    TokenValues values;
    values.name = TemplateEditorWindow::sampleName;
    values.date = QDate::currentDate();
    values.counter = TemplateEditorWindow::sampleNumber;
    const Fields::Resolved resolved = Fields::resolve(t.fields, {});
    for (const FieldDefinition &field : t.fields) {
        const QString value = resolved.values.value(field.key);
        values.fields.insert(field.key, value.isEmpty() ? field.key : value);
    }
    return values;
}

QSet<QString> fieldKeysOf(const CustomTemplate &t)
{
    QSet<QString> keys;
    for (const FieldDefinition &field : t.fields)
        keys.insert(field.key);
    return keys;
}

// Only bytes that are UTF-8 throughout, with no NUL early on, are text to fill fields in.
std::optional<QString> textProblem(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("Het bestand is niet te lezen");
    const QByteArray start = file.read(nulWindow);
    if (start.contains('\0'))
        return QStringLiteral("Geen tekstbestand: de inhoud blijft zoals hij is");
    if (file.size() > maxTextBytes)
        return QStringLiteral("Groter dan 16 MB: de inhoud blijft zoals hij is");
    if (!QByteArrayView(start + file.readAll()).isValidUtf8())
        return QStringLiteral("Geen UTF-8-tekst: de inhoud blijft zoals hij is");
    return std::nullopt;
}

void markItem(QTreeWidgetItem *item, const std::optional<FolderRemark> &remark)
{
    if (!remark)
        return;
    item->setForeground(0, remark->error ? bpRed : bpBlue);
    item->setToolTip(0, remark->text);
    item->setData(0, Qt::AccessibleDescriptionRole, remark->text);
}

// Tells the window what the rename editor holds while the user types.
class FolderDelegate final : public QStyledItemDelegate {
public:
    FolderDelegate(QObject *parent, std::function<void(const QString &, bool file)> typed)
        : QStyledItemDelegate(parent), m_typed(std::move(typed))
    {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *line = qobject_cast<QLineEdit *>(editor)) {
            const bool file = index.data(TemplateTreeModel::IsFileRole).toBool();
            line->setAccessibleName(file ? QStringLiteral("Bestandsnaam")
                                         : QStringLiteral("Mapnaam"));
            line->setStyleSheet(Style::fieldSheet(QStringLiteral("QLineEdit"), 3, 0, 3));
            QObject::connect(line, &QLineEdit::textEdited, line,
                             [typed = m_typed, file](const QString &text) { typed(text, file); });
        }
        return editor;
    }

protected:
    // A refused name stays in the error colour when its row is selected.
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.data(TemplateTreeModel::IsErrorRole).toBool())
            option->palette.setColor(QPalette::HighlightedText, bpRed);
    }

private:
    std::function<void(const QString &, bool file)> m_typed;
};

QString treeSheet()
{
    return QStringLiteral("QTreeView, QTreeWidget { background: %1; color: %2;"
                          " border: 1px solid %3; border-radius: 6px; outline: 0; }"
                          "QTreeView:focus, QTreeWidget:focus { border-color: %4; }"
                          "QTreeView::item { padding: 2px 0; }"
                          "QTreeView::item:selected { background: %5; }"
                          "QTreeView::item:focus { border: 1px solid %4; border-radius: 3px; }")
        .arg(Style::css(bpDark), Style::css(bpText), Style::css(bpBorder), Style::css(bpBlue, 0.7),
             Style::css(bpBlue, 0.35));
}

} // namespace

// One edit: the whole template before and after, and which folder was current.
class TemplateEditorWindow::Snapshot final : public QUndoCommand {
public:
    Snapshot(TemplateEditorWindow *window, CustomTemplate before, QUuid selectBefore,
             CustomTemplate after, QUuid selectAfter, const QString &what, int mergeId)
        : QUndoCommand(what), m_window(window), m_before(std::move(before)),
          m_after(std::move(after)), m_selectBefore(selectBefore), m_selectAfter(selectAfter),
          m_mergeId(mergeId)
    {}

    void undo() override { m_window->present(m_before, m_selectBefore); }
    void redo() override { m_window->present(m_after, m_selectAfter); }
    int id() const override { return m_mergeId; }
    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *next = static_cast<const Snapshot *>(other);
        if (m_mergeId == addMergeId && (m_named || !next->m_names))
            return false;
        m_named = next->m_names;
        m_after = next->m_after;
        m_selectAfter = next->m_selectAfter;
        return true;
    }

private:
    TemplateEditorWindow *m_window;
    CustomTemplate m_before;
    CustomTemplate m_after;
    QUuid m_selectBefore;
    QUuid m_selectAfter;
    int m_mergeId;

public:
    bool m_names = false; // names the folder the step before added
    bool m_named = false;
};

TemplateEditorWindow::TemplateEditorWindow(CustomTemplateStore &store, const CustomTemplate &draft,
                                           QWidget *parent)
    : QWidget(parent, Qt::Window), m_store(store), m_template(draft), m_saved(draft),
      m_askOnClose(&TemplateEditorWindow::askOnClose)
{
    setObjectName(QStringLiteral("templateEditor"));
    // A window, so screen readers name it by its title when it becomes active.
    setAccessibleRole(this, QAccessible::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Template bewerken"));
    Style::applyDarkPalette(this);
    setStyleSheet(Style::windowStyleSheet() + treeSheet() +
                  Style::fieldSheet(QStringLiteral("QLineEdit"), 5, 3, 8));
    setMinimumSize(860, 460);
    // The fields editor needs room of its own beside the two trees.
    QSize size(1180, 660);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize());
    resize(size);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *top = new QHBoxLayout;
    top->setContentsMargins(16, 14, 16, 10);
    top->setSpacing(10);
    QLabel *nameLabel = Style::label(QStringLiteral("Naam"), 12, QFont::DemiBold, bpText, 0.7);
    top->addWidget(nameLabel);
    m_name = new QLineEdit(draft.name);
    m_name->setObjectName(QStringLiteral("templateName"));
    m_name->setAccessibleName(QStringLiteral("Templatenaam"));
    m_name->setFont(Style::uiFont(13));
    nameLabel->setBuddy(m_name);
    m_name->installEventFilter(this);
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString &text) {
        CustomTemplate changed = m_template;
        changed.name = text;
        record(changed, currentId(), QStringLiteral("Naam"), nameMergeId);
    });
    top->addWidget(m_name, 1);
    column->addLayout(top);
    column->addWidget(Style::rule());

    auto *body = new QHBoxLayout;
    body->setContentsMargins(16, 12, 16, 12);
    body->setSpacing(16);
    body->addWidget(buildTreeColumn(), 3);
    auto *fieldsColumn = new QVBoxLayout;
    fieldsColumn->setSpacing(6);
    fieldsColumn->addWidget(Style::sectionLabel(QStringLiteral("Velden en projectmap")));
    m_fields = new FieldListEditor;
    m_fields->setObjectName(QStringLiteral("fieldListEditor"));
    m_fields->setFields(draft.fields);
    m_fields->setPattern(draft.projectNamePattern);
    connect(m_fields, &FieldListEditor::edited, this, [this] {
        CustomTemplate changed = m_template;
        changed.fields = m_fields->fields();
        changed.projectNamePattern = m_fields->pattern();
        record(changed, currentId(), QStringLiteral("Velden"));
    });
    // Typing shows at once; the step to undo comes with edited().
    connect(m_fields, &FieldListEditor::changed, this, [this] {
        revalidate();
        m_previewTimer->start();
        refreshState();
    });
    fieldsColumn->addWidget(m_fields, 1);
    body->addLayout(fieldsColumn, 5);
    body->addWidget(buildPreviewColumn(), 3);
    column->addLayout(body, 1);
    column->addWidget(buildBar());

    auto *undo = new QAction(QStringLiteral("Ongedaan maken"), this);
    undo->setShortcut(QKeySequence::Undo);
    connect(undo, &QAction::triggered, &m_undo, &QUndoStack::undo);
    auto *redo = new QAction(QStringLiteral("Opnieuw"), this);
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    connect(redo, &QAction::triggered, &m_undo, &QUndoStack::redo);
    auto *saveAction = new QAction(QStringLiteral("Bewaar"), this);
    saveAction->setShortcut(QKeySequence::Save);
    connect(saveAction, &QAction::triggered, this, &TemplateEditorWindow::save);
    addActions({undo, redo, saveAction});
    connect(&m_undo, &QUndoStack::indexChanged, this, &TemplateEditorWindow::refreshState);

    m_previewTimer = new QTimer(this);
    m_previewTimer->setSingleShot(true);
    m_previewTimer->setInterval(0);
    connect(m_previewTimer, &QTimer::timeout, this, &TemplateEditorWindow::refreshPreview);
    connect(&m_store, &CustomTemplateStore::templatesChanged, this,
            &TemplateEditorWindow::refreshState);

    m_model->setRoots(m_template.roots);
    restoreExpansion();
    present(m_template, m_template.roots.isEmpty() ? QUuid() : m_template.roots.first().id);
    refreshPreview();
    m_name->setFocus();
}

TemplateEditorWindow::~TemplateEditorWindow()
{
    // The stack clears itself after the widgets have gone.
    disconnect(&m_undo, nullptr, this, nullptr);
}

QWidget *TemplateEditorWindow::buildTreeColumn()
{
    auto *holder = new QWidget;
    holder->setMinimumWidth(250);
    auto *column = new QVBoxLayout(holder);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    column->addWidget(Style::sectionLabel(QStringLiteral("Mappen")));

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    const auto button = [this, buttons](const QString &text, const QString &tip, auto slot) {
        QPushButton *b = SettingsStyle::formButton(text, 11);
        b->setToolTip(tip);
        b->setAccessibleDescription(tip);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
        return b;
    };
    button(QStringLiteral("Submap"), QStringLiteral("Nieuwe map in de gekozen map (Ctrl+N)"),
           &TemplateEditorWindow::addSubfolder);
    button(QStringLiteral("Map ernaast"),
           QStringLiteral("Nieuwe map naast de gekozen map (Ctrl+Shift+N)"),
           &TemplateEditorWindow::addSibling);
    m_delete = button(QStringLiteral("Verwijder"),
                      QStringLiteral("Verwijder de gekozen map of het gekozen bestand (Delete)"),
                      &TemplateEditorWindow::deleteCurrent);
    buttons->addStretch(1);
    column->addLayout(buttons);

    m_model = new TemplateTreeModel(this);
    m_tree = new QTreeView;
    m_tree->setObjectName(QStringLiteral("templateTree"));
    m_tree->setModel(m_model);
    m_tree->setAccessibleName(QStringLiteral("Mappen"));
    m_tree->setAccessibleDescription(
        QStringLiteral("F2 hernoemt, Delete verwijdert, Ctrl+N maakt een submap, Ctrl+Shift+N een"
                       " map ernaast, Ctrl+Shift+A voegt een bestand toe, Ctrl+pijl omhoog of"
                       " omlaag verplaatst, Ctrl+pijl links of rechts verandert het niveau"));
    m_tree->setHeaderHidden(true);
    m_tree->setFont(Style::uiFont(12));
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    m_tree->setDragEnabled(true);
    m_tree->setAcceptDrops(true);
    m_tree->setDropIndicatorShown(true);
    // Not InternalMove: that refuses the files a file manager drags in.
    m_tree->setDragDropMode(QAbstractItemView::DragDrop);
    m_tree->setDefaultDropAction(Qt::MoveAction);
    m_tree->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_tree->setItemDelegate(new FolderDelegate(m_tree, [this](const QString &text, bool file) {
        m_typing = text;
        m_typingFile = file;
        refreshState();
    }));
    connect(m_tree->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, [this] {
        m_typing.reset();
        refreshState();
    });
    connect(m_tree, &QTreeView::expanded, this, [this](const QModelIndex &index) {
        if (!m_restoring)
            m_collapsed.remove(m_model->idOf(index));
    });
    connect(m_tree, &QTreeView::collapsed, this, [this](const QModelIndex &index) {
        if (!m_restoring)
            m_collapsed.insert(m_model->idOf(index));
    });
    // Queued: the view is still inside its editor or drop when the model asks.
    connect(
        m_model, &TemplateTreeModel::renameRequested, this,
        [this](const QUuid &id, const QString &name) {
            if (const std::optional<TemplateTree::FileRef> file = m_model->fileOf(id)) {
                editFile(QStringLiteral("Hernoem"), [&](QList<CustomFolderNode> &roots) {
                    return TemplateTree::renameFile(roots, *file, name)
                               ? file
                               : std::optional<TemplateTree::FileRef>();
                });
                return;
            }
            CustomTemplate changed = m_template;
            if (TemplateTree::rename(changed.roots, id, name))
                record(changed, id, QStringLiteral("Hernoem"), id == m_justAdded ? addMergeId : -1,
                       id == m_justAdded);
            m_justAdded = QUuid();
        },
        Qt::QueuedConnection);
    connect(
        m_model, &TemplateTreeModel::moveRequested, this,
        [this](const QUuid &id, const QUuid &parent, int row) {
            m_collapsed.remove(parent);
            if (const std::optional<TemplateTree::FileRef> file = m_model->fileOf(id)) {
                // Rows count the folder's subfolders first.
                const CustomFolderNode *to = TemplateTree::find(m_template.roots, parent);
                const int at = to && row >= 0 ? std::max(0, row - int(to->children.size())) : -1;
                moveFileTo(*file, parent, at);
                return;
            }
            editTree(QStringLiteral("Verplaats"), id, [&](QList<CustomFolderNode> &roots) {
                return TemplateTree::move(roots, id, parent, row);
            });
        },
        Qt::QueuedConnection);
    connect(
        m_model, &TemplateTreeModel::filesDropped, this,
        [this](const QStringList &paths, const QUuid &folder) { addFiles(paths, folder); },
        Qt::QueuedConnection);

    treeAction(QStringLiteral("Submap"), QKeySequence(Qt::CTRL | Qt::Key_N),
               [this] { addSubfolder(); });
    treeAction(QStringLiteral("Map ernaast"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N),
               [this] { addSibling(); });
    treeAction(QStringLiteral("Bestand toevoegen…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A),
               [this] { addFilesFromDialog(); });
    treeAction(QStringLiteral("Hernoem"), QKeySequence(Qt::Key_F2), [this] { renameCurrent(); });
    treeAction(QStringLiteral("Verwijder"), QKeySequence::Delete, [this] { deleteCurrent(); });
    treeAction(QStringLiteral("Omhoog"), QKeySequence(Qt::CTRL | Qt::Key_Up),
               [this] { shiftCurrent(-1); });
    treeAction(QStringLiteral("Omlaag"), QKeySequence(Qt::CTRL | Qt::Key_Down),
               [this] { shiftCurrent(1); });
    treeAction(QStringLiteral("Niveau hoger"), QKeySequence(Qt::CTRL | Qt::Key_Left),
               [this] { outdentCurrent(); });
    treeAction(QStringLiteral("Niveau lager"), QKeySequence(Qt::CTRL | Qt::Key_Right),
               [this] { indentCurrent(); });
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TemplateEditorWindow::refreshState);
    column->addWidget(m_tree, 1);

    m_addFile = SettingsStyle::formButton(QStringLiteral("Bestand toevoegen…"), 11);
    m_addFile->setObjectName(QStringLiteral("addTemplateFile"));
    const QString addTip =
        QStringLiteral("Bestand in de gekozen map (Ctrl+Shift+A); je kunt ook bestanden op een map"
                       " slepen");
    m_addFile->setToolTip(addTip);
    m_addFile->setAccessibleDescription(addTip);
    connect(m_addFile, &QPushButton::clicked, this, &TemplateEditorWindow::addFilesFromDialog);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(m_addFile);
    fileRow->addStretch(1);
    column->addLayout(fileRow);
    m_render = new ToggleSwitch(QStringLiteral("Vul velden in de inhoud in"));
    m_render->setObjectName(QStringLiteral("renderTemplateFile"));
    m_render->setFont(Style::uiFont(11));
    // Dimmed while it cannot be turned on, as the save button.
    m_renderOpacity = new QGraphicsOpacityEffect(m_render);
    m_render->setGraphicsEffect(m_renderOpacity);
    connect(m_render, &QAbstractButton::clicked, this, [this](bool on) {
        if (!setRenderCurrent(on))
            refreshState();
    });
    column->addWidget(m_render);
    return holder;
}

QAction *TemplateEditorWindow::treeAction(const QString &text, const QKeySequence &key,
                                          const std::function<void()> &run)
{
    auto *action = new QAction(text, m_tree);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WidgetShortcut);
    connect(action, &QAction::triggered, this, run);
    m_tree->addAction(action);
    return action;
}

QWidget *TemplateEditorWindow::buildPreviewColumn()
{
    auto *holder = new QWidget;
    holder->setMinimumWidth(230);
    auto *column = new QVBoxLayout(holder);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    column->addWidget(Style::sectionLabel(QStringLiteral("Voorbeeld")));
    m_preview = new QTreeWidget;
    m_preview->setObjectName(QStringLiteral("templatePreview"));
    m_preview->setAccessibleName(QStringLiteral("Voorbeeld"));
    m_preview->setAccessibleDescription(QStringLiteral("De projectmap met voorbeeldwaarden"));
    m_preview->setHeaderHidden(true);
    m_preview->setFont(Style::uiFont(12));
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    column->addWidget(m_preview, 1);
    return holder;
}

QWidget *TemplateEditorWindow::buildBar()
{
    auto *bar = new QFrame;
    bar->setObjectName(QStringLiteral("templateEditorBar"));
    bar->setStyleSheet(
        QStringLiteral("QFrame#templateEditorBar { background: %1; }").arg(Style::css(bpCard)));
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(16, 10, 16, 10);
    row->setSpacing(10);
    m_undoButton = SettingsStyle::formButton(QStringLiteral("Ongedaan maken"), 11);
    m_undoButton->setToolTip(QStringLiteral("Ctrl+Z"));
    connect(m_undoButton, &QPushButton::clicked, &m_undo, &QUndoStack::undo);
    row->addWidget(m_undoButton);
    m_redoButton = SettingsStyle::formButton(QStringLiteral("Opnieuw"), 11);
    m_redoButton->setToolTip(QStringLiteral("Ctrl+Shift+Z"));
    connect(m_redoButton, &QPushButton::clicked, &m_undo, &QUndoStack::redo);
    row->addWidget(m_redoButton);
    m_message = Style::label(QString(), 11, QFont::Normal, bpRed);
    m_message->setObjectName(QStringLiteral("templateEditorMessage"));
    m_message->setWordWrap(true);
    row->addWidget(m_message, 1);
    m_save = new QPushButton(QStringLiteral("Bewaar"));
    m_save->setObjectName(QStringLiteral("saveTemplateButton"));
    GoldButtonStyle::apply(m_save);
    m_save->setAutoDefault(true);
    m_save->setCursor(Qt::PointingHandCursor);
    // Dimmed while saving is refused, as the setup window's create button.
    m_saveOpacity = new QGraphicsOpacityEffect(m_save);
    m_save->setGraphicsEffect(m_saveOpacity);
    connect(m_save, &QPushButton::clicked, this, &TemplateEditorWindow::save);
    row->addWidget(m_save);
    return bar;
}

QUuid TemplateEditorWindow::currentId() const
{
    return m_model->idOf(m_tree->currentIndex());
}

void TemplateEditorWindow::selectFolder(const QUuid &id)
{
    const QModelIndex index = m_model->indexForId(id);
    if (!index.isValid())
        return;
    m_tree->setCurrentIndex(index);
    m_tree->scrollTo(index);
}

void TemplateEditorWindow::restoreExpansion()
{
    m_restoring = true;
    m_tree->expandAll();
    for (const QUuid &id : std::as_const(m_collapsed))
        if (const QModelIndex index = m_model->indexForId(id); index.isValid())
            m_tree->collapse(index);
    m_restoring = false;
}

void TemplateEditorWindow::record(const CustomTemplate &changed, const QUuid &select,
                                  const QString &what, int mergeId, bool namesAdded)
{
    if (changed == m_template)
        return;
    m_notice.reset();
    auto *step = new Snapshot(this, m_template, currentId(), changed, select, what, mergeId);
    step->m_names = namesAdded;
    m_undo.push(step);
}

void TemplateEditorWindow::editTree(const QString &what, const QUuid &select,
                                    const std::function<bool(QList<CustomFolderNode> &)> &change,
                                    int mergeId)
{
    m_justAdded = QUuid();
    CustomTemplate changed = m_template;
    if (change(changed.roots))
        record(changed, select, what, mergeId);
}

void TemplateEditorWindow::present(const CustomTemplate &shown, const QUuid &select)
{
    // Undo restores what was edited, never which stored template this is.
    CustomTemplate t = shown;
    t.id = m_template.id;
    t.createdAt = m_template.createdAt;
    t.icon = m_template.icon;
    const bool treeChanged = t.roots != m_template.roots;
    m_template = std::move(t);
    if (treeChanged) {
        m_model->setRoots(m_template.roots);
        restoreExpansion();
    }
    if (!select.isNull())
        selectFolder(select);
    if (!m_tree->currentIndex().isValid() && m_model->rowCount() > 0)
        m_tree->setCurrentIndex(m_model->index(0, 0));
    if (m_name->text() != m_template.name)
        m_name->setText(m_template.name);
    if (m_fields->fields() != m_template.fields)
        m_fields->setFields(m_template.fields);
    if (m_fields->pattern() != m_template.projectNamePattern)
        m_fields->setPattern(m_template.projectNamePattern);
    revalidate();
    m_previewTimer->start();
    refreshState();
}

void TemplateEditorWindow::revalidate()
{
    const CustomTemplate shown = live();
    const TokenValues sample = sampleValues(shown);
    const QSet<QString> keys = fieldKeysOf(shown);
    QStringList problems;
    if (shown.name.trimmed().isEmpty())
        problems << QStringLiteral("Geef de template een naam");
    // The fields editor words its own: the definitions, then the project folder's pattern.
    if (std::optional<QString> problem = m_fields->problem())
        problems << *problem;

    QHash<QUuid, FolderRemark> remarks;
    const auto safeKey = [](const QString &name) {
        return PathComponent::makeSafe(name).text.toCaseFolded();
    };
    const auto note = [&](const QUuid &row, const QString &name, std::optional<FolderRemark> remark,
                          const QString &same) {
        if (!same.isEmpty())
            remark = FolderRemark{
                remark && remark->error ? remark->text + QStringLiteral("; ") + same : same, true};
        if (remark) {
            if (remark->error)
                problems << quoted(name) + QStringLiteral(": ") + remark->text;
            remarks.insert(row, *remark);
        }
    };
    // Folders and files of one folder share its names.
    const std::function<void(const CustomFolderNode *, const QList<CustomFolderNode> &)> visit =
        [&](const CustomFolderNode *parent, const QList<CustomFolderNode> &nodes) {
            const QList<TemplateFile> noFiles;
            const QList<TemplateFile> &files = parent ? parent->files : noFiles;
            QHash<QString, int> folderNames;
            QHash<QString, int> fileNames;
            for (const CustomFolderNode &node : nodes)
                ++folderNames[safeKey(node.name)];
            for (const TemplateFile &file : files)
                ++fileNames[safeKey(file.name)];
            const auto sameText = [&](const QString &name) {
                const int asFile = fileNames.value(safeKey(name));
                if (folderNames.value(safeKey(name)) + asFile <= 1)
                    return QString();
                return asFile == 0 ? QStringLiteral("Zelfde naam als een andere map hier")
                                   : QStringLiteral("Zelfde naam als een andere map of een ander"
                                                    " bestand hier");
            };
            for (const CustomFolderNode &node : nodes) {
                note(node.id, node.name, remarkOnFolder(node.name, sample, keys),
                     sameText(node.name));
                visit(&node, node.children);
            }
            for (int i = 0; i < files.size(); ++i) {
                std::optional<FolderRemark> remark =
                    remarkOnFolder(files[i].name, sample, keys, true);
                // An undo can bring back a file a save since has let go.
                if (!QFileInfo(sourcePath(files[i])).isFile() && !(remark && remark->error))
                    remark = FolderRemark{QStringLiteral("Het bestand is er niet meer"), true};
                note(TemplateTree::fileRowId(parent->id, i), files[i].name, remark,
                     sameText(files[i].name));
            }
        };
    visit(nullptr, m_template.roots);
    if (Result<void> depth = CustomTemplateJson::checkFolders(m_template.roots);
        !depth && depth.error().kind == Error::Kind::foldersTooDeep)
        problems << QStringLiteral("Meer dan %1 niveaus").arg(CustomTemplateJson::maxFolderDepth);
    m_model->setRemarks(remarks);
    m_problems = problems;
}

CustomTemplate TemplateEditorWindow::live() const
{
    CustomTemplate shown = m_template;
    shown.fields = m_fields->fields();
    shown.projectNamePattern = m_fields->pattern();
    return shown;
}

void TemplateEditorWindow::refreshPreview()
{
    const CustomTemplate shown = live();
    const ProjectPlan plan = ProjectPlan::forTemplate(shown);
    const Fields::Resolved fields = plan.resolveFields({});
    const RenderedProject project =
        plan.render(sampleName, QDate::currentDate(), sampleNumber, fields.values);
    const QSet<QString> keys = fieldKeysOf(shown);

    m_preview->setUpdatesEnabled(false);
    m_preview->clear();
    auto *root = new QTreeWidgetItem(m_preview);
    root->setText(0, project.folder.ok() ? project.folder.text : plan.projectPattern().text());
    const QIcon icon = SymbolIcons::icon(QStringLiteral("folder.fill"), bpBlue, 12);
    root->setIcon(0, icon);
    markItem(root, remarkOn(project.folder, keys));
    const QIcon fileIcon = SymbolIcons::icon(QStringLiteral("doc"), bpBlue, 12);
    size_t note = 0;
    size_t fileNote = 0;
    const std::function<void(QTreeWidgetItem *, const QList<FolderNode> &)> add =
        [&](QTreeWidgetItem *parent, const QList<FolderNode> &nodes) {
            for (const FolderNode &node : nodes) {
                auto *item = new QTreeWidgetItem(parent);
                item->setText(0, node.name);
                item->setIcon(0, icon);
                if (note < project.notes.size()) {
                    const FolderNote &n = project.notes[note];
                    markItem(item, remarkOn({node.name, n.changes, n.problems}, keys));
                }
                ++note;
                // File notes come folder by folder in the order folders are counted.
                size_t fileAt = std::exchange(fileNote, fileNote + size_t(node.files.size()));
                add(item, node.children);
                for (const PlannedFile &file : node.files) {
                    auto *fileItem = new QTreeWidgetItem(item);
                    fileItem->setText(0, file.name);
                    fileItem->setIcon(0, fileIcon);
                    fileItem->setData(0, Qt::AccessibleTextRole,
                                      QStringLiteral("Bestand: ") + file.name);
                    if (fileAt < project.fileNotes.size()) {
                        const FolderNote &n = project.fileNotes[fileAt];
                        markItem(fileItem, remarkOn({file.name, n.changes, n.problems}, keys));
                    }
                    ++fileAt;
                }
            }
        };
    add(root, project.tree);
    m_preview->expandAll();
    // Current but not selected, so an unresolved name keeps its colour.
    m_preview->setCurrentItem(root, 0, QItemSelectionModel::NoUpdate);
    m_preview->setUpdatesEnabled(true);
}

bool TemplateEditorWindow::hasUnsavedEdits() const
{
    return live() != m_saved;
}

bool TemplateEditorWindow::isStored() const
{
    const QList<CustomTemplate> &stored = m_store.templates();
    return !m_template.id.isNull() &&
           std::any_of(stored.cbegin(), stored.cend(),
                       [this](const CustomTemplate &t) { return t.id == m_template.id; });
}

QString TemplateEditorWindow::message() const
{
    if (m_typing) {
        const CustomTemplate shown = live();
        const std::optional<FolderRemark> remark =
            remarkOnFolder(*m_typing, sampleValues(shown), fieldKeysOf(shown), m_typingFile);
        return remark ? remark->text : QString();
    }
    if (m_notice)
        return *m_notice;
    if (m_problems.isEmpty())
        return {};
    if (m_problems.size() == 1)
        return m_problems.first();
    return m_problems.first() + QStringLiteral(" (en nog %1)").arg(m_problems.size() - 1);
}

void TemplateEditorWindow::refreshState()
{
    const bool hasCurrent = m_tree->currentIndex().isValid();
    m_delete->setEnabled(hasCurrent);
    const std::optional<TemplateTree::FileRef> file = currentFile();
    const TemplateFile *current = file ? TemplateTree::findFile(m_template.roots, *file) : nullptr;
    const std::optional<QString> refusal =
        !current          ? std::optional<QString>(QStringLiteral("Kies eerst een bestand"))
        : current->render ? std::nullopt
                          : renderRefusal(*current);
    m_render->setChecked(current && current->render);
    m_render->setEnabled(!refusal);
    m_renderOpacity->setOpacity(refusal ? 0.35 : 1.0);
    const QString renderTip =
        refusal ? *refusal
                : QStringLiteral("De tokens en velden in de tekst worden per project ingevuld");
    m_render->setToolTip(renderTip);
    m_render->setAccessibleDescription(renderTip);
    m_undoButton->setEnabled(m_undo.canUndo());
    m_redoButton->setEnabled(m_undo.canRedo());
    const bool canSave = m_problems.isEmpty() && !m_saving && (hasUnsavedEdits() || !isStored());
    m_save->setEnabled(canSave);
    m_saveOpacity->setOpacity(canSave ? 1.0 : 0.35);
    const QString reason = m_problems.isEmpty()
                               ? QString()
                               : QStringLiteral("Kan niet bewaren: ") + m_problems.first();
    m_save->setToolTip(reason);
    m_save->setAccessibleDescription(reason);
    const QString text = message();
    const bool good = m_notice && !m_typing && text == *m_notice &&
                      m_notice->startsWith(QStringLiteral("Bewaard"));
    Style::setLabelColor(m_message, good ? bpText : bpRed, good ? 0.7 : 1.0);
    m_message->setText(text);
    m_message->setAccessibleName(text);
}

void TemplateEditorWindow::addSubfolder()
{
    const QUuid parent = currentFolder();
    CustomFolderNode node{
        QUuid::createUuid(), TemplateTree::freeName(m_template.roots, parent, newFolder), {}};
    const QUuid id = node.id;
    m_collapsed.remove(parent);
    editTree(
        QStringLiteral("Submap"), id,
        [&](QList<CustomFolderNode> &roots) {
            return TemplateTree::insert(roots, parent, -1, node);
        },
        addMergeId);
    m_justAdded = id;
    renameCurrent();
}

void TemplateEditorWindow::addSibling()
{
    const std::optional<TemplateTree::Place> place =
        TemplateTree::placeOf(m_template.roots, currentId());
    // Beside a file is in its folder.
    const std::optional<TemplateTree::FileRef> file = currentFile();
    const QUuid parent = file ? file->folder : place ? place->parent : QUuid();
    CustomFolderNode node{
        QUuid::createUuid(), TemplateTree::freeName(m_template.roots, parent, newFolder), {}};
    const QUuid id = node.id;
    editTree(
        QStringLiteral("Map ernaast"), id,
        [&](QList<CustomFolderNode> &roots) {
            return TemplateTree::insert(roots, parent, place ? place->row + 1 : -1, node);
        },
        addMergeId);
    m_justAdded = id;
    renameCurrent();
}

void TemplateEditorWindow::renameCurrent()
{
    if (m_tree->currentIndex().isValid())
        m_tree->edit(m_tree->currentIndex());
}

void TemplateEditorWindow::deleteCurrent()
{
    if (const std::optional<TemplateTree::FileRef> file = currentFile()) {
        // Then the next file, else the one before, else its folder.
        const int count = int(TemplateTree::find(m_template.roots, file->folder)->files.size());
        const QUuid next =
            count > 1 ? TemplateTree::fileRowId(file->folder, std::min(file->index, count - 2))
                      : file->folder;
        editTree(QStringLiteral("Verwijder"), next, [&](QList<CustomFolderNode> &roots) {
            return TemplateTree::removeFile(roots, *file);
        });
        return;
    }
    const QUuid id = currentId();
    const std::optional<TemplateTree::Place> place = TemplateTree::placeOf(m_template.roots, id);
    if (!place)
        return;
    // Then the next folder, else the one before, else the parent.
    const CustomFolderNode *parent = TemplateTree::find(m_template.roots, place->parent);
    const QList<CustomFolderNode> &siblings = parent ? parent->children : m_template.roots;
    QUuid next = place->parent;
    if (place->row + 1 < siblings.size())
        next = siblings[place->row + 1].id;
    else if (place->row > 0)
        next = siblings[place->row - 1].id;
    editTree(QStringLiteral("Verwijder"), next,
             [&](QList<CustomFolderNode> &roots) { return TemplateTree::remove(roots, id); });
}

void TemplateEditorWindow::shiftCurrent(int by)
{
    if (const std::optional<TemplateTree::FileRef> file = currentFile()) {
        const int to = file->index + by;
        if (to < 0 || !TemplateTree::findFile(m_template.roots, {file->folder, to}))
            return;
        moveFileTo(*file, file->folder, by < 0 ? to : to + 1);
        return;
    }
    const QUuid id = currentId();
    editTree(by < 0 ? QStringLiteral("Omhoog") : QStringLiteral("Omlaag"), id,
             [&](QList<CustomFolderNode> &roots) { return TemplateTree::shift(roots, id, by); });
}

void TemplateEditorWindow::outdentCurrent()
{
    if (const std::optional<TemplateTree::FileRef> file = currentFile()) {
        // Into the folder above its own; a file has no place at the top.
        if (const std::optional<TemplateTree::Place> place =
                TemplateTree::placeOf(m_template.roots, file->folder))
            moveFileTo(*file, place->parent, -1);
        return;
    }
    const QUuid id = currentId();
    editTree(QStringLiteral("Niveau hoger"), id,
             [&](QList<CustomFolderNode> &roots) { return TemplateTree::outdent(roots, id); });
}

void TemplateEditorWindow::indentCurrent()
{
    if (const std::optional<TemplateTree::FileRef> file = currentFile()) {
        // Into the last subfolder, the folder row just above the files.
        const CustomFolderNode *folder = TemplateTree::find(m_template.roots, file->folder);
        if (!folder->children.isEmpty()) {
            m_collapsed.remove(folder->children.last().id);
            moveFileTo(*file, folder->children.last().id, -1);
        }
        return;
    }
    const QUuid id = currentId();
    if (std::optional<TemplateTree::Place> place = TemplateTree::placeOf(m_template.roots, id);
        place && place->row > 0) {
        const CustomFolderNode *parent = TemplateTree::find(m_template.roots, place->parent);
        m_collapsed.remove((parent ? parent->children : m_template.roots)[place->row - 1].id);
    }
    editTree(QStringLiteral("Niveau lager"), id,
             [&](QList<CustomFolderNode> &roots) { return TemplateTree::indent(roots, id); });
}

void TemplateEditorWindow::save()
{
    // A line of the fields editor still being typed in is part of what is saved.
    if (const CustomTemplate shown = live(); shown != m_template)
        record(shown, currentId(), QStringLiteral("Velden"));
    if (!m_problems.isEmpty() || m_saving)
        return;
    if (m_template.id.isNull())
        m_template.id = QUuid::createUuid();
    if (!m_template.createdAt.isValid())
        m_template.createdAt = QDateTime::currentDateTimeUtc();
    if (m_template.icon.isEmpty())
        m_template.icon = CustomTemplateStore::savedIcon;
    // Files added since the last save are copied in now; the stored template names the copies.
    Result<CustomTemplate> withFiles = TemplateFiles::storeAll(m_template);
    if (!withFiles) {
        m_closeAfterSave = false;
        m_notice = QStringLiteral("Bewaren mislukt: ") + ErrorText::dutch(withFiles.error());
        refreshState();
        return;
    }
    m_template = std::move(withFiles).value();
    const CustomTemplate saving = m_template;
    m_saving = true;
    refreshState();
    whenFinished(m_store.putLater(saving), this, [this, saving](const Result<void> &stored) {
        m_saving = false;
        if (stored) {
            m_saved = saving;
            m_notice = QStringLiteral("Bewaard");
            Q_EMIT saved(saving.id);
        } else {
            m_closeAfterSave = false;
            m_notice = QStringLiteral("Bewaren mislukt: ") + ErrorText::dutch(stored.error());
        }
        refreshState();
        if (std::exchange(m_closeAfterSave, false))
            close();
    });
}

QAbstractButton *TemplateEditorWindow::renderToggle() const
{
    return m_render;
}

std::optional<TemplateTree::FileRef> TemplateEditorWindow::currentFile() const
{
    return m_model->fileOf(currentId());
}

QUuid TemplateEditorWindow::currentFolder() const
{
    const std::optional<TemplateTree::FileRef> file = currentFile();
    return file ? file->folder : currentId();
}

QString TemplateEditorWindow::sourcePath(const TemplateFile &file) const
{
    if (QDir::isAbsolutePath(file.source))
        return file.source;
    return QDir(TemplateFiles::folderOf(m_template)).filePath(file.source);
}

std::optional<QString> TemplateEditorWindow::renderRefusal(const TemplateFile &file) const
{
    const QFileInfo info(sourcePath(file));
    const QString key = info.absoluteFilePath() + QLatin1Char('\n') + QString::number(info.size()) +
                        QLatin1Char('\n') +
                        QString::number(info.lastModified().toMSecsSinceEpoch());
    auto it = m_textChecks.constFind(key);
    if (it == m_textChecks.constEnd())
        it = m_textChecks.insert(key, textProblem(info.absoluteFilePath()));
    return *it;
}

void TemplateEditorWindow::editFile(
    const QString &what,
    const std::function<std::optional<TemplateTree::FileRef>(QList<CustomFolderNode> &)> &change)
{
    m_justAdded = QUuid();
    CustomTemplate changed = m_template;
    if (const std::optional<TemplateTree::FileRef> now = change(changed.roots))
        record(changed, TemplateTree::fileRowId(now->folder, now->index), what);
}

void TemplateEditorWindow::moveFileTo(const TemplateTree::FileRef &file, const QUuid &folder,
                                      int row)
{
    editFile(QStringLiteral("Verplaats"), [&](QList<CustomFolderNode> &roots) {
        return TemplateTree::moveFile(roots, file, folder, row);
    });
}

void TemplateEditorWindow::addFiles(const QStringList &paths, const QUuid &folder)
{
    const QUuid into = folder.isNull() ? currentFolder() : folder;
    const CustomFolderNode *node = TemplateTree::find(m_template.roots, into);
    if (!node)
        return;
    QList<TemplateFile> files;
    bool skipped = false;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        // The name is a pattern: braces in it stay braces.
        QString name = info.fileName();
        name.replace(QLatin1Char('{'), QStringLiteral("{{"))
            .replace(QLatin1Char('}'), QStringLiteral("}}"));
        if (info.isFile())
            files.append({name, info.absoluteFilePath(), false});
        else
            skipped = true;
    }
    const int first = int(node->files.size());
    m_collapsed.remove(into);
    editFile(QStringLiteral("Bestand toevoegen"), [&](QList<CustomFolderNode> &roots) {
        return TemplateTree::insertFiles(roots, into, -1, files)
                   ? std::optional<TemplateTree::FileRef>({into, first})
                   : std::nullopt;
    });
    if (skipped) {
        m_notice = QStringLiteral("Alleen bestanden kunnen erin, geen mappen");
        refreshState();
    }
}

void TemplateEditorWindow::addFilesFromDialog()
{
    if (TemplateTree::find(m_template.roots, currentFolder()) == nullptr) {
        m_notice = QStringLiteral("Kies eerst een map voor het bestand");
        refreshState();
        return;
    }
    const QStringList paths =
        QFileDialog::getOpenFileNames(this, QStringLiteral("Bestand toevoegen"), QDir::homePath());
    addFiles(paths);
}

bool TemplateEditorWindow::setRenderCurrent(bool on)
{
    const std::optional<TemplateTree::FileRef> file = currentFile();
    const TemplateFile *current = file ? TemplateTree::findFile(m_template.roots, *file) : nullptr;
    if (!current || (on && !current->render && renderRefusal(*current)))
        return false;
    editFile(on ? QStringLiteral("Vul velden in") : QStringLiteral("Vul geen velden in"),
             [&](QList<CustomFolderNode> &roots) {
                 TemplateTree::setRender(roots, *file, on);
                 return file;
             });
    return true;
}

TemplateEditorWindow::CloseAnswer TemplateEditorWindow::askOnClose(QWidget *parent)
{
    QMessageBox box(parent);
    Style::applyDarkPalette(&box);
    box.setWindowTitle(QStringLiteral("Template bewerken"));
    box.setIcon(QMessageBox::Question);
    box.setText(QStringLiteral("Wijzigingen bewaren?"));
    box.setInformativeText(QStringLiteral("Anders gaan je wijzigingen verloren."));
    QPushButton *save = box.addButton(QStringLiteral("Bewaar"), QMessageBox::AcceptRole);
    QPushButton *discard =
        box.addButton(QStringLiteral("Niet bewaren"), QMessageBox::DestructiveRole);
    QPushButton *cancel = box.addButton(QStringLiteral("Annuleer"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save)
        return CloseAnswer::save;
    return box.clickedButton() == discard ? CloseAnswer::discard : CloseAnswer::cancel;
}

void TemplateEditorWindow::closeEvent(QCloseEvent *event)
{
    if (!hasUnsavedEdits() || m_saving) {
        if (m_saving) {
            m_closeAfterSave = true;
            event->ignore();
        }
        return;
    }
    switch (m_askOnClose(this)) {
    case CloseAnswer::discard:
        return;
    case CloseAnswer::cancel:
        event->ignore();
        return;
    case CloseAnswer::save:
        event->ignore();
        if (!m_problems.isEmpty()) {
            refreshState();
            return;
        }
        m_closeAfterSave = true;
        save();
        return;
    }
}

bool TemplateEditorWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The name field's own undo would leave the window's steps out of order.
    if (watched == m_name && event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
            key->keyCombination() == QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Z)) {
            event->ignore();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace bp

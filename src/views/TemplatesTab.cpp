#include "views/TemplatesTab.h"

#include "model/FileSystem.h"
#include "model/ProjectConfig.h"
#include "model/TemplateEngine.h"
#include "model/TemplateFiles.h"
#include "model/WhenFinished.h"
#include "stores/CustomTemplateStore.h"
#include "stores/SharedTemplateLibrary.h"
#include "stores/TemplateArchive.h"
#include "views/AccessibleRole.h"
#include "views/ErrorText.h"
#include "views/FolderDialog.h"
#include "views/GoldOutlineButtonStyle.h"
#include "views/KeyboardNavigation.h"
#include "views/SettingsStyle.h"
#include "views/Style.h"
#include "views/SymbolIcons.h"
#include "views/TemplateEditorModel.h"
#include "views/TemplateEditorWindow.h"
#include "views/WrappingLabel.h"

#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QtConcurrentRun>

#include <algorithm>
#include <utility>

namespace bp {
namespace {

constexpr int rowPadH = 12;
constexpr int rowPadV = 6;
constexpr int iconSide = 14;
constexpr int iconGap = 8;

const QString exportFailed = QStringLiteral("Export mislukt: ");
const QString importFailed = QStringLiteral("Import mislukt: ");
const QString deleteFailed = QStringLiteral("Verwijderen mislukt: ");
// Why in detail is English and for the command line ("brindlepath templates list").
const QString unreadableTemplates = QStringLiteral("Opgeslagen templates niet leesbaar");
const QString keptAs = QStringLiteral("Onleesbare templates bewaard als ");
const QString filesLeftOut = QStringLiteral(
    "Bestanden van templates gaan niet mee in JSON; exporteer een template apart als .bptemplate.");

bool isArchive(const QString &path)
{
    return path.endsWith(u'.' + TemplateArchive::suffix, Qt::CaseInsensitive);
}

// One row of a list section: the symbol, then the name and whatever follows it. Every other
// row is a shade lighter.
class ListRow final : public QWidget {
public:
    ListRow(const QString &symbol, const QString &name, bool alternate)
        : m_symbol(symbol), m_alternate(alternate)
    {
        auto *row = new QHBoxLayout(this);
        row->setContentsMargins(rowPadH + iconSide + iconGap, rowPadV, rowPadH, rowPadV);
        row->setSpacing(8);
        setAccessibleRole(this, QAccessible::ListItem);
        setAccessibleName(name);
        QLabel *label = Style::label(name, 13, QFont::Normal, bpText);
        label->setObjectName(QStringLiteral("templateName"));
        row->addWidget(label, 1);
    }

    void addTrailing(QWidget *widget)
    {
        static_cast<QHBoxLayout *>(layout())->addWidget(widget, 0, Qt::AlignVCenter);
    }
    void setEnds(bool first, bool last)
    {
        m_first = first;
        m_last = last;
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (m_alternate) {
            // Round only the corners the card rounds.
            const QRectF r(rect());
            QPainterPath shape;
            shape.addRoundedRect(r.adjusted(0, m_first ? 0 : -10, 0, m_last ? 0 : 10), 7, 7);
            p.setClipRect(r);
            p.fillPath(shape, Style::withAlpha(bpText, 0.03));
            p.setClipping(false);
        }
        const QRectF icon(rowPadH, (height() - iconSide) / 2.0, iconSide, iconSide);
        SymbolIcons::paint(p, icon, m_symbol, Style::withAlpha(bpText, 0.85));
    }

private:
    QString m_symbol;
    bool m_alternate;
    bool m_first = false;
    bool m_last = false;
};

// The list's own dark ground. Painted here: the scroll area would fill it from the palette,
// which the desktop theme can reach.
class ListGround final : public QWidget {
protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), bpDark); }
};

QLabel *badge(const QString &text)
{
    QLabel *label = Style::label(text, 10, QFont::Normal, bpText, 0.35);
    label->setObjectName(QStringLiteral("badge"));
    const int height = QFontMetrics(label->font()).height() + 4;
    label->setStyleSheet(QStringLiteral("color: %1; background: %2; border-radius: %3px;"
                                        " padding: 2px 6px;")
                             .arg(Style::css(bpText, 0.35), Style::css(bpBorder))
                             .arg(height / 2));
    return label;
}

QFrame *listCard(QVBoxLayout *&rows)
{
    QFrame *card = SettingsStyle::sectionCard();
    rows = new QVBoxLayout(card);
    rows->setContentsMargins(1, 1, 1, 1);
    rows->setSpacing(0);
    return card;
}

void markEnds(QVBoxLayout *rows)
{
    const int count = rows->count();
    for (int i = 0; i < count; ++i)
        if (auto *row = dynamic_cast<ListRow *>(rows->itemAt(i)->widget()))
            row->setEnds(i == 0, i == count - 1);
}

} // namespace

TemplatesTab::TemplatesTab(CustomTemplateStore &store, QWidget *parent)
    : QWidget(parent), m_store(store), m_saveLocation(&TemplatesTab::runSaveDialog),
      m_openLocation(&TemplatesTab::runOpenDialog), m_openEditor(&TemplatesTab::runEditor)
{
    setObjectName(QStringLiteral("templatesTab"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buildList(), 1);
    column->addWidget(buildBar());
    connect(&m_store, &CustomTemplateStore::templatesChanged, this, [this] {
        rebuildCustomRows();
        rebuildSharedRows();
        fillNewMenu();
        refreshMessage();
    });
    connect(&m_store, &CustomTemplateStore::unreadableKept, this, [this](const QString &copy) {
        m_keptNotice = keptAs + copy;
        refreshMessage();
    });
    rebuildCustomRows();
    rebuildSharedRows();
    fillNewMenu();
    refreshMessage();
}

QWidget *TemplatesTab::buildList()
{
    m_list = new QScrollArea;
    m_list->setObjectName(QStringLiteral("templateList"));
    // Its rows are the list's items; Tab goes to its buttons, and the list follows them.
    setAccessibleRole(m_list, QAccessible::List);
    m_list->setAccessibleName(QStringLiteral("Templates"));
    m_list->setWidgetResizable(true);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setStyleSheet(QStringLiteral("QScrollArea#templateList { border: 1px solid transparent;"
                                         " border-radius: 6px; }"));
    scrollToFocus(m_list);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *content = new ListGround;
    content->setObjectName(QStringLiteral("templateListContent"));
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(14, 12, 14, 12);
    column->setSpacing(6);

    column->addWidget(SettingsStyle::sectionHeader(QStringLiteral("Ingebakken")));
    QVBoxLayout *builtIn = nullptr;
    QFrame *builtInCard = listCard(builtIn);
    int index = 0;
    for (PlatformTemplate platform : allPlatformTemplates) {
        auto *row = new ListRow(icon(platform), displayName(platform), index++ % 2 == 1);
        row->setObjectName(QStringLiteral("builtInRow"));
        row->addTrailing(badge(QStringLiteral("Ingebakken")));
        builtIn->addWidget(row);
    }
    markEnds(builtIn);
    column->addWidget(builtInCard);

    m_customSection = new QWidget;
    m_customSection->setObjectName(QStringLiteral("customSection"));
    auto *custom = new QVBoxLayout(m_customSection);
    custom->setContentsMargins(0, 8, 0, 0);
    custom->setSpacing(6);
    custom->addWidget(SettingsStyle::sectionHeader(QStringLiteral("Eigen templates")));
    custom->addWidget(listCard(m_customRows));
    column->addWidget(m_customSection);

    m_sharedSection = new QWidget;
    m_sharedSection->setObjectName(QStringLiteral("sharedSection"));
    auto *shared = new QVBoxLayout(m_sharedSection);
    shared->setContentsMargins(0, 8, 0, 0);
    shared->setSpacing(6);
    shared->addWidget(SettingsStyle::sectionHeader(QStringLiteral("Gedeelde templates")));
    // Where the studio's templates are: a share or a synced folder, chosen like any folder.
    QFrame *folderCard = SettingsStyle::sectionCard();
    auto *folderRow = new QHBoxLayout(folderCard);
    folderRow->setContentsMargins(12, 8, 12, 8);
    folderRow->setSpacing(8);
    m_sharedField = new QLineEdit;
    m_sharedField->setObjectName(QStringLiteral("sharedFolderField"));
    m_sharedField->setPlaceholderText(QStringLiteral("Geen map ingesteld"));
    m_sharedField->setAccessibleName(QStringLiteral("Map met gedeelde templates"));
    m_sharedField->setFont(Style::uiFont(12));
    // It only shows the folder; "Kies…" is the way to change it.
    m_sharedField->setEnabled(false);
    m_sharedField->setStyleSheet(
        Style::fieldSheet(QStringLiteral("QLineEdit"), 5, 3, 6) +
        QStringLiteral("QLineEdit:disabled { color: %1; }").arg(Style::css(bpText, 0.7)));
    folderRow->addWidget(m_sharedField, 1);
    m_sharedChoose = SettingsStyle::formButton(QStringLiteral("Kies…"), 12);
    m_sharedChoose->setObjectName(QStringLiteral("chooseSharedFolderButton"));
    m_sharedChoose->setAccessibleDescription(QStringLiteral("Map met gedeelde templates"));
    connect(m_sharedChoose, &QPushButton::clicked, this, [this] {
        const std::optional<QString> folder = FolderDialog::choose(
            window(), QStringLiteral("Gedeelde templates"), m_sharedField->text());
        if (folder && !folder->isEmpty())
            setSharedFolder(*folder);
    });
    folderRow->addWidget(m_sharedChoose);
    m_sharedRemove = SettingsStyle::formButton(QStringLiteral("Verwijder"), 10);
    m_sharedRemove->setObjectName(QStringLiteral("removeSharedFolderButton"));
    m_sharedRemove->setAccessibleDescription(QStringLiteral("Map met gedeelde templates"));
    m_sharedRemove->setStyleSheet(
        m_sharedRemove->styleSheet() +
        QStringLiteral("QPushButton { color: %1; }").arg(Style::css(bpRed)));
    connect(m_sharedRemove, &QPushButton::clicked, this, [this] {
        if (m_sharedRemove->hasFocus())
            m_sharedChoose->setFocus();
        setSharedFolder(QString());
    });
    folderRow->addWidget(m_sharedRemove);
    shared->addWidget(folderCard);

    auto *hint = new WrappingLabel(bpText);
    hint->setObjectName(QStringLiteral("sharedHint"));
    hint->setFont(Style::uiFont(11));
    m_sharedHint = hint;
    shared->addWidget(m_sharedHint);
    shared->addWidget(listCard(m_sharedRows));
    column->addWidget(m_sharedSection);
    column->addStretch(1);

    m_list->setWidget(content);
    return m_list;
}

QWidget *TemplatesTab::buildBar()
{
    auto *bar = new QFrame;
    bar->setObjectName(QStringLiteral("templateBar"));
    bar->setStyleSheet(
        QStringLiteral("QFrame#templateBar { background: %1; }").arg(Style::css(bpCard)));
    // The message below the buttons, across the whole width: beside them it had room for
    // a few words a line only.
    auto *column = new QVBoxLayout(bar);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(8);
    auto *row = new QHBoxLayout;
    row->setSpacing(12);
    column->addLayout(row);

    m_new = new QPushButton(QStringLiteral("Nieuwe template…"));
    m_new->setObjectName(QStringLiteral("newTemplateButton"));
    GoldOutlineButtonStyle::apply(m_new);
    m_new->setAutoDefault(true);
    m_new->setCursor(Qt::PointingHandCursor);
    // Space or Return opens it; the arrow keys choose where to start from.
    m_newMenu = new QMenu(m_new);
    m_newMenu->setObjectName(QStringLiteral("newTemplateMenu"));
    m_new->setMenu(m_newMenu);
    row->addWidget(m_new, 0, Qt::AlignVCenter);

    m_export = new QPushButton(QStringLiteral("Exporteer templates"));
    m_export->setObjectName(QStringLiteral("exportButton"));
    GoldOutlineButtonStyle::apply(m_export);
    m_export->setAutoDefault(true);
    m_export->setCursor(Qt::PointingHandCursor);
    connect(m_export, &QPushButton::clicked, this, &TemplatesTab::exportTemplates);
    row->addWidget(m_export, 0, Qt::AlignVCenter);

    m_import = new QPushButton(QStringLiteral("Importeer templates"));
    m_import->setObjectName(QStringLiteral("importButton"));
    GoldOutlineButtonStyle::apply(m_import);
    m_import->setAutoDefault(true);
    m_import->setCursor(Qt::PointingHandCursor);
    connect(m_import, &QPushButton::clicked, this, &TemplatesTab::importTemplates);
    row->addWidget(m_import, 0, Qt::AlignVCenter);

    row->addStretch(1);
    auto *message = new WrappingLabel(bpRed);
    message->setObjectName(QStringLiteral("templateMessage"));
    message->setFont(Style::uiFont(10));
    message->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_message = message;
    column->addWidget(m_message);
    return bar;
}

std::optional<QString> TemplatesTab::runSaveDialog(QWidget *parent, const QString &proposedName)
{
    const bool archive = isArchive(proposedName);
    QFileDialog dialog(parent, archive ? QStringLiteral("Exporteer template")
                                       : QStringLiteral("Exporteer templates"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (archive) {
        dialog.setNameFilter(QStringLiteral("Template met bestanden (*.bptemplate)"));
        dialog.setDefaultSuffix(TemplateArchive::suffix);
    } else {
        dialog.setMimeTypeFilters({QStringLiteral("application/json")});
        dialog.setDefaultSuffix(QStringLiteral("json"));
    }
    dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> TemplatesTab::runOpenDialog(QWidget *parent)
{
    QFileDialog dialog(parent, QStringLiteral("Importeer templates"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(
        {QStringLiteral("Templates (*.json *.bptemplate)"), QStringLiteral("Alle bestanden (*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void TemplatesTab::exportTemplates()
{
    clearKeptNotice();
    m_exportNote.reset();
    // A backup that silently lacks templates is worse than none.
    if (m_store.unreadable()) {
        m_exportError = unreadableTemplates;
        refreshMessage();
        return;
    }
    const std::optional<QByteArray> data = m_store.exportAllAsJSON();
    if (!data) {
        m_exportError = QStringLiteral("Geen templates om te exporteren");
        refreshMessage();
        return;
    }
    const std::optional<QString> path = m_saveLocation(window(), exportFileName);
    if (!path || path->isEmpty())
        return;
    const Result<void> written = FileSystem::writeChosenFile(*path, *data);
    if (written)
        m_exportError.reset();
    else
        m_exportError = exportFailed + ErrorText::dutch(written.error());
    for (const CustomTemplate &t : m_store.templates())
        if (written && !TemplateFiles::allFiles(t.roots).isEmpty())
            m_exportNote = filesLeftOut;
    refreshMessage();
}

void TemplatesTab::exportTemplate(const QUuid &id)
{
    clearKeptNotice();
    m_exportNote.reset();
    const auto own = std::find_if(m_store.templates().cbegin(), m_store.templates().cend(),
                                  [&id](const CustomTemplate &t) { return t.id == id; });
    if (own == m_store.templates().cend())
        return;
    const CustomTemplate t = *own;
    const std::optional<QString> path =
        m_saveLocation(window(), t.name + u'.' + TemplateArchive::suffix);
    if (!path || path->isEmpty())
        return;
    // Reading and packing the files may take a while: not on the UI thread.
    whenFinished(QtConcurrent::run([t, file = *path] { return TemplateArchive::write(t, file); }),
                 this, [this](const Result<void> &written) {
                     if (written)
                         m_exportError.reset();
                     else
                         m_exportError = exportFailed + ErrorText::dutch(written.error());
                     refreshMessage();
                 });
}

void TemplatesTab::importTemplates()
{
    clearKeptNotice();
    m_exportNote.reset();
    const std::optional<QString> path = m_openLocation(window());
    if (!path || path->isEmpty())
        return;
    if (isArchive(*path))
        return importArchive(*path);
    const Result<QByteArray> data = FileSystem::readFile(*path);
    if (!data) {
        m_importError = importFailed + ErrorText::dutch(data.error());
        refreshMessage();
        return;
    }
    // The store shows the new templates at once and writes them off the UI thread.
    whenFinished(m_store.importJSONLater(data.value()), this,
                 [this, file = *path](const Result<void> &imported) {
                     if (imported) {
                         m_importError.reset();
                     } else {
                         // A document that cannot be read is about the file the user chose.
                         Error error = imported.error();
                         if (error.path.isEmpty())
                             error.path = file;
                         m_importError = importFailed + ErrorText::dutch(error);
                     }
                     refreshMessage();
                 });
}

void TemplatesTab::importArchive(const QString &path)
{
    QList<QUuid> known;
    for (const CustomTemplate &t : m_store.templates())
        known.append(t.id);
    const auto failed = [this](const Error &error) {
        m_importError = importFailed + ErrorText::dutch(error);
        refreshMessage();
    };
    // Unpacked off the UI thread; the store then shows the template at once.
    whenFinished(
        QtConcurrent::run([path, known] { return TemplateArchive::unpackOwn(path, known); }), this,
        [this, failed](const Result<TemplateArchive::Imported> &unpacked) {
            if (!unpacked)
                return failed(unpacked.error());
            const CustomTemplate &t = unpacked.value().tmpl;
            if (unpacked.value().skipped) {
                m_importError =
                    QStringLiteral("Overgeslagen: \u201c%1\u201d bestaat al").arg(t.name);
                return refreshMessage();
            }
            whenFinished(m_store.putLater(t), this,
                         [this, failed, id = t.id](const Result<void> &put) {
                             if (put) {
                                 m_importError.reset();
                                 return refreshMessage();
                             }
                             (void)TemplateFiles::removeFolder(id);
                             failed(put.error());
                         });
        });
}

void TemplatesTab::deleteTemplate(const QUuid &id)
{
    clearKeptNotice();
    // A failed write puts the row back and says why.
    whenFinished(m_store.removeLater(id), this, [this](const Result<void> &removed) {
        if (removed)
            m_deleteError.reset();
        else
            m_deleteError = deleteFailed + ErrorText::dutch(removed.error());
        refreshMessage();
    });
}

void TemplatesTab::runEditor(CustomTemplateStore &store, const CustomTemplate &draft)
{
    auto *editor = new TemplateEditorWindow(store, draft);
    editor->show();
    editor->raise();
    editor->activateWindow();
}

CustomTemplate TemplatesTab::draftFrom(PlatformTemplate platform)
{
    ProjectConfig config;
    config.platform = platform;
    for (ExtraFlag extra : allExtraFlags)
        config.extras.insert(extra);
    CustomTemplate draft;
    draft.name = displayName(platform);
    draft.icon = CustomTemplateStore::savedIcon;
    for (const FolderNode &node : TemplateEngine::resolve(config))
        draft.roots.append(CustomFolderNode::from(node));
    draft.roots = TemplateTree::withFreshIds(std::move(draft.roots));
    return draft;
}

CustomTemplate TemplatesTab::draftFrom(const CustomTemplate &own)
{
    // A copy is the user's own: its files, named by where they are now, are copied into its
    // own folder when it is saved.
    CustomTemplate draft = TemplateFiles::withAbsoluteSources(own);
    draft.id = QUuid();
    draft.createdAt = QDateTime();
    draft.name = own.name + QStringLiteral(" (kopie)");
    draft.roots = TemplateTree::withFreshIds(std::move(draft.roots));
    return draft;
}

void TemplatesTab::editTemplate(const QUuid &id)
{
    for (const CustomTemplate &t : m_store.templates())
        if (t.id == id)
            return m_openEditor(m_store, t);
}

void TemplatesTab::fillNewMenu()
{
    m_newMenu->clear();
    m_newMenu->addSection(QStringLiteral("Vanuit ingebouwde template"));
    for (PlatformTemplate platform : allPlatformTemplates)
        m_newMenu->addAction(displayName(platform), this,
                             [this, platform] { m_openEditor(m_store, draftFrom(platform)); });
    if (m_store.templates().isEmpty())
        return;
    m_newMenu->addSection(QStringLiteral("Vanuit eigen template"));
    for (const CustomTemplate &t : m_store.templates()) {
        const QUuid id = t.id;
        m_newMenu->addAction(t.name, this, [this, id] {
            for (const CustomTemplate &own : m_store.templates())
                if (own.id == id)
                    return m_openEditor(m_store, draftFrom(own));
        });
    }
    bool sectionAdded = false;
    for (const CustomTemplate &t : m_store.all()) {
        if (!t.shared)
            continue;
        if (!std::exchange(sectionAdded, true))
            m_newMenu->addSection(QStringLiteral("Vanuit gedeelde template"));
        // The copy as it was listed: the share may be gone by the time it is chosen.
        m_newMenu->addAction(t.name, this, [this, t] { m_openEditor(m_store, draftFrom(t)); });
    }
}

void TemplatesTab::setSharedFolder(const QString &folder)
{
    SharedTemplateLibrary *library = m_store.sharedLibrary();
    if (!library)
        return;
    m_sharedField->setText(folder);
    m_sharedRemove->setVisible(!folder.isEmpty());
    whenFinished(library->setFolderLater(folder), this, [this](const Result<void> &stored) {
        m_sharedError = stored ? std::nullopt
                               : std::optional(QStringLiteral("Opslaan mislukt: ") +
                                               ErrorText::dutch(stored.error()));
        refreshMessage();
    });
}

void TemplatesTab::rebuildSharedRows()
{
    const bool copyFocused =
        std::any_of(m_copyButtons.cbegin(), m_copyButtons.cend(),
                    [](const QPushButton *button) { return button->hasFocus(); });
    while (QLayoutItem *item = m_sharedRows->takeAt(0)) {
        if (QWidget *row = item->widget()) {
            row->hide();
            row->deleteLater();
        }
        delete item;
    }
    m_copyButtons.clear();

    const SharedTemplateLibrary *library = m_store.sharedLibrary();
    QStringList hints;
    if (library && library->isOffline())
        hints << QStringLiteral("Gedeelde map niet bereikbaar: ") + library->folder();
    if (library) {
        for (const QString &problem : library->problems())
            hints << QStringLiteral("Niet leesbaar: ") + problem;
    }
    int index = 0;
    for (const CustomTemplate &tmpl : m_store.all()) {
        if (!tmpl.shared)
            continue;
        auto *row = new ListRow(tmpl.icon, tmpl.name, index++ % 2 == 1);
        row->setObjectName(QStringLiteral("sharedRow"));
        row->setAccessibleDescription(QStringLiteral("Gedeeld"));
        auto *copy = new QPushButton(QStringLiteral("Kopieer"));
        copy->setObjectName(QStringLiteral("copyTemplateButton"));
        copy->setAccessibleName(QStringLiteral("Kopieer naar eigen templates"));
        copy->setAccessibleDescription(tmpl.name);
        copy->setToolTip(QStringLiteral("Kopieer naar eigen templates"));
        copy->setFont(Style::uiFont(11));
        copy->setFlat(true);
        copy->setAutoDefault(true);
        copy->setStyleSheet(Style::plainButtonSheet(bpBlue, 0.9));
        copy->setCursor(Qt::PointingHandCursor);
        connect(copy, &QPushButton::clicked, this,
                [this, tmpl] { m_openEditor(m_store, draftFrom(tmpl)); });
        row->addTrailing(badge(QStringLiteral("Gedeeld")));
        row->addTrailing(copy);
        m_sharedRows->addWidget(row);
        m_copyButtons.append(copy);
    }
    markEnds(m_sharedRows);
    const QString folder = library ? library->folder() : QString();
    m_sharedField->setText(folder);
    m_sharedField->setToolTip(folder);
    m_sharedField->setCursorPosition(0);
    m_sharedRemove->setVisible(!folder.isEmpty());
    const QString hint = hints.join(QLatin1Char('\n'));
    m_sharedHint->setText(hint);
    m_sharedHint->setAccessibleName(hint);
    m_sharedHint->setVisible(!hint.isEmpty());
    m_sharedRows->parentWidget()->setVisible(!m_copyButtons.isEmpty());
    m_sharedSection->setVisible(library != nullptr);
    orderFocusChain();
    if (copyFocused)
        (m_copyButtons.isEmpty() ? m_new : m_copyButtons.constFirst())->setFocus();
}

void TemplatesTab::clearKeptNotice()
{
    // It belongs to the action before; a new one starts from the other messages.
    if (!m_keptNotice)
        return;
    m_keptNotice.reset();
    refreshMessage();
}

QString TemplatesTab::message() const
{
    // An old export message hides a newer import message until an export succeeds.
    // Where the user's templates went matters more than any older message.
    if (m_keptNotice)
        return *m_keptNotice;
    if (m_exportError || m_exportNote || m_deleteError || m_importError)
        return m_exportError.value_or(
            m_exportNote.value_or(m_deleteError.value_or(m_importError.value_or(QString()))));
    if (m_sharedError)
        return *m_sharedError;
    return m_store.unreadable() ? unreadableTemplates : QString();
}

void TemplatesTab::refreshMessage()
{
    const QString text = message();
    m_message->setText(text);
    m_message->setAccessibleName(text);
    m_message->setVisible(!text.isEmpty());
    m_message->updateGeometry();
}

QList<QPushButton *> TemplatesTab::deleteButtons() const
{
    return m_deleteButtons;
}

void TemplatesTab::rebuildCustomRows()
{
    // Keyboard users stay in the list: focus goes to the row that moved up, else onwards.
    int focusedIndex = -1;
    QList<QPushButton *> TemplatesTab::*focusedKind = &TemplatesTab::m_deleteButtons;
    for (auto kind : {&TemplatesTab::m_editButtons, &TemplatesTab::m_archiveButtons,
                      &TemplatesTab::m_deleteButtons})
        for (int i = 0; i < (this->*kind).size(); ++i)
            if ((this->*kind)[i]->hasFocus()) {
                focusedIndex = i;
                focusedKind = kind;
            }

    // Rows go later: this may run inside a row's own delete button handler.
    while (QLayoutItem *item = m_customRows->takeAt(0)) {
        if (QWidget *row = item->widget()) {
            row->hide();
            row->deleteLater();
        }
        delete item;
    }
    m_deleteButtons.clear();
    m_editButtons.clear();
    m_archiveButtons.clear();

    int index = 0;
    for (const CustomTemplate &tmpl : m_store.templates()) {
        auto *row = new ListRow(tmpl.icon, tmpl.name, index++ % 2 == 1);
        row->setObjectName(QStringLiteral("customRow"));
        auto *trash = new QPushButton;
        trash->setObjectName(QStringLiteral("deleteTemplateButton"));
        trash->setAccessibleName(QStringLiteral("Verwijderen"));
        trash->setAccessibleDescription(tmpl.name);
        trash->setToolTip(QStringLiteral("Verwijderen"));
        trash->setIcon(
            SymbolIcons::icon(QStringLiteral("trash"), Style::withAlpha(bpRed, 0.7), 11));
        trash->setIconSize(QSize(11, 11));
        trash->setFlat(true);
        trash->setAutoDefault(true);
        trash->setStyleSheet(Style::plainButtonSheet(bpRed, 0.7));
        trash->setCursor(Qt::PointingHandCursor);
        const QUuid id = tmpl.id;
        connect(trash, &QPushButton::clicked, this, [this, id] { deleteTemplate(id); });
        auto *edit = new QPushButton(QStringLiteral("Bewerk"));
        edit->setObjectName(QStringLiteral("editTemplateButton"));
        edit->setAccessibleDescription(tmpl.name);
        edit->setFont(Style::uiFont(11));
        edit->setFlat(true);
        edit->setAutoDefault(true);
        edit->setStyleSheet(Style::plainButtonSheet(bpBlue, 0.9));
        edit->setCursor(Qt::PointingHandCursor);
        connect(edit, &QPushButton::clicked, this, [this, id] { editTemplate(id); });
        auto *archive = new QPushButton(QStringLiteral("Exporteer…"));
        archive->setObjectName(QStringLiteral("exportTemplateButton"));
        archive->setAccessibleDescription(tmpl.name);
        archive->setToolTip(QStringLiteral("Exporteer met bestanden als .bptemplate"));
        archive->setFont(Style::uiFont(11));
        archive->setFlat(true);
        archive->setAutoDefault(true);
        archive->setStyleSheet(Style::plainButtonSheet(bpBlue, 0.9));
        archive->setCursor(Qt::PointingHandCursor);
        connect(archive, &QPushButton::clicked, this, [this, id] { exportTemplate(id); });
        row->addTrailing(edit);
        row->addTrailing(archive);
        row->addTrailing(trash);
        m_customRows->addWidget(row);
        m_editButtons.append(edit);
        m_archiveButtons.append(archive);
        m_deleteButtons.append(trash);
    }
    markEnds(m_customRows);
    m_customSection->setVisible(!m_deleteButtons.isEmpty());

    orderFocusChain();

    if (focusedIndex >= 0) {
        const QList<QPushButton *> &buttons = this->*focusedKind;
        if (!buttons.isEmpty())
            buttons[std::min<qsizetype>(focusedIndex, buttons.size() - 1)]->setFocus();
        else
            m_new->setFocus();
    }
}

void TemplatesTab::orderFocusChain()
{
    // Top to bottom, then on to the bar. The list itself takes no focus, so the chain runs
    // from button to button.
    QList<QWidget *> order;
    for (qsizetype i = 0; i < m_deleteButtons.size(); ++i)
        order.append({m_editButtons[i], m_archiveButtons[i], m_deleteButtons[i]});
    if (m_store.sharedLibrary())
        order.append({m_sharedChoose, m_sharedRemove});
    for (QPushButton *copy : std::as_const(m_copyButtons))
        order.append(copy);
    order.append({m_new, m_export, m_import});
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

bool TemplatesTab::event(QEvent *event)
{
    // On its own the tab's chain is a ring of which the last delete button already seems to
    // precede the bar, so Qt leaves it be; in its window the order can be put right.
    if (event->type() == QEvent::ParentChange)
        orderFocusChain();
    return QWidget::event(event);
}

} // namespace bp

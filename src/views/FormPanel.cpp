#include "views/FormPanel.h"

#include "stores/CustomTemplateStore.h"
#include "stores/FieldValuesStore.h"
#include "views/ElidedLabel.h"
#include "views/ExtraRow.h"
#include "views/FieldRows.h"
#include "views/KeyboardNavigation.h"
#include "views/Style.h"
#include "views/SymbolIcons.h"
#include "views/TemplateRow.h"
#include "views/ToggleCard.h"
#include "workflow/ProjectSetupModel.h"

#include <QButtonGroup>
#include <QDate>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace bp {
namespace {

QVBoxLayout *column(QWidget *widget, int spacing)
{
    auto *layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

QFrame *listBox(QWidget *parent)
{
    auto *box = new QFrame(parent);
    box->setObjectName(QStringLiteral("listBox"));
    box->setStyleSheet(
        QStringLiteral(
            "QFrame#listBox { background: %1; border: 1px solid %2; border-radius: 8px; }")
            .arg(Style::css(bpCard), Style::css(bpBorder)));
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    return box;
}

QString pluralEn(qsizetype count)
{
    return count == 1 ? QString() : QStringLiteral("en");
}

// The digits {teller} gets in the project folder's name: one per "0" of its format, 3
// without one.
int counterWidth(const NamePattern &pattern)
{
    for (const NamePattern::Part &part : pattern.parts())
        if (part.isToken && part.text == QLatin1String("teller") && !part.format.isEmpty())
            return int(part.format.count(QLatin1Char('0')));
    return 3;
}

// One choice of many. Assistive technology reports auto-exclusive checkable buttons as radio
// buttons; the exclusivity itself comes from the configuration, not from Qt.
void makeChoice(QAbstractButton *button, QButtonGroup *group)
{
    button->setAutoExclusive(true);
    group->addButton(button);
}

} // namespace

FormPanel::FormPanel(ProjectSetupModel &model, CustomTemplateStore &store, QWidget *parent)
    : QScrollArea(parent), m_model(model), m_store(store)
{
    setObjectName(QStringLiteral("formPanel"));
    setMinimumWidth(256);
    setMaximumWidth(296);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scrollToFocus(this);
    setStyleSheet(QStringLiteral("QScrollArea#formPanel { background: %1; border: none; }")
                      .arg(Style::css(bpDark)));

    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("formContent"));
    content->setStyleSheet(
        QStringLiteral("QWidget#formContent { background: %1; }").arg(Style::css(bpDark)));
    auto *stack = new QVBoxLayout(content);
    stack->setContentsMargins(16, 16, 16, 16);
    stack->setSpacing(20);

    // Offered only when the target folder is a project made earlier.
    m_fillCard = new ToggleCard(QStringLiteral("Vul bestaand project aan"),
                                QStringLiteral("Voegt alleen toe wat ontbreekt"));
    m_fillCard->setObjectName(QStringLiteral("fillCard"));
    connect(m_fillCard, &QAbstractButton::clicked, this,
            [this] { m_model.setFillExisting(!m_model.fillsExisting()); });
    stack->addWidget(m_fillCard);

    // Either section, then the folder name the (first) project gets.
    auto *names = new QWidget;
    m_namesBlock = names;
    QVBoxLayout *namesColumn = column(names, 8);
    m_nameSection = buildNameSection();
    m_batchSection = buildBatchSection();
    namesColumn->addWidget(m_nameSection);
    namesColumn->addWidget(m_batchSection);
    m_folderNameLine = new ElidedLabel;
    m_folderNameLine->setObjectName(QStringLiteral("folderNameLine"));
    m_folderNameLine->setFont(Style::monoFont(10.5));
    Style::setLabelColor(m_folderNameLine, bpBlue, 0.65);
    namesColumn->addWidget(m_folderNameLine);
    stack->addWidget(names);
    m_fieldsSection = buildFieldsSection();
    stack->addWidget(m_fieldsSection);
    m_batchCard = new ToggleCard(QStringLiteral("Batch mode"),
                                 QStringLiteral("Meerdere projecten tegelijk aanmaken"));
    m_batchCard->setObjectName(QStringLiteral("batchCard"));
    connect(m_batchCard, &QAbstractButton::clicked, this,
            [this] { edit([](ProjectConfig &c) { c.batchMode = !c.batchMode; }); });
    stack->addWidget(m_batchCard);
    stack->addWidget(Style::rule());
    stack->addWidget(buildTypeSection());
    stack->addWidget(buildTemplateSection());
    m_customSection = buildCustomSection();
    stack->addWidget(m_customSection);
    stack->addWidget(buildSaveArea());
    stack->addWidget(Style::rule());
    stack->addWidget(buildExtrasSection());
    stack->addWidget(Style::rule());
    m_sortCard = new ToggleCard(QStringLiteral("Sorteer bestaande bestanden"),
                                QStringLiteral("Verplaatst losse files naar de juiste submap"));
    m_sortCard->setObjectName(QStringLiteral("sortCard"));
    connect(m_sortCard, &QAbstractButton::clicked, this,
            [this] { edit([](ProjectConfig &c) { c.sortExistingFiles = !c.sortExistingFiles; }); });
    stack->addWidget(m_sortCard);
    stack->addSpacing(8);
    stack->addStretch(1);
    setWidget(content);

    connect(&m_model, &ProjectSetupModel::configChanged, this, &FormPanel::refresh);
    connect(&m_model, &ProjectSetupModel::planChanged, this, &FormPanel::adoptPlan);
    connect(&m_model, &ProjectSetupModel::fillModeChanged, this, &FormPanel::refreshFillMode);
    connect(&m_model, &ProjectSetupModel::nextNumberChanged, this, [this] {
        refreshCounter();
        refreshFolderLine();
    });
    connect(&m_model, &ProjectSetupModel::showSuccessChanged, this, [this] {
        if (m_model.showSuccess())
            rememberFieldValues();
    });
    connect(&m_store, &CustomTemplateStore::templatesChanged, this, &FormPanel::rebuildCustomRows);
    connect(&m_store, &CustomTemplateStore::unreadableKept, this, [this](const QString &copy) {
        m_model.reportError(QStringLiteral("Onleesbare templates bewaard als ") + copy);
    });
    rebuildCustomRows();
    setSaveFieldShown(false);
    adoptPlan();
    refreshFillMode();
}

void FormPanel::refreshFillMode()
{
    // Filling in keeps the project's own folder and name: nothing to name, batch or sort.
    const bool fill = m_model.fillsExisting();
    m_fillCard->setVisible(m_model.targetIsProject());
    m_fillCard->setChecked(fill);
    m_namesBlock->setVisible(!fill);
    m_batchCard->setVisible(!fill);
    m_sortCard->setVisible(!fill);
}

QString FormPanel::todayPrefix()
{
    return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('_');
}

QWidget *FormPanel::buildNameSection()
{
    auto *section = new QWidget;
    QVBoxLayout *layout = column(section, 8);
    auto *header = new QHBoxLayout;
    header->setSpacing(6);
    header->addWidget(Style::sectionLabel(QStringLiteral("Projectnaam")));
    header->addStretch(1);
    auto *today = m_todayButton = new QPushButton(QStringLiteral("📅 Vandaag"));
    today->setObjectName(QStringLiteral("todayButton"));
    today->setFont(Style::uiFont(9));
    today->setStyleSheet(Style::plainButtonSheet(bpBlue, 0.7));
    today->setCursor(Qt::PointingHandCursor);
    connect(today, &QPushButton::clicked, this,
            [this] { edit([](ProjectConfig &c) { c.projectName = todayPrefix(); }); });
    header->addWidget(today);
    layout->addLayout(header);

    m_nameField = new QLineEdit;
    m_nameField->setObjectName(QStringLiteral("projectNameField"));
    m_nameField->setPlaceholderText(QStringLiteral("Bijv. Nike_Shoot_Zomer"));
    m_nameField->setAccessibleName(QStringLiteral("Projectnaam"));
    m_nameField->setFont(Style::uiFont(13));
    m_nameField->setFrame(false);
    m_nameField->setStyleSheet(Style::fieldSheet(QStringLiteral("QLineEdit"), 7, 8, 10));
    m_nameField->setAcceptDrops(false);
    connect(m_nameField, &QLineEdit::textEdited, this, [this](const QString &text) {
        edit([&text](ProjectConfig &c) { c.projectName = text; });
    });
    layout->addWidget(m_nameField);
    return section;
}

QWidget *FormPanel::buildFieldsSection()
{
    auto *section = new QWidget;
    section->setObjectName(QStringLiteral("fieldsSection"));
    QVBoxLayout *layout = column(section, 8);
    m_fieldsHeader = Style::sectionLabel(QStringLiteral("Velden"));
    layout->addWidget(m_fieldsHeader);
    m_fieldRows = new FieldRows;
    connect(m_fieldRows, &FieldRows::valueEdited, this,
            [this](const QString &key, const QString &value) {
                edit([&key, &value](ProjectConfig &c) { c.fieldValues.insert(key, value); });
            });
    layout->addWidget(m_fieldRows);
    m_counterLine = Style::label(QString(), 11, QFont::Normal, bpText, 0.7);
    m_counterLine->setObjectName(QStringLiteral("counterLine"));
    layout->addWidget(m_counterLine);
    return section;
}

QWidget *FormPanel::buildBatchSection()
{
    auto *section = new QWidget;
    QVBoxLayout *layout = column(section, 8);
    layout->addWidget(Style::sectionLabel(QStringLiteral("Projectnamen (één per regel)")));

    m_batchEditor = new QPlainTextEdit;
    m_batchEditor->setObjectName(QStringLiteral("batchEditor"));
    m_batchEditor->setAccessibleName(QStringLiteral("Projectnamen (één per regel)"));
    m_batchEditor->setFont(Style::uiFont(12));
    m_batchEditor->setMinimumHeight(80);
    m_batchEditor->setMaximumHeight(120);
    m_batchEditor->setTabChangesFocus(true);
    m_batchEditor->setStyleSheet(Style::fieldSheet(QStringLiteral("QPlainTextEdit"), 7, 2, 1));
    m_batchEditor->setAcceptDrops(false);
    m_batchEditor->viewport()->setAcceptDrops(false);
    connect(m_batchEditor, &QPlainTextEdit::textChanged, this, [this] {
        const QString text = m_batchEditor->toPlainText();
        if (text != m_model.config().batchNames)
            edit([&text](ProjectConfig &c) { c.batchNames = text; });
    });
    layout->addWidget(m_batchEditor);

    const QString example =
        QStringLiteral("Nike_Shoot_Maandag\nAdidas_Shoot_Dinsdag\nPuma_Shoot_Woensdag");
    m_batchEditor->setAccessibleDescription(example);
    m_batchPlaceholder = Style::label(example, 11, QFont::Normal, bpText, 0.2, m_batchEditor);
    m_batchPlaceholder->setObjectName(QStringLiteral("batchPlaceholder"));
    m_batchPlaceholder->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_batchPlaceholder->move(5, 8);
    m_batchPlaceholder->adjustSize();

    m_batchCount = Style::label(QString(), 10.5, QFont::Normal, bpBlue, 0.65);
    m_batchCount->setObjectName(QStringLiteral("batchCount"));
    layout->addWidget(m_batchCount);
    return section;
}

QWidget *FormPanel::buildTypeSection()
{
    auto *section = new QWidget;
    QVBoxLayout *layout = column(section, 8);
    layout->addWidget(Style::sectionLabel(QStringLiteral("Type")));

    auto *segments = new QFrame;
    segments->setObjectName(QStringLiteral("typeSelector"));
    segments->setAccessibleName(QStringLiteral("Type"));
    segments->setStyleSheet(
        QStringLiteral(
            "QFrame#typeSelector { background: %1; border: 1px solid %2; border-radius: 7px; }"
            "QPushButton { background: transparent; color: %3; border: 1px solid transparent;"
            " border-radius: 5px; padding: 3px 0; }"
            "QPushButton:checked { background: %4; color: %5; }"
            "QPushButton:focus { border-color: %6; }")
            .arg(Style::css(bpCard), Style::css(bpBorder), Style::css(bpText, 0.6),
                 Style::css(bpText, 0.14), Style::css(bpText), Style::css(bpBlue, 0.85)));
    auto *row = new QHBoxLayout(segments);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    m_typeGroup = new QButtonGroup(this);
    m_typeGroup->setExclusive(true);
    for (ProjectType type : allProjectTypes) {
        auto *button = new QPushButton(displayName(type));
        button->setCheckable(true);
        button->setAutoExclusive(true);
        button->setFont(Style::uiFont(12));
        button->setCursor(Qt::PointingHandCursor);
        m_typeGroup->addButton(button, int(type));
        row->addWidget(button, 1);
    }
    m_typeChoice = new ChoiceGroup(this);
    m_typeChoice->setButtons(m_typeGroup->buttons());
    connect(m_typeGroup, &QButtonGroup::idClicked, this,
            [this](int id) { edit([id](ProjectConfig &c) { c.type = ProjectType(id); }); });
    layout->addWidget(segments);
    return section;
}

QWidget *FormPanel::buildTemplateSection()
{
    auto *section = new QWidget;
    QVBoxLayout *layout = column(section, 8);
    layout->addWidget(Style::sectionLabel(QStringLiteral("Template")));
    QFrame *box = listBox(section);
    // Both lists form one choice; the group must not be exclusive, or the selected row could
    // not be cleared when the choice moves to the other list.
    m_templateGroup = new QButtonGroup(this);
    m_templateGroup->setExclusive(false);
    for (PlatformTemplate platform : allPlatformTemplates) {
        auto *row = new TemplateRow(icon(platform), displayName(platform));
        makeChoice(row, m_templateGroup);
        connect(row, &QAbstractButton::clicked, this, [this, platform] {
            edit([platform](ProjectConfig &c) {
                c.platform = platform;
                c.customTemplateID.reset();
            });
        });
        box->layout()->addWidget(row);
        m_platformRows.append(row);
    }
    layout->addWidget(box);
    m_templateChoice = new ChoiceGroup(this);
    return section;
}

QWidget *FormPanel::buildCustomSection()
{
    auto *section = new QWidget;
    section->setObjectName(QStringLiteral("customTemplateSection"));
    QVBoxLayout *layout = column(section, 8);
    m_customLabel = Style::sectionLabel(QStringLiteral("Eigen templates"));
    layout->addWidget(m_customLabel);
    QFrame *box = listBox(section);
    m_customList = static_cast<QVBoxLayout *>(box->layout());
    layout->addWidget(box);
    return section;
}

QWidget *FormPanel::buildSaveArea()
{
    auto *area = new QWidget;
    QVBoxLayout *layout = column(area, 6);

    m_openSaveButton = new QPushButton(QStringLiteral("Sla huidige structuur op…"));
    m_openSaveButton->setObjectName(QStringLiteral("openSaveTemplateButton"));
    m_openSaveButton->setFont(Style::uiFont(11));
    m_openSaveButton->setIcon(SymbolIcons::icon(QStringLiteral("square.and.arrow.down"),
                                                Style::withAlpha(bpBlue, 0.75), 10));
    m_openSaveButton->setIconSize(QSize(10, 10));
    m_openSaveButton->setStyleSheet(Style::plainButtonSheet(bpBlue, 0.75));
    m_openSaveButton->setCursor(Qt::PointingHandCursor);
    connect(m_openSaveButton, &QPushButton::clicked, this, [this] {
        setSaveFieldShown(true);
        m_templateNameField->setFocus();
    });
    layout->addWidget(m_openSaveButton, 0, Qt::AlignLeft);

    m_editTemplateButton = new QPushButton(QStringLiteral("Bewerk als template…"));
    m_editTemplateButton->setObjectName(QStringLiteral("editAsTemplateButton"));
    m_editTemplateButton->setFont(Style::uiFont(11));
    m_editTemplateButton->setIcon(SymbolIcons::icon(QStringLiteral("folder.badge.gearshape"),
                                                    Style::withAlpha(bpBlue, 0.75), 10));
    m_editTemplateButton->setIconSize(QSize(10, 10));
    m_editTemplateButton->setStyleSheet(Style::plainButtonSheet(bpBlue, 0.75));
    m_editTemplateButton->setCursor(Qt::PointingHandCursor);
    connect(m_editTemplateButton, &QPushButton::clicked, this, &FormPanel::editAsTemplateRequested);

    m_saveField = new QWidget;
    auto *row = new QHBoxLayout(m_saveField);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    m_templateNameField = new QLineEdit;
    m_templateNameField->setObjectName(QStringLiteral("templateNameField"));
    m_templateNameField->setPlaceholderText(QStringLiteral("Naam voor template"));
    m_templateNameField->setAccessibleName(QStringLiteral("Naam voor template"));
    m_templateNameField->setFont(Style::uiFont(12));
    m_templateNameField->setFrame(false);
    m_templateNameField->setAcceptDrops(false);
    m_templateNameField->setStyleSheet(Style::fieldSheet(QStringLiteral("QLineEdit"), 6, 6, 8));
    row->addWidget(m_templateNameField, 1);

    auto *save = m_saveButton = new QPushButton(QStringLiteral("Opslaan"));
    save->setObjectName(QStringLiteral("saveTemplateButton"));
    save->setFont(Style::uiFont(11, QFont::DemiBold));
    save->setStyleSheet(Style::plainButtonSheet(bpBlue));
    save->setCursor(Qt::PointingHandCursor);
    connect(save, &QPushButton::clicked, this, &FormPanel::saveTemplate);
    row->addWidget(save);

    auto *dismiss = m_dismissButton = new QPushButton(QStringLiteral("×"));
    dismiss->setObjectName(QStringLiteral("dismissSaveTemplateButton"));
    dismiss->setAccessibleName(QStringLiteral("Sluiten"));
    dismiss->setFont(Style::uiFont(13));
    dismiss->setStyleSheet(Style::plainButtonSheet(bpText, 0.4));
    dismiss->setCursor(Qt::PointingHandCursor);
    connect(dismiss, &QPushButton::clicked, this, [this] {
        setSaveFieldShown(false);
        m_openSaveButton->setFocus();
    });
    row->addWidget(dismiss);
    layout->addWidget(m_saveField);
    layout->addWidget(m_editTemplateButton, 0, Qt::AlignLeft);
    return area;
}

QWidget *FormPanel::buildExtrasSection()
{
    auto *section = new QWidget;
    QVBoxLayout *layout = column(section, 8);
    layout->addWidget(Style::sectionLabel(QStringLiteral("Extra mappen")));
    auto *rows = new QVBoxLayout;
    rows->setSpacing(2);
    for (ExtraFlag flag : allExtraFlags) {
        auto *row = new ExtraRow(flag);
        connect(row, &QAbstractButton::clicked, this,
                [this, flag] { edit([flag](ProjectConfig &c) { c.extras.toggle(flag); }); });
        rows->addWidget(row);
        m_extraRows.append(row);
    }
    layout->addLayout(rows);
    return section;
}

QList<TemplateRow *> FormPanel::customTemplateRows() const
{
    QList<TemplateRow *> rows;
    for (const auto &entry : m_customRows)
        rows.append(entry.second);
    return rows;
}

void FormPanel::edit(const std::function<void(ProjectConfig &)> &change)
{
    ProjectConfig config = m_model.config();
    change(config);
    m_model.setConfig(config);
}

void FormPanel::showEvent(QShowEvent *event)
{
    QScrollArea::showEvent(event);
    // The user types the rest of the name after today's date.
    if (m_model.config().projectName.isEmpty())
        edit([](ProjectConfig &c) { c.projectName = todayPrefix(); });
}

void FormPanel::focusName()
{
    if (m_model.config().batchMode) {
        m_batchEditor->setFocus(Qt::OtherFocusReason);
        m_batchEditor->moveCursor(QTextCursor::End);
    } else {
        m_nameField->setFocus(Qt::OtherFocusReason);
        m_nameField->end(false);
    }
}

void FormPanel::refresh()
{
    const ProjectConfig &config = m_model.config();

    m_nameSection->setVisible(!config.batchMode);
    m_batchSection->setVisible(config.batchMode);

    if (m_nameField->text() != config.projectName)
        m_nameField->setText(config.projectName);
    refreshFolderLine();
    m_fieldRows->setValues(config.fieldValues);
    if (m_valuesTemplate && config.customTemplateID == m_valuesTemplate)
        m_typedValues.insert(*m_valuesTemplate, config.fieldValues);

    if (m_batchEditor->toPlainText() != config.batchNames)
        m_batchEditor->setPlainText(config.batchNames);
    m_batchPlaceholder->setVisible(config.batchNames.isEmpty());
    const qsizetype count = config.batchProjectNames().size();
    m_batchCount->setVisible(count > 0);
    m_batchCount->setText(QString::number(count) + QStringLiteral(" project") + pluralEn(count) +
                          QStringLiteral(" worden aangemaakt"));

    m_batchCard->setChecked(config.batchMode);
    if (QAbstractButton *button = m_typeGroup->button(int(config.type)))
        button->setChecked(true);
    for (int i = 0; i < m_platformRows.size(); ++i)
        m_platformRows[i]->setSelected(!config.customTemplateID &&
                                       config.platform == allPlatformTemplates[size_t(i)]);
    for (const auto &[id, row] : m_customRows)
        row->setSelected(config.customTemplateID == id);
    for (ExtraRow *row : m_extraRows)
        row->setChecked(config.extras.contains(row->flag()));
    m_sortCard->setChecked(config.sortExistingFiles);
}

void FormPanel::refreshFolderLine()
{
    const ProjectConfig &config = m_model.config();
    const QString name =
        config.batchMode ? config.batchProjectNames().value(0) : config.projectName;
    const bool hasName = !name.trimmed().isEmpty();
    m_folderNameLine->setVisible(hasName);
    if (!hasName)
        return;
    const ProjectPlan &plan = m_model.plan();
    TokenValues values{name, m_model.namingDate(), m_model.nextNumber(),
                       plan.resolveFields(config.fieldValues).values};
    const RenderedName rendered =
        plan.renderFolderName(values.name, values.date, values.counter, values.fields);
    const QString line = QStringLiteral("→ ") +
                         (rendered.ok() ? rendered.text : plan.projectPattern().sketch(values));
    m_folderNameLine->setText(line);
    m_folderNameLine->setAccessibleName(line);
    const bool fails = !m_model.problems().isEmpty();
    if (fails != m_folderLineFails) {
        m_folderLineFails = fails;
        Style::setLabelColor(m_folderNameLine, fails ? bpRed : bpBlue, fails ? 0.9 : 0.65);
    }
}

void FormPanel::refreshCounter()
{
    const ProjectPlan &plan = m_model.plan();
    m_counterLine->setVisible(plan.usesCounter());
    const std::optional<int> next = m_model.nextNumber();
    const QString text = QStringLiteral("Volgnummer: ") +
                         (next ? QString::number(*next).rightJustified(
                                     counterWidth(plan.projectPattern()), QLatin1Char('0'))
                               : QStringLiteral("…"));
    m_counterLine->setText(text);
    m_counterLine->setAccessibleName(text);
}

void FormPanel::adoptPlan()
{
    const ProjectPlan &plan = m_model.plan();
    const ProjectConfig &config = m_model.config();
    const std::optional<QUuid> id = plan.isCustom() ? config.customTemplateID : std::nullopt;
    // Another template brings back its own values; without any, the values of fields it
    // shares with the previous one stay.
    QHash<QString, QString> values = config.fieldValues;
    if (id != m_valuesTemplate) {
        m_valuesTemplate = id;
        if (id) {
            const auto typed = m_typedValues.constFind(*id);
            const QHash<QString, QString> own =
                typed != m_typedValues.constEnd()
                    ? *typed
                    : FieldValuesStore::values(m_model.stores().standard, *id);
            if (typed != m_typedValues.constEnd() || !own.isEmpty())
                values = own;
        }
    }
    // A value for a key the template no longer has would keep the projects from being made.
    QHash<QString, QString> known;
    for (const FieldDefinition &field : plan.fields())
        if (values.contains(field.key))
            known.insert(field.key, values.value(field.key));

    m_fieldRows->setFields(plan.fields(), known);
    m_fieldsHeader->setVisible(!plan.fields().isEmpty());
    m_fieldsSection->setVisible(!plan.fields().isEmpty() || plan.usesCounter());
    refreshCounter();
    restoreTabOrder();
    if (known != config.fieldValues)
        edit([&known](ProjectConfig &c) { c.fieldValues = known; });
    refresh();
}

void FormPanel::rememberFieldValues()
{
    if (!m_valuesTemplate)
        return;
    const QHash<QString, QString> &values = m_model.config().fieldValues;
    m_typedValues.insert(*m_valuesTemplate, values);
    m_model.reportFailureOf(
        FieldValuesStore::rememberLater(m_model.stores().standard, *m_valuesTemplate, values));
}

void FormPanel::rebuildCustomRows()
{
    // Rows go later: this may run inside a row's own trash button handler.
    for (const auto &entry : m_customRows) {
        m_templateGroup->removeButton(entry.second);
        entry.second->hide();
        entry.second->deleteLater();
    }
    m_customRows.clear();
    bool anyShared = false;
    for (const CustomTemplate &tmpl : m_store.all()) {
        auto *row = new TemplateRow(tmpl.icon, tmpl.name);
        makeChoice(row, m_templateGroup);
        const QUuid id = tmpl.id;
        connect(row, &QAbstractButton::clicked, this,
                [this, id] { edit([id](ProjectConfig &c) { c.customTemplateID = id; }); });
        m_customList->addWidget(row);
        m_customRows.append({id, row});
        if (tmpl.shared) {
            // Used here, never deleted from here: a badge where an own template has its trash.
            anyShared = true;
            QLabel *badge =
                Style::label(QStringLiteral("Gedeeld"), 9.5, QFont::Normal, bpText, 0.5);
            badge->setObjectName(QStringLiteral("sharedBadge"));
            row->setTrailingWidget(badge);
            row->setAccessibleDescription(QStringLiteral("Gedeeld"));
            continue;
        }
        auto *trash = new QToolButton;
        trash->setObjectName(QStringLiteral("deleteTemplateButton"));
        trash->setAccessibleName(QStringLiteral("Verwijderen"));
        trash->setAccessibleDescription(tmpl.name);
        trash->setIcon(
            SymbolIcons::icon(QStringLiteral("trash"), Style::withAlpha(bpText, 0.25), 11));
        trash->setIconSize(QSize(10, 10));
        trash->setAutoRaise(true);
        trash->setStyleSheet(Style::plainButtonSheet(bpText, 0.25));
        trash->setCursor(Qt::PointingHandCursor);
        connect(trash, &QToolButton::clicked, this, [this, id] { deleteTemplate(id); });
        row->setTrailingWidget(trash);
    }
    m_customLabel->setText(anyShared ? QStringLiteral("Eigen en gedeelde templates")
                                     : QStringLiteral("Eigen templates"));
    m_customSection->setVisible(!m_customRows.isEmpty());
    QList<QAbstractButton *> choices(m_platformRows.cbegin(), m_platformRows.cend());
    for (const auto &entry : m_customRows)
        choices.append(entry.second);
    restoreTabOrder();
    m_templateChoice->setButtons(choices);
    refresh();
}

void FormPanel::restoreTabOrder()
{
    // New rows join the focus chain at its end; put the whole form back in reading order.
    QList<QWidget *> order{m_todayButton, m_nameField, m_batchEditor};
    order.append(m_fieldRows->controls());
    order.append(m_batchCard);
    for (QAbstractButton *button : m_typeGroup->buttons())
        order.append(button);
    for (TemplateRow *row : std::as_const(m_platformRows))
        order.append(row);
    for (const auto &entry : m_customRows) {
        order.append(entry.second);
        // A trash button; a shared template's badge takes no focus.
        if (auto *trash = qobject_cast<QAbstractButton *>(entry.second->trailingWidget()))
            order.append(trash);
    }
    order.append({m_openSaveButton, m_templateNameField, m_saveButton, m_dismissButton,
                  m_editTemplateButton});
    for (ExtraRow *row : std::as_const(m_extraRows))
        order.append(row);
    order.append(m_sortCard);
    // Qt leaves a widget without focus out of a reorder, so the choices take focus for it.
    for (QWidget *widget : std::as_const(order))
        if (widget->focusPolicy() == Qt::NoFocus)
            widget->setFocusPolicy(Qt::TabFocus);
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    // Each choice is one stop again.
    m_typeChoice->refresh();
    m_templateChoice->refresh();
}

void FormPanel::setSaveFieldShown(bool shown)
{
    m_showSaveTemplateField = shown;
    m_templateNameField->clear();
    m_openSaveButton->setVisible(!shown);
    m_saveField->setVisible(shown);
}

void FormPanel::saveTemplate()
{
    const QString name = m_templateNameField->text().trimmed();
    if (!name.isEmpty()) {
        // The very tree the preview shows. The row appears at once; a failed write takes it
        // back and says why in the error bar.
        m_model.reportFailureOf(m_store.saveLater(name, m_model.resolvedTree()));
    }
    setSaveFieldShown(false);
    m_openSaveButton->setFocus();
}

void FormPanel::deleteTemplate(const QUuid &id)
{
    m_model.reportFailureOf(m_store.removeLater(id));
    if (m_model.config().customTemplateID == id)
        edit([](ProjectConfig &c) { c.customTemplateID.reset(); });
}

} // namespace bp

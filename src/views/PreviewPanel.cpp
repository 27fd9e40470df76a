#include "views/PreviewPanel.h"

#include "model/FolderCreator.h"
#include "views/PreviewTreeModel.h"
#include "views/PreviewTreeView.h"
#include "views/Style.h"
#include "views/SymbolIcons.h"
#include "workflow/ProjectSetupModel.h"

#include <QDateTime>
#include <QFrame>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPropertyAnimation>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace bp {
namespace {
QString pluralEn(qsizetype count)
{
    return count == 1 ? QString() : QStringLiteral("en");
}
} // namespace

PreviewPanel::PreviewPanel(ProjectSetupModel &model, QWidget *parent)
    : QWidget(parent), m_model(model)
{
    setObjectName(QStringLiteral("previewPanel"));
    setMinimumWidth(280);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto *header = new QFrame;
    header->setObjectName(QStringLiteral("previewHeader"));
    header->setStyleSheet(
        QStringLiteral("QFrame#previewHeader { background: %1; }").arg(Style::css(bpCard)));
    auto *headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(14, 10, 14, 10);
    headerRow->setSpacing(8);
    headerRow->addWidget(Style::sectionLabel(QStringLiteral("VOORVERTONING")));
    headerRow->addStretch(1);
    m_countLabel = Style::label(QString(), 10, QFont::Normal, bpText, 0.25);
    m_countLabel->setObjectName(QStringLiteral("previewCount"));
    headerRow->addWidget(m_countLabel);
    layout->addWidget(header);
    layout->addWidget(Style::rule());

    m_body = new QStackedWidget;
    m_body->setObjectName(QStringLiteral("previewBody"));
    m_body->setStyleSheet(
        QStringLiteral("QStackedWidget#previewBody { background: %1; }").arg(Style::css(bpDark)));
    m_tree = new PreviewTreeView;
    m_body->addWidget(m_tree);

    auto *empty = new QWidget;
    auto *emptyColumn = new QVBoxLayout(empty);
    emptyColumn->setSpacing(10);
    emptyColumn->addStretch(1);
    auto *emptyIcon = new QLabel;
    emptyIcon->setObjectName(QStringLiteral("previewEmptyIcon"));
    emptyIcon->setPixmap(SymbolIcons::pixmap(QStringLiteral("folder.badge.questionmark"),
                                             Style::withAlpha(bpText, 0.12), 26,
                                             devicePixelRatioF()));
    emptyIcon->setAlignment(Qt::AlignCenter);
    emptyColumn->addWidget(emptyIcon);
    m_emptyText = Style::label(QString(), 11, QFont::Normal, bpText, 0.2);
    m_emptyText->setObjectName(QStringLiteral("previewEmptyText"));
    m_emptyText->setAlignment(Qt::AlignCenter);
    emptyIcon->setAccessibleName(m_emptyText->text());
    emptyColumn->addWidget(m_emptyText);
    emptyColumn->addStretch(1);
    m_body->addWidget(empty);
    layout->addWidget(m_body, 1);

    connect(&m_model, &ProjectSetupModel::configChanged, this, &PreviewPanel::refresh);
    connect(&m_model, &ProjectSetupModel::planChanged, this, &PreviewPanel::refresh);
    connect(&m_model, &ProjectSetupModel::nextNumberChanged, this, &PreviewPanel::refresh);
    connect(&m_model, &ProjectSetupModel::fillModeChanged, this, &PreviewPanel::refresh);
    connect(&m_model, &ProjectSetupModel::existingEntriesChanged, this, &PreviewPanel::refresh);
    refresh();
}

QString PreviewPanel::rootName(const ProjectConfig &config)
{
    QString name = config.projectName;
    if (config.batchMode) {
        const QStringList names = config.batchProjectNames();
        name = names.isEmpty() ? QString() : names.first();
    }
    return FolderCreator::projectFolderName(name, QDateTime::currentDateTime());
}

bool PreviewPanel::hasValidInput(const ProjectConfig &config)
{
    if (config.batchMode)
        return !config.batchProjectNames().isEmpty();
    return !config.projectName.trimmed().isEmpty();
}

QString PreviewPanel::countText(const ProjectConfig &config, const QList<FolderNode> &tree)
{
    return countText(config, countFolders(tree));
}

QString PreviewPanel::countText(const ProjectConfig &config, qsizetype folders)
{
    if (!hasValidInput(config))
        return {};
    if (config.batchMode) {
        const qsizetype count = config.batchProjectNames().size();
        return QStringLiteral("× ") + QString::number(count) + QStringLiteral(" project") +
               pluralEn(count);
    }
    return QString::number(folders + 1) + QStringLiteral(" mappen");
}

QString PreviewPanel::batchNote(const ProjectConfig &config)
{
    if (!config.batchMode)
        return {};
    const qsizetype count = config.batchProjectNames().size();
    if (count < 2)
        return {};
    return QStringLiteral("+ ") + QString::number(count - 1) + QStringLiteral(" meer project") +
           (count == 2 ? QString() : QStringLiteral("en")) +
           QStringLiteral(" met dezelfde structuur");
}

bool PreviewPanel::showsEmptyState() const
{
    return m_body->currentIndex() == 1;
}

void PreviewPanel::refresh()
{
    const ProjectConfig &config = m_model.config();
    const bool fill = m_model.fillsExisting();
    const bool valid = fill || hasValidInput(config);
    if (m_hasShown) {
        if (config.platform != m_shown.platform || !(config.extras == m_shown.extras) ||
            config.batchMode != m_shown.batchMode)
            crossFade(150);
        else if (valid != hasValidInput(m_shown))
            crossFade(100);
    }
    m_shown = config;
    m_hasShown = true;

    if (!valid) {
        m_countLabel->clear();
        m_emptyText->setText(config.batchMode ? QStringLiteral("Voer projectnamen in")
                                              : QStringLiteral("Voer een projectnaam in"));
        m_body->setCurrentIndex(1);
        return;
    }
    const ProjectPlan &plan = m_model.plan();
    TokenValues values;
    if (fill) {
        values = m_model.fillValues();
    } else {
        values.name =
            config.batchMode ? config.batchProjectNames().constFirst() : config.projectName;
        values.date = m_model.namingDate();
        values.counter = m_model.nextNumber();
        values.fields = config.fieldValues;
    }
    values.fields = plan.resolveFields(values.fields).values;
    RenderedProject project = plan.render(values.name, values.date, values.counter, values.fields);

    if (fill) {
        const qsizetype entries = qsizetype(project.notes.size() + project.fileNotes.size());
        m_countLabel->setText(QString::number(entries - m_model.existingEntries().size()) +
                              QStringLiteral(" nieuw"));
    } else {
        m_countLabel->setText(countText(config, qsizetype(project.notes.size())));
    }
    const QVariant batchColour = m_countLabel->property("batchColour");
    if (!batchColour.isValid() || batchColour.toBool() != config.batchMode) {
        Style::setLabelColor(m_countLabel, config.batchMode ? bpBlue : bpText,
                             config.batchMode ? 0.5 : 0.25);
        m_countLabel->setProperty("batchColour", config.batchMode);
    }
    PreviewTreeMarks marks;
    marks.root = {project.folder.changes, project.folder.problems};
    marks.folders = std::move(project.notes);
    marks.files = std::move(project.fileNotes);
    for (const FieldDefinition &field : plan.fields())
        marks.fieldKeys.append(field.key);
    if (fill)
        marks.existing = m_model.existingEntries();
    // A project filled in keeps its own folder name.
    const QString rootText =
        fill ? config.targetFolderURL.value_or(QString()).section(QLatin1Char('/'), -1)
        : project.folder.ok() ? project.folder.text
                              : plan.projectPattern().sketch(values);
    m_tree->setContents(rootText, project.tree, batchNote(config), marks);
    m_body->setCurrentIndex(0);
}

void PreviewPanel::crossFade(int milliseconds)
{
    if (!isVisible())
        return;
    delete m_fadeGhost;
    // The old picture fades out over the new one.
    auto *ghost = new QLabel(m_body);
    ghost->setPixmap(m_body->grab());
    ghost->setGeometry(m_body->rect());
    ghost->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto *effect = new QGraphicsOpacityEffect(ghost);
    effect->setOpacity(1.0);
    ghost->setGraphicsEffect(effect);
    ghost->show();
    ghost->raise();
    m_fadeGhost = ghost;
    auto *animation = new QPropertyAnimation(effect, "opacity", ghost);
    animation->setDuration(milliseconds);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    animation->setStartValue(1.0);
    animation->setEndValue(0.0);
    connect(animation, &QPropertyAnimation::finished, ghost, &QObject::deleteLater);
    animation->start();
}

} // namespace bp

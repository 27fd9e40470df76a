#include "views/ProjectSetupWindow.h"

#include "model/WhenFinished.h"
#include "stores/CustomTemplateStore.h"
#include "stores/RecentFoldersStore.h"
#include "views/AccessibleRole.h"
#include "views/DropTargetFrame.h"
#include "views/ErrorText.h"
#include "views/FolderSelector.h"
#include "views/FormPanel.h"
#include "views/GoldButtonStyle.h"
#include "views/HeaderBand.h"
#include "views/PlanProblemText.h"
#include "views/PreviewPanel.h"
#include "views/Style.h"
#include "views/SuccessOverlay.h"
#include "views/SymbolIcons.h"
#include "views/TemplateEditorModel.h"
#include "views/TemplatesTab.h"
#include "workflow/ProjectSetupModel.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

namespace bp {
namespace {

QFrame *band(const QString &name, const QColor &background)
{
    auto *frame = new QFrame;
    frame->setObjectName(name);
    frame->setStyleSheet(
        QStringLiteral("QFrame#%1 { background: %2; }").arg(name, Style::css(background)));
    return frame;
}

QLabel *iconLabel(const QString &symbol, const QColor &color, int size, qreal dpr)
{
    auto *label = new QLabel;
    label->setPixmap(SymbolIcons::pixmap(symbol, color, size, dpr));
    label->setFixedSize(size, size);
    return label;
}

// Only a local folder can become the target, and only the first item of a drag counts.
bool offersLocalFile(const QMimeData *data)
{
    if (!data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    return !urls.isEmpty() && urls.constFirst().isLocalFile();
}

} // namespace

ProjectSetupWindow::ProjectSetupWindow(ProjectSetupModel &model, QWidget *parent)
    : QWidget(parent), m_model(model)
{
    setObjectName(QStringLiteral("projectSetupWindow"));
    m_model.setErrorWording(&ErrorText::dutch);
    Style::setUpWindow(this, QStringLiteral("Create Project Structure"),
                       QSize(contentWidth, contentHeight));
    setAcceptDrops(true);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buildHeader());
    column->addWidget(Style::rule());

    m_splitter = new QSplitter(Qt::Horizontal);
    m_splitter->setHandleWidth(1);
    m_splitter->setChildrenCollapsible(false);
    m_form = new FormPanel(m_model, m_model.stores().templates);
    connect(m_form, &FormPanel::editAsTemplateRequested, this, [this] { editAsTemplate(); });
    m_preview = new PreviewPanel(m_model);
    m_splitter->addWidget(m_form);
    m_splitter->addWidget(m_preview);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({296, contentWidth - 297});
    column->addWidget(m_splitter, 1);

    column->addWidget(buildErrorBar());
    column->addWidget(Style::rule());
    column->addWidget(buildActionBar());

    m_dropFrame = new DropTargetFrame(this);
    m_overlay = new SuccessOverlay(this);

    connect(&m_model, &ProjectSetupModel::configChanged, this, &ProjectSetupWindow::refreshActions);
    connect(&m_model, &ProjectSetupModel::statusMessageChanged, this,
            &ProjectSetupWindow::refreshActions);
    connect(&m_model, &ProjectSetupModel::isCreatingChanged, this,
            &ProjectSetupWindow::refreshActions);
    connect(&m_model, &ProjectSetupModel::canCreateChanged, this,
            &ProjectSetupWindow::refreshActions);
    connect(&m_model, &ProjectSetupModel::planChanged, this, &ProjectSetupWindow::refreshActions);
    connect(&m_model, &ProjectSetupModel::fillModeChanged, this,
            &ProjectSetupWindow::refreshActions);
    connect(&m_model, &ProjectSetupModel::errorMessageChanged, this,
            &ProjectSetupWindow::refreshError);
    connect(&m_model, &ProjectSetupModel::showSuccessChanged, this, [this] {
        refreshSuccess();
        refreshActions();
    });
    connect(&m_model, &ProjectSetupModel::successMessageChanged, this,
            [this] { m_overlay->setMessage(m_model.successMessage()); });
    connect(&m_model, &ProjectSetupModel::isDragTargetedChanged, this, [this] {
        m_dropFrame->setVisible(m_model.isDragTargeted());
        m_dropFrame->raise();
    });
    connect(m_folderSelector, &FolderSelector::folderChosen, this,
            &ProjectSetupWindow::chooseTarget);
    // After one new project: import a card into it, or close.
    QPushButton *importCard = m_overlay->addAction(QStringLiteral("Kaart importeren…"), true);
    importCard->setObjectName(QStringLiteral("importCardButton"));
    importCard->setAccessibleDescription(
        QStringLiteral("Kopieert een kaart met controle naar het nieuwe project"));
    connect(importCard, &QPushButton::clicked, &m_model, &ProjectSetupModel::importCard);
    QPushButton *close = m_overlay->addAction(QStringLiteral("Sluiten"), false);
    close->setObjectName(QStringLiteral("successCloseButton"));
    connect(close, &QPushButton::clicked, this, [this] { window()->close(); });
    connect(&m_model, &ProjectSetupModel::offloadOfferChanged, m_overlay,
            &SuccessOverlay::showActions);

    m_overlay->setMessage(m_model.successMessage());
    refreshActions();
    refreshError();
    if (m_model.showSuccess())
        refreshSuccess();
}

QWidget *ProjectSetupWindow::buildHeader()
{
    m_folderSelector = new FolderSelector(m_model, m_model.stores().recentFolders);
    return new HeaderBand({24, 13, QMargins(16, 10, 16, 10), 12}, m_folderSelector);
}

QWidget *ProjectSetupWindow::buildErrorBar()
{
    QFrame *bar = band(QStringLiteral("errorBar"), Style::withAlpha(bpRed, 0.07));
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(16, 8, 16, 8);
    row->setSpacing(8);
    QLabel *icon =
        iconLabel(QStringLiteral("exclamationmark.triangle.fill"), bpRed, 11, devicePixelRatioF());
    icon->setObjectName(QStringLiteral("errorIcon"));
    icon->setAccessibleName(QStringLiteral("Fout"));
    row->addWidget(icon, 0, Qt::AlignVCenter);
    m_errorText = Style::label(QString(), 11, QFont::Normal, bpRed);
    m_errorText->setObjectName(QStringLiteral("errorText"));
    m_errorText->setWordWrap(true);
    m_errorText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(m_errorText, 1);
    m_errorBar = bar;
    return bar;
}

QWidget *ProjectSetupWindow::buildActionBar()
{
    QFrame *bar = band(QStringLiteral("actionBar"), bpCard);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(16, 12, 16, 12);
    row->setSpacing(12);

    m_sortHint = new QWidget;
    auto *hint = new QHBoxLayout(m_sortHint);
    hint->setContentsMargins(0, 0, 0, 0);
    hint->setSpacing(5);
    QLabel *hintIcon = iconLabel(QStringLiteral("arrow.triangle.2.circlepath"),
                                 Style::withAlpha(bpText, 0.35), 10, devicePixelRatioF());
    hintIcon->setObjectName(QStringLiteral("sortHintIcon"));
    hint->addWidget(hintIcon);
    QLabel *hintText = Style::label(QStringLiteral("Bestaande bestanden worden gesorteerd"), 11,
                                    QFont::Normal, bpText, 0.35);
    hintText->setObjectName(QStringLiteral("sortHint"));
    hint->addWidget(hintText);
    row->addWidget(m_sortHint, 0, Qt::AlignVCenter);
    // Takes the hint's place while a file is copied to another drive.
    m_statusText = Style::label(QString(), 11, QFont::Normal, bpText, 0.6);
    m_statusText->setObjectName(QStringLiteral("statusText"));
    m_statusText->hide();
    row->addWidget(m_statusText, 0, Qt::AlignVCenter);
    // Why the create button is off, also in the hint's place.
    m_problemText = Style::label(QString(), 11, QFont::Normal, bpRed);
    m_problemText->setObjectName(QStringLiteral("problemText"));
    m_problemText->setWordWrap(true);
    m_problemText->hide();
    row->addWidget(m_problemText, 1, Qt::AlignVCenter);
    // Takes the room only when the reason is hidden: a stretch of 0 gives way to the reason's 1.
    row->addStretch(0);

    m_cancelButton = new QPushButton(QStringLiteral("Annuleren"));
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setFont(Style::uiFont(13));
    m_cancelButton->setStyleSheet(Style::plainButtonSheet(bpText, 0.45));
    m_cancelButton->setShortcut(QKeySequence(Qt::Key_Escape));
    // Enter on a focused button presses it, as Space does.
    m_cancelButton->setAutoDefault(true);
    m_cancelButton->setCursor(Qt::PointingHandCursor);
    // Closing does not stop a run: its file work goes on to the end.
    connect(m_cancelButton, &QPushButton::clicked, this, [this] { window()->close(); });
    row->addWidget(m_cancelButton, 0, Qt::AlignVCenter);

    m_createButton = new QPushButton;
    m_createButton->setObjectName(QStringLiteral("createButton"));
    GoldButtonStyle::apply(m_createButton);
    m_createButton->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    m_createButton->setCursor(Qt::PointingHandCursor);
    m_createButton->setAutoDefault(true);
    m_createOpacity = new QGraphicsOpacityEffect(m_createButton);
    m_createButton->setGraphicsEffect(m_createOpacity);
    connect(m_createButton, &QPushButton::clicked, this, &ProjectSetupWindow::startRun);
    row->addWidget(m_createButton, 0, Qt::AlignVCenter);
    return bar;
}

QString ProjectSetupWindow::createTitle(const ProjectSetupModel &model)
{
    if (model.fillsExisting())
        return model.isCreating() ? QStringLiteral("Aanvullen…") : QStringLiteral("Vul aan →");
    if (model.isCreating())
        return QStringLiteral("Aanmaken…");
    const ProjectConfig &config = model.config();
    if (!config.batchMode)
        return QStringLiteral("Maak structuur →");
    const qsizetype count = std::max<qsizetype>(1, config.batchProjectNames().size());
    return QStringLiteral("Maak ") + QString::number(count) + QStringLiteral(" projecten →");
}

void ProjectSetupWindow::refreshActions()
{
    const ProjectConfig &config = m_model.config();
    const std::optional<QString> &status = m_model.statusMessage();
    m_statusText->setText(status.value_or(QString()));
    m_statusText->setVisible(status.has_value());
    const QString problems = PlanProblemText::dutch(m_model.problems(), m_model.plan().fields());
    m_problemText->setText(problems);
    m_problemText->setAccessibleName(problems);
    m_problemText->setVisible(!problems.isEmpty() && !status);
    m_sortHint->setVisible(config.sortExistingFiles && !config.batchMode && !status &&
                           problems.isEmpty() && !m_model.fillsExisting());
    const QString title = createTitle(m_model);
    if (m_createButton->text() != title) {
        m_createButton->setText(title);
        // setText() replaces the shortcut with the title's mnemonic.
        m_createButton->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
        m_createButton->updateGeometry();
    }
    const bool enabled = m_model.canCreate();
    // Behind the success overlay the button is idle too, also for assistive technology.
    m_createButton->setEnabled(enabled && !m_model.showSuccess());
    m_createButton->setAccessibleDescription(problems);
    m_createOpacity->setOpacity(enabled ? 1.0 : 0.35);
}

void ProjectSetupWindow::startRun()
{
    if (!m_model.canCreate() || m_model.showSuccess())
        return;
    m_run = m_model.createStructure();
    whenFinished(m_run, this, [this] { Q_EMIT runFinished(); });
}

void ProjectSetupWindow::refreshError()
{
    const std::optional<QString> &message = m_model.errorMessage();
    const bool appears = message && (m_errorBar->isHidden() || m_errorText->text() != *message);
    m_errorText->setText(message.value_or(QString()));
    m_errorText->setAccessibleName(message.value_or(QString()));
    m_errorBar->setVisible(message.has_value());
    // Screen readers speak what takes the focus; the next Tab goes on to the action bar.
    if (appears && isActiveWindow())
        m_errorText->setFocus(Qt::OtherFocusReason);
}

void ProjectSetupWindow::refreshSuccess()
{
    m_overlay->setMessage(m_model.successMessage());
    m_overlay->setGeometry(rect());
    m_overlay->setShown(m_model.showSuccess());
}

void ProjectSetupWindow::chooseTarget(const QString &path)
{
    ProjectConfig config = m_model.config();
    config.targetFolderURL = path;
    m_model.setConfig(config);
    m_model.reportFailureOf(m_model.stores().recentFolders.add(path));
}

void ProjectSetupWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Open ready to type the rest of the name after the prefilled date. Set before the window
    // is mapped: a key pressed as soon as it appears must not reach another control first.
    m_form->focusName();
}

void ProjectSetupWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_dropFrame->setGeometry(rect());
    m_overlay->setGeometry(rect());
}

void ProjectSetupWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (!offersLocalFile(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    m_model.setDragTargeted(true);
}

void ProjectSetupWindow::dragMoveEvent(QDragMoveEvent *event)
{
    if (offersLocalFile(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void ProjectSetupWindow::dragLeaveEvent(QDragLeaveEvent *event)
{
    QWidget::dragLeaveEvent(event);
    m_model.setDragTargeted(false);
}

void ProjectSetupWindow::dropEvent(QDropEvent *event)
{
    m_model.setDragTargeted(false);
    if (!offersLocalFile(event->mimeData())) {
        event->ignore();
        return;
    }
    // Accepted before we know whether it is a folder.
    const QUrl first = event->mimeData()->urls().constFirst();
    event->acceptProposedAction();
    QTimer::singleShot(0, this, [this, first] {
        const QFileInfo info(first.toLocalFile());
        if (info.isDir())
            chooseTarget(QDir::cleanPath(info.absoluteFilePath()));
    });
}

void ProjectSetupWindow::editAsTemplate()
{
    const ProjectConfig &config = m_model.config();
    CustomTemplateStore &store = m_model.stores().templates;
    // An own template is edited itself, a shared one as a copy; a built-in one becomes a new
    // template.
    if (m_model.plan().isCustom()) {
        for (const CustomTemplate &t : store.all()) {
            if (t.id == config.customTemplateID)
                return TemplatesTab::runEditor(store, t.shared ? TemplatesTab::draftFrom(t) : t);
        }
    }
    CustomTemplate draft;
    draft.name = displayName(config.platform);
    draft.icon = CustomTemplateStore::savedIcon;
    for (const FolderNode &node : m_model.resolvedTree())
        draft.roots.append(CustomFolderNode::from(node));
    draft.roots = TemplateTree::withFreshIds(std::move(draft.roots));
    TemplatesTab::runEditor(store, draft);
}

} // namespace bp

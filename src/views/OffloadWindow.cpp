#include "views/OffloadWindow.h"

#include "offload/OffloadReport.h"
#include "views/AccessibleRole.h"
#include "views/ChevronComboBox.h"
#include "views/FolderDialog.h"
#include "views/GoldButtonStyle.h"
#include "views/HeaderBand.h"
#include "views/OffloadText.h"
#include "views/SettingsStyle.h"
#include "views/Style.h"
#include "workflow/OffloadModel.h"

#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace bp {
namespace {

constexpr int pickRole = Qt::UserRole + 1;
constexpr int contentWidth = 560;
constexpr int contentHeight = 500;
constexpr int projectFolderLimit = 40;

ChevronComboBox *comboBox(const QString &name, const QString &accessibleName)
{
    auto *box = new ChevronComboBox;
    box->setObjectName(name);
    box->setAccessibleName(accessibleName);
    box->setFont(Style::uiFont(12));
    box->setStyleSheet(SettingsStyle::comboSheet());
    box->setCursor(Qt::PointingHandCursor);
    return box;
}

QLabel *fieldLabel(const QString &text, QWidget *buddy)
{
    QLabel *label = Style::label(text, 11, QFont::DemiBold, bpText, 0.7);
    label->setBuddy(buddy);
    return label;
}

QPushButton *plainButton(const QString &text, const QString &name)
{
    auto *button = new QPushButton(text);
    button->setObjectName(name);
    button->setFont(Style::uiFont(13));
    button->setStyleSheet(Style::plainButtonSheet(bpText, 0.6));
    button->setAutoDefault(true);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

// The project's folders, two levels deep, in name order; not its hidden ones or histories.
QStringList projectFolders(const QString &project)
{
    QStringList found;
    const auto list = [](const QString &dir) {
        return QDir(dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    };
    for (const QString &top : list(project)) {
        if (top == u"ascmhl")
            continue;
        found.append(top);
        for (const QString &sub : list(project + QLatin1Char('/') + top))
            if (sub != u"ascmhl")
                found.append(top + QLatin1Char('/') + sub);
        if (found.size() >= projectFolderLimit)
            break;
    }
    return found.mid(0, projectFolderLimit);
}

QString cardLabel(const OffloadModel &model)
{
    if (const std::optional<offload::CardInfo> card = model.sourceCard())
        return card->label;
    return QFileInfo(model.source()).fileName();
}

QString problemText(OffloadModel::Problem problem)
{
    switch (problem) {
    case OffloadModel::Problem::noSource:
        return QStringLiteral("Kies een kaart of map.");
    case OffloadModel::Problem::sourceMissing:
        return QStringLiteral("De kaart of map is er niet meer.");
    case OffloadModel::Problem::noDestination:
        return QStringLiteral("Kies waar de kaart heen gaat.");
    case OffloadModel::Problem::destinationInSource:
        return QStringLiteral("Een kopie kan niet op de kaart zelf.");
    case OffloadModel::Problem::sameDestinations:
        return QStringLiteral("De tweede kopie moet naar een andere map.");
    case OffloadModel::Problem::none:
    case OffloadModel::Problem::running:
        break;
    }
    return {};
}

} // namespace

OffloadWindow::OffloadWindow(OffloadModel &model, QWidget *parent)
    : QWidget(parent), m_model(model),
      m_picker([](QWidget *parent, const QString &title, const QString &startIn) {
          return FolderDialog::choose(parent, title, startIn);
      })
{
    setObjectName(QStringLiteral("offloadWindow"));
    Style::setUpWindow(this, title, QSize(contentWidth, contentHeight));

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_project = Style::label(QString(), 12, QFont::Normal, bpText, 0.6);
    m_project->setObjectName(QStringLiteral("projectName"));
    column->addWidget(new HeaderBand({24, 13, QMargins(16, 10, 16, 10), 12}, m_project));
    column->addWidget(Style::rule());
    m_pages = new QStackedWidget;
    m_pages->addWidget(buildForm());
    m_pages->addWidget(buildRunPage());
    column->addWidget(m_pages, 1);
    column->addWidget(Style::rule());
    column->addWidget(buildActionBar());

    connect(&m_model, &OffloadModel::cardsChanged, this, &OffloadWindow::refreshCards);
    connect(&m_model, &OffloadModel::choicesChanged, this, &OffloadWindow::refreshChoices);
    connect(&m_model, &OffloadModel::stateChanged, this, &OffloadWindow::refreshState);
    connect(&m_model, &OffloadModel::progressChanged, this, &OffloadWindow::refreshProgress);
    connect(&m_model, &OffloadModel::finished, this, &OffloadWindow::refreshResult);
    refreshChoices();
    refreshState();
    if (m_model.outcome())
        refreshResult();
    m_source->setFocus(Qt::OtherFocusReason);
}

QWidget *OffloadWindow::buildForm()
{
    auto *page = new QWidget;
    auto *form = new QVBoxLayout(page);
    form->setContentsMargins(24, 18, 24, 12);
    form->setSpacing(6);

    m_source = comboBox(QStringLiteral("sourceBox"), QStringLiteral("Kaart"));
    form->addWidget(Style::sectionLabel(QStringLiteral("Bron")));
    form->addWidget(fieldLabel(QStringLiteral("Kaart"), m_source));
    form->addWidget(m_source);
    form->addSpacing(10);

    m_destination = comboBox(QStringLiteral("destinationBox"), QStringLiteral("Naar map"));
    m_second = comboBox(QStringLiteral("secondBox"), QStringLiteral("Tweede kopie"));
    form->addWidget(Style::sectionLabel(QStringLiteral("Bestemming")));
    form->addWidget(fieldLabel(QStringLiteral("Naar map"), m_destination));
    form->addWidget(m_destination);
    form->addWidget(fieldLabel(QStringLiteral("Tweede kopie"), m_second));
    form->addWidget(m_second);
    form->addSpacing(10);

    m_hash = comboBox(QStringLiteral("hashBox"), QStringLiteral("Controlesom"));
    m_hash->addItem(QStringLiteral("XXH3-128 (standaard)"), int(offload::HashKind::xxh128));
    m_hash->addItem(QStringLiteral("XXH3-64"), int(offload::HashKind::xxh3));
    m_hash->addItem(QStringLiteral("XXH64"), int(offload::HashKind::xxh64));
    m_hash->addItem(QStringLiteral("MD5"), int(offload::HashKind::md5));
    m_verify = comboBox(QStringLiteral("verifyBox"), QStringLiteral("Controle"));
    m_verify->addItem(QStringLiteral("kopie en controle"), true);
    m_verify->addItem(QStringLiteral("alleen kopie"), false);
    m_verify->setItemData(0, QStringLiteral("Elke kopie wordt teruggelezen en vergeleken"),
                          Qt::ToolTipRole);
    m_verify->setItemData(1, QStringLiteral("Sneller, maar de kopieën zijn niet gecontroleerd"),
                          Qt::ToolTipRole);
    form->addWidget(Style::sectionLabel(QStringLiteral("Controle")));
    auto *choices = new QHBoxLayout;
    choices->setSpacing(12);
    auto *hashColumn = new QVBoxLayout;
    hashColumn->setSpacing(6);
    hashColumn->addWidget(fieldLabel(QStringLiteral("Controlesom"), m_hash));
    hashColumn->addWidget(m_hash);
    auto *verifyColumn = new QVBoxLayout;
    verifyColumn->setSpacing(6);
    verifyColumn->addWidget(fieldLabel(QStringLiteral("Controle"), m_verify));
    verifyColumn->addWidget(m_verify);
    choices->addLayout(hashColumn, 1);
    choices->addLayout(verifyColumn, 1);
    form->addLayout(choices);
    form->addStretch(1);

    connect(m_source, &QComboBox::activated, this, [this](int index) {
        if (m_source->itemData(index, pickRole).toBool()) {
            if (const auto folder = pick(QStringLiteral("Kies de kaart of map"), QString()))
                m_model.chooseFolder(*folder);
            refreshCards();
        } else if (const QString root = m_source->itemData(index).toString(); !root.isEmpty()) {
            m_model.chooseCard(root);
        }
    });
    connect(m_destination, &QComboBox::activated, this, [this](int index) {
        if (m_destination->itemData(index, pickRole).toBool()) {
            const QString start =
                m_model.project().isEmpty() ? m_model.destination() : m_model.project();
            if (const auto folder = pick(QStringLiteral("Kies de map voor de kaart"), start))
                m_model.setDestination(*folder);
            refreshDestinations();
        } else {
            m_model.setDestination(m_destination->itemData(index).toString());
        }
    });
    connect(m_second, &QComboBox::activated, this, [this](int index) {
        if (m_second->itemData(index, pickRole).toBool()) {
            if (const auto folder = pick(QStringLiteral("Tweede kopie naar"), QString()))
                m_model.setSecondDestination(*folder);
            refreshChoices();
        } else {
            m_model.setSecondDestination(m_second->itemData(index).toString());
        }
    });
    connect(m_hash, &QComboBox::activated, this, [this](int index) {
        m_model.setHash(offload::HashKind(m_hash->itemData(index).toInt()));
    });
    connect(m_verify, &QComboBox::activated, this,
            [this](int index) { m_model.setVerify(m_verify->itemData(index).toBool()); });
    return page;
}

QWidget *OffloadWindow::buildRunPage()
{
    auto *page = new QWidget;
    auto *column = new QVBoxLayout(page);
    column->setContentsMargins(24, 18, 24, 12);
    column->setSpacing(8);
    m_runTitle = Style::label(QString(), 15, QFont::DemiBold, bpText);
    m_runTitle->setObjectName(QStringLiteral("runTitle"));
    column->addWidget(m_runTitle);
    m_bar = new QProgressBar;
    m_bar->setObjectName(QStringLiteral("progressBar"));
    m_bar->setAccessibleName(QStringLiteral("Voortgang"));
    m_bar->setRange(0, 1000);
    m_bar->setTextVisible(false);
    m_bar->setFixedHeight(8);
    m_bar->setStyleSheet(
        QStringLiteral("QProgressBar { background: %1; border: none;"
                       " border-radius: 4px; }"
                       "QProgressBar::chunk { background: %2; border-radius: 4px; }")
            .arg(Style::css(bpBorder), Style::css(bpBlue)));
    column->addWidget(m_bar);
    m_rate = Style::label(QString(), 12, QFont::Normal, bpText, 0.8);
    m_rate->setObjectName(QStringLiteral("rateText"));
    column->addWidget(m_rate);
    m_current = Style::label(QString(), 11, QFont::Normal, bpText, 0.5);
    m_current->setObjectName(QStringLiteral("currentFile"));
    m_current->setMinimumWidth(1);
    column->addWidget(m_current);
    m_summary = Style::label(QString(), 12, QFont::Normal, bpText);
    m_summary->setObjectName(QStringLiteral("summary"));
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(m_summary);
    m_results = new QListWidget;
    m_results->setObjectName(QStringLiteral("resultList"));
    m_results->setAccessibleName(QStringLiteral("Bijzonderheden"));
    m_results->setFont(Style::uiFont(11));
    m_results->setStyleSheet(
        QStringLiteral("QListWidget { background: %1; color: %2; border: 1px solid %3;"
                       " border-radius: 5px; padding: 2px; }"
                       "QListWidget:focus { border-color: %4; }"
                       "QListWidget::item:selected { background: %5; color: %2; }")
            .arg(Style::css(bpCard), Style::css(bpText), Style::css(bpText, 0.12),
                 Style::css(bpBlue, 0.85), Style::css(bpBlue, 0.35)));
    column->addWidget(m_results, 1);
    column->addStretch(0);
    return page;
}

QWidget *OffloadWindow::buildActionBar()
{
    auto *bar = new QFrame;
    bar->setObjectName(QStringLiteral("actionBar"));
    bar->setStyleSheet(
        QStringLiteral("QFrame#actionBar { background: %1; }").arg(Style::css(bpCard)));
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(16, 12, 16, 12);
    row->setSpacing(12);
    m_problem = Style::label(QString(), 11, QFont::Normal, bpRed);
    m_problem->setObjectName(QStringLiteral("problemText"));
    m_problem->setWordWrap(true);
    row->addWidget(m_problem, 1, Qt::AlignVCenter);

    m_cancel = plainButton(QStringLiteral("Annuleer"), QStringLiteral("cancelButton"));
    m_cancel->setAccessibleDescription(
        QStringLiteral("Stopt de import; wat klaar is blijft staan"));
    connect(m_cancel, &QPushButton::clicked, &m_model, &OffloadModel::cancel);
    row->addWidget(m_cancel, 0, Qt::AlignVCenter);
    m_again = plainButton(QStringLiteral("Nieuwe import"), QStringLiteral("againButton"));
    connect(m_again, &QPushButton::clicked, this, [this] {
        m_pages->setCurrentIndex(0);
        refreshState();
        m_source->setFocus(Qt::OtherFocusReason);
    });
    row->addWidget(m_again, 0, Qt::AlignVCenter);
    m_close = plainButton(QStringLiteral("Sluiten"), QStringLiteral("closeButton"));
    connect(m_close, &QPushButton::clicked, this, [this] { window()->close(); });
    row->addWidget(m_close, 0, Qt::AlignVCenter);

    m_start = new QPushButton(QStringLiteral("Importeer"));
    m_start->setObjectName(QStringLiteral("startButton"));
    GoldButtonStyle::apply(m_start);
    m_start->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    m_start->setAutoDefault(true);
    m_start->setCursor(Qt::PointingHandCursor);
    // The painted button shows no disabled state of its own.
    m_start->setGraphicsEffect(new QGraphicsOpacityEffect(m_start));
    connect(m_start, &QPushButton::clicked, this, [this] {
        if (m_model.start())
            m_pages->setCurrentIndex(1);
    });
    row->addWidget(m_start, 0, Qt::AlignVCenter);
    return bar;
}

void OffloadWindow::refreshCards()
{
    const QSignalBlocker blocker(m_source);
    m_source->clear();
    bool chosen = false;
    for (const offload::CardInfo &card : m_model.cards()) {
        const QString text =
            card.layout.isEmpty() ? card.label : card.label + QStringLiteral(" — ") + card.layout;
        m_source->addItem(text, card.root);
        m_source->setItemData(m_source->count() - 1, card.root, Qt::ToolTipRole);
        if (QDir::cleanPath(card.root) == m_model.source()) {
            m_source->setCurrentIndex(m_source->count() - 1);
            chosen = true;
        }
    }
    if (!chosen && !m_model.source().isEmpty()) {
        m_source->insertItem(0, QFileInfo(m_model.source()).fileName(), m_model.source());
        m_source->setItemData(0, m_model.source(), Qt::ToolTipRole);
        m_source->setCurrentIndex(0);
    } else if (!chosen) {
        m_source->insertItem(0, QStringLiteral("Geen kaart gevonden"));
        m_source->setCurrentIndex(0);
    }
    m_source->addItem(QStringLiteral("Kies map…"));
    m_source->setItemData(m_source->count() - 1, true, pickRole);
    m_source->setAccessibleDescription(m_model.source());
}

void OffloadWindow::refreshDestinations()
{
    const QSignalBlocker blocker(m_destination);
    m_destination->clear();
    const QString project = m_model.project();
    const QString current = m_model.destination();
    const auto shown = [&](const QString &path) {
        if (!project.isEmpty() && path.startsWith(project + QLatin1Char('/')))
            return path.mid(project.size() + 1);
        return path;
    };
    if (!current.isEmpty())
        m_destination->addItem(shown(current), current);
    else
        m_destination->addItem(QStringLiteral("Nog geen map gekozen"));
    // Any folder of the project, with the card under its own name.
    const QString label = cardLabel(m_model);
    if (!project.isEmpty() && !label.isEmpty()) {
        for (const QString &folder : projectFolders(project)) {
            const QString path = project + QLatin1Char('/') + folder + QLatin1Char('/') + label;
            if (path != current)
                m_destination->addItem(shown(path), path);
        }
    }
    for (int i = 0; i < m_destination->count(); ++i)
        m_destination->setItemData(i, m_destination->itemData(i), Qt::ToolTipRole);
    m_destination->addItem(QStringLiteral("Kies map…"));
    m_destination->setItemData(m_destination->count() - 1, true, pickRole);
    m_destination->setCurrentIndex(0);
    m_destination->setAccessibleDescription(current);
}

void OffloadWindow::refreshChoices()
{
    refreshCards();
    refreshDestinations();
    {
        const QSignalBlocker blocker(m_second);
        m_second->clear();
        m_second->addItem(QStringLiteral("Geen tweede kopie"), QString());
        if (!m_model.secondDestination().isEmpty()) {
            m_second->addItem(m_model.secondDestination(), m_model.secondDestination());
            m_second->setCurrentIndex(1);
        }
        m_second->addItem(QStringLiteral("Tweede kopie naar…"));
        m_second->setItemData(m_second->count() - 1, true, pickRole);
        m_second->setAccessibleDescription(m_model.secondDestination());
    }
    {
        const QSignalBlocker hashBlocker(m_hash);
        m_hash->setCurrentIndex(m_hash->findData(int(m_model.hash())));
        const QSignalBlocker verifyBlocker(m_verify);
        m_verify->setCurrentIndex(m_model.verify() ? 0 : 1);
    }
    m_project->setText(m_model.project().isEmpty() ? QString()
                                                   : QFileInfo(m_model.project()).fileName());
    m_project->setToolTip(m_model.project());
    refreshState();
}

void OffloadWindow::refreshState()
{
    const OffloadModel::State state = m_model.state();
    const bool running = state == OffloadModel::State::running;
    const bool onForm = m_pages->currentIndex() == 0 && !running;
    if (running)
        m_pages->setCurrentIndex(1);
    const QString problem = onForm ? problemText(m_model.problem()) : QString();
    m_problem->setText(problem);
    m_problem->setAccessibleName(problem);
    m_start->setVisible(onForm);
    m_start->setEnabled(m_model.canStart());
    static_cast<QGraphicsOpacityEffect *>(m_start->graphicsEffect())
        ->setOpacity(m_model.canStart() ? 1.0 : 0.35);
    m_start->setAccessibleDescription(problem);
    m_close->setVisible(!running);
    m_cancel->setVisible(running);
    m_cancel->setEnabled(!m_model.isCancelling());
    m_again->setVisible(!onForm && !running);
    if (running)
        m_runTitle->setText(m_model.isCancelling() ? QStringLiteral("Stoppen…")
                                                   : QStringLiteral("Importeren…"));
    if (running && !m_summary->isHidden()) {
        m_summary->hide();
        m_results->hide();
        m_bar->setValue(0);
        m_rate->clear();
        m_current->clear();
        m_rate->show();
        m_current->show();
    }
    // The focus stays on a button that is still there.
    if (running && !m_cancel->hasFocus() && isActiveWindow())
        m_cancel->setFocus(Qt::OtherFocusReason);
}

void OffloadWindow::refreshProgress()
{
    const offload::OffloadProgress &p = m_model.progress();
    const int permille = p.bytesTotal > 0 ? int(p.bytesDone * 1000 / p.bytesTotal) : 0;
    m_bar->setValue(permille);
    QString text = QStringLiteral("%1% — %2 van %3")
                       .arg(permille / 10)
                       .arg(offload::sizeText(p.bytesDone), offload::sizeText(p.bytesTotal));
    if (p.bytesPerSecond > 0)
        text += QStringLiteral(", ") + OffloadText::rate(p.bytesPerSecond);
    if (const QString left = OffloadText::timeLeft(p.secondsLeft); !left.isEmpty())
        text += QStringLiteral(", ") + left;
    m_rate->setText(text);
    m_bar->setAccessibleDescription(text);
    m_current->setText(QStringLiteral("Bestand %1 van %2: %3")
                           .arg(p.filesDone)
                           .arg(p.filesTotal)
                           .arg(p.currentFile));
}

void OffloadWindow::refreshResult()
{
    const std::optional<offload::OffloadOutcome> &outcome = m_model.outcome();
    if (!outcome)
        return;
    m_pages->setCurrentIndex(1);
    QString heading;
    if (outcome->cancelled)
        heading = QStringLiteral("Import geannuleerd");
    else if (OffloadModel::succeeded(*outcome))
        heading = QStringLiteral("Kaart geïmporteerd ✓");
    else
        heading = QStringLiteral("Kaart importeren mislukt");
    m_runTitle->setText(heading);
    m_bar->setValue(outcome->error ? 0 : 1000);
    m_rate->hide();
    m_current->hide();
    // A run that could not start has nothing to count.
    QString summary = outcome->error ? QString() : OffloadText::summary(*outcome);
    if (outcome->nothingCopied())
        summary += QStringLiteral(". Alles stond er al; niets gekopieerd.");
    else if (!outcome->request.verify)
        summary += QStringLiteral(". Alleen gekopieerd, niet gecontroleerd.");
    // Where it came from and went, as the report in the offload folder says it.
    if (!outcome->error)
        summary += QStringLiteral("\nVan %1\nNaar %2")
                       .arg(QDir::toNativeSeparators(outcome->request.source),
                            QDir::toNativeSeparators(outcome->request.destinations.join(u" en ")));
    if (const QString failure = OffloadText::firstFailure(*outcome);
        !failure.isEmpty() && !outcome->cancelled)
        summary += (summary.isEmpty() ? QString() : QStringLiteral("\n")) + failure;
    m_summary->setText(summary);
    m_summary->setAccessibleName(summary);
    m_summary->show();

    m_results->clear();
    for (const offload::FileResult &file : outcome->sourceProblems)
        m_results->addItem(OffloadText::fileLine(file));
    const bool two = outcome->destinations.size() > 1;
    for (const offload::DestinationResult &destination : outcome->destinations) {
        const QString prefix =
            two ? QFileInfo(destination.folder).fileName() + QStringLiteral(" · ") : QString();
        for (const offload::FileResult &file : destination.files) {
            using offload::FileState;
            if (file.state == FileState::verified || file.state == FileState::copiedUnverified)
                continue;
            m_results->addItem(prefix + OffloadText::fileLine(file));
        }
    }
    m_results->setVisible(m_results->count() > 0);
    refreshState();
    if (isActiveWindow())
        m_close->setFocus(Qt::OtherFocusReason);
}

std::optional<QString> OffloadWindow::pick(const QString &title, const QString &startIn)
{
    return m_picker ? m_picker(this, title, startIn) : std::nullopt;
}

void OffloadWindow::keyPressEvent(QKeyEvent *event)
{
    // Escape closes, except during a run: a stray key must not look like a cancel.
    if (event->key() == Qt::Key_Escape && m_model.state() != OffloadModel::State::running) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace bp

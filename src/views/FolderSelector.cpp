#include "views/FolderSelector.h"

#include "stores/RecentFoldersStore.h"
#include "views/FolderDialog.h"
#include "views/Style.h"
#include "views/SymbolIcons.h"
#include "workflow/ProjectSetupModel.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QTimer>

#include <utility>

namespace bp {
namespace {
constexpr int padH = 10;
constexpr int padV = 5;
constexpr int spacing = 5;
constexpr int iconSide = 10;
constexpr int chevronSide = 8;
constexpr int maxNameWidth = 220;

QString lastComponent(const QString &path)
{
    const QString name = QFileInfo(QDir::cleanPath(path)).fileName();
    return name.isEmpty() ? path : name;
}
} // namespace

FolderSelector::FolderSelector(ProjectSetupModel &model, RecentFoldersStore &recent,
                               QWidget *parent)
    : QToolButton(parent), m_model(model), m_recent(recent), m_menu(new QMenu(this)),
      m_picker(&FolderSelector::runFolderDialog)
{
    setObjectName(QStringLiteral("folderSelector"));
    setPopupMode(QToolButton::InstantPopup);
    setMenu(m_menu);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    m_menu->setFont(Style::uiFont(13));
    connect(m_menu, &QMenu::aboutToShow, this, [this] {
        if (std::exchange(m_openedByKey, false))
            QTimer::singleShot(0, m_menu, [this] { activateFirstEntry(); });
    });

    connect(&m_model, &ProjectSetupModel::configChanged, this, [this] {
        if (m_model.config().targetFolderURL != m_target)
            refreshLabel();
    });
    connect(&m_recent, &RecentFoldersStore::foldersChanged, this, &FolderSelector::rebuildMenu);
    refreshLabel();
}

std::optional<QString> FolderSelector::runFolderDialog(QWidget *parent)
{
    return FolderDialog::choose(
        parent, QStringLiteral("Kies de map waar de projectstructuur in gemaakt wordt"));
}

void FolderSelector::pickFolder()
{
    if (std::optional<QString> folder = m_picker(window()))
        Q_EMIT folderChosen(*folder);
}

void FolderSelector::refreshLabel()
{
    m_target = m_model.config().targetFolderURL;
    setText(labelText());
    setAccessibleName(labelText());
    setAccessibleDescription(m_target.value_or(QString()));
    setToolTip(m_target.value_or(QString()));
    rebuildMenu();
    updateGeometry();
    update();
}

QString FolderSelector::labelText() const
{
    return m_target ? lastComponent(*m_target) : QStringLiteral("Kies map…");
}

QString FolderSelector::shownName() const
{
    const QFontMetrics metrics(Style::uiFont(11));
    return metrics.elidedText(labelText(), Qt::ElideMiddle, maxNameWidth);
}

void FolderSelector::rebuildMenu()
{
    m_menu->clear();
    const QIcon plus = SymbolIcons::icon(QStringLiteral("folder.badge.plus"), bpText, 14);
    QAction *pick = m_menu->addAction(plus, m_target ? QStringLiteral("Andere map kiezen…")
                                                     : QStringLiteral("Map kiezen…"));
    connect(pick, &QAction::triggered, this, &FolderSelector::pickFolder);
    const QStringList folders = m_recent.folders();
    if (folders.isEmpty())
        return;
    m_menu->addSeparator();
    QAction *caption = m_menu->addAction(QStringLiteral("Recent"));
    caption->setEnabled(false);
    const QIcon clock = SymbolIcons::icon(QStringLiteral("clock"), bpText, 14);
    for (const QString &folder : folders) {
        QAction *entry = m_menu->addAction(clock, lastComponent(folder));
        entry->setToolTip(folder);
        entry->setData(folder);
        connect(entry, &QAction::triggered, this, [this, folder] { Q_EMIT folderChosen(folder); });
    }
}

QSize FolderSelector::sizeHint() const
{
    const QFontMetrics metrics(Style::uiFont(11));
    int width = padH * 2 + iconSide + spacing + metrics.horizontalAdvance(shownName());
    if (m_target)
        width += spacing + chevronSide;
    return {width, padV * 2 + std::max(iconSide, metrics.height())};
}

void FolderSelector::keyPressEvent(QKeyEvent *event)
{
    // Space already opens the menu; these are the other keys of a pull-down.
    const int key = event->key();
    const bool altDown =
        (key == Qt::Key_Down || key == Qt::Key_Up) && (event->modifiers() & Qt::AltModifier);
    if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter ||
        key == Qt::Key_F4 || altDown) {
        m_openedByKey = true;
        showMenu();
        return;
    }
    QToolButton::keyPressEvent(event);
}

void FolderSelector::activateFirstEntry()
{
    // Opened from the keyboard, the menu starts on its first entry, as a menu bar's does, so
    // the arrows and a screen reader have somewhere to begin.
    for (QAction *action : m_menu->actions())
        if (action->isEnabled() && !action->isSeparator()) {
            m_menu->setActiveAction(action);
            return;
        }
}

void FolderSelector::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect());
    if (m_target)
        Style::paintFramedShape(p, frame, 6, bpCard, bpBorder);
    else
        Style::paintFramedShape(p, frame, 6, Style::withAlpha(bpBlue, 0.1),
                                Style::withAlpha(bpBlue, 0.4));
    if (hasFocus())
        Style::paintFocusRing(p, frame, 6);
    if (isDown())
        p.setOpacity(0.7);

    const int midY = height() / 2;
    int x = padH;
    SymbolIcons::paint(
        p, QRectF(x, midY - iconSide / 2.0, iconSide, iconSide),
        m_target ? QStringLiteral("folder.fill") : QStringLiteral("folder.badge.plus"), bpBlue);
    x += iconSide + spacing;
    const QFont font = Style::uiFont(11);
    const QString name = shownName();
    const int nameWidth = QFontMetrics(font).horizontalAdvance(name);
    p.setFont(font);
    p.setPen(m_target ? Style::withAlpha(bpText, 0.7) : bpBlue);
    p.drawText(QRect(x, 0, nameWidth + 1, height()), Qt::AlignLeft | Qt::AlignVCenter, name);
    x += nameWidth + spacing;
    if (m_target)
        SymbolIcons::paint(p, QRectF(x, midY - chevronSide / 2.0, chevronSide, chevronSide),
                           QStringLiteral("chevron.down"), Style::withAlpha(bpText, 0.35));
}

} // namespace bp

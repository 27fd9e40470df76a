#include "views/PreviewTreeView.h"

#include "views/PreviewTreeModel.h"
#include "views/Style.h"
#include "views/TreeNodeDelegate.h"

#include <QAccessible>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVariantAnimation>

namespace bp {

PreviewTreeView::PreviewTreeView(QWidget *parent)
    : QTreeView(parent), m_model(new PreviewTreeModel(this)),
      m_chevronAnimation(new QVariantAnimation(this)), m_rowAnimation(new QVariantAnimation(this))
{
    setObjectName(QStringLiteral("previewTree"));
    setAccessibleName(QStringLiteral("Voorvertoning"));
    setModel(m_model);
    setItemDelegate(new TreeNodeDelegate(this));
    setHeaderHidden(true);
    header()->setStretchLastSection(true);
    setRootIsDecorated(false);
    setIndentation(levelWidth);
    setUniformRowHeights(true);
    setItemsExpandable(true);
    setExpandsOnDoubleClick(false);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setViewportMargins(margin, margin, margin, margin);
    setFocusPolicy(Qt::StrongFocus);
    setStyleSheet(
        QStringLiteral("QTreeView { background: %1; border: none; }").arg(Style::css(bpDark)));

    for (QVariantAnimation *animation : {m_chevronAnimation, m_rowAnimation}) {
        animation->setDuration(toggleMilliseconds);
        animation->setEasingCurve(QEasingCurve::InOutQuad);
        animation->setStartValue(0.0);
        animation->setEndValue(1.0);
        connect(animation, &QVariantAnimation::valueChanged, viewport(),
                qOverload<>(&QWidget::update));
    }
    connect(m_rowAnimation, &QVariantAnimation::finished, this, [this] { m_slide = {}; });
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this,
            &PreviewTreeView::stopRowAnimation);

    connect(this, &QTreeView::expanded, this, &PreviewTreeView::onExpanded);
    connect(this, &QTreeView::collapsed, this, &PreviewTreeView::onCollapsed);
}

void PreviewTreeView::setContents(const QString &rootName, const QList<FolderNode> &nodes,
                                  const QString &note)
{
    setContents(rootName, nodes, note, {});
}

void PreviewTreeView::setContents(const QString &rootName, const QList<FolderNode> &nodes,
                                  const QString &note, const PreviewTreeMarks &marks)
{
    // Remember which rows are collapsed before their ids may change.
    QList<QPair<int, QUuid>> collapsedItems;
    for (const QUuid &id : std::as_const(m_collapsed))
        collapsedItems.append({m_model->itemForId(id), id});

    switch (m_model->setContents(rootName, nodes, note, marks)) {
    case PreviewTreeModel::Change::reset:
        applyExpansion();
        break;
    case PreviewTreeModel::Change::ids:
        // A row whose node came back with a new id is a new row: it starts expanded.
        m_applying = true;
        for (const auto &[item, id] : collapsedItems) {
            if (item >= 0 && m_model->idOfItem(item) != id) {
                m_collapsed.remove(id);
                expand(m_model->indexOfItem(item));
            }
        }
        m_applying = false;
        break;
    case PreviewTreeModel::Change::inPlace:
    case PreviewTreeModel::Change::none:
        break;
    }
}

void PreviewTreeView::applyExpansion()
{
    m_applying = true;
    expandAll();
    QSet<QUuid> kept;
    for (const QUuid &id : std::as_const(m_collapsed)) {
        const QModelIndex index = m_model->indexForId(id);
        if (index.isValid()) {
            collapse(index);
            kept.insert(id);
        }
    }
    m_collapsed = kept;
    m_applying = false;
}

void PreviewTreeView::onExpanded(const QModelIndex &index)
{
    if (m_applying)
        return;
    const int item = m_model->itemOf(index);
    if (item < 0)
        return;
    m_collapsed.remove(m_model->idOfItem(item));
    startChevronAnimation(index);
    startRowAnimation(index, true);
}

void PreviewTreeView::onCollapsed(const QModelIndex &index)
{
    if (m_applying)
        return;
    const int item = m_model->itemOf(index);
    if (item < 0)
        return;
    // Hidden rows are discarded with their state: they come back expanded.
    m_applying = true;
    for (int below : m_model->descendants(item)) {
        const QUuid id = m_model->idOfItem(below);
        if (m_collapsed.remove(id))
            expand(m_model->indexOfItem(below));
    }
    m_applying = false;
    m_collapsed.insert(m_model->idOfItem(item));
    startChevronAnimation(index);
    startRowAnimation(index, false);
}

void PreviewTreeView::startChevronAnimation(const QModelIndex &index)
{
    const int item = m_model->itemOf(index);
    m_animatedId = item >= 0 ? m_model->idOfItem(item) : QUuid();
    m_chevronAnimation->stop();
    m_chevronAnimation->start();
}

qreal PreviewTreeView::chevronRotation(const QModelIndex &index, bool expanded) const
{
    const qreal target = expanded ? 0.0 : -90.0;
    if (m_chevronAnimation->state() != QAbstractAnimation::Running)
        return target;
    const int item = m_model->itemOf(index);
    if (item < 0 || m_model->idOfItem(item) != m_animatedId)
        return target;
    const qreal from = expanded ? -90.0 : 0.0;
    return from + (target - from) * m_chevronAnimation->currentValue().toReal();
}

void PreviewTreeView::toggle(const QModelIndex &index)
{
    if (!index.isValid() || !m_model->hasChildren(index))
        return;
    prepareRowAnimation(index);
    setExpanded(index, !isExpanded(index));
    dropUnusedSlide();
}

void PreviewTreeView::dropUnusedSlide()
{
    if (m_rowAnimation->state() != QAbstractAnimation::Running)
        m_slide = {};
}

void PreviewTreeView::prepareRowAnimation(const QModelIndex &index)
{
    stopRowAnimation();
    executeDelayedItemsLayout();
    const int top = visualRect(index).bottom() + 1;
    if (top <= 0 || top >= viewport()->height())
        return;
    m_slide.index = index;
    m_slide.top = top;
    m_slide.openHeight = isExpanded(index) ? openBlockHeight(index) : 0;
    m_slide.before = renderBelow(top);
}

void PreviewTreeView::startRowAnimation(const QModelIndex &index, bool expanding)
{
    // Only flips prepared by the user's click or key slide; restoring state does not.
    if (!m_slide.index.isValid() || m_slide.index != index)
        return;
    m_slide.index = QPersistentModelIndex();
    executeDelayedItemsLayout();
    if (expanding)
        m_slide.openHeight = openBlockHeight(index);
    if (visualRect(index).bottom() + 1 != m_slide.top || m_slide.openHeight <= 0) {
        m_slide = {};
        return;
    }
    m_slide.expanding = expanding;
    m_slide.after = renderBelow(m_slide.top);
    m_rowAnimation->start();
}

void PreviewTreeView::stopRowAnimation()
{
    m_rowAnimation->stop();
    m_slide = {};
    viewport()->update();
}

int PreviewTreeView::openBlockHeight(const QModelIndex &index) const
{
    const auto isBelow = [&index](QModelIndex row) {
        for (row = row.parent(); row.isValid(); row = row.parent()) {
            if (row == index)
                return true;
        }
        return false;
    };
    // Counted only as far as the viewport reaches, so a huge subtree costs no more.
    const int limit = viewport()->height() - (visualRect(index).bottom() + 1);
    int height = 0;
    for (QModelIndex row = indexBelow(index); row.isValid() && isBelow(row) && height < limit;
         row = indexBelow(row))
        height += rowHeight;
    return std::min(height, limit);
}

QPixmap PreviewTreeView::renderBelow(int top) const
{
    const QSize size(viewport()->width(), viewport()->height() - top);
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(bpDark);
    QPainter painter(&pixmap);
    painter.translate(0, -top);
    drawTree(&painter, QRegion(0, top, size.width(), size.height()));
    return pixmap;
}

void PreviewTreeView::paintEvent(QPaintEvent *event)
{
    QTreeView::paintEvent(event);
    if (m_rowAnimation->state() != QAbstractAnimation::Running || m_slide.after.isNull())
        return;
    // The subtree slides out from under its row; the rows after it move along with it.
    const qreal progress = m_rowAnimation->currentValue().toReal();
    const int shown = qRound(m_slide.openHeight * (m_slide.expanding ? progress : 1.0 - progress));
    const QPixmap &block = m_slide.expanding ? m_slide.after : m_slide.before;
    const QPixmap &rest = m_slide.expanding ? m_slide.before : m_slide.after;
    const qreal ratio = block.devicePixelRatio();
    const int width = viewport()->width();
    QPainter painter(viewport());
    painter.fillRect(QRect(0, m_slide.top, width, viewport()->height() - m_slide.top), bpDark);
    painter.drawPixmap(
        QRectF(0, m_slide.top, width, shown), block,
        QRectF(0, (m_slide.openHeight - shown) * ratio, width * ratio, shown * ratio));
    painter.drawPixmap(QPointF(0, m_slide.top + shown), rest);
}

void PreviewTreeView::keyPressEvent(QKeyEvent *event)
{
    // The keys with which QTreeView opens or closes the current row slide it like a click.
    const QModelIndex current = currentIndex();
    if (current.isValid() && m_model->hasChildren(current)) {
        const bool open = isExpanded(current);
        const int key = event->key();
        if (((key == Qt::Key_Left || key == Qt::Key_Minus) && open) ||
            ((key == Qt::Key_Right || key == Qt::Key_Plus) && !open))
            prepareRowAnimation(current);
    }
    QTreeView::keyPressEvent(event);
    // Left on a closed row moves up instead, and Right on an open one moves down.
    dropUnusedSlide();
}

void PreviewTreeView::scrollContentsBy(int dx, int dy)
{
    // The pictures are of rows that have just moved.
    stopRowAnimation();
    QTreeView::scrollContentsBy(dx, dy);
}

void PreviewTreeView::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                                  const QList<int> &roles)
{
    // The model changes rows in place only while the tree keeps its shape, and rows have one
    // height. QTreeView would look up every row of a range to recheck its height and where it
    // is drawn, which at 10,000 renamed folders costs more than the rest of a keystroke; a
    // whole repaint paints only the rows in view.
    if (topLeft == bottomRight) {
        QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    viewport()->update();
    if (QAccessible::isActive()) {
        QAccessibleTableModelChangeEvent event(this, QAccessibleTableModelChangeEvent::DataChanged);
        event.setFirstRow(topLeft.row());
        event.setLastRow(bottomRight.row());
        event.setFirstColumn(0);
        event.setLastColumn(0);
        QAccessible::updateAccessibility(&event);
    }
}

void PreviewTreeView::updateGeometries()
{
    QTreeView::updateGeometries();
    // QTreeView sets the margins itself, to make room for its header even when it is hidden.
    const QMargins wanted(margin, margin, margin, margin);
    if (viewportMargins() != wanted)
        setViewportMargins(wanted);
}

QRect PreviewTreeView::expanderRect(const QModelIndex &index) const
{
    const QRect row = visualRect(index);
    // The gaps on either side of the chevron count too: it is a small target.
    return {row.left(), row.top(),
            TreeNodeDelegate::leadingInset(index) + TreeNodeDelegate::expanderSide +
                TreeNodeDelegate::spacing,
            row.height()};
}

void PreviewTreeView::drawBranches(QPainter *painter, const QRect &rect,
                                   const QModelIndex &index) const
{
    // Indent guides: per level a 16-wide column with a 1-wide line 7 after its centred start.
    int depth = 0;
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
        ++depth;
    const int guideHeight = 18;
    const int top = rect.top() + (rect.height() - guideHeight) / 2;
    const QColor color = Style::withAlpha(bpBorder, 0.6);
    for (int level = 0; level < depth; ++level) {
        const int x = rect.left() + level * levelWidth + (levelWidth - 8) / 2 + 7;
        painter->fillRect(QRect(x, top, 1, guideHeight), color);
    }
}

void PreviewTreeView::mousePressEvent(QMouseEvent *event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid() && m_model->hasChildren(index) &&
        expanderRect(index).contains(event->position().toPoint())) {
        setCurrentIndex(index);
        toggle(index);
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
}

void PreviewTreeView::focusInEvent(QFocusEvent *event)
{
    // Give the keyboard a visible row to start from.
    if (!currentIndex().isValid() && m_model->rowCount() > 0)
        setCurrentIndex(m_model->index(0, 0));
    QTreeView::focusInEvent(event);
}

void PreviewTreeView::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    // A double click on the expander is two toggles, not a toggle and an activation.
    if (index.isValid() && expanderRect(index).contains(event->position().toPoint())) {
        mousePressEvent(event);
        return;
    }
    QTreeView::mouseDoubleClickEvent(event);
}

} // namespace bp

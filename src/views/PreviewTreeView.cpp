#include "views/PreviewTreeView.h"

#include "views/PreviewTreeModel.h"
#include "views/Style.h"
#include "views/TreeNodeDelegate.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QVariantAnimation>

namespace bp {

PreviewTreeView::PreviewTreeView(QWidget *parent)
    : QTreeView(parent), m_model(new PreviewTreeModel(this)),
      m_chevronAnimation(new QVariantAnimation(this))
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
    setViewportMargins(14, 14, 14, 14);
    setFocusPolicy(Qt::StrongFocus);
    setStyleSheet(
        QStringLiteral("QTreeView { background: %1; border: none; }").arg(Style::css(bpDark)));

    m_chevronAnimation->setDuration(140);
    m_chevronAnimation->setEasingCurve(QEasingCurve::InOutQuad);
    m_chevronAnimation->setStartValue(0.0);
    m_chevronAnimation->setEndValue(1.0);
    connect(m_chevronAnimation, &QVariantAnimation::valueChanged, viewport(),
            qOverload<>(&QWidget::update));

    connect(this, &QTreeView::expanded, this, &PreviewTreeView::onExpanded);
    connect(this, &QTreeView::collapsed, this, &PreviewTreeView::onCollapsed);
}

void PreviewTreeView::setContents(const QString &rootName, const QList<FolderNode> &nodes,
                                  const QString &note)
{
    // Remember which rows are collapsed before their ids may change.
    QList<QPair<int, QUuid>> collapsedItems;
    for (const QUuid &id : std::as_const(m_collapsed))
        collapsedItems.append({m_model->itemForId(id), id});

    switch (m_model->setContents(rootName, nodes, note)) {
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
    case PreviewTreeModel::Change::rootName:
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
    setExpanded(index, !isExpanded(index));
}

QRect PreviewTreeView::expanderRect(const QModelIndex &index) const
{
    const QRect row = visualRect(index);
    return {row.left(), row.top(), TreeNodeDelegate::expanderSide + TreeNodeDelegate::spacing,
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

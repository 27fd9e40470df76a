#include "views/TreeNodeDelegate.h"

#include "views/PreviewTreeModel.h"
#include "views/PreviewTreeView.h"
#include "views/Style.h"
#include "views/SymbolIcons.h"

#include <QPainter>

namespace bp {

TreeNodeDelegate::TreeNodeDelegate(PreviewTreeView *view) : QStyledItemDelegate(view), m_view(view)
{}

int TreeNodeDelegate::leadingInset(const QModelIndex &index)
{
    // The row's stack puts its spacing between the indent guides and the expander; the
    // project folder has no guides, so nothing comes before its expander.
    return index.parent().isValid() ? spacing : 0;
}

QSize TreeNodeDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    return {100, PreviewTreeView::rowHeight};
}

void TreeNodeDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                             const QModelIndex &index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect r = option.rect;
    const int midY = r.center().y() + 1;
    QString text = index.data(Qt::DisplayRole).toString();
    // Filling in a project: what is there is dimmed, what is to be added marked "+".
    const int fill = index.data(PreviewTreeModel::FillStateRole).toInt();
    if (fill == PreviewTreeModel::toBeAdded)
        text.prepend(QStringLiteral("+ "));

    const bool isNote = index.data(PreviewTreeModel::IsNoteRole).toBool();
    if (option.state & QStyle::State_HasFocus && m_view->hasFocus()) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(Style::withAlpha(bpBlue, 0.12));
        const QRectF row = QRectF(r).adjusted(0, isNote ? noteGap : 1, 0, -1);
        painter->drawRoundedRect(row, 4, 4);
        Style::paintFocusRing(*painter, row, 4);
    }

    if (isNote) {
        // 8 below the tree, indented 4, icon and text 6 apart.
        const QRect line = r.adjusted(0, noteGap, 0, 0);
        const qreal lineMid = line.top() + line.height() / 2.0;
        const QRectF icon(line.left() + 4, lineMid - noteIconSide / 2.0, noteIconSide,
                          noteIconSide);
        SymbolIcons::paint(*painter, icon, QStringLiteral("square.on.square"),
                           Style::withAlpha(bpBlue, 0.5));
        const QFont font = Style::uiFont(10.5);
        painter->setFont(font);
        painter->setPen(Style::withAlpha(bpText, 0.35));
        const int x = int(icon.right()) + 6;
        painter->drawText(QRect(x, line.top(), r.right() - x, line.height()),
                          Qt::AlignLeft | Qt::AlignVCenter,
                          QFontMetrics(font).elidedText(text, Qt::ElideRight, r.right() - x));
        painter->restore();
        return;
    }

    const bool isRoot = index.data(PreviewTreeModel::IsRootRole).toBool();
    const bool hasChildren = index.model()->hasChildren(index);
    const bool expanded = m_view->isExpanded(index);
    int x = r.left() + leadingInset(index);
    if (hasChildren) {
        const QRectF box(x, midY - expanderSide / 2.0, expanderSide, expanderSide);
        painter->save();
        painter->translate(box.center());
        painter->rotate(m_view->chevronRotation(index, expanded));
        SymbolIcons::paint(*painter, QRectF(-4.5, -4.5, 9, 9), QStringLiteral("chevron.down"),
                           Style::withAlpha(bpText, 0.28));
        painter->restore();
    }
    x += expanderSide + spacing;

    const QRectF iconBox(x, midY - iconSide / 2.0, iconSide, iconSide);
    if (isRoot)
        SymbolIcons::paint(*painter, iconBox, QStringLiteral("folder.fill"), bpBlue);
    else
        SymbolIcons::paint(*painter, iconBox,
                           index.data(PreviewTreeModel::IsFileRole).toBool()
                               ? QStringLiteral("doc")
                               : QStringLiteral("folder"),
                           Style::withAlpha(bpText, 0.32));
    x += iconSide + spacing;

    // A name that could not be made is red; one that was made safe gets a mark after it.
    const bool problem = index.data(PreviewTreeModel::ProblemRole).toBool();
    const bool changed = !problem && index.data(PreviewTreeModel::ChangedRole).toBool();
    const QFont font = Style::monoFont(11.5);
    const QFontMetrics metrics(font);
    painter->setFont(font);
    painter->setPen(problem                                  ? QColor(bpRed)
                    : isRoot                                 ? QColor(bpText)
                    : fill == PreviewTreeModel::toBeAdded    ? QColor(bpBlue)
                    : fill == PreviewTreeModel::alreadyThere ? Style::withAlpha(bpText, 0.3)
                                                             : Style::withAlpha(bpText, 0.52));
    const int markRoom = (problem || changed) ? markGap + markSide : 0;
    const int width = std::max(0, r.right() - x - markRoom);
    const QString shown = metrics.elidedText(text, Qt::ElideRight, width);
    painter->drawText(QRect(x, r.top(), width, r.height()), Qt::AlignLeft | Qt::AlignVCenter,
                      shown);
    if (markRoom > 0) {
        const QRectF mark(x + std::min(metrics.horizontalAdvance(shown), width) + markGap,
                          midY - markSide / 2.0, markSide, markSide);
        if (problem)
            SymbolIcons::paint(*painter, mark, QStringLiteral("exclamationmark.triangle.fill"),
                               bpRed);
        else
            SymbolIcons::paint(*painter, mark, QStringLiteral("info.circle"), bpBlue);
    }
    painter->restore();
}

} // namespace bp

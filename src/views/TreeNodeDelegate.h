#pragma once

#include <QStyledItemDelegate>

namespace bp {

class PreviewTreeView;

// Paints one preview row: expander, folder icon, name and its mark; or the batch note.
class TreeNodeDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TreeNodeDelegate(PreviewTreeView *view);

    static constexpr int expanderSide = 10;
    static constexpr int iconSide = 11;
    static constexpr int spacing = 4;
    static constexpr int noteGap = 8;
    static constexpr int noteIconSide = 10;
    static constexpr int markSide = 10;
    static constexpr int markGap = 5;

    // Where the expander starts inside the row's rectangle.
    static int leadingInset(const QModelIndex &index);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    PreviewTreeView *m_view;
};

} // namespace bp

#pragma once

#include <QStyledItemDelegate>

namespace bp {

class PreviewTreeView;

// Paints one preview row: expander, folder icon and name; or the batch note.
class TreeNodeDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TreeNodeDelegate(PreviewTreeView *view);

    static constexpr int expanderSide = 10;
    static constexpr int iconSide = 13;
    static constexpr int spacing = 4;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    PreviewTreeView *m_view;
};

} // namespace bp

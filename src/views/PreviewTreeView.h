#pragma once

#include <QPersistentModelIndex>
#include <QPixmap>
#include <QSet>
#include <QTreeView>
#include <QUuid>

#include "model/ProjectConfig.h"

class QVariantAnimation;

namespace bp {

class PreviewTreeModel;
struct PreviewTreeMarks;

// The preview's collapsible folder list. Expanded state is kept by node id across
// re-resolutions; a collapsed row forgets the state of the rows it hides.
class PreviewTreeView final : public QTreeView {
    Q_OBJECT
public:
    static constexpr int rowHeight = 22;
    static constexpr int levelWidth = 16;
    static constexpr int margin = 14;
    // Rows and chevron move together when a row opens or closes.
    static constexpr int toggleMilliseconds = 140;

    explicit PreviewTreeView(QWidget *parent = nullptr);

    PreviewTreeModel *previewModel() const { return m_model; }
    void setContents(const QString &rootName, const QList<FolderNode> &nodes, const QString &note);
    void setContents(const QString &rootName, const QList<FolderNode> &nodes, const QString &note,
                     const PreviewTreeMarks &marks);

    // Flips a row as its expander does (animated).
    void toggle(const QModelIndex &index);
    // Rotation of the expander chevron in degrees: 0 open (pointing down), -90 closed.
    qreal chevronRotation(const QModelIndex &index, bool expanded) const;
    // Where a click flips the row: its expander and the gaps beside it.
    QRect expanderRect(const QModelIndex &index) const;
    const QSet<QUuid> &collapsedIds() const { return m_collapsed; }
    // The rows below a flipped row are still sliding; the value runs from 0 to 1.
    QVariantAnimation *rowAnimation() const { return m_rowAnimation; }

protected:
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;
    void updateGeometries() override;
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void drawBranches(QPainter *painter, const QRect &rect,
                      const QModelIndex &index) const override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    void onExpanded(const QModelIndex &index);
    void onCollapsed(const QModelIndex &index);
    void applyExpansion();
    void startChevronAnimation(const QModelIndex &index);
    // Rows slide the way QTreeView's own animation does, but in our time: the picture below
    // the row is taken before and after the flip and the two are shifted against each other.
    void prepareRowAnimation(const QModelIndex &index);
    void startRowAnimation(const QModelIndex &index, bool expanding);
    void stopRowAnimation();
    // After a key or click that may not have flipped anything.
    void dropUnusedSlide();
    int openBlockHeight(const QModelIndex &index) const;
    QPixmap renderBelow(int top) const;

    PreviewTreeModel *m_model;
    QSet<QUuid> m_collapsed;
    bool m_applying = false;
    QVariantAnimation *m_chevronAnimation;
    QUuid m_animatedId;

    struct RowSlide {
        QPersistentModelIndex index;
        int top = 0;        // first viewport line below the flipped row
        int openHeight = 0; // height of its visible subtree, as far as the viewport reaches
        bool expanding = false;
        QPixmap before;
        QPixmap after;
    };
    QVariantAnimation *m_rowAnimation;
    RowSlide m_slide;
};

} // namespace bp

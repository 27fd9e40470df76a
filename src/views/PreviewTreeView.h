#pragma once

#include <QSet>
#include <QTreeView>
#include <QUuid>

#include "model/ProjectConfig.h"

class QVariantAnimation;

namespace bp {

class PreviewTreeModel;

// The preview's collapsible folder list. Expanded state is kept by node id across
// re-resolutions; a collapsed row forgets the state of the rows it hides.
class PreviewTreeView final : public QTreeView {
    Q_OBJECT
public:
    static constexpr int rowHeight = 22;
    static constexpr int levelWidth = 16;

    explicit PreviewTreeView(QWidget *parent = nullptr);

    PreviewTreeModel *previewModel() const { return m_model; }
    void setContents(const QString &rootName, const QList<FolderNode> &nodes, const QString &note);

    // Flips a row as its expander does (animated).
    void toggle(const QModelIndex &index);
    // Rotation of the expander chevron in degrees: 0 open (pointing down), -90 closed.
    qreal chevronRotation(const QModelIndex &index, bool expanded) const;
    // Where the expander of a row is drawn and clicked.
    QRect expanderRect(const QModelIndex &index) const;
    const QSet<QUuid> &collapsedIds() const { return m_collapsed; }

protected:
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

    PreviewTreeModel *m_model;
    QSet<QUuid> m_collapsed;
    bool m_applying = false;
    QVariantAnimation *m_chevronAnimation;
    QUuid m_animatedId;
};

} // namespace bp

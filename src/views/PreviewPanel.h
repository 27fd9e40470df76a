#pragma once

#include "model/ProjectConfig.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QStackedWidget;

namespace bp {

class ProjectSetupModel;
class PreviewTreeView;

// The right half of the setup window: the folder tree a run would write, under the project
// folder's name, with the folder or project count in its header. Names that were made safe
// or could not be made are marked, and say why.
class PreviewPanel final : public QWidget {
    Q_OBJECT
public:
    explicit PreviewPanel(ProjectSetupModel &model, QWidget *parent = nullptr);

    // The project folder's name as it would be created now under the default pattern.
    static QString rootName(const ProjectConfig &config);
    static bool hasValidInput(const ProjectConfig &config);
    // The header's count text; empty while there is no usable name.
    static QString countText(const ProjectConfig &config, const QList<FolderNode> &tree);
    static QString countText(const ProjectConfig &config, qsizetype folders);
    // The line under the tree in batch mode; empty below two names.
    static QString batchNote(const ProjectConfig &config);

    PreviewTreeView *treeView() const { return m_tree; }
    bool showsEmptyState() const;
    // A change is still fading in.
    bool isFading() const { return !m_fadeGhost.isNull(); }
    // Re-renders and redraws; called on every change of the configuration or its plan.
    void refresh();

private:
    void crossFade(int milliseconds);

    ProjectSetupModel &m_model;
    QLabel *m_countLabel;
    QStackedWidget *m_body;
    PreviewTreeView *m_tree;
    QLabel *m_emptyText;
    QPointer<QLabel> m_fadeGhost;
    ProjectConfig m_shown;
    bool m_hasShown = false;
};

} // namespace bp

#pragma once

#include <QToolButton>

#include <functional>
#include <optional>

class QMenu;

namespace bp {

class ProjectSetupModel;
class RecentFoldersStore;

// The header's target-folder pull-down: the folder's name (or "Kies map…") as label, and a
// menu with the folder picker and the recent folders.
class FolderSelector final : public QToolButton {
    Q_OBJECT
public:
    // Asks the user for a folder; none when cancelled.
    using Picker = std::function<std::optional<QString>(QWidget *parent)>;

    FolderSelector(ProjectSetupModel &model, RecentFoldersStore &recent, QWidget *parent = nullptr);

    static std::optional<QString> runFolderDialog(QWidget *parent);
    void setPicker(Picker picker) { m_picker = std::move(picker); }

    // The label's text as it would read at full length.
    QString labelText() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    void pickFolder();

Q_SIGNALS:
    // The user chose this folder (picker or recent entry).
    void folderChosen(const QString &path);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void rebuildMenu();
    void activateFirstEntry();
    void refreshLabel();
    QString shownName() const;

    ProjectSetupModel &m_model;
    RecentFoldersStore &m_recent;
    QMenu *m_menu;
    Picker m_picker;
    std::optional<QString> m_target;
    bool m_openedByKey = false;
};

} // namespace bp

#pragma once

#include <QFuture>
#include <QWidget>

class QFrame;
class QGraphicsOpacityEffect;
class QLabel;
class QPushButton;
class QSplitter;

namespace bp {

class DropTargetFrame;
class FolderSelector;
class FormPanel;
class PreviewPanel;
class ProjectSetupModel;
class SuccessOverlay;

// The "Create Project Structure" window: header with the folder selector, form and preview
// side by side, error bar, action bar, success overlay, and folder drops. All state lives in
// the model, which the caller owns.
class ProjectSetupWindow final : public QWidget {
    Q_OBJECT
public:
    static constexpr int contentWidth = 640;
    static constexpr int contentHeight = 480;

    explicit ProjectSetupWindow(ProjectSetupModel &model, QWidget *parent = nullptr);

    // "Aanmaken…", "Maak structuur →" or "Maak N projecten →" for the model's state.
    static QString createTitle(const ProjectSetupModel &model);

    FormPanel *formPanel() const { return m_form; }
    PreviewPanel *previewPanel() const { return m_preview; }
    FolderSelector *folderSelector() const { return m_folderSelector; }
    QPushButton *createButton() const { return m_createButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }
    QWidget *errorBar() const { return m_errorBar; }
    SuccessOverlay *successOverlay() const { return m_overlay; }
    DropTargetFrame *dropTargetFrame() const { return m_dropFrame; }

    // Makes the folder the target and moves it to the front of the recent folders.
    void chooseTarget(const QString &path);

    // A run started here has not yet finished, reveal and close included.
    bool isRunning() const { return !m_run.isFinished(); }

Q_SIGNALS:
    void runFinished();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Opens the template editor on the structure shown.
    void editAsTemplate();
    QWidget *buildHeader();
    QWidget *buildErrorBar();
    QWidget *buildActionBar();
    void refreshActions();
    void refreshError();
    void refreshSuccess();
    void startRun();

    ProjectSetupModel &m_model;
    FolderSelector *m_folderSelector = nullptr;
    FormPanel *m_form = nullptr;
    PreviewPanel *m_preview = nullptr;
    QSplitter *m_splitter = nullptr;
    QWidget *m_errorBar = nullptr;
    QLabel *m_errorText = nullptr;
    QWidget *m_sortHint = nullptr;
    QLabel *m_statusText = nullptr;
    QLabel *m_problemText = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QPushButton *m_createButton = nullptr;
    QGraphicsOpacityEffect *m_createOpacity = nullptr;
    SuccessOverlay *m_overlay = nullptr;
    DropTargetFrame *m_dropFrame = nullptr;
    QFuture<void> m_run;
};

} // namespace bp

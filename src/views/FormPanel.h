#pragma once

#include "model/ProjectConfig.h"

#include <QList>
#include <QPair>
#include <QScrollArea>
#include <QUuid>

#include <functional>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QVBoxLayout;

namespace bp {

class ChoiceGroup;
class CustomTemplateStore;
class ElidedLabel;
class ExtraRow;
class ProjectSetupModel;
class TemplateRow;
class ToggleCard;

// The left half of the setup window: every control that edits the window's configuration,
// plus saving and deleting custom templates. It validates and creates nothing.
class FormPanel final : public QScrollArea {
    Q_OBJECT
public:
    FormPanel(ProjectSetupModel &model, CustomTemplateStore &store, QWidget *parent = nullptr);

    // Keyboard focus in the name field (or the batch editor) with the cursor at the end.
    void focusName();

    static QString todayPrefix();

    bool isSaveTemplateFieldShown() const { return m_showSaveTemplateField; }
    QList<TemplateRow *> platformRows() const { return m_platformRows; }
    QList<TemplateRow *> customTemplateRows() const;
    QList<ExtraRow *> extraRows() const { return m_extraRows; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *buildNameSection();
    QWidget *buildBatchSection();
    QWidget *buildTypeSection();
    QWidget *buildTemplateSection();
    QWidget *buildCustomSection();
    QWidget *buildSaveArea();
    QWidget *buildExtrasSection();

    void edit(const std::function<void(ProjectConfig &)> &change);
    void refresh();
    void rebuildCustomRows();
    void setSaveFieldShown(bool shown);
    void saveTemplate();
    void deleteTemplate(const QUuid &id);

    ProjectSetupModel &m_model;
    CustomTemplateStore &m_store;
    bool m_showSaveTemplateField = false;

    QWidget *m_nameSection = nullptr;
    QLineEdit *m_nameField = nullptr;
    ElidedLabel *m_folderNameLine = nullptr;
    QWidget *m_batchSection = nullptr;
    QPlainTextEdit *m_batchEditor = nullptr;
    QLabel *m_batchPlaceholder = nullptr;
    QLabel *m_batchCount = nullptr;
    ToggleCard *m_batchCard = nullptr;
    QButtonGroup *m_typeGroup = nullptr;
    QButtonGroup *m_templateGroup = nullptr;
    ChoiceGroup *m_typeChoice = nullptr;
    ChoiceGroup *m_templateChoice = nullptr;
    QList<TemplateRow *> m_platformRows;
    QWidget *m_customSection = nullptr;
    QVBoxLayout *m_customList = nullptr;
    QList<QPair<QUuid, TemplateRow *>> m_customRows;
    QPushButton *m_todayButton = nullptr;
    QPushButton *m_openSaveButton = nullptr;
    QPushButton *m_saveButton = nullptr;
    QPushButton *m_dismissButton = nullptr;
    QWidget *m_saveField = nullptr;
    QLineEdit *m_templateNameField = nullptr;
    QList<ExtraRow *> m_extraRows;
    ToggleCard *m_sortCard = nullptr;
};

} // namespace bp

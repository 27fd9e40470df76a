#pragma once

#include "model/ProjectConfig.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QScrollArea>
#include <QUuid>

#include <functional>
#include <optional>

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
class FieldRows;
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
    FieldRows *fieldRows() const { return m_fieldRows; }

Q_SIGNALS:
    // "Bewerk als template…": the structure shown, to be opened in the template editor.
    void editAsTemplateRequested();

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
    QWidget *buildFieldsSection();

    void edit(const std::function<void(ProjectConfig &)> &change);
    void refresh();
    void refreshFillMode();
    void rebuildCustomRows();
    void restoreTabOrder();
    void adoptPlan();
    void refreshFolderLine();
    void refreshCounter();
    void rememberFieldValues();
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
    QLabel *m_customLabel = nullptr;
    QList<QPair<QUuid, TemplateRow *>> m_customRows;
    QPushButton *m_todayButton = nullptr;
    QPushButton *m_openSaveButton = nullptr;
    QPushButton *m_saveButton = nullptr;
    QPushButton *m_dismissButton = nullptr;
    QWidget *m_saveField = nullptr;
    QLineEdit *m_templateNameField = nullptr;
    QList<ExtraRow *> m_extraRows;
    ToggleCard *m_sortCard = nullptr;
    ToggleCard *m_fillCard = nullptr;
    QWidget *m_namesBlock = nullptr;
    QWidget *m_fieldsSection = nullptr;
    QLabel *m_fieldsHeader = nullptr;
    FieldRows *m_fieldRows = nullptr;
    QLabel *m_counterLine = nullptr;
    QPushButton *m_editTemplateButton = nullptr;
    bool m_folderLineFails = false;
    // The template config.fieldValues belong to, and the values typed for others in this
    // window, so switching back and forth keeps them.
    std::optional<QUuid> m_valuesTemplate;
    QHash<QUuid, QHash<QString, QString>> m_typedValues;
};

} // namespace bp

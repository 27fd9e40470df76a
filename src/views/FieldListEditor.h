#pragma once

#include "model/FieldDefinition.h"

#include <QList>
#include <QWidget>

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;

namespace bp {

class ToggleSwitch;

// A template's project folder name pattern and its fields: a list of the fields beside a
// form for the selected one, each checked as it is typed. The widget holds no undo state:
// edited() tells the window a user edit is finished, so it can take a snapshot.
class FieldListEditor final : public QWidget {
    Q_OBJECT
public:
    explicit FieldListEditor(QWidget *parent = nullptr);
    ~FieldListEditor() override;

    // Neither emits edited() nor changed(). The selection stays on the same row if it can.
    void setFields(const QList<FieldDefinition> &fields);
    // Each with only the settings of its own kind.
    QList<FieldDefinition> fields() const;
    void setPattern(const QString &projectNamePattern);
    QString pattern() const;

    // The first thing that keeps the template from being saved, as a short Dutch sentence:
    // a field definition, then the pattern.
    std::optional<QString> problem() const;

Q_SIGNALS:
    // Once per finished user edit: a line left or confirmed, a choice made, a field added,
    // moved or removed.
    void edited();
    // On every change by the user, keystrokes included, for a live preview.
    void changed();

private:
    QWidget *buildPatternSection();
    QWidget *buildFieldSection();
    QWidget *buildDetailForm();
    void fillTokenMenu();
    void insertToken(const QString &token);

    void addField();
    void removeField();
    void moveField(int by);
    void showSelected();
    void updateFromForm();
    void updateKindRows();
    void refreshList();
    void validate();
    std::optional<QString> patternProblem() const;

    // A typed change is finished only when its line is left; an edit of another kind
    // finishes it first, so each gets its own edited().
    void markPending();
    void finishPending();
    void finishEdit();

    int current() const;

    QList<FieldDefinition> m_fields;
    bool m_pending = false;
    bool m_filling = false;

    QLineEdit *m_pattern = nullptr;
    QPushButton *m_insert = nullptr;
    QMenu *m_tokenMenu = nullptr;
    QLabel *m_patternMessage = nullptr;

    QListWidget *m_list = nullptr;
    QPushButton *m_add = nullptr;
    QPushButton *m_up = nullptr;
    QPushButton *m_down = nullptr;
    QPushButton *m_remove = nullptr;

    QWidget *m_form = nullptr;
    QLabel *m_emptyHint = nullptr;
    QLineEdit *m_key = nullptr;
    QLineEdit *m_label = nullptr;
    QComboBox *m_kind = nullptr;
    ToggleSwitch *m_required = nullptr;
    QLineEdit *m_default = nullptr;
    QLineEdit *m_regex = nullptr;
    QWidget *m_formatRow = nullptr;
    QLineEdit *m_format = nullptr;
    QLabel *m_formatExample = nullptr;
    QPlainTextEdit *m_choices = nullptr;
    QLabel *m_fieldMessage = nullptr;
};

} // namespace bp

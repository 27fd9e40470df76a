#pragma once

#include "model/FieldDefinition.h"

#include <QHash>
#include <QList>
#include <QWidget>

class QFormLayout;

namespace bp {

// One labelled row per template field, each with its kind's control: a line edit for text, a
// digits-only line edit for a number (so "007" keeps its zeros), a date edit, a combo box.
// The controls show the given values, or the field's initial value for keys not given.
class FieldRows final : public QWidget {
    Q_OBJECT
public:
    explicit FieldRows(QWidget *parent = nullptr);

    // Rebuilds the rows only when the fields differ from the ones shown, so a control
    // keeps its focus and cursor when the same template is read again.
    void setFields(const QList<FieldDefinition> &fields, const QHash<QString, QString> &values);
    // Updates the controls that show another value than `values` has.
    void setValues(const QHash<QString, QString> &values);

    // The controls in row order, for the focus chain.
    QList<QWidget *> controls() const;
    QWidget *control(const QString &key) const;

    // The text a date edit shows before a date is chosen.
    static inline const QString noDate = QStringLiteral("—");

Q_SIGNALS:
    // The user changed a field; `value` is its stored form (a date as yyyy-MM-dd).
    void valueEdited(const QString &key, const QString &value);

private:
    QWidget *makeControl(const FieldDefinition &field);
    void show(const FieldDefinition &field, QWidget *control, const QString &value);

    QFormLayout *m_layout = nullptr;
    QList<FieldDefinition> m_fields;
    QList<QWidget *> m_controls;
    bool m_updating = false;
};

} // namespace bp

#include "views/FieldRows.h"

#include "views/Style.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace bp {
namespace {

const QString storedDateFormat = QStringLiteral("yyyy-MM-dd");
// A date edit cannot be empty; its lowest date stands for "no date yet" and shows noDate.
const QDate unsetDate(1900, 1, 1);

} // namespace

FieldRows::FieldRows(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("fieldRows"));
    m_layout = new QFormLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setHorizontalSpacing(8);
    m_layout->setVerticalSpacing(6);
    m_layout->setRowWrapPolicy(QFormLayout::DontWrapRows);
    m_layout->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    m_layout->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void FieldRows::setFields(const QList<FieldDefinition> &fields,
                          const QHash<QString, QString> &values)
{
    if (fields == m_fields && m_controls.size() == fields.size()) {
        setValues(values);
        return;
    }
    while (m_layout->rowCount() > 0)
        m_layout->removeRow(0);
    m_controls.clear();
    m_fields = fields;
    for (const FieldDefinition &field : fields) {
        QWidget *control = makeControl(field);
        auto *label =
            Style::label(field.required ? field.label + QStringLiteral(" *") : field.label, 11,
                         QFont::Normal, bpText, 0.7);
        label->setObjectName(QStringLiteral("fieldLabel_") + field.key);
        label->setBuddy(control);
        m_layout->addRow(label, control);
        m_controls.append(control);
    }
    setValues(values);
}

QWidget *FieldRows::makeControl(const FieldDefinition &field)
{
    QWidget *control = nullptr;
    const QString key = field.key;
    switch (field.kind) {
    case FieldKind::text:
    case FieldKind::number: {
        auto *edit = new QLineEdit;
        edit->setFrame(false);
        edit->setAcceptDrops(false);
        edit->setStyleSheet(Style::fieldSheet(QStringLiteral("QLineEdit"), 6, 4, 8));
        if (field.kind == FieldKind::number)
            edit->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("[0-9]*")), edit));
        connect(edit, &QLineEdit::textEdited, this,
                [this, key](const QString &text) { Q_EMIT valueEdited(key, text); });
        control = edit;
        break;
    }
    case FieldKind::date: {
        auto *edit = new QDateEdit;
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("dd-MM-yyyy"));
        edit->setMinimumDate(unsetDate);
        edit->setSpecialValueText(noDate);
        edit->setStyleSheet(Style::fieldSheet(QStringLiteral("QDateEdit"), 6, 3, 8));
        connect(edit, &QDateEdit::dateChanged, this, [this, key](const QDate &date) {
            if (!m_updating)
                Q_EMIT valueEdited(key,
                                   date == unsetDate ? QString() : date.toString(storedDateFormat));
        });
        control = edit;
        break;
    }
    case FieldKind::choice: {
        auto *box = new QComboBox;
        box->addItems(field.choices);
        box->setStyleSheet(Style::fieldSheet(QStringLiteral("QComboBox"), 6, 3, 8));
        connect(box, &QComboBox::currentTextChanged, this, [this, key](const QString &text) {
            if (!m_updating)
                Q_EMIT valueEdited(key, text);
        });
        control = box;
        break;
    }
    }
    control->setObjectName(QStringLiteral("field_") + field.key);
    control->setFont(Style::uiFont(12));
    control->setAccessibleName(field.label);
    if (field.required)
        control->setAccessibleDescription(QStringLiteral("Verplicht"));
    return control;
}

void FieldRows::setValues(const QHash<QString, QString> &values)
{
    m_updating = true;
    for (qsizetype i = 0; i < m_fields.size(); ++i) {
        const FieldDefinition &field = m_fields[i];
        show(field, m_controls[i], values.value(field.key, Fields::initialValue(field)));
    }
    m_updating = false;
}

void FieldRows::show(const FieldDefinition &field, QWidget *control, const QString &value)
{
    switch (field.kind) {
    case FieldKind::text:
    case FieldKind::number: {
        auto *edit = static_cast<QLineEdit *>(control);
        if (edit->text() != value)
            edit->setText(value);
        break;
    }
    case FieldKind::date: {
        auto *edit = static_cast<QDateEdit *>(control);
        const QDate date = QDate::fromString(value, storedDateFormat);
        edit->setDate(date.isValid() ? date : unsetDate);
        break;
    }
    case FieldKind::choice:
        static_cast<QComboBox *>(control)->setCurrentIndex(int(field.choices.indexOf(value)));
        break;
    }
}

QList<QWidget *> FieldRows::controls() const
{
    return m_controls;
}

QWidget *FieldRows::control(const QString &key) const
{
    for (qsizetype i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].key == key)
            return m_controls[i];
    return nullptr;
}

} // namespace bp

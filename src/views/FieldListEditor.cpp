#include "views/FieldListEditor.h"

#include "model/DutchDate.h"
#include "model/NamePattern.h"
#include "views/ChevronComboBox.h"
#include "views/SettingsStyle.h"
#include "views/Style.h"
#include "views/SymbolIcons.h"
#include "views/ToggleSwitch.h"
#include "views/WrappingLabel.h"

#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <functional>

namespace bp {
namespace {

const char *const baseDescription = "bpBaseDescription";
const char *const showsError = "bpShowsError";

// Ctrl+Up/Down move the selected field and Delete removes it. Taken before any window
// shortcut on the same keys, which would otherwise get them while the list has focus.
class FieldList final : public QListWidget {
public:
    std::function<void(int)> move;
    std::function<void()> remove;

protected:
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::ShortcutOverride && isOurs(static_cast<QKeyEvent *>(event))) {
            event->accept();
            return true;
        }
        return QListWidget::event(event);
    }
    void keyPressEvent(QKeyEvent *event) override
    {
        if (!isOurs(event))
            QListWidget::keyPressEvent(event);
        else if (event->key() == Qt::Key_Delete)
            remove();
        else
            move(event->key() == Qt::Key_Up ? -1 : 1);
    }

private:
    static bool isOurs(const QKeyEvent *event)
    {
        if (event->modifiers() == Qt::NoModifier)
            return event->key() == Qt::Key_Delete;
        return event->modifiers() == Qt::ControlModifier &&
               (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down);
    }
};

// Tab leaves it; leaving it finishes the edit, as leaving a line does.
class ChoicesEdit final : public QPlainTextEdit {
public:
    std::function<void()> left;

protected:
    void focusOutEvent(QFocusEvent *event) override
    {
        QPlainTextEdit::focusOutEvent(event);
        if (left)
            left();
    }
};

QStringList choicesIn(const QString &text)
{
    QStringList choices;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (const QString choice = line.trimmed(); !choice.isEmpty())
            choices.append(choice);
    }
    return choices;
}

QString quoted(const QString &text)
{
    return QStringLiteral("„%1”").arg(text);
}

QString definitionMessage(const FieldDefinition &field, const FieldProblem &problem)
{
    using Kind = FieldProblem::Kind;
    switch (problem.kind) {
    case Kind::invalidKey:
        return problem.key.isEmpty()
                   ? QStringLiteral("Geef het veld een sleutel")
                   : QStringLiteral("Sleutel %1: alleen a-z, 0-9 en _").arg(quoted(problem.key));
    case Kind::builtInKey:
        return QStringLiteral("{%1} is al ingebouwd, kies een andere sleutel").arg(problem.key);
    case Kind::duplicateKey:
        return QStringLiteral("Sleutel %1 komt meer dan eens voor").arg(quoted(problem.key));
    case Kind::invalidPattern:
        return QStringLiteral("Patroon is geen geldige reguliere expressie");
    case Kind::noChoices:
        return QStringLiteral("Geef minstens één keuze");
    case Kind::invalidDefault:
        switch (field.kind) {
        case FieldKind::text:
            return QStringLiteral("Standaard past niet bij het patroon");
        case FieldKind::number:
            return QStringLiteral("Standaard is geen getal");
        case FieldKind::date:
            return QStringLiteral("Standaard is geen datum als JJJJ-MM-DD");
        case FieldKind::choice:
            return QStringLiteral("Standaard staat niet bij de keuzes");
        }
        break;
    default:
        break;
    }
    return QStringLiteral("Ongeldig veld");
}

QString nameMessage(const NameProblem &problem)
{
    using Kind = NameProblem::Kind;
    const qsizetype at = problem.position + 1;
    switch (problem.kind) {
    case Kind::unclosedBrace:
        return QStringLiteral("De { bij teken %1 wordt niet gesloten").arg(at);
    case Kind::strayClosingBrace:
        return QStringLiteral("Losse } bij teken %1, schrijf }} voor een accolade").arg(at);
    case Kind::invalidKey:
        return QStringLiteral("{%1} bij teken %2: alleen a-z, 0-9 en _").arg(problem.key).arg(at);
    case Kind::unknownToken:
        return QStringLiteral("Onbekend veld {%1}").arg(problem.key);
    case Kind::invalidFormat:
        return QStringLiteral("{%1} kent deze notatie niet").arg(problem.key);
    case Kind::tooLong:
        return QStringLiteral("De naam wordt langer dan 255 bytes");
    }
    return {};
}

// A problem for each field, in order; two fields with one key both have it.
QList<std::optional<FieldProblem>> problemsOf(const QList<FieldDefinition> &fields)
{
    QHash<QString, int> uses;
    for (const FieldDefinition &field : fields)
        ++uses[field.key];
    QList<std::optional<FieldProblem>> problems;
    for (const FieldDefinition &field : fields) {
        std::optional<FieldProblem> problem = Fields::checkDefinition(field);
        if (!problem && uses.value(field.key) > 1)
            problem = FieldProblem{FieldProblem::Kind::duplicateKey, field.key, {}};
        problems.append(problem);
    }
    return problems;
}

QString shownName(const FieldDefinition &field)
{
    return field.label.trimmed().isEmpty() ? field.key : field.label.trimmed();
}

QString lineSheet(bool error)
{
    QString sheet = Style::fieldSheet(QStringLiteral("QLineEdit"), 5, 3, 6) +
                    Style::fieldSheet(QStringLiteral("QPlainTextEdit"), 5, 1, 2);
    if (error)
        sheet += QStringLiteral("QLineEdit, QLineEdit:focus, QPlainTextEdit, QPlainTextEdit:focus"
                                " { border-color: %1; }")
                     .arg(Style::css(bpRed));
    return sheet;
}

// The error colour on the control, and the message in its description for assistive
// technology; the usual description when there is none.
void showError(QWidget *control, const QString &message)
{
    const bool error = !message.isEmpty();
    if (control->property(showsError).toBool() != error) {
        control->setProperty(showsError, error);
        control->setStyleSheet(lineSheet(error));
    }
    control->setAccessibleDescription(error ? message
                                            : control->property(baseDescription).toString());
}

template <typename Edit>
Edit *field(const QString &objectName, const QString &name, const QString &description = {})
{
    auto *edit = new Edit;
    edit->setObjectName(objectName);
    edit->setAccessibleName(name);
    edit->setProperty(baseDescription, description);
    edit->setAccessibleDescription(description);
    edit->setFont(Style::uiFont(12));
    edit->setStyleSheet(lineSheet(false));
    return edit;
}

void setTextKeepingCursor(QLineEdit *edit, const QString &text)
{
    if (edit->text() != text)
        edit->setText(text);
}

QLabel *rowLabel(const QString &text, QWidget *buddy)
{
    QLabel *label = Style::label(text, 12, QFont::Normal, bpText, 0.7);
    label->setBuddy(buddy);
    return label;
}

QWidget *section(const QString &title, QFrame *card, QLabel *message)
{
    auto *group = new QWidget;
    auto *column = new QVBoxLayout(group);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    column->addWidget(SettingsStyle::sectionHeader(title));
    column->addWidget(card);
    column->addWidget(message);
    return group;
}

QLabel *messageLabel(const QString &objectName)
{
    // Selectable by keyboard, so Tab reaches it and a screen reader reads it.
    auto *message = new WrappingLabel(bpRed);
    message->setObjectName(objectName);
    message->setFont(Style::uiFont(11));
    message->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    message->hide();
    return message;
}

void showMessage(QLabel *label, const std::optional<QString> &message)
{
    label->setText(message.value_or(QString()));
    label->setAccessibleName(message.value_or(QString()));
    label->setVisible(message.has_value());
}

} // namespace

FieldListEditor::FieldListEditor(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("fieldListEditor"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(14);
    column->addWidget(buildPatternSection());
    column->addWidget(buildFieldSection(), 1);

    setTabOrder(m_pattern, m_insert);
    setTabOrder(m_insert, m_patternMessage);
    setTabOrder(m_patternMessage, m_list);
    setTabOrder(m_list, m_add);
    setTabOrder(m_add, m_up);
    setTabOrder(m_up, m_down);
    setTabOrder(m_down, m_remove);
    setTabOrder(m_remove, m_key);
    setTabOrder(m_key, m_label);
    setTabOrder(m_label, m_kind);
    setTabOrder(m_kind, m_required);
    setTabOrder(m_required, m_default);
    setTabOrder(m_default, m_regex);
    setTabOrder(m_regex, m_format);
    setTabOrder(m_format, m_choices);
    setTabOrder(m_choices, m_fieldMessage);
    showSelected();
    validate();
}

FieldListEditor::~FieldListEditor()
{
    // The child controls outlive this destructor; the one with focus loses it as they go and
    // would finish its edit on a half-destroyed editor.
    for (QObject *child : findChildren<QObject *>())
        child->disconnect(this);
    static_cast<ChoicesEdit *>(m_choices)->left = nullptr;
}

QWidget *FieldListEditor::buildPatternSection()
{
    QFrame *card = SettingsStyle::sectionCard();
    auto *row = new QHBoxLayout(card);
    row->setContentsMargins(12, 8, 12, 8);
    row->setSpacing(8);

    m_pattern = field<QLineEdit>(
        QStringLiteral("projectNamePattern"), QStringLiteral("Naam van de projectmap"),
        QStringLiteral(
            "Leeg is {datum}_{naam}. Velden staan tussen accolades, zoals {teller:000}"));
    m_pattern->setPlaceholderText(QStringLiteral("{datum}_{naam}"));
    m_pattern->setFont(Style::monoFont(12));
    connect(m_pattern, &QLineEdit::textEdited, this, [this] {
        markPending();
        validate();
        Q_EMIT changed();
    });
    connect(m_pattern, &QLineEdit::editingFinished, this, &FieldListEditor::finishPending);
    row->addWidget(m_pattern, 1);

    m_insert = SettingsStyle::formButton(QStringLiteral("Veld invoegen"), 11);
    m_insert->setObjectName(QStringLiteral("insertTokenButton"));
    m_insert->setAccessibleDescription(
        QStringLiteral("Voegt een veld in op de plek van de cursor"));
    m_tokenMenu = new QMenu(m_insert);
    m_tokenMenu->setObjectName(QStringLiteral("tokenMenu"));
    m_tokenMenu->setAccessibleName(QStringLiteral("Veld invoegen"));
    connect(m_tokenMenu, &QMenu::aboutToShow, this, &FieldListEditor::fillTokenMenu);
    m_insert->setMenu(m_tokenMenu);
    row->addWidget(m_insert);

    m_patternMessage = messageLabel(QStringLiteral("patternMessage"));
    return section(QStringLiteral("Naam van de projectmap"), card, m_patternMessage);
}

QWidget *FieldListEditor::buildFieldSection()
{
    QFrame *card = SettingsStyle::sectionCard();
    auto *row = new QHBoxLayout(card);
    row->setContentsMargins(12, 10, 12, 10);
    row->setSpacing(14);

    auto *listColumn = new QVBoxLayout;
    listColumn->setSpacing(6);
    auto *list = new FieldList;
    list->move = [this](int by) { moveField(by); };
    list->remove = [this] { removeField(); };
    m_list = list;
    m_list->setObjectName(QStringLiteral("fieldList"));
    m_list->setAccessibleName(QStringLiteral("Velden"));
    m_list->setAccessibleDescription(
        QStringLiteral("Ctrl+Omhoog en Ctrl+Omlaag verplaatsen het veld, Delete verwijdert het"));
    m_list->setFont(Style::uiFont(12));
    m_list->setMinimumWidth(160);
    m_list->setStyleSheet(
        QStringLiteral("QListWidget { background: %1; color: %2; border: 1px solid %3;"
                       " border-radius: 5px; padding: 2px; outline: 0;"
                       " selection-background-color: %4; selection-color: %2; }"
                       "QListWidget:focus { border-color: %5; }"
                       "QListWidget::item { padding: 3px 6px; border-radius: 4px; }"
                       "QListWidget::item:selected { background: %4; }")
            .arg(Style::css(bpDark), Style::css(bpText), Style::css(bpBorder),
                 Style::css(bpBlue, 0.35), Style::css(bpBlue, 0.7)));
    connect(m_list, &QListWidget::currentRowChanged, this, [this] {
        if (m_filling)
            return;
        finishPending();
        showSelected();
        validate();
    });
    listColumn->addWidget(m_list, 1);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    const auto button = [&](const QString &text, const QString &name, const QString &objectName) {
        QPushButton *b = SettingsStyle::formButton(text, 11);
        b->setObjectName(objectName);
        b->setAccessibleName(name);
        b->setStyleSheet(
            b->styleSheet() +
            QStringLiteral("QPushButton:disabled { color: %1; }").arg(Style::css(bpText, 0.3)));
        buttons->addWidget(b);
        return b;
    };
    m_add = button(QStringLiteral("Nieuw"), QStringLiteral("Veld toevoegen"),
                   QStringLiteral("addFieldButton"));
    m_up = button(QStringLiteral("Omhoog"), QStringLiteral("Veld omhoog"),
                  QStringLiteral("fieldUpButton"));
    m_down = button(QStringLiteral("Omlaag"), QStringLiteral("Veld omlaag"),
                    QStringLiteral("fieldDownButton"));
    m_remove = button(QStringLiteral("Verwijder"), QStringLiteral("Veld verwijderen"),
                      QStringLiteral("removeFieldButton"));
    m_remove->setStyleSheet(
        m_remove->styleSheet() +
        QStringLiteral("QPushButton:enabled { color: %1; }").arg(Style::css(bpRed)));
    connect(m_add, &QPushButton::clicked, this, &FieldListEditor::addField);
    connect(m_up, &QPushButton::clicked, this, [this] { moveField(-1); });
    connect(m_down, &QPushButton::clicked, this, [this] { moveField(1); });
    connect(m_remove, &QPushButton::clicked, this, &FieldListEditor::removeField);
    listColumn->addLayout(buttons);
    row->addLayout(listColumn, 2);
    auto *detail = new QVBoxLayout;
    detail->addWidget(buildDetailForm());
    m_emptyHint = Style::label(QStringLiteral("Nog geen velden. Met Nieuw voeg je er een toe."), 12,
                               QFont::Normal, bpText, 0.45);
    m_emptyHint->setObjectName(QStringLiteral("noFieldsHint"));
    m_emptyHint->setWordWrap(true);
    detail->addWidget(m_emptyHint);
    detail->addStretch(1);
    row->addLayout(detail, 3);

    m_fieldMessage = messageLabel(QStringLiteral("fieldMessage"));
    return section(QStringLiteral("Velden"), card, m_fieldMessage);
}

QWidget *FieldListEditor::buildDetailForm()
{
    m_form = new QWidget;
    m_form->setObjectName(QStringLiteral("fieldForm"));
    auto *form = new QFormLayout(m_form);
    form->setContentsMargins(0, 0, 0, 0);
    form->setHorizontalSpacing(10);
    form->setVerticalSpacing(6);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);

    const auto typed = [this](QLineEdit *edit) {
        connect(edit, &QLineEdit::textEdited, this, [this] {
            markPending();
            updateFromForm();
        });
        connect(edit, &QLineEdit::editingFinished, this, &FieldListEditor::finishPending);
    };

    m_key = field<QLineEdit>(QStringLiteral("fieldKey"), QStringLiteral("Sleutel"),
                             QStringLiteral("Zo staat het veld in een naam: {sleutel}. Kleine "
                                            "letters a-z, cijfers en _"));
    m_key->setFont(Style::monoFont(12));
    typed(m_key);
    form->addRow(rowLabel(QStringLiteral("Sleutel"), m_key), m_key);

    m_label = field<QLineEdit>(QStringLiteral("fieldLabel"), QStringLiteral("Label"),
                               QStringLiteral("Zo heet het veld in het formulier"));
    typed(m_label);
    form->addRow(rowLabel(QStringLiteral("Label"), m_label), m_label);

    m_kind = new ChevronComboBox;
    m_kind->setObjectName(QStringLiteral("fieldKind"));
    m_kind->setAccessibleName(QStringLiteral("Soort"));
    m_kind->setFont(Style::uiFont(12));
    m_kind->setStyleSheet(SettingsStyle::comboSheet());
    m_kind->addItem(QStringLiteral("Tekst"), rawValue(FieldKind::text));
    m_kind->addItem(QStringLiteral("Getal"), rawValue(FieldKind::number));
    m_kind->addItem(QStringLiteral("Datum"), rawValue(FieldKind::date));
    m_kind->addItem(QStringLiteral("Keuze"), rawValue(FieldKind::choice));
    connect(m_kind, &QComboBox::currentIndexChanged, this, [this] {
        if (m_filling)
            return;
        finishPending();
        updateFromForm();
        updateKindRows();
        Q_EMIT edited();
    });
    form->addRow(rowLabel(QStringLiteral("Soort"), m_kind), m_kind);

    m_required = new ToggleSwitch(QStringLiteral("Verplicht"));
    m_required->setObjectName(QStringLiteral("fieldRequired"));
    m_required->setFont(Style::uiFont(12));
    connect(m_required, &QAbstractButton::toggled, this, [this] {
        if (m_filling)
            return;
        finishPending();
        updateFromForm();
        Q_EMIT edited();
    });
    form->addRow(m_required);

    m_default = field<QLineEdit>(QStringLiteral("fieldDefault"), QStringLiteral("Standaard"),
                                 QStringLiteral("De waarde waarmee het veld begint"));
    typed(m_default);
    form->addRow(rowLabel(QStringLiteral("Standaard"), m_default), m_default);

    m_regex = field<QLineEdit>(
        QStringLiteral("fieldPattern"), QStringLiteral("Patroon"),
        QStringLiteral(
            "Reguliere expressie waaraan de hele waarde moet voldoen; leeg: elke tekst"));
    m_regex->setPlaceholderText(QStringLiteral("Elke tekst"));
    m_regex->setFont(Style::monoFont(12));
    typed(m_regex);
    form->addRow(rowLabel(QStringLiteral("Patroon"), m_regex), m_regex);

    m_formatRow = new QWidget;
    auto *formatRow = new QHBoxLayout(m_formatRow);
    formatRow->setContentsMargins(0, 0, 0, 0);
    m_format =
        field<QLineEdit>(QStringLiteral("fieldFormat"), QStringLiteral("Notatie"),
                         QStringLiteral("Letters: JJJJ, JJ, MMMM, MMM, MM, M, DD, D, WW (week)"));
    m_format->setPlaceholderText(DutchDate::isoLetters);
    m_format->setFont(Style::monoFont(12));
    typed(m_format);
    formatRow->addWidget(m_format, 1);
    m_formatExample = Style::label(QString(), 11, QFont::Normal, bpText, 0.55);
    m_formatExample->setObjectName(QStringLiteral("formatExample"));
    formatRow->addWidget(m_formatExample);
    form->addRow(rowLabel(QStringLiteral("Notatie"), m_format), m_formatRow);

    auto *choices = field<ChoicesEdit>(QStringLiteral("fieldChoices"), QStringLiteral("Keuzes"),
                                       QStringLiteral("Eén keuze per regel"));
    choices->setTabChangesFocus(true);
    choices->setMinimumHeight(70);
    choices->left = [this] { finishPending(); };
    connect(choices, &QPlainTextEdit::textChanged, this, [this] {
        if (m_filling)
            return;
        markPending();
        updateFromForm();
    });
    m_choices = choices;
    form->addRow(rowLabel(QStringLiteral("Keuzes"), m_choices), m_choices);
    return m_form;
}

void FieldListEditor::setFields(const QList<FieldDefinition> &fields)
{
    const int row = current();
    m_fields = fields;
    m_pending = false;
    m_filling = true;
    while (m_list->count() > m_fields.size())
        delete m_list->takeItem(m_list->count() - 1);
    while (m_list->count() < m_fields.size())
        m_list->addItem(QString());
    m_list->setCurrentRow(m_fields.isEmpty() ? -1 : std::clamp(row, 0, int(m_fields.size()) - 1));
    m_filling = false;
    showSelected();
    validate();
}

QList<FieldDefinition> FieldListEditor::fields() const
{
    QList<FieldDefinition> fields = m_fields;
    for (FieldDefinition &field : fields) {
        // What another kind needs stays here while the user tries kinds, but is not stored.
        if (field.kind != FieldKind::text)
            field.pattern.clear();
        if (field.kind != FieldKind::date)
            field.format.clear();
        if (field.kind != FieldKind::choice)
            field.choices.clear();
    }
    return fields;
}

void FieldListEditor::setPattern(const QString &projectNamePattern)
{
    setTextKeepingCursor(m_pattern, projectNamePattern);
    m_pending = false;
    validate();
}

QString FieldListEditor::pattern() const
{
    return m_pattern->text();
}

std::optional<QString> FieldListEditor::problem() const
{
    const QList<std::optional<FieldProblem>> problems = problemsOf(m_fields);
    for (qsizetype i = 0; i < problems.size(); ++i) {
        if (!problems[i])
            continue;
        const QString name = shownName(m_fields[i]);
        return QStringLiteral("Veld %1: %2")
            .arg(name.isEmpty() ? QString::number(i + 1) : quoted(name),
                 definitionMessage(m_fields[i], *problems[i]));
    }
    if (const std::optional<QString> pattern = patternProblem())
        return QStringLiteral("Naam van de projectmap: %1").arg(*pattern);
    return std::nullopt;
}

std::optional<QString> FieldListEditor::patternProblem() const
{
    if (m_pattern->text().isEmpty())
        return std::nullopt;
    const NamePattern pattern = NamePattern::parse(m_pattern->text());
    if (const std::optional<NameProblem> &error = pattern.syntaxError())
        return nameMessage(*error);
    TokenValues sample{QStringLiteral("Voorbeeld"), QDate::currentDate(), 1, {}};
    for (const FieldDefinition &field : m_fields) {
        if (NamePattern::isValidKey(field.key))
            sample.fields.insert(field.key, QStringLiteral("x"));
    }
    const RenderedName rendered = pattern.render(sample);
    if (const QStringList unknown = rendered.unresolved(); !unknown.isEmpty())
        return (unknown.size() == 1 ? QStringLiteral("Onbekend veld %1")
                                    : QStringLiteral("Onbekende velden %1"))
            .arg(QLatin1Char('{') + unknown.join(QStringLiteral("}, {")) + QLatin1Char('}'));
    if (!rendered.problems.isEmpty())
        return nameMessage(rendered.problems.constFirst());
    return std::nullopt;
}

void FieldListEditor::fillTokenMenu()
{
    m_tokenMenu->clear();
    const QDate today = QDate::currentDate();
    const auto add = [this](const QString &token, const QString &what) {
        QAction *action = m_tokenMenu->addAction(QStringLiteral("%1  —  %2").arg(token, what));
        connect(action, &QAction::triggered, this, [this, token] { insertToken(token); });
    };
    add(QStringLiteral("{naam}"), QStringLiteral("projectnaam"));
    add(QStringLiteral("{datum}"), DutchDate::format(today, DutchDate::isoLetters));
    for (const QString &letters :
         {QStringLiteral("JJJJMMDD"), QStringLiteral("DD-MM-JJJJ"), QStringLiteral("JJJJ"),
          QStringLiteral("D MMMM JJJJ"), QStringLiteral("JJJJ-WW")})
        add(QStringLiteral("{datum:%1}").arg(letters), DutchDate::format(today, letters));
    add(QStringLiteral("{teller:000}"), QStringLiteral("volgnummer, drie cijfers"));
    QStringList seen;
    for (const FieldDefinition &field : std::as_const(m_fields)) {
        if (!NamePattern::isValidKey(field.key) || seen.contains(field.key) ||
            Fields::checkDefinition(field))
            continue;
        if (seen.isEmpty())
            m_tokenMenu->addSeparator();
        seen.append(field.key);
        add(QStringLiteral("{%1}").arg(field.key), shownName(field));
    }
}

void FieldListEditor::insertToken(const QString &token)
{
    finishPending();
    m_pattern->insert(token);
    m_pattern->setFocus(Qt::OtherFocusReason);
    validate();
    Q_EMIT changed();
    Q_EMIT edited();
}

void FieldListEditor::addField()
{
    finishPending();
    QStringList keys;
    for (const FieldDefinition &field : std::as_const(m_fields))
        keys.append(field.key);
    QString key = QStringLiteral("veld");
    for (int n = 2; keys.contains(key); ++n)
        key = QStringLiteral("veld%1").arg(n);
    FieldDefinition added;
    added.key = key;
    added.label = QStringLiteral("Nieuw veld");
    m_fields.append(added);
    m_filling = true;
    m_list->addItem(QString());
    m_list->setCurrentRow(m_list->count() - 1);
    m_filling = false;
    showSelected();
    finishEdit();
    m_key->setFocus(Qt::OtherFocusReason);
    m_key->selectAll();
}

void FieldListEditor::removeField()
{
    const int row = current();
    if (row < 0)
        return;
    finishPending();
    m_fields.removeAt(row);
    m_filling = true;
    delete m_list->takeItem(row);
    m_list->setCurrentRow(std::min(row, int(m_list->count()) - 1));
    m_filling = false;
    showSelected();
    finishEdit();
    // The button may have gone from the Tab order with the last field.
    (m_fields.isEmpty() ? static_cast<QWidget *>(m_add) : m_list)->setFocus(Qt::OtherFocusReason);
}

void FieldListEditor::moveField(int by)
{
    const int row = current();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= m_fields.size())
        return;
    finishPending();
    m_fields.swapItemsAt(row, to);
    m_filling = true;
    m_list->setCurrentRow(to);
    m_filling = false;
    showSelected();
    finishEdit();
}

int FieldListEditor::current() const
{
    const int row = m_list->currentRow();
    return row >= 0 && row < m_fields.size() ? row : -1;
}

void FieldListEditor::showSelected()
{
    const int row = current();
    m_form->setVisible(row >= 0);
    m_emptyHint->setVisible(m_fields.isEmpty());
    m_up->setEnabled(row > 0);
    m_down->setEnabled(row >= 0 && row + 1 < m_fields.size());
    m_remove->setEnabled(row >= 0);
    if (row < 0)
        return;
    const FieldDefinition &field = m_fields[row];
    m_filling = true;
    setTextKeepingCursor(m_key, field.key);
    setTextKeepingCursor(m_label, field.label);
    m_kind->setCurrentIndex(m_kind->findData(rawValue(field.kind)));
    m_required->setChecked(field.required);
    setTextKeepingCursor(m_default, field.defaultValue);
    setTextKeepingCursor(m_regex, field.pattern);
    setTextKeepingCursor(m_format, field.format);
    if (choicesIn(m_choices->toPlainText()) != field.choices)
        m_choices->setPlainText(field.choices.join(QLatin1Char('\n')));
    m_filling = false;
    updateKindRows();
}

void FieldListEditor::updateFromForm()
{
    const int row = current();
    if (m_filling || row < 0)
        return;
    FieldDefinition &field = m_fields[row];
    field.key = m_key->text();
    field.label = m_label->text();
    field.kind = fieldKindFromRawValue(m_kind->currentData().toString()).value_or(FieldKind::text);
    field.required = m_required->isChecked();
    field.defaultValue = m_default->text();
    field.pattern = m_regex->text();
    field.format = m_format->text();
    field.choices = choicesIn(m_choices->toPlainText());
    validate();
    Q_EMIT changed();
}

void FieldListEditor::updateKindRows()
{
    const int row = current();
    const FieldKind kind = row < 0 ? FieldKind::text : m_fields[row].kind;
    auto *form = static_cast<QFormLayout *>(m_form->layout());
    form->setRowVisible(m_regex, kind == FieldKind::text);
    form->setRowVisible(m_formatRow, kind == FieldKind::date);
    form->setRowVisible(m_choices, kind == FieldKind::choice);
    static const QStringList defaultHints = {QString(), QString(), QStringLiteral("JJJJ-MM-DD"),
                                             QStringLiteral("Eerste keuze")};
    m_default->setPlaceholderText(defaultHints.value(int(kind)));
}

void FieldListEditor::validate()
{
    const QList<std::optional<FieldProblem>> problems = problemsOf(m_fields);
    for (int i = 0; i < m_list->count() && i < m_fields.size(); ++i) {
        const FieldDefinition &field = m_fields[i];
        QListWidgetItem *item = m_list->item(i);
        const QString text = field.label.trimmed().isEmpty()
                                 ? QStringLiteral("{%1}").arg(field.key)
                                 : QStringLiteral("%1  {%2}").arg(field.label.trimmed(), field.key);
        if (item->text() != text)
            item->setText(text);
        const QString message = problems[i] ? definitionMessage(field, *problems[i]) : QString();
        item->setForeground(problems[i] ? bpRed : bpText);
        item->setToolTip(message);
        item->setData(Qt::AccessibleDescriptionRole, message);
    }

    const int row = current();
    const std::optional<FieldProblem> problem = row < 0 ? std::nullopt : problems[row];
    QWidget *at = nullptr;
    if (problem) {
        switch (problem->kind) {
        case FieldProblem::Kind::invalidPattern:
            at = m_regex;
            break;
        case FieldProblem::Kind::noChoices:
            at = m_choices;
            break;
        case FieldProblem::Kind::invalidDefault:
            at = m_default;
            break;
        default:
            at = m_key;
        }
    }
    const QString message = problem ? definitionMessage(m_fields[row], *problem) : QString();
    for (QWidget *control : {static_cast<QWidget *>(m_key), static_cast<QWidget *>(m_default),
                             static_cast<QWidget *>(m_regex), static_cast<QWidget *>(m_choices)})
        showError(control, control == at ? message : QString());
    showMessage(m_fieldMessage, problem ? std::optional(message) : std::nullopt);

    if (row >= 0 && m_fields[row].kind == FieldKind::date) {
        const QString letters =
            m_fields[row].format.isEmpty() ? DutchDate::isoLetters : m_fields[row].format;
        m_formatExample->setText(
            QStringLiteral("Bijv. %1").arg(DutchDate::format(QDate::currentDate(), letters)));
        m_formatExample->setAccessibleName(m_formatExample->text());
    }

    const std::optional<QString> patternMessage = patternProblem();
    showError(m_pattern, patternMessage.value_or(QString()));
    showMessage(m_patternMessage, patternMessage);
}

void FieldListEditor::markPending()
{
    if (!m_filling)
        m_pending = true;
}

void FieldListEditor::finishPending()
{
    if (!m_pending)
        return;
    m_pending = false;
    // A closing window takes focus from the line as it goes; the window may be half
    // destroyed by then, and it has all there is in fields() already.
    if (!window()->isHidden())
        Q_EMIT edited();
}

void FieldListEditor::finishEdit()
{
    m_pending = false;
    validate();
    Q_EMIT changed();
    Q_EMIT edited();
}

} // namespace bp

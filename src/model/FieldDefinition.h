#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace bp {

enum class FieldKind { text, number, date, choice };

// The raw value is the stored form: "text", "number", "date", "choice".
QString rawValue(FieldKind kind);
std::optional<FieldKind> fieldKindFromRawValue(const QString &raw);

// A value a template asks for per project, used in names as the token {key}.
struct FieldDefinition {
    // Every member has an initialiser, so a brace list may stop after any of them.
    QString key = {}; // lower-case ASCII letters, digits and "_"; not a built-in token
    QString label = {};
    FieldKind kind = FieldKind::text;
    bool required = false;
    QString defaultValue = {}; // for a choice, empty means the first choice
    QString pattern = {};      // text: a regular expression the whole value must match; empty: any
    QString format = {};       // date: how it is written, in DutchDate letters; empty: JJJJ-MM-DD
    QStringList choices = {};  // choice: the values to pick from, in order

    friend bool operator==(const FieldDefinition &, const FieldDefinition &) = default;
};

// Why a field definition or a value for it is refused. Kinds, not sentences: windows and
// the command line word them; message() is for logs and names the field.
struct FieldProblem {
    enum class Kind {
        // the definition
        invalidKey,     // empty, or not only a-z, 0-9 and "_"
        builtInKey,     // naam, datum or teller
        duplicateKey,   // two fields of one template share the key
        invalidPattern, // the text field's regular expression is not valid
        noChoices,      // a choice field without choices
        invalidDefault, // the default is not a valid value for the field
        // a value
        missing,    // a required field is empty
        notANumber, // not only ASCII digits
        notADate,   // not a real day written as yyyy-MM-dd
        noMatch,    // the text does not match the field's pattern
        notAChoice, // not one of the choices
        unknownKey, // a value given for a field the template does not have
    };
    Kind kind = Kind::missing;
    QString key;
    QString detail; // the value concerned, or what the regular expression engine said

    QString message() const;
    friend bool operator==(const FieldProblem &, const FieldProblem &) = default;
};

namespace Fields {

std::optional<FieldProblem> checkDefinition(const FieldDefinition &field);
// The first problem of any definition, or of two sharing a key.
std::optional<FieldProblem> checkDefinitions(const QList<FieldDefinition> &fields);

// Whether the value is valid for the field: an empty one only when the field is not
// required; a number is ASCII digits (leading zeros kept); a date is yyyy-MM-dd.
std::optional<FieldProblem> checkValue(const FieldDefinition &field, const QString &value);

// The value a field starts with: its default, or for a choice without one the first choice.
QString initialValue(const FieldDefinition &field);

struct Resolved {
    QHash<QString, QString> values; // by key, for TokenValues::fields
    QList<FieldProblem> problems;   // in field order; unknown keys last
};
// The values to render with: a field missing from `given` takes initialValue(); a date is
// written in its format. A field whose value is refused is left out of `values`, so a
// name using it also reports it as unresolved.
Resolved resolve(const QList<FieldDefinition> &fields, const QHash<QString, QString> &given);

} // namespace Fields
} // namespace bp

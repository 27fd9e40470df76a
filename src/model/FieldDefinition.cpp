#include "FieldDefinition.h"

#include "DutchDate.h"
#include "NamePattern.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace bp {
namespace {

bool isDigits(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}

// Strictly yyyy-MM-dd, so a value means the same day on every system.
QDate isoDate(const QString &text)
{
    if (text.size() != 10 || text.at(4) != QLatin1Char('-') || text.at(7) != QLatin1Char('-'))
        return {};
    const QStringView view(text);
    if (!isDigits(view.mid(0, 4)) || !isDigits(view.mid(5, 2)) || !isDigits(view.mid(8, 2)))
        return {};
    return QDate(view.mid(0, 4).toInt(), view.mid(5, 2).toInt(), view.mid(8, 2).toInt());
}

QRegularExpression wholeMatch(const QString &pattern)
{
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern));
}

} // namespace

QString rawValue(FieldKind kind)
{
    switch (kind) {
    case FieldKind::text:
        return QStringLiteral("text");
    case FieldKind::number:
        return QStringLiteral("number");
    case FieldKind::date:
        return QStringLiteral("date");
    case FieldKind::choice:
        return QStringLiteral("choice");
    }
    return {};
}

std::optional<FieldKind> fieldKindFromRawValue(const QString &raw)
{
    for (FieldKind kind :
         {FieldKind::text, FieldKind::number, FieldKind::date, FieldKind::choice}) {
        if (raw == rawValue(kind))
            return kind;
    }
    return std::nullopt;
}

QString FieldProblem::message() const
{
    const QString field = QStringLiteral("field \"%1\"").arg(key);
    switch (kind) {
    case Kind::invalidKey:
        return field + QStringLiteral(": a key may hold only a-z, 0-9 and \"_\"");
    case Kind::builtInKey:
        return field + QStringLiteral(": the key is a built-in token");
    case Kind::duplicateKey:
        return field + QStringLiteral(" is defined twice");
    case Kind::invalidPattern:
        return field + QStringLiteral(": invalid regular expression (%1)").arg(detail);
    case Kind::noChoices:
        return field + QStringLiteral(" has no choices");
    case Kind::invalidDefault:
        return field + QStringLiteral(": default \"%1\" is not a valid value").arg(detail);
    case Kind::missing:
        return field + QStringLiteral(" is required");
    case Kind::notANumber:
        return field + QStringLiteral(": \"%1\" is not a number").arg(detail);
    case Kind::notADate:
        return field + QStringLiteral(": \"%1\" is not a date (yyyy-MM-dd)").arg(detail);
    case Kind::noMatch:
        return field + QStringLiteral(": \"%1\" does not match its pattern").arg(detail);
    case Kind::notAChoice:
        return field + QStringLiteral(": \"%1\" is not one of its choices").arg(detail);
    case Kind::unknownKey:
        return field + QStringLiteral(" is not a field of this template");
    }
    return {};
}

namespace Fields {

std::optional<FieldProblem> checkDefinition(const FieldDefinition &field)
{
    using Kind = FieldProblem::Kind;
    if (!NamePattern::isValidKey(field.key))
        return FieldProblem{Kind::invalidKey, field.key, {}};
    if (field.key == u"naam" || field.key == u"datum" || field.key == u"teller")
        return FieldProblem{Kind::builtInKey, field.key, {}};
    if (field.kind == FieldKind::text && !field.pattern.isEmpty()) {
        const QRegularExpression regex = wholeMatch(field.pattern);
        if (!regex.isValid())
            return FieldProblem{Kind::invalidPattern, field.key, regex.errorString()};
    }
    if (field.kind == FieldKind::choice && field.choices.isEmpty())
        return FieldProblem{Kind::noChoices, field.key, {}};
    // Checked as an optional value: a required field may still start empty.
    FieldDefinition optional = field;
    optional.required = false;
    if (checkValue(optional, field.defaultValue))
        return FieldProblem{Kind::invalidDefault, field.key, field.defaultValue};
    return std::nullopt;
}

std::optional<FieldProblem> checkDefinitions(const QList<FieldDefinition> &fields)
{
    QSet<QString> keys;
    for (const FieldDefinition &field : fields) {
        if (std::optional<FieldProblem> problem = checkDefinition(field))
            return problem;
        if (keys.contains(field.key))
            return FieldProblem{FieldProblem::Kind::duplicateKey, field.key, {}};
        keys.insert(field.key);
    }
    return std::nullopt;
}

std::optional<FieldProblem> checkValue(const FieldDefinition &field, const QString &value)
{
    using Kind = FieldProblem::Kind;
    if (value.isEmpty()) {
        if (field.required)
            return FieldProblem{Kind::missing, field.key, {}};
        return std::nullopt;
    }
    const auto fail = [&](Kind kind) { return FieldProblem{kind, field.key, value}; };
    switch (field.kind) {
    case FieldKind::text:
        if (!field.pattern.isEmpty() && !wholeMatch(field.pattern).match(value).hasMatch())
            return fail(Kind::noMatch);
        break;
    case FieldKind::number:
        if (!isDigits(value))
            return fail(Kind::notANumber);
        break;
    case FieldKind::date:
        if (!isoDate(value).isValid())
            return fail(Kind::notADate);
        break;
    case FieldKind::choice:
        if (!field.choices.contains(value))
            return fail(Kind::notAChoice);
        break;
    }
    return std::nullopt;
}

QString initialValue(const FieldDefinition &field)
{
    if (field.kind == FieldKind::choice && field.defaultValue.isEmpty() && !field.choices.isEmpty())
        return field.choices.first();
    return field.defaultValue;
}

Resolved resolve(const QList<FieldDefinition> &fields, const QHash<QString, QString> &given)
{
    Resolved resolved;
    QSet<QString> known;
    for (const FieldDefinition &field : fields) {
        known.insert(field.key);
        const auto it = given.constFind(field.key);
        const QString value = it == given.constEnd() ? initialValue(field) : *it;
        if (std::optional<FieldProblem> problem = checkValue(field, value)) {
            resolved.problems.append(*problem);
            continue;
        }
        const bool isDate = field.kind == FieldKind::date && !value.isEmpty();
        resolved.values.insert(
            field.key, isDate ? DutchDate::format(isoDate(value), field.format.isEmpty()
                                                                      ? DutchDate::isoLetters
                                                                      : field.format)
                              : value);
    }
    QStringList unknown;
    for (auto it = given.constBegin(); it != given.constEnd(); ++it) {
        if (!known.contains(it.key()))
            unknown.append(it.key());
    }
    unknown.sort(); // a hash has no order; messages should not change from run to run
    for (const QString &key : std::as_const(unknown))
        resolved.problems.append({FieldProblem::Kind::unknownKey, key, {}});
    return resolved;
}

} // namespace Fields
} // namespace bp

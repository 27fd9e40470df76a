#include "views/PlanProblemText.h"

namespace bp::PlanProblemText {
namespace {

QString labelOf(const QString &key, const QList<FieldDefinition> &fields)
{
    for (const FieldDefinition &field : fields)
        if (field.key == key)
            return field.label.isEmpty() ? key : field.label;
    return key;
}

QString token(const QString &key)
{
    return QLatin1Char('{') + key + QLatin1Char('}');
}

QString fieldLine(const FieldProblem &problem, const QString &label)
{
    using Kind = FieldProblem::Kind;
    switch (problem.kind) {
    case Kind::notANumber:
        return label + QStringLiteral(" is geen getal");
    case Kind::notADate:
        return label + QStringLiteral(" is geen geldige datum");
    case Kind::noMatch:
        return label + QStringLiteral(" past niet bij het patroon");
    case Kind::notAChoice:
        return label + QStringLiteral(" is geen van de keuzes");
    case Kind::invalidKey:
    case Kind::builtInKey:
    case Kind::duplicateKey:
    case Kind::invalidPattern:
    case Kind::noChoices:
    case Kind::invalidDefault:
        return QStringLiteral("Veld %1 van de template is ongeldig").arg(label);
    case Kind::missing:
    case Kind::unknownKey:
        break; // gathered into one line each
    }
    return {};
}

QString nameLine(const NameProblem &problem)
{
    using Kind = NameProblem::Kind;
    switch (problem.kind) {
    case Kind::unclosedBrace:
        return QStringLiteral("Naampatroon: { zonder }");
    case Kind::strayClosingBrace:
        return QStringLiteral("Naampatroon: losse }");
    case Kind::invalidKey:
        return QStringLiteral("Ongeldige sleutel: ") + token(problem.key);
    case Kind::invalidFormat:
        return QStringLiteral("Ongeldig formaat bij ") + token(problem.key);
    case Kind::tooLong:
        return QStringLiteral("Naam langer dan 255 bytes");
    case Kind::unknownToken:
        break; // gathered into one line
    }
    return {};
}

QString listLine(const QString &one, const QString &many, const QStringList &items)
{
    if (items.isEmpty())
        return {};
    return (items.size() == 1 ? one : many) + QStringLiteral(": ") +
           items.join(QStringLiteral(", "));
}

} // namespace

QString dutch(const PlanProblems &problems, const QList<FieldDefinition> &fields)
{
    QStringList missing;
    QStringList unknown;
    QStringList lines;
    for (const FieldProblem &problem : problems.fields) {
        if (problem.kind == FieldProblem::Kind::missing)
            missing.append(labelOf(problem.key, fields));
        else if (problem.kind == FieldProblem::Kind::unknownKey)
            unknown.append(token(problem.key));
        else
            lines.append(fieldLine(problem, labelOf(problem.key, fields)));
    }
    QStringList fieldKeys;
    for (const FieldDefinition &field : fields)
        fieldKeys.append(field.key);
    for (const NameProblem &problem : problems.names) {
        // A field whose value is refused leaves its token unresolved; its own line says why.
        if (problem.kind == NameProblem::Kind::unknownToken) {
            if (!fieldKeys.contains(problem.key) && !unknown.contains(token(problem.key)))
                unknown.append(token(problem.key));
        } else if (const QString line = nameLine(problem); !lines.contains(line)) {
            lines.append(line);
        }
    }
    lines.prepend(
        listLine(QStringLiteral("Onbekend veld"), QStringLiteral("Onbekende velden"), unknown));
    lines.prepend(listLine(QStringLiteral("Vul in"), QStringLiteral("Vul in"), missing));
    lines.removeAll(QString());
    return lines.join(QLatin1Char('\n'));
}

} // namespace bp::PlanProblemText

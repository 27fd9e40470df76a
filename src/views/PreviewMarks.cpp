#include "views/PreviewMarks.h"

namespace bp::PreviewMarks {

QString changeText(ComponentChange change)
{
    switch (change) {
    case ComponentChange::forbiddenCharacter:
        return QStringLiteral("Teken vervangen door -");
    case ComponentChange::controlCharacter:
        return QStringLiteral("Stuurteken vervangen door -");
    case ComponentChange::trimmedEnd:
        return QStringLiteral("Punt of spatie aan het eind weggehaald");
    case ComponentChange::reservedName:
        return QStringLiteral("Gereserveerde naam: - toegevoegd");
    case ComponentChange::emptyName:
        return QStringLiteral("Lege naam: - gebruikt");
    }
    return {};
}

QString problemText(const NameProblem &problem, const QStringList &fieldKeys)
{
    const QString token = QLatin1Char('{') + problem.key + QLatin1Char('}');
    switch (problem.kind) {
    case NameProblem::Kind::unclosedBrace:
        return QStringLiteral("Accolade { niet gesloten");
    case NameProblem::Kind::strayClosingBrace:
        return QStringLiteral("Losse accolade }");
    case NameProblem::Kind::invalidKey:
        return QStringLiteral("Ongeldige veldnaam: ") + token;
    case NameProblem::Kind::unknownToken:
        return (fieldKeys.contains(problem.key) ? QStringLiteral("Geen geldige waarde: ")
                                                : QStringLiteral("Onbekend veld: ")) +
               token;
    case NameProblem::Kind::invalidFormat:
        return QStringLiteral("Ongeldige opmaak: ") + token;
    case NameProblem::Kind::tooLong:
        return QStringLiteral("Naam langer dan %1 bytes").arg(PathComponent::maxBytes);
    }
    return {};
}

QString describe(const FolderNote &note, const QStringList &fieldKeys)
{
    QStringList lines;
    for (const NameProblem &problem : note.problems)
        lines.append(problemText(problem, fieldKeys));
    for (ComponentChange change :
         {ComponentChange::forbiddenCharacter, ComponentChange::controlCharacter,
          ComponentChange::trimmedEnd, ComponentChange::reservedName, ComponentChange::emptyName}) {
        if (note.changes.testFlag(change))
            lines.append(changeText(change));
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace bp::PreviewMarks

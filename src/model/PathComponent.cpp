#include "PathComponent.h"

namespace bp::PathComponent {
namespace {

bool isTrimmed(QChar c)
{
    return c == QLatin1Char('.') || c == QLatin1Char(' ');
}

void checkLength(Safe &safe)
{
    // A UTF-16 unit is at most three UTF-8 bytes, so short names skip the conversion.
    if (safe.text.size() * 3 > maxBytes)
        safe.tooLong = safe.text.toUtf8().size() > maxBytes;
}

// Where the base name ends: Windows looks at what comes before the first dot, trailing
// spaces ignored.
// Unicode's control characters (category Cc) are exactly these two ranges; asking QChar for
// the category costs a table lookup per character of every rendered name.
bool isControl(QChar c)
{
    return c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() <= 0x9f);
}

qsizetype baseEnd(const QString &name)
{
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? name.size() : dot;
}

} // namespace

bool isForbidden(QChar c)
{
    switch (c.unicode()) {
    case '/':
    case ':':
    case '\\':
    case '?':
    case '%':
    case '*':
    case '|':
    case '"':
    case '<':
    case '>':
        return true;
    default:
        return false;
    }
}

bool isReplaced(QChar c)
{
    return isForbidden(c) || isControl(c);
}

bool isReserved(const QString &name)
{
    qsizetype end = baseEnd(name);
    while (end > 0 && name.at(end - 1) == QLatin1Char(' '))
        --end;
    // Only three- and four-letter bases can be device names: upper-case nothing longer.
    if (end != 3 && end != 4)
        return false;
    const QString base = name.left(end).toUpper();
    if (base == u"CON" || base == u"PRN" || base == u"AUX" || base == u"NUL")
        return true;
    return base.size() == 4 && (base.startsWith(u"COM") || base.startsWith(u"LPT")) &&
           base.at(3) >= QLatin1Char('1') && base.at(3) <= QLatin1Char('9');
}

Safe makeSafe(const QString &name)
{
    Safe safe{name, {}};
    for (QChar &c : safe.text) {
        if (isForbidden(c)) {
            c = QLatin1Char('-');
            safe.changes |= ComponentChange::forbiddenCharacter;
        } else if (isControl(c)) {
            c = QLatin1Char('-');
            safe.changes |= ComponentChange::controlCharacter;
        }
    }
    qsizetype end = safe.text.size();
    while (end > 0 && isTrimmed(safe.text.at(end - 1)))
        --end;
    if (end < safe.text.size()) {
        safe.text.truncate(end);
        safe.changes |= ComponentChange::trimmedEnd;
    }
    if (safe.text.isEmpty()) {
        safe.text = QStringLiteral("-");
        safe.changes |= ComponentChange::emptyName;
    } else if (isReserved(safe.text)) {
        safe.text.insert(baseEnd(safe.text), QLatin1Char('-'));
        safe.changes |= ComponentChange::reservedName;
    }
    checkLength(safe);
    return safe;
}

Safe makeSafeAsBefore(const QString &name)
{
    Safe safe{name, {}};
    for (QChar &c : safe.text) {
        if (isForbidden(c)) {
            c = QLatin1Char('-');
            safe.changes |= ComponentChange::forbiddenCharacter;
        }
    }
    checkLength(safe);
    return safe;
}

} // namespace bp::PathComponent

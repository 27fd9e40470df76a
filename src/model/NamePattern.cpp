#include "NamePattern.h"

#include "DutchDate.h"

#include <algorithm>
#include <utility>

namespace bp {
namespace {

const QString nameKey = QStringLiteral("naam");
const QString dateKey = QStringLiteral("datum");
const QString counterKey = QStringLiteral("teller");
constexpr int defaultCounterWidth = 3;

bool isZeros(const QString &format)
{
    return std::all_of(format.cbegin(), format.cend(),
                       [](QChar c) { return c == QLatin1Char('0'); });
}

// The token's text, or none after adding the problem that keeps it from having one.
std::optional<QString> tokenValue(const NamePattern::Part &part, const TokenValues &values,
                                  QList<NameProblem> &problems)
{
    const auto fail = [&](NameProblem::Kind kind) -> std::optional<QString> {
        problems.append({kind, part.text, part.position});
        return std::nullopt;
    };
    if (part.text == nameKey) {
        if (!part.format.isEmpty())
            return fail(NameProblem::Kind::invalidFormat);
        const QString name = values.name.trimmed();
        return name.isEmpty() ? QStringLiteral("NewProject") : name;
    }
    if (part.text == dateKey) {
        if (!values.date.isValid())
            return fail(NameProblem::Kind::unknownToken);
        return DutchDate::format(values.date,
                                 part.format.isEmpty() ? DutchDate::isoLetters : part.format);
    }
    if (part.text == counterKey) {
        if (!isZeros(part.format))
            return fail(NameProblem::Kind::invalidFormat);
        if (!values.counter || *values.counter < 0)
            return fail(NameProblem::Kind::unknownToken);
        const qsizetype width = part.format.isEmpty() ? defaultCounterWidth : part.format.size();
        return QString::number(*values.counter).rightJustified(width, QLatin1Char('0'));
    }
    const auto it = values.fields.constFind(part.text);
    if (it == values.fields.constEnd())
        return fail(NameProblem::Kind::unknownToken);
    // A field's kind decides how it is written (a date field has its own format).
    if (!part.format.isEmpty())
        return fail(NameProblem::Kind::invalidFormat);
    return *it;
}

} // namespace

QString NameProblem::message() const
{
    switch (kind) {
    case Kind::unclosedBrace:
        return QStringLiteral("\"{\" at position %1 is not closed").arg(position + 1);
    case Kind::strayClosingBrace:
        return QStringLiteral("\"}\" at position %1 closes no token (a brace is written \"}}\")")
            .arg(position + 1);
    case Kind::invalidKey:
        return QStringLiteral("token \"%1\" at position %2 may hold only a-z, 0-9 and \"_\"")
            .arg(key)
            .arg(position + 1);
    case Kind::unknownToken:
        return QStringLiteral("unknown token {%1}").arg(key);
    case Kind::invalidFormat:
        return QStringLiteral("token {%1} does not take this format").arg(key);
    case Kind::tooLong:
        return QStringLiteral("the name is longer than %1 bytes").arg(PathComponent::maxBytes);
    }
    return {};
}

QStringList RenderedName::unresolved() const
{
    QStringList keys;
    for (const NameProblem &problem : problems) {
        if (problem.kind == NameProblem::Kind::unknownToken && !keys.contains(problem.key))
            keys.append(problem.key);
    }
    return keys;
}

bool NamePattern::isValidKey(QStringView key)
{
    return !key.isEmpty() && std::all_of(key.begin(), key.end(), [](QChar c) {
        return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
               (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('_');
    });
}

NamePattern NamePattern::parse(const QString &pattern)
{
    NamePattern result;
    result.m_text = pattern;
    Part literal;
    const auto addLiteral = [&](QChar c, qsizetype at) {
        if (literal.text.isEmpty())
            literal.position = at;
        literal.text += c;
    };
    const auto fail = [&](NameProblem::Kind kind, qsizetype at, const QString &key = {}) {
        result.m_parts.clear();
        result.m_syntaxError = NameProblem{kind, key, at};
        return result;
    };
    const qsizetype size = pattern.size();
    qsizetype i = 0;
    while (i < size) {
        const QChar c = pattern.at(i);
        const bool doubled = i + 1 < size && pattern.at(i + 1) == c;
        if (c == QLatin1Char('}')) {
            if (!doubled)
                return fail(NameProblem::Kind::strayClosingBrace, i);
            addLiteral(c, i);
            i += 2;
        } else if (c == QLatin1Char('{') && doubled) {
            addLiteral(c, i);
            i += 2;
        } else if (c == QLatin1Char('{')) {
            const qsizetype close = pattern.indexOf(QLatin1Char('}'), i + 1);
            const qsizetype open = pattern.indexOf(QLatin1Char('{'), i + 1);
            if (close < 0 || (open >= 0 && open < close))
                return fail(NameProblem::Kind::unclosedBrace, i);
            const QString body = pattern.mid(i + 1, close - i - 1);
            const qsizetype colon = body.indexOf(QLatin1Char(':'));
            const QString key = colon < 0 ? body : body.left(colon);
            if (!isValidKey(key))
                return fail(NameProblem::Kind::invalidKey, i, key);
            if (!literal.text.isEmpty())
                result.m_parts.append(std::exchange(literal, Part{}));
            result.m_parts.append({key, colon < 0 ? QString() : body.mid(colon + 1), true, i});
            i = close + 1;
        } else {
            addLiteral(c, i);
            ++i;
        }
    }
    if (!literal.text.isEmpty())
        result.m_parts.append(std::move(literal));
    result.buildCounterMatcher();
    return result;
}

NamePattern NamePattern::projectDefault()
{
    NamePattern result = parse(QStringLiteral("{datum}_{naam}"));
    result.m_asBefore = true;
    return result;
}

NamePattern NamePattern::forProject(const QString &stored)
{
    return stored.isEmpty() ? projectDefault() : parse(stored);
}

RenderedName NamePattern::render(const TokenValues &values) const
{
    RenderedName result;
    if (m_syntaxError) {
        result.problems.append(*m_syntaxError);
        return result;
    }
    QString text;
    for (const Part &part : m_parts) {
        if (!part.isToken)
            text += part.text;
        else if (std::optional<QString> value = tokenValue(part, values, result.problems))
            text += *value;
    }
    if (!result.problems.isEmpty())
        return result;
    PathComponent::Safe safe =
        m_asBefore ? PathComponent::makeSafeAsBefore(text) : PathComponent::makeSafe(text);
    if (safe.tooLong) {
        result.problems.append({NameProblem::Kind::tooLong, {}, -1});
        return result;
    }
    result.text = std::move(safe.text);
    result.changes = safe.changes;
    return result;
}

QString NamePattern::sketch(const TokenValues &values) const
{
    if (m_syntaxError)
        return m_text;
    QString text;
    QList<NameProblem> ignored;
    for (const Part &part : m_parts) {
        if (!part.isToken)
            text += part.text;
        else if (std::optional<QString> value = tokenValue(part, values, ignored))
            text += *value;
        else
            text += QLatin1Char('{') + part.text +
                    (part.format.isEmpty() ? QString() : QLatin1Char(':') + part.format) +
                    QLatin1Char('}');
    }
    return text;
}

std::optional<QByteArray> NamePattern::renderText(const QByteArray &utf8, const TokenValues &values)
{
    if (!QByteArrayView(utf8).isValidUtf8())
        return std::nullopt;
    // Tokens are ASCII, so the bytes between them are copied as they are: line endings, a
    // byte order mark and braces that are no token stay exactly.
    QByteArray out;
    out.reserve(utf8.size());
    qsizetype copied = 0;
    for (qsizetype open = utf8.indexOf('{'); open >= 0; open = utf8.indexOf('{', open + 1)) {
        const qsizetype close = utf8.indexOf('}', open + 1);
        if (close < 0)
            break;
        const QByteArrayView inside(utf8.constData() + open + 1, close - open - 1);
        const qsizetype colon = inside.indexOf(':');
        const QString key = QString::fromLatin1(colon < 0 ? inside : inside.first(colon));
        if (!isValidKey(key) || inside.contains('{') || inside.contains('\n'))
            continue;
        Part part;
        part.isToken = true;
        part.text = key;
        part.format = colon < 0 ? QString() : QString::fromUtf8(inside.sliced(colon + 1));
        QList<NameProblem> ignored;
        const std::optional<QString> value = tokenValue(part, values, ignored);
        if (!value)
            continue;
        out += QByteArrayView(utf8.constData() + copied, open - copied);
        out += value->toUtf8();
        copied = close + 1;
        open = close;
    }
    out += QByteArrayView(utf8.constData() + copied, utf8.size() - copied);
    return out;
}

void NamePattern::buildCounterMatcher()
{
    const auto isCounter = [](const Part &part) { return part.isToken && part.text == counterKey; };
    if (std::none_of(m_parts.cbegin(), m_parts.cend(), isCounter))
        return;
    // Literal text is matched as render() leaves it: replaced characters and, at the end,
    // trimmed dots and spaces.
    QString regex;
    for (qsizetype i = 0; i < m_parts.size(); ++i) {
        const Part &part = m_parts.at(i);
        if (part.isToken) {
            // Other tokens take as little as they can, so the counter keeps all its digits
            // ("Nike029" is 29, not 9).
            regex += isCounter(part) ? QStringLiteral("([0-9]+)") : QStringLiteral("(?:.*?)");
            continue;
        }
        QString literal = part.text;
        for (QChar &c : literal) {
            if (PathComponent::isReplaced(c))
                c = QLatin1Char('-');
        }
        if (i == m_parts.size() - 1) {
            while (literal.endsWith(QLatin1Char('.')) || literal.endsWith(QLatin1Char(' ')))
                literal.chop(1);
        }
        regex += QRegularExpression::escape(literal);
    }
    m_counterMatcher.setPattern(QRegularExpression::anchoredPattern(regex));
    m_counterMatcher.setPatternOptions(QRegularExpression::DotMatchesEverythingOption);
}

std::optional<int> NamePattern::counterIn(const QString &folderName) const
{
    if (!usesCounter())
        return std::nullopt;
    const auto counter = [this](const QString &name) -> std::optional<int> {
        const QRegularExpressionMatch match = m_counterMatcher.match(name);
        if (!match.hasMatch())
            return std::nullopt;
        // Each {teller} shows the same number, whatever its width.
        std::optional<int> found;
        for (int i = 1; i <= m_counterMatcher.captureCount(); ++i) {
            bool ok = false;
            const int number = match.capturedView(i).toInt(&ok);
            if (!ok || (found && *found != number))
                return std::nullopt;
            found = number;
        }
        return found;
    };
    if (std::optional<int> found = counter(folderName))
        return found;
    // A device name got a "-" after its base name ("COM1" -> "COM1-"): read it without.
    const qsizetype dot = folderName.indexOf(QLatin1Char('.'));
    const qsizetype baseEnd = dot < 0 ? folderName.size() : dot;
    if (baseEnd == 0 || folderName.at(baseEnd - 1) != QLatin1Char('-'))
        return std::nullopt;
    const QString original = QString(folderName).remove(baseEnd - 1, 1);
    return PathComponent::isReserved(original) ? counter(original) : std::nullopt;
}

} // namespace bp

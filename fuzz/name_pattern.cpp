// A name pattern and a project name (the input up to and after its first line break): any
// text either renders to one safe folder name or reports problems and gives no name, and a
// name with one {teller} is read back by counterIn() as the number it was given.
#include "model/NamePattern.h"

#include <cstdint>
#include <cstdlib>

using namespace bp;

namespace {

bool isSafe(const QString &name)
{
    if (name.isEmpty() || name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')) ||
        name.toUtf8().size() > PathComponent::maxBytes || PathComponent::isReserved(name))
        return false;
    for (QChar c : name) {
        if (PathComponent::isReplaced(c))
            return false;
    }
    // Made safe again, nothing changes.
    const PathComponent::Safe again = PathComponent::makeSafe(name);
    return again.text == name && !again.changes;
}

bool hasDigit(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString input =
        QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(std::min(size, 4096ul)));
    const qsizetype lineEnd = input.indexOf(QLatin1Char('\n'));
    const QString patternText = lineEnd < 0 ? input : input.left(lineEnd);
    const QString name = lineEnd < 0 ? QStringLiteral("Nike") : input.mid(lineEnd + 1);
    const int counter = int(size % 2000);

    const NamePattern pattern = NamePattern::parse(patternText);
    const TokenValues values{name, QDate(2026, 3, 5), counter, {{"klant", "Zomer"}}};
    const RenderedName rendered = pattern.render(values);
    if (!rendered.ok()) {
        if (!rendered.text.isEmpty() ||
            (pattern.syntaxError() && rendered.problems != QList{*pattern.syntaxError()}))
            std::abort();
        return 0;
    }
    if (!isSafe(rendered.text) || pattern.syntaxError())
        std::abort();

    // Digits in other values may join the counter's; only a lone counter among letters is
    // unambiguous.
    qsizetype counters = 0;
    bool digitsElsewhere = hasDigit(name);
    for (const NamePattern::Part &part : pattern.parts()) {
        if (part.isToken && part.text == QLatin1String("teller"))
            ++counters;
        else if (part.isToken && part.text == QLatin1String("datum"))
            digitsElsewhere = true;
    }
    if (counters == 1 && !digitsElsewhere && pattern.counterIn(rendered.text) != counter)
        std::abort();
    return 0;
}

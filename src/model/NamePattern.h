#pragma once

#include "PathComponent.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QStringList>

#include <optional>

namespace bp {

// Why a pattern could not give a name. Kinds, not sentences: windows and the command line
// word them; message() is for logs.
struct NameProblem {
    enum class Kind {
        unclosedBrace,     // a "{" without its "}"
        strayClosingBrace, // a "}" that is neither "}}" nor the end of a token
        invalidKey,        // a token key that is empty or not only a-z, 0-9 and "_"
        unknownToken,      // no built-in token or given value has this key
        invalidFormat,     // the token takes no such format
        tooLong,           // the finished name is over 255 bytes in UTF-8
    };
    Kind kind = Kind::unknownToken;
    QString key;             // the token concerned, if any
    qsizetype position = -1; // where in the pattern, for the syntax kinds

    QString message() const;
    friend bool operator==(const NameProblem &, const NameProblem &) = default;
};

// What the tokens stand for in one rendering.
struct TokenValues {
    QString name;                   // {naam}: the project name as typed
    QDate date;                     // {datum}: the creation day (the local day)
    std::optional<int> counter;     // {teller}: the project's number, when it is known
    QHash<QString, QString> fields; // the template's fields by key, as Fields::resolve gives
};

struct RenderedName {
    QString text; // the safe folder name; empty whenever there are problems
    ComponentChanges changes;
    QList<NameProblem> problems;

    bool ok() const { return problems.isEmpty(); }
    // The keys nothing gave a value for, in pattern order, each once.
    QStringList unresolved() const;
};

// A folder name with tokens: "{key}" or "{key:format}", and "{{" / "}}" for literal braces.
// Built in are {naam}, {datum} / {datum:FORMAT} (DutchDate letters) and {teller} /
// {teller:000} (the zeros give the width, 3 without). Every other key is a template field.
// The rendered text is made one safe folder name (see PathComponent::makeSafe).
class NamePattern final {
public:
    struct Part {
        QString text;   // the literal text, or the token's key
        QString format; // after the ":"; empty without one
        bool isToken = false;
        qsizetype position = 0; // of the part in the pattern text
    };

    // Lower-case ASCII letters, digits and "_", at least one: the keys tokens and fields use.
    static bool isValidKey(QStringView key);

    // Never fails: a syntax problem is kept, and render() reports it.
    static NamePattern parse(const QString &pattern);
    // The project folder of a template without its own pattern: "{datum}_{naam}", made safe
    // only as project names always were, so these names stay byte for byte the same.
    static NamePattern projectDefault();
    // The stored pattern, or projectDefault() when the template has none (empty).
    static NamePattern forProject(const QString &stored);

    const QString &text() const { return m_text; }
    const QList<Part> &parts() const { return m_parts; }
    const std::optional<NameProblem> &syntaxError() const { return m_syntaxError; }
    bool usesCounter() const { return !m_counterMatcher.pattern().isEmpty(); }

    // {naam} is the name trimmed, or "NewProject" when nothing is left. Unknown tokens are
    // problems, never left in the text; so is a name longer than PathComponent::maxBytes.
    RenderedName render(const TokenValues &values) const;
    // For showing a name render() refuses: the tokens that have a value filled in, the others
    // left as typed, so the gap shows; the pattern itself when its syntax is broken. Never a
    // folder name.
    QString sketch(const TokenValues &values) const;

    // A text file's contents with every token that has a value filled in: "{key}" or
    // "{key:format}" with a valid key, rendered as in names but not made safe. Anything else,
    // braces included, stays byte for byte, so line endings and other syntax are kept. Fails
    // (none) when utf8 is not valid UTF-8.
    static std::optional<QByteArray> renderText(const QByteArray &utf8, const TokenValues &values);

    // The counter in an existing folder name that this pattern could have made, reading
    // {teller} as digits and every other token as any text; none if the name does not fit
    // or the pattern has no {teller}.
    std::optional<int> counterIn(const QString &folderName) const;

private:
    void buildCounterMatcher();

    QString m_text;
    QList<Part> m_parts;
    std::optional<NameProblem> m_syntaxError;
    bool m_asBefore = false;
    QRegularExpression m_counterMatcher;
};

} // namespace bp

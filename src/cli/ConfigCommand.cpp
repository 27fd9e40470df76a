#include "CliSupport.h"

#include "stores/Preferences.h"

#include <QDir>

namespace bp::Cli {
namespace {

const QString synopsis =
    QStringLiteral("brindlepath config list | get KEY | set KEY VALUE | unset KEY");

const QStringList scriptableKeys{PreferenceKeys::defaultTemplate, PreferenceKeys::defaultBasePath,
                                 PreferenceKeys::onboardingCompleted,
                                 PreferenceKeys::sharedTemplatesFolder};

std::optional<QString> valueText(const PreferenceSuite &suite, const QString &key)
{
    if (key == PreferenceKeys::onboardingCompleted) {
        if (std::optional<bool> done = suite.boolValue(key))
            return *done ? QStringLiteral("true") : QStringLiteral("false");
        return std::nullopt;
    }
    return suite.stringValue(key);
}

Result<void> setValue(PreferenceSuite &suite, const QString &key, const QString &value,
                      QString &problem)
{
    if (key == PreferenceKeys::defaultTemplate) {
        if (!platformTemplateFromRawValue(value)) {
            problem = QStringLiteral("defaultTemplate takes one of tikTokReels, youTube, "
                                     "photoShoot, hybrid, weddingEvent, commercial");
            return success();
        }
        return suite.setString(key, value);
    }
    if (key == PreferenceKeys::defaultBasePath) {
        if (!QDir::isAbsolutePath(value)) {
            problem = QStringLiteral("defaultBasePath takes an absolute folder path");
            return success();
        }
        return suite.setString(key, QDir::cleanPath(value));
    }
    if (key == PreferenceKeys::sharedTemplatesFolder) {
        // Empty: no shared library, as unset does.
        if (value.isEmpty())
            return suite.remove(key);
        if (!QDir::isAbsolutePath(value)) {
            problem = QStringLiteral("sharedTemplatesFolder takes an absolute folder path");
            return success();
        }
        return suite.setString(key, QDir::cleanPath(value));
    }
    if (value != u"true" && value != u"false") {
        problem = QStringLiteral("onboardingCompleted takes true or false");
        return success();
    }
    return suite.setBool(key, value == u"true");
}

} // namespace

int runConfig(const QStringList &arguments, const Io &io, PreferenceSuite &suite)
{
    if (arguments.isEmpty())
        return io.usage(QStringLiteral("missing config subcommand"), synopsis);
    const QString sub = arguments.first();
    const QStringList rest = arguments.mid(1);
    const auto checkKey = [&](const QString &key) { return scriptableKeys.contains(key); };

    if (sub == u"list" && rest.isEmpty()) {
        for (const QString &key : scriptableKeys) {
            if (std::optional<QString> value = valueText(suite, key))
                io.out << key << '=' << *value << '\n';
        }
        return Success;
    }
    if (sub == u"get" && rest.size() == 1) {
        if (!checkKey(rest[0]))
            return io.usage(QStringLiteral("unknown key \u201c%1\u201d").arg(rest[0]), synopsis);
        const std::optional<QString> value = valueText(suite, rest[0]);
        if (!value)
            return Failure; // unset, as git config reports it: no output, status 1
        io.out << *value << '\n';
        return Success;
    }
    if (sub == u"set" && rest.size() == 2) {
        if (!checkKey(rest[0]))
            return io.usage(QStringLiteral("unknown key \u201c%1\u201d").arg(rest[0]), synopsis);
        QString problem;
        const Result<void> written = setValue(suite, rest[0], rest[1], problem);
        if (!problem.isEmpty())
            return io.usage(problem, synopsis);
        if (!written)
            return io.failure(written.error().message);
        return Success;
    }
    if (sub == u"unset" && rest.size() == 1) {
        if (!checkKey(rest[0]))
            return io.usage(QStringLiteral("unknown key \u201c%1\u201d").arg(rest[0]), synopsis);
        if (Result<void> removed = suite.remove(rest[0]); !removed)
            return io.failure(removed.error().message);
        return Success;
    }
    return io.usage(QStringLiteral("bad config arguments"), synopsis);
}

} // namespace bp::Cli

#include "Preferences.h"

#include "contract/AppGroupKeys.h"

#include <QDir>
#include <QJsonValue>

namespace bp::Preferences {
namespace {

QString selectedFolderPathKey()
{
    return QString::fromLatin1(AppGroupKeys::selectedFolderPathKey);
}

QFuture<Result<void>> writeLater(PreferenceSuite &suite, const QString &key, QJsonValue value)
{
    return suite.updateLater(key,
                             [value](const QJsonValue &) -> Result<QJsonValue> { return value; });
}

} // namespace

bool onboardingCompleted(const PreferenceSuite &suite)
{
    return suite.boolValue(PreferenceKeys::onboardingCompleted).value_or(false);
}

Result<void> setOnboardingCompleted(bool done, PreferenceSuite &suite)
{
    return suite.setBool(PreferenceKeys::onboardingCompleted, done);
}

std::optional<PlatformTemplate> defaultTemplate(const PreferenceSuite &suite)
{
    const std::optional<QString> raw = suite.stringValue(PreferenceKeys::defaultTemplate);
    if (!raw)
        return std::nullopt;
    return platformTemplateFromRawValue(*raw);
}

Result<void> setDefaultTemplate(PlatformTemplate platform, PreferenceSuite &suite)
{
    return suite.setString(PreferenceKeys::defaultTemplate, rawValue(platform));
}

std::optional<QString> defaultBasePath(const PreferenceSuite &suite)
{
    // An empty text would put projects at the root and sort the working directory; a
    // relative one would depend on where the program was started.
    std::optional<QString> path = suite.stringValue(PreferenceKeys::defaultBasePath);
    if (!path || !QDir::isAbsolutePath(*path))
        return std::nullopt;
    return path;
}

Result<void> setDefaultBasePath(const QString &path, PreferenceSuite &suite)
{
    return suite.setString(PreferenceKeys::defaultBasePath, path);
}

Result<void> removeDefaultBasePath(PreferenceSuite &suite)
{
    return suite.remove(PreferenceKeys::defaultBasePath);
}

QFuture<Result<void>> setOnboardingCompletedLater(bool done, PreferenceSuite &suite)
{
    return writeLater(suite, PreferenceKeys::onboardingCompleted, QJsonValue(done));
}

QFuture<Result<void>> setDefaultTemplateLater(PlatformTemplate platform, PreferenceSuite &suite)
{
    return writeLater(suite, PreferenceKeys::defaultTemplate, QJsonValue(rawValue(platform)));
}

QFuture<Result<void>> setDefaultBasePathLater(const QString &path, PreferenceSuite &suite)
{
    return writeLater(suite, PreferenceKeys::defaultBasePath, QJsonValue(path));
}

QFuture<Result<void>> removeDefaultBasePathLater(PreferenceSuite &suite)
{
    return writeLater(suite, PreferenceKeys::defaultBasePath, QJsonValue(QJsonValue::Undefined));
}

std::optional<QString> selectedFolderPath(const PreferenceSuite &suite)
{
    return suite.stringValue(selectedFolderPathKey());
}

Result<void> setSelectedFolderPath(const QString &path, PreferenceSuite &suite)
{
    return suite.setString(selectedFolderPathKey(), path);
}

} // namespace bp::Preferences

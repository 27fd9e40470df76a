#pragma once

#include "PreferenceSuite.h"
#include "model/ProjectConfig.h"

#include <QFuture>

namespace bp {

// The keys of the standard store.
namespace PreferenceKeys {
inline const QString onboardingCompleted = QStringLiteral("onboardingCompleted");
inline const QString defaultTemplate = QStringLiteral("defaultTemplate");
inline const QString defaultBasePath = QStringLiteral("defaultBasePath");
inline const QString customTemplates = QStringLiteral("customTemplates");
inline const QString recentFolders = QStringLiteral("recentFolders");
inline const QString sharedTemplatesFolder = QStringLiteral("sharedTemplatesFolder");
} // namespace PreferenceKeys

// Typed access to the simple keys, each with its meaning when absent or of the wrong type.
// The suite is always named: the caller's start-up decides which one it is.
namespace Preferences {

bool onboardingCompleted(const PreferenceSuite &suite);
Result<void> setOnboardingCompleted(bool done, PreferenceSuite &suite);

// The stored template when it is a valid raw value; any other text reads as none.
std::optional<PlatformTemplate> defaultTemplate(const PreferenceSuite &suite);
Result<void> setDefaultTemplate(PlatformTemplate platform, PreferenceSuite &suite);

// The stored path as it is, without an existence test; an empty or relative text reads as
// none.
std::optional<QString> defaultBasePath(const PreferenceSuite &suite);
Result<void> setDefaultBasePath(const QString &path, PreferenceSuite &suite);
Result<void> removeDefaultBasePath(PreferenceSuite &suite);

// The same writes for the UI thread: they run on the suite's writer thread, because another
// process may hold the suite's lock for a while. Written in the order they were asked for.
QFuture<Result<void>> setOnboardingCompletedLater(bool done, PreferenceSuite &suite);
QFuture<Result<void>> setDefaultTemplateLater(PlatformTemplate platform, PreferenceSuite &suite);
QFuture<Result<void>> setDefaultBasePathLater(const QString &path, PreferenceSuite &suite);
QFuture<Result<void>> removeDefaultBasePathLater(PreferenceSuite &suite);

// The shared suite's hand-over key.
std::optional<QString> selectedFolderPath(const PreferenceSuite &suite);
Result<void> setSelectedFolderPath(const QString &path, PreferenceSuite &suite);

} // namespace Preferences
} // namespace bp

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
} // namespace PreferenceKeys

// Typed access to the simple keys, each with its meaning when absent or of the wrong type.
namespace Preferences {

bool onboardingCompleted(const PreferenceSuite &suite = PreferenceSuite::standard());
Result<void> setOnboardingCompleted(bool done,
                                    PreferenceSuite &suite = PreferenceSuite::standard());

// The stored template when it is a valid raw value; any other text reads as none.
std::optional<PlatformTemplate>
defaultTemplate(const PreferenceSuite &suite = PreferenceSuite::standard());
Result<void> setDefaultTemplate(PlatformTemplate platform,
                                PreferenceSuite &suite = PreferenceSuite::standard());

// The stored path as it is, without an existence test; an empty or relative text reads as
// none.
std::optional<QString> defaultBasePath(const PreferenceSuite &suite = PreferenceSuite::standard());
Result<void> setDefaultBasePath(const QString &path,
                                PreferenceSuite &suite = PreferenceSuite::standard());
Result<void> removeDefaultBasePath(PreferenceSuite &suite = PreferenceSuite::standard());

// The same writes for the UI thread: they run on the suite's writer thread, because another
// process may hold the suite's lock for a while. Written in the order they were asked for.
QFuture<Result<void>>
setOnboardingCompletedLater(bool done, PreferenceSuite &suite = PreferenceSuite::standard());
QFuture<Result<void>> setDefaultTemplateLater(PlatformTemplate platform,
                                              PreferenceSuite &suite = PreferenceSuite::standard());
QFuture<Result<void>> setDefaultBasePathLater(const QString &path,
                                              PreferenceSuite &suite = PreferenceSuite::standard());
QFuture<Result<void>>
removeDefaultBasePathLater(PreferenceSuite &suite = PreferenceSuite::standard());

// The shared suite's hand-over key.
std::optional<QString>
selectedFolderPath(const PreferenceSuite &suite = PreferenceSuite::appGroup());
Result<void> setSelectedFolderPath(const QString &path,
                                   PreferenceSuite &suite = PreferenceSuite::appGroup());

} // namespace Preferences
} // namespace bp

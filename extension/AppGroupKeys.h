#pragma once

// The whole contract between the program and the file-manager plug-in: the shared
// preference suite, its one key, and the bare hand-over signal on the session bus.
namespace AppGroupKeys {

inline constexpr const char *suiteName = "group.com.quenmoor.brindlepath";
inline constexpr const char *selectedFolderPathKey = "selectedFolderPath";
inline constexpr const char *openPopupNotification = "com.quenmoor.brindlepath.openPopup";

// How the notification travels on Linux: a D-Bus signal without arguments.
inline constexpr const char *signalPath = "/com/quenmoor/brindlepath";
inline constexpr const char *signalInterface = "com.quenmoor.brindlepath";
inline constexpr const char *signalMember = "openPopup";

} // namespace AppGroupKeys

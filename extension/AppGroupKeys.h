#pragma once

// The whole contract between the program and the file-manager plug-in: the shared
// preference suite, its one key, and the bare hand-over signal on the session bus.
// Plain literals first, so the plug-in's C code shares them too.
#define BP_APP_GROUP_SUITE_NAME "group.com.quenmoor.brindlepath"
#define BP_APP_GROUP_SELECTED_FOLDER_PATH_KEY "selectedFolderPath"
#define BP_APP_GROUP_OPEN_POPUP_NOTIFICATION "com.quenmoor.brindlepath.openPopup"

// How the notification travels on Linux: a D-Bus signal without arguments.
#define BP_APP_GROUP_SIGNAL_PATH "/com/quenmoor/brindlepath"
#define BP_APP_GROUP_SIGNAL_INTERFACE "com.quenmoor.brindlepath"
#define BP_APP_GROUP_SIGNAL_MEMBER "openPopup"

#ifdef __cplusplus
namespace AppGroupKeys {

inline constexpr const char *suiteName = BP_APP_GROUP_SUITE_NAME;
inline constexpr const char *selectedFolderPathKey = BP_APP_GROUP_SELECTED_FOLDER_PATH_KEY;
inline constexpr const char *openPopupNotification = BP_APP_GROUP_OPEN_POPUP_NOTIFICATION;

inline constexpr const char *signalPath = BP_APP_GROUP_SIGNAL_PATH;
inline constexpr const char *signalInterface = BP_APP_GROUP_SIGNAL_INTERFACE;
inline constexpr const char *signalMember = BP_APP_GROUP_SIGNAL_MEMBER;

} // namespace AppGroupKeys
#endif

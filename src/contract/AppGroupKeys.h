#pragma once

// The contract between the program and the file-manager plug-ins: the shared preference
// suite and its one key, the agent's name and method on the session bus, and the bare
// hand-over signal. Plain literals first, so the plug-ins' C code shares them too; the bus
// interface itself is described in src/platform/dbus/com.quenmoor.brindlepath.xml.
#define BP_APP_GROUP_SUITE_NAME "group.com.quenmoor.brindlepath"
#define BP_APP_GROUP_SELECTED_FOLDER_PATH_KEY "selectedFolderPath"
#define BP_APP_GROUP_OPEN_POPUP_NOTIFICATION "com.quenmoor.brindlepath.openPopup"

// The agent on the session bus. A method call to the name starts the agent through its
// service file; the signal starts nothing.
#define BP_BUS_NAME "com.quenmoor.brindlepath"
#define BP_BUS_PATH "/com/quenmoor/brindlepath"
#define BP_BUS_INTERFACE "com.quenmoor.brindlepath"
// OpenFolder(s folder, a{sv} platform_data): the file-manager entry.
#define BP_BUS_OPEN_FOLDER_METHOD "OpenFolder"

// How the notification travels on Linux: a D-Bus signal without arguments.
#define BP_APP_GROUP_SIGNAL_PATH BP_BUS_PATH
#define BP_APP_GROUP_SIGNAL_INTERFACE BP_BUS_INTERFACE
#define BP_APP_GROUP_SIGNAL_MEMBER "openPopup"

#ifdef __cplusplus
namespace AppGroupKeys {

inline constexpr const char *suiteName = BP_APP_GROUP_SUITE_NAME;
inline constexpr const char *selectedFolderPathKey = BP_APP_GROUP_SELECTED_FOLDER_PATH_KEY;
inline constexpr const char *openPopupNotification = BP_APP_GROUP_OPEN_POPUP_NOTIFICATION;

inline constexpr const char *busName = BP_BUS_NAME;
inline constexpr const char *busPath = BP_BUS_PATH;
inline constexpr const char *busInterface = BP_BUS_INTERFACE;
inline constexpr const char *openFolderMethod = BP_BUS_OPEN_FOLDER_METHOD;

inline constexpr const char *signalPath = BP_APP_GROUP_SIGNAL_PATH;
inline constexpr const char *signalInterface = BP_APP_GROUP_SIGNAL_INTERFACE;
inline constexpr const char *signalMember = BP_APP_GROUP_SIGNAL_MEMBER;

} // namespace AppGroupKeys
#endif

#pragma once

// What the Nautilus, Nemo and Caja plug-ins share: which folder the menu entry acts on and
// the hand-over to the running program. GLib and GIO only.

#include <gio/gio.h>

G_BEGIN_DECLS

#define BP_MENU_ITEM_NAME "Brindlepath::CreateProjectStructure"
#define BP_MENU_ITEM_LABEL "Create Project Structure with Brindlepath"
// The theme's stand-in for the "folder.badge.plus" symbol.
#define BP_MENU_ITEM_ICON "folder-new"

// One selected item as the file manager describes it.
typedef struct {
    GFile *location;
    gboolean is_directory;
} BpSelectedItem;

// TRUE when path is the home folder or lies below it.
gboolean bp_is_within_home(const char *path);

// The plain path the entry acts on for a selection: the one selected folder, otherwise the
// folder the items are shown in. NULL when the entry is not offered there.
char *bp_target_for_selection(const BpSelectedItem *items, gsize count);

// The same for the background of the folder being shown.
char *bp_target_for_folder(GFile *folder);

// The shared suite's file: $XDG_CONFIG_HOME/brindlepath/<suite>.json.
char *bp_suite_file_path(void);

// Replaces the string member key of the JSON object document, or adds it, and keeps every
// other byte. A missing or empty document becomes a new object. NULL when document is not
// exactly one JSON object.
char *bp_json_set_string_member(const char *document, gsize length, const char *key,
                                const char *value);

// Stores value under key in the suite file at path: a locked read-modify-write that
// replaces the file atomically (at its target, when the file is a link). Never touches a file
// it cannot read or parse, nor one that is not a regular file of at most 1 MiB.
gboolean bp_suite_set_string(const char *path, const char *key, const char *value, GError **error);

// What differs between the file managers' libraries: their file-info type, how it tells a
// file's location and kind, and how a menu item is made.
typedef struct {
    GType (*file_info_type)(void);
    GFile *(*location)(gpointer file_info);
    gboolean (*is_directory)(gpointer file_info);
    GObject *(*new_item)(const char *name, const char *label, const char *tip, const char *icon);
} BpFileManagerApi;

// The menu entries for a selection of file-info objects, and for the background of the folder
// shown: the one entry, or none where it is not offered.
GList *bp_entries_for_selection(const BpFileManagerApi *api, GList *files);
GList *bp_entries_for_folder(const BpFileManagerApi *api, gpointer folder);

// Writes target into the shared suite, then calls the program's OpenFolder with it on the
// session bus (which starts the program when it is not running) and, when target was stored,
// emits the bare signal, on a worker thread. The task keeps source (the activated menu item) alive
// until the call has ended.
void bp_hand_over(GObject *source, const char *target);

G_END_DECLS

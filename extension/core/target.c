#include "brindlepath-core.h"

#include <string.h>

gboolean bp_is_within_home(const char *path)
{
    if (path == NULL || !g_path_is_absolute(path))
        return FALSE;
    g_autofree char *home = g_canonicalize_filename(g_get_home_dir(), "/");
    g_autofree char *canonical = g_canonicalize_filename(path, "/");
    if (strcmp(home, "/") == 0)
        return TRUE;
    const size_t length = strlen(home);
    return strncmp(canonical, home, length) == 0 &&
           (canonical[length] == '\0' || canonical[length] == '/');
}

// The path the program can be handed: local, valid UTF-8 (the suite holds JSON text) and
// inside the home folder.
static char *usable_path(GFile *location)
{
    if (location == NULL)
        return NULL;
    g_autofree char *path = g_file_get_path(location);
    if (path == NULL || !g_utf8_validate(path, -1, NULL) || !bp_is_within_home(path))
        return NULL;
    return g_steal_pointer(&path);
}

char *bp_target_for_selection(const BpSelectedItem *items, gsize count)
{
    if (items == NULL || count == 0 || items[0].location == NULL)
        return NULL;
    if (count == 1 && items[0].is_directory)
        return usable_path(items[0].location);

    // Items from several folders (search results) have no one folder being shown.
    g_autoptr(GFile) shown = g_file_get_parent(items[0].location);
    if (shown == NULL)
        return NULL;
    for (gsize i = 1; i < count; ++i) {
        g_autoptr(GFile) parent =
            items[i].location != NULL ? g_file_get_parent(items[i].location) : NULL;
        if (parent == NULL || !g_file_equal(parent, shown))
            return NULL;
    }
    return usable_path(shown);
}

char *bp_target_for_folder(GFile *folder)
{
    return usable_path(folder);
}

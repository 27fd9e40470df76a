#include "brindlepath-core.h"

static void activated(GObject *item, gpointer target)
{
    bp_hand_over(item, target);
}

// The one entry, acting on target (taken), or none without a target.
static GList *entry_for(const BpFileManagerApi *api, char *target)
{
    if (target == NULL)
        return NULL;
    GObject *item =
        api->new_item(BP_MENU_ITEM_NAME, BP_MENU_ITEM_LABEL, BP_MENU_ITEM_LABEL, BP_MENU_ITEM_ICON);
    if (item == NULL) {
        g_free(target);
        return NULL;
    }
    g_signal_connect_data(item, "activate", G_CALLBACK(activated), target,
                          (GClosureNotify)(void (*)(void))g_free, 0);
    return g_list_append(NULL, item);
}

GList *bp_entries_for_selection(const BpFileManagerApi *api, GList *files)
{
    const guint count = g_list_length(files);
    if (count == 0)
        return NULL;
    const GType info_type = api->file_info_type();
    BpSelectedItem *items = g_new0(BpSelectedItem, count);
    guint n = 0;
    for (GList *l = files; l != NULL; l = l->next, ++n) {
        if (!G_TYPE_CHECK_INSTANCE_TYPE(l->data, info_type))
            break;
        items[n].location = api->location(l->data);
        items[n].is_directory = api->is_directory(l->data);
    }
    char *target = n == count ? bp_target_for_selection(items, count) : NULL;
    for (guint i = 0; i < n; ++i)
        g_clear_object(&items[i].location);
    g_free(items);
    return entry_for(api, target);
}

GList *bp_entries_for_folder(const BpFileManagerApi *api, gpointer folder)
{
    if (!G_TYPE_CHECK_INSTANCE_TYPE(folder, api->file_info_type()))
        return NULL;
    g_autoptr(GFile) location = api->location(folder);
    return entry_for(api, bp_target_for_folder(location));
}

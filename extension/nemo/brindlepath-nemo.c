// The context-menu entry for Nemo, the Cinnamon file manager.
#include "../core/brindlepath-core.h"

#include <gmodule.h>
#include <libnemo-extension/nemo-file-info.h>
#include <libnemo-extension/nemo-menu-provider.h>

typedef struct {
    GObject parent_instance;
} BpNemoProvider;

typedef struct {
    GObjectClass parent_class;
} BpNemoProviderClass;

static void menu_provider_init(NemoMenuProviderInterface *iface);

G_DEFINE_DYNAMIC_TYPE_EXTENDED(BpNemoProvider, bp_nemo_provider, G_TYPE_OBJECT, 0,
                               G_IMPLEMENT_INTERFACE_DYNAMIC(NEMO_TYPE_MENU_PROVIDER,
                                                             menu_provider_init))

static void bp_nemo_provider_init(BpNemoProvider *self)
{
    (void)self;
}

static void bp_nemo_provider_class_init(BpNemoProviderClass *klass)
{
    (void)klass;
}

static void bp_nemo_provider_class_finalize(BpNemoProviderClass *klass)
{
    (void)klass;
}

static void activated(NemoMenuItem *item, gpointer target)
{
    bp_hand_over(G_OBJECT(item), target);
}

static GList *entry_for(char *target)
{
    if (target == NULL)
        return NULL;
    NemoMenuItem *item = nemo_menu_item_new(BP_MENU_ITEM_NAME, BP_MENU_ITEM_LABEL,
                                            BP_MENU_ITEM_LABEL, BP_MENU_ITEM_ICON);
    if (item == NULL) {
        g_free(target);
        return NULL;
    }
    g_signal_connect_data(item, "activate", G_CALLBACK(activated), target,
                          (GClosureNotify)(void (*)(void))g_free, 0);
    return g_list_append(NULL, item);
}

static GList *get_file_items(NemoMenuProvider *provider, GtkWidget *window, GList *files)
{
    (void)provider;
    (void)window;
    const guint count = g_list_length(files);
    if (count == 0)
        return NULL;
    BpSelectedItem *items = g_new0(BpSelectedItem, count);
    guint n = 0;
    for (GList *l = files; l != NULL; l = l->next, ++n) {
        if (!NEMO_IS_FILE_INFO(l->data))
            break;
        items[n].location = nemo_file_info_get_location(l->data);
        items[n].is_directory = nemo_file_info_is_directory(l->data);
    }
    char *target = n == count ? bp_target_for_selection(items, count) : NULL;
    for (guint i = 0; i < n; ++i)
        g_clear_object(&items[i].location);
    g_free(items);
    return entry_for(target);
}

static GList *get_background_items(NemoMenuProvider *provider, GtkWidget *window,
                                   NemoFileInfo *folder)
{
    (void)provider;
    (void)window;
    if (!NEMO_IS_FILE_INFO(folder))
        return NULL;
    g_autoptr(GFile) location = nemo_file_info_get_location(folder);
    return entry_for(bp_target_for_folder(location));
}

static void menu_provider_init(NemoMenuProviderInterface *iface)
{
    iface->get_file_items = get_file_items;
    iface->get_background_items = get_background_items;
}

static GType provider_type;

G_MODULE_EXPORT void nemo_module_initialize(GTypeModule *module)
{
    bp_nemo_provider_register_type(module);
    provider_type = bp_nemo_provider_get_type();
}

G_MODULE_EXPORT void nemo_module_shutdown(void) {}

G_MODULE_EXPORT void nemo_module_list_types(const GType **types, int *num_types)
{
    *types = &provider_type;
    *num_types = 1;
}

// The context-menu entry for Caja, the MATE file manager.
#include "../core/brindlepath-core.h"

#include <gmodule.h>
#include <libcaja-extension/caja-file-info.h>
#include <libcaja-extension/caja-menu-provider.h>

typedef struct {
    GObject parent_instance;
} BpCajaProvider;

typedef struct {
    GObjectClass parent_class;
} BpCajaProviderClass;

static void menu_provider_init(CajaMenuProviderIface *iface);

G_DEFINE_DYNAMIC_TYPE_EXTENDED(BpCajaProvider, bp_caja_provider, G_TYPE_OBJECT, 0,
                               G_IMPLEMENT_INTERFACE_DYNAMIC(CAJA_TYPE_MENU_PROVIDER,
                                                             menu_provider_init))

static void bp_caja_provider_init(BpCajaProvider *self)
{
    (void)self;
}

static void bp_caja_provider_class_init(BpCajaProviderClass *klass)
{
    (void)klass;
}

static void bp_caja_provider_class_finalize(BpCajaProviderClass *klass)
{
    (void)klass;
}

static void activated(CajaMenuItem *item, gpointer target)
{
    bp_hand_over(G_OBJECT(item), target);
}

static GList *entry_for(char *target)
{
    if (target == NULL)
        return NULL;
    CajaMenuItem *item = caja_menu_item_new(BP_MENU_ITEM_NAME, BP_MENU_ITEM_LABEL,
                                            BP_MENU_ITEM_LABEL, BP_MENU_ITEM_ICON);
    if (item == NULL) {
        g_free(target);
        return NULL;
    }
    g_signal_connect_data(item, "activate", G_CALLBACK(activated), target,
                          (GClosureNotify)(void (*)(void))g_free, 0);
    return g_list_append(NULL, item);
}

static GList *get_file_items(CajaMenuProvider *provider, GtkWidget *window, GList *files)
{
    (void)provider;
    (void)window;
    const guint count = g_list_length(files);
    if (count == 0)
        return NULL;
    BpSelectedItem *items = g_new0(BpSelectedItem, count);
    guint n = 0;
    for (GList *l = files; l != NULL; l = l->next, ++n) {
        if (!CAJA_IS_FILE_INFO(l->data))
            break;
        items[n].location = caja_file_info_get_location(l->data);
        items[n].is_directory = caja_file_info_is_directory(l->data);
    }
    char *target = n == count ? bp_target_for_selection(items, count) : NULL;
    for (guint i = 0; i < n; ++i)
        g_clear_object(&items[i].location);
    g_free(items);
    return entry_for(target);
}

static GList *get_background_items(CajaMenuProvider *provider, GtkWidget *window,
                                   CajaFileInfo *folder)
{
    (void)provider;
    (void)window;
    if (!CAJA_IS_FILE_INFO(folder))
        return NULL;
    g_autoptr(GFile) location = caja_file_info_get_location(folder);
    return entry_for(bp_target_for_folder(location));
}

static void menu_provider_init(CajaMenuProviderIface *iface)
{
    iface->get_file_items = get_file_items;
    iface->get_background_items = get_background_items;
}

static GType provider_type;

G_MODULE_EXPORT void caja_module_initialize(GTypeModule *module)
{
    bp_caja_provider_register_type(module);
    provider_type = bp_caja_provider_get_type();
}

G_MODULE_EXPORT void caja_module_shutdown(void) {}

G_MODULE_EXPORT void caja_module_list_types(const GType **types, int *num_types)
{
    *types = &provider_type;
    *num_types = 1;
}

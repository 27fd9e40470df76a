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

static GFile *location(gpointer file_info)
{
    return caja_file_info_get_location(file_info);
}

static gboolean is_directory(gpointer file_info)
{
    return caja_file_info_is_directory(file_info);
}

static GObject *new_item(const char *name, const char *label, const char *tip, const char *icon)
{
    return G_OBJECT(caja_menu_item_new(name, label, tip, icon));
}

static const BpFileManagerApi api = {caja_file_info_get_type, location, is_directory, new_item};

static GList *get_file_items(CajaMenuProvider *provider, GtkWidget *window, GList *files)
{
    (void)provider;
    (void)window;
    return bp_entries_for_selection(&api, files);
}

static GList *get_background_items(CajaMenuProvider *provider, GtkWidget *window,
                                   CajaFileInfo *folder)
{
    (void)provider;
    (void)window;
    return bp_entries_for_folder(&api, folder);
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

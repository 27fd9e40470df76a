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

static GFile *location(gpointer file_info)
{
    return nemo_file_info_get_location(file_info);
}

static gboolean is_directory(gpointer file_info)
{
    return nemo_file_info_is_directory(file_info);
}

static GObject *new_item(const char *name, const char *label, const char *tip, const char *icon)
{
    return G_OBJECT(nemo_menu_item_new(name, label, tip, icon));
}

static const BpFileManagerApi api = {nemo_file_info_get_type, location, is_directory, new_item};

static GList *get_file_items(NemoMenuProvider *provider, GtkWidget *window, GList *files)
{
    (void)provider;
    (void)window;
    return bp_entries_for_selection(&api, files);
}

static GList *get_background_items(NemoMenuProvider *provider, GtkWidget *window,
                                   NemoFileInfo *folder)
{
    (void)provider;
    (void)window;
    return bp_entries_for_folder(&api, folder);
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

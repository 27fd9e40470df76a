// The context-menu entry for GNOME Files (Nautilus 43 and later).
#include "../core/brindlepath-core.h"

#include <gmodule.h>
#include <nautilus-extension.h>

typedef struct {
    GObject parent_instance;
} BpNautilusProvider;

typedef struct {
    GObjectClass parent_class;
} BpNautilusProviderClass;

static void menu_provider_init(NautilusMenuProviderInterface *iface);

G_DEFINE_DYNAMIC_TYPE_EXTENDED(BpNautilusProvider, bp_nautilus_provider, G_TYPE_OBJECT, 0,
                               G_IMPLEMENT_INTERFACE_DYNAMIC(NAUTILUS_TYPE_MENU_PROVIDER,
                                                             menu_provider_init))

static void bp_nautilus_provider_init(BpNautilusProvider *self)
{
    (void)self;
}

static void bp_nautilus_provider_class_init(BpNautilusProviderClass *klass)
{
    (void)klass;
}

static void bp_nautilus_provider_class_finalize(BpNautilusProviderClass *klass)
{
    (void)klass;
}

static GFile *location(gpointer file_info)
{
    return nautilus_file_info_get_location(file_info);
}

static gboolean is_directory(gpointer file_info)
{
    return nautilus_file_info_is_directory(file_info);
}

static GObject *new_item(const char *name, const char *label, const char *tip, const char *icon)
{
    return G_OBJECT(nautilus_menu_item_new(name, label, tip, icon));
}

static const BpFileManagerApi api = {nautilus_file_info_get_type, location, is_directory, new_item};

static GList *get_file_items(NautilusMenuProvider *provider, GList *files)
{
    (void)provider;
    return bp_entries_for_selection(&api, files);
}

static GList *get_background_items(NautilusMenuProvider *provider, NautilusFileInfo *folder)
{
    (void)provider;
    return bp_entries_for_folder(&api, folder);
}

static void menu_provider_init(NautilusMenuProviderInterface *iface)
{
    iface->get_file_items = get_file_items;
    iface->get_background_items = get_background_items;
}

static GType provider_type;

G_MODULE_EXPORT void nautilus_module_initialize(GTypeModule *module)
{
    bp_nautilus_provider_register_type(module);
    provider_type = bp_nautilus_provider_get_type();
}

G_MODULE_EXPORT void nautilus_module_shutdown(void) {}

G_MODULE_EXPORT void nautilus_module_list_types(const GType **types, int *num_types)
{
    *types = &provider_type;
    *num_types = 1;
}

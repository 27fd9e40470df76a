#include "FileManagerPlugin.h"

#include <gmodule.h>

#include <map>

namespace bp::test {
namespace {

GType fakeFileInfoType()
{
    static const GType type = [] {
        const GType t = g_type_register_static_simple(
            G_TYPE_OBJECT, "BpTestFileInfo", sizeof(GObjectClass),
            [](gpointer klass, gpointer) {
                G_OBJECT_CLASS(klass)->finalize = [](GObject *object) {
                    g_clear_object(&fakeFileInfo(object)->location);
                    G_OBJECT_CLASS(g_type_class_peek(G_TYPE_OBJECT))->finalize(object);
                };
            },
            sizeof(FakeFileInfo), nullptr, GTypeFlags(0));
        addNautilusFileInfo(t);
        addNemoFileInfo(t);
        addCajaFileInfo(t);
        return t;
    }();
    return type;
}

ObjectRef makeFileInfo(const Selected &item)
{
    auto *info = static_cast<FakeFileInfo *>(g_object_new(fakeFileInfoType(), nullptr));
    info->location = g_file_new_for_uri(item.uri.c_str());
    info->directory = item.directory;
    return ObjectRef(G_OBJECT(info));
}

// The file manager's module object; the plug-in is already loaded when it is used.
GType typeModuleType()
{
    static const GType type = g_type_register_static_simple(
        G_TYPE_TYPE_MODULE, "BpTestTypeModule", sizeof(GTypeModuleClass),
        [](gpointer klass, gpointer) {
            G_TYPE_MODULE_CLASS(klass)->load = [](GTypeModule *) -> gboolean { return TRUE; };
            G_TYPE_MODULE_CLASS(klass)->unload = [](GTypeModule *) {};
        },
        sizeof(GTypeModule), nullptr, GTypeFlags(0));
    return type;
}

std::vector<MenuEntry> entries(GList *items)
{
    std::vector<MenuEntry> result;
    for (GList *l = items; l != nullptr; l = l->next) {
        g_autofree char *name = nullptr;
        g_autofree char *label = nullptr;
        g_autofree char *icon = nullptr;
        g_object_get(l->data, "name", &name, "label", &label, "icon", &icon, nullptr);
        result.push_back(
            {ObjectRef(G_OBJECT(l->data)), name ? name : "", label ? label : "", icon ? icon : ""});
    }
    g_list_free(items);
    return result;
}

} // namespace

FakeFileInfo *fakeFileInfo(gpointer info)
{
    return G_TYPE_CHECK_INSTANCE_CAST(info, fakeFileInfoType(), FakeFileInfo);
}

FileManagerPlugin::FileManagerPlugin(GType provider)
    : m_provider(G_OBJECT(g_object_new(provider, nullptr)))
{}

std::vector<MenuEntry> FileManagerPlugin::fileItems(const std::vector<Selected> &selection) const
{
    std::vector<ObjectRef> infos;
    GList *list = nullptr;
    for (const Selected &item : selection) {
        infos.push_back(makeFileInfo(item));
        list = g_list_append(list, infos.back().get());
    }
    std::vector<MenuEntry> result = entries(providerFileItems(list));
    g_list_free(list);
    return result;
}

std::vector<MenuEntry> FileManagerPlugin::backgroundItems(const Selected &folder) const
{
    const ObjectRef info = makeFileInfo(folder);
    return entries(providerBackgroundItems(info.get()));
}

bool FileManagerPlugin::activateAndWait(MenuEntry entry) const
{
    struct Wait {
        GMainLoop *loop = g_main_loop_new(nullptr, FALSE);
        bool released = false;
    } wait;
    GObject *item = entry.item.get();
    g_object_weak_ref(
        item,
        [](gpointer data, GObject *) {
            auto *w = static_cast<Wait *>(data);
            w->released = true;
            g_main_loop_quit(w->loop);
        },
        &wait);
    activate(item);
    entry.item.reset();
    // Only a bound against a plug-in that never finishes; no timing is judged.
    const guint bound = g_timeout_add_seconds(
        60,
        [](gpointer loop) {
            g_main_loop_quit(static_cast<GMainLoop *>(loop));
            return G_SOURCE_REMOVE;
        },
        wait.loop);
    if (!wait.released)
        g_main_loop_run(wait.loop);
    if (wait.released)
        g_source_remove(bound);
    g_main_loop_unref(wait.loop);
    return wait.released;
}

std::unique_ptr<FileManagerPlugin> loadPlugin(const std::string &path)
{
    using Factory = std::unique_ptr<FileManagerPlugin> (*)(GType);
    struct Kind {
        const char *prefix;
        Factory factory;
    };
    static const Kind kinds[] = {
        {"nautilus", nautilusPlugin}, {"nemo", nemoPlugin}, {"caja", cajaPlugin}};
    static std::map<std::string, std::pair<Factory, GType>> loaded;

    auto found = loaded.find(path);
    if (found == loaded.end()) {
        GModule *module =
            g_module_open(path.c_str(), GModuleFlags(G_MODULE_BIND_LAZY | G_MODULE_BIND_LOCAL));
        if (module == nullptr) {
            g_printerr("%s\n", g_module_error());
            return nullptr;
        }
        for (const Kind &kind : kinds) {
            using Initialize = void (*)(GTypeModule *);
            using ListTypes = void (*)(const GType **, int *);
            gpointer initialize = nullptr;
            gpointer listTypes = nullptr;
            const std::string prefix = kind.prefix;
            if (!g_module_symbol(module, (prefix + "_module_initialize").c_str(), &initialize) ||
                !g_module_symbol(module, (prefix + "_module_list_types").c_str(), &listTypes))
                continue;
            // Registered types can never go away again, so neither can their code.
            g_module_make_resident(module);
            auto *typeModule = G_TYPE_MODULE(g_object_new(typeModuleType(), nullptr));
            g_type_module_set_name(typeModule, path.c_str());
            g_type_module_use(typeModule);
            reinterpret_cast<Initialize>(initialize)(typeModule);
            const GType *types = nullptr;
            int count = 0;
            reinterpret_cast<ListTypes>(listTypes)(&types, &count);
            if (count != 1 || types == nullptr)
                return nullptr;
            found = loaded.emplace(path, std::make_pair(kind.factory, types[0])).first;
            break;
        }
        if (found == loaded.end()) {
            g_module_close(module);
            return nullptr;
        }
    }
    return found->second.first(found->second.second);
}

} // namespace bp::test

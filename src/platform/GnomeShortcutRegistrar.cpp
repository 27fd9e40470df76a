#include "GnomeShortcutRegistrar.h"

#include <gio/gio.h>

namespace bp {

GnomeShortcutRegistrar::GnomeShortcutRegistrar(std::string schemaDirectory)
    : m_schemaDirectory(std::move(schemaDirectory))
{}

void GnomeShortcutRegistrar::requestRegistration()
{
    g_autoptr(GSettingsSchemaSource) source = nullptr;
    if (m_schemaDirectory.empty()) {
        if (GSettingsSchemaSource *system = g_settings_schema_source_get_default())
            source = g_settings_schema_source_ref(system);
    } else {
        g_autoptr(GError) error = nullptr;
        source = g_settings_schema_source_new_from_directory(m_schemaDirectory.c_str(), nullptr,
                                                             FALSE, &error);
    }
    if (!source)
        return;
    // GSettings aborts the process on a schema it does not know; look both up first.
    g_autoptr(GSettingsSchema) list = g_settings_schema_source_lookup(source, listSchema, TRUE);
    g_autoptr(GSettingsSchema) entry = g_settings_schema_source_lookup(source, bindingSchema, TRUE);
    if (!list || !entry || !g_settings_schema_has_key(list, listKey))
        return;

    // The binding is complete before it is listed: the daemon never sees an empty entry.
    g_autoptr(GSettings) binding = g_settings_new_full(entry, nullptr, bindingPath);
    g_settings_set_string(binding, "name", "Brindlepath");
    g_settings_set_string(binding, "command", "brindlepath new");
    g_settings_set_string(binding, "binding", "<Control><Alt>n");

    g_autoptr(GSettings) bindings = g_settings_new_full(list, nullptr, nullptr);
    g_auto(GStrv) paths = g_settings_get_strv(bindings, listKey);
    if (!g_strv_contains(paths, bindingPath)) {
        g_autoptr(GStrvBuilder) listed = g_strv_builder_new();
        g_strv_builder_addv(listed, const_cast<const char **>(paths));
        g_strv_builder_add(listed, bindingPath);
        g_auto(GStrv) updated = g_strv_builder_end(listed);
        g_settings_set_strv(bindings, listKey, updated);
    }
    // dconf writes in the background; a process that quits right after would lose the binding.
    g_settings_sync();
}

} // namespace bp

#include "GSettingsShortcutRegistrar.h"

#include <gio/gio.h>

namespace bp {

GSettingsShortcutRegistrar::GSettingsShortcutRegistrar(const GSettingsKeybindings &desktop,
                                                       std::string schemaDirectory)
    : m_desktop(desktop), m_schemaDirectory(std::move(schemaDirectory))
{}

ShortcutRegistration GSettingsShortcutRegistrar::registration() const
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
        return ShortcutRegistration::unavailable;
    // GSettings aborts the process on a schema or key it does not know; look them up first.
    g_autoptr(GSettingsSchema) entry =
        g_settings_schema_source_lookup(source, m_desktop.bindingSchema, TRUE);
    g_autoptr(GSettingsSchema) list =
        m_desktop.listSchema ? g_settings_schema_source_lookup(source, m_desktop.listSchema, TRUE)
                             : nullptr;
    if (!entry || (m_desktop.listSchema && !list))
        return ShortcutRegistration::unavailable;
    for (const char *key : {"name", "binding", m_desktop.commandKey})
        if (!g_settings_schema_has_key(entry, key))
            return ShortcutRegistration::unavailable;
    if (list && !g_settings_schema_has_key(list, m_desktop.listKey))
        return ShortcutRegistration::unavailable;

    // The binding is complete before it is listed: the daemon never sees an empty entry.
    g_autoptr(GSettings) binding = g_settings_new_full(entry, nullptr, m_desktop.bindingPath);
    const char *accelerators[] = {accelerator, nullptr};
    bool written =
        g_settings_set_string(binding, "name", name) &&
        g_settings_set_string(binding, m_desktop.commandKey, command) &&
        (m_desktop.bindingIsList ? g_settings_set_strv(binding, "binding", accelerators)
                                 : g_settings_set_string(binding, "binding", accelerator));

    if (written && list) {
        g_autoptr(GSettings) bindings = g_settings_new_full(list, nullptr, nullptr);
        g_auto(GStrv) entries = g_settings_get_strv(bindings, m_desktop.listKey);
        if (!g_strv_contains(entries, m_desktop.listEntry)) {
            g_autoptr(GStrvBuilder) listed = g_strv_builder_new();
            g_strv_builder_addv(listed, const_cast<const char **>(entries));
            g_strv_builder_add(listed, m_desktop.listEntry);
            g_auto(GStrv) updated = g_strv_builder_end(listed);
            written = g_settings_set_strv(bindings, m_desktop.listKey, updated);
        }
    }
    // dconf writes in the background; a process that quits right after would lose the binding.
    g_settings_sync();
    return written ? ShortcutRegistration::added : ShortcutRegistration::failed;
}

} // namespace bp

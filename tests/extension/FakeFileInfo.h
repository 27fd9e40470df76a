#pragma once

// The file-info interfaces of Nautilus, Nemo and Caja have the same members; Info is the
// library's file-info type and Iface its interface structure.

#include "FileManagerPlugin.h"

namespace bp::test {

template <typename Info, typename Iface> void fillFileInfoInterface(gpointer iface, gpointer)
{
    auto *vtable = static_cast<Iface *>(iface);
    static auto file = [](Info *info) { return fakeFileInfo(info)->location; };
    vtable->is_gone = [](Info *) -> gboolean { return FALSE; };
    vtable->get_name = [](Info *info) { return g_file_get_basename(file(info)); };
    vtable->get_uri = [](Info *info) { return g_file_get_uri(file(info)); };
    vtable->get_parent_uri = [](Info *info) -> char * {
        g_autoptr(GFile) parent = g_file_get_parent(file(info));
        return parent ? g_file_get_uri(parent) : g_strdup("");
    };
    vtable->get_uri_scheme = [](Info *info) { return g_file_get_uri_scheme(file(info)); };
    vtable->get_mime_type = [](Info *info) {
        return g_strdup(fakeFileInfo(info)->directory ? "inode/directory"
                                                      : "application/octet-stream");
    };
    vtable->is_mime_type = [](Info *info, const char *type) -> gboolean {
        return g_strcmp0(type, fakeFileInfo(info)->directory ? "inode/directory"
                                                             : "application/octet-stream") == 0;
    };
    vtable->is_directory = [](Info *info) { return fakeFileInfo(info)->directory; };
    vtable->add_emblem = [](Info *, const char *) {};
    vtable->get_string_attribute = [](Info *, const char *) -> char * { return nullptr; };
    vtable->add_string_attribute = [](Info *, const char *, const char *) {};
    vtable->invalidate_extension_info = [](Info *) {};
    vtable->get_activation_uri = [](Info *info) { return g_file_get_uri(file(info)); };
    vtable->get_file_type = [](Info *info) {
        return fakeFileInfo(info)->directory ? G_FILE_TYPE_DIRECTORY : G_FILE_TYPE_REGULAR;
    };
    vtable->get_location = [](Info *info) { return G_FILE(g_object_ref(file(info))); };
    vtable->get_parent_location = [](Info *info) { return g_file_get_parent(file(info)); };
    vtable->get_parent_info = [](Info *) -> Info * { return nullptr; };
    vtable->get_mount = [](Info *) -> GMount * { return nullptr; };
    vtable->can_write = [](Info *) -> gboolean { return TRUE; };
}

template <typename Info, typename Iface> void addFileInfoInterface(GType type, GType iface)
{
    static const GInterfaceInfo info = {fillFileInfoInterface<Info, Iface>, nullptr, nullptr};
    g_type_add_interface_static(type, iface, &info);
}

} // namespace bp::test

#pragma once

// Loads a built plug-in the way its file manager does and talks to it only through the
// real extension library: file-info objects of our own type in, menu items out.

#include <gio/gio.h>

#include <memory>
#include <string>
#include <vector>

namespace bp::test {

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using ObjectRef = std::unique_ptr<GObject, ObjectUnref>;

// One menu item as offered, with the properties the file manager shows.
struct MenuEntry {
    ObjectRef item;
    std::string name;
    std::string label;
    std::string icon;
};

// One item as the file manager knows it: a location and whether it is a folder.
struct Selected {
    std::string uri;
    bool directory = true;
};

class FileManagerPlugin {
public:
    virtual ~FileManagerPlugin() = default;

    // The items offered for a selection, or for the background of a shown folder.
    std::vector<MenuEntry> fileItems(const std::vector<Selected> &selection) const;
    std::vector<MenuEntry> backgroundItems(const Selected &folder) const;

    // Activates the item and runs the main loop until the plug-in lets go of it, which it
    // does once its hand-over has finished. False when that never happened.
    bool activateAndWait(MenuEntry entry) const;

protected:
    explicit FileManagerPlugin(GType provider);

    GObject *provider() const { return m_provider.get(); }
    virtual GList *providerFileItems(GList *infos) const = 0;
    virtual GList *providerBackgroundItems(GObject *folder) const = 0;
    virtual void activate(GObject *item) const = 0;

private:
    ObjectRef m_provider;
};

// The plug-in module at path, for whichever of Nautilus, Nemo and Caja it was built; null
// when it does not load. Each module is loaded once per process, as in its file manager.
std::unique_ptr<FileManagerPlugin> loadPlugin(const std::string &path);

// The file-manager-specific halves, each in a source of its own.
std::unique_ptr<FileManagerPlugin> nautilusPlugin(GType provider);
std::unique_ptr<FileManagerPlugin> nemoPlugin(GType provider);
std::unique_ptr<FileManagerPlugin> cajaPlugin(GType provider);
void addNautilusFileInfo(GType type);
void addNemoFileInfo(GType type);
void addCajaFileInfo(GType type);

// Our file-info object: it implements the file-info interface of all three libraries.
struct FakeFileInfo {
    GObject parent;
    GFile *location;
    gboolean directory;
};
FakeFileInfo *fakeFileInfo(gpointer info);

} // namespace bp::test

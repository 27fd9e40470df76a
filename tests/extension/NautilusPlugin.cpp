#include "FakeFileInfo.h"

#include <nautilus-extension.h>

namespace bp::test {
namespace {

class NautilusPlugin final : public FileManagerPlugin {
public:
    explicit NautilusPlugin(GType provider) : FileManagerPlugin(provider) {}

protected:
    GList *providerFileItems(GList *infos) const override
    {
        return nautilus_menu_provider_get_file_items(NAUTILUS_MENU_PROVIDER(provider()), infos);
    }
    GList *providerBackgroundItems(GObject *folder) const override
    {
        return nautilus_menu_provider_get_background_items(NAUTILUS_MENU_PROVIDER(provider()),
                                                           NAUTILUS_FILE_INFO(folder));
    }
    void activate(GObject *item) const override
    {
        nautilus_menu_item_activate(NAUTILUS_MENU_ITEM(item));
    }
};

} // namespace

std::unique_ptr<FileManagerPlugin> nautilusPlugin(GType provider)
{
    return std::make_unique<NautilusPlugin>(provider);
}

void addNautilusFileInfo(GType type)
{
    addFileInfoInterface<NautilusFileInfo, NautilusFileInfoInterface>(type,
                                                                      NAUTILUS_TYPE_FILE_INFO);
}

} // namespace bp::test

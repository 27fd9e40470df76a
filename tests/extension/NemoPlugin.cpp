#include "FakeFileInfo.h"

#include <libnemo-extension/nemo-file-info.h>
#include <libnemo-extension/nemo-menu-provider.h>

namespace bp::test {
namespace {

class NemoPlugin final : public FileManagerPlugin {
public:
    explicit NemoPlugin(GType provider) : FileManagerPlugin(provider) {}

protected:
    GList *providerFileItems(GList *infos) const override
    {
        return nemo_menu_provider_get_file_items(NEMO_MENU_PROVIDER(provider()), nullptr, infos);
    }
    GList *providerBackgroundItems(GObject *folder) const override
    {
        return nemo_menu_provider_get_background_items(NEMO_MENU_PROVIDER(provider()), nullptr,
                                                       NEMO_FILE_INFO(folder));
    }
    void activate(GObject *item) const override { nemo_menu_item_activate(NEMO_MENU_ITEM(item)); }
};

} // namespace

std::unique_ptr<FileManagerPlugin> nemoPlugin(GType provider)
{
    return std::make_unique<NemoPlugin>(provider);
}

void addNemoFileInfo(GType type)
{
    addFileInfoInterface<NemoFileInfo, NemoFileInfoInterface>(type, NEMO_TYPE_FILE_INFO);
}

} // namespace bp::test

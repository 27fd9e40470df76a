#include "FakeFileInfo.h"

#include <libcaja-extension/caja-file-info.h>
#include <libcaja-extension/caja-menu-provider.h>

namespace bp::test {
namespace {

class CajaPlugin final : public FileManagerPlugin {
public:
    explicit CajaPlugin(GType provider) : FileManagerPlugin(provider) {}

protected:
    GList *providerFileItems(GList *infos) const override
    {
        return caja_menu_provider_get_file_items(CAJA_MENU_PROVIDER(provider()), nullptr, infos);
    }
    GList *providerBackgroundItems(GObject *folder) const override
    {
        return caja_menu_provider_get_background_items(CAJA_MENU_PROVIDER(provider()), nullptr,
                                                       CAJA_FILE_INFO(folder));
    }
    void activate(GObject *item) const override { caja_menu_item_activate(CAJA_MENU_ITEM(item)); }
};

} // namespace

std::unique_ptr<FileManagerPlugin> cajaPlugin(GType provider)
{
    return std::make_unique<CajaPlugin>(provider);
}

void addCajaFileInfo(GType type)
{
    addFileInfoInterface<CajaFileInfo, CajaFileInfoIface>(type, CAJA_TYPE_FILE_INFO);
}

} // namespace bp::test

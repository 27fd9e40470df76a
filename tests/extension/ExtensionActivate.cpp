// extension_activate PLUGIN.so FOLDER: offers FOLDER to the plug-in as the one selected
// folder, chooses its entry and returns once the hand-over has finished: signal sent, call
// answered or failed.
// Exit status: 0 done, 2 the module did not load, 3 no entry offered, 4 never finished.
#include "FileManagerPlugin.h"
#include "brindlepath-core.h"

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: extension_activate PLUGIN.so FOLDER\n");
        return 64;
    }
    auto plugin = bp::test::loadPlugin(argv[1]);
    if (plugin == nullptr)
        return 2;
    g_autoptr(GFile) folder = g_file_new_for_commandline_arg(argv[2]);
    g_autofree char *uri = g_file_get_uri(folder);
    std::vector<bp::test::MenuEntry> entries = plugin->fileItems({{uri, true}});
    for (bp::test::MenuEntry &entry : entries) {
        if (entry.name == BP_MENU_ITEM_NAME)
            return plugin->activateAndWait(std::move(entry)) ? 0 : 4;
    }
    return 3;
}

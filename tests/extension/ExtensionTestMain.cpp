#include "ExtensionTestSupport.h"

#include "contract/AppGroupKeys.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace bp::test {
namespace {
std::string homeFolder;
}

std::vector<Plugin> plugins()
{
    return {{"Nautilus", BP_NAUTILUS_PLUGIN}, {"Nemo", BP_NEMO_PLUGIN}, {"Caja", BP_CAJA_PLUGIN}};
}

const std::string &home()
{
    return homeFolder;
}

std::string suiteFolder()
{
    return homeFolder + "/.config/brindlepath";
}

std::string suiteFile()
{
    return suiteFolder() + "/" BP_APP_GROUP_SUITE_NAME ".json";
}

void clearSuite()
{
    std::filesystem::remove_all(suiteFolder());
}

int runActivate(const std::string &plugin, const std::string &folder,
                const std::map<std::string, std::string> &environment)
{
    g_auto(GStrv) env = g_get_environ();
    for (const auto &[name, value] : environment)
        env = g_environ_setenv(env, name.c_str(), value.c_str(), TRUE);
    const char *argv[] = {BP_ACTIVATE_PATH, plugin.c_str(), folder.c_str(), nullptr};
    int status = -1;
    if (!g_spawn_sync(nullptr, const_cast<char **>(argv), env, G_SPAWN_CHILD_INHERITS_STDIN,
                      nullptr, nullptr, nullptr, nullptr, &status, nullptr))
        return -1;
    return g_spawn_check_wait_status(status, nullptr) ? 0 : WEXITSTATUS(status);
}

} // namespace bp::test

int main(int argc, char **argv)
{
    // A private home and config folder, set before GLib first looks at them.
    g_autofree char *home = g_dir_make_tmp("bp-extension-home-XXXXXX", nullptr);
    if (home == nullptr)
        return 1;
    bp::test::homeFolder = home;
    g_setenv("HOME", home, TRUE);
    g_setenv("XDG_CONFIG_HOME", (bp::test::homeFolder + "/.config").c_str(), TRUE);
    if (bp::test::homeFolder != g_get_home_dir()) {
        g_printerr("GLib does not follow HOME\n");
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::filesystem::remove_all(bp::test::homeFolder);
    return result;
}

#pragma once

// The built plug-ins and the private home folder the extension tests run in.

#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace bp::test {

struct Plugin {
    std::string name;
    std::string path;
};
inline void PrintTo(const Plugin &plugin, std::ostream *out)
{
    *out << plugin.name;
}

// Nautilus, Nemo and Caja, as built.
std::vector<Plugin> plugins();

// The test's home folder: HOME points here for the whole run.
const std::string &home();

// The shared suite's folder and file under the test's XDG_CONFIG_HOME.
std::string suiteFolder();
std::string suiteFile();
void clearSuite();

// Runs extension_activate on folder with extra environment; its exit status.
int runActivate(const std::string &plugin, const std::string &folder,
                const std::map<std::string, std::string> &environment = {});

} // namespace bp::test

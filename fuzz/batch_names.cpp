// A batch of project names, as the command line reads it from a file: each name becomes one
// folder name, so none may be empty or hold a line break, and its folder name stays inside
// the target folder. (A NUL is refused later, by FileSystem::makePath.)
#include "model/FolderCreator.h"
#include "model/ProjectConfig.h"

#include <cstdint>
#include <cstdlib>

using namespace bp;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ProjectConfig config;
    config.batchMode = true;
    config.batchNames = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QDateTime when(QDate(2024, 5, 17), QTime(12, 0));
    for (const QString &name : config.batchProjectNames()) {
        if (name.isEmpty() || name != name.trimmed() || name.contains(QLatin1Char('\n')))
            std::abort();
        const QString folder = FolderCreator::projectFolderName(name, when);
        if (folder.contains(QLatin1Char('/')) || !folder.startsWith(QLatin1String("2024-05-17_")))
            std::abort();
    }
    return 0;
}

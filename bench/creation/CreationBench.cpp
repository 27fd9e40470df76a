// Creates 1,000 commercial projects with every extra, against plain mkdir(2) calls over the
// same paths in the same run, and prints the ratio.
#include "model/FolderCreator.h"
#include "model/TemplateEngine.h"

#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <sys/stat.h>

using namespace bp;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int projectCount = 1000;
constexpr int rounds = 5;

void collect(const QList<FolderNode> &nodes, const QString &parent, QList<QByteArray> &out)
{
    for (const FolderNode &node : nodes) {
        const QString path = parent + '/' + node.name;
        out.append(QFile::encodeName(path));
        collect(node.children, path, out);
    }
}

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

} // namespace

int main()
{
    ProjectConfig config;
    config.platform = PlatformTemplate::commercial;
    for (ExtraFlag e : allExtraFlags)
        config.extras.insert(e);
    const QList<FolderNode> tree = TemplateEngine::resolve(config);
    const QDateTime day(QDate(2026, 12, 7), QTime(12, 0));

    double best = 1e9;
    double bestBaseline = 1e9;
    for (int round = 0; round < rounds; ++round) {
        QTemporaryDir baselineDir;
        QList<QByteArray> paths;
        for (int i = 0; i < projectCount; ++i) {
            const QString project = baselineDir.path() + '/' +
                                    FolderCreator::projectFolderName(QString::number(i), day);
            paths.append(QFile::encodeName(project));
            collect(tree, project, paths);
        }
        auto start = Clock::now();
        for (const QByteArray &p : paths)
            ::mkdir(p.constData(), 0777);
        bestBaseline = std::min(bestBaseline, seconds(Clock::now() - start));

        QTemporaryDir dir;
        start = Clock::now();
        for (int i = 0; i < projectCount; ++i) {
            if (!FolderCreator::makeProject(QString::number(i), tree, dir.path(), day).ok()) {
                std::fprintf(stderr, "creation failed\n");
                return 1;
            }
        }
        best = std::min(best, seconds(Clock::now() - start));
    }
    std::printf("create %d commercial projects (%d folders each), best of %d rounds\n",
                projectCount, countFolders(tree) + 1, rounds);
    std::printf("  baseline mkdir: %.3f s\n  FolderCreator:  %.3f s\n  ratio: %.2fx (aim 1.30x)\n",
                bestBaseline, best, best / bestBaseline);
    return 0;
}

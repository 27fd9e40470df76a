// Times the preview's redraw after one keystroke in the name field, with custom templates of
// 100, 1,000 and 10,000 folders, and prints each against a 60-Hz frame and the smallest size.
// Also times closing and opening the project folder row, which starts the row slide.
#include "stores/CustomTemplateStore.h"
#include "views/PreviewPanel.h"
#include "views/PreviewTreeView.h"
#include "views/ProjectSetupWindow.h"
#include "workflow/ProjectSetupModel.h"
#include "workflow/Stores.h"
#include "workflow/WorkflowHost.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QVariantAnimation>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace bp;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int keystrokes = 30;
constexpr double frameMs = 1000.0 / 60.0;

// The window is only typed into: no run ever asks the host for anything.
class IdleHost final : public WorkflowHost {
public:
    void sendSuccessNotification(const QString &, const QString &) override {}
    void revealInFileManager(const QString &) override {}
    void closeWindow() override {}
    QFuture<void> pause(std::chrono::milliseconds) override { return QtFuture::makeReadyFuture(); }
};

// Roots of nine subfolders each: `total` folders in all.
QList<FolderNode> tree(int total)
{
    QList<FolderNode> roots;
    for (int r = 0; r < total / 10; ++r) {
        FolderNode root;
        root.name = QStringLiteral("%1_Root").arg(r, 4, 10, QLatin1Char('0'));
        for (int c = 0; c < 9; ++c) {
            FolderNode child;
            child.name = QStringLiteral("Sub_%1").arg(c);
            root.children.append(child);
        }
        roots.append(root);
    }
    return roots;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Timing {
    double keystrokeMs;
    double switchMs;
    double resolveMs;
    double toggleMs;
};

Timing measure(int folders)
{
    const Stores stores = Stores::processWide();
    const QUuid id =
        stores.templates.save(QStringLiteral("Bench %1").arg(folders), tree(folders)).value();
    IdleHost host;
    ProjectSetupModel model(QDir::tempPath(), host, stores);
    ProjectSetupWindow window(model);
    window.show();
    static_cast<void>(QTest::qWaitForWindowExposed(&window));
    ProjectConfig config = model.config();
    config.projectName = QStringLiteral("Shoot");
    config.customTemplateID = id;
    model.setConfig(config);
    QCoreApplication::processEvents();

    auto *field = window.findChild<QLineEdit *>(QStringLiteral("projectNameField"));
    QWidget *viewport = window.previewPanel()->treeView()->viewport();
    std::vector<double> keys;
    for (int i = 0; i < keystrokes; ++i) {
        const auto start = Clock::now();
        QTest::keyClick(field, Qt::Key_A);
        viewport->repaint();
        keys.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }

    // Switching between the template and a built-in one rebuilds every row.
    std::vector<double> switches;
    for (int i = 0; i < 6; ++i) {
        config = model.config();
        config.customTemplateID = (i % 2 == 0) ? std::nullopt : std::optional<QUuid>(id);
        const auto start = Clock::now();
        model.setConfig(config);
        viewport->repaint();
        if (i % 2 == 1)
            switches.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    // Baseline: the template engine alone, which every redraw has to call.
    std::vector<double> resolves;
    for (int i = 0; i < keystrokes; ++i) {
        const auto start = Clock::now();
        const QList<FolderNode> resolved = model.resolvedTree();
        resolves.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        static_cast<void>(resolved);
    }
    // Closing or opening the project folder row with every folder below it, first frame
    // of the slide included.
    PreviewTreeView *view = window.previewPanel()->treeView();
    const QModelIndex root = view->model()->index(0, 0);
    std::vector<double> toggles;
    for (int i = 0; i < 10; ++i) {
        const auto start = Clock::now();
        view->toggle(root);
        viewport->repaint();
        toggles.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        view->rowAnimation()->setCurrentTime(view->rowAnimation()->duration());
    }
    static_cast<void>(stores.templates.remove(id));
    return {median(keys), median(switches), median(resolves), median(toggles)};
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    std::printf("%-8s %14s %10s %10s %12s %12s %18s %16s\n", "folders", "keystroke ms", "x frame",
                "x 100", "resolve ms", "x resolve", "template switch ms", "row toggle ms");
    double base = 0;
    for (int folders : {100, 1000, 10000}) {
        const Timing t = measure(folders);
        if (base == 0)
            base = t.keystrokeMs;
        std::printf("%-8d %14.3f %10.3f %10.2f %12.3f %12.2f %18.3f %16.3f\n", folders,
                    t.keystrokeMs, t.keystrokeMs / frameMs, t.keystrokeMs / base, t.resolveMs,
                    t.keystrokeMs / t.resolveMs, t.switchMs, t.toggleMs);
    }
    return 0;
}

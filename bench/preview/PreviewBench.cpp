// Times the preview's redraw after one keystroke in the name field, with custom templates of
// 100, 1,000 and 10,000 folders, and prints each against a 60-Hz frame and the smallest size.
// Templates whose folder names hold {naam} and a field, where every keystroke renames every
// row, are printed beside the same sizes without tokens. Also times closing and opening the
// project folder row, which starts the row slide.
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
#include <map>
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

// Roots of nine subfolders each: `total` folders in all. With tokens, every name holds
// {naam} or the field {klant}.
QList<CustomFolderNode> tree(int total, bool tokens)
{
    QList<CustomFolderNode> roots;
    for (int r = 0; r < total / 10; ++r) {
        CustomFolderNode root{
            QUuid::createUuid(), QStringLiteral("%1_Root").arg(r, 4, 10, QLatin1Char('0')), {}};
        if (tokens)
            root.name += QStringLiteral("_{naam}");
        for (int c = 0; c < 9; ++c) {
            QString name = QStringLiteral("Sub_%1").arg(c);
            if (tokens)
                name = c % 2 ? name + QStringLiteral("_{naam}") : QStringLiteral("{klant}_") + name;
            root.children.append({QUuid::createUuid(), name, {}});
        }
        roots.append(root);
    }
    return roots;
}

QUuid store(const Stores &stores, int folders, bool tokens)
{
    CustomTemplate bench{QUuid::createUuid(), QStringLiteral("Bench %1").arg(folders),
                         CustomTemplateStore::savedIcon, tree(folders, tokens),
                         QDateTime::currentDateTime()};
    if (tokens) {
        bench.projectNamePattern = QStringLiteral("{datum:JJMMDD}_{klant}_{naam}");
        FieldDefinition client;
        client.key = QStringLiteral("klant");
        client.label = QStringLiteral("Klant");
        client.defaultValue = QStringLiteral("Nike");
        bench.fields.append(client);
    }
    static_cast<void>(stores.templates.importJSON(CustomTemplateJson::encode({bench})));
    return bench.id;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Timing {
    double keystrokeMs; // key press to painted preview
    double updateMs;    // of which: to the tree's model updated
    double switchMs;
    double renderMs;
    double toggleMs;
};

double since(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

Timing measure(int folders, bool tokens)
{
    const Stores stores = Stores::processWide();
    const QUuid id = store(stores, folders, tokens);
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
    std::vector<double> updates;
    for (int i = 0; i < keystrokes; ++i) {
        const auto start = Clock::now();
        QTest::keyClick(field, Qt::Key_A);
        updates.push_back(since(start));
        viewport->repaint();
        keys.push_back(since(start));
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
            switches.push_back(since(start));
    }
    // Baseline: the renderer alone, which every redraw has to call.
    std::vector<double> renders;
    const ProjectPlan &plan = model.plan();
    for (int i = 0; i < keystrokes; ++i) {
        const auto start = Clock::now();
        const RenderedProject project =
            plan.render(model.config().projectName, model.namingDate(), model.nextNumber(),
                        plan.resolveFields(model.config().fieldValues).values);
        renders.push_back(since(start));
        static_cast<void>(project);
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
        toggles.push_back(since(start));
        view->rowAnimation()->setCurrentTime(view->rowAnimation()->duration());
    }
    static_cast<void>(stores.templates.remove(id));
    return {median(keys), median(updates), median(switches), median(renders), median(toggles)};
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    std::printf("%-8s %-6s %12s %10s %9s %8s %8s %10s %10s %9s %9s\n", "folders", "tokens",
                "keystroke ms", "update ms", "x frame", "x 100", "x plain", "render ms", "x render",
                "switch ms", "toggle ms");
    double base = 0;
    for (const bool tokens : {false, true}) {
        for (int folders : {100, 1000, 10000}) {
            if (tokens && folders == 100)
                continue;
            const Timing t = measure(folders, tokens);
            if (base == 0)
                base = t.keystrokeMs;
            // Against the same size without tokens, measured just before.
            static std::map<int, double> plain;
            if (!tokens)
                plain[folders] = t.keystrokeMs;
            std::printf("%-8d %-6s %12.3f %10.3f %9.3f %8.2f %8.2f %10.3f %10.2f %9.3f %9.3f\n",
                        folders, tokens ? "yes" : "no", t.keystrokeMs, t.updateMs,
                        t.keystrokeMs / frameMs, t.keystrokeMs / base,
                        t.keystrokeMs / plain[folders], t.renderMs, t.keystrokeMs / t.renderMs,
                        t.switchMs, t.toggleMs);
        }
    }
    return 0;
}

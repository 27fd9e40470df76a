#include "Agent.h"

#include "AgentWindowFactory.h"
#include "AppDelegate.h"
#include "CardNotifications.h"
#include "GlobalShortcutManager.h"
#include "IdleWarmup.h"
#include "MemoryRelief.h"
#include "StandaloneWindowHost.h"
#include "TrayStatusItem.h"
#include "model/IncomingPath.h"
#include "model/Result.h"
#include "platform/AgentClient.h"
#include "platform/CardWatcher.h"
#include "platform/DBusApplicationService.h"
#include "platform/DBusHandOverChannel.h"
#include "platform/DesktopShortcutRegistrar.h"
#include "platform/FileManagerActions.h"
#include "platform/FileManagerIntegration.h"
#include "platform/FreedesktopFileManager.h"
#include "platform/FreedesktopNotifier.h"
#include "platform/XdgAutostart.h"
#include "stores/PreferenceSuite.h"
#include "views/Translations.h"
#include "workflow/JobRegistry.h"
#include "workflow/Stores.h"

#include <QApplication>
#include <QDir>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace bp {
namespace {

constexpr std::chrono::seconds agentStartTimeout{5};

int signalPipe[2] = {-1, -1};

void writeSignal(int)
{
    const char byte = 1;
    // Only async-signal-safe calls here; the event loop does the rest.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

// SIGINT and SIGTERM end the event loop as the quit item does.
void quitOnTerminationSignals(QObject *context)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(signalPipe[1], &byte, 1);
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = writeSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

QString absolute(const QString &path)
{
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

// The folder given on the command line, or the reason it is none.
Result<QString> folderArgument(const QString &argument)
{
    return IncomingPath::check(absolute(argument), IncomingPath::Need::existingFolder);
}

int inProcessWindow(const QString &command, const std::optional<QString> &folder, int &argc,
                    char **argv)
{
    QApplication app(argc, argv);
    Translations::useDutch();
    QApplication::setApplicationName(QStringLiteral("brindlepath"));
    QApplication::setDesktopFileName(QStringLiteral("com.quenmoor.brindlepath"));
    const Stores stores = Stores::processWide();
    const int status = command == u"new" ? runStandaloneSetupWindow(folder, stores)
                                         : runStandaloneSettingsWindow(stores);
    // Preference and template changes made in the window may still be on their way.
    PreferenceSuite::writer().waitForDone();
    return status;
}

} // namespace

int runAgent()
{
    QApplication::setQuitOnLastWindowClosed(false);

    const Stores stores = Stores::processWide();
    FreedesktopNotifier notifier;
    FreedesktopFileManager fileManager;
    DBusHandOverChannel handOver;
    TrayStatusItem statusItem;
    // A shortcut bound through the portal fires in this process: no need for a round trip
    // through "brindlepath new".
    AppDelegate *agentDelegate = nullptr;
    DesktopShortcutRegistrar shortcuts([&agentDelegate] {
        if (agentDelegate)
            agentDelegate->openProjectSetup(std::nullopt);
    });
    XdgAutostart loginItem;
    FileManagerIntegration fileManagerSetup(
        FileManagerActions::programCommand(QCoreApplication::applicationFilePath()));
    // Cards as they are mounted; null where neither udisks2 nor mountinfo can be watched.
    const std::unique_ptr<CardWatcher> cardWatcher = makeCardWatcher();
    AgentWindowFactory windows(stores, shortcuts, loginItem, fileManagerSetup, statusItem,
                               cardWatcher.get());
    AppDelegate delegate(AppDelegate::Services{
        statusItem, handOver, notifier, fileManager, windows, GlobalShortcutManager::shared(),
        stores.undoLog, stores.standard, stores.appGroup, [] { QCoreApplication::quit(); }});

    agentDelegate = &delegate;
    std::unique_ptr<CardNotifications> cardNotifications;
    if (cardWatcher)
        cardNotifications = std::make_unique<CardNotifications>(
            *cardWatcher, notifier,
            [&delegate](const QString &root) { delegate.openOffload(std::nullopt, root); });

    // Before the name is claimed: whoever sees the name may already send a signal.
    quitOnTerminationSignals(&delegate);

    // Claim the name before anything shows: a second agent leaves without a trace.
    JobRegistry jobs;
    delegate.showJobs(jobs);
    DBusApplicationService service({delegate, handOver, jobs});
    if (service.start() == DBusApplicationService::Ownership::taken)
        return 0;

    delegate.applicationDidFinishLaunching();
    // A few small files, once per user: after the launch, so the tray item comes first.
    statusItem.whenSettled(
        [] { QTimer::singleShot(0, [] { FileManagerActions::integrateOnce(); }); });
    // The first window's one-time work, while nobody waits; its leftovers go back at once.
    statusItem.whenSettled([] {
        QTimer::singleShot(0, [] {
            warmUpWindows();
            MemoryRelief::relieve();
        });
    });
    const int status = QApplication::exec();
    PreferenceSuite::writer().waitForDone();
    return status;
}

bool isAgentCommand(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return false;
    const QString &command = arguments.first();
    const qsizetype rest = arguments.size() - 1;
    if (command == u"new")
        return rest <= 1;
    if (command == u"open")
        return rest >= 1;
    if (command == u"settings" || command == u"undo" || command == u"quit")
        return rest == 0;
    return false;
}

int runAgentCommand(const QStringList &arguments, int &argc, char **argv)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString command = arguments.first();
    std::optional<QString> folder;
    if ((command == u"new" && arguments.size() == 2) || command == u"open") {
        const Result<QString> checked = folderArgument(arguments[1]);
        if (!checked) {
            err << "brindlepath: " << checked.error().message << '\n';
            return 1;
        }
        folder = checked.value();
    }

    if (AgentClient::sessionHasBus()) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("brindlepath"));
        AgentClient client;
        if (client.hasBus()) {
            if (command == u"quit") {
                if (client.agentRunning())
                    client.activateAction(DBusApplicationService::quitAction);
                return 0;
            }
            if (command == u"undo") {
                const Result<QStringList> putBack =
                    client.agentRunning() ? client.undo() : Result(QStringList());
                if (!putBack) {
                    err << "brindlepath: " << putBack.error().message << '\n';
                    return 1;
                }
                if (putBack.value().isEmpty())
                    out << "Nothing to undo.\n";
                for (const QString &path : putBack.value())
                    out << path << '\n';
                return 0;
            }
            if (!client.ensureAgent(QCoreApplication::applicationFilePath(), agentStartTimeout)) {
                err << "brindlepath: the agent did not start\n";
                return 1;
            }
            bool sent = false;
            if (command == u"open") {
                QStringList paths{*folder};
                for (const QString &path : arguments.mid(2))
                    paths += absolute(path);
                sent = client.open(paths);
            } else if (command == u"new") {
                sent = client.activateAction(DBusApplicationService::newAction,
                                             folder ? QVariantList{*folder} : QVariantList{});
            } else {
                sent = client.activateAction(DBusApplicationService::settingsAction);
            }
            if (!sent) {
                err << "brindlepath: the agent did not answer\n";
                return 1;
            }
            return 0;
        }
    }
    // No session bus at all: the windows run in this process instead.
    if (command == u"new" || command == u"settings")
        return inProcessWindow(command, folder, argc, argv);
    err << "brindlepath: " << command << " needs a session bus to reach the agent\n";
    return 1;
}

} // namespace bp

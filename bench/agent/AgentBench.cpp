// How light the tray agent is beside a bare Qt tray application (bench_bare_tray), both started
// here in turn on a private session bus and a private Xvfb without a window manager:
//   - start: process start until the icon is registered with the StatusNotifierWatcher, which
//     this driver plays itself (with a host registered, so Qt picks the bus protocol), on the
//     wall clock and as CPU time, which a busy machine sways far less; and the CPU time of the
//     second after it, in which the agent does its first window's one-time work;
//   - memory: VmRSS and the written pages of its own (Private_Dirty: heap, stacks, relocated
//     data; Pss and Private_Clean swing with whatever other Qt programs map the same
//     libraries) a second after the icon was registered;
//   - idle: CPU ticks (utime + stime) and voluntary context switches of all threads while
//     nobody touches the process;
//   - hand-over (agent only): "brindlepath new DIR" started until the setup window is mapped,
//     and the same request sent as a bare D-Bus call, to tell the command line's own start-up
//     from the agent's work. The first window of each agent is counted apart: it pays for
//     building the window's code paths the first time. The agent's CPU time per window is
//     printed too;
//   - after the windows (agent only): memory a second after the last window was closed, when
//     the agent has given back what only its windows needed, and its wake-ups while idle
//     again.
// Prints medians, the agent/bare ratios and whether each aim is met; it never fails on time.
//
// Run: bench_agent [--runs N] [--idle SECONDS]   (defaults 5 and 10; BP_BENCH_IDLE also sets
// the idle period, e.g. BP_BENCH_IDLE=2 for a quick look). Needs Xvfb and dbus-daemon.
#include "MapWatcher.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

using bench::spinUntil;

namespace {

const QString setupTitle = QStringLiteral("Create Project Structure");
const QString agentName = QStringLiteral("com.quenmoor.brindlepath");
const QString agentPath = QStringLiteral("/com/quenmoor/brindlepath");

double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

void spinFor(int durationMs)
{
    QEventLoop loop;
    QTimer::singleShot(durationMs, &loop, &QEventLoop::quit);
    loop.exec();
}

// A panel's StatusNotifierWatcher, reduced to noting when an item registers.
class Watcher final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
public:
    std::function<void()> onItem;

    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return m_items; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString &service)
    {
        m_items = {service};
        if (onItem)
            onItem();
    }
    void RegisterStatusNotifierHost(const QString &) {}

private:
    QStringList m_items;
};

// A private bus with nothing to activate; the address goes into the children's environment.
class SessionBus {
public:
    SessionBus()
    {
        m_daemon.setStandardErrorFile(QProcess::nullDevice());
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                        QStringLiteral("--config-file=" BP_BENCH_SESSION_CONF)});
        while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead())
            ;
        address = QString::fromUtf8(m_daemon.readLine().trimmed());
    }
    ~SessionBus()
    {
        m_daemon.terminate();
        m_daemon.waitForFinished();
    }
    QString address;

private:
    QProcess m_daemon;
};

// An Xvfb of our own; it reports the display number it found free once it accepts clients.
class Xvfb {
public:
    Xvfb()
    {
        m_server.setStandardErrorFile(QProcess::nullDevice());
        m_server.start(QStringLiteral("Xvfb"),
                       {QStringLiteral("-displayfd"), QStringLiteral("1"),
                        QStringLiteral("-noreset"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("1280x800x24")});
        while (!m_server.canReadLine() && m_server.waitForReadyRead())
            ;
        if (m_server.canReadLine())
            display = QStringLiteral(":") + QString::fromLatin1(m_server.readLine().trimmed());
    }
    ~Xvfb()
    {
        m_server.terminate();
        m_server.waitForFinished();
    }
    QString display;

private:
    QProcess m_server;
};

struct ProcStat {
    long ticks = 0;    // utime + stime of all threads
    long wakeUps = 0;  // voluntary context switches of all threads
    long rssKiB = 0;   // VmRSS
    long dirtyKiB = 0; // Private_Dirty
};

long fieldOf(const QByteArray &text, const QByteArray &key)
{
    for (const QByteArray &line : text.split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').first().toLong();
    }
    return 0;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

ProcStat statOf(qint64 pid)
{
    ProcStat stat;
    const QString proc = QStringLiteral("/proc/%1/").arg(pid);
    // Fields after the command's closing parenthesis: state is field 3, utime 14, stime 15.
    const QByteArray line = readAll(proc + QStringLiteral("stat"));
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() > 12)
        stat.ticks = fields[11].toLong() + fields[12].toLong();
    const QByteArray status = readAll(proc + QStringLiteral("status"));
    stat.rssKiB = fieldOf(status, "VmRSS:");
    const QByteArray rollup = readAll(proc + QStringLiteral("smaps_rollup"));
    stat.dirtyKiB = fieldOf(rollup, "Private_Dirty:");
    const QStringList tasks =
        QDir(proc + QStringLiteral("task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &task : tasks)
        stat.wakeUps +=
            fieldOf(readAll(proc + QStringLiteral("task/") + task + QStringLiteral("/status")),
                    "voluntary_ctxt_switches:");
    return stat;
}

// Time on a CPU of all threads, in nanoseconds: unlike the wall clock, hardly swayed by
// whatever else the machine runs meanwhile.
qint64 cpuNsOf(qint64 pid)
{
    const QString tasks = QStringLiteral("/proc/%1/task/").arg(pid);
    qint64 total = 0;
    for (const QString &task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        total +=
            readAll(tasks + task + QStringLiteral("/schedstat")).split(' ').first().toLongLong();
    return total;
}

QByteArray loadAverage()
{
    return readAll(QStringLiteral("/proc/loadavg")).split(' ').mid(0, 3).join(' ');
}

struct Samples {
    std::vector<double> startCpuMs, settleCpuMs, firstWindowCpuMs, windowCpuMs;
    std::vector<double> startMs, rssKiB, dirtyKiB, idleTicks, idleWakeUps;
    std::vector<double> firstCliMs, cliMs, cliExitMs, busMs, busReplyMs, afterWindowsKiB;
    std::vector<double> afterWindowsDirtyKiB, afterWindowsTicks, afterWindowsWakeUps;
};

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

class Bench {
public:
    Bench(const QString &busAddress, const QString &display, int idleMs)
        : m_bus(QDBusConnection::connectToBus(busAddress, QStringLiteral("bench"))),
          m_windows(display), m_idleMs(idleMs)
    {
        m_environment = QProcessEnvironment::systemEnvironment();
        for (const char *name :
             {"WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION",
              "QT_QPA_PLATFORMTHEME", "SESSION_MANAGER", "QT_QPA_PLATFORM"})
            m_environment.remove(QString::fromLatin1(name));
        m_environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        m_environment.insert(QStringLiteral("DISPLAY"), display);
        m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        // The agent keeps its settings, undo log and caches away from the user's own.
        for (const char *name :
             {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
            m_environment.insert(QString::fromLatin1(name),
                                 m_home.filePath(QString::fromLatin1(name)));
        QDir().mkpath(m_home.filePath(QStringLiteral("project")));
        const QString runtime = m_home.filePath(QStringLiteral("runtime"));
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);

        m_watcher.onItem = [this] {
            if (m_clock.isValid() && !m_registered) {
                m_registered = m_clock.nsecsElapsed();
                m_registeredCpu = cpuNsOf(m_pid);
            }
        };
        m_bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &m_watcher,
                             QDBusConnection::ExportAllSlots |
                                 QDBusConnection::ExportAllProperties);
        m_bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
    }

    bool ready() const { return m_bus.isConnected() && m_windows.ok(); }

    bool skipOnboarding()
    {
        QProcess config;
        config.setProcessEnvironment(m_environment);
        config.start(QStringLiteral(BP_BENCH_AGENT),
                     {QStringLiteral("config"), QStringLiteral("set"),
                      QStringLiteral("onboardingCompleted"), QStringLiteral("true")});
        return config.waitForFinished() && config.exitCode() == 0;
    }

    enum class Run { warmUp, tray, agent };

    bool run(const QString &program, Samples &samples, Run kind)
    {
        const bool handOver = kind == Run::agent;
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_registered.reset();
        m_clock.start();
        process.start(program, {});
        m_pid = process.processId();
        if (!spinUntil([this] { return m_registered.has_value(); })) {
            std::fprintf(stderr, "%s: no tray icon registered\n", qPrintable(program));
            return false;
        }
        samples.startMs.push_back(ms(*m_registered));
        samples.startCpuMs.push_back(ms(m_registeredCpu));
        m_clock.invalidate();
        if (kind == Run::warmUp)
            return stop(process);

        spinFor(1000);
        const ProcStat settled = statOf(process.processId());
        // Whatever the program does once its icon is up, the agent's warm-up included.
        samples.settleCpuMs.push_back(ms(cpuNsOf(m_pid) - m_registeredCpu));
        samples.rssKiB.push_back(double(settled.rssKiB));
        samples.dirtyKiB.push_back(double(settled.dirtyKiB));
        spinFor(m_idleMs);
        const ProcStat idle = statOf(process.processId());
        samples.idleTicks.push_back(double(idle.ticks - settled.ticks));
        samples.idleWakeUps.push_back(double(idle.wakeUps - settled.wakeUps));

        const bool handedOver = !handOver || measureHandOver(samples);
        if (handOver) {
            // What the agent keeps for the rest of the day once its windows have been used.
            spinFor(1000);
            const ProcStat closed = statOf(process.processId());
            samples.afterWindowsKiB.push_back(double(closed.rssKiB));
            samples.afterWindowsDirtyKiB.push_back(double(closed.dirtyKiB));
            spinFor(m_idleMs);
            const ProcStat asleep = statOf(process.processId());
            samples.afterWindowsTicks.push_back(double(asleep.ticks - closed.ticks));
            samples.afterWindowsWakeUps.push_back(double(asleep.wakeUps - closed.wakeUps));
        }
        std::fprintf(stderr,
                     "%-16s start %6.1f ms  CPU %5.1f ms  VmRSS %6ld KiB  dirty %6ld KiB  idle "
                     "ticks %ld\n",
                     qPrintable(program.section(u'/', -1)), samples.startMs.back(),
                     samples.startCpuMs.back(), settled.rssKiB, settled.dirtyKiB,
                     idle.ticks - settled.ticks);
        return stop(process) && handedOver;
    }

private:
    static bool stop(QProcess &process)
    {
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished();
        }
        return true;
    }

    bool measureHandOver(Samples &samples)
    {
        const QString folder = m_home.filePath(QStringLiteral("project"));
        for (int round = 0; round < 3; ++round) {
            // The command line as the file manager or a shortcut runs it.
            QProcess cli;
            cli.setProcessEnvironment(m_environment);
            QElapsedTimer clock;
            std::optional<qint64> exited;
            QObject::connect(&cli, &QProcess::finished, [&] { exited = clock.nsecsElapsed(); });
            const qint64 cpuBefore = cpuNsOf(m_pid);
            clock.start();
            cli.start(QStringLiteral(BP_BENCH_AGENT), {QStringLiteral("new"), folder});
            const std::optional<qint64> mapped = m_windows.awaitMapped(setupTitle, clock);
            spinUntil([&] { return exited.has_value(); });
            if (!mapped || !m_windows.close()) {
                std::fprintf(stderr, "brindlepath new: no setup window came and went\n");
                return false;
            }
            (round == 0 ? samples.firstCliMs : samples.cliMs).push_back(ms(*mapped));
            // The agent's own share: building the window and answering the call.
            (round == 0 ? samples.firstWindowCpuMs : samples.windowCpuMs)
                .push_back(ms(cpuNsOf(m_pid) - cpuBefore));
            if (exited)
                samples.cliExitMs.push_back(ms(*exited));

            // The same request without the command line's start.
            QDBusMessage call = QDBusMessage::createMethodCall(
                agentName, agentPath, QStringLiteral("org.freedesktop.Application"),
                QStringLiteral("ActivateAction"));
            call << QStringLiteral("new") << QVariantList{folder} << QVariantMap();
            clock.start();
            QDBusPendingCallWatcher reply(m_bus.asyncCall(call));
            std::optional<qint64> replied;
            QObject::connect(&reply, &QDBusPendingCallWatcher::finished,
                             [&] { replied = clock.nsecsElapsed(); });
            const std::optional<qint64> busMapped = m_windows.awaitMapped(setupTitle, clock);
            spinUntil([&] { return replied.has_value(); });
            if (!busMapped || !replied || reply.isError() || !m_windows.close()) {
                std::fprintf(stderr, "ActivateAction: no setup window came and went\n");
                return false;
            }
            samples.busMs.push_back(ms(*busMapped));
            samples.busReplyMs.push_back(ms(*replied));
        }
        return true;
    }

    QTemporaryDir m_home;
    QDBusConnection m_bus;
    bench::MapWatcher m_windows;
    Watcher m_watcher;
    QProcessEnvironment m_environment;
    QElapsedTimer m_clock;
    std::optional<qint64> m_registered;
    qint64 m_registeredCpu = 0;
    qint64 m_pid = 0;
    int m_idleMs;
};

void row(const char *what, const char *unit, double bare, double agent)
{
    if (bare > 0)
        std::printf("%-40s %10.1f %10.1f %-4s %7.2fx\n", what, bare, agent, unit, agent / bare);
    else
        std::printf("%-40s %10.1f %10.1f %-4s %8s\n", what, bare, agent, unit, "-");
}

void agentRow(const char *what, double agent)
{
    std::printf("%-40s %10s %10.1f %-4s\n", what, "-", agent, "ms");
}

void aim(const char *what, bool met, const char *detail)
{
    std::printf("%-12s %s (%s)\n", met ? "PASS" : "AIM-MISSED", what, detail);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int runs = 5;
    double idleSeconds = qEnvironmentVariableIsSet("BP_BENCH_IDLE")
                             ? qEnvironmentVariable("BP_BENCH_IDLE").toDouble()
                             : 10.0;
    const QStringList arguments = QCoreApplication::arguments();
    for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == u"--runs")
            runs = std::max(1, arguments[i + 1].toInt());
        else if (arguments[i] == u"--idle")
            idleSeconds = arguments[i + 1].toDouble();
    }

    const QByteArray loadBefore = loadAverage();
    SessionBus bus;
    Xvfb xvfb;
    if (bus.address.isEmpty() || xvfb.display.isEmpty()) {
        std::fprintf(stderr, "bench_agent: could not start dbus-daemon or Xvfb\n");
        return 1;
    }
    Bench bench(bus.address, xvfb.display, int(idleSeconds * 1000));
    if (!bench.ready() || !bench.skipOnboarding()) {
        std::fprintf(stderr, "bench_agent: could not set up the bus, display or settings\n");
        return 1;
    }

    // One unmeasured start of each: it fills the page cache and does the agent's once-per-user
    // set-up, which no later start repeats.
    for (const char *program : {BP_BENCH_BARE_TRAY, BP_BENCH_AGENT}) {
        Samples ignored;
        if (!bench.run(QString::fromUtf8(program), ignored, Bench::Run::warmUp))
            return 1;
    }

    Samples bare;
    Samples agent;
    for (int i = 0; i < runs; ++i) {
        // Alternating who goes first evens out whatever warms up between runs.
        const bool bareFirst = i % 2 == 0;
        for (int turn = 0; turn < 2; ++turn) {
            const bool isBare = (turn == 0) == bareFirst;
            const bool ok =
                isBare ? bench.run(QStringLiteral(BP_BENCH_BARE_TRAY), bare, Bench::Run::tray)
                       : bench.run(QStringLiteral(BP_BENCH_AGENT), agent, Bench::Run::agent);
            if (!ok)
                return 1;
        }
        std::fprintf(stderr, "run %d of %d done\n", i + 1, runs);
    }

    std::printf("\nTray agent against a bare Qt tray application: medians of %d runs each, "
                "Xvfb without a window manager, %.1f s idle\n",
                runs, idleSeconds);
    // Wall-clock figures stretch with the load; the CPU times hardly do.
    std::printf("load average before: %s, after: %s\n\n", loadBefore.constData(),
                loadAverage().constData());
    std::printf("%-40s %10s %10s %-4s %8s\n", "", "bare", "agent", "", "ratio");
    const double startRatio = median(agent.startMs) / median(bare.startMs);
    const double rssRatio = median(agent.rssKiB) / median(bare.rssKiB);
    const double dirtyRatio = median(agent.dirtyKiB) / median(bare.dirtyKiB);
    row("start -> tray icon registered", "ms", median(bare.startMs), median(agent.startMs));
    row("CPU time until registered", "ms", median(bare.startCpuMs), median(agent.startCpuMs));
    row("CPU time in the second after that", "ms", median(bare.settleCpuMs),
        median(agent.settleCpuMs));
    row("resident memory (VmRSS)", "KiB", median(bare.rssKiB), median(agent.rssKiB));
    row("written memory (Private_Dirty)", "KiB", median(bare.dirtyKiB), median(agent.dirtyKiB));
    row("CPU ticks while idle", "", median(bare.idleTicks), median(agent.idleTicks));
    row("wake-ups while idle (all threads)", "", median(bare.idleWakeUps),
        median(agent.idleWakeUps));
    agentRow("new DIR -> window mapped, first window", median(agent.firstCliMs));
    agentRow("new DIR -> window mapped, again", median(agent.cliMs));
    agentRow("ActivateAction -> window mapped", median(agent.busMs));
    agentRow("ActivateAction -> reply", median(agent.busReplyMs));
    agentRow("new DIR -> command exited", median(agent.cliExitMs));
    agentRow("agent CPU time for the first window", median(agent.firstWindowCpuMs));
    agentRow("agent CPU time for a window again", median(agent.windowCpuMs));
    row("VmRSS after the windows were closed", "KiB", median(bare.rssKiB),
        median(agent.afterWindowsKiB));
    row("Private_Dirty after the windows closed", "KiB", median(bare.dirtyKiB),
        median(agent.afterWindowsDirtyKiB));
    row("CPU ticks while idle after the windows", "", median(bare.idleTicks),
        median(agent.afterWindowsTicks));
    row("wake-ups while idle after the windows", "", median(bare.idleWakeUps),
        median(agent.afterWindowsWakeUps));

    const double maxTicks =
        std::max(*std::max_element(agent.idleTicks.begin(), agent.idleTicks.end()),
                 *std::max_element(agent.afterWindowsTicks.begin(), agent.afterWindowsTicks.end()));
    const double afterRatio = median(agent.afterWindowsKiB) / median(bare.rssKiB);
    const double firstHandOver = median(agent.firstCliMs);
    std::printf("\n");
    char detail[128];
    std::snprintf(detail, sizeof detail, "%.2fx, CPU time %.2fx, aim 1.2x", startRatio,
                  median(agent.startCpuMs) / median(bare.startCpuMs));
    aim("start within 1.2x of the bare application", startRatio <= 1.2, detail);
    std::snprintf(detail, sizeof detail, "VmRSS %.2fx, written %.2fx, aim 1.2x", rssRatio,
                  dirtyRatio);
    aim("memory within 1.2x of the bare application", rssRatio <= 1.2, detail);
    std::snprintf(detail, sizeof detail, "VmRSS %.2fx, written %.2fx, aim 1.2x", afterRatio,
                  median(agent.afterWindowsDirtyKiB) / median(bare.dirtyKiB));
    aim("memory after the windows within 1.2x of the bare one", afterRatio <= 1.2, detail);
    std::snprintf(detail, sizeof detail, "at most %.0f ticks in any run", maxTicks);
    aim("no CPU ticks while idle, before and after the windows", maxTicks == 0, detail);
    std::snprintf(detail, sizeof detail, "first window %.1f ms, again %.1f ms, aim 60 ms",
                  firstHandOver, median(agent.cliMs));
    aim("hand-over to window mapped under 60 ms", firstHandOver < 60, detail);
    return 0;
}

#include "AgentBench.moc"

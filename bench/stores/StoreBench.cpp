// How long a template save holds up the UI thread: uncontended (the baseline), while another
// process holds the suite's lock, and after a holder crashed with the lock taken. Prints each
// against the baseline and against one 60 Hz frame.
#include "stores/CustomTemplateStore.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

using namespace bp;

namespace {

constexpr double frameMs = 1000.0 / 60.0;
constexpr int saves = 50;

double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

// The longest the event loop went without running while `work` and its writes went on.
struct Stall {
    double callMs = 0; // the UI thread inside the store call
    double loopMs = 0; // the longest gap between two event-loop turns
};

Stall measure(CustomTemplateStore &store, const std::function<void()> &whileWaiting = {})
{
    Stall stall;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        stall.loopMs = std::max(stall.loopMs, ms(sinceTick.nsecsElapsed()));
        sinceTick.restart();
    });
    QList<QFuture<Result<QUuid>>> pending;
    sinceTick.start();
    ticker.start();
    for (int i = 0; i < saves; ++i) {
        QElapsedTimer call;
        call.start();
        pending.append(store.saveLater(QStringLiteral("t%1").arg(i), {}));
        stall.callMs = std::max(stall.callMs, ms(call.nsecsElapsed()));
        QCoreApplication::processEvents();
    }
    if (whileWaiting)
        whileWaiting();
    for (const auto &future : pending) {
        if (!test::await(future).ok()) {
            std::fprintf(stderr, "a save failed\n");
            std::exit(1);
        }
    }
    ticker.stop();
    return stall;
}

void print(const char *label, const Stall &s, const Stall &base)
{
    std::printf("  %-34s call %6.3f ms (%5.2fx)  longest loop gap %6.2f ms (%.2f frame)\n", label,
                s.callMs, s.callMs / base.callMs, s.loopMs, s.loopMs / frameMs);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    PreferenceSuite suite(PreferenceSuite::standardName, dir.path());
    CustomTemplateStore store(suite);
    const QString lockPath = suite.filePath() + QStringLiteral(".lock");

    const Stall base = measure(store);

    // Another process in the middle of its change for half a second.
    test::LockHolder busy(lockPath);
    const Stall held = measure(store, [&] {
        QElapsedTimer held;
        held.start();
        while (held.elapsed() < 500)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        busy.crash();
    });

    // A holder that died with the lock taken leaves nothing to wait for.
    test::LockHolder crashed(lockPath);
    crashed.crash();
    const Stall stale = measure(store);

    QElapsedTimer blocking;
    blocking.start();
    for (int i = 0; i < saves; ++i)
        (void)store.save(QStringLiteral("s%1").arg(i), {});
    const double blockingMs = ms(blocking.nsecsElapsed()) / saves;

    // What a window did before writes left the UI thread: wait for the holder.
    test::LockHolder slow(lockPath);
    std::thread release([&slow] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        slow.crash();
    });
    QElapsedTimer waited;
    waited.start();
    (void)store.save(QStringLiteral("waited"), {});
    const double waitedMs = ms(waited.nsecsElapsed());
    release.join();

    std::printf("template saves from the UI thread, %d each, worst case\n", saves);
    print("uncontended (baseline)", base, base);
    print("lock held 500 ms by another process", held, base);
    print("lock left by a crashed process", stale, base);
    std::printf("  blocking save (command line), mean %.3f ms per save (%.2f frame)\n", blockingMs,
                blockingMs / frameMs);
    std::printf("  blocking save, lock held 300 ms:   %.1f ms (%.1f frames)\n", waitedMs,
                waitedMs / frameMs);
    return 0;
}

// Shows one window on a real X display for the keyboard walker, with recording platform
// services, and answers the walker's requests on stdin, one per line:
//   grab              keep an image of the window as it is now
//   changed X Y W H   how many pixels of that screen rectangle differ from the kept image;
//                     the new image is kept
//   state             what the journeys changed so far, "key=value" lines, then "end"
//   chain             the window's Tab stops in Qt's focus chain, then "end"
//   quit
// Usage: bp_a11y_window setup|settings|onboarding|editor|offload [--folder DIR]
//                       [--recent DIR]... [--template NAME] [--card DIR]
#include "model/TemplateEngine.h"
#include "platform/FileManagerSetup.h"
#include "platform/LoginItem.h"
#include "platform/ShortcutRegistrar.h"
#include "stores/CustomTemplateStore.h"
#include "stores/Preferences.h"
#include "stores/RecentFoldersStore.h"
#include "stores/SharedTemplateLibrary.h"
#include "support/RecordingHost.h"
#include "views/OffloadWindow.h"
#include "views/OnboardingView.h"
#include "views/ProjectSetupWindow.h"
#include "views/SettingsView.h"
#include "views/TemplateEditorWindow.h"
#include "workflow/OffloadModel.h"
#include "workflow/ProjectSetupModel.h"
#include "workflow/Stores.h"

#include <QApplication>
#include <QImage>
#include <QPointer>
#include <QSocketNotifier>
#include <QTextStream>
#include <QThreadPool>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace bp {
namespace {

void say(const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

class Login final : public LoginItem {
public:
    bool isEnabled() const override { return enabled; }
    Result<void> setEnabled(bool on) override
    {
        enabled = on;
        return success();
    }
    bool enabled = false;
};

class Shortcuts final : public ShortcutRegistrar {
public:
    void requestRegistration(Done done) override
    {
        ++requests;
        done(ShortcutRegistration::added);
    }
    int requests = 0;
};

class FileManagers final : public FileManagerSetup {
public:
    QList<Entry> prepare() override { return {{Manager::nautilus, State::ready}}; }
};

struct Session {
    Stores stores = Stores::processWide();
    test::RecordingHost host;
    Login login;
    Shortcuts shortcuts;
    FileManagers fileManagers;
    std::unique_ptr<ProjectSetupModel> model;
    std::unique_ptr<OffloadModel> offload;
    std::unique_ptr<QWidget> window;
    bool completed = false;
    QImage kept;
};

QImage grabOf(QWidget *window)
{
    return window->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

int changedPixels(const QImage &before, const QImage &after, const QRect &area)
{
    const QRect clipped = area.intersected(after.rect()).intersected(before.rect());
    int count = 0;
    for (int y = clipped.top(); y <= clipped.bottom(); ++y)
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            count += before.pixel(x, y) != after.pixel(x, y);
    return count;
}

void answer(Session &session, const QString &line)
{
    const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return;
    QWidget *window = session.window.get();
    if (words[0] == QLatin1String("grab")) {
        session.kept = grabOf(window);
        say(QStringLiteral("ok"));
    } else if (words[0] == QLatin1String("changed") && words.size() == 5) {
        const QPoint origin = window->mapFromGlobal(QPoint(words[1].toInt(), words[2].toInt()));
        const QRect area(origin, QSize(words[3].toInt(), words[4].toInt()));
        const QImage now = grabOf(window);
        say(QStringLiteral("changed %1").arg(changedPixels(session.kept, now, area)));
        session.kept = now;
    } else if (words[0] == QLatin1String("state")) {
        // Preference writes land on a worker thread.
        PreferenceSuite::writer().waitForDone();
        QCoreApplication::processEvents();
        PreferenceSuite &prefs = session.stores.standard;
        say(QStringLiteral("visible=%1").arg(window->isVisible()));
        say(QStringLiteral("login=%1").arg(session.login.enabled));
        say(QStringLiteral("defaultTemplate=") +
            prefs.stringValue(PreferenceKeys::defaultTemplate).value_or(QString()));
        say(QStringLiteral("onboardingCompleted=%1")
                .arg(prefs.boolValue(PreferenceKeys::onboardingCompleted).value_or(false)));
        say(QStringLiteral("completed=%1").arg(session.completed));
        say(QStringLiteral("revealed=") + session.host.revealed.value(0));
        if (auto *onboarding = qobject_cast<OnboardingView *>(window))
            say(QStringLiteral("animating=%1").arg(onboarding->isAnimating()));
        if (session.model) {
            say(QStringLiteral("target=") +
                session.model->config().targetFolderURL.value_or(QString()));
            say(QStringLiteral("error=") + session.model->errorMessage().value_or(QString()));
        }
        say(QStringLiteral("end"));
    } else if (words[0] == QLatin1String("chain")) {
        // The focus chain as Qt keeps it, for working out a wrong order by hand.
        QWidget *w = window;
        do {
            if (w->focusPolicy() & Qt::TabFocus && w->isVisible())
                say(QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(' ') +
                    w->objectName() + QLatin1Char(' ') + w->accessibleName());
            w = w->nextInFocusChain();
        } while (w != window);
        say(QStringLiteral("end"));
    } else if (words[0] == QLatin1String("quit")) {
        QCoreApplication::quit();
    } else {
        say(QStringLiteral("unknown ") + line);
    }
}

} // namespace
} // namespace bp

int main(int argc, char **argv)
{
    using namespace bp;
    QApplication app(argc, argv);
    // A steady caret, so only focus changes what a grab shows.
    QApplication::setCursorFlashTime(0);
    QApplication::setQuitOnLastWindowClosed(false);

    QStringList args = QCoreApplication::arguments().mid(1);
    const QString kind = args.value(0);
    std::optional<QString> folder;
    QStringList recent;
    QStringList templates;
    QStringList cards;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--folder"))
            folder = args[i + 1];
        else if (args[i] == QLatin1String("--recent"))
            recent.append(args[i + 1]);
        else if (args[i] == QLatin1String("--template"))
            templates.append(args[i + 1]);
        else if (args[i] == QLatin1String("--card"))
            cards.append(args[i + 1]);
    }
    // Oldest first, so the first one named ends up on top.
    for (auto it = recent.crbegin(); it != recent.crend(); ++it)
        static_cast<void>(RecentFoldersStore::shared().add(*it));
    for (const QString &name : templates) {
        ProjectConfig config;
        static_cast<void>(
            CustomTemplateStore::shared().save(name, TemplateEngine::resolve(config)));
    }

    Session session;
    if (kind == QLatin1String("setup")) {
        session.model = std::make_unique<ProjectSetupModel>(folder, session.host, session.stores);
        session.window = std::make_unique<ProjectSetupWindow>(*session.model);
    } else if (kind == QLatin1String("settings")) {
        session.window = std::make_unique<SettingsView>(
            session.stores.standard, session.stores.templates, session.shortcuts, session.login);
    } else if (kind == QLatin1String("onboarding")) {
        session.window = std::make_unique<OnboardingView>(
            [&session] {
                session.completed = true;
                session.window->close();
            },
            session.fileManagers, session.stores.standard);
    } else if (kind == QLatin1String("editor")) {
        // A new template of two folders, one with a subfolder.
        CustomTemplate draft;
        draft.name = QStringLiteral("Eigen");
        draft.roots = {{QUuid::createUuid(),
                        QStringLiteral("01_Footage"),
                        {{QUuid::createUuid(), QStringLiteral("RAW"), {}}}},
                       {QUuid::createUuid(), QStringLiteral("02_Audio"), {}}};
        auto *editor = new TemplateEditorWindow(session.stores.templates, draft);
        // The session owns it.
        editor->setAttribute(Qt::WA_DeleteOnClose, false);
        session.window.reset(editor);
    } else if (kind == QLatin1String("offload")) {
        // Into the project given as --folder, with each --card as a detected card.
        session.offload = std::make_unique<OffloadModel>();
        QList<offload::CardInfo> found;
        for (const QString &card : cards)
            found.append({card, QStringLiteral("A001"), offload::CardKind::video,
                          QStringLiteral("Sony XAVC")});
        session.offload->setCards(found);
        if (!found.isEmpty())
            session.offload->chooseCard(found.constFirst().root);
        session.offload->setProject(folder.value_or(QString()));
        session.window = std::make_unique<OffloadWindow>(*session.offload);
    } else {
        std::fprintf(stderr,
                     "usage: bp_a11y_window setup|settings|onboarding|editor|offload [options]\n");
        return 2;
    }
    session.host.onClose = [window = QPointer<QWidget>(session.window.get())] {
        if (window)
            window->close();
    };
    // As the window host does for every window that lists templates.
    if (SharedTemplateLibrary *shared = session.stores.templates.sharedLibrary())
        shared->setWatching(true);
    session.window->show();
    session.window->raise();
    session.window->activateWindow();

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&session, &input] {
        char buffer[512];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        static QByteArray pending;
        pending.append(buffer, got);
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            answer(session, QString::fromUtf8(pending.left(end)).trimmed());
            pending.remove(0, end + 1);
        }
    });
    say(QStringLiteral("ready"));
    const int status = QApplication::exec();
    // A run may still be writing; let it finish before the model goes.
    QThreadPool::globalInstance()->waitForDone();
    session.window.reset();
    session.model.reset();
    session.offload.reset();
    return status;
}

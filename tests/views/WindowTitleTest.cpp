// Runs "brindlepath new" on a private X server and reads the title back the way a window
// manager would: Qt may change a title on its way to the window system.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

namespace {

QString xdotool(const QString &display, const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("xdotool"), arguments);
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

TEST(WindowTitle, SetupWindowCarriesItsOwnTitleOnly)
{
    // Xvfb picks a free display and names it once it takes clients.
    QProcess server;
    server.start(QStringLiteral("Xvfb"),
                 {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "640x480x24"});
    ASSERT_TRUE(server.waitForReadyRead(30000));
    const QString display = QStringLiteral(":") + QString::fromUtf8(server.readLine()).trimmed();

    QTemporaryDir folder;
    QProcess app;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    app.setProcessEnvironment(environment);
    app.start(QStringLiteral(BP_CLI_PATH), {QStringLiteral("new"), folder.path()});
    ASSERT_TRUE(app.waitForStarted());

    // Qt tags its windows with the process id; the mapped one is the setup window.
    QString title;
    const QDeadlineTimer deadline(30000);
    while (title.isEmpty() && !deadline.hasExpired() && app.state() == QProcess::Running) {
        const QString ids = xdotool(
            display, {"search", "--onlyvisible", "--pid", QString::number(app.processId())});
        if (ids.isEmpty())
            QThread::msleep(50);
        else
            title = xdotool(display, {"getwindowname", ids.section(u'\n', 0, 0)});
    }
    app.terminate();
    app.waitForFinished();
    server.terminate();
    server.waitForFinished();
    EXPECT_EQ(title, QStringLiteral("Create Project Structure"));
}

} // namespace

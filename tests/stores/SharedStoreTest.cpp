// The stores as several processes share them: the real brindlepath binary next to stores
// living in this test process, on one private config folder.
#include "stores/CustomTemplateStore.h"
#include "stores/RecentFoldersStore.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cstring>

using namespace bp;

namespace {

struct Output {
    int status = -1;
    QString out;
    QString err;
};

class SharedStores : public testing::Test {
protected:
    QTemporaryDir m_tmp;
    QString m_configHome = m_tmp.path() + "/config";
    PreferenceSuite m_suite{PreferenceSuite::standardName, m_configHome + "/brindlepath"};

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", m_configHome);
        env.insert("BRINDLEPATH", BP_CLI_PATH);
        return env;
    }

    Output run(const QStringList &args)
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(BP_CLI_PATH, args);
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }

    QStringList storedNames()
    {
        const Output listed = run({"templates", "list", "--json"});
        QStringList names;
        for (const QJsonValue &t : QJsonDocument::fromJson(listed.out.toUtf8()).array())
            names.append(t.toObject().value("name").toString());
        return names;
    }

    static QString id(const CustomTemplate &t)
    {
        return t.id.toString(QUuid::WithoutBraces).toUpper();
    }
};

TEST_F(SharedStores, ConcurrentProcessesKeepEveryTemplate)
{
    constexpr int processes = 6;
    constexpr int savesEach = 5;
    std::vector<std::unique_ptr<QProcess>> running;
    for (int n = 0; n < processes; ++n) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(environment());
        const QString loop = QString("for i in $(seq %1); do \"$BRINDLEPATH\" templates save "
                                     "p%2_$i --template photoShoot || exit 1; done")
                                 .arg(savesEach)
                                 .arg(n);
        p->start("/bin/sh", {"-c", loop});
        running.push_back(std::move(p));
    }
    for (auto &p : running) {
        ASSERT_TRUE(p->waitForFinished(120000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    }

    QSet<QString> expected;
    for (int n = 0; n < processes; ++n)
        for (int i = 1; i <= savesEach; ++i)
            expected.insert(QString("p%1_%2").arg(n).arg(i));
    const QStringList names = storedNames();
    EXPECT_EQ(names.size(), processes * savesEach);
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()), expected);
}

TEST_F(SharedStores, OpenStoreFollowsTheCommandLineAndKeepsItsChanges)
{
    CustomTemplateStore store(m_suite);
    QSignalSpy changed(&store, &CustomTemplateStore::templatesChanged);
    ASSERT_TRUE(test::await(store.saveLater("window", {})).ok());

    CustomTemplate other{
        QUuid::createUuid(), "imported", "heart", {}, QDateTime::currentDateTimeUtc()};
    const QString file = m_tmp.filePath("in.json");
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(CustomTemplateJson::encode({other}));
    out.close();
    changed.clear();
    ASSERT_EQ(run({"templates", "import", file}).status, 0);
    ASSERT_TRUE(changed.wait(10000));
    ASSERT_EQ(store.templates().size(), 2);
    EXPECT_EQ(store.templates().last().id, other.id);

    // The window's next change is made on the file as it is now, import included.
    ASSERT_TRUE(test::await(store.saveLater("window 2", {})).ok());
    EXPECT_EQ(storedNames(), (QStringList{"window", "imported", "window 2"}));

    changed.clear();
    ASSERT_EQ(run({"templates", "delete", id(store.templates().first())}).status, 0);
    ASSERT_TRUE(changed.wait(10000));
    ASSERT_EQ(store.templates().size(), 2);
    EXPECT_EQ(store.templates().first().name, "imported");
}

TEST_F(SharedStores, FailedWriteLeavesTheListEqualToDiskAndReportsIt)
{
    CustomTemplateStore templates(m_suite);
    RecentFoldersStore recent(m_suite);
    ASSERT_TRUE(templates.save("kept", {}).ok());
    const QList<CustomTemplate> before = templates.templates();

    const QString folder = m_suite.directory();
    if (const int err = test::setImmutable(folder, true))
        GTEST_SKIP() << "the config folder cannot be made read-only here: " << std::strerror(err);
    struct Unlock {
        QString folder;
        ~Unlock() { test::setImmutable(folder, false); }
    } unlock{folder};

    const Output cli = run({"templates", "save", "lost", "--template", "hybrid"});
    EXPECT_EQ(cli.status, 1);
    EXPECT_TRUE(cli.err.contains(std::strerror(EPERM))) << cli.err.toStdString();

    QSignalSpy changed(&templates, &CustomTemplateStore::templatesChanged);
    QFuture<Result<QUuid>> saved = templates.saveLater("lost", {});
    EXPECT_EQ(templates.templates().size(), 2); // shown at once
    const Result<QUuid> result = test::await(saved);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().code, EPERM);
    EXPECT_EQ(templates.templates(), before);
    EXPECT_EQ(changed.size(), 2);

    const QString chosen = m_tmp.path();
    const Result<void> added = test::await(recent.add(chosen));
    EXPECT_FALSE(added.ok());
    EXPECT_TRUE(recent.folders().isEmpty());
}

TEST_F(SharedStores, WriterWaitsOutAnotherProcessAndItsCrashFreesTheLock)
{
    CustomTemplateStore store(m_suite);
    ASSERT_TRUE(QDir().mkpath(m_suite.directory()));
    test::LockHolder holder(m_suite.filePath() + ".lock");
    ASSERT_TRUE(holder.holding());

    // The UI thread does not wait for the lock: the change shows while the write waits.
    QFuture<Result<QUuid>> saved = store.saveLater("waiting", {});
    ASSERT_EQ(store.templates().size(), 1);
    EXPECT_FALSE(m_suite.contains(CustomTemplateStore::key));

    holder.crash();
    ASSERT_TRUE(test::await(saved).ok());
    EXPECT_EQ(CustomTemplateStore(m_suite).templates(), store.templates());
}

} // namespace

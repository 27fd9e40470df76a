#include "stores/SharedTemplateLibrary.h"
#include "sorting/MountSupport.h"
#include "stores/CustomTemplateStore.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>

using namespace bp;

namespace {

CustomTemplate shared(const QString &name)
{
    return {QUuid::createUuid(),
            name,
            "star.fill",
            {{QUuid::createUuid(), "Edit", {}}},
            QDateTime::currentDateTimeUtc()};
}

// A template folder as a studio copies it in: template.json and a file beside it.
void put(const QString &dir, const CustomTemplate &t)
{
    ASSERT_TRUE(QDir().mkpath(dir));
    for (const auto &[name, data] :
         {std::pair{QString("template.json"), CustomTemplateJson::encode({t})},
          std::pair{QString("brief.txt"), QByteArray("brief")}}) {
        QSaveFile file(dir + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
        ASSERT_TRUE(file.commit());
    }
}

QStringList names(const SharedTemplateLibrary &library)
{
    QStringList list;
    for (const CustomTemplate &t : library.templates())
        list << t.name + (t.shared ? "" : " (not shared)");
    return list;
}

QStringList everything(const QString &dir)
{
    QStringList all;
    for (QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
         it.hasNext();)
        all << it.next();
    all.sort();
    return all;
}

struct Studio {
    QTemporaryDir tmp;
    PreferenceSuite suite{"test", tmp.path() + "/config"};
};

} // namespace

// Inotify: no poll runs within the default 30 s, so every step here was heard.
TEST(SharedTemplateLibrary, FollowsTemplatesAppearingChangingAndTheFolderVanishing)
{
    Studio studio;
    const QString folder = studio.tmp.path() + "/share";
    put(folder + "/b", shared("Beta"));
    ASSERT_TRUE(QDir().mkpath(folder + "/broken"));
    ASSERT_TRUE(studio.suite.setString(SharedTemplateLibrary::preferenceKey, folder));
    SharedTemplateLibrary library(studio.suite);
    CustomTemplateStore store(studio.suite);
    store.attachShared(library);
    library.setWatching(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return library.templates().size() == 1; }));
    EXPECT_EQ(library.problems().size(), 1);
    EXPECT_EQ(library.templates().first().filesFolder, folder + "/b");

    // Copied in under a temporary name, then renamed, as file managers and rsync do.
    put(studio.tmp.path() + "/staging", shared("Alpha"));
    ASSERT_TRUE(QDir().rename(studio.tmp.path() + "/staging", folder + "/a"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return library.templates().size() == 2; }));
    EXPECT_EQ(names(library), QStringList({"Alpha", "Beta"}));
    EXPECT_EQ(store.all().size(), 2);

    CustomTemplate renamed = library.templates().last();
    renamed.name = "Beta 2";
    put(folder + "/b", renamed);
    ASSERT_TRUE(QTest::qWaitFor([&] { return names(library).contains("Beta 2"); }));
    const QStringList before = everything(folder);

    ASSERT_TRUE(QDir(folder).removeRecursively());
    ASSERT_TRUE(QTest::qWaitFor([&] { return library.isOffline(); }));
    EXPECT_TRUE(library.templates().isEmpty());
    EXPECT_TRUE(store.all().isEmpty());
    // Nothing of ours was ever written there.
    EXPECT_EQ(before,
              QStringList({folder + "/a", folder + "/a/brief.txt", folder + "/a/template.json",
                           folder + "/b", folder + "/b/brief.txt", folder + "/b/template.json",
                           folder + "/broken"}));
}

// FUSE (like SMB and NFS) is polled; the interval is shortened so the test need not wait.
TEST(SharedTemplateLibrary, PollsAShareOnFuse)
{
    Studio studio;
    test::Mount mount(test::FileSystemKind::fuseFat, studio.tmp.path());
    if (!mount.ok())
        GTEST_SKIP() << mount.error().toStdString();
    ASSERT_TRUE(studio.suite.setString(SharedTemplateLibrary::preferenceKey, mount.path()));
    SharedTemplateLibrary library(studio.suite);
    library.setPollInterval(std::chrono::milliseconds(50));
    library.setWatching(true);
    put(mount.path() + "/one", shared("Een"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return names(library) == QStringList{"Een"}; }));
    ASSERT_TRUE(QDir(mount.path() + "/one").removeRecursively());
    ASSERT_TRUE(QTest::qWaitFor([&] { return library.templates().isEmpty(); }));
    EXPECT_FALSE(library.isOffline());

    // Not watching: nothing polls, and reload() reads at once.
    library.setWatching(false);
    put(mount.path() + "/two", shared("Twee"));
    QTest::qWait(200);
    EXPECT_TRUE(library.templates().isEmpty());
    library.reload();
    EXPECT_EQ(names(library), QStringList{"Twee"});
}

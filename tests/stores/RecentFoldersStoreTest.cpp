#include "stores/RecentFoldersStore.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace bp;

namespace {

class RecentFoldersStoreTest : public testing::Test {
protected:
    QTemporaryDir m_dir;
    PreferenceSuite m_suite{PreferenceSuite::standardName, m_dir.path() + "/config"};

    QString folder(const QString &name)
    {
        const QString path = m_dir.path() + "/" + name;
        QDir().mkpath(path);
        return path;
    }
};

TEST_F(RecentFoldersStoreTest, NewestFirstDedupedAndCappedAtFive)
{
    RecentFoldersStore store(m_suite);
    EXPECT_TRUE(store.folders().isEmpty());
    int changes = 0;
    QObject::connect(&store, &RecentFoldersStore::foldersChanged, [&changes] { ++changes; });

    for (const char *name : {"a", "b", "c", "d", "e", "f"})
        ASSERT_TRUE(test::await(store.add(folder(name))).ok());
    const QStringList lastFive{folder("f"), folder("e"), folder("d"), folder("c"), folder("b")};
    EXPECT_EQ(store.folders(), lastFive);
    EXPECT_EQ(changes, 6);

    ASSERT_TRUE(test::await(store.add(folder("d") + "/")).ok());
    const QStringList moved{folder("d"), folder("f"), folder("e"), folder("c"), folder("b")};
    EXPECT_EQ(store.folders(), moved);
    EXPECT_EQ(m_suite.stringListValue(RecentFoldersStore::key), moved);
    EXPECT_EQ(RecentFoldersStore(m_suite).folders(), moved);
}

enum class Fate { kept, deleted, becameFile, relative };

std::string fateName(Fate fate)
{
    const char *const names[] = {"kept", "deleted", "becameFile", "relative"};
    return names[int(fate)];
}

class RecentFoldersStorePruning : public RecentFoldersStoreTest,
                                  public testing::WithParamInterface<Fate> {};

TEST_P(RecentFoldersStorePruning, LoadKeepsOnlyExistingFoldersWithoutWriting)
{
    const QString keep = folder("keep");
    QString other = folder("other");
    {
        RecentFoldersStore store(m_suite);
        ASSERT_TRUE(test::await(store.add(keep)).ok());
        ASSERT_TRUE(test::await(store.add(other)).ok());
    }
    switch (GetParam()) {
    case Fate::kept:
        break;
    case Fate::deleted:
        QDir(other).removeRecursively();
        break;
    case Fate::becameFile: {
        QDir(other).removeRecursively();
        QFile file(other);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        break;
    }
    case Fate::relative:
        other = QDir::current().relativeFilePath(other);
        ASSERT_TRUE(m_suite.setStringList(RecentFoldersStore::key, {other, keep}).ok());
        break;
    }
    const std::optional<QStringList> storedBefore =
        m_suite.stringListValue(RecentFoldersStore::key);

    RecentFoldersStore restarted(m_suite);
    const QStringList expected =
        GetParam() == Fate::kept ? QStringList{other, keep} : QStringList{keep};
    EXPECT_EQ(restarted.folders(), expected);
    EXPECT_EQ(m_suite.stringListValue(RecentFoldersStore::key), storedBefore);
}

INSTANTIATE_TEST_SUITE_P(Fates, RecentFoldersStorePruning,
                         testing::Values(Fate::kept, Fate::deleted, Fate::becameFile,
                                         Fate::relative),
                         [](const auto &info) { return fateName(info.param); });

TEST_F(RecentFoldersStoreTest, ValueOfAnotherTypeStartsEmpty)
{
    ASSERT_TRUE(m_suite.setString(RecentFoldersStore::key, folder("a")).ok());
    EXPECT_TRUE(RecentFoldersStore(m_suite).folders().isEmpty());
}

} // namespace

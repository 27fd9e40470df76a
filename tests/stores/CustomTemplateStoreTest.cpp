#include "stores/CustomTemplateStore.h"
#include "stores/TemplateEquality.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTimeZone>

#include <sys/stat.h>

using namespace bp;

namespace {

QList<FolderNode> structure()
{
    FolderNode footage;
    footage.name = "01_Footage";
    footage.acceptedExtensions = {"mp4"};
    footage.requiredExtra = ExtraFlag::drone;
    FolderNode raw;
    raw.name = "RAW";
    footage.children = {raw};
    FolderNode audio;
    audio.name = "02_Audio";
    return {footage, audio};
}

QByteArray document(const QList<CustomTemplate> &templates)
{
    return CustomTemplateJson::encode(templates);
}

CustomTemplate imported(const char *name, QUuid id = QUuid::createUuid())
{
    return {id,
            name,
            "heart",
            {{QUuid::createUuid(), "Folder", {}}},
            QDateTime::fromMSecsSinceEpoch(1700000000500, QTimeZone::utc())};
}

class CustomTemplateStoreTest : public testing::Test {
protected:
    QTemporaryDir m_dir;
    PreferenceSuite m_suite{PreferenceSuite::standardName, m_dir.path()};

    QList<CustomTemplate> reloaded() { return CustomTemplateStore(m_suite).templates(); }
    std::optional<QByteArray> stored() { return m_suite.dataValue(CustomTemplateStore::key); }
};

TEST_F(CustomTemplateStoreTest, SavedTemplateSurvivesARestart)
{
    CustomTemplateStore store(m_suite);
    int changes = 0;
    QObject::connect(&store, &CustomTemplateStore::templatesChanged, [&changes] { ++changes; });
    const QList<FolderNode> nodes = structure();
    const Result<QUuid> id = store.save("  My shoot ", nodes);
    ASSERT_TRUE(id.ok());
    EXPECT_EQ(changes, 1);

    const QList<CustomTemplate> after = reloaded();
    ASSERT_EQ(after.size(), 1);
    EXPECT_EQ(after.first(), store.templates().first());
    EXPECT_EQ(after.first().id, id.value());
    EXPECT_EQ(after.first().name, "  My shoot ");
    EXPECT_EQ(after.first().icon, "star.fill");
    const QList<CustomFolderNode> expectedRoots{CustomFolderNode::from(nodes.at(0)),
                                                CustomFolderNode::from(nodes.at(1))};
    EXPECT_EQ(after.first().roots, expectedRoots);
}

TEST_F(CustomTemplateStoreTest, RefusesAStructureItCouldNotReadBack)
{
    CustomTemplateStore store(m_suite);
    QList<FolderNode> nodes = structure();
    nodes.first().children.first().name = "a/b";
    EXPECT_FALSE(store.save("x", nodes).ok());
    EXPECT_TRUE(store.templates().isEmpty());
    EXPECT_FALSE(stored());
}

TEST_F(CustomTemplateStoreTest, ImportMergesByIdInDocumentOrder)
{
    CustomTemplateStore store(m_suite);
    ASSERT_TRUE(store.save("own", structure()).ok());
    const QList<CustomTemplate> before = store.templates();

    // The own export changes nothing but is written again.
    ASSERT_TRUE(m_suite.remove(CustomTemplateStore::key).ok());
    ASSERT_TRUE(store.importJSON(*store.exportAllAsJSON()).ok());
    EXPECT_EQ(store.templates(), before);
    EXPECT_EQ(stored(), document(before));

    CustomTemplate known = imported("renamed", before.first().id);
    const QUuid twice = QUuid::createUuid();
    const QList<CustomTemplate> incoming{imported("a", twice), known, imported("b", twice)};
    ASSERT_TRUE(store.importJSON(document(incoming)).ok());
    const QList<CustomTemplate> expected{before.first(), incoming.at(0), incoming.at(2)};
    EXPECT_EQ(store.templates(), expected);
    EXPECT_EQ(reloaded(), expected);

    // Both templates sharing the id go.
    ASSERT_TRUE(store.remove(twice).ok());
    EXPECT_EQ(reloaded(), QList<CustomTemplate>{before.first()});
}

TEST_F(CustomTemplateStoreTest, PutReplacesByIdInWhatIsOnDiskAndRefusesWhatCannotRender)
{
    CustomTemplateStore store(m_suite);
    CustomTemplate first = imported("first");
    const CustomTemplate second = imported("second");
    ASSERT_TRUE(store.importJSON(document({first, second})).ok());
    // Another process adds one; this store has not seen it yet.
    PreferenceSuite otherSuite{PreferenceSuite::standardName, m_dir.path()};
    const CustomTemplate third = imported("third");
    ASSERT_TRUE(CustomTemplateStore(otherSuite).importJSON(document({third})).ok());

    first.name = "renamed";
    first.projectNamePattern = "{teller}_{naam}";
    first.fields = {{"klant", "Klant", FieldKind::text, true, {}, {}, {}, {}}};
    ASSERT_TRUE(store.put(first).ok());
    const CustomTemplate added = imported("added");
    ASSERT_TRUE(store.put(added).ok());
    const QList<CustomTemplate> expected{first, second, third, added};
    EXPECT_EQ(reloaded(), expected);

    CustomTemplate bad = first;
    bad.projectNamePattern = "{naam";
    EXPECT_FALSE(store.put(bad).ok());
    bad = first;
    bad.roots.first().name = "a/b";
    EXPECT_FALSE(store.put(bad).ok());
    bad = first;
    bad.fields.append(bad.fields.first());
    EXPECT_FALSE(store.put(bad).ok());
    EXPECT_EQ(reloaded(), expected);
}

TEST_F(CustomTemplateStoreTest, EmptyImportSucceedsAndWritesTheValue)
{
    CustomTemplateStore store(m_suite);
    ASSERT_TRUE(store.importJSON("[]").ok());
    EXPECT_TRUE(store.templates().isEmpty());
    EXPECT_EQ(stored(), "[]");
    EXPECT_EQ(store.exportAllAsJSON(), "[]");
}

class CustomTemplateStoreBadImport : public CustomTemplateStoreTest,
                                     public testing::WithParamInterface<QByteArray> {};

TEST_P(CustomTemplateStoreBadImport, ChangesNothing)
{
    CustomTemplateStore store(m_suite);
    ASSERT_TRUE(store.save("own", structure()).ok());
    const QList<CustomTemplate> before = store.templates();
    const std::optional<QByteArray> value = stored();
    int changes = 0;
    QObject::connect(&store, &CustomTemplateStore::templatesChanged, [&changes] { ++changes; });

    EXPECT_FALSE(store.importJSON(GetParam()).ok());
    EXPECT_EQ(store.templates(), before);
    EXPECT_EQ(stored(), value);
    EXPECT_EQ(changes, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, CustomTemplateStoreBadImport,
    testing::Values(
        QByteArray(R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"n","icon":"i",)"
                   R"("roots":[]}])"),
        QByteArray(R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","name":"n","icon":"i",)"
                   R"("roots":[],"createdAt":"2024-01-01"}])"),
        QByteArray("not json at all")),
    [](const auto &info) {
        return test::nameByIndex(info, "missingCreatedAt", "createdAtText", "notJson");
    });

TEST_F(CustomTemplateStoreTest, UnreadableValueLeavesStoreEmptyAndValueUntouched)
{
    for (const QByteArray &bad : {QByteArray("[{\"id\":"), QByteArray("{}")}) {
        ASSERT_TRUE(m_suite.setData(CustomTemplateStore::key, bad).ok());
        EXPECT_TRUE(reloaded().isEmpty());
        EXPECT_EQ(stored(), bad);
    }
    ASSERT_TRUE(m_suite.setString(CustomTemplateStore::key, "[]").ok());
    EXPECT_TRUE(reloaded().isEmpty());
}

// One damaged template must neither hide the others nor be lost when the next change writes.
TEST_F(CustomTemplateStoreTest, DamagedValueKeepsTheRestAndIsKeptAsideByTheNextChange)
{
    const CustomTemplate good = imported("good");
    for (const auto &[from, to] : {std::pair{"\"heart\"", "null"},
                                   {"\"createdAt\":", "\"createdAt\":\"0\",\"x\":"},
                                   {"\"Folder\"", "\"a\\/b\""},
                                   {"\"Folder\"", "\"..\""}}) {
        const QByteArray value = document({good}).chopped(1) + ',' +
                                 document({imported("bad")}).mid(1).replace(from, to);
        ASSERT_TRUE(m_suite.setData(CustomTemplateStore::key, value).ok());
        CustomTemplateStore store(m_suite);
        EXPECT_EQ(store.templates(), QList{good});
        EXPECT_TRUE(store.unreadable());
        QStringList copies;
        QObject::connect(&store, &CustomTemplateStore::unreadableKept,
                         [&copies](const QString &copy) { copies.append(copy); });
        ASSERT_TRUE(store.save("new", {}).ok());
        ASSERT_TRUE(m_suite.setData(CustomTemplateStore::key, value).ok());
        ASSERT_TRUE(store.remove(good.id).ok());
        ASSERT_EQ(copies.size(), 2);
        EXPECT_TRUE(copies.last().startsWith(m_suite.filePath() + ".customTemplates.corrupt-"));
        EXPECT_NE(copies.first(), copies.last());
        for (const QString &copy : copies)
            EXPECT_EQ(FileSystem::readFile(copy).value(), value);
        EXPECT_FALSE(store.unreadable());
    }
    ASSERT_TRUE(QFile::remove(m_suite.filePath()));
    ASSERT_EQ(::mkfifo(QFile::encodeName(m_suite.filePath()).constData(), 0600), 0);
    EXPECT_TRUE(CustomTemplateStore(m_suite).unreadable());
}

} // namespace

namespace {

// The file can show a change before its write has been reported back; it must not show twice.
TEST_F(CustomTemplateStoreTest, ChangesSeenOnDiskBeforeTheirReportShowOnce)
{
    CustomTemplateStore store(m_suite);
    const QUuid twice = QUuid::createUuid();
    QFuture<Result<QUuid>> saved = store.saveLater("once", {});
    QFuture<Result<void>> merged =
        store.importJSONLater(document({imported("a", twice), imported("b", twice)}));
    PreferenceSuite::writer().waitForDone();
    Q_EMIT m_suite.changedOnDisk();
    EXPECT_EQ(store.templates().size(), 3);

    ASSERT_TRUE(test::await(saved).ok());
    ASSERT_TRUE(test::await(merged).ok());
    EXPECT_EQ(store.templates(), reloaded());
    EXPECT_EQ(store.templates().size(), 3);
}

} // namespace

#include "contract/AppGroupKeys.h"
#include "stores/Preferences.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace bp;

namespace {

const QString suiteName = QStringLiteral("suite");

void writeRaw(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

struct Typed {
    const char *label;
    std::function<Result<void>(PreferenceSuite &)> write;
    std::optional<bool> b;
    std::optional<QString> s;
    std::optional<QStringList> list;
    std::optional<QByteArray> data;
};

class PreferenceSuiteTyped : public testing::TestWithParam<Typed> {};

// Each value must come back with its own type only, read by an independent object as another
// process would.
TEST_P(PreferenceSuiteTyped, RoundTripsOnlyAsItsOwnType)
{
    QTemporaryDir dir;
    PreferenceSuite writer(suiteName, dir.path());
    ASSERT_TRUE(GetParam().write(writer).ok());
    PreferenceSuite reader(suiteName, dir.path());
    EXPECT_EQ(reader.boolValue("k"), GetParam().b);
    EXPECT_EQ(reader.stringValue("k"), GetParam().s);
    EXPECT_EQ(reader.stringListValue("k"), GetParam().list);
    EXPECT_EQ(reader.dataValue("k"), GetParam().data);
}

const QByteArray binary("\0\xff\n{\"base64\"}", 14);
INSTANTIATE_TEST_SUITE_P(
    Values, PreferenceSuiteTyped,
    testing::Values(
        Typed{"boolFalse", [](auto &s) { return s.setBool("k", false); }, false, {}, {}, {}},
        Typed{"boolTrue", [](auto &s) { return s.setBool("k", true); }, true, {}, {}, {}},
        Typed{"emptyText", [](auto &s) { return s.setString("k", ""); }, {}, "", {}, {}},
        Typed{
            "text", [](auto &s) { return s.setString("k", "Zoë/\"x\""); }, {}, "Zoë/\"x\"", {}, {}},
        Typed{"emptyList",
              [](auto &s) { return s.setStringList("k", {}); },
              {},
              {},
              QStringList(),
              {}},
        Typed{"list",
              [](auto &s) {
                  return s.setStringList("k", {"b", "a", "b"});
              },
              {},
              {},
              QStringList{"b", "a", "b"},
              {}},
        Typed{"emptyData", [](auto &s) { return s.setData("k", {}); }, {}, {}, {}, QByteArray()},
        Typed{"binaryData", [](auto &s) { return s.setData("k", binary); }, {}, {}, {}, binary}),
    [](const auto &info) { return std::string(info.param.label); });

class PreferenceSuiteForeignValue : public testing::TestWithParam<const char *> {};

// Values written by hand or by another program that match none of the four types.
TEST_P(PreferenceSuiteForeignValue, ReadsAsAbsent)
{
    QTemporaryDir dir;
    PreferenceSuite suite(suiteName, dir.path());
    writeRaw(suite.filePath(), GetParam());
    EXPECT_TRUE(suite.contains("k"));
    EXPECT_FALSE(suite.boolValue("k"));
    EXPECT_FALSE(suite.stringValue("k"));
    EXPECT_FALSE(suite.stringListValue("k"));
    EXPECT_FALSE(suite.dataValue("k"));
}

INSTANTIATE_TEST_SUITE_P(Values, PreferenceSuiteForeignValue,
                         testing::Values(R"({"k": 1})", R"({"k": null})", R"({"k": ["a", 1]})",
                                         R"({"k": {"base64": "!!not base64"}})",
                                         R"({"k": {"b64": "AA=="}})", R"({"k": {"base64": 7}})"),
                         [](const auto &info) { return test::nameFromText(info.param); });

class PreferenceSuiteCorrupt : public testing::TestWithParam<QByteArray> {};

TEST_P(PreferenceSuiteCorrupt, ReadsEmptyAndIsKeptAsideOnWrite)
{
    QTemporaryDir dir;
    PreferenceSuite suite(suiteName, dir.path());
    writeRaw(suite.filePath(), GetParam());
    EXPECT_TRUE(suite.keys().isEmpty());
    EXPECT_FALSE(suite.read("b").ok());

    ASSERT_TRUE(suite.setBool("b", true).ok());
    EXPECT_EQ(suite.keys(), QStringList{"b"});
    const QStringList aside = QDir(dir.path()).entryList({suiteName + ".json.corrupt-*"});
    ASSERT_EQ(aside.size(), 1);
    QFile kept(dir.filePath(aside.first()));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Contents, PreferenceSuiteCorrupt,
                         testing::Values(QByteArray("{\"a\": tru"), QByteArray("[1, 2]"),
                                         QByteArray("\"text\""), QByteArray("\xff\xfe{}")),
                         [](const auto &info) {
                             return test::nameByIndex(info, "truncated", "array", "text",
                                                      "notUtf8");
                         });

TEST(PreferenceSuite, WriteReplacesTheFileByRenameAndLeavesOnlyTheLockFile)
{
    QTemporaryDir dir;
    PreferenceSuite suite(suiteName, dir.path());
    ASSERT_TRUE(suite.setString("a", "1").ok());
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(suite.filePath()).constData(), &before), 0);
    ASSERT_TRUE(suite.setString("b", "2").ok());
    struct stat after {};
    ASSERT_EQ(::stat(QFile::encodeName(suite.filePath()).constData(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{suiteName + ".json", suiteName + ".json.lock"}));
}

TEST(PreferenceSuite, ObjectsOnOneFileSeeAndKeepEachOthersKeys)
{
    QTemporaryDir dir;
    PreferenceSuite first(suiteName, dir.path());
    PreferenceSuite second(suiteName, dir.path());
    ASSERT_TRUE(first.setString("a", "1").ok());
    EXPECT_EQ(second.stringValue("a"), "1");
    ASSERT_TRUE(second.setString("b", "2").ok());
    ASSERT_TRUE(first.setString("a", "3").ok());
    EXPECT_EQ(second.stringValue("a"), "3");
    EXPECT_EQ(first.stringValue("b"), "2");

    // Concurrent writers of different keys must not lose each other's updates.
    auto writeMany = [&dir](const QString &prefix) {
        PreferenceSuite suite(suiteName, dir.path());
        for (int i = 0; i < 40; ++i)
            ASSERT_TRUE(suite.setBool(prefix + QString::number(i), true).ok());
    };
    std::thread t1(writeMany, QStringLiteral("x"));
    std::thread t2(writeMany, QStringLiteral("y"));
    t1.join();
    t2.join();
    EXPECT_EQ(first.keys().size(), 2 + 80);
}

TEST(PreferenceSuite, SignalsOnlySuccessfulChanges)
{
    QTemporaryDir dir;
    PreferenceSuite suite(suiteName, dir.path());
    QStringList changed;
    QObject::connect(&suite, &PreferenceSuite::valueChanged,
                     [&changed](const QString &key) { changed.append(key); });
    ASSERT_TRUE(suite.setBool("a", true).ok());
    ASSERT_TRUE(suite.remove("a").ok());
    ASSERT_TRUE(suite.remove("never").ok());
    EXPECT_EQ(changed, (QStringList{"a", "a"}));

    // A regular file where the folder should be: the OS error comes back, nothing is signalled.
    writeRaw(dir.filePath("blocker"), "x");
    PreferenceSuite blocked(suiteName, dir.filePath("blocker/sub"));
    QObject::connect(&blocked, &PreferenceSuite::valueChanged,
                     [&changed](const QString &key) { changed.append(key); });
    const Result<void> result = blocked.setBool("a", true);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().code, ENOTDIR);
    EXPECT_TRUE(result.error().message.startsWith(dir.filePath("blocker")));
    EXPECT_EQ(changed.size(), 2);
}

TEST(PreferenceSuite, FollowsXdgConfigHomeAtEveryAccess)
{
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    PreferenceSuite suite(suiteName);
    EXPECT_EQ(suite.filePath(), dir.path() + "/brindlepath/suite.json");
    ASSERT_TRUE(suite.setBool("a", true).ok());
    EXPECT_TRUE(QFile::exists(dir.path() + "/brindlepath/suite.json"));
    EXPECT_TRUE(PreferenceSuite::appGroup().filePath().startsWith(dir.path()));

    // A relative value is invalid per the XDG rules and falls back to ~/.config.
    qputenv("XDG_CONFIG_HOME", "relative/dir");
    EXPECT_EQ(suite.filePath(), QDir::homePath() + "/.config/brindlepath/suite.json");
    qputenv("XDG_CONFIG_HOME", saved);
}

struct TemplateRaw {
    const char *json;
    std::optional<PlatformTemplate> expected;
};

class PreferencesDefaultTemplate : public testing::TestWithParam<TemplateRaw> {};

TEST_P(PreferencesDefaultTemplate, OnlyExactRawValuesCount)
{
    QTemporaryDir dir;
    PreferenceSuite suite(suiteName, dir.path());
    writeRaw(suite.filePath(), GetParam().json);
    EXPECT_EQ(Preferences::defaultTemplate(suite), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, PreferencesDefaultTemplate,
                         testing::Values(TemplateRaw{R"({"defaultTemplate": "weddingEvent"})",
                                                     PlatformTemplate::weddingEvent},
                                         TemplateRaw{R"({"defaultTemplate": "TikTokReels"})",
                                                     std::nullopt},
                                         TemplateRaw{R"({"defaultTemplate": ""})", std::nullopt},
                                         TemplateRaw{R"({"defaultTemplate": true})", std::nullopt},
                                         TemplateRaw{R"({})", std::nullopt}),
                         [](const auto &info) { return test::nameFromText(info.param.json); });

struct BasePathRaw {
    const char *label;
    const char *json;
    std::optional<QString> expected;
};

class PreferencesDefaultBasePath : public testing::TestWithParam<BasePathRaw> {};

// An empty or relative text must not put projects at the root or in the working directory.
TEST_P(PreferencesDefaultBasePath, OnlyAbsolutePathsCount)
{
    QTemporaryDir dir;
    PreferenceSuite suite(suiteName, dir.path());
    writeRaw(suite.filePath(), GetParam().json);
    EXPECT_EQ(Preferences::defaultBasePath(suite), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, PreferencesDefaultBasePath,
    testing::Values(BasePathRaw{"absolute", R"({"defaultBasePath": "/Shoots"})", "/Shoots"},
                    BasePathRaw{"empty", R"({"defaultBasePath": ""})", std::nullopt},
                    BasePathRaw{"relative", R"({"defaultBasePath": "Shoots"})", std::nullopt},
                    BasePathRaw{"absent", R"({})", std::nullopt}),
    [](const auto &info) { return std::string(info.param.label); });

TEST(Preferences, TypedKeysAndTheirAbsentMeanings)
{
    QTemporaryDir dir;
    PreferenceSuite suite(PreferenceSuite::standardName, dir.path());
    EXPECT_FALSE(Preferences::onboardingCompleted(suite));
    ASSERT_TRUE(Preferences::setOnboardingCompleted(true, suite).ok());
    EXPECT_TRUE(Preferences::onboardingCompleted(suite));

    ASSERT_TRUE(Preferences::setDefaultTemplate(PlatformTemplate::youTube, suite).ok());
    EXPECT_EQ(suite.stringValue("defaultTemplate"), "youTube");

    ASSERT_TRUE(Preferences::setDefaultBasePath("/no/such/folder", suite).ok());
    EXPECT_EQ(Preferences::defaultBasePath(suite), "/no/such/folder");
    ASSERT_TRUE(Preferences::removeDefaultBasePath(suite).ok());
    EXPECT_FALSE(suite.contains("defaultBasePath"));

    PreferenceSuite group(QString::fromLatin1(AppGroupKeys::suiteName), dir.path());
    ASSERT_TRUE(Preferences::setSelectedFolderPath("/a", group).ok());
    ASSERT_TRUE(Preferences::setSelectedFolderPath("/b", group).ok());
    EXPECT_EQ(Preferences::selectedFolderPath(group), "/b");
    EXPECT_EQ(group.stringValue("selectedFolderPath"), "/b");
}

} // namespace

// What stands where the suite or its lock should be is not ours to trust: nothing may hang,
// exhaust memory, or be written through a link we did not make.
TEST(PreferenceSuite, HostileFilesAreRefusedWithoutBlockingAndLeftAsTheyAre)
{
    QTemporaryDir dir;
    PreferenceSuite suite(suiteName, dir.path());
    suite.setReadLimit(1024);
    const QByteArray path = QFile::encodeName(suite.filePath());

    ASSERT_EQ(::mkfifo(path.constData(), 0600), 0);
    EXPECT_FALSE(suite.read("a").ok());
    EXPECT_FALSE(suite.setBool("a", true).ok());
    ::unlink(path.constData());

    ASSERT_EQ(::symlink("/dev/zero", path.constData()), 0);
    EXPECT_FALSE(suite.read("a").ok());
    EXPECT_TRUE(suite.keys().isEmpty());
    ::unlink(path.constData());

    const QByteArray big = "{\"a\": \"" + QByteArray(2048, 'x') + "\"}";
    writeRaw(suite.filePath(), big);
    const Result<QJsonValue> read = suite.read("a");
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().code, EFBIG);
    EXPECT_FALSE(suite.setBool("b", true).ok());
    QFile kept(suite.filePath());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), big);
    ::unlink(path.constData());

    const QByteArray elsewhere = QFile::encodeName(dir.filePath("elsewhere"));
    ::unlink((path + ".lock").constData());
    ASSERT_EQ(::symlink(elsewhere.constData(), (path + ".lock").constData()), 0);
    EXPECT_FALSE(suite.setBool("b", true).ok());
    EXPECT_FALSE(QFile::exists(dir.filePath("elsewhere")));
}

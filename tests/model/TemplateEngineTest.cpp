#include "model/TemplateEngine.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>

using namespace bp;

namespace {

// Every built-in folder as "path" or "path{extra,...}" where the braces list the extras that
// the folder or one of its parents requires. Written out by hand as the reference.
const std::map<PlatformTemplate, QStringList> referenceTrees{
    {PlatformTemplate::tikTokReels,
     {"01_Footage", "01_Footage/Camera_A{multiCam}", "01_Footage/Camera_B{multiCam}",
      "01_Footage/Drone{drone}", "02_Audio", "02_Audio/Music{musicLib}", "02_Audio/SFX{musicLib}",
      "02_Audio/Voice{voiceRecorder}", "03_Graphics", "04_Project_Files",
      "04_Project_Files/Drone{drone}", "05_Exports", "06_Client_Deliverables{clientDeliverables}"}},
    {PlatformTemplate::youTube,
     {"01_Footage", "01_Footage/Camera_A", "01_Footage/Camera_B{multiCam}",
      "01_Footage/Drone{drone}", "01_Footage/BRoll", "02_Audio", "02_Audio/Music{musicLib}",
      "02_Audio/SFX{musicLib}", "02_Audio/Voice{voiceRecorder}", "03_Graphics",
      "03_Graphics/Thumbnails", "04_Project_Files", "05_Exports",
      "06_Client_Deliverables{clientDeliverables}"}},
    {PlatformTemplate::photoShoot,
     {"01_RAW", "01_RAW/Camera_A{multiCam}", "01_RAW/Camera_B{multiCam}", "02_Edits", "03_Graphics",
      "04_Project_Files", "05_Exports", "06_Client_Deliverables{clientDeliverables}"}},
    {PlatformTemplate::hybrid,
     {"01_Video", "01_Video/Camera_A", "01_Video/Camera_B{multiCam}", "01_Video/Drone{drone}",
      "02_Photo", "02_Photo/RAW", "02_Photo/Edits", "03_Audio", "03_Audio/Music{musicLib}",
      "03_Audio/SFX{musicLib}", "03_Audio/Voice{voiceRecorder}", "04_Graphics", "05_Project_Files",
      "06_Exports", "07_Client_Deliverables{clientDeliverables}"}},
    {PlatformTemplate::weddingEvent,
     {"01_Footage", "01_Footage/Camera_A", "01_Footage/Camera_B{multiCam}",
      "01_Footage/Drone{drone}", "02_Photo", "02_Photo/RAW", "02_Photo/Edits", "03_Audio",
      "03_Audio/Music{musicLib}", "03_Audio/SFX{musicLib}", "03_Audio/Voice{voiceRecorder}",
      "04_Graphics", "05_Project_Files", "06_Exports",
      "07_Client_Deliverables{clientDeliverables}"}},
    {PlatformTemplate::commercial,
     {"01_Briefs_and_Approvals", "02_Footage", "02_Footage/Camera_A",
      "02_Footage/Camera_B{multiCam}", "02_Footage/Drone{drone}", "03_Photo", "03_Photo/RAW",
      "03_Photo/Edits", "04_Audio", "04_Audio/Music{musicLib}", "04_Audio/SFX{musicLib}",
      "04_Audio/Voice{voiceRecorder}", "05_Graphics", "06_Project_Files", "07_Versions",
      "08_Final_Exports", "09_Client_Deliverables{clientDeliverables}"}},
};

QStringList expectedPaths(PlatformTemplate platform, const ExtraSet &extras)
{
    QStringList paths;
    for (const QString &entry : referenceTrees.at(platform)) {
        const qsizetype brace = entry.indexOf('{');
        bool wanted = true;
        if (brace >= 0) {
            const QStringList needed = entry.mid(brace + 1).chopped(1).split(',');
            for (const QString &raw : needed)
                wanted = wanted && extras.contains(*extraFlagFromRawValue(raw));
        }
        if (wanted)
            paths.append(brace >= 0 ? entry.left(brace) : entry);
    }
    return paths;
}

void flatten(const QList<FolderNode> &nodes, const QString &prefix, QStringList &out)
{
    for (const FolderNode &node : nodes) {
        const QString path = prefix.isEmpty() ? node.name : prefix + '/' + node.name;
        out.append(path);
        flatten(node.children, path, out);
    }
}

QStringList resolvedPaths(const ProjectConfig &config)
{
    QStringList paths;
    flatten(TemplateEngine::resolve(config), QString(), paths);
    return paths;
}

ExtraSet extrasFromMask(int mask)
{
    ExtraSet set;
    for (ExtraFlag flag : allExtraFlags) {
        if (mask & (1 << int(flag)))
            set.insert(flag);
    }
    return set;
}

class BuiltInTemplates
    : public ::testing::TestWithParam<std::tuple<PlatformTemplate, int /*extras mask*/>> {};

TEST_P(BuiltInTemplates, ResolveMatchesReferenceForEveryCombinationOfExtras)
{
    const auto [platform, mask] = GetParam();
    ProjectConfig config;
    config.platform = platform;
    config.extras = extrasFromMask(mask);
    const QStringList paths = resolvedPaths(config);
    EXPECT_EQ(paths, expectedPaths(platform, config.extras));

    // The contrasts between templates that look alike.
    const bool camerasNeedMultiCam =
        platform == PlatformTemplate::tikTokReels || platform == PlatformTemplate::photoShoot;
    const bool hasCameraA = std::any_of(paths.begin(), paths.end(),
                                        [](const QString &p) { return p.endsWith("/Camera_A"); });
    EXPECT_EQ(hasCameraA, !camerasNeedMultiCam || config.extras.contains(ExtraFlag::multiCam));
    const bool hasProjectFilesDrone = paths.contains("04_Project_Files/Drone");
    EXPECT_EQ(hasProjectFilesDrone, platform == PlatformTemplate::tikTokReels &&
                                        config.extras.contains(ExtraFlag::drone));
    // The optional client folder is always last, so the numbering has no gap without it.
    const QList<FolderNode> roots = TemplateEngine::resolve(config);
    EXPECT_EQ(roots.last().name.endsWith("_Client_Deliverables"),
              config.extras.contains(ExtraFlag::clientDeliverables));
    for (int i = 0; i < roots.size(); ++i)
        EXPECT_TRUE(roots[i].name.startsWith(QString::asprintf("%02d_", i + 1)))
            << roots[i].name.toStdString();
}

// Reads as the template and its extras, e.g. youTube_drone_multiCam.
std::string templateCaseName(const ::testing::TestParamInfo<BuiltInTemplates::ParamType> &info)
{
    const auto [platform, mask] = info.param;
    // Built as a QString: GCC 12 at -O3 warns falsely (-Wrestrict) on "_" + std::string.
    QString name = rawValue(platform);
    for (int bit = 0; bit < int(allExtraFlags.size()); ++bit) {
        if (mask & (1 << bit)) {
            name += QLatin1Char('_');
            name += rawValue(allExtraFlags[bit]);
        }
    }
    if (mask == 0)
        name += QLatin1String("_noExtras");
    return name.toStdString();
}

INSTANTIATE_TEST_SUITE_P(AllTemplatesAllExtras, BuiltInTemplates,
                         ::testing::Combine(::testing::ValuesIn(allPlatformTemplates),
                                            ::testing::Range(0, 32)),
                         templateCaseName);

TEST(TemplateEngine, ExtensionListsAndRequiredExtrasTravelWithTheTree)
{
    ProjectConfig config;
    config.platform = PlatformTemplate::commercial;
    const QList<FolderNode> roots = TemplateEngine::resolve(config);
    EXPECT_EQ(roots[0].acceptedExtensions, (QStringList{"pdf", "doc", "docx"}));
    EXPECT_EQ(roots[1].acceptedExtensions.first(), "mp4");
    EXPECT_EQ(roots[1].children[1].requiredExtra, ExtraFlag::multiCam);
    EXPECT_FALSE(roots[1].children[0].requiredExtra);
    EXPECT_TRUE(roots[6].acceptedExtensions.isEmpty());
}

TEST(TemplateEngine, BuiltInIdsAreStableAcrossCalls)
{
    ProjectConfig config;
    config.platform = PlatformTemplate::youTube;
    const QList<FolderNode> first = TemplateEngine::resolve(config);
    config.extras = {};
    const QList<FolderNode> second = TemplateEngine::resolve(config);
    EXPECT_EQ(first[0].id, second[0].id);
    EXPECT_EQ(first[0].children[0].id, second[0].children[0].id);
}

CustomTemplate sampleCustom()
{
    return CustomTemplate{
        QUuid::createUuid(),
        "Mine",
        "star.fill",
        {CustomFolderNode{QUuid::createUuid(), "A", {{QUuid::createUuid(), "B", {}}}},
         CustomFolderNode{QUuid::createUuid(), "C", {}}},
        QDateTime::currentDateTimeUtc()};
}

TEST(TemplateEngine, CustomTemplateWinsOverPlatformAndExtrasWithFreshIds)
{
    const CustomTemplate custom = sampleCustom();
    ProjectConfig config;
    config.platform = PlatformTemplate::commercial;
    config.customTemplateID = custom.id;
    const QList<FolderNode> first = TemplateEngine::resolve(config, {custom});
    const QList<FolderNode> second = TemplateEngine::resolve(config, {custom});
    ASSERT_EQ(first.size(), 2);
    EXPECT_EQ(first[0].name, "A");
    EXPECT_EQ(first[0].children[0].name, "B");
    EXPECT_TRUE(first[0].acceptedExtensions.isEmpty());
    EXPECT_FALSE(first[0].requiredExtra);
    EXPECT_NE(first[0].id, second[0].id);
    EXPECT_NE(first[0].id, custom.roots[0].id);
}

TEST(TemplateEngine, MissingCustomTemplateFallsBackToBuiltIn)
{
    ProjectConfig config;
    config.platform = PlatformTemplate::photoShoot;
    config.extras = {};
    config.customTemplateID = QUuid::createUuid();
    EXPECT_EQ(resolvedPaths(config),
              (QStringList{"01_RAW", "02_Edits", "03_Graphics", "04_Project_Files", "05_Exports"}));
}

TEST(TemplateEngine, EmptyCustomTemplateYieldsNoFolders)
{
    CustomTemplate custom = sampleCustom();
    custom.roots.clear();
    ProjectConfig config;
    config.customTemplateID = custom.id;
    EXPECT_TRUE(TemplateEngine::resolve(config, {custom}).isEmpty());
}

TEST(TemplateEngine, SavedStructureRoundTripsThroughCustomNodes)
{
    ProjectConfig config;
    config.platform = PlatformTemplate::hybrid;
    const QList<FolderNode> tree = TemplateEngine::resolve(config);
    CustomTemplate custom = sampleCustom();
    custom.roots.clear();
    for (const FolderNode &node : tree)
        custom.roots.append(CustomFolderNode::from(node));
    EXPECT_EQ(custom.roots[0].id, tree[0].id);
    config.customTemplateID = custom.id;
    QStringList fromCustom;
    flatten(TemplateEngine::resolve(config, {custom}), QString(), fromCustom);
    QStringList original;
    flatten(tree, QString(), original);
    EXPECT_EQ(fromCustom, original);
}

} // namespace

namespace {

TEST(FolderTrees, CompareByValueThroughTheirLists)
{
    ProjectConfig config;
    const QList<FolderNode> a = TemplateEngine::resolve(config);
    QList<FolderNode> b = a;
    EXPECT_EQ(a, b);
    b[0].children[1].name = "Other";
    EXPECT_NE(a, b);
    const QList<CustomFolderNode> custom{CustomFolderNode::from(a[0])};
    EXPECT_EQ(custom, QList<CustomFolderNode>{CustomFolderNode::from(a[0])});
}

} // namespace

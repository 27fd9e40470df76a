#include "model/ProjectConfig.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace bp;

namespace {

struct BatchCase {
    const char *label;
    QString text;
    QStringList expected;
};

class BatchNames : public ::testing::TestWithParam<BatchCase> {};

TEST_P(BatchNames, SplitsTrimsAndKeepsOrder)
{
    ProjectConfig config;
    config.batchNames = GetParam().text;
    EXPECT_EQ(config.batchProjectNames(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BatchNames,
    ::testing::Values(BatchCase{"blanksAndEmptyLines",
                                "  Nike_Shoot  \n\n\nAdidas_Shoot\n   ",
                                {"Nike_Shoot", "Adidas_Shoot"}},
                      BatchCase{"duplicatesStay", "Alpha\nAlpha", {"Alpha", "Alpha"}},
                      BatchCase{"empty", "", {}}, BatchCase{"allBlank", " \n\t\n \u00a0 \n", {}},
                      BatchCase{"carriageReturnsTrimmed", "One\r\nTwo\r\n", {"One", "Two"}},
                      BatchCase{"unicodeSpacesTrimmed", "\u2003Zomer\u3000\n", {"Zomer"}},
                      BatchCase{"innerSpacesKept", "  Nike  Zomer  ", {"Nike  Zomer"}},
                      BatchCase{"forbiddenCharactersKept", "a/b:c", {"a/b:c"}}),
    [](const auto &info) { return std::string(info.param.label); });

TEST(RawValues, RoundTripEveryCase)
{
    for (PlatformTemplate p : allPlatformTemplates)
        EXPECT_EQ(platformTemplateFromRawValue(rawValue(p)), p);
    for (ExtraFlag e : allExtraFlags)
        EXPECT_EQ(extraFlagFromRawValue(rawValue(e)), e);
    for (ProjectType t : allProjectTypes)
        EXPECT_EQ(projectTypeFromRawValue(rawValue(t)), t);
}

class RejectedRawValue : public ::testing::TestWithParam<const char *> {};

TEST_P(RejectedRawValue, YieldsNoValue)
{
    const QString raw = QString::fromUtf8(GetParam());
    EXPECT_FALSE(platformTemplateFromRawValue(raw));
    EXPECT_FALSE(extraFlagFromRawValue(raw));
    EXPECT_FALSE(projectTypeFromRawValue(raw));
}

INSTANTIATE_TEST_SUITE_P(CaseSensitive, RejectedRawValue,
                         ::testing::Values("TikTokReels", "", " youTube", "Video", "DRONE",
                                           "weddingevent"),
                         [](const auto &info) { return test::nameFromText(info.param); });

TEST(RawValues, ExactStoredForms)
{
    EXPECT_EQ(platformTemplateFromRawValue("weddingEvent"), PlatformTemplate::weddingEvent);
    EXPECT_EQ(rawValue(PlatformTemplate::tikTokReels), "tikTokReels");
    EXPECT_EQ(rawValue(ExtraFlag::clientDeliverables), "clientDeliverables");
    EXPECT_EQ(displayName(PlatformTemplate::hybrid), "Hybrid (Photo + Video)");
    EXPECT_EQ(displayName(ExtraFlag::musicLib), "Music & SFX library");
    EXPECT_EQ(icon(PlatformTemplate::hybrid), "camera.on.rectangle");
}

TEST(ProjectConfigDefaults, NewConfiguration)
{
    const ProjectConfig config;
    EXPECT_EQ(config.extras.toList(), (QList<ExtraFlag>{ExtraFlag::drone, ExtraFlag::multiCam}));
    EXPECT_TRUE(config.sortExistingFiles);
    EXPECT_EQ(config.platform, PlatformTemplate::tikTokReels);
    EXPECT_EQ(config.type, ProjectType::video);
    EXPECT_FALSE(config.targetFolderURL);
    EXPECT_FALSE(config.customTemplateID);
    EXPECT_FALSE(config.batchMode);
}

} // namespace

#include "ProjectConfig.h"

#include <algorithm>
#include <bit>

namespace bp {
namespace {

struct ProjectTypeInfo {
    const char *raw;
    const char *display;
};
struct PlatformInfo {
    const char *raw;
    const char *display;
    const char *icon;
};

constexpr std::array<ProjectTypeInfo, 3> projectTypeInfo{{
    {"video", "Video"},
    {"photo", "Photo"},
    {"hybrid", "Hybrid"},
}};

constexpr std::array<PlatformInfo, 6> platformInfo{{
    {"tikTokReels", "TikTok / Reels", "iphone"},
    {"youTube", "YouTube Long-form", "play.rectangle"},
    {"photoShoot", "Photo Shoot (client)", "camera"},
    {"hybrid", "Hybrid (Photo + Video)", "camera.on.rectangle"},
    {"weddingEvent", "Wedding / Event", "heart"},
    {"commercial", "Commercial / Brand", "briefcase"},
}};

constexpr std::array<ProjectTypeInfo, 5> extraInfo{{
    {"drone", "Drone footage"},
    {"multiCam", "Multi-camera (Camera A/B)"},
    {"voiceRecorder", "Voice recorder / lavalier"},
    {"musicLib", "Music & SFX library"},
    {"clientDeliverables", "Client deliverables folder"},
}};

template <typename Enum, typename Table, std::size_t N>
std::optional<Enum> fromRaw(const QString &raw, const Table &table,
                            const std::array<Enum, N> &cases)
{
    for (std::size_t i = 0; i < N; ++i) {
        if (raw == QLatin1String(table[i].raw))
            return cases[i];
    }
    return std::nullopt;
}

} // namespace

QString rawValue(ProjectType type)
{
    return QString::fromLatin1(projectTypeInfo[int(type)].raw);
}
QString rawValue(PlatformTemplate platform)
{
    return QString::fromLatin1(platformInfo[int(platform)].raw);
}
QString rawValue(ExtraFlag extra)
{
    return QString::fromLatin1(extraInfo[int(extra)].raw);
}

QString displayName(ProjectType type)
{
    return QString::fromUtf8(projectTypeInfo[int(type)].display);
}
QString displayName(PlatformTemplate platform)
{
    return QString::fromUtf8(platformInfo[int(platform)].display);
}
QString displayName(ExtraFlag extra)
{
    return QString::fromUtf8(extraInfo[int(extra)].display);
}

QString icon(PlatformTemplate platform)
{
    return QString::fromLatin1(platformInfo[int(platform)].icon);
}

std::optional<ProjectType> projectTypeFromRawValue(const QString &raw)
{
    return fromRaw(raw, projectTypeInfo, allProjectTypes);
}
std::optional<PlatformTemplate> platformTemplateFromRawValue(const QString &raw)
{
    return fromRaw(raw, platformInfo, allPlatformTemplates);
}
std::optional<ExtraFlag> extraFlagFromRawValue(const QString &raw)
{
    return fromRaw(raw, extraInfo, allExtraFlags);
}

ExtraSet::ExtraSet(std::initializer_list<ExtraFlag> flags)
{
    for (ExtraFlag flag : flags)
        insert(flag);
}

int ExtraSet::size() const
{
    return std::popcount(m_bits);
}

QList<ExtraFlag> ExtraSet::toList() const
{
    QList<ExtraFlag> list;
    for (ExtraFlag flag : allExtraFlags) {
        if (contains(flag))
            list.append(flag);
    }
    return list;
}

QStringList ProjectConfig::batchProjectNames() const
{
    QStringList names;
    const QStringList lines = batchNames.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        // QString::trimmed covers the Unicode white-space and line-break classes.
        const QString name = line.trimmed();
        if (!name.isEmpty())
            names.append(name);
    }
    return names;
}

bool operator==(const FolderNode &a, const FolderNode &b)
{
    return a.id == b.id && a.name == b.name && a.acceptedExtensions == b.acceptedExtensions &&
           a.requiredExtra == b.requiredExtra && a.files == b.files &&
           std::equal(a.children.begin(), a.children.end(), b.children.begin(), b.children.end());
}

int countFolders(const QList<FolderNode> &nodes)
{
    int count = 0;
    for (const FolderNode &node : nodes)
        count += 1 + countFolders(node.children);
    return count;
}

} // namespace bp

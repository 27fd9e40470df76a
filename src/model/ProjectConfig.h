#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <array>
#include <cstdint>
#include <optional>

namespace bp {

enum class ProjectType { video, photo, hybrid };

enum class PlatformTemplate { tikTokReels, youTube, photoShoot, hybrid, weddingEvent, commercial };

enum class ExtraFlag { drone, multiCam, voiceRecorder, musicLib, clientDeliverables };

// Every case in declaration order, which is also the display order.
inline constexpr std::array<ProjectType, 3> allProjectTypes{ProjectType::video, ProjectType::photo,
                                                            ProjectType::hybrid};
inline constexpr std::array<PlatformTemplate, 6> allPlatformTemplates{
    PlatformTemplate::tikTokReels, PlatformTemplate::youTube,      PlatformTemplate::photoShoot,
    PlatformTemplate::hybrid,      PlatformTemplate::weddingEvent, PlatformTemplate::commercial};
inline constexpr std::array<ExtraFlag, 5> allExtraFlags{
    ExtraFlag::drone, ExtraFlag::multiCam, ExtraFlag::voiceRecorder, ExtraFlag::musicLib,
    ExtraFlag::clientDeliverables};

// The raw value is the case name and the only stored form of a case.
QString rawValue(ProjectType type);
QString rawValue(PlatformTemplate platform);
QString rawValue(ExtraFlag extra);

QString displayName(ProjectType type);
QString displayName(PlatformTemplate platform);
QString displayName(ExtraFlag extra);

// Symbol name of the template's icon ("iphone", "camera", ...).
QString icon(PlatformTemplate platform);

// Exact, case-sensitive match of the raw value; anything else yields no value.
std::optional<ProjectType> projectTypeFromRawValue(const QString &raw);
std::optional<PlatformTemplate> platformTemplateFromRawValue(const QString &raw);
std::optional<ExtraFlag> extraFlagFromRawValue(const QString &raw);

// A set of extras, iterated in declaration order.
class ExtraSet {
public:
    ExtraSet() = default;
    ExtraSet(std::initializer_list<ExtraFlag> flags);

    bool contains(ExtraFlag flag) const { return m_bits & bit(flag); }
    void insert(ExtraFlag flag) { m_bits |= bit(flag); }
    void remove(ExtraFlag flag) { m_bits &= ~bit(flag); }
    void toggle(ExtraFlag flag) { m_bits ^= bit(flag); }
    bool isEmpty() const { return m_bits == 0; }
    int size() const;
    QList<ExtraFlag> toList() const;

    friend bool operator==(const ExtraSet &, const ExtraSet &) = default;

private:
    static constexpr std::uint8_t bit(ExtraFlag flag) { return std::uint8_t(1u << int(flag)); }
    std::uint8_t m_bits = 0;
};

// A file a project gets from its template.
struct PlannedFile {
    QString name;       // rendered and made safe; as typed when it does not render
    QString sourcePath; // absolute: the template's copy
    bool render = false;

    friend bool operator==(const PlannedFile &, const PlannedFile &) = default;
};

struct FolderNode {
    QUuid id = QUuid::createUuid();
    QString name;
    QList<FolderNode> children;
    QStringList acceptedExtensions;
    std::optional<ExtraFlag> requiredExtra;
    QList<PlannedFile> files = {};
};

// Defined out of line: a defaulted comparison would ask QList<FolderNode> for its operator==
// while FolderNode is still incomplete, and Qt would then treat nodes as not comparable.
bool operator==(const FolderNode &a, const FolderNode &b);
inline bool operator!=(const FolderNode &a, const FolderNode &b)
{
    return !(a == b);
}

struct ProjectConfig {
    QString projectName;
    ProjectType type = ProjectType::video;
    PlatformTemplate platform = PlatformTemplate::tikTokReels;
    ExtraSet extras{ExtraFlag::drone, ExtraFlag::multiCam};
    bool sortExistingFiles = true;
    std::optional<QString> targetFolderURL; // absolute folder path
    std::optional<QUuid> customTemplateID;
    bool batchMode = false;
    QString batchNames;
    // The custom template's field values by key, as typed; fields not here take their default.
    QHash<QString, QString> fieldValues = {};

    // The project names of batch mode: one per line, trimmed, blanks dropped, duplicates kept.
    QStringList batchProjectNames() const;

    friend bool operator==(const ProjectConfig &, const ProjectConfig &) = default;
};

// Counts the folders of a tree, every level included.
int countFolders(const QList<FolderNode> &nodes);

} // namespace bp

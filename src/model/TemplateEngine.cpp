#include "TemplateEngine.h"

namespace bp::TemplateEngine {
namespace {

const QStringList videoExts{"mp4", "mov", "mxf", "avi", "mts", "m2ts", "braw", "r3d"};
const QStringList audioExts{"wav", "mp3", "aiff", "flac", "m4a", "ogg"};
const QStringList graphicsExts{"psd", "ai", "indd", "pdf", "sketch", "fig"};
const QStringList projectFileExts{"prproj", "drp", "fcpbundle", "aep"};
const QStringList rawPhotoExts{"arw", "cr2", "cr3", "nef", "dng", "raf", "orf", "rw2"};
const QStringList processedPhotoExts{"jpg", "jpeg", "png", "heic", "tiff", "webp"};
const QStringList briefExts{"pdf", "doc", "docx"};

FolderNode node(const char *name, QStringList exts = {}, QList<FolderNode> children = {})
{
    return FolderNode{QUuid::createUuid(), QString::fromUtf8(name), std::move(children),
                      std::move(exts), std::nullopt};
}

FolderNode optional(const char *name, ExtraFlag extra)
{
    FolderNode n = node(name);
    n.requiredExtra = extra;
    return n;
}

QList<FolderNode> audioChildren()
{
    return {optional("Music", ExtraFlag::musicLib), optional("SFX", ExtraFlag::musicLib),
            optional("Voice", ExtraFlag::voiceRecorder)};
}

QList<FolderNode> buildTikTokReels()
{
    return {
        node("01_Footage", videoExts,
             {optional("Camera_A", ExtraFlag::multiCam), optional("Camera_B", ExtraFlag::multiCam),
              optional("Drone", ExtraFlag::drone)}),
        node("02_Audio", audioExts, audioChildren()),
        node("03_Graphics", graphicsExts),
        node("04_Project_Files", projectFileExts, {optional("Drone", ExtraFlag::drone)}),
        node("05_Exports"),
        optional("06_Client_Deliverables", ExtraFlag::clientDeliverables),
    };
}

QList<FolderNode> buildYouTube()
{
    return {
        node("01_Footage", videoExts,
             {node("Camera_A"), optional("Camera_B", ExtraFlag::multiCam),
              optional("Drone", ExtraFlag::drone), node("BRoll")}),
        node("02_Audio", audioExts, audioChildren()),
        node("03_Graphics", graphicsExts, {node("Thumbnails")}),
        node("04_Project_Files", projectFileExts),
        node("05_Exports"),
        optional("06_Client_Deliverables", ExtraFlag::clientDeliverables),
    };
}

QList<FolderNode> buildPhotoShoot()
{
    return {
        node(
            "01_RAW", rawPhotoExts,
            {optional("Camera_A", ExtraFlag::multiCam), optional("Camera_B", ExtraFlag::multiCam)}),
        node("02_Edits", processedPhotoExts),
        node("03_Graphics", graphicsExts),
        node("04_Project_Files", projectFileExts),
        node("05_Exports"),
        optional("06_Client_Deliverables", ExtraFlag::clientDeliverables),
    };
}

// The hybrid and wedding trees differ only in the name of the first root.
QList<FolderNode> buildHybridLike(const char *firstRootName)
{
    return {
        node(firstRootName, videoExts,
             {node("Camera_A"), optional("Camera_B", ExtraFlag::multiCam),
              optional("Drone", ExtraFlag::drone)}),
        node("02_Photo", rawPhotoExts, {node("RAW"), node("Edits")}),
        node("03_Audio", audioExts, audioChildren()),
        node("04_Graphics", graphicsExts),
        node("05_Project_Files", projectFileExts),
        node("06_Exports"),
        optional("07_Client_Deliverables", ExtraFlag::clientDeliverables),
    };
}

QList<FolderNode> buildCommercial()
{
    return {
        node("01_Briefs_and_Approvals", briefExts),
        node("02_Footage", videoExts,
             {node("Camera_A"), optional("Camera_B", ExtraFlag::multiCam),
              optional("Drone", ExtraFlag::drone)}),
        node("03_Photo", rawPhotoExts, {node("RAW"), node("Edits")}),
        node("04_Audio", audioExts, audioChildren()),
        node("05_Graphics", graphicsExts),
        node("06_Project_Files", projectFileExts),
        node("07_Versions"),
        node("08_Final_Exports"),
        optional("09_Client_Deliverables", ExtraFlag::clientDeliverables),
    };
}

QList<FolderNode> filterExtras(const QList<FolderNode> &nodes, const ExtraSet &extras)
{
    QList<FolderNode> result;
    result.reserve(nodes.size());
    for (const FolderNode &n : nodes) {
        if (n.requiredExtra && !extras.contains(*n.requiredExtra))
            continue;
        FolderNode copy = n;
        copy.children = filterExtras(n.children, extras);
        result.append(std::move(copy));
    }
    return result;
}

} // namespace

const QList<FolderNode> &builtInTree(PlatformTemplate platform)
{
    // Function-local statics: built once on first use, safe against concurrent first use,
    // so node ids stay stable for the life of the process.
    switch (platform) {
    case PlatformTemplate::tikTokReels: {
        static const QList<FolderNode> tree = buildTikTokReels();
        return tree;
    }
    case PlatformTemplate::youTube: {
        static const QList<FolderNode> tree = buildYouTube();
        return tree;
    }
    case PlatformTemplate::photoShoot: {
        static const QList<FolderNode> tree = buildPhotoShoot();
        return tree;
    }
    case PlatformTemplate::hybrid: {
        static const QList<FolderNode> tree = buildHybridLike("01_Video");
        return tree;
    }
    case PlatformTemplate::weddingEvent: {
        static const QList<FolderNode> tree = buildHybridLike("01_Footage");
        return tree;
    }
    case PlatformTemplate::commercial: {
        static const QList<FolderNode> tree = buildCommercial();
        return tree;
    }
    }
    Q_UNREACHABLE();
    static const QList<FolderNode> none;
    return none;
}

QList<FolderNode> resolve(const ProjectConfig &config, const QList<CustomTemplate> &customTemplates)
{
    if (config.customTemplateID) {
        for (const CustomTemplate &custom : customTemplates) {
            if (custom.id != *config.customTemplateID)
                continue;
            QList<FolderNode> roots;
            roots.reserve(custom.roots.size());
            for (const CustomFolderNode &root : custom.roots)
                roots.append(root.toFolderNode());
            return roots;
        }
    }
    return filterExtras(builtInTree(config.platform), config.extras);
}

} // namespace bp::TemplateEngine

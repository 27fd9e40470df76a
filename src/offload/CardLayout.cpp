#include "offload/CardLayout.h"

#include "model/PathComponent.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <initializer_list>

namespace bp::offload {

namespace {

// Cards are FAT or exFAT, where names match in any case; a copy on another file system
// keeps whatever case the camera wrote. One listing per folder, never a walk.
QStringList entries(const QString &dir, QDir::Filters filters)
{
    return QDir(dir).entryList(filters | QDir::NoDotAndDotDot, QDir::Name);
}

QString childFolder(const QString &dir, const QString &name)
{
    for (const QString &entry : entries(dir, QDir::Dirs))
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir + QLatin1Char('/') + entry;
    return {};
}

bool hasFolder(const QString &dir, const QString &relative)
{
    QString at = dir;
    for (const QString &part : relative.split(QLatin1Char('/'))) {
        at = childFolder(at, part);
        if (at.isEmpty())
            return false;
    }
    return true;
}

bool hasSuffix(const QString &name, const QString &suffix)
{
    return name.endsWith(QLatin1Char('.') + suffix, Qt::CaseInsensitive);
}

bool isGoPro(const QString &root, const QString &dcim)
{
    static const QRegularExpression goProFolder(QStringLiteral("^\\d{3}GOPRO$"),
                                                QRegularExpression::CaseInsensitiveOption);
    for (const QString &folder : entries(dcim, QDir::Dirs))
        if (goProFolder.match(folder).hasMatch())
            return true;
    // Later models write DCIM/100MEDIA with GoPro's own file names and their MISC folder.
    if (!hasFolder(root, QStringLiteral("MISC")))
        return false;
    static const QRegularExpression goProFile(QStringLiteral("^(GOPR|GX|GH)\\d+\\.MP4$"),
                                              QRegularExpression::CaseInsensitiveOption);
    for (const QString &folder : entries(dcim, QDir::Dirs))
        for (const QString &file : entries(dcim + QLatin1Char('/') + folder, QDir::Files))
            if (goProFile.match(file).hasMatch())
                return true;
    return false;
}

bool isRecorderFolder(const QString &name)
{
    static const QRegularExpression recorder(
        QStringLiteral("^(FOLDER\\d{2}|MULTI|STEREO|MONO|ZOOM\\w*|SOUND)$"),
        QRegularExpression::CaseInsensitiveOption);
    return recorder.match(name).hasMatch();
}

// Recorders without such folders (Sound Devices' dated folders, many others) hold WAV files
// only, in the root or one level down.
bool holdsOnlyWav(const QString &root)
{
    bool any = false;
    const auto check = [&any](const QStringList &files) {
        for (const QString &file : files) {
            if (!hasSuffix(file, QStringLiteral("wav")))
                return false;
            any = true;
        }
        return true;
    };
    if (!check(entries(root, QDir::Files)))
        return false;
    for (const QString &folder : entries(root, QDir::Dirs))
        if (folder != QLatin1String("System Volume Information") &&
            !check(entries(root + QLatin1Char('/') + folder, QDir::Files)))
            return false;
    return any;
}

std::optional<std::pair<CardKind, QString>> recogniseLayout(const QString &root)
{
    using Layout = std::pair<const char *, const char *>;
    for (const auto &[folder, layout] :
         {Layout{"PRIVATE/M4ROOT", "Sony XAVC"}, Layout{"XDROOT", "Sony XDCAM"},
          Layout{"CONTENTS/CLIPS001", "Canon XF"}, Layout{"PRIVATE/AVCHD", "AVCHD"}})
        if (hasFolder(root, QLatin1String(folder)))
            return std::pair(CardKind::video, QLatin1String(layout));
    const QStringList files = entries(root, QDir::Files);
    for (const QString &file : files)
        if (hasSuffix(file, QStringLiteral("braw")))
            return std::pair(CardKind::video, QStringLiteral("Blackmagic RAW"));
    if (const QString dcim = childFolder(root, QStringLiteral("DCIM")); !dcim.isEmpty())
        return isGoPro(root, dcim) ? std::pair(CardKind::video, QStringLiteral("GoPro"))
                                   : std::pair(CardKind::photo, QStringLiteral("DCIM"));
    for (const QString &folder : entries(root, QDir::Dirs))
        if (isRecorderFolder(folder))
            return std::pair(CardKind::audio, QStringLiteral("Geluidsrecorder"));
    if (holdsOnlyWav(root))
        return std::pair(CardKind::audio, QStringLiteral("Geluidsrecorder"));
    return std::nullopt;
}

// Folder names are split into words so that "RAW" finds "03_RAW" but not "Drawings".
bool nameHasWord(const QString &name, std::initializer_list<const char *> words)
{
    static const QRegularExpression separators(QStringLiteral("[^\\p{L}]+"));
    for (const QString &part : name.split(separators, Qt::SkipEmptyParts))
        for (const char *word : words)
            if (part.startsWith(QLatin1String(word), Qt::CaseInsensitive))
                return true;
    return false;
}

} // namespace

std::optional<CardInfo> recogniseCard(const QString &root, const QString &label)
{
    const auto layout = recogniseLayout(root);
    if (!layout)
        return std::nullopt;
    const QString name = label.trimmed().isEmpty() ? QFileInfo(root).fileName() : label;
    return CardInfo{root, name, layout->first, layout->second};
}

QString defaultOffloadFolder(const QString &project, const CardInfo &card)
{
    const auto find = [&project](std::initializer_list<const char *> words) {
        for (const QString &folder : entries(project, QDir::Dirs))
            if (nameHasWord(folder, words))
                return project + QLatin1Char('/') + folder;
        return QString();
    };
    const PathComponent::Safe safe = PathComponent::makeSafe(card.label);
    const QString label = safe.tooLong ? QStringLiteral("Kaart") : safe.text;
    QString parent;
    switch (card.kind) {
    case CardKind::video:
        parent = find({"footage", "video", "beeld", "film", "clips", "rushes"});
        break;
    case CardKind::photo:
        // The camera's own DCIM folders keep photo cards apart inside it.
        if (const QString photos = find({"foto", "photo", "raw", "stills", "picture"});
            !photos.isEmpty())
            return photos;
        break;
    case CardKind::audio:
        parent = find({"audio", "geluid", "sound"});
        break;
    }
    return (parent.isEmpty() ? project : parent) + QLatin1Char('/') + label;
}

} // namespace bp::offload

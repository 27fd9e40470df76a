#include "FileSorterDetail.h"

#include "Clock.h"
#include "FileMove.h"
#include "model/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>

namespace bp::FileSorter {
namespace {

// Bounds the retries when other processes keep taking the names we pick.
constexpr int maxNameAttempts = 1000;

QString absoluteFolder(const QString &path)
{
    return QDir::cleanPath(QDir(path).absolutePath());
}

QString parentOf(const QString &path)
{
    return path.left(path.lastIndexOf(QLatin1Char('/')));
}

// The text after the last dot; a leading dot starts a hidden name, not an extension.
qsizetype extensionDot(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 && dot < name.size() - 1 ? dot : -1;
}

// File managers hide the names listed, one a line, in a folder's ".hidden" file.
QSet<QByteArray> hiddenNames(const QString &folder)
{
    QSet<QByteArray> names;
    QFile file(folder + QStringLiteral("/.hidden"));
    if (!file.open(QIODevice::ReadOnly))
        return names;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            names.insert(line);
    }
    return names;
}

struct DirCloser {
    void operator()(DIR *dir) const { ::closedir(dir); }
};

Result<QString> moveResolvingConflicts(const QString &source, const QString &proposed,
                                       const SortHooks &hooks,
                                       const FileMove::CopyProgress &progress)
{
    // The no-replace move is itself the existence test, so the proposed name is tried
    // first; only a taken name costs a search for a free one.
    QString target = proposed;
    bool parentRetried = false;
    for (int attempt = 0; attempt < maxNameAttempts; ++attempt) {
        if (hooks.beforeMove)
            hooks.beforeMove(source, target);
        const Result<void> moved = FileMove::moveNoReplace(source, target, progress);
        if (moved)
            return target;
        const int err = moved.error().code;
        // Taken, perhaps by someone else after we picked it: pick again.
        if (err == EEXIST) {
            target = resolveConflict(proposed);
            continue;
        }
        // The destination folder was made earlier in this run and removed since.
        if (err == ENOENT && !parentRetried && !FileSystem::isDirectory(parentOf(target))) {
            parentRetried = true;
            if (const Result<void> made = FileSystem::makePath(parentOf(target)); !made)
                return made.error();
            continue;
        }
        return moved.error();
    }
    return Error::fromErrno(EEXIST, proposed);
}

// Extension to "/folder/.../" of the first rule that lists it, built once from the table.
const QHash<QString, QString> &folderByExtension()
{
    static const QHash<QString, QString> folders = [] {
        QHash<QString, QString> map;
        for (const SortingRule &rule : sortingRules()) {
            QString folder = QStringLiteral("/");
            for (const QString &part : rule.destinationPath.split(u'/', Qt::SkipEmptyParts))
                folder += part + u'/';
            for (const QString &extension : rule.extensions) {
                if (!map.contains(extension))
                    map.insert(extension, folder);
            }
        }
        return map;
    }();
    return folders;
}

} // namespace

const QList<SortingRule> &sortingRules()
{
    static const QList<SortingRule> rules = {
        {{"mp4", "mov", "mxf", "avi", "mts", "m2ts", "braw", "r3d"}, "01_Footage"},
        {{"arw", "cr2", "cr3", "nef", "dng", "raf", "orf", "rw2"}, "01_Footage/RAW"},
        {{"jpg", "jpeg", "png", "heic", "tiff", "webp"}, "01_Footage/Edits"},
        {{"wav", "mp3", "aiff", "flac", "m4a", "ogg"}, "02_Audio"},
        {{"psd", "ai", "indd", "sketch", "fig"}, "03_Graphics"},
        {{"pdf"}, "03_Graphics"},
        {{"prproj", "drp", "fcpbundle", "aep"}, "04_Project_Files"},
    };
    return rules;
}

const QRegularExpression *exportPattern()
{
    static const QRegularExpression pattern = [] {
        QRegularExpression re(QStringLiteral(R"(_v\d{2,}|\bexport\b|\bfinal\b)"),
                              QRegularExpression::CaseInsensitiveOption |
                                  QRegularExpression::UseUnicodePropertiesOption);
        // Compile inside the one-time initialisation, not lazily by whichever thread
        // matches first.
        re.optimize();
        return re;
    }();
    return pattern.isValid() ? &pattern : nullptr;
}

std::optional<QString> destinationURL(const QString &filePath, const QString &projectFolder)
{
    const QString name = filePath.mid(filePath.lastIndexOf(u'/') + 1);
    if (const QRegularExpression *pattern = exportPattern();
        pattern && pattern->match(name).hasMatch())
        return projectFolder + QStringLiteral("/05_Exports/") + name;

    const qsizetype dot = extensionDot(name);
    if (dot < 0)
        return std::nullopt;
    const auto folder = folderByExtension().constFind(name.mid(dot + 1).toLower());
    if (folder == folderByExtension().cend())
        return std::nullopt;
    return projectFolder + *folder + name;
}

QString resolveConflict(const QString &proposed, const ExistsFunction &exists)
{
    if (!exists(proposed))
        return proposed;
    const qsizetype slash = proposed.lastIndexOf(QLatin1Char('/'));
    const QString folder = proposed.left(slash + 1);
    const QString name = proposed.mid(slash + 1);
    const qsizetype dot = extensionDot(name);
    const QString base = dot < 0 ? name : name.left(dot);
    const QString suffix = dot < 0 ? QString() : name.mid(dot);
    for (qint64 n = 1;; ++n) {
        const QString candidate = folder + base + QLatin1Char('_') +
                                  QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0')) + suffix;
        if (!exists(candidate))
            return candidate;
    }
}

QString resolveConflict(const QString &proposed)
{
    return resolveConflict(proposed, FileSystem::exists);
}

Result<QStringList> looseFileNames(const QString &folder)
{
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(QFile::encodeName(folder).constData()));
    if (!dir)
        return Error::fromErrno(errno, folder);
    const int fd = ::dirfd(dir.get());
    QList<QByteArray> names;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir.get());
        if (!entry) {
            if (errno != 0)
                return Error::fromErrno(errno, folder);
            break;
        }
        // Also drops "." and "..".
        if (entry->d_name[0] == '.')
            continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type != DT_DIR && entry->d_type != DT_REG) {
            // Follows symlinks: a link to a folder stays like the folder. An entry that
            // cannot be examined is treated as a file.
            struct stat st;
            isFolder = ::fstatat(fd, entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
        if (!isFolder)
            names.append(QByteArray(entry->d_name));
    }

    const QSet<QByteArray> hidden = hiddenNames(folder);
    // Byte order, as "LC_ALL=C ls" shows them: reproducible whatever the locale.
    std::sort(names.begin(), names.end());
    QStringList result;
    result.reserve(names.size());
    for (const QByteArray &native : std::as_const(names)) {
        if (hidden.contains(native))
            continue;
        const QString name = QFile::decodeName(native);
        // A name that is not valid in the locale's encoding could not be found again.
        const bool ascii = std::all_of(native.cbegin(), native.cend(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        if (!ascii && QFile::encodeName(name) != native)
            continue;
        result.append(name);
    }
    return result;
}

SortOutcome sortFiles(const QString &sourceFolder, const QString &projectFolder,
                      const SortHooks &hooks)
{
    const QString from = absoluteFolder(sourceFolder);
    const QString into = absoluteFolder(projectFolder);
    SortOutcome outcome;
    const Result<QStringList> names = looseFileNames(from);
    if (!names) {
        outcome.error = names.error();
        return outcome;
    }
    // Destinations first, so that progress can tell how many files there are.
    QList<std::pair<QString, QString>> moves;
    for (const QString &name : names.value()) {
        QString source = from + QLatin1Char('/') + name;
        if (std::optional<QString> destination = destinationURL(source, into))
            moves.append({std::move(source), std::move(*destination)});
    }
    // mkdir -p once per destination folder rather than once per file.
    QSet<QString> readyFolders;
    for (qsizetype index = 0; index < moves.size(); ++index) {
        const QString &source = moves.at(index).first;
        const QString &destination = moves.at(index).second;
        const QString folder = parentOf(destination);
        if (!readyFolders.contains(folder)) {
            if (const Result<void> made = FileSystem::makePath(folder); !made) {
                outcome.error = made.error();
                return outcome;
            }
            readyFolders.insert(folder);
        }
        FileMove::CopyProgress progress;
        if (hooks.progress) {
            progress = [&hooks, &source, index, count = int(moves.size())](qint64 copied,
                                                                           qint64 total) {
                hooks.progress(SortProgress{source, copied, total, int(index), count});
            };
        }
        const Result<QString> moved = moveResolvingConflicts(source, destination, hooks, progress);
        if (!moved) {
            outcome.error = moved.error();
            return outcome;
        }
        outcome.records.append(MoveRecord{source, moved.value(), Clock::system().now()});
    }
    return outcome;
}

SortOutcome sortFiles(const QString &sourceFolder, const QString &projectFolder)
{
    return sortFiles(sourceFolder, projectFolder, SortHooks{});
}

SortOutcome sortFiles(const QString &sourceFolder, const QString &projectFolder,
                      const SortProgressFunction &progress)
{
    SortHooks hooks;
    hooks.progress = progress;
    return sortFiles(sourceFolder, projectFolder, hooks);
}

Result<QList<MoveRecord>> planMoves(const QString &sourceFolder, const QString &projectFolder)
{
    const QString from = absoluteFolder(sourceFolder);
    const QString into = absoluteFolder(projectFolder);
    const Result<QStringList> names = looseFileNames(from);
    if (!names)
        return names.error();
    // Names taken by earlier moves of the plan count as occupied, as they would on disk.
    QSet<QString> planned;
    const ExistsFunction taken = [&planned](const QString &path) {
        return planned.contains(path) || FileSystem::exists(path);
    };
    QList<MoveRecord> moves;
    for (const QString &name : names.value()) {
        const QString source = from + QLatin1Char('/') + name;
        const std::optional<QString> destination = destinationURL(source, into);
        if (!destination)
            continue;
        const QString target = resolveConflict(*destination, taken);
        planned.insert(target);
        moves.append(MoveRecord{source, target, Clock::system().now()});
    }
    return moves;
}

} // namespace bp::FileSorter

#include "FileSorterDetail.h"

#include "Clock.h"
#include "FileMove.h"
#include "model/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

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

// Regular files, and symlinks with an absolute target that is not a folder: a relative
// target would dangle once the link is moved deeper. FIFOs, sockets and devices cannot be
// copied to another file system, and are left like folders.
bool isLooseFile(int folderFd, const dirent &entry)
{
    if (entry.d_type == DT_REG)
        return true;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
        return false;
    struct stat st;
    // An entry that cannot be examined is kept, so that its move says why.
    if (::fstatat(folderFd, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return true;
    if (S_ISREG(st.st_mode))
        return true;
    if (!S_ISLNK(st.st_mode))
        return false;
    char first = 0;
    if (::readlinkat(folderFd, entry.d_name, &first, 1) == 1 && first != '/')
        return false;
    return ::fstatat(folderFd, entry.d_name, &st, 0) != 0 || !S_ISDIR(st.st_mode);
}

// Bytes a name may have in folder.
qsizetype nameLimit(const QString &folder)
{
    const long limit = ::pathconf(QFile::encodeName(folder).constData(), _PC_NAME_MAX);
    return limit > 0 ? qsizetype(limit) : qsizetype(NAME_MAX);
}

// base, cut by whole characters at its end until base + tail fits in limit bytes; empty when
// even tail alone is too long.
QString fittedBase(const QString &base, const QString &tail, qsizetype limit)
{
    const qsizetype room = limit - QFile::encodeName(tail).size();
    qsizetype end = base.size();
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, base);
    characters.toEnd();
    while (end > 0 && QFile::encodeName(base.left(end)).size() > room)
        end = characters.toPreviousBoundary();
    return base.left(std::max<qsizetype>(end, 0));
}

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
    const qsizetype limit = nameLimit(folder);
    for (qint64 n = 1;; ++n) {
        const QString tail =
            QLatin1Char('_') + QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0')) + suffix;
        const QString candidate = folder + fittedBase(base, tail, limit) + tail;
        if (!exists(candidate))
            return candidate;
    }
}

QString resolveConflict(const QString &proposed)
{
    return resolveConflict(proposed, FileSystem::exists);
}

Result<LooseFiles> looseFiles(const QString &folder)
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
        if (entry->d_name[0] != '.' && isLooseFile(fd, *entry))
            names.append(QByteArray(entry->d_name));
    }

    const QSet<QByteArray> hidden = hiddenNames(folder);
    // Byte order, as "LC_ALL=C ls" shows them: reproducible whatever the locale.
    std::sort(names.begin(), names.end());
    LooseFiles result;
    result.names.reserve(names.size());
    for (const QByteArray &native : std::as_const(names)) {
        if (hidden.contains(native))
            continue;
        const QString name = QFile::decodeName(native);
        // Not valid UTF-8: the decoded name could not be found again.
        const bool ascii = std::all_of(native.cbegin(), native.cend(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        (!ascii && QFile::encodeName(name) != native ? result.undecodable : result.names)
            .append(name);
    }
    return result;
}

SortOutcome sortFiles(const QString &sourceFolder, const QString &projectFolder,
                      const SortHooks &hooks)
{
    const QString from = absoluteFolder(sourceFolder);
    const QString into = absoluteFolder(projectFolder);
    SortOutcome outcome;
    const Result<LooseFiles> loose = looseFiles(from);
    if (!loose) {
        outcome.error = loose.error();
        return outcome;
    }
    // Only those that would be sorted: the others stay anyway.
    for (const QString &name : loose.value().undecodable) {
        const QString source = from + QLatin1Char('/') + name;
        if (destinationURL(source, into))
            outcome.failed.append({source, Error::fromErrno(EILSEQ, source)});
    }
    // Destinations first, so that progress can tell how many files there are.
    QList<std::pair<QString, QString>> moves;
    for (const QString &name : loose.value().names) {
        QString source = from + QLatin1Char('/') + name;
        if (std::optional<QString> destination = destinationURL(source, into))
            moves.append({std::move(source), std::move(*destination)});
    }
    // mkdir -p once per destination folder rather than once per file. A failure is the
    // file's: the others go on.
    QSet<QString> readyFolders;
    for (qsizetype index = 0; index < moves.size(); ++index) {
        const QString &source = moves.at(index).first;
        const QString &destination = moves.at(index).second;
        const QString folder = parentOf(destination);
        if (!readyFolders.contains(folder)) {
            if (const Result<void> made = FileSystem::makePath(folder); !made) {
                outcome.failed.append({source, made.error()});
                continue;
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
            outcome.failed.append({source, moved.error()});
            continue;
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
    const Result<LooseFiles> loose = looseFiles(from);
    if (!loose)
        return loose.error();
    // Names taken by earlier moves of the plan count as occupied, as they would on disk.
    QSet<QString> planned;
    const ExistsFunction taken = [&planned](const QString &path) {
        return planned.contains(path) || FileSystem::exists(path);
    };
    QList<MoveRecord> moves;
    for (const QString &name : loose.value().names) {
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

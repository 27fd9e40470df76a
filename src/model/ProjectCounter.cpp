#include "ProjectCounter.h"

#include "FileSystem.h"
#include "FolderCreator.h"

#include <QFile>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bp {
namespace {

// Bound the loops against a share that keeps answering EEXIST.
constexpr int maxCollisions = 100'000;
constexpr int maxFolderAttempts = 100;

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

// mkdir's errno, 0 on success; read before the temporary name is freed.
int mkdirError(const QString &path)
{
    const QByteArray name = native(path);
    return ::mkdir(name.constData(), 0777) == 0 ? 0 : errno;
}

QString joinPath(const QString &parent, const QString &name)
{
    return parent.endsWith(QLatin1Char('/')) ? parent + name : parent + QLatin1Char('/') + name;
}

// The highest number numberOf finds among the folder's entries, 0 if none; a folder that is
// not there holds none. readdir rather than QDir, which hides read errors.
template <typename NumberOf> Result<int> highestIn(const QString &path, NumberOf numberOf)
{
    const QByteArray name = native(path);
    DIR *dir = ::opendir(name.constData());
    if (!dir)
        return errno == ENOENT ? Result<int>(0) : Result<int>(Error::fromErrno(errno, path));
    int highest = 0;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry)
            break;
        if (const std::optional<int> n = numberOf(dir, *entry, highest); n && *n > highest)
            highest = *n;
    }
    const int err = errno;
    ::closedir(dir);
    if (err != 0)
        return Error::fromErrno(err, path);
    return highest;
}

// An entry's number; leading zeros are read too, though we never write them.
std::optional<int> entryNumber(const char *name)
{
    int number = 0;
    int digits = 0;
    for (; name[digits] != '\0'; ++digits) {
        if (name[digits] < '0' || name[digits] > '9' || digits == 9)
            return std::nullopt;
        number = number * 10 + (name[digits] - '0');
    }
    return digits > 0 ? std::optional<int>(number) : std::nullopt;
}

bool isFolder(DIR *dir, const dirent &entry)
{
    if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK)
        return entry.d_type == DT_DIR;
    struct stat st;
    return ::fstatat(::dirfd(dir), entry.d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

Error noNumberLeft(const QString &path)
{
    return Error::fromErrno(EOVERFLOW, path);
}

} // namespace

ProjectCounter::ProjectCounter(QString targetPath, CounterIn counterIn)
    : m_target(std::move(targetPath)), m_counterIn(std::move(counterIn))
{}

QString ProjectCounter::tellerPath() const
{
    return joinPath(m_target, folderName);
}

QString ProjectCounter::entryPath(int number) const
{
    return tellerPath() + QLatin1Char('/') + QString::number(number);
}

Result<int> ProjectCounter::peek() const
{
    const QByteArray teller = native(folderName);
    Result<int> inFolders = highestIn(m_target, [&](DIR *dir, const dirent &entry, int highest) {
        const QByteArray name(entry.d_name);
        if (name == "." || name == ".." || name == teller)
            return std::optional<int>();
        // The matcher first: only a name that would raise the number is worth a stat.
        const std::optional<int> n = m_counterIn(QFile::decodeName(name));
        return n && *n > highest && isFolder(dir, entry) ? n : std::nullopt;
    });
    if (!inFolders)
        return inFolders.error();
    Result<int> taken = highestIn(
        tellerPath(), [](DIR *, const dirent &entry, int) { return entryNumber(entry.d_name); });
    if (!taken)
        return taken.error();
    const int highest = std::max(inFolders.value(), taken.value());
    if (highest >= maxNumber)
        return noNumberLeft(tellerPath());
    return highest + 1;
}

Result<int> ProjectCounter::reserve(int count) const
{
    const QString teller = tellerPath();
    if (count < 1 || count > maxNumber)
        return Error::fromErrno(EINVAL, teller);
    // A file in its way makes the entries fail with ENOTDIR.
    if (const int err = mkdirError(teller); err != 0 && err != EEXIST)
        return Error::fromErrno(err, teller);
    Result<int> next = peek();
    if (!next)
        return next;
    int first = next.value();
    for (int collisions = 0;;) {
        if (first > maxNumber - count + 1)
            return noNumberLeft(teller);
        int made = 0;
        int err = 0;
        while (made < count && (err = mkdirError(entryPath(first + made))) == 0)
            ++made;
        if (made == count)
            return first;
        const QString entry = entryPath(first + made);
        // No one has used them yet, so they can be given back at once.
        for (int i = 0; i < made; ++i)
            ::rmdir(native(entryPath(first + i)).constData());
        if (err != EEXIST)
            return Error::fromErrno(err, entry);
        if (++collisions == maxCollisions)
            return Error::fromErrno(EEXIST, entry);
        first += made + 1;
    }
}

void ProjectCounter::giveBack(const QList<NumberedFolder> &made, int first, int count,
                              int keep) const
{
    QSet<int> inUse{keep};
    // rmdir removes only an empty folder, so nothing put there meanwhile is lost.
    for (const NumberedFolder &folder : made) {
        if (::rmdir(native(folder.path).constData()) != 0)
            inUse.insert(folder.number);
    }
    for (int number = first; number < first + count; ++number) {
        if (!inUse.contains(number))
            ::rmdir(native(entryPath(number)).constData());
    }
}

Result<QList<ProjectCounter::NumberedFolder>>
ProjectCounter::createProjects(int count, const NameFor &nameFor) const
{
    if (Result<void> target = FileSystem::makePath(m_target); !target)
        return target.error();
    QString lastTaken;
    for (int attempt = 0; attempt < maxFolderAttempts; ++attempt) {
        Result<int> reserved = reserve(count);
        if (!reserved)
            return reserved.error();
        const int first = reserved.value();
        QList<NumberedFolder> made;
        for (int i = 0; i < count; ++i) {
            const int number = first + i;
            const QString name = nameFor(i, number);
            FolderNode node;
            node.name = name;
            if (Result<void> valid = FolderCreator::validateNames({node}); !valid) {
                giveBack(made, first, count, 0);
                return valid.error();
            }
            const QString path = joinPath(m_target, name);
            const int err = mkdirError(path);
            if (err == 0) {
                made.append({number, path});
                continue;
            }
            // Another number would not give another name: retrying cannot help.
            const bool fixedName = nameFor(i, number + 1) == name;
            if (err != EEXIST || fixedName) {
                giveBack(made, first, count, 0);
                return Error::fromErrno(err, path);
            }
            // The folder there probably carries this number: it stays taken.
            giveBack(made, first, count, number);
            lastTaken = path;
            break;
        }
        if (made.size() == count)
            return made;
    }
    return Error::fromErrno(EEXIST, lastTaken);
}

Result<ProjectCounter::NumberedFolder>
ProjectCounter::createProject(const std::function<QString(int number)> &nameFor) const
{
    Result<QList<NumberedFolder>> made =
        createProjects(1, [&](int, int number) { return nameFor(number); });
    if (!made)
        return made.error();
    return made.value().first();
}

} // namespace bp

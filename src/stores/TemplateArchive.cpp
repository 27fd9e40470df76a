#include "TemplateArchive.h"

#include "CustomTemplateStore.h"
#include "TemplateFolder.h"
#include "model/FileSystem.h"
#include "model/TemplateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <locale.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace bp::TemplateArchive {
namespace {

// libarchive converts entry names to and from the thread's locale: in the C locale every
// non-ASCII UTF-8 name would fail. Names are UTF-8 here whatever the process runs in.
class Utf8Names {
public:
    Utf8Names() : m_locale(newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr)))
    {
        if (m_locale)
            m_previous = uselocale(m_locale);
    }
    ~Utf8Names()
    {
        if (m_locale) {
            uselocale(m_previous);
            freelocale(m_locale);
        }
    }
    Utf8Names(const Utf8Names &) = delete;
    Utf8Names &operator=(const Utf8Names &) = delete;

private:
    locale_t m_locale;
    locale_t m_previous = nullptr;
};

struct ReadArchive {
    void operator()(archive *a) const { archive_read_free(a); }
};
struct WriteArchive {
    void operator()(archive *a) const { archive_write_free(a); }
};
struct EntryFree {
    void operator()(archive_entry *e) const { archive_entry_free(e); }
};

Error refusal(const QString &archivePath, const QString &why)
{
    const QString message = QStringLiteral("refused: ") + why;
    return Error{EINVAL,
                 archivePath.isEmpty() ? message : archivePath + QStringLiteral(": ") + message,
                 archivePath, Error::Kind::invalidDocument};
}

QString quoted(const QString &name)
{
    return QStringLiteral("\u201c%1\u201d").arg(name);
}

la_ssize_t appendTo(archive *, void *client, const void *buffer, size_t length)
{
    static_cast<QByteArray *>(client)->append(static_cast<const char *>(buffer), qsizetype(length));
    return la_ssize_t(length);
}

Result<void> addEntry(archive *a, const QString &name, const QByteArray &data)
{
    std::unique_ptr<archive_entry, EntryFree> entry(archive_entry_new());
    archive_entry_set_pathname_utf8(entry.get(), name.toUtf8().constData());
    archive_entry_set_filetype(entry.get(), AE_IFREG);
    archive_entry_set_perm(entry.get(), 0644);
    archive_entry_set_size(entry.get(), data.size());
    archive_entry_set_mtime(entry.get(), std::time(nullptr), 0);
    if (archive_write_header(a, entry.get()) != ARCHIVE_OK ||
        archive_write_data(a, data.constData(), size_t(data.size())) != data.size())
        return Error::withMessage(name + QStringLiteral(": ") +
                                  QString::fromUtf8(archive_error_string(a)));
    return success();
}

// Why a name from an archive may not be unpacked, or none.
std::optional<QString> nameProblem(const QString &name)
{
    if (name.startsWith(u'/'))
        return QStringLiteral("absolute path ") + quoted(name);
    for (const QStringView part : QStringView(name).split(u'/')) {
        if (part == u"..")
            return QStringLiteral("%1 leaves its folder").arg(quoted(name));
    }
    if (std::optional<QString> problem = TemplateFiles::sourceProblem(name))
        return *problem;
    return std::nullopt;
}

Result<void> writeAll(int fd, const char *data, qint64 size, const QString &path)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Error::fromErrno(errno, path);
        }
        data += n;
        size -= n;
    }
    return success();
}

// Where the archive comes from: a file or bytes in memory.
struct Input {
    QString path;
    const QByteArray *data = nullptr;
};

// An archive unpacked into a temporary folder that goes away with it unless renamed.
struct Unpacked {
    CustomTemplate tmpl;
    std::unique_ptr<QTemporaryDir> folder;
};

class Unpacker {
public:
    Unpacker(const Input &input, const Limits &limits) : m_input(input), m_limits(limits) {}

    Result<Unpacked> run(const QString &parent)
    {
        if (Result<void> made = FileSystem::makePath(parent); !made)
            return made.error();
        auto folder =
            std::make_unique<QTemporaryDir>(parent + QStringLiteral("/.bptemplate-XXXXXX"));
        if (!folder->isValid())
            return Error::withMessage(folder->errorString(), EIO);
        m_root = folder->path();
        Utf8Names names;
        std::unique_ptr<archive, ReadArchive> a(archive_read_new());
        archive_read_support_format_zip(a.get());
        int fd = -1;
        const auto closeFd = qScopeGuard([&fd] {
            if (fd >= 0)
                ::close(fd);
        });
        if (m_input.data) {
            m_archiveBytes = m_input.data->size();
            if (archive_read_open_memory(a.get(), m_input.data->constData(),
                                         size_t(m_input.data->size())) != ARCHIVE_OK)
                return refused(QString::fromUtf8(archive_error_string(a.get())));
        } else {
            // Not blocking on a FIFO, and only a regular file.
            fd = ::open(QFile::encodeName(m_input.path).constData(),
                        O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            struct stat st {};
            if (fd < 0 || ::fstat(fd, &st) != 0)
                return Error::fromErrno(errno, m_input.path);
            if (!S_ISREG(st.st_mode))
                return Error{EINVAL, m_input.path + QStringLiteral(": not a regular file"),
                             m_input.path, Error::Kind::notRegularFile};
            m_archiveBytes = st.st_size;
            if (archive_read_open_fd(a.get(), fd, 65536) != ARCHIVE_OK)
                return refused(QString::fromUtf8(archive_error_string(a.get())));
        }
        if (Result<void> all = unpackAll(a.get()); !all)
            return all.error();
        if (!m_files.contains(TemplateFolder::documentName))
            return refused(QStringLiteral("no ") + TemplateFolder::documentName);
        Result<CustomTemplate> read = TemplateFolder::read(m_root);
        if (!read) {
            // About the archive, not the temporary folder.
            QString why = read.error().message;
            why.replace(m_root + QStringLiteral(": "), QString());
            why.replace(m_root + u'/', QString());
            return refused(why);
        }
        return Unpacked{std::move(read).value(), std::move(folder)};
    }

private:
    Error refused(const QString &why) const { return refusal(m_input.path, why); }

    Result<void> unpackAll(archive *a)
    {
        qint64 entries = 0;
        qint64 declared = 0;
        for (;;) {
            archive_entry *entry = nullptr;
            const int status = archive_read_next_header(a, &entry);
            if (status == ARCHIVE_EOF)
                return success();
            // A warning too: it is how a name that cannot be converted shows.
            if (status != ARCHIVE_OK)
                return refused(QString::fromUtf8(archive_error_string(a)));
            const char *raw = archive_entry_pathname(entry);
            if (!raw)
                return refused(QStringLiteral("an entry name that is not UTF-8"));
            if (++entries > m_limits.maxEntries)
                return refused(QStringLiteral("more than %1 entries").arg(m_limits.maxEntries));
            const QByteArray bytes(raw);
            QString name = QString::fromUtf8(bytes);
            if (name.toUtf8() != bytes)
                return refused(QStringLiteral("an entry name that is not UTF-8"));

            const mode_t type = archive_entry_filetype(entry);
            if (archive_entry_hardlink(entry))
                return refused(QStringLiteral("hard link ") + quoted(name));
            if (type == AE_IFLNK || archive_entry_symlink(entry))
                return refused(QStringLiteral("symbolic link ") + quoted(name));
            if (type != AE_IFREG && type != AE_IFDIR)
                return refused(QStringLiteral("special file ") + quoted(name));
            if (type == AE_IFDIR && name.endsWith(u'/'))
                name.chop(1);
            if (std::optional<QString> problem = nameProblem(name))
                return refused(*problem);
            if (m_seen.contains(name))
                return refused(QStringLiteral("%1 appears twice").arg(quoted(name)));
            m_seen.insert(name);

            if (archive_entry_size_is_set(entry))
                declared += std::max<la_int64_t>(archive_entry_size(entry), 0);
            if (declared > m_limits.maxUnpackedBytes)
                return tooLarge();
            const QString path = m_root + u'/' + name;
            if (type == AE_IFDIR) {
                if (Result<void> made = makeFolder(name, path); !made)
                    return made;
                continue;
            }
            if (Result<void> written = unpackFile(a, name, path); !written)
                return written;
            m_files.insert(name);
        }
    }

    Result<void> makeFolder(const QString &name, const QString &path) const
    {
        Result<void> made = FileSystem::makePath(path);
        if (!made && (made.error().code == EEXIST || made.error().code == ENOTDIR))
            return refused(QStringLiteral("%1 is both a file and a folder").arg(quoted(name)));
        return made;
    }

    Error tooLarge() const
    {
        return refused(
            QStringLiteral("unpacks to more than %1 bytes").arg(m_limits.maxUnpackedBytes));
    }

    Result<void> unpackFile(archive *a, const QString &name, const QString &path)
    {
        if (Result<void> made = makeFolder(name, QFileInfo(path).path()); !made)
            return made;
        // Nothing is there that could be followed or replaced: the folder is new and its
        // only links would be ours.
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0 && (errno == EEXIST || errno == ENOTDIR || errno == EISDIR))
            return refused(QStringLiteral("%1 is both a file and a folder").arg(quoted(name)));
        if (fd < 0)
            return Error::fromErrno(errno, path);
        const auto closeFd = qScopeGuard([fd] { ::close(fd); });
        // Counted as written: sizes in headers can lie.
        char buffer[65536];
        for (;;) {
            const la_ssize_t n = archive_read_data(a, buffer, sizeof buffer);
            if (n == 0)
                break;
            if (n < 0)
                return refused(QString::fromUtf8(archive_error_string(a)));
            m_unpacked += n;
            if (m_unpacked > m_limits.maxUnpackedBytes)
                return tooLarge();
            if (m_unpacked > m_limits.ratioFreeBytes &&
                m_unpacked > m_archiveBytes * m_limits.maxRatio)
                return refused(
                    QStringLiteral("compressed more than %1 to 1").arg(m_limits.maxRatio));
            if (Result<void> written = writeAll(fd, buffer, n, path); !written)
                return written;
        }
        if (::fsync(fd) != 0 && errno != EINVAL)
            return Error::fromErrno(errno, path);
        return success();
    }

    const Input &m_input;
    const Limits &m_limits;
    QString m_root;
    qint64 m_archiveBytes = 0;
    qint64 m_unpacked = 0;
    QSet<QString> m_seen;
    QSet<QString> m_files;
};

// Gives the unpacked folder its name; never replaces what is there.
Result<void> place(Unpacked &unpacked, const QString &target)
{
    const QByteArray from = QFile::encodeName(unpacked.folder->path());
    const QByteArray to = QFile::encodeName(target);
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) != 0) {
        // Some file systems cannot rename without replacing: the check then comes first.
        if (errno != EINVAL)
            return Error::fromErrno(errno, target);
        if (FileSystem::exists(target))
            return Error::fromErrno(EEXIST, target);
        if (::rename(from.constData(), to.constData()) != 0)
            return Error::fromErrno(errno, target);
    }
    unpacked.folder->setAutoRemove(false);
    unpacked.tmpl.filesFolder = target;
    return success();
}

Result<CustomTemplate> readInto(const Input &input, const QString &intoFolder, const Limits &limits)
{
    const QString target = QDir::cleanPath(QDir(intoFolder).absolutePath());
    if (FileSystem::exists(target))
        return Error::fromErrno(EEXIST, target);
    Result<Unpacked> unpacked = Unpacker(input, limits).run(QFileInfo(target).path());
    if (!unpacked)
        return unpacked.error();
    if (Result<void> placed = place(unpacked.value(), target); !placed)
        return placed.error();
    return std::move(unpacked.value().tmpl);
}

} // namespace

Result<void> write(const CustomTemplate &t, const QString &archivePath)
{
    const QString folder = TemplateFiles::folderOf(t);
    CustomTemplate stored = t;
    stored.filesFolder.clear();
    stored.shared = false;
    const Limits limits;
    qint64 total = 0;

    Utf8Names names;
    QByteArray zip;
    std::unique_ptr<archive, WriteArchive> a(archive_write_new());
    archive_write_set_format_zip(a.get());
    // No padding after the zip's end.
    archive_write_set_bytes_per_block(a.get(), 0);
    if (archive_write_open(a.get(), &zip, nullptr, appendTo, nullptr) != ARCHIVE_OK)
        return Error::withMessage(QString::fromUtf8(archive_error_string(a.get())));
    if (Result<void> added =
            addEntry(a.get(), TemplateFolder::documentName, CustomTemplateJson::encode({stored}));
        !added)
        return added;
    QSet<QString> done;
    for (const TemplateFile &file : TemplateFiles::allFiles(t.roots)) {
        if (done.contains(file.source))
            continue;
        done.insert(file.source);
        if (std::optional<QString> problem = TemplateFiles::sourceProblem(file.source))
            return Error::withMessage(quoted(file.source) + QStringLiteral(": ") + *problem);
        const QString path = folder + u'/' + file.source;
        // As the import would see it: no links, and within its limits.
        if (QFileInfo(path).isSymLink())
            return Error{ELOOP, path + QStringLiteral(": a symbolic link"), path,
                         Error::Kind::notRegularFile};
        const Result<QByteArray> data = FileSystem::readFile(path, limits.maxUnpackedBytes - total);
        if (!data)
            return data.error();
        total += data.value().size();
        if (Result<void> added = addEntry(a.get(), file.source, data.value()); !added)
            return added;
    }
    if (archive_write_close(a.get()) != ARCHIVE_OK)
        return Error::withMessage(QString::fromUtf8(archive_error_string(a.get())));
    if (total > limits.ratioFreeBytes && total > zip.size() * limits.maxRatio)
        return Error::withMessage(
            QStringLiteral("the files compress more than %1 to 1, which an import refuses")
                .arg(limits.maxRatio));
    return FileSystem::writeChosenFile(archivePath, zip);
}

Result<CustomTemplate> read(const QString &archivePath, const QString &intoFolder,
                            const Limits &limits)
{
    return readInto({archivePath, nullptr}, intoFolder, limits);
}

Result<CustomTemplate> readData(const QByteArray &archive, const QString &intoFolder,
                                const Limits &limits)
{
    return readInto({QString(), &archive}, intoFolder, limits);
}

Result<Imported> unpackOwn(const QString &archivePath, const QList<QUuid> &known,
                           const Limits &limits)
{
    Result<Unpacked> unpacked =
        Unpacker({archivePath, nullptr}, limits).run(TemplateFiles::ownRoot());
    if (!unpacked)
        return unpacked.error();
    CustomTemplate &t = unpacked.value().tmpl;
    if (t.id.isNull())
        return refusal(archivePath, QStringLiteral("a template without an id"));
    if (known.contains(t.id)) {
        t.filesFolder.clear();
        return Imported{t, true};
    }
    if (Result<void> placed = place(unpacked.value(), TemplateFiles::ownFolder(t.id)); !placed)
        return placed.error();
    t.filesFolder.clear();
    return Imported{t, false};
}

Result<Imported> import(CustomTemplateStore &store, const QString &archivePath,
                        const Limits &limits)
{
    QList<QUuid> known;
    for (const CustomTemplate &t : store.templates())
        known.append(t.id);
    Result<Imported> imported = unpackOwn(archivePath, known, limits);
    if (!imported || imported.value().skipped)
        return imported;
    if (Result<void> put = store.put(imported.value().tmpl); !put) {
        (void)TemplateFiles::removeFolder(imported.value().tmpl.id);
        return put.error();
    }
    return imported;
}

} // namespace bp::TemplateArchive

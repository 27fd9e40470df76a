#include "offload/OffloadEngine.h"

#include "model/FileSystem.h"
#include "offload/OffloadEngineDetail.h"
#include "offload/OffloadReport.h"
#include "sorting/FileMove.h"
#include "sorting/FileSorterDetail.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace bp::offload {

using namespace detail;

namespace {

// Large aligned reads keep a card reader streaming; a few in flight let the writers lag.
constexpr qsizetype blockSize = qsizetype(4) << 20;
constexpr int blockCount = 8;
constexpr qint64 fatSlackSeconds = 2;
constexpr int progressIntervalMs = 250;

struct DirCloser {
    void operator()(DIR *dir) const { ::closedir(dir); }
};

struct SourceFile {
    QString path; // relative, with '/'
    qint64 size = 0;
    timespec mtime{};
    enum class Kind { regular, other, unreadable } kind = Kind::regular;
    QString detail;
};

struct Scan {
    std::vector<SourceFile> files;
    QStringList folders; // relative, parents first
};

QDateTime toDateTime(const timespec &time)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(time.tv_sec) * 1000 + time.tv_nsec / 1000000,
                                          Qt::UTC);
}

// Depth first, each folder's entries in byte order, without following links; the card's own
// history at the root is left out.
void scanFolder(const QString &root, const QString &relative, Scan &scan)
{
    const QString folder = relative.isEmpty() ? root : root + u'/' + relative;
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(QFile::encodeName(folder).constData()));
    if (!dir) {
        scan.files.push_back({relative,
                              0,
                              {},
                              SourceFile::Kind::unreadable,
                              Error::fromErrno(errno, folder).message});
        return;
    }
    std::vector<QByteArray> names;
    while (const dirent *entry = ::readdir(dir.get())) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (const QByteArray &name : names) {
        const QString path = relative.isEmpty() ? QFile::decodeName(name)
                                                : relative + u'/' + QFile::decodeName(name);
        struct stat st;
        if (::fstatat(::dirfd(dir.get()), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            scan.files.push_back({path,
                                  0,
                                  {},
                                  SourceFile::Kind::unreadable,
                                  Error::fromErrno(errno, root + u'/' + path).message});
        } else if (S_ISDIR(st.st_mode)) {
            if (relative.isEmpty() && name == "ascmhl")
                continue;
            scan.folders.append(path);
            scanFolder(root, path, scan);
        } else {
            scan.files.push_back(
                {path,
                 qint64(st.st_size),
                 st.st_mtim,
                 S_ISREG(st.st_mode) ? SourceFile::Kind::regular : SourceFile::Kind::other,
                 {}});
        }
    }
}

// The path as it will be once created: the deepest existing parent resolved, links included.
QString plannedPath(const QString &path)
{
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QString existing = clean;
    QString rest;
    while (!QFileInfo::exists(existing) && existing != QLatin1String("/")) {
        const qsizetype slash = existing.lastIndexOf(u'/');
        rest = existing.mid(slash) + rest;
        existing = slash == 0 ? QStringLiteral("/") : existing.left(slash);
    }
    const QString canonical = QFileInfo(existing).canonicalFilePath();
    return QDir::cleanPath((canonical.isEmpty() ? existing : canonical) + rest);
}

bool within(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(folder == QLatin1String("/") ? folder : folder + u'/');
}

std::optional<Error> refusal(const OffloadRequest &request, const QString &source,
                             const QStringList &destinations)
{
    struct stat st;
    if (::stat(QFile::encodeName(request.source).constData(), &st) != 0)
        return Error::fromErrno(errno, request.source);
    if (!S_ISDIR(st.st_mode))
        return Error::fromErrno(ENOTDIR, request.source);
    if (::access(QFile::encodeName(request.source).constData(), R_OK | X_OK) != 0)
        return Error::fromErrno(errno, request.source);
    if (destinations.isEmpty() || destinations.size() > 2)
        return Error::withMessage(QStringLiteral("one or two destinations are needed"), EINVAL);
    for (const QString &destination : destinations) {
        if (within(destination, source))
            return Error::withMessage(destination + QStringLiteral(": lies inside the source"),
                                      EINVAL);
        if (within(source, destination))
            return Error::withMessage(destination + QStringLiteral(": holds the source"), EINVAL);
    }
    if (destinations.size() == 2 &&
        (within(destinations[0], destinations[1]) || within(destinations[1], destinations[0])))
        return Error::withMessage(destinations[1] + QStringLiteral(": is the other destination"),
                                  EINVAL);
    return std::nullopt;
}

// Blocks of the reader, shared by the writers and back in the pool once all are done.
class BlockPool {
public:
    BlockPool()
    {
        for (int i = 0; i < blockCount; ++i)
            m_free.push_back(static_cast<char *>(std::aligned_alloc(4096, size_t(blockSize))));
        m_all = m_free;
    }
    ~BlockPool()
    {
        for (char *block : m_all)
            std::free(block);
    }
    BlockPool(const BlockPool &) = delete;
    BlockPool &operator=(const BlockPool &) = delete;

    // nullptr once cancel is set.
    std::shared_ptr<char> take(const std::atomic_bool &cancel)
    {
        std::unique_lock lock(m_mutex);
        while (m_free.empty()) {
            if (cancel.load())
                return nullptr;
            m_available.wait_for(lock, std::chrono::milliseconds(50));
        }
        char *block = m_free.back();
        m_free.pop_back();
        return std::shared_ptr<char>(block, [this](char *b) {
            std::lock_guard guard(m_mutex);
            m_free.push_back(b);
            m_available.notify_one();
        });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_available;
    std::vector<char *> m_free;
    std::vector<char *> m_all;
};

template <typename T> class Queue {
public:
    void push(T item)
    {
        std::lock_guard lock(m_mutex);
        m_items.push_back(std::move(item));
        m_ready.notify_one();
    }
    T pop()
    {
        std::unique_lock lock(m_mutex);
        m_ready.wait(lock, [this] { return !m_items.empty(); });
        T item = std::move(m_items.front());
        m_items.pop_front();
        return item;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<T> m_items;
};

// From the reader to a writer.
struct Message {
    enum class Kind { begin, data, end, abort, stop } kind;
    int file = -1;
    std::shared_ptr<char> block;
    qsizetype size = 0;
    FileResult::Problem problem = FileResult::Problem::none;
    QString detail;
};

// From a writer to its verifier: a flushed temporary.
struct Written {
    int file = -1; // -1: no more
    QString temporary;
};

// What the reader learnt of a file, published to the writers by the queue's lock.
struct ReadFile {
    QString digest;
    qint64 size = 0;
    timespec mtime{};
    bool cardMismatch = false;
};

struct Destination {
    QString folder;
    bool usable = true;
    mhl::History history;
    QHash<QString, mhl::HashEntry> earlierJournal;
    QSet<QString> unverified; // card paths copied here without read-back
    std::vector<FileResult> results;
    std::vector<char> toWrite; // this run writes the file here
    std::vector<char> done;
    std::vector<char> written;                          // a copy got a final name this run
    std::vector<std::optional<mhl::HashEntry>> entries; // for this run's generation
    std::unique_ptr<Journal> journal;
    std::optional<Error> problem;
    Queue<Message> toWriter;
    Queue<Written> toVerifier;
};

struct Run {
    Run(const OffloadRequest &r, const std::atomic_bool &c, QString s)
        : request(r), cancel(c), source(std::move(s))
    {}

    const OffloadRequest &request;
    const std::atomic_bool &cancel;
    QString source;
    // Before the destinations: their queues may hold blocks until they go.
    BlockPool pool;
    Scan scan;
    std::vector<ReadFile> read;
    std::vector<std::unique_ptr<Destination>> destinations;
    const mhl::History *cardHistory = nullptr;
    std::unique_ptr<std::atomic_int[]> remaining; // destinations still busy with a file

    std::atomic<qint64> bytesRead{0};
    std::atomic<qint64> bytesReread{0};
    std::atomic_int filesDone{0};
    std::mutex currentMutex;
    QString current;
    std::vector<FileResult> cardProblems; // found while reading

    std::mutex runningMutex;
    std::condition_variable stopped;
    int running = 0;
};

void finish(Run &run, Destination &d, int file)
{
    d.done[size_t(file)] = 1;
    if (run.remaining[size_t(file)].fetch_sub(1) == 1)
        run.filesDone.fetch_add(1);
}

void fail(Run &run, Destination &d, int file, FileResult::Problem problem, const QString &detail)
{
    if (d.done[size_t(file)])
        return;
    FileResult &result = d.results[size_t(file)];
    result.state = FileState::failed;
    result.problem = problem;
    result.detail = detail;
    finish(run, d, file);
}

bool sameMtime(const timespec &a, const timespec &b)
{
    return std::abs(qint64(a.tv_sec) - qint64(b.tv_sec)) <= fatSlackSeconds;
}

// Verified by an earlier run: the name, size and time match and the destination holds a hash.
// Also finds the numbered name an earlier run gave the file when its own name was taken.
std::optional<QString> verifiedEarlier(const Destination &d, const SourceFile &file)
{
    const auto trusted = [&](const QString &relative) {
        struct stat st;
        if (::lstat(QFile::encodeName(d.folder + u'/' + relative).constData(), &st) != 0 ||
            !S_ISREG(st.st_mode) || qint64(st.st_size) != file.size ||
            !sameMtime(st.st_mtim, file.mtime))
            return false;
        const mhl::HashEntry *entry = d.history.latest(relative);
        const auto journaled = d.earlierJournal.constFind(relative);
        return (entry && entry->size == file.size) ||
               (journaled != d.earlierJournal.cend() && journaled->size == file.size);
    };
    std::optional<QString> found;
    const qsizetype prefix = d.folder.size() + 1;
    FileSorter::resolveConflict(d.folder + u'/' + file.path, [&](const QString &candidate) {
        if (!FileSystem::exists(candidate))
            return false;
        if (trusted(candidate.mid(prefix))) {
            found = candidate.mid(prefix);
            return false;
        }
        return true;
    });
    return found;
}

Result<void> writeAll(int fd, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t put = ::write(fd, data, size_t(size));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return Error::fromErrno(put < 0 ? errno : EIO, {});
        data += put;
        size -= put;
    }
    return success();
}

// Fills the block unless the file ends first; the byte count, or -errno.
qsizetype readBlock(int fd, char *block)
{
    qsizetype got = 0;
    while (got < blockSize) {
        const ssize_t n = ::read(fd, block + got, size_t(blockSize - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -errno;
        if (n == 0)
            break;
        got += n;
    }
    return got;
}

void readSource(Run &run)
{
    const auto sendAll = [&](int file, const Message &message) {
        for (const auto &d : run.destinations)
            if (d->usable && d->toWrite[size_t(file)])
                d->toWriter.push(message);
    };
    const auto abort = [&](int file, FileResult::Problem problem, const QString &detail) {
        sendAll(file, {Message::Kind::abort, file, nullptr, 0, problem, detail});
    };
    for (int i = 0; i < int(run.scan.files.size()) && !run.cancel.load(); ++i) {
        const SourceFile &file = run.scan.files[size_t(i)];
        if (run.remaining[size_t(i)].load() == 0)
            continue;
        {
            std::lock_guard lock(run.currentMutex);
            run.current = file.path;
        }
        const QString path = run.source + u'/' + file.path;
        const QByteArray local = QFile::encodeName(path);
        // O_NOATIME keeps even the access times of the card as they were, where permitted.
        int fd = ::open(local.constData(), O_RDONLY | O_CLOEXEC | O_NOATIME | O_NOFOLLOW);
        if (fd < 0 && errno == EPERM)
            fd = ::open(local.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        struct stat st;
        int err = fd < 0 ? errno : 0;
        if (!err && ::fstat(fd, &st) != 0)
            err = errno;
        else if (!err && !S_ISREG(st.st_mode))
            err = EINVAL;
        if (err) {
            if (fd >= 0)
                ::close(fd);
            abort(i, FileResult::Problem::unreadable, Error::fromErrno(err, path).message);
            continue;
        }
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        sendAll(i, {Message::Kind::begin, i, nullptr, 0, FileResult::Problem::none, {}});
        Hasher hasher(run.request.hash);
        const mhl::HashEntry *card = run.cardHistory ? run.cardHistory->latest(file.path) : nullptr;
        std::unique_ptr<Hasher> cardHasher;
        if (card && card->format != run.request.hash)
            cardHasher = std::make_unique<Hasher>(card->format);
        qint64 total = 0;
        for (;;) {
            std::shared_ptr<char> block = run.cancel.load() ? nullptr : run.pool.take(run.cancel);
            if (!block) {
                abort(i, FileResult::Problem::cancelled, {});
                break;
            }
            const qsizetype got = readBlock(fd, block.get());
            if (got < 0) {
                abort(i, FileResult::Problem::unreadable,
                      Error::fromErrno(int(-got), path).message);
                break;
            }
            if (got == 0) {
                ReadFile &read = run.read[size_t(i)];
                read.digest = hasher.hexDigest();
                read.size = total;
                read.mtime = st.st_mtim;
                if (card) {
                    const QString digest = cardHasher ? cardHasher->hexDigest() : read.digest;
                    read.cardMismatch =
                        card->size != total || digest.compare(card->digest, Qt::CaseInsensitive);
                    if (read.cardMismatch)
                        run.cardProblems.push_back({file.path,
                                                    file.path,
                                                    total,
                                                    read.digest,
                                                    FileState::failed,
                                                    FileResult::Problem::historyChanged,
                                                    {}});
                }
                sendAll(i, {Message::Kind::end, i, nullptr, 0, FileResult::Problem::none, {}});
                break;
            }
            hasher.add(block.get(), got);
            if (cardHasher)
                cardHasher->add(block.get(), got);
            total += got;
            run.bytesRead.fetch_add(got);
            sendAll(i,
                    {Message::Kind::data, i, std::move(block), got, FileResult::Problem::none, {}});
        }
        // Reading changes nothing on the card; this only spares the page cache.
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
    for (const auto &d : run.destinations)
        if (d->usable)
            d->toWriter.push({Message::Kind::stop, -1, nullptr, 0, FileResult::Problem::none, {}});
}

void writeDestination(Run &run, Destination &d)
{
    Temporary temporary;
    qint64 offset = 0;
    const auto discard = [&] {
        if (temporary.fd >= 0)
            ::close(temporary.fd);
        if (!temporary.path.isEmpty())
            ::unlink(QFile::encodeName(temporary.path).constData());
        temporary = {};
    };
    for (;;) {
        Message m = d.toWriter.pop();
        switch (m.kind) {
        case Message::Kind::stop:
            d.toVerifier.push({-1, {}});
            return;
        case Message::Kind::begin: {
            const QString &relative = run.scan.files[size_t(m.file)].path;
            const qsizetype slash = relative.lastIndexOf(u'/');
            const QString folder = slash < 0 ? d.folder : d.folder + u'/' + relative.left(slash);
            Result<Temporary> created = createTemporary(folder, relative.mid(slash + 1));
            offset = 0;
            if (created)
                temporary = created.value();
            else
                fail(run, d, m.file, FileResult::Problem::unwritable, created.error().message);
            break;
        }
        case Message::Kind::data:
            if (temporary.fd < 0)
                break;
            if (Result<void> put = writeAll(temporary.fd, m.block.get(), m.size); !put) {
                fail(run, d, m.file, FileResult::Problem::unwritable,
                     Error::fromErrno(put.error().code, temporary.path).message);
                discard();
                break;
            }
            // Starts the disk on this block now, so that the flush before the read back is
            // short and the disk never idles between files.
            ::sync_file_range(temporary.fd, offset, m.size, SYNC_FILE_RANGE_WRITE);
            offset += m.size;
            break;
        case Message::Kind::abort:
            discard();
            fail(run, d, m.file, m.problem, m.detail);
            break;
        case Message::Kind::end: {
            if (temporary.fd < 0)
                break;
            const ReadFile &read = run.read[size_t(m.file)];
            const timespec times[2] = {{0, UTIME_OMIT}, read.mtime};
            int err = ::futimens(temporary.fd, times) != 0 ? errno : 0;
            // Network file systems report late write errors here.
            if (::close(std::exchange(temporary.fd, -1)) != 0 && !err && errno != EINTR)
                err = errno;
            if (err) {
                fail(run, d, m.file, FileResult::Problem::unwritable,
                     Error::fromErrno(err, temporary.path).message);
                discard();
                break;
            }
            // The verifier flushes it, while this thread goes on with the next file.
            d.toVerifier.push({m.file, std::exchange(temporary.path, {})});
            break;
        }
        }
    }
}

// Flushes the temporary to the disk and drops it from the cache, so that a read back really
// comes from the disk; the descriptor, open for that read.
Result<int> flush(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Error::fromErrno(errno, path);
    if (::fsync(fd) != 0 && errno != EINVAL) {
        const int err = errno;
        ::close(fd);
        return Error::fromErrno(err, path);
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    if (afterTemporaryFlushed)
        afterTemporaryFlushed(path);
    return fd;
}

// The digest of the flushed file as the disk returns it; counts the bytes for the progress.
Result<QString> reread(Run &run, int fd, const QString &path, char *buffer)
{
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    Hasher hasher(run.request.hash);
    qsizetype got = 0;
    while (!run.cancel.load() && (got = readBlock(fd, buffer)) > 0) {
        hasher.add(buffer, got);
        run.bytesReread.fetch_add(got);
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    if (run.cancel.load())
        return Error::fromErrno(ECANCELED, path);
    if (got < 0)
        return Error::fromErrno(int(-got), path);
    return hasher.hexDigest();
}

bool sameContent(Run &run, const QString &path, qint64 size, const QString &digest)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode) ||
        qint64(st.st_size) != size)
        return false;
    const Result<QString> existing = hashFile(path, run.request.hash, &run.cancel);
    return existing && existing.value() == digest;
}

void verifyDestination(Run &run, Destination &d)
{
    const std::unique_ptr<char, decltype(&std::free)> buffer(
        static_cast<char *>(std::aligned_alloc(4096, size_t(blockSize))), &std::free);
    const qsizetype prefix = d.folder.size() + 1;
    for (;;) {
        Written job = d.toVerifier.pop();
        if (job.file < 0)
            return;
        const QByteArray temporary = QFile::encodeName(job.temporary);
        const ReadFile &read = run.read[size_t(job.file)];
        FileResult &result = d.results[size_t(job.file)];
        result.digest = read.digest;
        result.size = read.size;
        mhl::HashEntry entry{result.path,
                             read.size,
                             toDateTime(read.mtime),
                             run.request.hash,
                             read.digest,
                             mhl::Action::original,
                             QDateTime::currentDateTimeUtc()};
        // A cancelled copy could not be verified anyway: no flush to wait for.
        if (run.request.verify && run.cancel.load()) {
            ::unlink(temporary.constData());
            fail(run, d, job.file, FileResult::Problem::cancelled, {});
            continue;
        }
        const Result<int> flushed = flush(job.temporary);
        if (!flushed) {
            ::unlink(temporary.constData());
            fail(run, d, job.file, FileResult::Problem::unwritable, flushed.error().message);
            continue;
        }
        const Result<QString> back = run.request.verify
                                         ? reread(run, flushed.value(), job.temporary, buffer.get())
                                         : read.digest;
        ::close(flushed.value());
        if (!back || back.value() != read.digest) {
            ::unlink(temporary.constData());
            if (!back && back.error().code == ECANCELED) {
                fail(run, d, job.file, FileResult::Problem::cancelled, {});
                continue;
            }
            entry.action = mhl::Action::failed;
            d.entries[size_t(job.file)] = entry;
            fail(run, d, job.file,
                 back ? FileResult::Problem::mismatch : FileResult::Problem::unwritable,
                 back ? QString() : back.error().message);
            continue;
        }
        QString target = d.folder + u'/' + result.path;
        QString taken;
        Result<void> moved = FileMove::moveNoReplace(job.temporary, target);
        while (!moved && moved.error().code == EEXIST) {
            if (taken.isEmpty() && sameContent(run, target, read.size, read.digest)) {
                ::unlink(temporary.constData());
                taken = target;
                break;
            }
            if (taken.isEmpty())
                taken = target;
            target = FileSorter::resolveConflict(target);
            moved = FileMove::moveNoReplace(job.temporary, target);
        }
        if (!moved && moved.error().code != EEXIST) {
            ::unlink(temporary.constData());
            fail(run, d, job.file, FileResult::Problem::unwritable, moved.error().message);
            continue;
        }
        result.storedAs = target.mid(prefix);
        entry.path = result.storedAs;
        if (!moved) {
            // The name held this content already: hashed again, so recorded as verified.
            result.state = FileState::alreadyThere;
            entry.action = mhl::Action::verified;
            struct stat st;
            if (::stat(QFile::encodeName(target).constData(), &st) == 0)
                entry.lastModified = toDateTime(st.st_mtim);
        } else {
            d.written[size_t(job.file)] = 1;
            result.state = !run.request.verify ? FileState::copiedUnverified
                           : taken.isEmpty()   ? FileState::verified
                                               : FileState::renamed;
            if (!taken.isEmpty())
                result.detail = taken.mid(prefix);
        }
        d.entries[size_t(job.file)] = entry;
        if (Result<void> noted = d.journal->append(entry); !noted && !d.problem)
            d.problem = noted.error();
        finish(run, d, job.file);
    }
}

Result<mhl::History> destinationHistory(const QString &folder)
{
    Result<mhl::History> history = mhl::readHistory(folder);
    if (history)
        return history;
    // An interrupted first run leaves ascmhl/ with our own files only: no history yet.
    const QDir ascmhl(folder + QStringLiteral("/ascmhl"));
    if (ascmhl
            .entryList({QStringLiteral("*.mhl"), QStringLiteral("ascmhl_chain.xml")},
                       QDir::Files | QDir::Hidden)
            .isEmpty())
        return mhl::History{folder, {}};
    return history;
}

// Checks the card against its own history by name and size before anything is copied.
QList<FileResult> checkCard(const mhl::History &history, const Scan &scan)
{
    QHash<QString, const SourceFile *> files;
    for (const SourceFile &file : scan.files)
        if (file.kind == SourceFile::Kind::regular)
            files.insert(file.path, &file);
    QStringList paths;
    for (const mhl::Generation &generation : history.generations)
        for (const mhl::HashEntry &entry : generation.hashes)
            paths.append(entry.path);
    paths.removeDuplicates();
    paths.sort();
    QList<FileResult> problems;
    for (const QString &path : std::as_const(paths)) {
        const mhl::HashEntry *entry = history.latest(path);
        const SourceFile *file = files.value(path);
        if (!entry)
            continue;
        if (!file)
            problems.append({path,
                             {},
                             entry->size,
                             entry->digest,
                             FileState::failed,
                             FileResult::Problem::historyMissing,
                             {}});
        else if (file->size != entry->size)
            problems.append({path,
                             path,
                             file->size,
                             {},
                             FileState::failed,
                             FileResult::Problem::historyChanged,
                             {}});
    }
    return problems;
}

void prepare(Run &run, Destination &d)
{
    const size_t count = run.scan.files.size();
    for (const SourceFile &file : run.scan.files)
        d.results.push_back({file.path,
                             file.path,
                             file.size,
                             {},
                             FileState::failed,
                             FileResult::Problem::none,
                             {}});
    d.toWrite.assign(count, 0);
    d.done.assign(count, 0);
    d.written.assign(count, 0);
    d.entries.resize(count);
    d.journal = std::make_unique<Journal>(d.folder);
    if (Result<void> made = FileSystem::makePath(d.folder); !made) {
        d.usable = false;
        d.problem = made.error();
        return;
    }
    // The layout is kept, empty folders included; what is in the way fails its files later.
    QSet<QString> keep;
    for (const SourceFile &file : run.scan.files)
        if (isTemporaryName(file.path.section(u'/', -1)))
            keep.insert(d.folder + u'/' + file.path);
    removeTemporaries(d.folder, keep);
    for (const QString &folder : std::as_const(run.scan.folders)) {
        const QString path = d.folder + u'/' + folder;
        ::mkdir(QFile::encodeName(path).constData(), 0777);
        removeTemporaries(path, keep);
    }
    Result<mhl::History> history = destinationHistory(d.folder);
    if (history)
        d.history = std::move(history).value();
    else
        d.problem = history.error();
    d.earlierJournal = readJournal(d.folder);
    d.unverified = readUnverified(d.folder);
}

// Decides per file and destination what this run has to do; returns the bytes it need not read.
qint64 plan(Run &run)
{
    const size_t count = run.scan.files.size();
    run.read.resize(count);
    run.remaining = std::make_unique<std::atomic_int[]>(count);
    qint64 skippedBytes = 0;
    int skippedFiles = 0;
    for (size_t i = 0; i < count; ++i) {
        const SourceFile &file = run.scan.files[i];
        int remaining = 0;
        for (const auto &d : run.destinations) {
            FileResult &result = d->results[i];
            if (file.kind != SourceFile::Kind::regular) {
                const bool other = file.kind == SourceFile::Kind::other;
                result.state = other ? FileState::skipped : FileState::failed;
                result.problem =
                    other ? FileResult::Problem::notRegular : FileResult::Problem::unreadable;
                result.detail = file.detail;
            } else if (!d->usable) {
                result.problem = FileResult::Problem::unwritable;
                result.detail = d->problem ? d->problem->message : QString();
            } else if (const std::optional<QString> earlier =
                           run.request.verify && d->unverified.contains(file.path)
                               ? std::nullopt
                               : verifiedEarlier(*d, file)) {
                result.state = FileState::alreadyThere;
                result.storedAs = *earlier;
            } else {
                d->toWrite[i] = 1;
                ++remaining;
                continue;
            }
            d->done[i] = 1;
        }
        run.remaining[i].store(remaining);
        if (remaining == 0 && file.kind == SourceFile::Kind::regular) {
            ++skippedFiles;
            skippedBytes += file.size;
        }
    }
    run.filesDone.store(skippedFiles);
    return skippedBytes;
}

// The generation of this run: what the journal holds from interrupted runs that no generation
// records yet, and every file hashed now. The journal goes once the generation is written.
void writeGeneration(Destination &d, const mhl::Creator &creator, DestinationResult &result)
{
    d.journal->close();
    QList<mhl::HashEntry> entries;
    QSet<QString> hashedNow;
    for (const std::optional<mhl::HashEntry> &entry : d.entries)
        if (entry)
            hashedNow.insert(entry->path);
    QStringList journaled = d.earlierJournal.keys();
    journaled.sort();
    for (const QString &path : std::as_const(journaled)) {
        const mhl::HashEntry &entry = d.earlierJournal[path];
        const mhl::HashEntry *recorded = d.history.latest(path);
        if (!hashedNow.contains(path) &&
            !(recorded && recorded->digest == entry.digest && recorded->size == entry.size))
            entries.append(entry);
    }
    for (const std::optional<mhl::HashEntry> &entry : d.entries)
        if (entry)
            entries.append(*entry);
    if (entries.isEmpty()) {
        d.journal->remove();
        return;
    }
    const Result<QString> generation = mhl::addGeneration(d.folder, entries, creator);
    if (!generation) {
        if (!result.problem)
            result.problem = generation.error();
        return;
    }
    result.generation = generation.value();
    d.journal->remove();
}

} // namespace

OffloadOutcome runOffload(const OffloadRequest &request, const mhl::Creator &creator,
                          const std::atomic_bool &cancel, const OffloadProgressFunction &progress)
{
    OffloadOutcome outcome;
    outcome.request = request;
    outcome.started = QDateTime::currentDateTimeUtc();
    QElapsedTimer clock;
    clock.start();

    QStringList folders;
    for (const QString &destination : request.destinations)
        folders.append(plannedPath(destination));
    Run run(request, cancel, plannedPath(request.source));
    if (std::optional<Error> refused = refusal(request, run.source, folders)) {
        outcome.error = refused;
        outcome.durationMs = clock.elapsed();
        return outcome;
    }

    scanFolder(run.source, {}, run.scan);
    for (const SourceFile &file : run.scan.files) {
        if (file.kind == SourceFile::Kind::regular) {
            ++outcome.files;
            outcome.bytes += file.size;
        }
    }
    const Result<mhl::History> card = mhl::readHistory(run.source);
    if (!card) {
        outcome.sourceProblems.append({QStringLiteral("ascmhl"),
                                       {},
                                       0,
                                       {},
                                       FileState::failed,
                                       FileResult::Problem::historyChanged,
                                       card.error().message});
    } else if (!card.value().isEmpty()) {
        run.cardHistory = &card.value();
        outcome.sourceProblems = checkCard(card.value(), run.scan);
    }

    for (const QString &folder : std::as_const(folders)) {
        run.destinations.push_back(std::make_unique<Destination>());
        run.destinations.back()->folder = folder;
        prepare(run, *run.destinations.back());
    }
    const qint64 skippedBytes = plan(run);
    // Marked before anything is copied: a later run that verifies reads these back.
    if (!request.verify) {
        for (const auto &d : run.destinations) {
            for (size_t i = 0; i < run.scan.files.size(); ++i)
                if (d->toWrite[i])
                    d->unverified.insert(run.scan.files[i].path);
            if (Result<void> marked = writeUnverified(d->folder, d->unverified); !marked) {
                outcome.error = marked.error();
                outcome.durationMs = clock.elapsed();
                return outcome;
            }
        }
    }

    int verifying = 0;
    std::vector<std::thread> threads;
    const auto spawn = [&](auto work) {
        {
            std::lock_guard lock(run.runningMutex);
            ++run.running;
        }
        threads.emplace_back([&run, work] {
            work();
            std::lock_guard lock(run.runningMutex);
            --run.running;
            run.stopped.notify_all();
        });
    };
    for (const auto &d : run.destinations) {
        if (!d->usable)
            continue;
        verifying += request.verify ? 1 : 0;
        Destination *destination = d.get();
        spawn([&run, destination] { writeDestination(run, *destination); });
        spawn([&run, destination] { verifyDestination(run, *destination); });
    }
    spawn([&run] { readSource(run); });

    const auto report = [&] {
        if (!progress)
            return;
        OffloadProgress p;
        const qint64 moved = (run.bytesRead.load() + run.bytesReread.load()) / (1 + verifying);
        p.bytesTotal = outcome.bytes;
        p.bytesDone = std::min(outcome.bytes, skippedBytes + moved);
        p.filesTotal = outcome.files;
        p.filesDone = run.filesDone.load();
        {
            std::lock_guard lock(run.currentMutex);
            p.currentFile = run.current;
        }
        const qint64 elapsed = clock.elapsed();
        p.bytesPerSecond = elapsed > 0 ? double(moved) * 1000.0 / double(elapsed) : 0;
        if (p.bytesPerSecond > 0)
            p.secondsLeft = qint64(double(p.bytesTotal - p.bytesDone) / p.bytesPerSecond);
        progress(p);
    };
    report();
    {
        std::unique_lock lock(run.runningMutex);
        while (!run.stopped.wait_for(lock, std::chrono::milliseconds(progressIntervalMs),
                                     [&] { return run.running == 0; })) {
            lock.unlock();
            report();
            lock.lock();
        }
    }
    for (std::thread &thread : threads)
        thread.join();

    QSet<int> cardChanged;
    for (const FileResult &problem : std::as_const(outcome.sourceProblems))
        if (problem.problem == FileResult::Problem::historyChanged)
            for (size_t i = 0; i < run.scan.files.size(); ++i)
                if (run.scan.files[i].path == problem.path)
                    cardChanged.insert(int(i));
    for (size_t i = 0; i < run.read.size(); ++i)
        if (run.read[i].cardMismatch)
            cardChanged.insert(int(i));
    const qsizetype beforeReading = outcome.sourceProblems.size();
    for (const FileResult &problem : run.cardProblems)
        if (std::none_of(outcome.sourceProblems.cbegin(),
                         outcome.sourceProblems.cbegin() + beforeReading,
                         [&](const FileResult &known) { return known.path == problem.path; }))
            outcome.sourceProblems.append(problem);

    mhl::Creator stamped = creator;
    if (!stamped.creationDate.isValid())
        stamped.creationDate = QDateTime::currentDateTimeUtc();
    for (const auto &d : run.destinations) {
        for (size_t i = 0; i < d->results.size(); ++i) {
            FileResult &result = d->results[i];
            if (!d->done[i]) {
                result.state = FileState::failed;
                result.problem = FileResult::Problem::cancelled;
                outcome.cancelled = true;
            }
            // The bytes are kept under their names, but the card no longer matches its record.
            if (cardChanged.contains(int(i)) && result.state != FileState::failed &&
                result.state != FileState::skipped) {
                result.state = FileState::failed;
                result.problem = FileResult::Problem::historyChanged;
            }
            if (result.problem == FileResult::Problem::cancelled)
                outcome.cancelled = true;
        }
        DestinationResult result;
        result.folder = d->folder;
        result.files = QList<FileResult>(d->results.begin(), d->results.end());
        result.problem = d->problem;
        if (d->usable)
            writeGeneration(*d, stamped, result);
        if (d->usable && request.verify && !d->unverified.isEmpty()) {
            for (const FileResult &file : std::as_const(result.files))
                if (file.state == FileState::verified || file.state == FileState::alreadyThere ||
                    file.state == FileState::renamed)
                    d->unverified.remove(file.path);
            if (Result<void> kept = writeUnverified(d->folder, d->unverified); !kept)
                result.problem = kept.error();
        }
        outcome.destinations.append(result);
    }
    for (size_t i = 0; i < run.scan.files.size(); ++i) {
        for (const auto &d : run.destinations) {
            if (d->written[i]) {
                ++outcome.copiedFiles;
                outcome.copiedBytes += run.read[i].size;
                break;
            }
        }
    }
    outcome.durationMs = clock.elapsed();
    report();
    for (DestinationResult &destination : outcome.destinations) {
        if (!FileSystem::isDirectory(destination.folder))
            continue;
        if (Result<void> written = appendOffloadReport(destination.folder, outcome);
            !written && !destination.problem)
            destination.problem = written.error();
    }
    return outcome;
}

} // namespace bp::offload

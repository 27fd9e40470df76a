#include "offload/Hasher.h"

#include <QCryptographicHash>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <xxhash.h>

namespace bp::offload {

namespace {

struct Names {
    HashKind kind;
    const char *name;
};
constexpr Names names[] = {
    {HashKind::xxh128, "xxh128"},
    {HashKind::xxh3, "xxh3"},
    {HashKind::xxh64, "xxh64"},
    {HashKind::md5, "md5"},
};

QString hex64(XXH64_hash_t value)
{
    XXH64_canonical_t canonical;
    XXH64_canonicalFromHash(&canonical, value);
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char *>(canonical.digest), sizeof canonical.digest)
            .toHex());
}

} // namespace

QString hashName(HashKind kind)
{
    for (const Names &n : names)
        if (n.kind == kind)
            return QString::fromLatin1(n.name);
    return {};
}

std::optional<HashKind> hashKindFromName(QStringView name)
{
    for (const Names &n : names)
        if (name == QLatin1String(n.name))
            return n.kind;
    return std::nullopt;
}

struct Hasher::State {
    XXH3_state_t *xxh3 = nullptr;
    XXH64_state_t *xxh64 = nullptr;
    std::unique_ptr<QCryptographicHash> md5;
};

Hasher::Hasher(HashKind kind) : m_kind(kind), m_state(std::make_unique<State>())
{
    switch (kind) {
    case HashKind::xxh128:
    case HashKind::xxh3:
        m_state->xxh3 = XXH3_createState();
        break;
    case HashKind::xxh64:
        m_state->xxh64 = XXH64_createState();
        break;
    case HashKind::md5:
        m_state->md5 = std::make_unique<QCryptographicHash>(QCryptographicHash::Md5);
        break;
    }
    reset();
}

Hasher::~Hasher()
{
    if (m_state->xxh3)
        XXH3_freeState(m_state->xxh3);
    if (m_state->xxh64)
        XXH64_freeState(m_state->xxh64);
}

void Hasher::reset()
{
    switch (m_kind) {
    case HashKind::xxh128:
        XXH3_128bits_reset(m_state->xxh3);
        break;
    case HashKind::xxh3:
        XXH3_64bits_reset(m_state->xxh3);
        break;
    case HashKind::xxh64:
        XXH64_reset(m_state->xxh64, 0);
        break;
    case HashKind::md5:
        m_state->md5->reset();
        break;
    }
}

void Hasher::add(const void *data, qsizetype size)
{
    switch (m_kind) {
    case HashKind::xxh128:
        XXH3_128bits_update(m_state->xxh3, data, size_t(size));
        break;
    case HashKind::xxh3:
        XXH3_64bits_update(m_state->xxh3, data, size_t(size));
        break;
    case HashKind::xxh64:
        XXH64_update(m_state->xxh64, data, size_t(size));
        break;
    case HashKind::md5:
        m_state->md5->addData(QByteArrayView(static_cast<const char *>(data), size));
        break;
    }
}

QString Hasher::hexDigest() const
{
    switch (m_kind) {
    case HashKind::xxh128: {
        XXH128_canonical_t canonical;
        XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(m_state->xxh3));
        return QString::fromLatin1(
            QByteArray(reinterpret_cast<const char *>(canonical.digest), sizeof canonical.digest)
                .toHex());
    }
    case HashKind::xxh3:
        return hex64(XXH3_64bits_digest(m_state->xxh3));
    case HashKind::xxh64:
        return hex64(XXH64_digest(m_state->xxh64));
    case HashKind::md5:
        return QString::fromLatin1(m_state->md5->result().toHex());
    }
    return {};
}

Result<QString> hashFile(const QString &path, HashKind kind, const std::atomic_bool *cancel,
                         const std::function<void(qint64)> &read)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Error::fromErrno(errno, path);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    Hasher hasher(kind);
    QByteArray buffer(qsizetype(4) << 20, Qt::Uninitialized);
    int failure = 0;
    for (;;) {
        if (cancel && cancel->load()) {
            failure = ECANCELED;
            break;
        }
        const ssize_t got = ::read(fd, buffer.data(), size_t(buffer.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            failure = errno;
            break;
        }
        if (got == 0)
            break;
        hasher.add(buffer.constData(), got);
        if (read)
            read(got);
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
    if (failure)
        return Error::fromErrno(failure, path);
    return hasher.hexDigest();
}

} // namespace bp::offload

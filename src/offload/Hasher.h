#pragma once

#include "model/Result.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace bp::offload {

// The checksums an offload can record; XXH3-128 unless the user asks for another. Other tools
// in the field still use XXH64, and some clients ask for MD5.
enum class HashKind { xxh128, xxh3, xxh64, md5 };

// The ASC MHL element name of the kind ("xxh128", "xxh3", "xxh64", "md5"), also the command
// line's word for it.
QString hashName(HashKind kind);
std::optional<HashKind> hashKindFromName(QStringView name);

// An incremental checksum; digests are lower-case hex, XXH3-128 in its canonical (big-endian)
// form, as xxhsum and ASC MHL write them.
class Hasher {
public:
    explicit Hasher(HashKind kind);
    ~Hasher();
    Hasher(const Hasher &) = delete;
    Hasher &operator=(const Hasher &) = delete;

    HashKind kind() const { return m_kind; }
    void add(const void *data, qsizetype size);
    // The digest of everything added since construction or reset().
    QString hexDigest() const;
    void reset();

private:
    struct State;
    HashKind m_kind;
    std::unique_ptr<State> m_state;
};

// Reads the whole file once and returns its digest; the file's cached pages are dropped
// afterwards so that a later read comes from the disk again. Stops early with ECANCELED when
// cancel becomes true. read, if given, hears the size of each block as it is read.
Result<QString> hashFile(const QString &path, HashKind kind,
                         const std::atomic_bool *cancel = nullptr,
                         const std::function<void(qint64)> &read = {});

} // namespace bp::offload

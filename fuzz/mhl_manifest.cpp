// ASC MHL generation and chain files from any tool, or damaged ones: whatever the readers
// accept holds only safe relative paths and well-formed digests, and writes back to the
// same entries.
#include "offload/AscMhl.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

using namespace bp::offload;
using namespace bp::offload::mhl;

namespace {

bool sameEntries(const QList<HashEntry> &a, const QList<HashEntry> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i].path != b[i].path || a[i].size != b[i].size || a[i].format != b[i].format ||
            a[i].digest != b[i].digest || a[i].action != b[i].action)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const bp::Result<Generation> generation = parseGeneration(input);
    if (!generation && generation.error().message.isEmpty())
        std::abort();
    if (generation) {
        for (const HashEntry &entry : generation.value().hashes)
            if (entry.path.isEmpty() || entry.path.startsWith(u'/') ||
                entry.path.split(u'/').contains(QStringLiteral("..")) || entry.digest.isEmpty())
                std::abort();
        // Written back, a path's entries come as one <hash>, its formats in the schema's order.
        QStringList paths;
        for (const HashEntry &entry : generation.value().hashes)
            if (!paths.contains(entry.path))
                paths.append(entry.path);
        QList<HashEntry> expected;
        const QList<HashEntry> &read = generation.value().hashes;
        for (const QString &path : paths) {
            const auto samePath = [&](const HashEntry &e) { return e.path == path; };
            const qint64 size = std::find_if(read.cbegin(), read.cend(), samePath)->size;
            for (const HashKind kind :
                 {HashKind::md5, HashKind::xxh128, HashKind::xxh3, HashKind::xxh64}) {
                const auto found =
                    std::find_if(read.cbegin(), read.cend(), [&](const HashEntry &e) {
                        return samePath(e) && e.format == kind;
                    });
                if (found != read.cend()) {
                    expected.append(*found);
                    expected.last().size = size;
                }
            }
        }
        const bp::Result<Generation> again = parseGeneration(generationXml(generation.value()));
        if (!again || !sameEntries(again.value().hashes, expected))
            std::abort();
    }
    const bp::Result<QList<ChainEntry>> chain = parseChain(input);
    if (chain) {
        const bp::Result<QList<ChainEntry>> again = parseChain(chainXml(chain.value()));
        if (!again || again.value().size() != chain.value().size())
            std::abort();
        for (qsizetype i = 0; i < chain.value().size(); ++i)
            if (again.value()[i].fileName != chain.value()[i].fileName ||
                again.value()[i].c4 != chain.value()[i].c4 ||
                chain.value()[i].fileName.contains(u'/'))
                std::abort();
    }
    return 0;
}

// The .bptemplate import: any bytes either unpack into the one folder asked for or are refused
// with a message, and a refusal leaves nothing behind next to it.
#include "stores/TemplateArchive.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

using namespace bp;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir scratch;
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString into = scratch.filePath(QStringLiteral("t"));
    // Small limits keep each run fast; the checks are the same.
    TemplateArchive::Limits limits;
    limits.maxEntries = 64;
    limits.maxUnpackedBytes = qint64(4) << 20;
    const Result<CustomTemplate> read = TemplateArchive::readData(input, into, limits);
    if (!read && read.error().message.isEmpty())
        std::abort();
    const QStringList left =
        QDir(scratch.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    if (left != (read ? QStringList{QStringLiteral("t")} : QStringList()) ||
        (read && read.value().filesFolder != into))
        std::abort();
    if (read)
        QDir(into).removeRecursively();
    return 0;
}

// A URI or path from another process, as Open and the hand-over receive it: whatever the gate
// lets through is absolute, NUL-free, valid Unicode and fits in PATH_MAX, and a file: URI
// made from an accepted clean path decodes back to that very path. (QUrl takes a path that
// starts with "//" for a network share, so the round trip starts from the clean path. The
// URI is percent-encoded from the path's UTF-8 bytes, as GIO does: Qt 6.4's
// QUrl::fromLocalFile writes a noncharacter such as U+BFFFF as a lone surrogate.)
#include "model/IncomingPath.h"

#include <QDir>
#include <QFile>
#include <QUrl>

#include <climits>
#include <cstdint>
#include <cstdlib>

using namespace bp;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString uri = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const Result<QString> path = IncomingPath::fromUri(uri);
    if (!path)
        return 0;
    const Result<QString> checked =
        IncomingPath::check(path.value(), IncomingPath::Need::wellFormed);
    if (!checked)
        return 0;
    const QString &accepted = checked.value();
    if (!accepted.startsWith(QLatin1Char('/')) || accepted.contains(QChar(0)) ||
        !QStringView(accepted).isValidUtf16() || QFile::encodeName(accepted).size() >= PATH_MAX)
        std::abort();
    const QString clean = QDir::cleanPath(accepted);
    const Result<QString> again = IncomingPath::fromUri(
        QStringLiteral("file://") + QString::fromLatin1(QUrl::toPercentEncoding(clean, "/")));
    if (!again || again.value() != clean)
        std::abort();
    return 0;
}

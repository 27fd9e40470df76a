#include "IncomingPath.h"

#include "FileSystem.h"

#include <QFile>
#include <QStringDecoder>
#include <QUrl>

#include <cerrno>
#include <climits>

namespace bp::IncomingPath {
namespace {

// A refused path can be megabytes long: the message shows its start only.
QString shown(const QString &path)
{
    constexpr qsizetype shownLength = 80;
    return path.size() <= shownLength ? path : path.left(shownLength) + QChar(0x2026);
}

Error refused(const QString &path, int err)
{
    return Error::fromErrno(err, shown(path));
}

} // namespace

Result<QString> check(const QString &path, Need need)
{
    // Every UTF-16 unit becomes at least one byte.
    if (path.size() >= PATH_MAX)
        return refused(path, ENAMETOOLONG);
    if (path.contains(QChar(0)) || !QStringView(path).isValidUtf16())
        return refused(path, EILSEQ);
    if (!path.startsWith(QLatin1Char('/')))
        return refused(path, EINVAL);
    if (QFile::encodeName(path).size() >= PATH_MAX)
        return refused(path, ENAMETOOLONG);
    if (need == Need::existingFolder && !FileSystem::isDirectory(path))
        return refused(path, FileSystem::exists(path) ? ENOTDIR : ENOENT);
    return path;
}

Result<QString> fromUri(const QString &uri)
{
    // Fully percent-encoded, a path of PATH_MAX bytes is three times as long.
    if (uri.size() > 4 * PATH_MAX)
        return refused(uri, ENAMETOOLONG);
    const QUrl url(uri);
    if (url.scheme().isEmpty())
        return uri;
    const QString host = url.host();
    if (!url.isValid() || !url.isLocalFile() ||
        !(host.isEmpty() || host == QStringLiteral("localhost")))
        return refused(uri, EINVAL);
    const QByteArray bytes =
        QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    auto decode = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString path = decode(bytes);
    if (decode.hasError() || bytes.contains('\0'))
        return refused(uri, EILSEQ);
    return path;
}

} // namespace bp::IncomingPath

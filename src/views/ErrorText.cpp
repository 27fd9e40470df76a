#include "views/ErrorText.h"

#include <QFileInfo>

#include <cerrno>

namespace bp::ErrorText {
namespace {

QString reason(const Error &error)
{
    switch (error.kind) {
    case Error::Kind::notRegularFile:
        return QStringLiteral("geen gewoon bestand");
    case Error::Kind::invalidDocument:
        return QStringLiteral("geen geldig templatebestand");
    case Error::Kind::invalidFolderName:
        return QStringLiteral("ongeldige mapnaam");
    case Error::Kind::foldersTooDeep:
        return QStringLiteral("mappen te diep genest");
    case Error::Kind::unresolvedName:
        return QStringLiteral("naam niet compleet");
    case Error::Kind::other:
        break;
    }
    switch (error.code) {
    case 0:
        return QStringLiteral("onbekende fout");
    case ENOENT:
        return QStringLiteral("bestaat niet");
    case EACCES:
    case EPERM:
        return QStringLiteral("geen toegang");
    case EROFS:
        return QStringLiteral("alleen-lezen");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("schijf vol");
    case EISDIR:
        return QStringLiteral("is een map");
    case ENOTDIR:
        return QStringLiteral("een map in het pad is een bestand");
    case EEXIST:
        return QStringLiteral("bestaat al");
    case EFBIG:
        return QStringLiteral("te groot");
    case ENAMETOOLONG:
        return QStringLiteral("naam te lang");
    case ELOOP:
        return QStringLiteral("te veel koppelingen");
    case EBUSY:
    case ETXTBSY:
    case EWOULDBLOCK:
        return QStringLiteral("in gebruik");
    case EIO:
        return QStringLiteral("lees- of schrijffout");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("te veel open bestanden");
    case ENOMEM:
        return QStringLiteral("te weinig geheugen");
    case EINVAL:
        return QStringLiteral("ongeldig");
    default:
        return QStringLiteral("systeemfout %1").arg(error.code);
    }
}

} // namespace

QString dutch(const Error &error)
{
    const QString name = QFileInfo(error.path).fileName();
    if (name.isEmpty())
        return reason(error);
    return name + QStringLiteral(": ") + reason(error);
}

} // namespace bp::ErrorText

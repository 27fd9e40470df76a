#include "Result.h"

#include <cstring>

namespace bp {

Error Error::fromErrno(int errnum, const QString &path)
{
    // strerror text follows the user's locale (LC_MESSAGES), as every Linux tool does.
    const QString text = QString::fromLocal8Bit(std::strerror(errnum));
    return Error{errnum, path.isEmpty() ? text : path + QStringLiteral(": ") + text, path,
                 Kind::other};
}

Error Error::withMessage(const QString &message, int errnum)
{
    return Error{errnum, message, QString(), Kind::other};
}

} // namespace bp

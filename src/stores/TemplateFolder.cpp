#include "TemplateFolder.h"

#include "CustomTemplateStore.h"
#include "model/FileSystem.h"
#include "model/TemplateFiles.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace bp::TemplateFolder {
namespace {

Error invalid(const QString &dir, const QString &why)
{
    Error error = Error::withMessage(dir + QStringLiteral(": ") + why);
    error.kind = Error::Kind::invalidDocument;
    error.path = dir;
    return error;
}

// No component below dir may be a symlink: a shared folder must not point us elsewhere.
bool regularBelow(const QString &dir, const QString &source)
{
    QString path = dir;
    const QStringList parts = source.split(QLatin1Char('/'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        path += QLatin1Char('/') + parts.at(i);
        struct stat st;
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
            return false;
        const bool last = i == parts.size() - 1;
        if (last ? !S_ISREG(st.st_mode) : !S_ISDIR(st.st_mode))
            return false;
    }
    return true;
}

} // namespace

Result<CustomTemplate> read(const QString &dir)
{
    const QString folder = QDir::cleanPath(QDir(dir).absolutePath());
    const Result<QByteArray> json =
        FileSystem::readFile(folder + QLatin1Char('/') + documentName, qint64(16) << 20);
    if (!json)
        return json.error();
    Result<QList<CustomTemplate>> decoded = CustomTemplateJson::decode(json.value());
    if (!decoded)
        return invalid(folder, decoded.error().message);
    if (decoded.value().size() != 1)
        return invalid(folder, QStringLiteral("%1 holds %2 templates, not one")
                                   .arg(documentName)
                                   .arg(decoded.value().size()));
    CustomTemplate t = decoded.value().constFirst();
    for (const TemplateFile &file : TemplateFiles::allFiles(t.roots)) {
        if (!regularBelow(folder, file.source))
            return invalid(
                folder,
                QStringLiteral("file \"%1\" is missing or not a plain file").arg(file.source));
    }
    t.filesFolder = folder;
    return t;
}

} // namespace bp::TemplateFolder

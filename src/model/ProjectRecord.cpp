#include "ProjectRecord.h"

#include "FileSystem.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>

namespace bp {
namespace {

Error invalid(const QString &why)
{
    Error error = Error::withMessage(ProjectRecord::fileName + QStringLiteral(": ") + why);
    error.kind = Error::Kind::invalidDocument;
    return error;
}

} // namespace

QByteArray ProjectRecord::encode() const
{
    QJsonObject object;
    object.insert(QStringLiteral("version"), version);
    if (customTemplateID)
        object.insert(QStringLiteral("customTemplate"),
                      customTemplateID->toString(QUuid::WithoutBraces).toUpper());
    object.insert(QStringLiteral("template"), rawValue(platform));
    object.insert(QStringLiteral("type"), rawValue(type));
    QJsonArray extraList;
    for (ExtraFlag extra : extras.toList())
        extraList.append(rawValue(extra));
    object.insert(QStringLiteral("extras"), extraList);
    object.insert(QStringLiteral("name"), name);
    if (date.isValid())
        object.insert(QStringLiteral("date"), date.toString(Qt::ISODate));
    if (counter)
        object.insert(QStringLiteral("counter"), *counter);
    QJsonObject fields;
    for (auto it = fieldValues.cbegin(); it != fieldValues.cend(); ++it)
        fields.insert(it.key(), it.value());
    object.insert(QStringLiteral("fields"), fields);
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

Result<ProjectRecord> ProjectRecord::decode(const QByteArray &json)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (!document.isObject())
        return invalid(parseError.error != QJsonParseError::NoError
                           ? parseError.errorString()
                           : QStringLiteral("not an object"));
    const QJsonObject object = document.object();
    ProjectRecord record;
    const QJsonValue version = object.value(QStringLiteral("version"));
    if (!version.isDouble() || version.toDouble() != double(version.toInt()) || version.toInt() < 1)
        return invalid(QStringLiteral("no valid \"version\""));
    if (version.toInt() > currentVersion)
        return invalid(QStringLiteral("written by a newer version (%1)").arg(version.toInt()));
    record.version = version.toInt();

    auto text = [&](const char *key, QString &out) -> bool {
        const QJsonValue value = object.value(QLatin1String(key));
        if (value.isUndefined())
            return true;
        if (!value.isString())
            return false;
        out = value.toString();
        // JSON may escape half a surrogate pair, which no file name or text can hold.
        return out.isValidUtf16();
    };
    QString custom, platform, type, dateText;
    if (!text("customTemplate", custom) || !text("template", platform) || !text("type", type) ||
        !text("name", record.name) || !text("date", dateText))
        return invalid(QStringLiteral("a key has the wrong type"));
    if (!custom.isEmpty()) {
        const QUuid id(custom);
        if (id.isNull())
            return invalid(QStringLiteral("\"customTemplate\" is not an id"));
        record.customTemplateID = id;
    }
    if (!platform.isEmpty()) {
        const std::optional<PlatformTemplate> p = platformTemplateFromRawValue(platform);
        if (!p)
            return invalid(QStringLiteral("unknown \"template\" %1").arg(platform));
        record.platform = *p;
    }
    if (!type.isEmpty()) {
        const std::optional<ProjectType> t = projectTypeFromRawValue(type);
        if (!t)
            return invalid(QStringLiteral("unknown \"type\" %1").arg(type));
        record.type = *t;
    }
    if (!dateText.isEmpty()) {
        record.date = QDate::fromString(dateText, Qt::ISODate);
        if (!record.date.isValid())
            return invalid(QStringLiteral("\"date\" is not a date"));
    }
    const QJsonValue extras = object.value(QStringLiteral("extras"));
    if (!extras.isUndefined() && !extras.isArray())
        return invalid(QStringLiteral("\"extras\" is not a list"));
    for (const QJsonValue &extra : extras.toArray()) {
        const std::optional<ExtraFlag> flag = extraFlagFromRawValue(extra.toString());
        if (!flag)
            return invalid(QStringLiteral("unknown extra"));
        record.extras.insert(*flag);
    }
    const QJsonValue counter = object.value(QStringLiteral("counter"));
    if (!counter.isUndefined()) {
        if (!counter.isDouble() || counter.toDouble() != double(counter.toInt()) ||
            counter.toInt() < 0)
            return invalid(QStringLiteral("\"counter\" is not a number"));
        record.counter = counter.toInt();
    }
    const QJsonValue fields = object.value(QStringLiteral("fields"));
    if (!fields.isUndefined() && !fields.isObject())
        return invalid(QStringLiteral("\"fields\" is not an object"));
    const QJsonObject fieldObject = fields.toObject();
    for (auto it = fieldObject.constBegin(); it != fieldObject.constEnd(); ++it) {
        if (!it.value().isString() || !it.value().toString().isValidUtf16() ||
            !it.key().isValidUtf16())
            return invalid(QStringLiteral("field \"%1\" is not text").arg(it.key()));
        record.fieldValues.insert(it.key(), it.value().toString());
    }
    return record;
}

Result<ProjectRecord> ProjectRecord::read(const QString &projectFolder)
{
    const Result<QByteArray> data =
        FileSystem::readFile(QDir(projectFolder).filePath(fileName), qint64(1) << 20);
    if (!data)
        return data.error();
    return decode(data.value());
}

Result<void> ProjectRecord::writeNew(const QString &projectFolder) const
{
    // Never replaced: a record already there (a project merged into) stays the project's own.
    const Result<void> written =
        FileSystem::writeNew(QDir(projectFolder).filePath(fileName), encode());
    if (!written && written.error().code == EEXIST)
        return success();
    return written;
}

ProjectConfig ProjectRecord::config(const QString &projectFolder) const
{
    ProjectConfig c;
    c.projectName = name;
    c.type = type;
    c.platform = platform;
    c.extras = extras;
    c.sortExistingFiles = false;
    c.targetFolderURL = QDir::cleanPath(QDir(projectFolder).absoluteFilePath(QStringLiteral("..")));
    c.customTemplateID = customTemplateID;
    c.fieldValues = fieldValues;
    return c;
}

} // namespace bp

#include "CustomTemplateStore.h"

#include "model/NamePattern.h"
#include "model/TemplateFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

#include <cmath>
#include <vector>

namespace bp::CustomTemplateJson {
namespace {

// createdAt counts seconds from 2001-01-01T00:00:00Z, the reference date of the format.
constexpr qint64 referenceDateMSecs = 978307200000;
// Far beyond any real date, and small enough that milliseconds never overflow.
constexpr double maxAbsSeconds = 1e12;

const QString idKey = QStringLiteral("id");
const QString nameKey = QStringLiteral("name");
const QString iconKey = QStringLiteral("icon");
const QString rootsKey = QStringLiteral("roots");
const QString createdAtKey = QStringLiteral("createdAt");
const QString childrenKey = QStringLiteral("children");
const QString filesKey = QStringLiteral("files");
const QString sourceKey = QStringLiteral("source");
const QString renderKey = QStringLiteral("render");
const QString patternKey = QStringLiteral("projectNamePattern");
const QString fieldsKey = QStringLiteral("fields");
const QString fieldKeyKey = QStringLiteral("key");
const QString labelKey = QStringLiteral("label");
const QString kindKey = QStringLiteral("kind");
const QString requiredKey = QStringLiteral("required");
const QString defaultKey = QStringLiteral("default");
const QString regexKey = QStringLiteral("pattern");
const QString formatKey = QStringLiteral("format");
const QString choicesKey = QStringLiteral("choices");

void appendString(QByteArray &out, const QString &text)
{
    out += '"';
    const QByteArray utf8 = text.toUtf8();
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (u < 0x20) {
                static const char hex[] = "0123456789abcdef";
                out += "\\u00";
                out += hex[u >> 4];
                out += hex[u & 0xf];
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

void appendUuid(QByteArray &out, const QUuid &id)
{
    out += '"';
    out += id.toByteArray(QUuid::WithoutBraces).toUpper();
    out += '"';
}

// Written from whole milliseconds as an exact decimal, so reading it back gives the same
// millisecond without any floating-point formatting in between.
void appendSeconds(QByteArray &out, const QDateTime &time)
{
    const qint64 ms = time.isValid() ? time.toMSecsSinceEpoch() - referenceDateMSecs : 0;
    const quint64 magnitude = ms < 0 ? quint64(0) - quint64(ms) : quint64(ms);
    if (ms < 0)
        out += '-';
    out += QByteArray::number(magnitude / 1000);
    if (const quint64 fraction = magnitude % 1000; fraction != 0) {
        QByteArray digits = QByteArray::number(fraction).rightJustified(3, '0');
        while (digits.endsWith('0'))
            digits.chop(1);
        out += '.';
        out += digits;
    }
}

void appendFiles(QByteArray &out, const QList<TemplateFile> &files)
{
    out += ",\"files\":[";
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (i > 0)
            out += ',';
        out += "{\"name\":";
        appendString(out, files.at(i).name);
        out += ",\"source\":";
        appendString(out, files.at(i).source);
        out += files.at(i).render ? ",\"render\":true}" : ",\"render\":false}";
    }
    out += ']';
}

void appendFolders(QByteArray &out, const QList<CustomFolderNode> &roots)
{
    // An explicit stack: the depth of a tree must never decide whether we overflow ours.
    struct Level {
        const QList<CustomFolderNode> *nodes;
        qsizetype next;
        const CustomFolderNode *owner; // whose children these are
    };
    std::vector<Level> stack{{&roots, 0, nullptr}};
    out += '[';
    while (!stack.empty()) {
        Level &level = stack.back();
        if (level.next == level.nodes->size()) {
            const CustomFolderNode *owner = level.owner;
            stack.pop_back();
            out += ']';
            if (owner) {
                if (!owner->files.isEmpty())
                    appendFiles(out, owner->files);
                out += '}'; // closes the folder whose children just ended
            }
            continue;
        }
        const CustomFolderNode &node = (*level.nodes)[level.next];
        if (level.next++ > 0)
            out += ',';
        out += "{\"id\":";
        appendUuid(out, node.id);
        out += ",\"name\":";
        appendString(out, node.name);
        out += ",\"children\":[";
        stack.push_back({&node.children, 0, &node});
    }
}

void appendFields(QByteArray &out, const QList<FieldDefinition> &fields)
{
    out += '[';
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const FieldDefinition &field = fields.at(i);
        if (i > 0)
            out += ',';
        out += "{\"key\":";
        appendString(out, field.key);
        out += ",\"label\":";
        appendString(out, field.label);
        out += ",\"kind\":";
        appendString(out, rawValue(field.kind));
        out += field.required ? ",\"required\":true" : ",\"required\":false";
        out += ",\"default\":";
        appendString(out, field.defaultValue);
        // Only what the kind uses, so a document says nothing it does not mean.
        if (field.kind == FieldKind::text && !field.pattern.isEmpty()) {
            out += ",\"pattern\":";
            appendString(out, field.pattern);
        } else if (field.kind == FieldKind::date && !field.format.isEmpty()) {
            out += ",\"format\":";
            appendString(out, field.format);
        } else if (field.kind == FieldKind::choice) {
            out += ",\"choices\":[";
            for (qsizetype c = 0; c < field.choices.size(); ++c) {
                if (c > 0)
                    out += ',';
                appendString(out, field.choices.at(c));
            }
            out += ']';
        }
        out += '}';
    }
    out += ']';
}

bool isHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

// Only the bare 8-4-4-4-12 form: QUuid::fromString would also take braces.
bool isCanonicalUuid(const QString &text)
{
    if (text.size() != 36)
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? text.at(i) != QLatin1Char('-') : !isHexDigit(text.at(i)))
            return false;
    }
    return true;
}

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

class Decoder {
public:
    Result<QList<CustomTemplate>> run(const QByteArray &json)
    {
        Result<QJsonArray> array = parse(json);
        if (!array)
            return array.error();
        QList<CustomTemplate> templates;
        templates.reserve(array.value().size());
        for (qsizetype i = 0; i < array.value().size(); ++i) {
            CustomTemplate result;
            if (std::optional<Error> error = decodeAt(array.value(), i, result))
                return *error;
            templates.append(std::move(result));
        }
        return templates;
    }

    Salvaged salvage(const QByteArray &json)
    {
        Result<QJsonArray> array = parse(json);
        if (!array)
            return {{}, {array.error().message}};
        Salvaged salvaged;
        for (qsizetype i = 0; i < array.value().size(); ++i) {
            CustomTemplate result;
            if (std::optional<Error> error = decodeAt(array.value(), i, result))
                salvaged.problems.append(error->message);
            else
                salvaged.templates.append(std::move(result));
        }
        return salvaged;
    }

private:
    struct Level {
        QJsonArray array;
        qsizetype next;
        QList<CustomFolderNode> *out;
    };

    static Result<QJsonArray> parse(const QByteArray &json)
    {
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
        if (parseError.error != QJsonParseError::NoError)
            return fail(QStringLiteral("not valid JSON (%1 at byte %2)")
                            .arg(parseError.errorString())
                            .arg(parseError.offset));
        if (!document.isArray())
            return fail(QStringLiteral("expected an array of templates"));
        return document.array();
    }

    std::optional<Error> decodeAt(const QJsonArray &array, qsizetype i, CustomTemplate &result)
    {
        m_templateIndex = i;
        m_templateName.reset();
        m_fieldIndex.reset();
        m_stack.clear();
        if (!array.at(i).isObject())
            return fail(location() + QStringLiteral(" is not an object"));
        return decodeTemplate(array.at(i).toObject(), result);
    }

    std::optional<Error> decodeTemplate(const QJsonObject &object, CustomTemplate &result)
    {
        // The name first, so every later message can say which template it is about.
        if (std::optional<Error> error = readString(object, nameKey, result.name))
            return error;
        m_templateName = result.name;
        if (std::optional<Error> error = readUuid(object, result.id))
            return error;
        if (std::optional<Error> error = readString(object, iconKey, result.icon))
            return error;
        QJsonArray roots;
        if (std::optional<Error> error = readArray(object, rootsKey, roots))
            return error;
        if (std::optional<Error> error = readDate(object, result.createdAt))
            return error;
        if (std::optional<Error> error = readPattern(object, result.projectNamePattern))
            return error;
        if (std::optional<Error> error = readFields(object, result.fields))
            return error;
        return decodeFolders(roots, result.roots);
    }

    // Optional: documents from before patterns have none.
    std::optional<Error> readPattern(const QJsonObject &object, QString &out)
    {
        if (!object.contains(patternKey))
            return std::nullopt;
        if (std::optional<Error> error = readString(object, patternKey, out))
            return error;
        if (const std::optional<NameProblem> problem = NamePattern::parse(out).syntaxError())
            return fail(location() + QStringLiteral(": key ") + quoted(patternKey) +
                        QStringLiteral(": ") + problem->message());
        return std::nullopt;
    }

    // Optional like the pattern; when present, every field is read strictly.
    std::optional<Error> readFields(const QJsonObject &object, QList<FieldDefinition> &out)
    {
        if (!object.contains(fieldsKey))
            return std::nullopt;
        QJsonArray fields;
        if (std::optional<Error> error = readArray(object, fieldsKey, fields))
            return error;
        for (qsizetype i = 0; i < fields.size(); ++i) {
            m_fieldIndex = i;
            if (!fields.at(i).isObject())
                return fail(location() + QStringLiteral(" is not an object"));
            FieldDefinition field;
            if (std::optional<Error> error = readField(fields.at(i).toObject(), field))
                return error;
            out.append(std::move(field));
        }
        m_fieldIndex.reset();
        if (std::optional<FieldProblem> problem = Fields::checkDefinitions(out))
            return fail(location() + QStringLiteral(": ") + problem->message());
        return std::nullopt;
    }

    std::optional<Error> readField(const QJsonObject &object, FieldDefinition &field)
    {
        QString kind;
        if (std::optional<Error> error = readString(object, fieldKeyKey, field.key))
            return error;
        if (std::optional<Error> error = readString(object, labelKey, field.label))
            return error;
        if (std::optional<Error> error = readString(object, kindKey, kind))
            return error;
        if (std::optional<Error> error = readBool(object, requiredKey, field.required))
            return error;
        if (std::optional<Error> error = readString(object, defaultKey, field.defaultValue))
            return error;
        const std::optional<FieldKind> parsed = fieldKindFromRawValue(kind);
        if (!parsed)
            return fail(location() +
                        QStringLiteral(": key \"kind\" is not one of \"text\", "
                                       "\"number\", \"date\", \"choice\": ") +
                        quoted(kind));
        field.kind = *parsed;
        switch (field.kind) {
        case FieldKind::text:
            if (object.contains(regexKey))
                return readString(object, regexKey, field.pattern);
            break;
        case FieldKind::date:
            if (object.contains(formatKey))
                return readString(object, formatKey, field.format);
            break;
        case FieldKind::choice: {
            QJsonArray choices;
            if (std::optional<Error> error = readArray(object, choicesKey, choices))
                return error;
            for (const QJsonValue &choice : std::as_const(choices)) {
                if (!choice.isString() || !choice.toString().isValidUtf16())
                    return wrongType(choicesKey, QStringLiteral("an array of strings"));
                field.choices.append(choice.toString());
            }
            break;
        }
        case FieldKind::number:
            break;
        }
        return std::nullopt;
    }

    std::optional<Error> readBool(const QJsonObject &object, const QString &key, bool &out)
    {
        const auto it = object.constFind(key);
        if (it == object.constEnd())
            return missing(key);
        if (!it->isBool())
            return wrongType(key, QStringLiteral("true or false"));
        out = it->toBool();
        return std::nullopt;
    }

    std::optional<Error> decodeFolders(const QJsonArray &roots, QList<CustomFolderNode> &out)
    {
        m_stack.clear();
        m_stack.push_back({roots, 0, &out});
        while (!m_stack.empty()) {
            Level &level = m_stack.back();
            if (level.next == level.array.size()) {
                m_stack.pop_back();
                continue;
            }
            const QJsonValue value = level.array.at(level.next++);
            if (!value.isObject())
                return fail(location() + QStringLiteral(" is not an object"));
            const QJsonObject object = value.toObject();
            CustomFolderNode node;
            if (std::optional<Error> error = readUuid(object, node.id))
                return error;
            if (std::optional<Error> error = readString(object, nameKey, node.name))
                return error;
            if (std::optional<QString> problem = folderNameProblem(node.name))
                return fail(location() + QStringLiteral(": ") + *problem);
            if (std::optional<Error> error = decodeFiles(object, node.files))
                return error;
            QJsonArray children;
            if (std::optional<Error> error = readArray(object, childrenKey, children))
                return error;
            level.out->append(std::move(node));
            if (children.isEmpty())
                continue;
            if (qsizetype(m_stack.size()) >= maxFolderDepth)
                return fail(location() +
                            QStringLiteral(": folders are nested deeper than %1 levels")
                                .arg(maxFolderDepth));
            QList<CustomFolderNode> *childOut = &level.out->last().children;
            m_stack.push_back({children, 0, childOut});
        }
        return std::nullopt;
    }

    // The optional "files" of a folder object.
    std::optional<Error> decodeFiles(const QJsonObject &folder, QList<TemplateFile> &out)
    {
        if (!folder.contains(filesKey))
            return std::nullopt;
        QJsonArray files;
        if (std::optional<Error> error = readArray(folder, filesKey, files))
            return error;
        for (const QJsonValue &value : files) {
            if (!value.isObject())
                return fail(location() + QStringLiteral(": a file is not an object"));
            const QJsonObject object = value.toObject();
            TemplateFile file;
            if (std::optional<Error> error = readString(object, nameKey, file.name))
                return error;
            if (std::optional<QString> problem = folderNameProblem(file.name))
                return fail(location() + QStringLiteral(": file ") + *problem);
            if (std::optional<Error> error = readString(object, sourceKey, file.source))
                return error;
            if (std::optional<QString> problem = TemplateFiles::sourceProblem(file.source))
                return fail(location() + QStringLiteral(": ") + *problem);
            if (object.contains(renderKey)) {
                if (std::optional<Error> error = readBool(object, renderKey, file.render))
                    return error;
            }
            out.append(std::move(file));
        }
        return std::nullopt;
    }

    std::optional<Error> readString(const QJsonObject &object, const QString &key, QString &out)
    {
        const auto it = object.constFind(key);
        if (it == object.constEnd())
            return missing(key);
        if (!it->isString())
            return wrongType(key, QStringLiteral("a string"));
        out = it->toString();
        // JSON may escape half a surrogate pair; no UTF-8 file name or text can hold that.
        if (!out.isValidUtf16())
            return fail(location() + QStringLiteral(": key ") + quoted(key) +
                        QStringLiteral(" is not valid Unicode text"));
        return std::nullopt;
    }

    std::optional<Error> readArray(const QJsonObject &object, const QString &key, QJsonArray &out)
    {
        const auto it = object.constFind(key);
        if (it == object.constEnd())
            return missing(key);
        if (!it->isArray())
            return wrongType(key, QStringLiteral("an array"));
        out = it->toArray();
        return std::nullopt;
    }

    std::optional<Error> readUuid(const QJsonObject &object, QUuid &out)
    {
        QString text;
        if (std::optional<Error> error = readString(object, idKey, text))
            return error;
        if (!isCanonicalUuid(text))
            return fail(location() + QStringLiteral(": key \"id\" is not a valid UUID: ") +
                        quoted(text));
        out = QUuid::fromString(text);
        return std::nullopt;
    }

    std::optional<Error> readDate(const QJsonObject &object, QDateTime &out)
    {
        const auto it = object.constFind(createdAtKey);
        if (it == object.constEnd())
            return missing(createdAtKey);
        if (!it->isDouble())
            return wrongType(createdAtKey, QStringLiteral("a number"));
        const double seconds = it->toDouble();
        if (!std::isfinite(seconds) || std::fabs(seconds) > maxAbsSeconds)
            return fail(location() + QStringLiteral(": key \"createdAt\" is out of range"));
        const qint64 ms = std::llround(seconds * 1000.0);
        out = QDateTime::fromMSecsSinceEpoch(referenceDateMSecs + ms, QTimeZone::utc());
        return std::nullopt;
    }

    Error missing(const QString &key) const
    {
        return fail(location() + QStringLiteral(": key ") + quoted(key) +
                    QStringLiteral(" is missing"));
    }

    Error wrongType(const QString &key, const QString &type) const
    {
        return fail(location() + QStringLiteral(": key ") + quoted(key) +
                    QStringLiteral(" must be ") + type);
    }

    // "template 2 ("Shoot"), folder roots[0].children[3]", built only when something failed.
    QString location() const
    {
        QString text = QStringLiteral("template %1").arg(m_templateIndex + 1);
        if (m_templateName)
            text += QStringLiteral(" (") + quoted(*m_templateName) + QLatin1Char(')');
        if (m_fieldIndex)
            return text + QStringLiteral(", field %1").arg(*m_fieldIndex + 1);
        if (m_stack.empty())
            return text;
        text += QStringLiteral(", folder ");
        for (std::size_t depth = 0; depth < m_stack.size(); ++depth) {
            text += depth == 0 ? rootsKey : QLatin1Char('.') + childrenKey;
            text += QStringLiteral("[%1]").arg(m_stack[depth].next - 1);
        }
        return text;
    }

    static Error fail(const QString &what)
    {
        return Error{0, QStringLiteral("Invalid template document: ") + what, QString(),
                     Error::Kind::invalidDocument};
    }

    qsizetype m_templateIndex = 0;
    std::optional<QString> m_templateName;
    std::optional<qsizetype> m_fieldIndex;
    std::vector<Level> m_stack;
};

} // namespace

QByteArray encode(const QList<CustomTemplate> &templates)
{
    QByteArray out;
    out += '[';
    for (qsizetype i = 0; i < templates.size(); ++i) {
        const CustomTemplate &t = templates.at(i);
        if (i > 0)
            out += ',';
        out += "{\"id\":";
        appendUuid(out, t.id);
        out += ",\"name\":";
        appendString(out, t.name);
        out += ",\"icon\":";
        appendString(out, t.icon);
        out += ",\"roots\":";
        appendFolders(out, t.roots);
        out += ",\"createdAt\":";
        appendSeconds(out, t.createdAt);
        // Only when set, so documents without them are written exactly as before.
        if (!t.projectNamePattern.isEmpty()) {
            out += ",\"projectNamePattern\":";
            appendString(out, t.projectNamePattern);
        }
        if (!t.fields.isEmpty()) {
            out += ",\"fields\":";
            appendFields(out, t.fields);
        }
        out += '}';
    }
    out += ']';
    return out;
}

Result<QList<CustomTemplate>> decode(const QByteArray &json)
{
    return Decoder().run(json);
}

Salvaged decodeEach(const QByteArray &json)
{
    return Decoder().salvage(json);
}

std::optional<QString> folderNameProblem(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("folder name is empty");
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("folder name ") + quoted(name) + QStringLiteral(" is not allowed");
    if (name.contains(QLatin1Char('/')))
        return QStringLiteral("folder name ") + quoted(name) +
               QStringLiteral(" must not contain \"/\"");
    if (name.contains(QChar(0)))
        return QStringLiteral("folder name must not contain a NUL character");
    return std::nullopt;
}

Result<void> checkFolders(const QList<CustomFolderNode> &roots)
{
    struct Level {
        const QList<CustomFolderNode> *nodes;
        int depth;
    };
    std::vector<Level> pending{{&roots, 1}};
    while (!pending.empty()) {
        const Level level = pending.back();
        pending.pop_back();
        for (const CustomFolderNode &node : *level.nodes) {
            if (std::optional<QString> problem = folderNameProblem(node.name))
                return Error{0, *problem, QString(), Error::Kind::invalidFolderName};
            for (const TemplateFile &file : node.files) {
                std::optional<QString> problem = folderNameProblem(file.name);
                if (!problem)
                    problem = TemplateFiles::sourceProblem(file.source);
                if (problem)
                    return Error{0, *problem, QString(), Error::Kind::invalidFolderName};
            }
            if (node.children.isEmpty())
                continue;
            if (level.depth >= maxFolderDepth)
                return Error{
                    0,
                    QStringLiteral("folders are nested deeper than %1 levels").arg(maxFolderDepth),
                    QString(), Error::Kind::foldersTooDeep};
            pending.push_back({&node.children, level.depth + 1});
        }
    }
    return success();
}

} // namespace bp::CustomTemplateJson

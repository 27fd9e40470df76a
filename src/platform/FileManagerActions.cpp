#include "FileManagerActions.h"

#include "data/FileManagerTemplates.h"
#include "model/FileSystem.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QXmlStreamReader>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace bp::FileManagerActions {
namespace {

const QString placeholder = QStringLiteral("@BRINDLEPATH@");
const QString thunarUniqueId = QStringLiteral("com.quenmoor.brindlepath.maak-structuur");

// How the command is written into each kind of file.
enum class Quoting { shell, keyFileShell, desktopExec, xmlShell };

struct FileTarget {
    QString path;
    // Below a data folder, when the package installs the same action for every user.
    QString systemRelative;
    const char *text;
    Quoting quoting;
    bool executable;
};

QString dataHome()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(base);
}

// The XDG search path in the variable, or its default; relative entries are invalid.
QStringList searchPath(const char *variable, const QString &fallback)
{
    QString value = qEnvironmentVariable(variable);
    if (value.isEmpty())
        value = fallback;
    QStringList dirs;
    for (const QString &dir : value.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir))
            dirs += QDir::cleanPath(dir);
    }
    return dirs;
}

bool isPlain(const QString &text)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_/.+,:@=-]+$"));
    return plain.match(text).hasMatch();
}

QString shellQuote(const QString &text)
{
    if (isPlain(text))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// Key files unescape backslashes before the value is split into arguments.
QString keyFileValue(const QString &text)
{
    QString escaped = text;
    return escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
}

// Desktop entries quote arguments with double quotes only.
QString desktopExecQuote(const QString &text)
{
    if (isPlain(text))
        return text;
    QString quoted;
    for (const QChar c : text) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return keyFileValue(QLatin1Char('"') + quoted + QLatin1Char('"'));
}

QString xmlEscape(const QString &text)
{
    return text.toHtmlEscaped();
}

QString quoteCommand(const QString &command, Quoting quoting)
{
    switch (quoting) {
    case Quoting::shell:
        return shellQuote(command);
    case Quoting::keyFileShell:
        return keyFileValue(shellQuote(command));
    case Quoting::desktopExec:
        return desktopExecQuote(command);
    case Quoting::xmlShell:
        return xmlEscape(shellQuote(command));
    }
    return command;
}

QByteArray render(const char *text, const QString &command, Quoting quoting)
{
    QString rendered = QString::fromUtf8(text);
    rendered.replace(placeholder, quoteCommand(command, quoting));
    return rendered.toUtf8();
}

QString hash(const QByteArray &data)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());
}

QList<FileTarget> fileTargets()
{
    const QString data = dataHome();
    const QString name = QStringLiteral("brindlepath-maak-structuur");
    return {
        // Nautilus names the menu item after the script.
        {data + QStringLiteral("/nautilus/scripts/Brindlepath - Maak Structuur"),
         {},
         FileManagerTemplates::nautilusScript,
         Quoting::shell,
         true},
        {data + QStringLiteral("/nemo/actions/") + name + QStringLiteral(".nemo_action"),
         QStringLiteral("nemo/actions/") + name + QStringLiteral(".nemo_action"),
         FileManagerTemplates::nemoAction, Quoting::keyFileShell, false},
        // Dolphin ignores service menus outside the system folders that are not executable.
        {data + QStringLiteral("/kio/servicemenus/") + name + QStringLiteral(".desktop"),
         QStringLiteral("kio/servicemenus/") + name + QStringLiteral(".desktop"),
         FileManagerTemplates::dolphinServiceMenu, Quoting::desktopExec, true},
    };
}

QString ucaPath()
{
    return FileSystem::configHome() + QStringLiteral("/Thunar/uca.xml");
}

QString thunarPlace()
{
    return ucaPath() + QStringLiteral(" (action \u201cBrindlepath - Maak Structuur\u201d)");
}

QString manifestPath()
{
    return stateDirectory() + QStringLiteral("/file-manager-actions.json");
}

// The hash of what we last wrote, per place.
class Manifest {
public:
    Manifest()
    {
        if (Result<QByteArray> data = FileSystem::readFile(manifestPath()))
            m_entries = QJsonDocument::fromJson(data.value()).object();
    }
    std::optional<QString> recorded(const QString &place) const
    {
        const QJsonValue value = m_entries.value(place);
        return value.isString() ? std::optional(value.toString()) : std::nullopt;
    }
    void record(const QString &place, const QString &digest)
    {
        if (m_entries.value(place) == QJsonValue(digest))
            return;
        m_entries.insert(place, digest);
        m_changed = true;
    }
    void forget(const QString &place)
    {
        if (!m_entries.contains(place))
            return;
        m_entries.remove(place);
        m_changed = true;
    }
    Result<void> save() const
    {
        if (!m_changed)
            return success();
        if (Result<void> made = FileSystem::makePath(stateDirectory()); !made)
            return made;
        return FileSystem::writeAtomically(manifestPath(), QJsonDocument(m_entries).toJson());
    }

private:
    QJsonObject m_entries;
    bool m_changed = false;
};

Result<void> writeFile(const QString &path, const QByteArray &data, bool executable)
{
    if (Result<void> made = FileSystem::makePath(QFileInfo(path).path()); !made)
        return made;
    if (!executable)
        return FileSystem::writeAtomically(path, data);
    using P = QFileDevice::Permission;
    return FileSystem::writeAtomically(path, data,
                                       P::ReadOwner | P::WriteOwner | P::ExeOwner | P::ReadGroup |
                                           P::ExeGroup | P::ReadOther | P::ExeOther);
}

Result<void> removeFile(const QString &path)
{
    if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT)
        return Error::fromErrno(errno, path);
    return success();
}

// The file's content, nullopt when it is not there, or the error reading it.
Result<std::optional<QByteArray>> readIfThere(const QString &path)
{
    Result<QByteArray> data = FileSystem::readFile(path);
    if (data)
        return std::optional(std::move(data).value());
    if (data.error().code == ENOENT)
        return std::optional<QByteArray>();
    return data.error();
}

// We never make links, so one in our place is the user's: it is not written through (which
// would create or replace a file wherever it points) nor removed.
bool isLink(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

Report linkLeftAlone(const QString &place, const QString &path)
{
    return {place, Outcome::failed,
            path + QStringLiteral(": a symbolic link brindlepath did not make; left as it is")};
}

std::optional<QString> systemCopy(const QString &relative)
{
    if (relative.isEmpty())
        return std::nullopt;
    for (const QString &dir :
         searchPath("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"))) {
        const QString candidate = dir + QLatin1Char('/') + relative;
        if (FileSystem::exists(candidate))
            return candidate;
    }
    return std::nullopt;
}

Report installFile(const FileTarget &target, const QString &command, Manifest &manifest)
{
    const QString &path = target.path;
    const Result<std::optional<QByteArray>> current = readIfThere(path);
    if (!current)
        return {path, Outcome::failed, current.error().message};
    const QByteArray wanted = render(target.text, command, target.quoting);
    if (isLink(path)) {
        if (current.value() == wanted)
            return {path, Outcome::unchanged, {}};
        return linkLeftAlone(path, path);
    }
    const std::optional<QString> recorded = manifest.recorded(path);
    const bool ours = current.value() && (*current.value() == wanted ||
                                          (recorded && hash(*current.value()) == *recorded));

    if (const std::optional<QString> system = systemCopy(target.systemRelative)) {
        // A copy of our own would only shadow the package's.
        if (ours) {
            if (Result<void> removed = removeFile(path); !removed)
                return {path, Outcome::failed, removed.error().message};
            manifest.forget(path);
        }
        return {*system, Outcome::systemWide, {}};
    }
    if (!current.value()) {
        if (Result<void> written = writeFile(path, wanted, target.executable); !written)
            return {path, Outcome::failed, written.error().message};
        manifest.record(path, hash(wanted));
        return {path, Outcome::installed, {}};
    }
    if (*current.value() == wanted) {
        manifest.record(path, hash(wanted));
        return {path, Outcome::unchanged, {}};
    }
    if (!ours)
        return {path, recorded ? Outcome::keptChanged : Outcome::keptForeign, {}};
    if (Result<void> written = writeFile(path, wanted, target.executable); !written)
        return {path, Outcome::failed, written.error().message};
    manifest.record(path, hash(wanted));
    return {path, Outcome::updated, {}};
}

Report removeFileTarget(const FileTarget &target, const QString &command, Manifest &manifest)
{
    const QString &path = target.path;
    if (isLink(path))
        return {path, Outcome::keptForeign, QStringLiteral("a symbolic link")};
    const Result<std::optional<QByteArray>> current = readIfThere(path);
    if (!current)
        return {path, Outcome::failed, current.error().message};
    if (!current.value()) {
        manifest.forget(path);
        return {path, Outcome::notInstalled, {}};
    }
    const std::optional<QString> recorded = manifest.recorded(path);
    // Without a record: as this program or the one on PATH would write it.
    const bool pristine =
        (recorded && hash(*current.value()) == *recorded) ||
        *current.value() == render(target.text, command, target.quoting) ||
        *current.value() == render(target.text, QStringLiteral("brindlepath"), target.quoting);
    if (!pristine)
        return {path, recorded ? Outcome::keptChanged : Outcome::keptForeign, {}};
    if (Result<void> removed = removeFile(path); !removed)
        return {path, Outcome::failed, removed.error().message};
    manifest.forget(path);
    return {path, Outcome::removed, {}};
}

// --- Thunar's uca.xml: only our <action> element is ours. -----------------------------------

struct ThunarAction {
    qsizetype begin = -1;
    qsizetype end = -1;
    // The fields, in a form that Thunar's own rewrite of the file keeps.
    QString canonical;
};

struct ThunarDocument {
    std::optional<ThunarAction> action;
    // Where a new action goes: the start of </actions>. For an empty "<actions/>", the
    // range of that tag, which is replaced as a whole.
    qsizetype insertAt = -1;
    qsizetype emptyRootBegin = -1;
};

QString canonicalFields(QStringList fields)
{
    // Fields that Thunar writes empty when unset mean the same as no field.
    static const QStringList optional{QStringLiteral("submenu="), QStringLiteral("range="),
                                      QStringLiteral("description=")};
    fields.removeIf([](const QString &field) { return optional.contains(field); });
    std::sort(fields.begin(), fields.end());
    return fields.join(QLatin1Char('\n'));
}

// The action with the id (the first action when id is empty); nullopt when the text is not a
// uca.xml document.
std::optional<ThunarDocument> parseThunar(const QString &text, const QString &id)
{
    QString masked = text;
    // Thunar writes <?xml encoding="UTF-8" version="1.0"?>, which strict readers reject:
    // blank the declaration out, keeping every offset.
    const qsizetype lead = masked.indexOf(QLatin1Char('<'));
    if (lead >= 0 && QStringView(masked).mid(lead).startsWith(u"<?xml")) {
        const qsizetype close = masked.indexOf(QStringLiteral("?>"), lead);
        if (close < 0)
            return std::nullopt;
        masked.replace(lead, close + 2 - lead, QString(close + 2 - lead, QLatin1Char(' ')));
    }
    QXmlStreamReader reader(masked);
    // The reader's offset may already be past the next '<' or still before a tag's '>':
    // tags are found from the text itself.
    const auto tagEnd = [&] {
        return masked.indexOf(QLatin1Char('>'),
                              std::max<qsizetype>(reader.characterOffset() - 1, 0)) +
               1;
    };
    const auto tagBegin = [&](qsizetype end) {
        return masked.lastIndexOf(QLatin1Char('<'), end - 1);
    };
    ThunarDocument document;
    int depth = 0;
    qsizetype rootBegin = -1;
    qsizetype rootTagEnd = -1;
    std::optional<ThunarAction> action;
    QStringList fields;
    QString field;
    QString fieldText;
    QString actionId;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            if (depth == 1) {
                if (reader.name() != u"actions")
                    return std::nullopt;
                rootTagEnd = tagEnd();
                rootBegin = tagBegin(rootTagEnd);
            } else if (depth == 2 && reader.name() == u"action") {
                action = ThunarAction{tagBegin(tagEnd()), -1, {}};
                fields.clear();
                actionId.clear();
            } else if (depth == 3 && action) {
                field = reader.name().toString();
                for (const QXmlStreamAttribute &attribute : reader.attributes()) {
                    if (attribute.qualifiedName() == u"xml:lang")
                        field += QStringLiteral("[%1]").arg(attribute.value());
                }
                fieldText.clear();
            }
            break;
        case QXmlStreamReader::Characters:
            if (depth == 3 && action)
                fieldText += reader.text();
            break;
        case QXmlStreamReader::EndElement:
            if (depth == 3 && action) {
                fields += field + QLatin1Char('=') + fieldText.trimmed();
                if (field == u"unique-id")
                    actionId = fieldText.trimmed();
            } else if (depth == 2 && action) {
                if (!document.action && (id.isEmpty() || actionId == id)) {
                    action->end = tagEnd();
                    action->canonical = canonicalFields(fields);
                    document.action = action;
                }
                action.reset();
            } else if (depth == 1) {
                const qsizetype end = tagEnd();
                // <actions/> reads as a start and an end in one tag.
                if (end == rootTagEnd) {
                    document.insertAt = end;
                    document.emptyRootBegin = rootBegin;
                } else {
                    document.insertAt = tagBegin(end);
                }
            }
            --depth;
            break;
        default:
            break;
        }
    }
    if (reader.hasError() || document.insertAt < 0)
        return std::nullopt;
    return document;
}

QByteArray withAction(const QByteArray &text, const ThunarDocument &document, QByteArray element)
{
    QByteArray result = text;
    if (document.action) {
        // The element's own line end stays where it is.
        if (element.endsWith('\n'))
            element.chop(1);
        return result.replace(document.action->begin, document.action->end - document.action->begin,
                              element);
    }
    if (document.emptyRootBegin >= 0) {
        return result.replace(document.emptyRootBegin, document.insertAt - document.emptyRootBegin,
                              "<actions>\n" + element + "</actions>");
    }
    if (document.insertAt > 0 && text[document.insertAt - 1] != '\n')
        element.prepend('\n');
    return result.insert(document.insertAt, element);
}

QByteArray withoutAction(const QByteArray &text, const ThunarAction &action)
{
    qsizetype begin = action.begin;
    qsizetype end = action.end;
    // Take the element's line with it when it stands alone on it.
    while (begin > 0 && (text[begin - 1] == ' ' || text[begin - 1] == '\t'))
        --begin;
    if (begin > 0 && text[begin - 1] != '\n')
        begin = action.begin;
    if (end < text.size() && text[end] == '\n')
        ++end;
    return QByteArray(text).remove(begin, end - begin);
}

// The user's uca.xml; where there is none yet, Thunar reads the system's, so we start from it.
Result<QByteArray> ucaData()
{
    const Result<std::optional<QByteArray>> own = readIfThere(ucaPath());
    if (!own)
        return own.error();
    if (own.value())
        return *own.value();
    for (const QString &dir : searchPath("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"))) {
        if (Result<QByteArray> system =
                FileSystem::readFile(dir + QStringLiteral("/Thunar/uca.xml")))
            return system.value();
    }
    return QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n</actions>\n");
}

QString thunarElement(const QString &command)
{
    return QString::fromUtf8(
        render(FileManagerTemplates::thunarAction, command, Quoting::xmlShell));
}

QString canonicalOf(const QString &element)
{
    const std::optional<ThunarDocument> parsed = parseThunar(
        QStringLiteral("<actions>\n") + element + QStringLiteral("</actions>\n"), QString());
    return parsed && parsed->action ? parsed->action->canonical : QString();
}

// The user's uca.xml, read one character per byte so that every offset is a byte offset: an
// edit changes our action's bytes only, and the user's other actions stay byte for byte, text
// that is not UTF-8 included. Our own action's fields are read as UTF-8.
std::optional<ThunarDocument> parseUca(const QByteArray &data)
{
    QString text = QString::fromLatin1(data);
    if (data.startsWith("\xEF\xBB\xBF"))
        text.replace(0, 3, QStringLiteral("   "));
    std::optional<ThunarDocument> document = parseThunar(text, thunarUniqueId);
    if (document && document->action) {
        const QByteArray element =
            data.mid(document->action->begin, document->action->end - document->action->begin);
        const QString decoded = QString::fromUtf8(element);
        document->action->canonical =
            decoded.toUtf8() == element ? canonicalOf(decoded) : QString();
    }
    return document;
}

Report installThunar(const QString &command, Manifest &manifest)
{
    const QString place = thunarPlace();
    const QString key = ucaPath() + QLatin1Char('#') + thunarUniqueId;
    // A linked uca.xml is written at its target; a dangling link is not followed.
    if (isLink(ucaPath()) && !QFileInfo::exists(ucaPath()))
        return linkLeftAlone(place, ucaPath());
    const Result<QByteArray> data = ucaData();
    if (!data)
        return {place, Outcome::failed, data.error().message};
    const std::optional<ThunarDocument> document = parseUca(data.value());
    if (!document)
        return {place, Outcome::keptForeign, QStringLiteral("not a Thunar actions file")};
    const QString element = thunarElement(command);
    const QString wanted = canonicalOf(element);
    Outcome outcome = Outcome::installed;
    if (document->action) {
        const std::optional<QString> recorded = manifest.recorded(key);
        if (document->action->canonical == wanted) {
            manifest.record(key, hash(wanted.toUtf8()));
            return {place, Outcome::unchanged, {}};
        }
        if (!recorded || hash(document->action->canonical.toUtf8()) != *recorded)
            return {place, recorded ? Outcome::keptChanged : Outcome::keptForeign, {}};
        outcome = Outcome::updated;
    }
    const QByteArray merged = withAction(data.value(), *document, element.toUtf8());
    if (Result<void> written = writeFile(ucaPath(), merged, false); !written)
        return {place, Outcome::failed, written.error().message};
    manifest.record(key, hash(wanted.toUtf8()));
    return {place, outcome, {}};
}

Report removeThunar(const QString &command, Manifest &manifest)
{
    const QString place = thunarPlace();
    const QString key = ucaPath() + QLatin1Char('#') + thunarUniqueId;
    const Result<std::optional<QByteArray>> data = readIfThere(ucaPath());
    if (!data)
        return {place, Outcome::failed, data.error().message};
    const std::optional<ThunarDocument> document =
        data.value() ? parseUca(*data.value()) : std::nullopt;
    // Unreadable is not the same as without our action: it may still be in there.
    if (data.value() && !document)
        return {place, Outcome::keptForeign, QStringLiteral("not a Thunar actions file")};
    if (!document || !document->action) {
        manifest.forget(key);
        return {place, Outcome::notInstalled, {}};
    }
    const std::optional<QString> recorded = manifest.recorded(key);
    const QString &canonical = document->action->canonical;
    const bool pristine = (recorded && hash(canonical.toUtf8()) == *recorded) ||
                          canonical == canonicalOf(thunarElement(command)) ||
                          canonical == canonicalOf(thunarElement(QStringLiteral("brindlepath")));
    if (!pristine)
        return {place, recorded ? Outcome::keptChanged : Outcome::keptForeign, {}};
    if (Result<void> written =
            writeFile(ucaPath(), withoutAction(*data.value(), *document->action), false);
        !written)
        return {place, Outcome::failed, written.error().message};
    manifest.forget(key);
    return {place, Outcome::removed, {}};
}

void saveManifest(Manifest &manifest, QList<Report> &reports)
{
    if (Result<void> saved = manifest.save(); !saved)
        reports += Report{manifestPath(), Outcome::failed, saved.error().message};
}

} // namespace

QString programCommand(const QString &programPath)
{
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("brindlepath"));
    const QString program = QFileInfo(programPath).canonicalFilePath();
    if (!onPath.isEmpty() && QFileInfo(onPath).canonicalFilePath() == program)
        return QStringLiteral("brindlepath");
    // The file managers expand their own %-codes and split lines: such a path cannot be
    // written into the actions, so they rely on PATH.
    const bool writable =
        !program.isEmpty() && !program.contains(QLatin1Char('%')) &&
        std::none_of(program.begin(), program.end(), [](QChar c) { return c.unicode() < 0x20; });
    return writable ? program : QStringLiteral("brindlepath");
}

QList<Report> install(const QString &command)
{
    Manifest manifest;
    QList<Report> reports;
    for (const FileTarget &target : fileTargets())
        reports += installFile(target, command, manifest);
    reports += installThunar(command, manifest);
    saveManifest(manifest, reports);
    return reports;
}

QList<Report> remove(const QString &command)
{
    Manifest manifest;
    QList<Report> reports;
    for (const FileTarget &target : fileTargets())
        reports += removeFileTarget(target, command, manifest);
    reports += removeThunar(command, manifest);
    saveManifest(manifest, reports);
    return reports;
}

QString stateDirectory()
{
    return dataHome() + QStringLiteral("/brindlepath");
}

QString stampPath()
{
    return stateDirectory() + QStringLiteral("/file-manager-actions.stamp");
}

bool integrateOnce(const QString &command)
{
    if (FileSystem::exists(stampPath()))
        return false;
    // One attempt only: what failed is reported by "brindlepath integrate" when run by hand.
    [[maybe_unused]] const QList<Report> reports = install(command);
    [[maybe_unused]] const Result<void> made = FileSystem::makePath(stateDirectory());
    [[maybe_unused]] const Result<void> stamped =
        FileSystem::writeAtomically(stampPath(), QByteArrayLiteral("1\n"));
    return true;
}

bool integrateOnce()
{
    return integrateOnce(programCommand(QCoreApplication::applicationFilePath()));
}

} // namespace bp::FileManagerActions

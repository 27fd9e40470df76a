#include "CliSupport.h"

#include "model/FileSystem.h"

#include "stores/CustomTemplateStore.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstdio>
#include <unistd.h>
#include <utility>

namespace bp::Cli {

int Io::failure(const QString &message) const
{
    err << "brindlepath: " << message << '\n';
    err.flush();
    return Failure;
}

int Io::usage(const QString &message, const QString &synopsis) const
{
    err << "brindlepath: " << message << '\n'
        << "Usage: " << synopsis << '\n'
        << "Try 'brindlepath --help' for more information.\n";
    err.flush();
    return UsageError;
}

void Io::printJson(const QJsonValue &value) const
{
    const QJsonDocument doc =
        value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    out << QString::fromUtf8(doc.toJson(QJsonDocument::Compact)) << '\n';
}

void addConfigOptions(QCommandLineParser &parser, bool withSort)
{
    parser.addOptions({
        {QStringLiteral("target"), QStringLiteral("Folder to create projects in."),
         QStringLiteral("DIR")},
        {QStringLiteral("name"), QStringLiteral("Project name."), QStringLiteral("NAME")},
        {QStringLiteral("batch"), QStringLiteral("File with one project name per line, or -."),
         QStringLiteral("FILE")},
        {QStringLiteral("template"), QStringLiteral("Built-in template raw value."),
         QStringLiteral("RAW")},
        {QStringLiteral("extras"), QStringLiteral("Comma-separated extras, or none."),
         QStringLiteral("LIST")},
        {QStringLiteral("custom-template"), QStringLiteral("Custom template id."),
         QStringLiteral("UUID")},
        {QStringLiteral("date"), QStringLiteral("Date for the folder names."),
         QStringLiteral("YYYY-MM-DD")},
        {QStringLiteral("json"), QStringLiteral("Print JSON.")},
    });
    if (withSort)
        parser.addOption({QStringLiteral("sort"), QStringLiteral("Sort loose files afterwards.")});
}

std::optional<QString> applyConfigOptions(const QCommandLineParser &parser, ProjectConfig &config,
                                          std::optional<QDate> &shootDate,
                                          const CustomTemplateStore &templates)
{
    if (parser.isSet(QStringLiteral("name")) && parser.isSet(QStringLiteral("batch")))
        return QStringLiteral("--name and --batch exclude each other");
    if (parser.isSet(QStringLiteral("target")))
        config.targetFolderURL = absolutePath(parser.value(QStringLiteral("target")));
    if (parser.isSet(QStringLiteral("name")))
        config.projectName = parser.value(QStringLiteral("name"));
    if (parser.isSet(QStringLiteral("batch"))) {
        const Result<QByteArray> text = readInput(parser.value(QStringLiteral("batch")));
        if (!text)
            return text.error().message;
        config.batchMode = true;
        config.batchNames = QString::fromUtf8(text.value());
    }
    if (parser.isSet(QStringLiteral("template"))) {
        const QString raw = parser.value(QStringLiteral("template"));
        const std::optional<PlatformTemplate> platform = platformTemplateFromRawValue(raw);
        if (!platform)
            return QStringLiteral("unknown template \u201c%1\u201d").arg(raw);
        config.platform = *platform;
    }
    if (parser.isSet(QStringLiteral("extras"))) {
        const QString list = parser.value(QStringLiteral("extras"));
        config.extras = {};
        if (list != u"none") {
            for (const QString &raw : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                const std::optional<ExtraFlag> extra = extraFlagFromRawValue(raw.trimmed());
                if (!extra)
                    return QStringLiteral("unknown extra \u201c%1\u201d").arg(raw.trimmed());
                config.extras.insert(*extra);
            }
        }
    }
    if (parser.isSet(QStringLiteral("custom-template"))) {
        const QString raw = parser.value(QStringLiteral("custom-template"));
        const QUuid id = QUuid::fromString(raw);
        if (id.isNull())
            return QStringLiteral("\u201c%1\u201d is not a template id").arg(raw);
        const QList<CustomTemplate> known = templates.all();
        if (std::none_of(known.begin(), known.end(),
                         [&](const CustomTemplate &t) { return t.id == id; }))
            return QStringLiteral("no custom template with id %1").arg(raw);
        config.customTemplateID = id;
    }
    if (parser.isSet(QStringLiteral("date"))) {
        const QString raw = parser.value(QStringLiteral("date"));
        const QDate date = QDate::fromString(raw, Qt::ISODate);
        if (!date.isValid() || raw.size() != 10)
            return QStringLiteral("\u201c%1\u201d is not a date of the form YYYY-MM-DD").arg(raw);
        shootDate = date;
    }
    return std::nullopt;
}

Result<QByteArray> readInput(const QString &fileOrDash)
{
    QFile file;
    const bool opened = fileOrDash == u"-"
                            ? file.open(stdin, QIODevice::ReadOnly)
                            : (file.setFileName(fileOrDash), file.open(QIODevice::ReadOnly));
    if (!opened)
        return Error::fromErrno(errno ? errno : EIO, fileOrDash);
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Error::fromErrno(errno ? errno : EIO, fileOrDash);
    return data;
}

Result<void> writeOutput(const QString &fileOrDash, const QByteArray &data)
{
    if (fileOrDash == u"-") {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly) || out.write(data) != data.size())
            return Error::fromErrno(errno ? errno : EIO, QStringLiteral("standard output"));
        return success();
    }
    // Written whole or not at all: a half-written export is worse than none.
    return FileSystem::writeAtomically(fileOrDash, data);
}

QString absolutePath(const QString &path)
{
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

QJsonArray movesToJson(const QList<MoveRecord> &records)
{
    QJsonArray moves;
    for (const MoveRecord &r : records)
        moves.append(QJsonObject{{QStringLiteral("source"), r.source},
                                 {QStringLiteral("destination"), r.destination}});
    return moves;
}

QJsonArray failedToJson(const QList<SortFailure> &failed)
{
    QJsonArray array;
    for (const SortFailure &f : failed)
        array.append(QJsonObject{{QStringLiteral("source"), f.source},
                                 {QStringLiteral("error"), f.error.message}});
    return array;
}

int reportNotMoved(const Io &io, const QList<SortFailure> &failed)
{
    for (const SortFailure &f : failed) {
        // The reason names the file itself when the failure was on its side.
        const QString own = f.source + QStringLiteral(": ");
        const QString reason =
            f.error.message.startsWith(own) ? f.error.message.mid(own.size()) : f.error.message;
        io.err << "brindlepath: " << f.source << ": not moved: " << reason << '\n';
    }
    io.err.flush();
    return failed.isEmpty() ? Success : Failure;
}

ProgressPrinter::ProgressPrinter(const Io &io, bool json)
    : m_io(io), m_json(json), m_terminal(::isatty(STDERR_FILENO) == 1)
{}

void ProgressPrinter::print(const SortProgress &progress)
{
    if (m_json) {
        const QJsonObject line{{QStringLiteral("progress"),
                                QJsonObject{{QStringLiteral("file"), progress.source},
                                            {QStringLiteral("bytes"), progress.bytesCopied},
                                            {QStringLiteral("total"), progress.fileSize},
                                            {QStringLiteral("number"), progress.fileIndex + 1},
                                            {QStringLiteral("count"), progress.fileCount}}}};
        m_io.err << QString::fromUtf8(QJsonDocument(line).toJson(QJsonDocument::Compact)) << '\n';
    } else if (m_terminal) {
        const double total = double(progress.fileSize);
        const auto [scale, unit] = total >= 1e9   ? std::pair{1e9, "GB"}
                                   : total >= 1e6 ? std::pair{1e6, "MB"}
                                   : total >= 1e3 ? std::pair{1e3, "kB"}
                                                  : std::pair{1.0, "bytes"};
        const int decimals = scale > 1 ? 1 : 0;
        const QString name = progress.source.mid(progress.source.lastIndexOf(u'/') + 1);
        // \033[K clears what a longer earlier line left behind.
        m_io.err << "\rcopying " << name << ": "
                 << QString::number(double(progress.bytesCopied) / scale, 'f', decimals) << " of "
                 << QString::number(total / scale, 'f', decimals) << ' ' << unit << " (file "
                 << progress.fileIndex + 1 << " of " << progress.fileCount << ")\033[K";
        m_lineOpen = true;
    }
    m_io.err.flush();
}

void ProgressPrinter::finish()
{
    if (std::exchange(m_lineOpen, false)) {
        m_io.err << '\n';
        m_io.err.flush();
    }
}

namespace {

// filesAfter: the parent's files follow these folders, so none of them is drawn as the last.
void printLevel(QTextStream &out, const QList<FolderNode> &nodes, const QList<PlannedFile> &files,
                const QString &indent)
{
    const qsizetype count = nodes.size() + files.size();
    for (qsizetype i = 0; i < count; ++i) {
        const bool last = i == count - 1;
        const bool folder = i < nodes.size();
        out << indent << (last ? QStringLiteral("└── ") : QStringLiteral("├── "))
            << (folder ? nodes[i].name : files[i - nodes.size()].name) << '\n';
        if (folder)
            printLevel(out, nodes[i].children, nodes[i].files,
                       indent + (last ? QStringLiteral("    ") : QStringLiteral("│   ")));
    }
}

} // namespace

void printTree(QTextStream &out, const QList<FolderNode> &nodes, const QString &indent)
{
    printLevel(out, nodes, {}, indent);
}

bool parseOrReport(QCommandLineParser &parser, const QStringList &arguments, const Io &io,
                   const QString &synopsis, int &exitCode)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Help.")});
    if (!parser.parse(QStringList{QStringLiteral("brindlepath")} + arguments)) {
        exitCode = io.usage(parser.errorText(), synopsis);
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        io.out << "Usage: " << synopsis << '\n';
        exitCode = Success;
        return false;
    }
    return true;
}

} // namespace bp::Cli

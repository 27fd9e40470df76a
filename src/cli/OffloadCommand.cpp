#include "CliSupport.h"

#include "model/FileSystem.h"
#include "model/WhenFinished.h"
#include "offload/AscMhl.h"
#include "offload/OffloadEngine.h"
#include "platform/AgentJob.h"
#include "workflow/OffloadCard.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <QtConcurrent/QtConcurrentRun>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace bp::Cli {
namespace {

using namespace bp::offload;

const QString offloadSynopsis = QStringLiteral(
    "brindlepath offload --from CARD --into DIR [--also DIR] [--hash xxh128|xxh3|xxh64|md5] "
    "[--no-verify] [--json]");
const QString verifySynopsis = QStringLiteral("brindlepath verify DIR [--json]");

int interruptPipe[2] = {-1, -1};

void writeInterrupt(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(interruptPipe[0], &byte, 1);
}

// Ctrl+C (and SIGTERM) ends the run cleanly instead of killing it halfway through a file.
void cancelOnInterrupt(QObject *context, std::function<void()> cancel)
{
    if (interruptPipe[0] < 0 &&
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, interruptPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(interruptPipe[1], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [cancel] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(interruptPipe[1], &byte, 1);
        cancel();
    });
    struct sigaction action = {};
    action.sa_handler = writeInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

QString sizeText(double bytes)
{
    const auto [scale, unit] = bytes >= 1e9   ? std::pair{1e9, "GB"}
                               : bytes >= 1e6 ? std::pair{1e6, "MB"}
                               : bytes >= 1e3 ? std::pair{1e3, "kB"}
                                              : std::pair{1.0, "bytes"};
    return QString::number(bytes / scale, 'f', scale > 1 ? 1 : 0) + QLatin1Char(' ') +
           QLatin1String(unit);
}

QString durationText(qint64 seconds)
{
    return seconds >= 3600 ? QStringLiteral("%1:%2:%3")
                                 .arg(seconds / 3600)
                                 .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                                 .arg(seconds % 60, 2, 10, QLatin1Char('0'))
                           : QStringLiteral("%1:%2")
                                 .arg(seconds / 60)
                                 .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString problemText(const FileResult &file)
{
    switch (file.problem) {
    case FileResult::Problem::none:
        return file.state == FileState::renamed
                   ? QStringLiteral("\u201c%1\u201d was taken").arg(file.detail)
                   : QString();
    case FileResult::Problem::unreadable:
        return QStringLiteral("cannot read: ") + file.detail;
    case FileResult::Problem::unwritable:
        return QStringLiteral("cannot write: ") + file.detail;
    case FileResult::Problem::mismatch:
        return QStringLiteral("the copy read back differs from the source");
    case FileResult::Problem::historyChanged:
        return QStringLiteral("differs from the card's own ASC MHL history");
    case FileResult::Problem::historyMissing:
        return QStringLiteral("named in the card's ASC MHL history, missing on the card");
    case FileResult::Problem::notRegular:
        return QStringLiteral("not a regular file");
    case FileResult::Problem::cancelled:
        return QStringLiteral("cancelled");
    }
    return {};
}

QString stateName(FileState state)
{
    switch (state) {
    case FileState::verified:
        return QStringLiteral("verified");
    case FileState::copiedUnverified:
        return QStringLiteral("copied");
    case FileState::alreadyThere:
        return QStringLiteral("alreadyThere");
    case FileState::renamed:
        return QStringLiteral("renamed");
    case FileState::failed:
        return QStringLiteral("failed");
    case FileState::skipped:
        return QStringLiteral("skipped");
    }
    return {};
}

QJsonObject fileJson(const FileResult &file)
{
    QJsonObject object{{QStringLiteral("path"), file.path},
                       {QStringLiteral("size"), file.size},
                       {QStringLiteral("state"), stateName(file.state)}};
    if (!file.digest.isEmpty())
        object.insert(QStringLiteral("digest"), file.digest);
    if (file.storedAs != file.path && !file.storedAs.isEmpty())
        object.insert(QStringLiteral("storedAs"), file.storedAs);
    const QString problem = problemText(file);
    if (!problem.isEmpty())
        object.insert(QStringLiteral("problem"), problem);
    return object;
}

QJsonObject outcomeJson(const OffloadOutcome &outcome, bool succeeded)
{
    QJsonArray destinations;
    for (const DestinationResult &destination : outcome.destinations) {
        QJsonArray files;
        for (const FileResult &file : destination.files)
            files.append(fileJson(file));
        QJsonObject object{{QStringLiteral("folder"), destination.folder},
                           {QStringLiteral("generation"), destination.generation},
                           {QStringLiteral("files"), files}};
        if (destination.problem)
            object.insert(QStringLiteral("error"), destination.problem->message);
        destinations.append(object);
    }
    QJsonArray sourceProblems;
    for (const FileResult &file : outcome.sourceProblems)
        sourceProblems.append(fileJson(file));
    QJsonObject object{{QStringLiteral("source"), outcome.request.source},
                       {QStringLiteral("hash"), hashName(outcome.request.hash)},
                       {QStringLiteral("verify"), outcome.request.verify},
                       {QStringLiteral("destinations"), destinations},
                       {QStringLiteral("sourceProblems"), sourceProblems},
                       {QStringLiteral("files"), outcome.files},
                       {QStringLiteral("bytes"), outcome.bytes},
                       {QStringLiteral("copiedFiles"), outcome.copiedFiles},
                       {QStringLiteral("copiedBytes"), outcome.copiedBytes},
                       {QStringLiteral("durationMs"), outcome.durationMs},
                       {QStringLiteral("cancelled"), outcome.cancelled},
                       {QStringLiteral("succeeded"), succeeded}};
    if (outcome.error)
        object.insert(QStringLiteral("error"), outcome.error->message);
    return object;
}

// Progress on standard error: one line rewritten in place on a terminal; with --json one
// {"progress":…} line on standard output, as the JSON lines of the run.
class OffloadProgressPrinter {
public:
    OffloadProgressPrinter(const Io &io, bool json)
        : m_io(io), m_json(json), m_terminal(::isatty(STDERR_FILENO) == 1)
    {}

    void print(const OffloadProgress &p)
    {
        if (m_json) {
            const QJsonObject line{
                {QStringLiteral("progress"),
                 QJsonObject{{QStringLiteral("file"), p.currentFile},
                             {QStringLiteral("bytes"), p.bytesDone},
                             {QStringLiteral("totalBytes"), p.bytesTotal},
                             {QStringLiteral("files"), p.filesDone},
                             {QStringLiteral("totalFiles"), p.filesTotal},
                             {QStringLiteral("bytesPerSecond"), qint64(p.bytesPerSecond)},
                             {QStringLiteral("secondsLeft"), p.secondsLeft}}}};
            m_io.out << QString::fromUtf8(QJsonDocument(line).toJson(QJsonDocument::Compact))
                     << '\n';
            m_io.out.flush();
            return;
        }
        if (!m_terminal)
            return;
        const QString left = p.secondsLeft >= 0
                                 ? QStringLiteral(", %1 left").arg(durationText(p.secondsLeft))
                                 : QString();
        m_io.err << "\r" << sizeText(double(p.bytesDone)) << " of "
                 << sizeText(double(p.bytesTotal)) << " (file " << p.filesDone << " of "
                 << p.filesTotal << ", " << sizeText(p.bytesPerSecond) << "/s" << left << ")\033[K";
        m_io.err.flush();
        m_lineOpen = true;
    }

    void finish()
    {
        if (std::exchange(m_lineOpen, false)) {
            m_io.err << '\n';
            m_io.err.flush();
        }
    }

private:
    const Io &m_io;
    bool m_json;
    bool m_terminal;
    bool m_lineOpen = false;
};

void printOutcome(const Io &io, const OffloadOutcome &outcome, bool succeeded)
{
    for (const FileResult &file : outcome.sourceProblems)
        io.err << "brindlepath: " << file.path << ": " << problemText(file) << '\n';
    for (const DestinationResult &destination : outcome.destinations) {
        if (destination.problem)
            io.err << "brindlepath: " << destination.problem->message << '\n';
        for (const FileResult &file : destination.files) {
            const QString where = destination.folder + QLatin1Char('/');
            switch (file.state) {
            case FileState::renamed:
                io.out << "renamed " << where << file.storedAs << " (" << problemText(file)
                       << ")\n";
                break;
            case FileState::failed:
                io.err << "brindlepath: " << where << file.path
                       << ": not copied: " << problemText(file) << '\n';
                break;
            case FileState::skipped:
                io.out << "skipped " << file.path << " (" << problemText(file) << ")\n";
                break;
            default:
                break;
            }
        }
    }
    const qint64 seconds = outcome.durationMs / 1000;
    const double rate = outcome.durationMs > 0
                            ? double(outcome.copiedBytes) * 1000.0 / double(outcome.durationMs)
                            : 0;
    if (outcome.cancelled)
        io.out << "cancelled: ";
    if (outcome.nothingCopied())
        io.out << "nothing to copy: all " << outcome.files
               << " files are already there and verified\n";
    else
        io.out << "copied " << outcome.copiedFiles << " of " << outcome.files << " files ("
               << sizeText(double(outcome.copiedBytes)) << ") in " << durationText(seconds) << " ("
               << sizeText(rate) << "/s)"
               << (succeeded ? (outcome.request.verify ? ", all verified" : ", not verified") : "")
               << '\n';
    io.out.flush();
    io.err.flush();
}

} // namespace

int runOffload(const QStringList &arguments, const Io &io)
{
    QCommandLineParser parser;
    parser.addOptions({
        {QStringLiteral("from"), QStringLiteral("The card (or folder) to copy, as a whole."),
         QStringLiteral("CARD")},
        {QStringLiteral("into"),
         QStringLiteral("The offload folder itself: the card's content lands directly in it "
                        "(unlike sort --into, which names a project). Created when missing."),
         QStringLiteral("DIR")},
        {QStringLiteral("also"), QStringLiteral("A second offload folder."), QStringLiteral("DIR")},
        {QStringLiteral("hash"), QStringLiteral("xxh128 (default), xxh3, xxh64 or md5."),
         QStringLiteral("KIND")},
        {QStringLiteral("no-verify"),
         QStringLiteral("Copy without reading the copies back; they count as unverified.")},
        {QStringLiteral("json"), QStringLiteral("Print JSON lines.")},
    });
    int code = Success;
    if (!parseOrReport(parser, arguments, io, offloadSynopsis, code))
        return code;
    if (!parser.isSet(QStringLiteral("from")) || !parser.isSet(QStringLiteral("into")))
        return io.usage(QStringLiteral("pass --from CARD and --into DIR"), offloadSynopsis);
    if (!parser.positionalArguments().isEmpty())
        return io.usage(QStringLiteral("unexpected argument \u201c%1\u201d")
                            .arg(parser.positionalArguments().first()),
                        offloadSynopsis);
    if (parser.values(QStringLiteral("from")).size() > 1 ||
        parser.values(QStringLiteral("into")).size() > 1 ||
        parser.values(QStringLiteral("also")).size() > 1)
        return io.usage(QStringLiteral("one --from, one --into and at most one --also"),
                        offloadSynopsis);
    OffloadRequest request;
    if (parser.isSet(QStringLiteral("hash"))) {
        const std::optional<HashKind> kind = hashKindFromName(parser.value(QStringLiteral("hash")));
        if (!kind)
            return io.usage(QStringLiteral("unknown hash \u201c%1\u201d")
                                .arg(parser.value(QStringLiteral("hash"))),
                            offloadSynopsis);
        request.hash = *kind;
    }
    request.source = absolutePath(parser.value(QStringLiteral("from")));
    request.destinations = {absolutePath(parser.value(QStringLiteral("into")))};
    if (parser.isSet(QStringLiteral("also")))
        request.destinations += absolutePath(parser.value(QStringLiteral("also")));
    request.verify = !parser.isSet(QStringLiteral("no-verify"));
    const bool json = parser.isSet(QStringLiteral("json"));
    if (!FileSystem::isDirectory(request.source))
        return io.failure(
            Error::fromErrno(FileSystem::exists(request.source) ? ENOTDIR : ENOENT, request.source)
                .message);

    OffloadCard runner;
    cancelOnInterrupt(&runner, [&runner] { runner.cancel(); });
    AgentJob job(QStringLiteral("Kaart importeren: %1").arg(QDir(request.source).dirName()),
                 QStringLiteral("bytes"), [&runner] { runner.cancel(); });
    OffloadProgressPrinter printer(io, json);
    // Printed from the worker: this thread runs its event loop meanwhile, for the agent's
    // cancel and Ctrl+C.
    QFuture<OffloadOutcome> running = runner.run(request, [&](const OffloadProgress &p) {
        printer.print(p);
        job.progress(p.bytesDone, p.bytesTotal, p.currentFile);
    });
    waitForFinished(running);
    printer.finish();
    const OffloadOutcome outcome = running.result();
    const bool succeeded =
        request.verify ? outcome.allVerified()
                       : !outcome.error && !outcome.cancelled && outcome.firstFailure().isEmpty();
    if (json) {
        io.printJson(QJsonObject{{QStringLiteral("outcome"), outcomeJson(outcome, succeeded)}});
        return succeeded ? Success : Failure;
    }
    if (outcome.error)
        return io.failure(outcome.error->message);
    printOutcome(io, outcome, succeeded);
    return succeeded ? Success : Failure;
}

int runVerify(const QStringList &arguments, const Io &io)
{
    QCommandLineParser parser;
    parser.addOptions({{QStringLiteral("json"), QStringLiteral("Print JSON.")}});
    int code = Success;
    if (!parseOrReport(parser, arguments, io, verifySynopsis, code))
        return code;
    if (parser.positionalArguments().size() != 1)
        return io.usage(QStringLiteral("name one folder"), verifySynopsis);
    const QString root = absolutePath(parser.positionalArguments().first());
    const bool json = parser.isSet(QStringLiteral("json"));
    if (!FileSystem::isDirectory(root))
        return io.failure(
            Error::fromErrno(FileSystem::exists(root) ? ENOTDIR : ENOENT, root).message);

    auto cancel = std::make_shared<std::atomic_bool>(false);
    QObject context;
    cancelOnInterrupt(&context, [cancel] { cancel->store(true); });
    AgentJob job(QStringLiteral("Controleren: %1").arg(QDir(root).dirName()),
                 QStringLiteral("bytes"), [cancel] { cancel->store(true); });
    OffloadProgressPrinter printer(io, json);
    QFuture<Result<mhl::VerifyReport>> running = QtConcurrent::run([&, cancel] {
        return mhl::verifyFolder(root, *cancel,
                                 [&](qint64 done, qint64 total, const QString &file) {
                                     OffloadProgress p;
                                     p.bytesDone = done;
                                     p.bytesTotal = total;
                                     p.currentFile = file;
                                     printer.print(p);
                                     job.progress(done, total, file);
                                 });
    });
    waitForFinished(running);
    printer.finish();
    const Result<mhl::VerifyReport> verified = running.result();
    if (!verified)
        return io.failure(verified.error().message);
    const mhl::VerifyReport &report = verified.value();
    if (json) {
        const auto array = [](const QStringList &list) { return QJsonArray::fromStringList(list); };
        io.printJson(QJsonObject{{QStringLiteral("matched"), report.matched.size()},
                                 {QStringLiteral("missing"), array(report.missing)},
                                 {QStringLiteral("changed"), array(report.changed)},
                                 {QStringLiteral("new"), array(report.added)},
                                 {QStringLiteral("unreadable"), array(report.unreadable)},
                                 {QStringLiteral("cancelled"), report.cancelled},
                                 {QStringLiteral("ok"), report.ok()}});
    } else {
        for (const QString &path : report.missing)
            io.out << "missing " << path << '\n';
        for (const QString &path : report.changed)
            io.out << "changed " << path << '\n';
        for (const QString &path : report.added)
            io.out << "new " << path << '\n';
        for (const QString &path : report.unreadable)
            io.out << "unreadable " << path << '\n';
        if (report.cancelled)
            io.out << "cancelled\n";
        io.out << report.matched.size() << " files match the ASC MHL history"
               << (report.ok() ? "" : "; the folder does not") << '\n';
        io.out.flush();
    }
    return report.ok() ? Success : Failure;
}

} // namespace bp::Cli

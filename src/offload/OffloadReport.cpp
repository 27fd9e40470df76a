#include "offload/OffloadReport.h"

#include "model/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QLocale>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>

namespace bp::offload {

namespace {

QString line(const FileResult &file)
{
    QString text = QStringLiteral("  ") + file.path;
    if (file.state == FileState::renamed)
        return text + QStringLiteral(" → ") + file.storedAs;
    const QString why = problemText(file);
    return why.isEmpty() ? text : text + QStringLiteral(": ") + why;
}

void section(QString &out, const QString &title, const QList<FileResult> &files, FileState state)
{
    QStringList lines;
    for (const FileResult &file : files)
        if (file.state == state)
            lines.append(line(file));
    if (lines.isEmpty())
        return;
    out += QStringLiteral("%1 (%2):\n").arg(title).arg(lines.size());
    out += lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace

QString sizeText(qint64 bytes)
{
    static const QLocale dutch(QLocale::Dutch, QLocale::Netherlands);
    struct Unit {
        double bytes;
        const char *name;
    };
    static constexpr Unit units[] = {{1e12, "TB"}, {1e9, "GB"}, {1e6, "MB"}, {1e3, "kB"}};
    const auto *unit = std::find_if(std::begin(units), std::end(units),
                                    [&](const Unit &u) { return double(bytes) >= u.bytes; });
    if (unit == std::end(units))
        return QStringLiteral("%1 bytes").arg(bytes);
    return dutch.toString(double(bytes) / unit->bytes, 'f', 1) + QLatin1Char(' ') +
           QLatin1String(unit->name);
}

QString durationText(qint64 ms)
{
    const qint64 seconds = (ms + 500) / 1000;
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
    return QStringLiteral("%1 u %2 min").arg(seconds / 3600).arg(seconds % 3600 / 60);
}

QString problemText(const FileResult &file)
{
    using Problem = FileResult::Problem;
    QString text;
    switch (file.problem) {
    case Problem::none:
        break;
    case Problem::unreadable:
        text = QStringLiteral("niet leesbaar op de bron");
        break;
    case Problem::unwritable:
        text = QStringLiteral("kon niet worden geschreven");
        break;
    case Problem::mismatch:
        text = QStringLiteral("kopie wijkt af van de bron");
        break;
    case Problem::historyChanged:
        text = QStringLiteral("wijkt af van de ASC MHL-geschiedenis op de kaart");
        break;
    case Problem::historyMissing:
        text = QStringLiteral("staat in de geschiedenis van de kaart, maar ontbreekt");
        break;
    case Problem::notRegular:
        text = QStringLiteral("geen gewoon bestand");
        break;
    case Problem::cancelled:
        text = QStringLiteral("geannuleerd");
        break;
    }
    if (!file.detail.isEmpty() && file.state != FileState::renamed)
        text += text.isEmpty() ? file.detail : QStringLiteral(" (%1)").arg(file.detail);
    return text;
}

QString offloadReportText(const OffloadOutcome &outcome)
{
    const OffloadRequest &request = outcome.request;
    QString out = QStringLiteral("Kaart importeren — rapport\n");
    if (outcome.started.isValid())
        out += QStringLiteral("Begonnen: %1 UTC\n")
                   .arg(outcome.started.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    out += QStringLiteral("Bron: %1\n").arg(request.source);
    if (request.destinations.size() == 1)
        out += QStringLiteral("Bestemming: %1\n").arg(request.destinations.first());
    else
        out += QStringLiteral("Bestemmingen: %1\n").arg(request.destinations.join(u", "));
    out += QStringLiteral("Controle: %1 (%2)\n")
               .arg(request.verify ? QStringLiteral("kopie en controle")
                                   : QStringLiteral("alleen kopie"),
                    hashName(request.hash));
    out += QStringLiteral("Bestanden: %1, waarvan %2 gekopieerd\n")
               .arg(outcome.files)
               .arg(outcome.copiedFiles);
    out += QStringLiteral("Grootte: %1, waarvan %2 gekopieerd\n")
               .arg(sizeText(outcome.bytes), sizeText(outcome.copiedBytes));
    out += QStringLiteral("Duur: %1\n").arg(durationText(outcome.durationMs));
    if (outcome.durationMs > 0 && outcome.copiedBytes > 0)
        out += QStringLiteral("Snelheid: %1/s\n")
                   .arg(sizeText(outcome.copiedBytes * 1000 / outcome.durationMs));

    QString result;
    if (outcome.error)
        result = QStringLiteral("niet gestart: ") + outcome.error->message;
    else if (outcome.cancelled)
        result = QStringLiteral("geannuleerd");
    else if (outcome.allVerified())
        result = outcome.nothingCopied() ? QStringLiteral("alles was er al, niets gekopieerd")
                                         : QStringLiteral("alles gekopieerd en gecontroleerd");
    else if (!request.verify && outcome.firstFailure().isEmpty())
        result = QStringLiteral("gekopieerd, niet gecontroleerd");
    else
        result = QStringLiteral("mislukt");
    out += QStringLiteral("Uitkomst: %1\n").arg(result);

    QStringList problems;
    for (const FileResult &file : outcome.sourceProblems)
        problems.append(line(file));
    if (!problems.isEmpty())
        out += QStringLiteral("\nKaart wijkt af van haar eigen geschiedenis (%1):\n%2\n")
                   .arg(problems.size())
                   .arg(problems.join(QLatin1Char('\n')));

    for (const DestinationResult &destination : outcome.destinations) {
        out += QStringLiteral("\nNaar %1").arg(destination.folder);
        if (!destination.generation.isEmpty())
            out += QStringLiteral(" (ASC MHL: %1)").arg(destination.generation);
        out += QLatin1Char('\n');
        if (destination.problem)
            out += QStringLiteral("Mislukt: %1\n").arg(destination.problem->message);
        section(out, QStringLiteral("Behouden"), destination.files, FileState::alreadyThere);
        section(out, QStringLiteral("Hernoemd"), destination.files, FileState::renamed);
        section(out, QStringLiteral("Mislukt"), destination.files, FileState::failed);
        section(out, QStringLiteral("Overgeslagen"), destination.files, FileState::skipped);
    }
    return out;
}

Result<void> appendOffloadReport(const QString &destination, const OffloadOutcome &outcome)
{
    const QString folder = QDir(destination).filePath(QStringLiteral("ascmhl"));
    if (const Result<void> made = FileSystem::makePath(folder); !made.ok())
        return made.error();
    const QString path = folder + QStringLiteral("/offload-rapport.txt");
    // One run's report in one write: earlier runs stay above it, whole.
    const QByteArray text = offloadReportText(outcome).toUtf8() + '\n';
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        return Error::fromErrno(errno, path);
    qsizetype written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.constData() + written, size_t(text.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            return Error::fromErrno(err, path);
        }
        written += n;
    }
    const int synced = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
    ::close(fd);
    if (synced)
        return Error::fromErrno(synced, path);
    return success();
}

} // namespace bp::offload

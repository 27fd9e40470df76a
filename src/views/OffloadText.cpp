#include "views/OffloadText.h"

#include "views/ErrorText.h"

#include <QLocale>

#include <algorithm>
#include <iterator>

namespace bp::OffloadText {
namespace {

const QLocale &dutch()
{
    static const QLocale locale(QLocale::Dutch, QLocale::Netherlands);
    return locale;
}

QString withDetail(const QString &reason, const QString &detail)
{
    return detail.isEmpty() ? reason : reason + QStringLiteral(" (") + detail + QLatin1Char(')');
}

} // namespace

QString size(qint64 bytes)
{
    struct Unit {
        double bytes;
        const char *name;
    };
    static constexpr Unit units[] = {{1e12, "TB"}, {1e9, "GB"}, {1e6, "MB"}, {1e3, "kB"}};
    const auto *unit = std::find_if(std::begin(units), std::end(units),
                                    [&](const Unit &u) { return double(bytes) >= u.bytes; });
    if (unit == std::end(units))
        return QStringLiteral("%1 bytes").arg(bytes);
    return dutch().toString(double(bytes) / unit->bytes, 'f', 1) + QLatin1Char(' ') +
           QLatin1String(unit->name);
}

QString rate(double bytesPerSecond)
{
    return size(qint64(bytesPerSecond)) + QStringLiteral("/s");
}

QString timeLeft(qint64 seconds)
{
    if (seconds < 0)
        return {};
    if (seconds < 60)
        return QStringLiteral("nog %1 s").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("nog %1 min").arg((seconds + 30) / 60);
    return QStringLiteral("nog %1 u %2 min").arg(seconds / 3600).arg(seconds % 3600 / 60);
}

QString duration(qint64 ms)
{
    const qint64 seconds = (ms + 500) / 1000;
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
    return QStringLiteral("%1 u %2 min").arg(seconds / 3600).arg(seconds % 3600 / 60);
}

QString reason(const offload::FileResult &file)
{
    using Problem = offload::FileResult::Problem;
    using offload::FileState;
    switch (file.problem) {
    case Problem::unreadable:
        return withDetail(QStringLiteral("niet te lezen"), file.detail);
    case Problem::unwritable:
        return withDetail(QStringLiteral("niet te schrijven"), file.detail);
    case Problem::mismatch:
        return QStringLiteral("kopie wijkt af van de kaart");
    case Problem::historyChanged:
        return QStringLiteral("wijkt af van de ASC MHL-geschiedenis van de kaart");
    case Problem::historyMissing:
        return QStringLiteral("staat in de geschiedenis, maar niet meer op de kaart");
    case Problem::notRegular:
        return QStringLiteral("geen gewoon bestand, overgeslagen");
    case Problem::cancelled:
        return QStringLiteral("import geannuleerd");
    case Problem::none:
        break;
    }
    switch (file.state) {
    case FileState::alreadyThere:
        return QStringLiteral("stond er al");
    case FileState::renamed:
        return QStringLiteral("naam was bezet, bewaard als ") + file.storedAs;
    case FileState::copiedUnverified:
        return QStringLiteral("gekopieerd, niet gecontroleerd");
    case FileState::verified:
        return QStringLiteral("gekopieerd en gecontroleerd");
    case FileState::skipped:
        return QStringLiteral("overgeslagen");
    case FileState::failed:
        break;
    }
    return QStringLiteral("mislukt");
}

QString fileLine(const offload::FileResult &file)
{
    return file.path + QStringLiteral(": ") + reason(file);
}

QString summary(const offload::OffloadOutcome &outcome)
{
    const QString files = outcome.files == 1 ? QStringLiteral("1 bestand")
                                             : QStringLiteral("%1 bestanden").arg(outcome.files);
    QString text = files + QStringLiteral(", ") + size(outcome.bytes) + QStringLiteral(" in ") +
                   duration(outcome.durationMs);
    if (outcome.durationMs > 0 && outcome.copiedBytes > 0)
        text += QStringLiteral(" (") +
                rate(double(outcome.copiedBytes) * 1000.0 / double(outcome.durationMs)) +
                QLatin1Char(')');
    return text;
}

QString firstFailure(const offload::OffloadOutcome &outcome)
{
    // The engine's own refusals carry no errno: its text says more than "onbekende fout".
    if (outcome.error)
        return outcome.error->code == 0 && outcome.error->kind == Error::Kind::other
                   ? outcome.error->message
                   : ErrorText::dutch(*outcome.error);
    if (!outcome.sourceProblems.isEmpty())
        return fileLine(outcome.sourceProblems.constFirst());
    for (const offload::DestinationResult &destination : outcome.destinations) {
        if (destination.problem)
            return ErrorText::dutch(*destination.problem);
        for (const offload::FileResult &file : destination.files)
            if (file.state == offload::FileState::failed)
                return fileLine(file);
    }
    if (outcome.cancelled)
        return QStringLiteral("Import geannuleerd");
    return {};
}

} // namespace bp::OffloadText

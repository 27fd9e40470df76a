#include "views/OffloadText.h"

#include "offload/OffloadReport.h"
#include "views/ErrorText.h"

namespace bp::OffloadText {

QString rate(double bytesPerSecond)
{
    return offload::sizeText(qint64(bytesPerSecond)) + QStringLiteral("/s");
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

QString reason(const offload::FileResult &file)
{
    using offload::FileState;
    // The same words as the report in the offload folder.
    if (file.problem != offload::FileResult::Problem::none) {
        const QString why = offload::problemText(file);
        return file.state == FileState::skipped ? why + QStringLiteral(", overgeslagen") : why;
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
    QString text = files + QStringLiteral(", ") + offload::sizeText(outcome.bytes) +
                   QStringLiteral(" in ") + offload::durationText(outcome.durationMs);
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

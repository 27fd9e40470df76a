#pragma once

#include "offload/OffloadTypes.h"

#include <QString>

// How card imports read in windows, the tray and notifications: short Dutch, sizes and rates
// in the Dutch notation ("1,2 GB/s").
namespace bp::OffloadText {

QString rate(double bytesPerSecond);
// "nog 3 min"; empty while unknown.
QString timeLeft(qint64 seconds);

// Why a file failed, was renamed, kept or skipped.
QString reason(const offload::FileResult &file);
// "map/bestand.mov: reden"; for a renamed file, the name it got.
QString fileLine(const offload::FileResult &file);
// "12 bestanden, 3,4 GB in 2 min 5 s (1,1 GB/s)".
QString summary(const offload::OffloadOutcome &outcome);
// The first failure of a run, worded for a notification; empty when there was none.
QString firstFailure(const offload::OffloadOutcome &outcome);

} // namespace bp::OffloadText

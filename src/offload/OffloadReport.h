#pragma once

#include "model/Result.h"
#include "offload/OffloadTypes.h"

namespace bp::offload {

// Sizes and durations as Brindlepath writes them everywhere: "2,5 GB", "2 min 5 s".
QString sizeText(qint64 bytes);
QString durationText(qint64 ms);
// Why a file failed or was skipped, with the system's detail where there is one; empty when
// nothing went wrong.
QString problemText(const FileResult &file);

// The short human report of a run, in Dutch: the source, the destinations, files, bytes,
// duration, speed, and every file kept, renamed, failed or skipped.
QString offloadReportText(const OffloadOutcome &outcome);

// Adds the report to destination/ascmhl/offload-rapport.txt (other ASC MHL tools ignore
// extra files there); earlier runs' reports stay above it.
Result<void> appendOffloadReport(const QString &destination, const OffloadOutcome &outcome);

} // namespace bp::offload

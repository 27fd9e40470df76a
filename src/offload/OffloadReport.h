#pragma once

#include "model/Result.h"
#include "offload/OffloadTypes.h"

namespace bp::offload {

// The short human report of a run, in Dutch: the source, the destinations, files, bytes,
// duration, speed, and every file kept, renamed, failed or skipped.
QString offloadReportText(const OffloadOutcome &outcome);

// Adds the report to destination/ascmhl/offload-rapport.txt (other ASC MHL tools ignore
// extra files there); earlier runs' reports stay above it.
Result<void> appendOffloadReport(const QString &destination, const OffloadOutcome &outcome);

} // namespace bp::offload

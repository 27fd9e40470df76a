#include "offload/OffloadReport.h"

namespace bp::offload {

QString offloadReportText(const OffloadOutcome &)
{
    return {};
}

Result<void> appendOffloadReport(const QString &, const OffloadOutcome &)
{
    return success();
}

} // namespace bp::offload

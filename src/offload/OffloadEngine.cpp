#include "offload/OffloadEngine.h"

namespace bp::offload {

OffloadOutcome runOffload(const OffloadRequest &request, const mhl::Creator &,
                          const std::atomic_bool &, const OffloadProgressFunction &)
{
    OffloadOutcome outcome;
    outcome.request = request;
    outcome.error = Error::withMessage(QStringLiteral("not built yet"));
    return outcome;
}

} // namespace bp::offload

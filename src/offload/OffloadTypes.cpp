#include "offload/OffloadTypes.h"

namespace bp::offload {

bool OffloadOutcome::allVerified() const
{
    if (error || cancelled || !request.verify || !sourceProblems.isEmpty() ||
        destinations.isEmpty())
        return false;
    for (const DestinationResult &destination : destinations) {
        if (destination.problem)
            return false;
        for (const FileResult &file : destination.files)
            if (file.state == FileState::failed || file.state == FileState::copiedUnverified)
                return false;
    }
    return true;
}

QString OffloadOutcome::firstFailure() const
{
    if (error)
        return error->message;
    for (const FileResult &file : sourceProblems)
        return file.path;
    for (const DestinationResult &destination : destinations) {
        if (destination.problem)
            return destination.problem->message;
        for (const FileResult &file : destination.files)
            if (file.state == FileState::failed)
                return file.path;
    }
    return {};
}

} // namespace bp::offload

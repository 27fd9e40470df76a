// Runs one offload from argv (source, then destinations), for the test that kills it midway.

#include "offload/OffloadEngine.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (arguments.size() < 2)
        return 2;
    bp::offload::OffloadRequest request;
    request.source = arguments.takeFirst();
    request.destinations = arguments;
    const std::atomic_bool cancel{false};
    return bp::offload::runOffload(request, {}, cancel).error ? 1 : 0;
}

#include "offload/AscMhl.h"

namespace bp::offload::mhl {

const HashEntry *History::latest(const QString &) const
{
    return nullptr;
}

QByteArray generationXml(const Generation &)
{
    return {};
}

Result<Generation> parseGeneration(const QByteArray &)
{
    return Error::withMessage(QStringLiteral("not built yet"));
}

QString c4Id(const QByteArray &)
{
    return {};
}

Result<History> readHistory(const QString &root)
{
    return History{root, {}};
}

Result<QString> addGeneration(const QString &, const QList<HashEntry> &, const Creator &)
{
    return Error::withMessage(QStringLiteral("not built yet"));
}

Result<VerifyReport> verifyFolder(const QString &, const std::atomic_bool &, const VerifyProgress &)
{
    return Error::withMessage(QStringLiteral("not built yet"));
}

} // namespace bp::offload::mhl

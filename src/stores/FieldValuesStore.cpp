#include "FieldValuesStore.h"

#include <QJsonObject>

namespace bp::FieldValuesStore {
namespace {

QString idKey(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces);
}

} // namespace

QHash<QString, QString> values(const PreferenceSuite &suite, const QUuid &templateID)
{
    QHash<QString, QString> found;
    const QJsonObject stored = suite.value(key).toObject().value(idKey(templateID)).toObject();
    for (auto it = stored.begin(); it != stored.end(); ++it)
        if (it.value().isString())
            found.insert(it.key(), it.value().toString());
    return found;
}

QFuture<Result<void>> rememberLater(PreferenceSuite &suite, const QUuid &templateID,
                                    const QHash<QString, QString> &values)
{
    QJsonObject entry;
    for (auto it = values.begin(); it != values.end(); ++it)
        entry.insert(it.key(), it.value());
    return suite.updateLater(
        key,
        [suite = &suite, id = idKey(templateID),
         entry](const QJsonValue &current) -> Result<QJsonValue> {
            if (!current.isUndefined() && !current.isObject()) {
                if (Result<QString> kept = suite->keepAside(key, current); !kept)
                    return kept.error();
            }
            QJsonObject all = current.toObject();
            if (entry.isEmpty())
                all.remove(id);
            else
                all.insert(id, entry);
            return all.isEmpty() ? QJsonValue(QJsonValue::Undefined) : QJsonValue(all);
        });
}

} // namespace bp::FieldValuesStore

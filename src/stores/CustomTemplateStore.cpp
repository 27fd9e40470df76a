#include "CustomTemplateStore.h"

#include <QSet>

namespace bp {

CustomTemplateStore::CustomTemplateStore(PreferenceSuite &suite, QObject *parent)
    : QObject(parent), m_suite(suite)
{
    load();
}

CustomTemplateStore &CustomTemplateStore::shared()
{
    static CustomTemplateStore store(PreferenceSuite::standard());
    return store;
}

Result<QUuid> CustomTemplateStore::save(const QString &name, const QList<FolderNode> &nodes)
{
    CustomTemplate added;
    added.id = QUuid::createUuid();
    added.name = name;
    added.icon = savedIcon;
    added.roots.reserve(nodes.size());
    for (const FolderNode &node : nodes)
        added.roots.append(CustomFolderNode::from(node));
    added.createdAt = QDateTime::currentDateTimeUtc();
    // Storing what decode() rejects would lose every template at the next start.
    if (Result<void> checked = CustomTemplateJson::checkFolders(added.roots); !checked)
        return checked.error();

    m_templates.append(std::move(added));
    Q_EMIT templatesChanged();
    if (Result<void> stored = persist(); !stored)
        return stored.error();
    return m_templates.last().id;
}

Result<void> CustomTemplateStore::remove(const QUuid &id)
{
    const qsizetype removed =
        m_templates.removeIf([&id](const CustomTemplate &t) { return t.id == id; });
    if (removed > 0)
        Q_EMIT templatesChanged();
    return persist();
}

std::optional<QByteArray> CustomTemplateStore::exportAllAsJSON() const
{
    return CustomTemplateJson::encode(m_templates);
}

Result<void> CustomTemplateStore::importJSON(const QByteArray &json)
{
    Result<QList<CustomTemplate>> decoded = CustomTemplateJson::decode(json);
    if (!decoded)
        return decoded.error();

    // Taken once up front: duplicates within the document itself are all kept.
    QSet<QUuid> known;
    for (const CustomTemplate &t : std::as_const(m_templates))
        known.insert(t.id);
    qsizetype appended = 0;
    for (CustomTemplate &t : decoded.value()) {
        if (known.contains(t.id))
            continue;
        m_templates.append(std::move(t));
        ++appended;
    }
    if (appended > 0)
        Q_EMIT templatesChanged();
    return persist();
}

void CustomTemplateStore::load()
{
    const std::optional<QByteArray> stored = m_suite.dataValue(key);
    if (!stored)
        return;
    // An undecodable value is left on disk as it is until the next persist replaces it.
    if (Result<QList<CustomTemplate>> decoded = CustomTemplateJson::decode(*stored))
        m_templates = std::move(decoded.value());
}

Result<void> CustomTemplateStore::persist()
{
    return m_suite.setData(key, CustomTemplateJson::encode(m_templates));
}

} // namespace bp

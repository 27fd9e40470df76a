#include "CustomTemplateStore.h"

#include "SharedTemplateLibrary.h"
#include "model/TemplateFiles.h"

#include "model/NamePattern.h"

#include <QSet>

#include <vector>

#include <algorithm>

namespace bp {
namespace {

using List = QList<CustomTemplate>;

// Every template that decodes is kept; the list says why the others could not be read, and
// the next change keeps the whole value aside before it writes.
StoredList<List>::Decoded decodeStored(const QJsonValue &stored)
{
    if (stored.isUndefined())
        return {};
    const std::optional<QByteArray> data = PreferenceSuite::toData(stored);
    if (!data)
        return {{}, QStringLiteral("the stored value is not a template document")};
    CustomTemplateJson::Salvaged salvaged = CustomTemplateJson::decodeEach(*data);
    if (salvaged.problems.isEmpty())
        return {std::move(salvaged.templates), std::nullopt};
    return {std::move(salvaged.templates), salvaged.problems.join(QStringLiteral("; "))};
}

QJsonValue encodeStored(const List &templates)
{
    return PreferenceSuite::fromData(CustomTemplateJson::encode(templates));
}

Result<CustomTemplate> makeTemplate(const QString &name, const QList<FolderNode> &nodes)
{
    CustomTemplate added;
    added.id = QUuid::createUuid();
    added.name = name;
    added.icon = CustomTemplateStore::savedIcon;
    added.roots.reserve(nodes.size());
    for (const FolderNode &node : nodes)
        added.roots.append(CustomFolderNode::from(node));
    added.createdAt = QDateTime::currentDateTimeUtc();
    // Storing what decode() rejects would lose every template at the next start.
    if (Result<void> checked = CustomTemplateJson::checkFolders(added.roots); !checked)
        return checked.error();
    return added;
}

auto appending(CustomTemplate added)
{
    return [added = std::move(added)](List &list) {
        const auto sameId = [&added](const CustomTemplate &t) { return t.id == added.id; };
        if (std::none_of(list.cbegin(), list.cend(), sameId))
            list.append(added);
    };
}

// What put() refuses: what decode() would drop, and names no project could be made with.
Result<void> checkPut(const CustomTemplate &t)
{
    if (Result<void> checked = CustomTemplateJson::checkFolders(t.roots); !checked)
        return checked;
    if (std::optional<FieldProblem> problem = Fields::checkDefinitions(t.fields))
        return Error::withMessage(problem->message());
    if (std::optional<NameProblem> problem = NamePattern::parse(t.projectNamePattern).syntaxError())
        return Error::withMessage(QStringLiteral("project name pattern: ") + problem->message());
    std::vector<const QList<CustomFolderNode> *> pending{&t.roots};
    while (!pending.empty()) {
        const QList<CustomFolderNode> *nodes = pending.back();
        pending.pop_back();
        for (const CustomFolderNode &node : *nodes) {
            if (std::optional<NameProblem> problem = NamePattern::parse(node.name).syntaxError())
                return Error{0, node.name + QStringLiteral(": ") + problem->message(), QString(),
                             Error::Kind::invalidFolderName};
            pending.push_back(&node.children);
        }
    }
    return success();
}

auto putting(CustomTemplate t)
{
    // Where its files are follows from where it is kept, so that is never stored.
    t.filesFolder.clear();
    t.shared = false;
    return [t = std::move(t)](List &list) {
        const auto it = std::find_if(list.begin(), list.end(),
                                     [&t](const CustomTemplate &c) { return c.id == t.id; });
        if (it == list.end())
            list.append(t);
        else
            *it = t;
    };
}

auto removing(const QUuid &id)
{
    return
        [id](List &list) { list.removeIf([&id](const CustomTemplate &t) { return t.id == id; }); };
}

// The ids known are those of the list the merge is applied to, taken once up front:
// duplicates within the document itself are all kept.
auto merging(List incoming)
{
    return [incoming = std::move(incoming)](List &list) {
        QSet<QUuid> known;
        for (const CustomTemplate &t : std::as_const(list))
            known.insert(t.id);
        for (const CustomTemplate &t : incoming) {
            if (!known.contains(t.id))
                list.append(t);
        }
    };
}

template <typename T> QFuture<Result<T>> failedLater(const Error &error)
{
    return QtFuture::makeReadyFuture(Result<T>(error));
}

} // namespace

CustomTemplateStore::CustomTemplateStore(PreferenceSuite &suite, QObject *parent)
    : QObject(parent),
      m_list(
          *this, suite, key, decodeStored, encodeStored, [this] { Q_EMIT templatesChanged(); },
          [this](const QString &copy) { Q_EMIT unreadableKept(copy); })
{}

CustomTemplateStore &CustomTemplateStore::shared()
{
    static CustomTemplateStore store(PreferenceSuite::standard());
    return store;
}

Result<QUuid> CustomTemplateStore::save(const QString &name, const QList<FolderNode> &nodes)
{
    Result<CustomTemplate> added = makeTemplate(name, nodes);
    if (!added)
        return added.error();
    const QUuid id = added.value().id;
    if (Result<void> stored = m_list.apply(appending(std::move(added.value()))); !stored)
        return stored.error();
    return id;
}

QFuture<Result<QUuid>> CustomTemplateStore::saveLater(const QString &name,
                                                      const QList<FolderNode> &nodes)
{
    Result<CustomTemplate> added = makeTemplate(name, nodes);
    if (!added)
        return failedLater<QUuid>(added.error());
    const QUuid id = added.value().id;
    return m_list.applyLater(appending(std::move(added.value())))
        .then([id](const Result<void> &stored) -> Result<QUuid> {
            if (!stored)
                return stored.error();
            return id;
        });
}

Result<void> CustomTemplateStore::put(const CustomTemplate &t)
{
    if (Result<void> checked = checkPut(t); !checked)
        return checked;
    Result<void> stored = m_list.apply(putting(t));
    if (stored)
        TemplateFiles::prune(t);
    return stored;
}

QFuture<Result<void>> CustomTemplateStore::putLater(const CustomTemplate &t)
{
    if (Result<void> checked = checkPut(t); !checked)
        return failedLater<void>(checked.error());
    return m_list.applyLater(putting(t)).then([t](const Result<void> &stored) {
        if (stored)
            TemplateFiles::prune(t);
        return stored;
    });
}

Result<void> CustomTemplateStore::remove(const QUuid &id)
{
    Result<void> removed = m_list.apply(removing(id));
    if (removed)
        (void)TemplateFiles::removeFolder(id);
    return removed;
}

QFuture<Result<void>> CustomTemplateStore::removeLater(const QUuid &id)
{
    return m_list.applyLater(removing(id)).then([id](const Result<void> &removed) {
        if (removed)
            (void)TemplateFiles::removeFolder(id);
        return removed;
    });
}

QList<CustomTemplate> CustomTemplateStore::all() const
{
    QList<CustomTemplate> list = templates();
    if (!m_shared)
        return list;
    QSet<QUuid> own;
    for (const CustomTemplate &t : list)
        own.insert(t.id);
    for (const CustomTemplate &t : m_shared->templates()) {
        if (!own.contains(t.id))
            list.append(t);
    }
    return list;
}

void CustomTemplateStore::attachShared(SharedTemplateLibrary &library)
{
    m_shared = &library;
    connect(&library, &SharedTemplateLibrary::changed, this,
            &CustomTemplateStore::templatesChanged);
    Q_EMIT templatesChanged();
}

std::optional<QByteArray> CustomTemplateStore::exportAllAsJSON() const
{
    // Files do not travel in this document (a .bptemplate carries them): naming them would
    // leave the importer with files it does not have.
    List list = templates();
    for (CustomTemplate &t : list)
        t = TemplateFiles::withoutFiles(t);
    return CustomTemplateJson::encode(list);
}

Result<void> CustomTemplateStore::importJSON(const QByteArray &json)
{
    Result<List> decoded = CustomTemplateJson::decode(json);
    if (!decoded)
        return decoded.error();
    return m_list.apply(merging(std::move(decoded.value())));
}

QFuture<Result<void>> CustomTemplateStore::importJSONLater(const QByteArray &json)
{
    Result<List> decoded = CustomTemplateJson::decode(json);
    if (!decoded)
        return failedLater<void>(decoded.error());
    return m_list.applyLater(merging(std::move(decoded.value())));
}

} // namespace bp

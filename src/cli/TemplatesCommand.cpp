#include "CliSupport.h"

#include "model/TemplateEngine.h"
#include "stores/CustomTemplateStore.h"

#include <QJsonDocument>
#include <QScopeGuard>

namespace bp::Cli {
namespace {

// Read as far as it could be: what was shown is not all there is.
int unreadable(const Io &io, const QString &why)
{
    return io.failure(QStringLiteral("Opgeslagen templates niet leesbaar: ") + why);
}

const QString synopsis =
    QStringLiteral("brindlepath templates list [--json] | save NAME [options of create] | "
                   "delete UUID | export FILE|- | import FILE|-");

int list(const QStringList &arguments, const Io &io, CustomTemplateStore &store)
{
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("json"), QStringLiteral("Print the template document.")});
    int code = Success;
    if (!parseOrReport(parser, arguments, io, synopsis, code))
        return code;
    if (parser.isSet(QStringLiteral("json"))) {
        const std::optional<QByteArray> doc = store.exportAllAsJSON();
        if (!doc)
            return io.failure(QStringLiteral("the templates cannot be encoded"));
        io.out << QString::fromUtf8(*doc) << '\n';
        io.out.flush();
        return store.unreadable() ? unreadable(io, *store.unreadable()) : Success;
    }
    for (const CustomTemplate &t : store.templates()) {
        int folders = 0;
        for (const CustomFolderNode &root : t.roots)
            folders += countFolders({root.toFolderNode()});
        io.out << t.id.toString(QUuid::WithoutBraces).toUpper() << "  " << t.name << "  ("
               << folders << (folders == 1 ? " folder)" : " folders)") << '\n';
    }
    io.out.flush();
    return store.unreadable() ? unreadable(io, *store.unreadable()) : Success;
}

int save(const QStringList &arguments, const Io &io, CustomTemplateStore &store)
{
    QCommandLineParser parser;
    addConfigOptions(parser, false);
    int code = Success;
    if (!parseOrReport(parser, arguments, io, synopsis, code))
        return code;
    if (parser.positionalArguments().size() != 1)
        return io.usage(QStringLiteral("templates save takes one NAME"), synopsis);
    ProjectConfig config;
    std::optional<QDate> unusedDate;
    if (std::optional<QString> problem = applyConfigOptions(parser, config, unusedDate, store))
        return io.usage(*problem, synopsis);
    const QList<FolderNode> tree = TemplateEngine::resolve(config, store.templates());
    const Result<QUuid> saved = store.save(parser.positionalArguments().first(), tree);
    if (!saved)
        return io.failure(saved.error().message);
    io.out << saved.value().toString(QUuid::WithoutBraces).toUpper() << '\n';
    return Success;
}

int remove(const QStringList &arguments, const Io &io, CustomTemplateStore &store)
{
    if (arguments.size() != 1)
        return io.usage(QStringLiteral("templates delete takes one UUID"), synopsis);
    const QUuid id = QUuid::fromString(arguments.first());
    if (id.isNull())
        return io.usage(
            QStringLiteral("\u201c%1\u201d is not a template id").arg(arguments.first()), synopsis);
    const auto &known = store.templates();
    if (std::none_of(known.begin(), known.end(),
                     [&](const CustomTemplate &t) { return t.id == id; }))
        return io.failure(QStringLiteral("no custom template with id %1").arg(arguments.first()));
    if (Result<void> removed = store.remove(id); !removed)
        return io.failure(removed.error().message);
    return Success;
}

int exportTemplates(const QStringList &arguments, const Io &io, CustomTemplateStore &store)
{
    if (arguments.size() != 1)
        return io.usage(QStringLiteral("templates export takes one FILE or -"), synopsis);
    // A backup that silently lacks templates is worse than none.
    if (store.unreadable())
        return unreadable(io, *store.unreadable());
    const std::optional<QByteArray> doc = store.exportAllAsJSON();
    if (!doc)
        return io.failure(QStringLiteral("Geen templates om te exporteren"));
    io.out.flush();
    if (Result<void> written = writeOutput(arguments.first(), *doc); !written)
        return io.failure(written.error().message);
    return Success;
}

int importTemplates(const QStringList &arguments, const Io &io, CustomTemplateStore &store)
{
    if (arguments.size() != 1)
        return io.usage(QStringLiteral("templates import takes one FILE or -"), synopsis);
    const Result<QByteArray> data = readInput(arguments.first());
    if (!data)
        return io.failure(QStringLiteral("Import mislukt: ") + data.error().message);
    if (Result<void> imported = store.importJSON(data.value()); !imported)
        return io.failure(QStringLiteral("Import mislukt: ") + imported.error().message);
    return Success;
}

} // namespace

int runTemplates(const QStringList &arguments, const Io &io, CustomTemplateStore &store)
{
    if (arguments.isEmpty())
        return io.usage(QStringLiteral("missing templates subcommand"), synopsis);
    const QString sub = arguments.first();
    const QStringList rest = arguments.mid(1);
    const QMetaObject::Connection kept =
        QObject::connect(&store, &CustomTemplateStore::unreadableKept, [&io](const QString &copy) {
            io.err << "brindlepath: Onleesbare templates bewaard als " << copy << '\n';
            io.err.flush();
        });
    const auto disconnect = qScopeGuard([&kept] { QObject::disconnect(kept); });
    if (sub == u"list")
        return list(rest, io, store);
    if (sub == u"save")
        return save(rest, io, store);
    if (sub == u"delete")
        return remove(rest, io, store);
    if (sub == u"export")
        return exportTemplates(rest, io, store);
    if (sub == u"import")
        return importTemplates(rest, io, store);
    if (sub == u"-h" || sub == u"--help") {
        io.out << "Usage: " << synopsis << '\n';
        return Success;
    }
    return io.usage(QStringLiteral("unknown templates subcommand \u201c%1\u201d").arg(sub),
                    synopsis);
}

} // namespace bp::Cli

#include "CliSupport.h"

#include "model/NamePattern.h"
#include "model/TemplateEngine.h"
#include "stores/CustomTemplateStore.h"
#include "stores/SharedTemplateLibrary.h"
#include "stores/TemplateArchive.h"

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
    QStringLiteral("brindlepath templates list [--json] | show UUID [--json] | "
                   "save NAME [options of create] | delete UUID | export FILE|- | import FILE|- | "
                   "export UUID FILE.bptemplate | import FILE.bptemplate");

// One template with its files, rather than the document of all.
bool isArchive(const QString &file)
{
    return file.endsWith(u'.' + TemplateArchive::suffix, Qt::CaseInsensitive);
}

// The template an argument names, own or shared; on failure the exit code to return.
struct Found {
    std::optional<CustomTemplate> found;
    int exitCode = Success;
};

Found find(const QString &raw, const Io &io, const CustomTemplateStore &store)
{
    const QUuid id = QUuid::fromString(raw);
    if (id.isNull())
        return {std::nullopt,
                io.usage(QStringLiteral("\u201c%1\u201d is not a template id").arg(raw), synopsis)};
    for (const CustomTemplate &t : store.all()) {
        if (t.id == id)
            return {t};
    }
    return {std::nullopt, io.failure(QStringLiteral("no custom template with id %1").arg(raw))};
}

// Each template object as the document holds it, with where it comes from added.
QByteArray listDocument(const QList<CustomTemplate> &templates)
{
    QByteArrayList objects;
    for (const CustomTemplate &t : templates) {
        const QByteArray one = CustomTemplateJson::encode({t});
        // "[{…}]" less its brackets and closing brace: the keys keep their order.
        objects << one.mid(1, one.size() - 3) + QByteArrayLiteral(",\"source\":\"") +
                       (t.shared ? "shared" : "own") + "\"}";
    }
    return '[' + objects.join(',') + ']';
}

int list(const QStringList &arguments, const Io &io, CustomTemplateStore &store)
{
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("json"), QStringLiteral("Print the template document.")});
    int code = Success;
    if (!parseOrReport(parser, arguments, io, synopsis, code))
        return code;
    const QList<CustomTemplate> all = store.all();
    if (parser.isSet(QStringLiteral("json"))) {
        io.out << QString::fromUtf8(listDocument(all)) << '\n';
    } else {
        for (const CustomTemplate &t : all) {
            int folders = 0;
            for (const CustomFolderNode &root : t.roots)
                folders += countFolders({root.toFolderNode()});
            io.out << t.id.toString(QUuid::WithoutBraces).toUpper() << "  " << t.name << "  ("
                   << folders << (folders == 1 ? " folder)" : " folders)")
                   << (t.shared ? "  gedeeld" : "  eigen") << '\n';
        }
    }
    io.out.flush();
    if (const SharedTemplateLibrary *library = store.sharedLibrary()) {
        // The own templates are all there; only say what of the shared ones is missing.
        if (library->isOffline())
            io.err << "brindlepath: Gedeelde map niet bereikbaar: " << library->folder() << '\n';
        for (const QString &problem : library->problems())
            io.err << "brindlepath: Gedeelde template niet leesbaar: " << problem << '\n';
        io.err.flush();
    }
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
    const QList<FolderNode> tree = TemplateEngine::resolve(config, store.all());
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
    const Found t = find(arguments.first(), io, store);
    if (!t.found)
        return t.exitCode;
    if (t.found->shared)
        return io.failure(QStringLiteral("%1 is a shared template: it is not deleted from here")
                              .arg(arguments.first()));
    if (Result<void> removed = store.remove(t.found->id); !removed)
        return io.failure(removed.error().message);
    return Success;
}

QString describe(const FieldDefinition &field)
{
    QString text =
        QStringLiteral("  %1 (%2): %3").arg(field.key, field.label, rawValue(field.kind));
    if (field.required)
        text += QStringLiteral(", required");
    if (!field.defaultValue.isEmpty())
        text += QStringLiteral(", default \u201c%1\u201d").arg(field.defaultValue);
    if (field.kind == FieldKind::text && !field.pattern.isEmpty())
        text += QStringLiteral(", pattern \u201c%1\u201d").arg(field.pattern);
    if (field.kind == FieldKind::date && !field.format.isEmpty())
        text += QStringLiteral(", format \u201c%1\u201d").arg(field.format);
    if (field.kind == FieldKind::choice)
        text += QStringLiteral(", choices ") + field.choices.join(QStringLiteral(", "));
    return text;
}

int show(const QStringList &arguments, const Io &io, CustomTemplateStore &store)
{
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("json"), QStringLiteral("Print the template object.")});
    int code = Success;
    if (!parseOrReport(parser, arguments, io, synopsis, code))
        return code;
    if (parser.positionalArguments().size() != 1)
        return io.usage(QStringLiteral("templates show takes one UUID"), synopsis);
    const Found t = find(parser.positionalArguments().first(), io, store);
    if (!t.found)
        return t.exitCode;
    if (parser.isSet(QStringLiteral("json"))) {
        // The object exactly as a document holds it: the one element of a one-template list.
        const QByteArray doc = CustomTemplateJson::encode({*t.found});
        io.out << QString::fromUtf8(doc.mid(1, doc.size() - 2)) << '\n';
        return Success;
    }
    io.out << "name: " << t.found->name << '\n'
           << "id: " << t.found->id.toString(QUuid::WithoutBraces).toUpper() << '\n'
           << "icon: " << t.found->icon << '\n'
           << "pattern: "
           << (t.found->projectNamePattern.isEmpty()
                   ? NamePattern::projectDefault().text() + QStringLiteral(" (default)")
                   : t.found->projectNamePattern)
           << '\n'
           << "fields:" << (t.found->fields.isEmpty() ? " none" : "") << '\n';
    for (const FieldDefinition &field : t.found->fields)
        io.out << describe(field) << '\n';
    QList<FolderNode> tree;
    for (const CustomFolderNode &root : t.found->roots)
        tree.append(root.toFolderNode());
    io.out << "tree:" << (tree.isEmpty() ? " none" : "") << '\n';
    printTree(io.out, tree);
    return Success;
}

int exportArchive(const QStringList &arguments, const Io &io, CustomTemplateStore &store)
{
    if (!isArchive(arguments.at(1)))
        return io.usage(QStringLiteral("templates export UUID takes a FILE.bptemplate"), synopsis);
    // A shared template may be carried elsewhere too.
    const Found t = find(arguments.first(), io, store);
    if (!t.found)
        return t.exitCode;
    if (Result<void> written = TemplateArchive::write(*t.found, arguments.at(1)); !written)
        return io.failure(QStringLiteral("Export mislukt: ") + written.error().message);
    return Success;
}

int exportTemplates(const QStringList &arguments, const Io &io, CustomTemplateStore &store)
{
    if (arguments.size() == 2)
        return exportArchive(arguments, io, store);
    if (arguments.size() != 1)
        return io.usage(QStringLiteral("templates export takes one FILE or -"), synopsis);
    if (isArchive(arguments.first()))
        return io.usage(QStringLiteral("a .bptemplate holds one template: give its UUID first"),
                        synopsis);
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
    if (isArchive(arguments.first())) {
        const Result<TemplateArchive::Imported> imported =
            TemplateArchive::import(store, arguments.first());
        if (!imported)
            return io.failure(QStringLiteral("Import mislukt: ") + imported.error().message);
        const CustomTemplate &t = imported.value().tmpl;
        io.out << t.id.toString(QUuid::WithoutBraces).toUpper() << "  " << t.name
               << (imported.value().skipped ? "  (skipped: already there)" : "") << '\n';
        return Success;
    }
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
    if (sub == u"show")
        return show(rest, io, store);
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

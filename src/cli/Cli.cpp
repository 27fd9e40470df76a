#include "Cli.h"

#include "CliSupport.h"

#include "sorting/UndoLog.h"
#include "stores/CustomTemplateStore.h"
#include "stores/SharedTemplateLibrary.h"
#include "workflow/Stores.h"

namespace bp::Cli {
namespace {

// A command reads the shared templates now, where a window would read them later.
CustomTemplateStore &templatesRead()
{
    CustomTemplateStore &templates = Stores::processWideTemplates();
    if (SharedTemplateLibrary *library = templates.sharedLibrary())
        library->reload();
    return templates;
}

Stores storesRead()
{
    templatesRead();
    return Stores::processWide();
}

} // namespace

QString usageText()
{
    return QStringLiteral(
        "Usage: brindlepath [COMMAND] [OPTIONS]\n"
        "\n"
        "Creates numbered project folder structures. Without a command it starts the tray\n"
        "agent.\n"
        "\n"
        "Commands:\n"
        "  create --target DIR (--name NAME | --batch FILE|-) [--template RAW]\n"
        "         [--extras LIST|none] [--custom-template UUID] [--field KEY=VALUE]...\n"
        "         [--date YYYY-MM-DD] [--sort] [--json]\n"
        "                Create one project, or one per line of the batch file. --field\n"
        "                fills a field of the custom template; exit 2 names a missing or\n"
        "                refused value or an unknown token, and nothing is made.\n"
        "  preview [the options of create; --target optional] [--json]\n"
        "                Print the project folders and tree that create would make;\n"
        "                touches nothing and takes no number.\n"
        "  apply --into PROJECT [--template RAW | --custom-template UUID]\n"
        "        [--extras LIST|none] [--field KEY=VALUE]... [--dry-run] [--json]\n"
        "                Add the folders and files of a template that an existing project\n"
        "                lacks; nothing there is changed. Without a template option, the\n"
        "                project's own record (.brindlepath.json) names it and the values.\n"
        "  templates list [--json] | show UUID [--json] | save NAME [options of create]\n"
        "            | delete UUID | export FILE|- | import FILE|-\n"
        "                Manage custom templates; list also shows the shared ones.\n"
        "  sort --source DIR --into PROJECT [--dry-run] [--json]\n"
        "                Move the loose files of DIR into a project folder.\n"
        "  offload --from CARD --into DIR [--also DIR] [--hash xxh128|xxh3|xxh64|md5]\n"
        "          [--no-verify] [--json]\n"
        "                Copy a card as a whole into DIR, the offload folder itself (not a\n"
        "                project, as with sort --into), and into a second folder with\n"
        "                --also. Each copy is read back and checked against the card's\n"
        "                checksum, never replaces a file, and gets an ASC MHL history in\n"
        "                DIR/ascmhl. A rerun resumes; exit 0 only when all is verified.\n"
        "  verify DIR [--json]\n"
        "                Re-hash DIR against its ASC MHL history; lists missing, changed and\n"
        "                new files. Exit 0 only when everything matches.\n"
        "  config list | get KEY | set KEY VALUE | unset KEY\n"
        "                Read and write defaultTemplate, defaultBasePath,\n"
        "                onboardingCompleted and sharedTemplatesFolder.\n"
        "  integrate [--remove]\n"
        "                Add the file managers' action \"Brindlepath - Maak Structuur\" for\n"
        "                this user, or remove it; files changed by hand are left alone.\n"
        "  new [DIR]     Open the project setup window in the agent.\n"
        "  open PATH...  Open the setup window on PATH, which must be a folder.\n"
        "  settings      Open the settings window in the agent.\n"
        "  undo          Put back the files of the last sort; prints where they went.\n"
        "  quit          Quit the agent.\n"
        "                These start the agent when none runs.\n"
        "\n"
        "Templates: tikTokReels, youTube, photoShoot, hybrid, weddingEvent, commercial.\n"
        "Extras: drone, multiCam, voiceRecorder, musicLib, clientDeliverables.\n"
        "\n"
        "  -h, --help    Show this help.\n"
        "  --version     Show the version.\n");
}

int run(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    const Io io{out, err};
    if (arguments.isEmpty()) {
        out << usageText();
        return Success;
    }
    const QString command = arguments.first();
    const QStringList rest = arguments.mid(1);
    if (command == u"-h" || command == u"--help" || command == u"help") {
        out << usageText();
        return Success;
    }
    if (command == u"--version" || command == u"-v") {
        out << "brindlepath " << BP_VERSION << '\n';
        return Success;
    }
    // The stores are wired here, each only for the commands that use it: a store watches its
    // file, which makes the configuration folder.
    if (command == u"create")
        return runCreate(rest, io, storesRead());
    if (command == u"preview")
        return runPreview(rest, io, storesRead());
    if (command == u"apply")
        return runApply(rest, io, storesRead());
    if (command == u"templates")
        return runTemplates(rest, io, templatesRead());
    if (command == u"sort")
        return runSort(rest, io, UndoLog::shared());
    if (command == u"offload")
        return runOffload(rest, io);
    if (command == u"verify")
        return runVerify(rest, io);
    if (command == u"config")
        return runConfig(rest, io, PreferenceSuite::standard());
    if (command == u"integrate")
        return runIntegrate(rest, io);
    if (command == u"new")
        return io.usage(QStringLiteral("new takes at most one folder"),
                        QStringLiteral("brindlepath new [DIR]"));
    if (command == u"settings")
        return io.usage(QStringLiteral("settings takes no arguments"),
                        QStringLiteral("brindlepath settings"));
    if (command == u"open")
        return io.usage(QStringLiteral("open needs a folder"),
                        QStringLiteral("brindlepath open PATH..."));
    if (command == u"undo" || command == u"quit")
        return io.usage(QStringLiteral("%1 takes no arguments").arg(command),
                        QStringLiteral("brindlepath %1").arg(command));
    return io.usage(QStringLiteral("unknown command \u201c%1\u201d").arg(command),
                    QStringLiteral("brindlepath [COMMAND] [OPTIONS]"));
}

} // namespace bp::Cli

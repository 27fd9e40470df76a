#include "FileManagerIntegration.h"

#include "FileManagerActions.h"

#include <QDir>
#include <QStandardPaths>

#include <optional>

namespace bp {
namespace {

using Manager = FileManagerSetup::Manager;
using State = FileManagerSetup::State;

struct Known {
    Manager manager;
    const char *program;
    // A piece of the place FileManagerActions reports for it; none where it writes nothing.
    const char *place;
};

constexpr Known known[] = {
    {Manager::nautilus, "nautilus", "/nautilus/scripts/"},
    {Manager::nemo, "nemo", "/nemo/actions/"},
    {Manager::caja, "caja", nullptr},
    {Manager::thunar, "thunar", "/Thunar/uca.xml"},
    {Manager::dolphin, "dolphin", "/kio/servicemenus/"},
};

State stateOf(FileManagerActions::Outcome outcome)
{
    using FileManagerActions::Outcome;
    switch (outcome) {
    case Outcome::keptChanged:
    case Outcome::keptForeign:
        return State::leftAlone;
    case Outcome::failed:
    case Outcome::removed:
    case Outcome::notInstalled:
        return State::failed;
    default:
        return State::ready;
    }
}

// Caja gets the entry from our plug-in package only.
bool cajaPluginInstalled()
{
    for (const QString &lib : {QStringLiteral("/usr/lib"), QStringLiteral("/usr/local/lib")}) {
        const QDir base(lib);
        QStringList dirs{lib};
        // The multiarch folders, such as x86_64-linux-gnu.
        for (const QString &arch : base.entryList({QStringLiteral("*-linux-*")}, QDir::Dirs))
            dirs += lib + QLatin1Char('/') + arch;
        for (const QString &dir : dirs) {
            if (QFile::exists(dir + QStringLiteral("/caja/extensions-2.0/libbrindlepath-caja.so")))
                return true;
        }
    }
    return false;
}

} // namespace

FileManagerIntegration::FileManagerIntegration(QString command) : m_command(std::move(command)) {}

QList<FileManagerSetup::Entry> FileManagerIntegration::prepare()
{
    const QList<FileManagerActions::Report> reports = FileManagerActions::install(m_command);
    QList<Entry> entries;
    for (const Known &k : known) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(k.program)).isEmpty())
            continue;
        if (!k.place) {
            entries += {k.manager, cajaPluginInstalled() ? State::ready : State::needsPlugin};
            continue;
        }
        std::optional<State> state;
        for (const FileManagerActions::Report &report : reports) {
            if (report.place.contains(QLatin1String(k.place)))
                state = stateOf(report.outcome);
        }
        entries += {k.manager, state.value_or(State::failed)};
    }
    return entries;
}

} // namespace bp

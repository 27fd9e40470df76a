#pragma once

#include <QList>
#include <QString>

namespace bp::FileManagerActions {

// The quick action "Brindlepath - Maak Structuur" in the file managers that read it from the
// user's folders: a Nautilus script, a Nemo action, a Dolphin service menu and a Thunar custom
// action in uca.xml. Each runs "brindlepath open <folder>". A file (or, in uca.xml, our action
// element) is rewritten or removed only while it is still what we wrote: a manifest keeps the
// hash of each, so the user's own edits are left alone.

enum class Outcome {
    installed,
    updated,
    unchanged,
    removed,
    notInstalled,
    // The package installed this one where the file manager reads it for every user.
    systemWide,
    // Left alone: changed since we wrote it, or never ours.
    keptChanged,
    keptForeign,
    failed,
};

struct Report {
    QString place;
    Outcome outcome;
    // What was in the way, or the system's error.
    QString detail;
};

// The command the per-user actions run: plain "brindlepath" when PATH finds this very
// program, otherwise the program's absolute path (a build tree, a private prefix).
QString programCommand(const QString &programPath);

// Both take the command that programCommand gives.
QList<Report> install(const QString &command);
QList<Report> remove(const QString &command);

// What the agent does on its first start: install once, then leave a stamp so that a later
// "integrate --remove" is not undone behind the user's back. Returns whether it installed.
bool integrateOnce();
bool integrateOnce(const QString &command);

// $XDG_DATA_HOME/brindlepath: the manifest and the stamp.
QString stateDirectory();
QString stampPath();

} // namespace bp::FileManagerActions

#pragma once

#include <QStringList>
#include <QTextStream>

namespace bp {

// Runs the tray agent until it is told to quit; returns at once, successfully, when another
// agent already owns the session's name. Needs a QApplication.
int runAgent();

// The commands that talk to the agent: new [DIR], open PATH..., settings, undo and quit.
// Whether arguments is one of them.
bool isAgentCommand(const QStringList &arguments);
// Runs one; creates the application object it needs itself.
int runAgentCommand(const QStringList &arguments, int &argc, char **argv);

} // namespace bp

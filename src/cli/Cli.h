#pragma once

#include <QStringList>
#include <QTextStream>

namespace bp::Cli {

// Exit statuses of every command.
enum ExitCode { Success = 0, Failure = 1, UsageError = 2 };

// Runs a headless command (everything but "new"); arguments exclude the program name.
int run(const QStringList &arguments, QTextStream &out, QTextStream &err);

QString usageText();

} // namespace bp::Cli

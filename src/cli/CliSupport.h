#pragma once

#include "Cli.h"
#include "model/ProjectConfig.h"
#include "model/Result.h"
#include "sorting/FileSorter.h"
#include "sorting/MoveRecord.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonValue>

namespace bp {
class CustomTemplateStore;
class ProjectPlan;
struct PlanProblems;
class PreferenceSuite;
struct Stores;
class UndoLog;
} // namespace bp

namespace bp::Cli {

// What a command writes to, and how it reports the two kinds of failure.
struct Io {
    QTextStream &out;
    QTextStream &err;

    int failure(const QString &message) const;
    int usage(const QString &message, const QString &synopsis) const;
    void printJson(const QJsonValue &value) const;
};

// The options that describe a project configuration (create, preview, templates save).
void addConfigOptions(QCommandLineParser &parser, bool withSort);

// Applies the parsed options onto config; returns a usage message on bad input. A custom
// template must be one of templates.
std::optional<QString> applyConfigOptions(const QCommandLineParser &parser, ProjectConfig &config,
                                          std::optional<QDate> &shootDate,
                                          const CustomTemplateStore &templates);

// "-" reads standard input.
Result<QByteArray> readInput(const QString &fileOrDash);
Result<void> writeOutput(const QString &fileOrDash, const QByteArray &data);

QString absolutePath(const QString &path);

// [{"source":…,"destination":…}…]
QJsonArray movesToJson(const QList<MoveRecord> &records);
// [{"source":…,"error":…}…]
QJsonArray failedToJson(const QList<SortFailure> &failed);
// "brindlepath: FILE: not moved: REASON" on standard error for each file a sort left behind;
// Failure when there is one, else Success.
int reportNotMoved(const Io &io, const QList<SortFailure> &failed);

// Copy progress of a sort on standard error, leaving standard output to the result: with
// --json one {"progress":{…}} line each time, otherwise one line rewritten in place when
// standard error is a terminal, and nothing when it is not.
class ProgressPrinter {
public:
    ProgressPrinter(const Io &io, bool json);
    void print(const SortProgress &progress);
    // Ends the rewritten line, before anything else goes to standard error.
    void finish();

private:
    const Io &m_io;
    bool m_json;
    bool m_terminal;
    bool m_lineOpen = false;
};

// The tree drawn with box characters, one folder a line.
void printTree(QTextStream &out, const QList<FolderNode> &nodes, const QString &indent = {});

// Parses arguments after the command word; on failure prints the parser's error.
bool parseOrReport(QCommandLineParser &parser, const QStringList &arguments, const Io &io,
                   const QString &synopsis, int &exitCode);

// One line per problem, worded for the command line (create, preview, apply).
QStringList describePlanProblems(const PlanProblems &problems, const ProjectPlan &plan);

int runApply(const QStringList &arguments, const Io &io, const Stores &stores);
int runCreate(const QStringList &arguments, const Io &io, const Stores &stores);
int runPreview(const QStringList &arguments, const Io &io, const Stores &stores);
int runTemplates(const QStringList &arguments, const Io &io, CustomTemplateStore &templates);
int runSort(const QStringList &arguments, const Io &io, UndoLog &undoLog);
int runConfig(const QStringList &arguments, const Io &io, PreferenceSuite &standard);
int runIntegrate(const QStringList &arguments, const Io &io);
int runOffload(const QStringList &arguments, const Io &io);
int runVerify(const QStringList &arguments, const Io &io);

} // namespace bp::Cli

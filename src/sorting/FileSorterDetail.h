#pragma once

// The sorter's rules and steps, exposed for its tests and benchmark. Other layers use
// FileSorter.h only.

#include "FileSorter.h"

#include <QRegularExpression>
#include <QStringList>

#include <functional>
#include <optional>

namespace bp::FileSorter {

struct SortingRule {
    QStringList extensions;  // lower case, without the dot
    QString destinationPath; // relative to the project folder, "/" between components
};

// Fixed and ordered: the first rule that lists an extension wins.
const QList<SortingRule> &sortingRules();

// Versioned or delivered files; nullptr if the expression could not be compiled.
const QRegularExpression *exportPattern();

// Where the file at filePath belongs inside projectFolder, or nothing if it stays.
std::optional<QString> destinationURL(const QString &filePath, const QString &projectFolder);

using ExistsFunction = std::function<bool(const QString &path)>;

// The proposed path if nothing is there, else the first free "name_001.ext", "name_002.ext",
// ... Symlinks, dangling ones included, count as occupied.
QString resolveConflict(const QString &proposed, const ExistsFunction &exists);
QString resolveConflict(const QString &proposed);

// The entries sortFiles would consider: direct, not hidden, not folders, sorted by name.
Result<QStringList> looseFileNames(const QString &folder);

struct SortHooks {
    // Runs just before each move attempt with the path about to be taken, so that tests
    // can race the sorter.
    std::function<void(const QString &source, const QString &destination)> beforeMove;
    SortProgressFunction progress;
};

SortOutcome sortFiles(const QString &sourceFolder, const QString &projectFolder,
                      const SortHooks &hooks);

} // namespace bp::FileSorter

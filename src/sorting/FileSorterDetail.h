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
// ... Symlinks, dangling ones included, count as occupied. Where a numbered name would be
// longer than the destination folder allows, whole characters are cut from the end of the
// name before the number; the extension stays.
QString resolveConflict(const QString &proposed, const ExistsFunction &exists);
QString resolveConflict(const QString &proposed);

struct LooseFiles {
    QStringList names;
    // Not valid UTF-8, so they could not be found again; shown with U+FFFD.
    QStringList undecodable;
};

// The entries sortFiles would consider, each list sorted by name.
Result<LooseFiles> looseFiles(const QString &folder);

struct SortHooks {
    // Runs just before each move attempt with the path about to be taken, so that tests
    // can race the sorter.
    std::function<void(const QString &source, const QString &destination)> beforeMove;
    SortProgressFunction progress;
};

SortOutcome sortFiles(const QString &sourceFolder, const QString &projectFolder,
                      const SortHooks &hooks);

} // namespace bp::FileSorter

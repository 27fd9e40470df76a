#pragma once

#include "Result.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace bp {

// The running project numbers ({teller}) of one target folder, taken so that no two creations
// share a number: not two threads, not two processes, not two machines on one network share.
//
// A number is taken by creating its entry exclusively: an empty folder named by the plain
// number ("7", whatever width the names print it in, so that patterns of other widths share
// one series) in the hidden folder ".brindlepath-teller" of the target folder. mkdir is
// exclusive on local disks, FUSE, NFS (every version) and SMB, where locks often are not
// honoured, so no lock is used. The entry of a created project is never removed: a deleted
// project's number is not handed out again, and projects of other patterns in the same target
// folder draw from the same series. A number is taken only by reserve() and the create calls.
class ProjectCounter final {
public:
    // The running number in an existing folder's name, or nothing when the name does not
    // follow the pattern (the counter as digits, every other token as any text).
    using CounterIn = std::function<std::optional<int>(const QString &folderName)>;
    // The project folder's name (one path component) for the index-th project of a batch,
    // rendered with its number.
    using NameFor = std::function<QString(int index, int number)>;

    struct NumberedFolder {
        int number = 0;
        QString path;
    };

    static inline const QString folderName = QStringLiteral(".brindlepath-teller");
    // Entries stay nine digits at most, well inside int.
    static constexpr int maxNumber = 999'999'999;

    ProjectCounter(QString targetPath, CounterIn counterIn);

    // The number the next project would get: one more than the highest among the target's
    // folders that counterIn recognises and the entries taken, 1 when there are none (also
    // when the target folder does not exist yet). Creates nothing, so a preview never uses
    // up a number; it does read the target folder, which on a share can be slow, so a window
    // asks when the target changes rather than on every keystroke.
    Result<int> peek() const;

    // Takes count consecutive numbers from peek()'s on and returns the first. When a number
    // of the run turns out to be taken (by another process meanwhile), the entries this call
    // made are given back and the whole run moves on past the taken one; the numbers given
    // back lie below a taken one, so a batch that meets another creation may leave a gap (a
    // single never does). The target folder must exist.
    Result<int> reserve(int count = 1) const;

    // Creates the target folder if needed, reserves count consecutive numbers and makes a
    // project folder per number with a plain mkdir: an existing folder is never merged into.
    // - A name already there: the folders this call made are removed again (they are still
    //   empty), the taken name's number stays taken, and the whole batch moves on to a new
    //   run, a bounded number of times. A name that does not change with the number fails
    //   with EEXIST at once.
    // - Any other failure (an invalid name, no permission, a full disk): the folders this
    //   call made are removed and their numbers given back, so nothing is left and no gap
    //   is made; the error is returned.
    // Folders are returned in batch order; creating their trees is the caller's part.
    Result<QList<NumberedFolder>> createProjects(int count, const NameFor &nameFor) const;
    Result<NumberedFolder> createProject(const std::function<QString(int number)> &nameFor) const;

    const QString &targetPath() const { return m_target; }

private:
    QString tellerPath() const;
    QString entryPath(int number) const;
    // Gives back the entries of first..first+count-1 except keep's and those whose folder
    // could not be removed again.
    void giveBack(const QList<NumberedFolder> &made, int first, int count, int keep) const;

    QString m_target;
    CounterIn m_counterIn;
};

} // namespace bp

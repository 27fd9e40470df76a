#pragma once

#include <QDateTime>
#include <QString>

namespace bp {

// One completed move of a file; kept in memory only.
struct MoveRecord {
    QString source;      // absolute path before the move
    QString destination; // absolute path after the move (after conflict renaming)
    QDateTime timestamp; // just after the move succeeded

    friend bool operator==(const MoveRecord &, const MoveRecord &) = default;
};

} // namespace bp

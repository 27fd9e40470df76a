#pragma once

#include "model/ProjectPlan.h"

#include <QStringList>

namespace bp::PreviewMarks {

// What making a name safe changed, as a preview row says it.
QString changeText(ComponentChange change);
// Why a name could not be made; a field key of the template that had no valid value is
// worded as such, not as an unknown field.
QString problemText(const NameProblem &problem, const QStringList &fieldKeys);
// A row's tooltip and accessible description: problems first, then changes, one a line;
// empty when the name came out as typed.
QString describe(const FolderNote &note, const QStringList &fieldKeys);

} // namespace bp::PreviewMarks

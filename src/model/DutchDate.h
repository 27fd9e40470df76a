#pragma once

#include <QDate>
#include <QString>

namespace bp::DutchDate {

// The format of a date without one: 2026-03-05.
inline const QString isoLetters = QStringLiteral("JJJJ-MM-DD");

// The date written in Dutch letters, the same on every system whatever its locale:
// JJJJ year (2026), JJ (26), MMMM month name (maart), MMM short name (mrt, no dot),
// MM (03), M (3), DD (05), D (5), WW ISO week (01-53; JJJJ stays the calendar year).
// The longest letter run is taken first; every other character is copied as is.
QString format(QDate date, QStringView letters);

} // namespace bp::DutchDate

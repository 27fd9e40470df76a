#include "DutchDate.h"

#include <array>
#include <cstdlib>

namespace bp::DutchDate {
namespace {

// Fixed here, not taken from a locale, so names never depend on the system they are made on.
constexpr std::array<const char *, 12> monthNames{"januari",   "februari", "maart",    "april",
                                                  "mei",       "juni",     "juli",     "augustus",
                                                  "september", "oktober",  "november", "december"};
constexpr std::array<const char *, 12> shortMonthNames{"jan", "feb", "mrt", "apr", "mei", "jun",
                                                       "jul", "aug", "sep", "okt", "nov", "dec"};

QString padded(int number, int width)
{
    return QString::number(number).rightJustified(width, QLatin1Char('0'));
}

} // namespace

QString format(QDate date, QStringView letters)
{
    QString out;
    const int month = date.month() - 1;
    const bool hasMonth = month >= 0 && month < 12;
    qsizetype i = 0;
    while (i < letters.size()) {
        const QChar c = letters.at(i);
        qsizetype run = 1;
        while (i + run < letters.size() && letters.at(i + run) == c)
            ++run;
        qsizetype used = 1;
        switch (c.unicode()) {
        case 'J':
            if (run >= 4) {
                out += padded(date.year(), 4);
                used = 4;
            } else if (run >= 2) {
                out += padded(std::abs(date.year()) % 100, 2);
                used = 2;
            } else {
                out += c;
            }
            break;
        case 'M':
            used = std::min<qsizetype>(run, 4);
            if (used == 4)
                out += QLatin1String(hasMonth ? monthNames[month] : "");
            else if (used == 3)
                out += QLatin1String(hasMonth ? shortMonthNames[month] : "");
            else
                out += padded(date.month(), int(used));
            break;
        case 'D':
            used = std::min<qsizetype>(run, 2);
            out += padded(date.day(), int(used));
            break;
        case 'W':
            if (run >= 2) {
                out += padded(date.weekNumber(), 2);
                used = 2;
            } else {
                out += c;
            }
            break;
        default:
            out += c;
        }
        i += used;
    }
    return out;
}

} // namespace bp::DutchDate

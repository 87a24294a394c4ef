// The 31 day columns both timesheet windows show: title, width, alignment, the colour of the
// days off (by the production calendar) in cells and titles, and what becomes of the days a
// short month lacks. The day
// lists of their statements come from timesheet::dayList.
#pragma once

#include "timesheet/production_calendar.h"
#include "timesheet/timesheet_month.h"

#include <QColor>

namespace ui {
class DBGrid;
struct GridColumn;
} // namespace ui

namespace timesheet {

constexpr int DayColumnWidth = 20;
// Days off, in the cells and the titles.
inline const QColor WeekendColour(255, 0, 0);

// The days a month lacks: greyed out in place, or hidden with the name column widened.
enum class MissingDays { Greyed, Hidden };

class DayColumns {
public:
    // Adds the columns "d1" … "d31" to the grid after its columns so far.
    DayColumns(ui::DBGrid* grid, MissingDays missing);

    // Colours the days off of the month; a hidden day's room goes to column widened (-1:
    // none), whose width without hidden days is baseWidth.
    void showMonth(const MonthPeriod& period, const DaysOff& daysOff, int widened = -1,
                   int baseWidth = 0);

    // The day of a column ("d5" → 5), 0 for a column that is no day column.
    static int dayOf(const ui::GridColumn& column);

    // The index in the grid of day 1.
    int first() const { return first_; }
    // The month's days (28 … 31).
    int days() const { return days_; }

private:
    ui::DBGrid* grid_;
    MissingDays missing_;
    int first_;
    int days_ = 31;
};

} // namespace timesheet

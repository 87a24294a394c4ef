#include "timesheet/day_columns.h"

#include "ui/dbgrid.h"

#include <QHeaderView>

namespace timesheet {

namespace {
const QColor Silver(192, 192, 192);
}

DayColumns::DayColumns(ui::DBGrid* grid, MissingDays missing)
    : grid_(grid), missing_(missing), first_(grid->columnCount()) {
    for (int d = 1; d <= 31; ++d) {
        ui::GridColumn c;
        c.field = QStringLiteral("d%1").arg(d);
        c.title = QString::number(d);
        c.width = DayColumnWidth;
        c.alignment = Qt::AlignCenter;
        grid->addColumn(c);
    }
    grid->horizontalHeader()->setMinimumSectionSize(DayColumnWidth);
    // two-digit hours fill a day column; cut short they would read "…"
    grid->setTextElideMode(Qt::ElideNone);
}

int DayColumns::dayOf(const ui::GridColumn& column) {
    const QString& f = column.field;
    if (f.size() < 2 || f[0] != u'd') return 0;
    bool ok = false;
    const int day = QStringView(f).mid(1).toInt(&ok);
    return ok && day >= 1 && day <= 31 ? day : 0;
}

void DayColumns::showMonth(const MonthPeriod& period, const DaysOff& daysOff, int widened,
                           int baseWidth) {
    days_ = period.days();
    for (int d = 1; d <= 31; ++d) {
        ui::GridColumn& c = grid_->column(first_ + d - 1);
        const bool inMonth = d <= days_;
        c.visible = inMonth || missing_ == MissingDays::Greyed;
        if (inMonth) {
            c.color = daysOff.isOff(period.first.addDays(d - 1)) ? WeekendColour : QColor();
            c.titleColor = c.color;
        } else if (missing_ == MissingDays::Greyed) {
            c.color = grid_->palette().color(QPalette::Base); // nothing readable
            c.titleColor = Silver;
        }
    }
    if (missing_ == MissingDays::Hidden) {
        if (widened >= 0) grid_->column(widened).width = baseWidth + DayColumnWidth * (31 - days_);
        grid_->applyColumns();
    }
    grid_->horizontalHeader()->viewport()->update();
    grid_->viewport()->update();
}

} // namespace timesheet

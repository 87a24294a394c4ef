#include "timesheet/timesheet_month.h"

namespace timesheet {

const QStringList& monthNames() {
    static const QStringList names{
        QStringLiteral("Январь"),  QStringLiteral("Февраль"), QStringLiteral("Март"),
        QStringLiteral("Апрель"),  QStringLiteral("Май"),     QStringLiteral("Июнь"),
        QStringLiteral("Июль"),    QStringLiteral("Август"),  QStringLiteral("Сентябрь"),
        QStringLiteral("Октябрь"), QStringLiteral("Ноябрь"),  QStringLiteral("Декабрь")};
    return names;
}

MonthPeriod monthPeriod(int year, int month) {
    const QDate first(year, month, 1);
    return {first, first.addMonths(1)};
}

QString dayList(const QString& pattern) {
    QStringList days;
    for (int d = 1; d <= 31; ++d)
        days << pattern.arg(d);
    return days.join(QStringLiteral(", "));
}

} // namespace timesheet

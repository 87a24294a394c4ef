// Small datasets shaped like the queries of the printed reports.
#pragma once

#include "report_engine/rows.h"

#include <QVariant>

namespace rows {

inline const QVariant null;

// t_Report of "Отчет по рабочим": fio, nom, vid, naimen, color, kolvo, summa.
// Exact decimals come from the database as text, as they do here.
inline report::MemoryRows workers() {
    report::MemoryRows r({"fio", "nom", "vid", "naimen", "color", "kolvo", "summa"});
    r.add({"Иванов И.И.", "СТ-100", "Сварка", 0, 0, "10", 125.0});
    r.add({"Иванов И.И.", "СТ-100", "Покраска", 0, 9003, "5", "62.5"});
    r.add({"Иванов И.И.", "ШК-200", "Покраска", 1, 1, "4", 80.125});
    r.add({"Петров П.П.", "СТ-100", "Сварка", 0, 0, "2", 25.0005});
    return r;
}

// t_Report of "Отчет по продукции": nom, vid, naimen, color, kolvo, mass.
inline report::MemoryRows products() {
    report::MemoryRows r({"nom", "vid", "naimen", "color", "kolvo", "mass"});
    r.add({"СТ-100", "Сварка", 0, 0, "12", "18"});
    r.add({"СТ-100", "Покраска", 1, 1, "3", "4.5"});
    r.add({"ШК-200", "Покраска", 0, 9003, "7", "14.25"});
    return r;
}

// w_Report of "Детальный отчет по рабочим": fio, marka, vid, naimen, color, kolvo, brk, summa.
inline report::MemoryRows workersDetail() {
    report::MemoryRows r(
        {"fio", "marka", "vid", "naimen", "color", "kolvo", "brk", "summa", "s_prize"});
    r.add({"Иванов И.И.", "СТ-100-01", "Сварка", 0, 0, "11", 1, 125.0, 0});
    r.add({"Иванов И.И.", "СТ-100-01", "Покраска", 0, 9003, "5", 0, "62.5", 0});
    r.add({"Петров П.П.", "ШК-200-02", "Покраска", 1, 1, "4", 2, 40.004, 2});
    return r;
}

// i_Report of "Детальный отчет по продукции": nom, marka, vid, naimen, color, kolvo, brk,
// summa, mass.
inline report::MemoryRows productsDetail() {
    report::MemoryRows r(
        {"marka", "vid", "naimen", "nom", "kolvo", "brk", "summa", "color", "mass"});
    r.add({"СТ-100-01", "Сварка", 0, "СТ-100", "11", 1, 125.0, 0, "16.5"});
    r.add({"СТ-100-01", "Покраска", 0, "СТ-100", "5", 0, "62.5", 9003, "7.5"});
    r.add({"ШК-200-02", "Покраска", 1, "ШК-200", "4", 2, 40.0005, 1, "8"});
    return r;
}

// H_Tabel of the timesheet: fio, sd1 … sd31; days without hours are null.
inline report::MemoryRows timesheet(int workers) {
    QStringList fields{"fio"};
    for (int d = 1; d <= 31; ++d)
        fields << QStringLiteral("sd%1").arg(d);
    report::MemoryRows r(fields);
    for (int w = 1; w <= workers; ++w) {
        QVariantList row{QStringLiteral("Рабочий %1").arg(w, 3, 10, QLatin1Char('0'))};
        for (int d = 1; d <= 31; ++d)
            row << (d % 7 == 6 || d % 7 == 0 ? QVariant()
                                             : QVariant(qlonglong(d % 3 == 0 ? 12 : 8)));
        r.add(row);
    }
    return r;
}

} // namespace rows

#include "bench_data.h"

#include <QFile>
#include <QTextStream>

namespace bench {

namespace {

const QStringList kSurnames{"Иванов",   "Петров",  "Сидоров",  "Кузнецов", "Смирнов", "Попов",
                            "Васильев", "Соколов", "Михайлов", "Новиков",  "Фёдоров", "Морозов"};
const QStringList kKinds{"Сварка", "Покраска", "Резка", "Сборка", "Гибка"};

QString worker(int i) {
    return QStringLiteral("%1 %2.%3. (%4)")
        .arg(kSurnames[i % kSurnames.size()])
        .arg(QChar(0x0410 + i % 32))
        .arg(QChar(0x0410 + (i / 32) % 32))
        .arg(i + 1, 3, 10, QLatin1Char('0'));
}

QString product(int i) {
    return QStringLiteral("СТ-%1").arg(100 + i);
}

int colour(int i) {
    static const int colours[] = {0, 1, 9003, 0, 3020, 0, 1, 7035};
    return colours[i % 8];
}

// Quantity and an exact decimal sum as the database hands it over (text).
QString money(int i) {
    return QString::number(12.5 * (1 + i % 17) + (i % 7) * 0.125, 'f', 3);
}

} // namespace

report::MemoryRows workerRows(int rows, int workers) {
    report::MemoryRows r({"fio", "nom", "vid", "naimen", "color", "kolvo", "summa"});
    const int perWorker = std::max(1, rows / workers);
    for (int i = 0; i < rows; ++i) {
        const int w = std::min(workers - 1, i / perWorker);
        const int p = (i % perWorker) / 10;
        r.add({worker(w), product(p), kKinds[i % kKinds.size()], i % 3 == 0 ? 1 : 0, colour(i),
               QString::number(1 + i % 23), money(i)});
    }
    return r;
}

report::MemoryRows productRows(int rows, int products) {
    report::MemoryRows r({"nom", "vid", "naimen", "color", "kolvo", "mass"});
    const int perProduct = std::max(1, rows / products);
    for (int i = 0; i < rows; ++i)
        r.add({product(std::min(products - 1, i / perProduct)), kKinds[i % kKinds.size()],
               i % 3 == 0 ? 1 : 0, colour(i), QString::number(1 + i % 23),
               QString::number(0.25 * (1 + i % 9), 'f', 2)});
    return r;
}

report::MemoryRows workerDetailRows(int rows, int workers) {
    report::MemoryRows r(
        {"fio", "marka", "vid", "naimen", "color", "kolvo", "brk", "summa", "s_prize"});
    const int perWorker = std::max(1, rows / workers);
    for (int i = 0; i < rows; ++i)
        r.add({worker(std::min(workers - 1, i / perWorker)),
               product(i % 40) + "-0" + QString::number(i % 5), kKinds[i % kKinds.size()],
               i % 3 == 0 ? 1 : 0, colour(i), QString::number(1 + i % 23), i % 4, money(i), 0});
    return r;
}

report::MemoryRows productDetailRows(int rows, int products) {
    report::MemoryRows r(
        {"marka", "vid", "naimen", "nom", "kolvo", "brk", "summa", "color", "mass"});
    const int perProduct = std::max(1, rows / products);
    for (int i = 0; i < rows; ++i) {
        const int p = std::min(products - 1, i / perProduct);
        r.add({product(p) + "-0" + QString::number(i % 5), kKinds[i % kKinds.size()],
               i % 3 == 0 ? 1 : 0, product(p), QString::number(1 + i % 23), i % 4, money(i),
               colour(i), QString::number(0.25 * (1 + i % 9), 'f', 2)});
    }
    return r;
}

report::MemoryRows timesheetRows(int workers) {
    QStringList fields{"fio"};
    for (int d = 1; d <= 31; ++d)
        fields << QStringLiteral("sd%1").arg(d);
    report::MemoryRows r(fields);
    for (int w = 0; w < workers; ++w) {
        QVariantList row{worker(w)};
        for (int d = 1; d <= 31; ++d) {
            const bool dayOff = d % 7 == 6 || d % 7 == 0;
            row << (dayOff ? QVariant() : QVariant(qlonglong((d + w) % 11 == 0 ? 12 : 8)));
        }
        r.add(row);
    }
    return r;
}

bool writeCsv(const report::MemoryRows& rows, const QStringList& fields, const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text)) return false;
    QTextStream out(&f);
    out << fields.join(';') << '\n';
    for (int r = 0; r < rows.rowCount(); ++r) {
        QStringList cells;
        for (const QString& name : fields)
            cells << rows.value(r, rows.fieldIndex(name)).toString();
        out << cells.join(';') << '\n';
    }
    return true;
}

} // namespace bench

#include "refdata/product_deletion.h"

#include "data/query.h"
#include "data/sql_text.h"
#include "data/write_engine.h"
#include "timesheet/timesheet_month.h"

#include <QStringList>

namespace refdata {

using data::sql::integer;

namespace {

QString records(qint64 product) {
    return QStringLiteral("from accounts_dep.smena s where s.i_id=") + integer(product);
}

// Russian plural of "запись смены" after n.
QString recordWord(qint64 n) {
    const qint64 tens = n % 100, ones = n % 10;
    if (tens >= 11 && tens <= 14) return QStringLiteral("записей смен");
    if (ones == 1) return QStringLiteral("запись смены");
    if (ones >= 2 && ones <= 4) return QStringLiteral("записи смен");
    return QStringLiteral("записей смен");
}

// The records that are not among those read: a record added, moved or with its cell changed
// by another copy since then.
QString strayRecords(const ProductUse& use) {
    QStringList cells, months;
    for (const timesheet::Cell& c : use.cells)
        cells << QStringLiteral("(%1, %2, %3)")
                     .arg(c.row.worker)
                     .arg(c.row.shift)
                     .arg(data::sql::toDate(c.day));
    for (const auto& [month, n] : use.recordsByMonth)
        if (month.second != 0) months << QStringLiteral("(%1, %2)").arg(month.first).arg(month.second);
    const QString inCells = cells.isEmpty() ? QStringLiteral("false")
                                            : QStringLiteral("(s.w_id, s.smena, s.data) in (") +
                                                  cells.join(QStringLiteral(", ")) + u')';
    const QString inMonths =
        months.isEmpty() ? QStringLiteral("false")
                         : QStringLiteral("(extract(year from s.data)::int, extract(month from "
                                          "s.data)::int) in (") +
                               months.join(QStringLiteral(", ")) + u')';
    return QStringLiteral("(select count(*) ") + records(use.product) +
           QStringLiteral(" and not ((s.w_id is null or s.smena is null or ") + inCells +
           QStringLiteral(") and (s.data is null or ") + inMonths +
           QStringLiteral(")) is true) + abs((select count(*) ") + records(use.product) +
           QStringLiteral(") - ") + integer(use.records) + u')';
}

} // namespace

ProductUse productUse(data::Query& control, qint64 product) {
    ProductUse use;
    use.product = product;
    data::Query months(control.connection()), cells(control.connection());
    control.close();
    control.setSql(QStringLiteral("select count(*) as cnt from accounts_dep.oper where i_id=") +
                   integer(product));
    months.setSql(QStringLiteral("select coalesce(extract(year from s.data)::int, 0) as y, "
                                 "coalesce(extract(month from s.data)::int, 0) as m, count(*) as "
                                 "n, max(c.year) as closed from accounts_dep.smena s left join "
                                 "accounts_dep.closed_month c on c.year=extract(year from s.data) "
                                 "and c.month=extract(month from s.data) where s.i_id=") +
                  integer(product) + QStringLiteral(" group by 1, 2 order by 1, 2"));
    cells.setSql(QStringLiteral("select distinct s.w_id, s.smena, s.data ") + records(product) +
                 QStringLiteral(" and s.w_id is not null and s.smena is not null and s.data is "
                                "not null order by 1, 2, 3"));
    data::openTogether({&control, &months, &cells});
    data::ClosedOnExit closing{control};
    use.operations = control.asInt(QStringLiteral("cnt"));
    for (months.first(); !months.eof(); months.next()) {
        const std::pair<int, int> month{int(months.asInt(QStringLiteral("y"))),
                                        int(months.asInt(QStringLiteral("m")))};
        const qint64 n = months.asInt(QStringLiteral("n"));
        use.recordsByMonth.push_back({month, n});
        use.records += n;
        if (!months.isNull(QStringLiteral("closed")) && !use.closed.found())
            use.closed = {month.first, month.second};
    }
    for (cells.first(); !cells.eof(); cells.next())
        use.cells.push_back(timesheet::Cell::shift(cells.asInt(QStringLiteral("w_id")),
                                                   int(cells.asInt(QStringLiteral("smena"))),
                                                   cells.asDate(QStringLiteral("data"))));
    return use;
}

QString recordsText(const ProductUse& use) {
    QStringList months;
    for (const auto& [month, n] : use.recordsByMonth) {
        QString title = month.second == 0 ? QStringLiteral("без даты")
                                          : timesheet::monthTitle(month.first, month.second);
        title = title.left(1).toLower() + title.mid(1);
        months << title + QStringLiteral(" — ") + QString::number(n);
    }
    return QString::number(use.records) + u' ' + recordWord(use.records) + QStringLiteral(": ") +
           months.join(QStringLiteral(", "));
}

ProductDeletion deleteProduct(data::Query& control, const ProductUse& use, bool operations,
                              bool product, timesheet::ClosedMonth* closed) {
    const QString key = integer(use.product);
    data::WritePlan plan;
    for (const auto& [month, n] : use.recordsByMonth)
        if (month.second != 0) plan.months.insert(month);
    if (operations)
        plan.parts = {data::WritePart::remove(
                          QStringLiteral("accounts_dep.norm"),
                          QStringLiteral("o_id in (select id from accounts_dep.oper where i_id=") +
                              key + u')'),
                      data::WritePart::remove(QStringLiteral("accounts_dep.oper"),
                                              QStringLiteral("i_id=") + key)};
    if (product) {
        plan.row = data::SeenTarget{QStringLiteral("cmn_gds_and_srv.gds_and_srv"), use.product,
                                    {}, {}};
        plan.columns << strayRecords(use) + QStringLiteral(" as stray");
        plan.refusals = {{QStringLiteral("stray>0"), int(ProductDeletion::RecordsChanged)}};
        timesheet::addCells(plan, {}, use.cells,
                            {data::WritePart::remove(QStringLiteral("accounts_dep.smena"),
                                                     QStringLiteral("i_id=") + key),
                             QStringLiteral("i_id=") + key, true, &control.connection()});
        plan.parts.push_back(data::WritePart::remove(QStringLiteral("cmn_gds_and_srv.gds_and_srv"),
                                                     QStringLiteral("id=") + key));
        plan.landed = [&] {
            return data::lookupIn(control,
                                  QStringLiteral("select count(*) as cnt from "
                                                 "cmn_gds_and_srv.gds_and_srv where id=") +
                                      key,
                                  QStringLiteral("cnt"))
                       .toLongLong() == 0;
        };
    } else {
        plan.landed = [&] {
            return data::lookupIn(control,
                                  QStringLiteral("select count(*) as cnt from accounts_dep.oper "
                                                 "where i_id=") +
                                      key,
                                  QStringLiteral("cnt"))
                       .toLongLong() == 0;
        };
    }
    if (plan.parts.empty()) return ProductDeletion::Deleted;
    const data::WriteOutcome out = data::write(control, plan);
    if (closed) *closed = out.closed;
    using D = ProductDeletion;
    return data::valueOf<D>(out, {D::Deleted, D::ProductGone, D::RecordsChanged, D::MonthClosed,
                                  D::Deleted, D::Lost, D::Lost});
}

QString deletionText(ProductDeletion result, const timesheet::ClosedMonth& closed) {
    switch (result) {
    case ProductDeletion::Deleted:
        return {};
    case ProductDeletion::MonthClosed:
        return QStringLiteral("Изделие не удалено: по нему есть записи смен за закрытый месяц. ") +
               timesheet::closedMonthText(closed);
    case ProductDeletion::ProductGone:
        return QStringLiteral("Изделие уже удалено другим пользователем.");
    case ProductDeletion::RecordsChanged:
        return QStringLiteral("Пока шло удаление, другой пользователь изменил записи смен по "
                              "изделию; ничего не удалено. Удалите изделие ещё раз.");
    case ProductDeletion::Lost:
        break;
    }
    return data::lostCommitText(data::LostCommit::Unknown);
}

} // namespace refdata

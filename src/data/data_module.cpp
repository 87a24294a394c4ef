#include "data/data_module.h"

#include "data/db_error.h"
#include "data/sql_text.h"

#include <compare>

TDataModule6* DataModule6 = nullptr;

QString TDataModule6::operStatement() {
    return QStringLiteral(
               "select izdel.MARKA, vid_oper.VID, oper.NAIMEN, (SELECT (CASE naimen WHEN 0 THEN "
               "'Готовая продукция' ELSE 'Заготовки' END)) as nmn, count(o_id) norma, "
               "min(price)::numeric cena, oper.id, oper.i_id, oper.VID as oper_vid from "
               "accounts_dep.norm,accounts_dep.OPER,accounts_dep.IZDEL,accounts_dep.VID_OPER "
               "where OPER.i_id=IZDEL.id and norm.o_id=oper.id and oper.vid=vid_oper.id group by "
               "izdel.MARKA, vid_oper.VID, oper.NAIMEN, oper.id, oper.i_id, oper.VID order by ") +
           data::sql::byName(QStringLiteral("izdel.marka")) + QStringLiteral(", ") +
           data::sql::byName(QStringLiteral("vid_oper.vid")) + QStringLiteral(", oper.naimen");
}

QString TDataModule6::journalStatement(int shift, const QString& only) {
    QString test = shift == 1 ? QStringLiteral("ok!=:ok") : QStringLiteral("ok<>:ok");
    if (!only.isEmpty()) test += QStringLiteral(" and (") + only + u')';
    const QString order =
        shift == 1 ? data::sql::byName(QStringLiteral("person.s_caption")) + QStringLiteral(", ") +
                         data::sql::byName(QStringLiteral("izdel.marka")) + QStringLiteral(", ") +
                         data::sql::byName(QStringLiteral("vid_oper.vid")) +
                         QStringLiteral(", oper.naimen, color")
                   : data::sql::byName(QStringLiteral("person.s_caption"));
    return QStringLiteral(
               "select smena.id, smena.data, smena.smena, smena.i_id, smena.o_id, smena.w_id,  "
               "smena.cena,person.s_caption fio, izdel.marka, vid_oper.vid, (SELECT (CASE naimen "
               "WHEN 0 THEN 'Готовая продукция' ELSE 'Заготовки' END)) as nmn, oper.naimen,  "
               "smena.brak, smena.kol_vo::numeric, %5 as summa, smena.prize, color,time, smena.ok, "
               "vvod, smena.id_doc, smena.id_doc_item, "
               "smena.f_gds_qty_use, smena.id_gds_use, smena.id_cons_use from "
               // the worker is each person whose key or personnel code is w_id, a person
               // matching by both taken once: two joins by equality the server can plan
               "(select id as w_key, s_caption from cmn_contractor.person union all "
               "select %4, s_caption from cmn_contractor.person where %4<>id) "
               "person, "
               "accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,accounts_dep.vid_oper  "
               "where smena.i_id=izdel.id and smena.o_id=oper.id and w_id=person.w_key and  "
               "oper.vid=vid_oper.id and smena.smena=%1 and smena.data=:data and %2 order by  %3, "
               // rows equal in the sort keys keep one order from one reading to the next
               "smena.id")
        .arg(shift)
        .arg(test, order, data::sql::personCode(QStringLiteral("person")), data::sql::recordSum());
}

data::Query::RowBefore TDataModule6::journalOrder(int shift) {
    // as journalStatement() orders: names by data::sql::byName(), then numbers, then the key
    return [shift](const data::Query::FieldOf& a, const data::Query::FieldOf& b) {
        auto byName = [&](const char* f) {
            return data::sql::nameKey(a(QLatin1String(f)).toString())
                       .compare(data::sql::nameKey(b(QLatin1String(f)).toString())) <=> 0;
        };
        auto byNumber = [&](const char* f) {
            const QVariant x = a(QLatin1String(f)), y = b(QLatin1String(f));
            // nulls last, as the server sorts them
            if (x.isNull() || y.isNull()) return x.isNull() <=> y.isNull();
            return x.toLongLong() <=> y.toLongLong();
        };
        std::strong_ordering o = byName("fio");
        if (shift == 1) {
            if (o == 0) o = byName("marka");
            if (o == 0) o = byName("vid");
            if (o == 0) o = byNumber("naimen");
            if (o == 0) o = byNumber("color");
        }
        if (o == 0) o = byNumber("id");
        return o < 0;
    };
}

QString TDataModule6::timesheetStatement(int shift) {
    QStringList days;
    QString sum;
    for (int d = 1; d <= 31; ++d) {
        sum += QStringLiteral("coalesce(d%1,0)").arg(d);
        if (d < 31) sum += (d % 10 == 0) ? QStringLiteral("+ ") : QStringLiteral("+");
    }
    const QString total = u'(' + sum + u')';
    return QStringLiteral("select person.s_caption fio,  ") + total +
           QStringLiteral(" as summ,  case when ") + total +
           QStringLiteral("=0 then 0 else (sum(s.cena*(kol_vo-brak))/") + total +
           QStringLiteral(
               ") end ::numeric(10,2) as average_price, sum(%3)::numeric(10,2) "
               "as cena_all, h_tabel.*  from accounts_dep.h_tabel, cmn_contractor.person, "
               "accounts_dep.smena s where  h_tabel.w_id=%2 and "
               "h_tabel.smena=%1 and month=:mnth and s.w_id = h_tabel.w_id and "
               "h_tabel.year=:yea and s.data >=:date1 and s.data <:date2 group by "
               "person.s_caption,h_tabel.w_id,h_tabel.month,h_tabel.year,h_tabel.smena,h_tabel.id  "
               "order by %4")
               .arg(shift)
               .arg(data::sql::personCode(), data::sql::recordSum(QStringLiteral("s")),
                    data::sql::byName(QStringLiteral("person.s_caption")));
}

TDataModule6::TDataModule6(QObject* parent) : QObject(parent) {
    DataModule6 = this;
    Workers.setSql("select * from accounts_dep.person order by " + data::sql::byName("fio"));
    Workers.setUpdateTable("accounts_dep.person");
    Izdel.setSql("select *  from accounts_dep.IZDEL order by " + data::sql::byName("marka"));
    Vid_oper.setSql("select * from accounts_dep.VID_OPER order by " + data::sql::byName("vid"));
    Vid_oper.setUpdateTable("accounts_dep.vid_oper");
    Oper.setSql(operStatement());
    data::Query* journal[] = {&Smena1, &Smena2, &Smena3, &Smena4};
    for (int i = 0; i < 4; ++i)
        journal[i]->setSql(journalStatement(i + 1));
    Smena1.setParam("ok", QStringLiteral("ok"));
    for (data::Query* q : {&Smena2, &Smena3, &Smena4})
        q->setParam("ok", QStringLiteral("ta"));
    data::Query* timesheet[] = {&H_Tabel_1, &H_Tabel_2, &H_Tabel_3, &H_Tabel_4};
    for (int i = 0; i < 4; ++i)
        timesheet[i]->setSql(timesheetStatement(i + 1));
}

TDataModule6::~TDataModule6() {
    if (DataModule6 == this) DataModule6 = nullptr;
}

data::Query& TDataModule6::smenaQuery(int shift) {
    switch (shift) {
    case 2:
        return Smena2;
    case 3:
        return Smena3;
    case 4:
        return Smena4;
    default:
        return Smena1;
    }
}

data::Query& TDataModule6::timesheetQuery(int shift) {
    switch (shift) {
    case 2:
        return H_Tabel_2;
    case 3:
        return H_Tabel_3;
    case 4:
        return H_Tabel_4;
    default:
        return H_Tabel_1;
    }
}

QVariant TDataModule6::lookup(const QString& sql, const QString& field) {
    return data::lookupIn(Control, sql, field);
}

bool TDataModule6::CheckDuplicate(const QString& countSql, const QString& message) {
    if (lookup(countSql, QStringLiteral("cnt")).toLongLong() > 0) {
        // without a sink the refusal still reaches the user, through the error handler
        if (!ShowError) throw data::DbError(message);
        ShowError(message);
        return true;
    }
    return false;
}

QString TDataModule6::FixDecimalSeparator(const QString& number) const {
    qsizetype at = number.indexOf(u',');
    if (at < 0) at = number.indexOf(u'.');
    if (at < 0) return number;
    QString s = number;
    s.replace(at, 1, DbDelim.isEmpty() ? QStringLiteral(".") : DbDelim);
    return s;
}

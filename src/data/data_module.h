// TDataModule6: the connection ADO_DB and the queries and commands several windows share.
#pragma once

#include "data/changes.h"
#include "data/connection.h"
#include "data/query.h"

#include <QObject>
#include <functional>

class TDataModule6 : public QObject {
    Q_OBJECT
public:
    explicit TDataModule6(QObject* parent = nullptr);
    ~TDataModule6() override;

    data::Connection ADO_DB;
    // What other copies change, heard on a connection of its own (started by the program).
    data::ChangeListener Changes{ADO_DB};

    // Lists
    data::Query Workers{ADO_DB};
    data::Query Izdel{ADO_DB};
    data::Query Vid_oper{ADO_DB};
    data::Query Oper{ADO_DB};
    // Journal of one day, one query per shift; parameters data and ok
    data::Query Smena1{ADO_DB};
    data::Query Smena2{ADO_DB};
    data::Query Smena3{ADO_DB};
    data::Query Smena4{ADO_DB};
    // Monthly timesheet per shift; parameters mnth, yea, date1, date2
    data::Query H_Tabel_1{ADO_DB};
    data::Query H_Tabel_2{ADO_DB};
    data::Query H_Tabel_3{ADO_DB};
    data::Query H_Tabel_4{ADO_DB}; // overtime
    // General lookups: the caller sets the statement, opens, reads, closes
    data::Query Control{ADO_DB};
    // The production calendar of the period a window shows, read with its other statements
    data::Query Calendar{ADO_DB};

    data::Command DelSmena{ADO_DB};
    data::Command SQL_exec{ADO_DB};

    // Decimal separator the database expects in the numbers the products editor writes;
    // read from accounts_dep.ver by the version check.
    QString DbDelim;

    // Where CheckDuplicate's message goes: the application shows it in its error box. This
    // layer shows no window itself.
    std::function<void(const QString& text)> ShowError;

    // Runs a count statement (column cnt) in Control; above 0 hands message to ShowError and
    // returns true.
    bool CheckDuplicate(const QString& countSql, const QString& message = QString());
    // Replaces the first "," (or else the first ".") by DbDelim, by a point while DbDelim
    // has not been read.
    QString FixDecimalSeparator(const QString& number) const;

    // The journal query of a shift: Smena2..4 for 2..4, Smena1 for anything else.
    data::Query& smenaQuery(int shift);
    data::Query& timesheetQuery(int shift); // H_Tabel_1..4
    // Opens Control on a statement, reads one field of the first row and closes it again.
    QVariant lookup(const QString& sql, const QString& field);

    // The journal statement of a shift; only: a condition on its rows besides (e.g. one
    // record's "smena.id=12").
    static QString journalStatement(int shift, const QString& only = QString());
    // The order the journal statement of a shift gives its rows, for a row put in place.
    static data::Query::RowBefore journalOrder(int shift);
    static QString timesheetStatement(int shift);
    static QString operStatement();
};

extern TDataModule6* DataModule6;

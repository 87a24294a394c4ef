// How soon one copy's journal shows what another copy wrote: copy B is the program's windows
// with the journal on screen, copy A a connection of its own in this process. For each of N
// changes (an addition, a change, an acceptance, a deletion, in turn) the time from A's
// commit to B's journal query holding the change, with no action in B.
//
//   change_latency [changes]        default 50
//
// It makes a database of its own on the server the tests use and drops it at the end.
#include "app/app.h"
#include "bench_psql.h"
#include "data/connection.h"
#include "data/data_module.h"
#include "data/query.h"
#include "journal/journal_window.h"
#include "journal/record_writes.h"
#include "ui/dialogs.h"

#include <QApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QTextStream>
#include <algorithm>
#include <cstdio>

namespace {

using bench::psql;

const char* Department = R"(
INSERT INTO accounts_dep.person (id, fio) VALUES (1, 'Иванов'), (2, 'Петров'), (3, 'Сидоров');
INSERT INTO cmn_contractor.person (id, s_caption, s_code) VALUES (1, 'Иванов', '1'), (2, 'Петров', '2'), (3, 'Сидоров', '3');
INSERT INTO cmn_classifier.item (id, id_classifier, id_level, s_caption) VALUES (11, 1, 2, 'Стеллажи');
INSERT INTO cmn_gds_and_srv.gds_and_srv (id, s_caption, id_class_item) VALUES (101, 'СТ-100', 11);
INSERT INTO accounts_dep.vid_oper (id, vid) VALUES (1, 'Сварка');
INSERT INTO accounts_dep.oper (id, vid, naimen, i_id, cena_new) VALUES (1, 1, 0, 101, 0);
INSERT INTO accounts_dep.norm (o_id, norma, prize, price) VALUES (1, 10, 0, 12.5);
)";

const QDate Day(2024, 3, 5);

// The text of field in the row of record id in the journal query B shows; null when absent.
QString shown(qint64 id, const char* field) {
    const data::Query& q = DataModule6->Smena1;
    const int key = q.fieldIndex("id"), column = q.fieldIndex(field);
    for (int row = 0; row < q.recordCount(); ++row)
        if (q.textAt(row, key).toLongLong() == id) return q.textAt(row, column);
    return QString();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    app::setupApplication(application);
    const int changes = argc > 1 ? QString(argv[1]).toInt() : 50;
    const QString database = QStringLiteral("latency_%1").arg(application.applicationPid());
    psql("postgres", {},
         QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8' "
                        "LC_COLLATE 'C.UTF-8' LC_CTYPE 'C.UTF-8';")
             .arg(database));
    psql(database, {"-f", QStringLiteral(TABEL_SOURCE_DIR "/sql/schema.sql")});
    psql(database, {"-f", QStringLiteral(TABEL_SOURCE_DIR "/sql/seed.sql")});
    psql(database, {}, QString::fromUtf8(Department));

    std::vector<double> times;
    int missed = 0;
    {
        ui::Script script; // boxes recorded, never waited on
        app::createForms({database, QStringLiteral("127.0.0.1")});
        for (int shift = 1; shift <= 4; ++shift)
            DataModule6->smenaQuery(shift).setParam("ok", QStringLiteral("ta"));
        Form1->show();
        Form1->DateT->setDate(Day);
        Form1->DateTCloseUp();

        data::Connection a;
        a.setConnectionString(app::connectionString(database, QStringLiteral("127.0.0.1")));
        a.open();
        data::Query control(a);
        data::Command command(a);

        qint64 id = 0;
        QElapsedTimer clock;
        for (int i = 0; i < changes; ++i) {
            journal::RecordInput r;
            r.worker = 1 + (i / 4) % 3;
            r.product = 101;
            r.operation = 1;
            r.day = Day;
            r.price = 12.5;
            r.quantity = 10 + i;
            r.hours = 1;
            std::function<bool()> arrived;
            switch (i % 4) {
            case 0:
                journal::addRecord(control, r);
                clock.start();
                id = data::lookupIn(control, "select max(id) as id from accounts_dep.smena", "id")
                         .toLongLong();
                arrived = [id] { return !shown(id, "id").isNull(); };
                break;
            case 1:
                journal::changeRecord(control, id, r);
                clock.start();
                arrived = [id, q = QString::number(r.quantity)] {
                    return shown(id, "kol_vo") == q;
                };
                break;
            case 2:
                journal::markRecord(control, id, QStringLiteral("ok"));
                clock.start();
                arrived = [id] { return shown(id, "ok") == QLatin1String("ok"); };
                break;
            default:
                journal::deleteRecord(control, id);
                clock.start();
                arrived = [id] { return shown(id, "id").isNull(); };
            }
            // committed: from here B alone brings the change to its journal
            while (!arrived() && clock.elapsed() < 5000)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            if (!arrived()) ++missed;
            times.push_back(clock.nsecsElapsed() / 1e6);
        }
        if (!script.messages().isEmpty())
            std::fprintf(stderr, "messages: %s\n", qPrintable(script.texts().join(" | ")));
        Form1->hide();
        app::destroyForms();
    }
    psql("postgres", {}, QStringLiteral("DROP DATABASE %1 WITH (FORCE);").arg(database));

    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    QTextStream out(stdout);
    out << changes << " changes by another copy, commit to B's journal holding it:\n"
        << "  median " << sorted[sorted.size() / 2] << " ms, max " << sorted.back() << " ms, min "
        << sorted.front() << " ms\n"
        << "  not shown within 5 s: " << missed << "\n";
    return missed == 0 ? 0 : 1;
}

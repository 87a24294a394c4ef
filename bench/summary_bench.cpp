// Timing harness of the summary reports on a real database. Run under
// QT_QPA_PLATFORM=offscreen with a PostgreSQL server on 127.0.0.1:5432:
//   summary_bench [runs]   a month of 300 workers (20,000 shift records) through
//                          "Детальный отчет по рабочим": query, filter, prepare, first page
//                          on screen, medians of the runs; then the peak memory
// Two months are measured: January as a department works (each worker a few operations
// and colours, so the records fold into a few thousand lines) and February, where every
// record makes a line of its own. The database tabel_bench_reports is made afresh from
// sql/schema.sql and dropped at the end (kept when KEEP_DB is set).
#include "app/app.h"
#include "bench_psql.h"
#include "data/connection.h"
#include "report_engine/prepare.h"
#include "report_engine/preview.h"
#include "reports/layouts.h"
#include "reports/summary_reports.h"
#include "ui/dialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

using bench::psql;

const QString Database = QStringLiteral("tabel_bench_reports");

// A month of a 300-worker department: 8 classes of 40 products, 6 kinds, 120 operations,
// 20,000 shift records over January 2024 in three shifts; some persons of the shared
// database have codes that are no number.
const char* Department = R"(
INSERT INTO cmn_contractor.person (id, s_caption, s_code)
 SELECT i, (array['Иванов','Петров','Сидоров','Кузнецов','Смирнов','Попов','Васильев',
                  'Соколов','Михайлов','Новиков','Фёдоров','Морозов'])[1 + i % 12]
           || ' ' || chr(1040 + i % 32) || '.' || chr(1040 + (i / 32) % 32) || '. ('
           || lpad(i::text, 3, '0') || ')', i::text
   FROM generate_series(1, 300) i;
INSERT INTO cmn_contractor.person (id, s_caption, s_code)
 SELECT 1000 + i, 'Контрагент ' || i, 'К-' || i FROM generate_series(1, 50) i;
INSERT INTO cmn_classifier.item (id, id_classifier, id_level, id_parent, s_code, s_caption)
 SELECT 10 + c, 1, 2, NULL, 'К' || c, 'Класс изделий ' || c FROM generate_series(1, 8) c;
INSERT INTO cmn_gds_and_srv.gds_and_srv (id, s_caption, s_description, id_msm_bs, massa, id_class_item)
 SELECT 100 + g, 'ИЗД-' || (100 + g), '', 6, 0.25 * (1 + g % 9), 11 + g % 8
   FROM generate_series(1, 40) g;
INSERT INTO accounts_dep.vid_oper (id, vid)
 SELECT k, (array['Сварка','Покраска','Резка','Сборка','Гибка','Шлифовка'])[k]
   FROM generate_series(1, 6) k;
INSERT INTO accounts_dep.oper (id, vid, naimen, i_id, cena_new)
 SELECT o, 1 + o % 6, (o / 6) % 2, 101 + o % 40, 0 FROM generate_series(1, 120) o;
INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, prize, ok)
 SELECT date '2024-01-01' + n % 31, 1 + n % 3, w, 101 + o % 40, o, 0.5 + (o % 13) * 0.25,
        1 + n % 40, CASE WHEN n % 9 = 0 THEN 1 ELSE 0 END,
        (array[0, 0, 1, 9003, 3020, 0, 7035])[1 + (o + n / 1800 % 2) % 7], n % 3, 'ok'
   FROM (SELECT n, 1 + n % 300 AS w, 1 + ((1 + n % 300) * 5 + n / 300 % 6) % 120 AS o
           FROM generate_series(1, 20000) n) s;
INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, prize, ok)
 SELECT date '2024-02-01' + n % 29, 1 + n % 3, 1 + n % 300, 101 + o % 40, o,
        0.5 + (n % 13) * 0.25, 1 + n % 40, CASE WHEN n % 9 = 0 THEN 1 ELSE 0 END,
        (array[0, 0, 1, 9003, 3020, 0, 7035])[1 + n % 7], n % 3, 'ok'
   FROM (SELECT n, 1 + (n * 7 + n / 300) % 120 AS o FROM generate_series(1, 20000) n) s;
ANALYZE;
)";

// A failing step ends the benchmark with psql's message.
void makeDatabase() {
    const QString source = QStringLiteral(TABEL_SOURCE_DIR);
    psql("postgres", {},
         QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE); CREATE DATABASE %1 "
                        "TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C.UTF-8' "
                        "LC_CTYPE 'C.UTF-8';")
             .arg(Database));
    psql(Database, {"-f", source + "/sql/schema.sql"});
    psql(Database, {"-f", source + "/sql/seed.sql"});
    psql(Database, {}, QString::fromUtf8(Department));
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    app::setupApplication(application);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    makeDatabase();
    {
        data::Connection db;
        db.setConnectionString(app::connectionString(Database, QStringLiteral("127.0.0.1")));
        db.open();
        reports::PrintedReport detail(db, reports::WorkersDetailStatement,
                                      reports::workersDetailLayout());
        const struct {
            const char* name;
            reports::Period period;
            reports::ProductKind kind;
        } cases[] = {
            {"January, all", {QDate(2024, 1, 1), QDate(2024, 2, 1)}, reports::ProductKind::All},
            {"January, finished products",
             {QDate(2024, 1, 1), QDate(2024, 2, 1)},
             reports::ProductKind::Finished},
            {"February, all", {QDate(2024, 2, 1), QDate(2024, 3, 1)}, reports::ProductKind::All},
            {"February, finished products",
             {QDate(2024, 2, 1), QDate(2024, 3, 1)},
             reports::ProductKind::Finished},
        };
        for (const auto& c : cases) {
            // from the button to the first page painted; the preview's modal wait is
            // replaced by painting its first page and closing it
            std::vector<double> ms;
            int rows = 0, pages = 0;
            for (int i = 0; i < runs; ++i) {
                ui::Script script;
                report::Preview* w = report::previewWindow();
                QElapsedTimer t;
                script.onModal(w, [&] {
                    QCoreApplication::processEvents();
                    w->view()->repaint();
                    ms.push_back(t.nsecsElapsed() / 1e6);
                    pages = w->document().pageCount();
                    rows = detail.query.recordCount();
                });
                t.start();
                reports::printReport(detail, c.period, c.kind);
            }
            // the first two steps apart
            std::vector<double> openMs, prepareMs;
            for (int i = 0; i < runs; ++i) {
                QElapsedTimer t;
                t.start();
                reports::openForPeriod(detail.query, c.period, c.kind);
                openMs.push_back(t.nsecsElapsed() / 1e6);
                t.restart();
                const report::Document doc = report::prepare(detail.layout, detail.query);
                prepareMs.push_back(t.nsecsElapsed() / 1e6);
                detail.query.close();
            }
            std::printf("%-28s %5d lines %4d pages: first page %7.1f ms (min %.1f, max %.1f); "
                        "query and filter %.1f ms, prepare %.1f ms\n",
                        c.name, rows, pages, median(ms), *std::min_element(ms.begin(), ms.end()),
                        *std::max_element(ms.begin(), ms.end()), median(openMs), median(prepareMs));
        }
    }
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    std::printf("peak memory %.1f MB\n", u.ru_maxrss / 1024.0);
    if (!qEnvironmentVariableIsSet("KEEP_DB"))
        psql("postgres", {},
             QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE);").arg(Database));
    return 0;
}

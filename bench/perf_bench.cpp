// Where a clerk waits, each figure beside its floor measured in the same run. Run under
// QT_QPA_PLATFORM=offscreen on a database made by bench/make_big_db.sh:
//   perf_bench journal DB [runs]   a day's journal (the four shift statements) on 20 days,
//                                  through the journal window vs the same statements in psql
//   perf_bench save DB [saves]     saves through the record editor on a busy day vs an insert
//                                  and a timesheet upsert in psql (on a copy of DB)
//   perf_bench export [runs]       100,000 rows x 5 cells through the export component vs
//                                  the same cells written by libxlsxwriter directly
#include "timing.h"

#include "app/app.h"
#include "bench_psql.h"
#include "data/data_module.h"
#include "data/sql_text.h"
#include "journal/journal_window.h"
#include "journal/record_editor.h"
#include "reports/excel.h"
#include "ui/dialogs.h"

#include <QApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <string>
#include <xlsxwriter.h>

namespace {

using bench::psql;

using bench::median;
using bench::printTimes;

// Processor time this process has used, in milliseconds: the client's own share of a wait,
// which other builds on the machine stretch less than the wall clock.
double cpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// The "Time: x ms" lines psql's \timing prints, in order.
std::vector<double> psqlTimes(const QString& output) {
    static const QRegularExpression line(QStringLiteral("^Time: ([0-9.]+) ms"),
                                         QRegularExpression::MultilineOption);
    std::vector<double> ms;
    for (auto it = line.globalMatch(output); it.hasNext();)
        ms.push_back(it.next().captured(1).toDouble());
    return ms;
}

// Statement text with its parameters written in as literals.
QString inlined(const data::Query& q) {
    QStringList names;
    QString sql = data::Params::positional(q.sql(), names);
    for (const QString& name : names) {
        const QVariant v = q.param(name);
        const QString literal = v.typeId() == QMetaType::QDateTime
                                    ? "'" + v.toDateTime().toString("yyyy-MM-dd") + "'"
                                    : "'" + data::sql::escaped(v.toString()) + "'";
        sql.replace(sql.indexOf(u'?'), 1, literal);
    }
    return sql;
}

void startProgram(QApplication& application, const QString& db) {
    app::setupApplication(application);
    ui::Script script;
    app::createForms({db, QStringLiteral("127.0.0.1")});
    if (app::terminationRequested())
        qFatal("The program ended at start: %s", qPrintable(script.texts().join(" | ")));
    Form1->UserText = QStringLiteral("7093");
    for (int shift = 1; shift <= 4; ++shift) // as the login sets them
        DataModule6->smenaQuery(shift).setParam("ok", QStringLiteral("ta"));
}

// 20 days over the last two years: every 37th day back from today, so that each day of
// the week comes up, weekends with their few records among them.
QList<QDate> benchDays() {
    QList<QDate> days;
    for (int k = 0; k < 20; ++k)
        days << QDate::currentDate().addDays(-37 * k);
    return days;
}

int journalDay(QApplication& application, const QString& db, int runs) {
    startProgram(application, db);
    const QList<QDate> days = benchDays();
    std::vector<double> ours, cpu, floor, sent;
    int rows = 0;
    for (int run = 0; run < runs; ++run) {
        QString script = QStringLiteral("\\o /dev/null\n\\timing on\n");
        QString asSent = script;
        for (const QDate& day : days) {
            QElapsedTimer t;
            t.start();
            const double cpu0 = cpuMs();
            Form1->DateT->setDate(day);
            Form1->DateTCloseUp();
            ours.push_back(t.nsecsElapsed() / 1e6);
            cpu.push_back(cpuMs() - cpu0);
            for (int shift = 1; shift <= 4; ++shift) {
                const data::Query& q = DataModule6->smenaQuery(shift);
                if (run == 0) rows += q.recordCount();
                script += inlined(q) + ";\n";
                asSent += data::sql::read(inlined(q)) + ";\n";
            }
        }
        for (const auto& [text, into] :
             {std::pair{&script, &floor}, std::pair{&asSent, &sent}}) {
            const std::vector<double> each = psqlTimes(psql(db, {}, *text));
            if (each.size() != size_t(days.size()) * 4) qFatal("psql gave %zu times", each.size());
            for (size_t i = 0; i < each.size(); i += 4)
                into->push_back(each[i] + each[i + 1] + each[i + 2] + each[i + 3]);
        }
    }
    std::printf("%lld days, %d records listed in all, %d runs\n", qlonglong(days.size()), rows,
                runs);
    printTimes("day's journal, journal window", ours);
    printTimes("  of it the client's processor time", cpu);
    printTimes("the same four statements in psql", floor);
    printTimes("  as the program sends them (data::sql::read)", sent);
    std::printf("ratio of medians %.2f (%.2f to the statements as sent)\n",
                median(ours) / median(floor), median(ours) / median(sent));
    return 0;
}

int save(QApplication& application, const QString& db, int saves) {
    // the saves write: they go to a copy that is dropped afterwards
    const QString copy = db + QStringLiteral("_save");
    psql("postgres", {},
         QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE);\n"
                        "CREATE DATABASE %1 TEMPLATE %2;\n")
             .arg(copy, db));
    // a busy weekday, and operations that have no record on it yet
    const QString found =
        psql(copy, {},
             QStringLiteral("\\pset tuples_only on\n\\pset format unaligned\n"
                            "select max(data) from accounts_dep.smena where data < current_date "
                            "and extract(isodow from data) < 6;\n"));
    const QDate day = QDate::fromString(found.trimmed(), Qt::ISODate);
    if (!day.isValid()) qFatal("no weekday in %s", qPrintable(db));
    const QStringList ops =
        psql(copy, {},
             QStringLiteral("\\pset tuples_only on\n\\pset format unaligned\n"
                            "select o.id || ' ' || o.i_id from accounts_dep.oper o "
                            "join accounts_dep.vid_oper v on v.id = o.vid "
                            "where upper(v.vid) not like '%КРАСКА%' and o.id not in "
                            "(select o_id from accounts_dep.smena where data = '%1') "
                            "and exists (select 1 from accounts_dep.norm where o_id = o.id) "
                            "order by o.id limit %2;\n")
                 .arg(day.toString(Qt::ISODate))
                 .arg(saves))
            .split(u'\n', Qt::SkipEmptyParts);
    if (ops.size() < saves) qFatal("only %lld free operations", qlonglong(ops.size()));
    // workers whose shift 1 of the day holds no hours yet: two saves of 8 h each fit the cell
    const QStringList workers =
        psql(copy, {},
             QStringLiteral("\\pset tuples_only on\n\\pset format unaligned\n"
                            "select id from accounts_dep.person p where not exists (select 1 "
                            "from accounts_dep.smena s where s.w_id = p.id and s.smena = 1 and "
                            "s.data = '%1') order by id limit 100;\n")
                 .arg(day.toString(Qt::ISODate)))
            .split(u'\n', Qt::SkipEmptyParts);
    if (workers.size() * 2 < saves) qFatal("only %lld free workers", qlonglong(workers.size()));

    startProgram(application, copy);
    Form1->DateT->setDate(day);
    Form1->DateTCloseUp();
    Form1->RadioButton1Click();
    std::vector<double> ours, cpu;
    int refused = 0;
    for (int i = 0; i < saves; ++i) {
        const QStringList op = ops[i].split(u' ');
        ui::Script s;
        s.onModal(Form11, [&] {
            TForm11* f = Form11;
            f->Edit1->setText(QStringLiteral("Работник"));
            f->WorkerId = workers[i % workers.size()].toInt();
            f->Edit2->setText(QStringLiteral("К1-101; Сварка; Заготовки"));
            f->OperId = op[0].toInt();
            f->ProductId = op[1].toInt();
            f->Price = 12.5;
            f->updateColourBox();
            f->Edit3->setText(QString::number(10 + i % 30));
            f->Edit4->setText(QStringLiteral("0"));
            f->Edit6->setText(QStringLiteral("8"));
            f->DTimeP->setDate(day);
            QElapsedTimer t;
            t.start();
            const double cpu0 = cpuMs();
            f->Button1Click();
            ours.push_back(t.nsecsElapsed() / 1e6);
            cpu.push_back(cpuMs() - cpu0);
        });
        Form1->Button1Click();
        refused += s.texts().isEmpty() ? 0 : 1;
    }

    // the floor: the record's insert and its timesheet cell's upsert, one statement each
    const QString dayText = day.toString(Qt::ISODate);
    QString script = QStringLiteral("\\o /dev/null\n\\timing on\n");
    for (int i = 0; i < saves; ++i) {
        const int worker = 2 + 3 * (i % 100);
        const QStringList op = ops[i].split(u' ');
        script += QStringLiteral(
                      "insert into accounts_dep.smena(w_id, i_id, o_id, cena, kol_vo, brak, data, "
                      "smena, color, time, vvod, ok, prize, id_doc, id_doc_item, f_gds_qty_use, "
                      "id_gds_use, id_cons_use) values(%1, %2, %3, 12.5, %4, 0, '%5', 2, 0, 8, "
                      "current_date, 'no', 0, 0, 0, 0, 0, 0);\n")
                      .arg(worker)
                      .arg(op[1], op[0])
                      .arg(10 + i % 30)
                      .arg(dayText);
        script +=
            QStringLiteral("with u as (update accounts_dep.h_tabel set d%1 = coalesce(d%1, 0) "
                           "+ 8 where w_id = %2 and smena = 2 and month = %3 and year = %4 "
                           "returning 1) insert into accounts_dep.h_tabel(w_id, smena, month, "
                           "year, d%1) select %2, 2, %3, %4, 8 where not exists "
                           "(select 1 from u);\n")
                .arg(day.day())
                .arg(worker)
                .arg(day.month())
                .arg(day.year());
    }
    const std::vector<double> each = psqlTimes(psql(copy, {}, script));
    std::vector<double> floor;
    for (size_t i = 0; i + 1 < each.size(); i += 2)
        floor.push_back(each[i] + each[i + 1]);

    std::printf("%d saves on %s, shift 1 (%d records listed after them), %d refused\n", saves,
                qPrintable(day.toString("dd.MM.yyyy")), DataModule6->Smena1.recordCount(), refused);
    printTimes("save through the record editor", ours);
    printTimes("  of it the client's processor time", cpu);
    printTimes("insert + upsert in psql", floor);
    std::printf("ratio of medians %.2f\n", median(ours) / median(floor));
    DataModule6->ADO_DB.close(); // before the copy is dropped
    psql("postgres", {}, QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE);\n").arg(copy));
    return refused == 0 ? 0 : 1;
}

// The cells of an operations-like list: mark, kind, price, stage, quantity.
struct ExportRows {
    static constexpr int Rows = 100000;
    static constexpr int Columns = 5;
    QStringList header{"Марка изделия", "Вид операции", "Цена", "Вид", "Кол-во"};
    std::vector<QString> texts; // row by row
    ExportRows() {
        const char* kinds[] = {"Резка", "Сварка", "Покраска порошковая", "Сборка", "Упаковка"};
        texts.reserve(size_t(Rows) * Columns);
        for (int r = 0; r < Rows; ++r) {
            texts.push_back(QStringLiteral("К%1-%2").arg(1 + r % 10).arg(100 + r % 20));
            texts.push_back(QString::fromUtf8(kinds[r % 5]));
            texts.push_back(QString::number(15 + (r * 37 % 12000) / 100.0, 'g', 15));
            texts.push_back(r % 3 ? QStringLiteral("Заготовки")
                                  : QStringLiteral("Готовая продукция"));
            texts.push_back(QString::number(r % 500));
        }
    }
};

double exportOurs(const ExportRows& rows) {
    QElapsedTimer t;
    t.start();
    if (ExcelOpen(QString(), QStringLiteral("Проба")) < 0) qFatal("cannot open a workbook");
    for (int c = 0; c < ExportRows::Columns; ++c)
        ExcelWriteCellFormatted(1, c + 1, 1, rows.header[c], false, true, true);
    size_t i = 0;
    for (int r = 0; r < ExportRows::Rows; ++r)
        for (int c = 0; c < ExportRows::Columns; ++c)
            ExcelWriteCell(1, c + 1, r + 2, rows.texts[i++]);
    ExcelSetVisible(true);
    return t.nsecsElapsed() / 1e6;
}

// libxlsxwriter alone, with every value ready in the form it takes.
double exportRaw(const ExportRows& rows, const QString& path) {
    std::vector<std::string> strings;
    std::vector<double> numbers;
    strings.reserve(size_t(ExportRows::Rows) * 3);
    numbers.reserve(size_t(ExportRows::Rows) * 2);
    for (size_t i = 0; i < rows.texts.size(); ++i) {
        const int c = int(i % ExportRows::Columns);
        if (c == 2 || c == 4)
            numbers.push_back(rows.texts[i].toDouble());
        else
            strings.push_back(rows.texts[i].toStdString());
    }
    std::vector<std::string> header;
    for (const QString& h : rows.header)
        header.push_back(h.toStdString());

    QElapsedTimer t;
    t.start();
    lxw_workbook* book = workbook_new(path.toLocal8Bit().constData());
    lxw_worksheet* sheet = workbook_add_worksheet(book, "Лист1");
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);
    for (int c = 0; c < ExportRows::Columns; ++c) {
        worksheet_write_string(sheet, 0, lxw_col_t(c), header[c].c_str(), bold);
        worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), 20, nullptr);
    }
    size_t s = 0, n = 0;
    for (int r = 0; r < ExportRows::Rows; ++r)
        for (int c = 0; c < ExportRows::Columns; ++c) {
            if (c == 2 || c == 4)
                worksheet_write_number(sheet, lxw_row_t(r + 1), lxw_col_t(c), numbers[n++],
                                       nullptr);
            else
                worksheet_write_string(sheet, lxw_row_t(r + 1), lxw_col_t(c), strings[s++].c_str(),
                                       nullptr);
        }
    if (workbook_close(book) != LXW_NO_ERROR) qFatal("libxlsxwriter failed");
    return t.nsecsElapsed() / 1e6;
}

int exportBench(int runs) {
    QTemporaryDir dir;
    reports::setExportFolder(dir.path());
    reports::setFileOpener([](const QString& path) { return QFile::remove(path); });
    const ExportRows rows;
    std::vector<double> ours, raw;
    for (int run = 0; run < runs; ++run) {
        ours.push_back(exportOurs(rows));
        const QString path = dir.filePath("raw.xlsx");
        raw.push_back(exportRaw(rows, path));
        QFile::remove(path);
    }
    std::printf("%d rows x %d cells, %d runs\n", ExportRows::Rows, ExportRows::Columns, runs);
    printTimes("export component", ours);
    printTimes("libxlsxwriter alone", raw);
    std::printf("ratio of medians %.2f\n", median(ours) / median(raw));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == "export") return exportBench(argc > 2 ? std::max(1, atoi(argv[2])) : 7);
    const QString db = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("tabel_big");
    if (mode == "journal")
        return journalDay(application, db, argc > 3 ? std::max(1, atoi(argv[3])) : 5);
    if (mode == "save") return save(application, db, argc > 3 ? std::max(1, atoi(argv[3])) : 200);
    std::fprintf(stderr, "usage: perf_bench journal|save DB [n] | export [runs]\n");
    return 2;
}

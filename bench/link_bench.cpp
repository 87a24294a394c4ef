// What a clerk waits for on a slow link: start-up to the login window, the login to the
// journal, a change of the journal's day, a record saved from the editor, a household entry
// added, "Расчитать ср.сд.", opening a timesheet window and "Перестроить", each timed through
// the real windows and counted in round trips. Run it against a server behind a relay that
// adds the link's latency (see README.md, "On a slow link"); it writes records and entries of
// today, so give it a copy of a database:
//   link_bench DB SERVER [runs]
#include "timing.h"

#include "app/app.h"
#include "data/data_module.h"
#include "app/login_window.h"
#include "journal/journal_window.h"
#include "journal/record_editor.h"
#include "timesheet/household_entry.h"
#include "timesheet/household_list.h"
#include "timesheet/piece_timesheet.h"
#include "timesheet/timesheet_by_time.h"
#include "ui/dialogs.h"
#include "ui/lookup_combo.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>
#include <functional>
#include <map>
#include <string>

namespace {

using bench::median;
using bench::printTimes;

double ms(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

qint64 trips() {
    return DataModule6->ADO_DB.roundTrips();
}

struct Figure {
    std::vector<double> times;
    std::vector<qint64> trips;
};

// The action timed, and its round trips counted; modal windows it opens run inside.
void measure(Figure& f, const std::function<void()>& action) {
    const qint64 before = trips();
    QElapsedTimer t;
    t.start();
    action();
    f.times.push_back(ms(t));
    f.trips.push_back(trips() - before);
}

void print(const char* what, const Figure& f) {
    printTimes(what, f.times);
    std::map<qint64, int> counts;
    for (qint64 n : f.trips)
        ++counts[n];
    std::string text;
    for (const auto& [n, times] : counts)
        text += " " + std::to_string(n) + " (" + std::to_string(times) + "x)";
    std::printf("%-44s round trips:%s\n", "", text.c_str());
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: link_bench DB SERVER [runs]\n");
        return 2;
    }
    const QString db = QString::fromLocal8Bit(argv[1]);
    const QString server = QString::fromLocal8Bit(argv[2]);
    const int runs = argc > 3 ? std::atoi(argv[3]) : 10;
    app::setupApplication(application);
    ui::Script script; // message boxes recorded, modal windows run their registered actions

    // start-up: the data module, the connection, the login window with its version check and
    // every other window, as the program starts
    Figure start, login;
    std::vector<double> startTimes;
    std::vector<qint64> startTrips, openings;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer t;
        t.start();
        app::createForms({db, server});
        startTimes.push_back(ms(t));
        if (app::terminationRequested())
            qFatal("The program ended at start: %s", qPrintable(script.texts().join(" | ")));
        startTrips.push_back(trips());
        openings.push_back(DataModule6->ADO_DB.openings());
        // the login with full access, until the journal is shown with its day
        qint64 before = 0;
        QElapsedTimer l;
        script.onModal(Form1, [&] {
            login.times.push_back(ms(l));
            login.trips.push_back(trips() - before);
        });
        // the user types the access code: the program waits in its event loop meanwhile
        QElapsedTimer typing;
        typing.start();
        while (typing.elapsed() < 500)
            application.processEvents(QEventLoop::AllEvents, 50);
        Form23->Edit1->setText(QStringLiteral("7093"));
        before = trips();
        l.start();
        Form23->Button1Click();
        app::clearTermination(); // the login window closed behind the journal
        if (run + 1 < runs) app::destroyForms();
    }
    start.times = startTimes;
    start.trips = startTrips;

    // the journal's day: the last days, one after another, the first read once before
    const QDate today = QDate::currentDate();
    Form1->DateT->setDate(today);
    Form1->DateTCloseUp();
    Figure day;
    for (int run = 0; run < runs * 2; ++run) {
        Form1->DateT->setDate(today.addDays(-(run % 14)));
        measure(day, [] { Form1->DateTCloseUp(); });
    }

    // records saved from the editor into today's journal, shift 1, each with what the journal
    // shows after it: a worker and an operation of the database, told apart by their colour
    Form1->DateT->setDate(today);
    Form1->DateTCloseUp();
    Form1->RadioButton1Click();
    data::Query& control = DataModule6->Control;
    const QVariant worker = DataModule6->lookup(
        QStringLiteral("select min(id) as id from accounts_dep.person"), QStringLiteral("id"));
    control.setSql(QStringLiteral("select id, i_id from accounts_dep.oper where id = (select "
                                  "min(o_id) from accounts_dep.norm)"));
    control.open();
    const int operation = int(control.asInt(QStringLiteral("id")));
    const int product = int(control.asInt(QStringLiteral("i_id")));
    control.close();
    Figure save;
    for (int run = 0; run < runs; ++run) {
        script.onModal(Form11, [&] {
            TForm11* f = Form11;
            f->Edit1->setText(QStringLiteral("Работник"));
            f->WorkerId = worker.toInt();
            f->Edit2->setText(QStringLiteral("Операция"));
            f->OperId = operation;
            f->ProductId = product;
            f->Price = 10;
            f->updateColourBox();
            f->Edit3->setText(QStringLiteral("1"));
            f->Edit4->setText(QStringLiteral("0"));
            f->Edit5->setText(QString::number(90000 + QTime::currentTime().msecsSinceStartOfDay() +
                                              run));
            f->Edit6->setText(QStringLiteral("0"));
            measure(save, [] { Form11->Button1Click(); });
        });
        Form1->Button1Click();
    }

    // household entries added on today's list, and the month's average pricing
    Figure entry, pricing;
    script.onModal(Form25, [&] {
        for (int run = 0; run < runs; ++run) {
            script.onModal(Form24, [&] {
                TForm24* f = Form24;
                f->Edit1->setText(QStringLiteral("Работник"));
                f->IdP = worker.toInt();
                f->Edit2->setText(QStringLiteral("Класс"));
                f->IdNom = DataModule6
                               ->lookup(QStringLiteral("select min(id) as id from "
                                                       "cmn_classifier.item where id_level=2"),
                                        QStringLiteral("id"))
                               .toLongLong();
                // average piece-rate entries, which the pricing below then prices
                f->cb_type_work->setKeyValue(7778);
                f->Edit6->setText(QStringLiteral("1"));
                measure(entry, [] { Form24->Button1Click(); });
            });
            Form25->Button5Click();
        }
        for (int run = 0; run < runs; ++run) {
            script.answer(true);
            measure(pricing, [] { Form25->Button1Click(); });
        }
    });
    Form1->Button5Click();

    // the timesheet windows from the menu, each opened once before timing
    const std::pair<const char*, std::function<void()>> windows[] = {
        {"Табель сделка", [] { Form1->N9Click(); }},
        {"Табель хоз. работ", [] { Form1->N14Click(); }},
        {"Табель ср. сдельная", [] { Form1->N15Click(); }},
        {"Общий табель", [] { Form1->N17Click(); }},
        {"Табель по сменам", [] { Form1->N13Click(); }},
    };
    script.onModal(Form27, [] {});
    script.onModal(Form19, [] {});
    std::vector<Figure> opened(std::size(windows));
    for (size_t w = 0; w < std::size(windows); ++w) {
        windows[w].second();
        for (int run = 0; run < runs; ++run)
            measure(opened[w], windows[w].second);
    }
    // another month in the piece-work timesheet
    Figure month;
    script.onModal(Form27, [&] {
        for (int run = 0; run < runs; ++run) {
            Form27->ComboBox1->setCurrentIndex((today.month() + 10 - run % 2) % 12);
            measure(month, [] { Form27->ComboBox1Change(); });
        }
    });
    Form1->N9Click();

    // "Перестроить" of the journal day's month in "Табель по сменам"
    Figure rebuild;
    script.onModal(Form19, [&] {
        Form19->Button1Click();
        for (int run = 0; run < runs; ++run)
            measure(rebuild, [] { Form19->Button1Click(); });
    });
    Form1->N13Click();
    QStringList messages = script.texts();
    for (QString& m : messages)
        m = m.section(u'\n', 0, 0);
    messages.removeDuplicates();
    if (!messages.isEmpty()) std::printf("messages: %s\n", qPrintable(messages.join(" | ")));

    std::printf("database %s on %s, %d runs\n", qPrintable(db), qPrintable(server), runs);
    print("start-up to the login window", start);
    std::printf("%-44s connections opened: %lld each start\n", "", qlonglong(openings.back()));
    print("login to the journal", login);
    print("journal: another day", day);
    print("a record saved from the editor", save);
    print("a household entry added", entry);
    print("Расчитать ср.сд.", pricing);
    for (size_t w = 0; w < std::size(windows); ++w)
        print(windows[w].first, opened[w]);
    print("Табель сделка: another month", month);
    print("Табель по сменам: Перестроить", rebuild);
    app::destroyForms();
    return 0;
}

// What a clerk waits for on a slow link: start-up to the login window, a change of the
// journal's day, opening a timesheet window and "Перестроить", each timed through the real
// windows and counted in round trips. Run it against a server behind a relay that adds the
// link's latency (see README.md, "On a slow link"):
//   link_bench DB SERVER [runs]
#include "timing.h"

#include "app/app.h"
#include "data/data_module.h"
#include "journal/journal_window.h"
#include "timesheet/piece_timesheet.h"
#include "timesheet/timesheet_by_time.h"
#include "ui/dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
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
    Figure start;
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
        if (run + 1 < runs) app::destroyForms();
    }
    start.times = startTimes;
    start.trips = startTrips;
    Form1->UserText = QStringLiteral("7093");
    for (int shift = 1; shift <= 4; ++shift) // as the login sets them
        DataModule6->smenaQuery(shift).setParam("ok", QStringLiteral("ta"));

    // the journal's day: the last days, one after another, the first read once before
    const QDate today = QDate::currentDate();
    Form1->DateT->setDate(today);
    Form1->DateTCloseUp();
    Figure day;
    for (int run = 0; run < runs * 2; ++run) {
        Form1->DateT->setDate(today.addDays(-(run % 14)));
        measure(day, [] { Form1->DateTCloseUp(); });
    }

    // the timesheet windows from the menu, each opened once before timing
    const std::pair<const char*, std::function<void()>> windows[] = {
        {"Табель сделка", [] { Form1->N9Click(); }},
        {"Табель хоз. работ", [] { Form1->N14Click(); }},
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
    if (!script.texts().isEmpty())
        std::printf("messages: %s\n", qPrintable(script.texts().join(" | ")));

    std::printf("database %s on %s, %d runs\n", qPrintable(db), qPrintable(server), runs);
    print("start-up to the login window", start);
    std::printf("%-44s connections opened: %lld each start\n", "", qlonglong(openings.back()));
    print("journal: another day", day);
    for (size_t w = 0; w < std::size(windows); ++w)
        print(windows[w].first, opened[w]);
    print("Табель сделка: another month", month);
    print("Табель по сменам: Перестроить", rebuild);
    app::destroyForms();
    return 0;
}

#include "journal/change_journal.h"

#include "data/texts.h"
#include "report_engine/layout.h"
#include "report_engine/prepare.h"
#include "report_engine/rows.h"
#include "reports/excel.h"
#include "reports/sheet_parts.h"
#include "ui/busy_cursor.h"

namespace journal {

namespace {

struct Column {
    const char* field;
    const char* title;
    double width; // mm
};
const Column kColumns[] = {{"at", "Когда", 34},     {"who", "Кто", 55},
                           {"tbl", "Таблица", 38},  {"row_id", "Запись", 18},
                           {"action", "Действие", 30}, {"change", "Изменение", 102}};

QString title() {
    return QStringLiteral("Журнал изменений");
}

} // namespace

QStringList changeCells(const data::HistoryEntry& e) {
    return {e.at,    data::whoText(e),           data::tableText(e.table),
            e.rowId, data::actionText(e.action), data::changeLines(e).join(u'\n')};
}

QString periodText(const QDate& from, const QDate& to) {
    return QStringLiteral("с %1 по %2")
        .arg(data::text::date(from), data::text::date(to));
}

report::Document changeJournalDocument(const std::vector<data::HistoryEntry>& changes,
                                       const QDate& from, const QDate& to) {
    using namespace report;
    LayoutBuilder b(QPageLayout::Landscape, 10);
    b.font(QStringLiteral("Arial"), 9).title(title());
    const double head = 7, period = 6, captions = 6;
    auto top = b.reportHead(head + period + captions, /*repeatOnNewPage=*/true);
    top.label(0, b.width(), title()).bold().size(12).top(0, head);
    top.label(0, b.width(), periodText(from, to)).top(head, period);
    double x = 0;
    for (const Column& c : kColumns) {
        top.label(x, c.width, QString::fromUtf8(c.title)).bold().top(head + period, captions).frame(Bottom);
        x += c.width;
    }
    auto line = b.detail(4.5);
    x = 0;
    for (const Column& c : kColumns) {
        line.field(x, c.width, QString::fromLatin1(c.field));
        x += c.width;
    }
    b.pageFoot(5).expr(b.width() - 30, 30, QStringLiteral("PAGENUMBER")).right();

    QStringList fields;
    for (const Column& c : kColumns)
        fields << QString::fromLatin1(c.field);
    MemoryRows rows(fields);
    for (const data::HistoryEntry& e : changes) {
        QStringList lines = data::changeLines(e);
        if (lines.isEmpty()) lines << QString();
        for (int i = 0; i < lines.size(); ++i)
            rows.add(i == 0 ? QVariantList{e.at, data::whoText(e), data::tableText(e.table),
                                           e.rowId, data::actionText(e.action), lines[i]}
                            : QVariantList{QString(), QString(), QString(), QString(), QString(),
                                           lines[i]});
    }
    return prepare(b.build(), rows);
}

bool exportChangeJournal(const std::vector<data::HistoryEntry>& changes, const QDate& from,
                         const QDate& to, const std::function<void(int, int)>& progress) {
    reports::Excel& excel = reports::sharedExcel();
    if (excel.ExcelOpen(reports::periodFileName(title(), from, to.addDays(1))) < 0) return false;
    const int total = int(changes.size());
    if (progress) progress(0, total);
    ui::BusyCursor busy;
    const int columns = int(std::size(kColumns));
    int row = reports::writeSheetTitle(excel, {{}, title(), periodText(from, to)}, columns);
    reports::setSheetPage(excel, row);
    for (int c = 0; c < columns; ++c)
        excel.ExcelWriteCellFormatted(1, c + 1, row, QString::fromUtf8(kColumns[c].title), false,
                                      true, true);
    int written = 0;
    for (const data::HistoryEntry& e : changes) {
        ++row;
        const QStringList cells = changeCells(e);
        for (int c = 0; c < columns; ++c)
            excel.ExcelWriteCellFormatted(1, c + 1, row, cells[c], true, c < columns - 1, false);
        if (progress) progress(++written, total);
    }
    excel.ExcelSetVisible(true);
    return true;
}

} // namespace journal

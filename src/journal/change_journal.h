// The journal of changes: every change of a period as the history keeps it, printed
// through the report engine and written to a workbook, one line per changed field.
#pragma once

#include "data/change_history.h"
#include "report_engine/document.h"

#include <QDate>
#include <functional>
#include <vector>

namespace journal {

// A change as the journal lists it: when, who, table, row, action and its fields one per line.
QStringList changeCells(const data::HistoryEntry& change);
// "с 01.03.2024 по 31.03.2024".
QString periodText(const QDate& from, const QDate& to);
// A printout: A4 landscape, the title and period, the column captions on every page, a line
// per changed field (when, who, table, row and action on its first line).
report::Document changeJournalDocument(const std::vector<data::HistoryEntry>& changes,
                                       const QDate& from, const QDate& to);
// A workbook "Журнал изменений <period>" in the export folder, shown when written: the title
// and period, captions, one row per change with its fields one per line. progress(written,
// total) after each row. False when no workbook could be begun (the component said why).
bool exportChangeJournal(const std::vector<data::HistoryEntry>& changes, const QDate& from,
                         const QDate& to, const std::function<void(int, int)>& progress = {});

} // namespace journal

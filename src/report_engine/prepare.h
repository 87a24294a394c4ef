// Runs a layout over its rows once and produces the pages.
#pragma once

#include "report_engine/document.h"
#include "report_engine/layout.h"
#include "report_engine/rows.h"

namespace data {
class Query;
}

namespace report {

// Throws Error when the layout names a field the rows do not have.
Document prepare(const Layout& layout, const RowSource& rows);
// The rows of an open query as its filter lets them through.
Document prepare(const Layout& layout, const data::Query& query);

} // namespace report

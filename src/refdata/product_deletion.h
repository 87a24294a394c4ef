// Deleting a product from the products list: its operations with their norm rows, its shift
// records with the timesheet cells they fed, and the product itself, as one write of the
// write engine. A product with a shift record in a closed month is not deleted at all.
#pragma once

#include "timesheet/closed_months.h"
#include "timesheet/timesheet_table.h"

#include <QString>
#include <set>
#include <utility>
#include <vector>

namespace data {
class Query;
} // namespace data

namespace refdata {

// What deleting a product takes with it, read before the user is asked.
struct ProductUse {
    qint64 product = 0;
    qint64 operations = 0;
    // shift records per month (year, month); records without a day under {0, 0}
    std::vector<std::pair<std::pair<int, int>, qint64>> recordsByMonth;
    qint64 records = 0;
    timesheet::ClosedMonth closed; // the first closed month among the records' months
    std::vector<timesheet::Cell> cells; // the timesheet cells the records feed
};

// Reads it, in one exchange.
ProductUse productUse(data::Query& control, qint64 product);

// "7 записей смен: март 2024 — 5, апрель 2024 — 2".
QString recordsText(const ProductUse& use);

enum class ProductDeletion {
    Deleted,
    MonthClosed,    // a record lies in a closed month (closed: which)
    ProductGone,    // another user deleted the product meanwhile
    RecordsChanged, // another user added, moved or deleted a record of the product meanwhile
    Lost,           // the connection went and whether it is deleted is not known
};

// Deletes, in one transaction, the operations (and their norm rows) when `operations`, and
// the records (their cells recomputed, other copies told) with the product when `product`;
// use as read. Nothing changes unless all of it is done.
ProductDeletion deleteProduct(data::Query& control, const ProductUse& use, bool operations,
                              bool product, timesheet::ClosedMonth* closed = nullptr);

// The message of a deletion that did not happen ("" for Deleted).
QString deletionText(ProductDeletion result, const timesheet::ClosedMonth& closed);

} // namespace refdata

// What the logged-in user may do: the login sets the role once its text is accepted, and
// the writes that change pay ask it before they touch a row, whatever window they are
// reached from.
#pragma once

#include "data/db_error.h"

#include <QString>

namespace data {

enum class Role {
    None,       // no login accepted yet: nothing may be changed
    Full,       // full access
    DataEntry,  // enters shift records and household works
    ReportOnly, // prints reports
    ReadOnly    // looks only
};

void setRole(Role role);
Role role();

// Household-works and average piece-rate entries and their prices: full access and data
// entry.
bool mayChangePay();

// Accepting shift records (and withdrawing acceptance): full access only.
bool mayAccept();

// A personal login's role: the highest of the program's database groups the login belongs
// to (tabel_full, tabel_entry, tabel_report, tabel_read); None when it belongs to none.
// Asked of the server on query's connection.
class Query;
Role loginRole(Query& query);
// The groups as the database names them, highest first.
QString groupOf(Role role);

// Raised by a write the role may not make; nothing has been written.
class NotAllowed : public DbError {
public:
    NotAllowed();
};

// Raises NotAllowed unless mayChangePay().
void requirePayRights();
// Raises NotAllowed unless mayAccept().
void requireAcceptRights();

} // namespace data

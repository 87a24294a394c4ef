#include "data/rights.h"

namespace data {

namespace {
Role current = Role::None;
}

void setRole(Role role) {
    current = role;
}

Role role() {
    return current;
}

bool mayChangePay() {
    return current == Role::Full || current == Role::DataEntry;
}

NotAllowed::NotAllowed()
    : DbError(QStringLiteral("Недостаточно прав: с этим входом данные можно только смотреть.")) {}

void requirePayRights() {
    if (!mayChangePay()) throw NotAllowed();
}

} // namespace data

#include "ui/guard.h"

#include "data/db_error.h"
#include "ui/dialogs.h"

#include <exception>

namespace ui {

void showCurrentException() noexcept {
    try {
        try {
            throw;
        } catch (const data::DbError& e) {
            error(e.message());
        } catch (const std::exception& e) {
            error(QString::fromUtf8(e.what()));
        } catch (...) {
            error(QString());
        }
    } catch (...) {
        // the error box itself failed; nothing more can be shown
    }
}

void run(const std::function<void()>& handler) noexcept {
    try {
        handler();
    } catch (...) {
        showCurrentException();
    }
}

} // namespace ui

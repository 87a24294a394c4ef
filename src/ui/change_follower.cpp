#include "ui/change_follower.h"

#include "data/db_error.h"
#include "data/query.h"
#include "ui/dialogs.h"
#include "ui/guard.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QWidget>

namespace ui {

namespace {
// While a modal window is open the window looks again this often.
constexpr int CoveredRecheck = 250;
} // namespace

ChangeFollower::ChangeFollower(QWidget* window, data::ChangeListener& listener,
                               std::function<bool(const data::Change&)> concerns,
                               std::function<void(const QList<data::Change>&)> reread)
    : QObject(window), window_(window), concerns_(std::move(concerns)), reread_(std::move(reread)) {
    timer_.setSingleShot(true);
    connect(&listener, &data::ChangeListener::changed, this, &ChangeFollower::heard);
    connect(&timer_, &QTimer::timeout, this, &ChangeFollower::due);
}

void ChangeFollower::done() {
    heard_.clear();
    waiting_ = false;
    timer_.stop();
}

void ChangeFollower::heard(const data::Change& change) {
    if (!window_ || !window_->isVisible() || !concerns_(change)) return;
    heard_ << change;
    if (!timer_.isActive()) timer_.start(waiting_ ? CoveredRecheck : Delay);
}

void ChangeFollower::due() {
    if (!window_ || !window_->isVisible()) {
        done();
        return;
    }
    if (coveredByModal(window_)) {
        waiting_ = true;
        timer_.start(CoveredRecheck);
        return;
    }
    const QList<data::Change> changes = heard_;
    done();
    if (changes.isEmpty()) return;
    // nobody asked for this reading: a failure waits for the user's next action to be told
    run([&] {
        try {
            reread_(changes);
        } catch (const data::DbError&) {
        }
    });
}

void reopenKeeping(data::Query& query, const QString& key, QAbstractScrollArea* view,
                   const std::function<void()>& reopen) {
    const bool had = query.active() && !query.isEmpty();
    const QVariant id = had && !key.isEmpty() ? query.value(key) : QVariant();
    const int rec = had ? query.recNo() : 0;
    const int vertical = view ? view->verticalScrollBar()->value() : 0;
    const int horizontal = view ? view->horizontalScrollBar()->value() : 0;
    if (reopen) {
        reopen();
    } else {
        query.close();
        query.open();
    }
    bool found = false;
    if (had && !query.isEmpty()) {
        found = id.isValid() && query.locate(key, id);
        if (!found) query.setRecNo(qMin(rec, query.recordCount()));
    }
    if (!view) return;
    // the rows in view stay where they were; a record that rows came or went above moves
    // the view with it, so it stays at its place on the screen
    int shift = found ? query.recNo() - rec : 0;
    auto* items = qobject_cast<QAbstractItemView*>(view);
    if (items) items->doItemsLayout(); // the scroll range of the rows read now
    if (items && items->verticalScrollMode() == QAbstractItemView::ScrollPerPixel)
        if (const auto* table = qobject_cast<const QTableView*>(view))
            shift *= table->verticalHeader()->defaultSectionSize();
    view->verticalScrollBar()->setValue(vertical + shift);
    view->horizontalScrollBar()->setValue(horizontal);
}

} // namespace ui

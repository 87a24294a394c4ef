// A window that stays current while other copies of the program write: it re-reads what it
// shows when they announce a change of it, keeping the user's place.
#pragma once

#include "data/changes.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

class QAbstractScrollArea;
class QWidget;
namespace data {
class Query;
}

namespace ui {

// Announcements that come within Delay ms of the first make one re-read. None while the
// window is hidden (its next showing reads anyway) or covered by a modal window or box of
// its own: it catches up once they have closed.
class ChangeFollower : public QObject {
    Q_OBJECT
public:
    static constexpr int Delay = 200;

    // concerns: whether a change touches what the window shows; reread: reads it again,
    // given the changes heard since the last reading.
    ChangeFollower(QWidget* window, data::ChangeListener& listener,
                   std::function<bool(const data::Change&)> concerns,
                   std::function<void(const QList<data::Change>&)> reread);

    // The window has just read everything it shows: nothing is left to catch up.
    void done();
    // Changes heard and not yet read; waiting for a modal window to close.
    bool pending() const { return !heard_.isEmpty(); }
    bool waiting() const { return waiting_; }

private:
    void heard(const data::Change& change);
    void due();

    QPointer<QWidget> window_;
    std::function<bool(const data::Change&)> concerns_;
    std::function<void(const QList<data::Change>&)> reread_;
    QList<data::Change> heard_;
    QTimer timer_;
    bool waiting_ = false;
};

// Reads query again (reopen, or close and open) with its current row found again by the
// key field (the nearest row when it is gone; by number without a key) and view's scroll
// position kept: the current record found again stays at its place on the screen.
void reopenKeeping(data::Query& query, const QString& key, QAbstractScrollArea* view = nullptr,
                   const std::function<void()>& reopen = {});

} // namespace ui

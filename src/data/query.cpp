#include "data/query.h"

#include "data/connection.h"
#include "data/db_error.h"
#include "data/result_rows.h"
#include "data/row_check.h"
#include "data/sql_text.h"
#include "data/texts.h"
#include "data/write_engine.h"

#include <QSqlQuery>
#include <cmath>
#include <optional>
#include <vector>

namespace data {

namespace {

QVariantList bindsFor(const QStringList& names, const Params& params) {
    QVariantList binds;
    for (const QString& n : names) {
        if (!params.contains(n)) throw DbError(QStringLiteral("Не задан параметр :%1").arg(n));
        binds << params.value(n);
    }
    return binds;
}

} // namespace

QString Params::positional(const QString& sql, QStringList& names) {
    QString out;
    out.reserve(sql.size());
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = sql[i];
        if (c == u'\'' || c == u'"') {
            // copy a quoted text or identifier as it stands ('' and "" double themselves)
            const qsizetype start = i++;
            while (i < n && sql[i] != c)
                ++i;
            if (i < n) ++i;
            out += sql.mid(start, i - start);
            continue;
        }
        if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
            const qsizetype start = i;
            while (i < n && sql[i] != u'\n')
                ++i;
            out += sql.mid(start, i - start);
            continue;
        }
        if (c == u':' && i + 1 < n && sql[i + 1] == u':') {
            out += QLatin1String("::");
            i += 2;
            continue;
        }
        if (c == u':' && i + 1 < n && (sql[i + 1].isLetter() || sql[i + 1] == u'_')) {
            qsizetype j = i + 1;
            while (j < n && (sql[j].isLetterOrNumber() || sql[j] == u'_'))
                ++j;
            names << sql.mid(i + 1, j - i - 1);
            out += u'?';
            i = j;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

Query::Query(Connection& connection, QObject* parent) : QObject(parent), connection_(connection) {}

void Query::open() {
    if (active()) return;
    QStringList names;
    const QString sql = Params::positional(sql::read(statement()), names);
    const QVariantList binds = bindsFor(names, params_);
    QSqlQuery q = connection_.exec(sql, binds);
    take(q);
}

void Query::openWrite(const QStringList& statements, const QList<Query*>& alsoRead) {
    close();
    QStringList texts = statements;
    QVariantList binds;
    // a write refused by the server, or whose answer is lost, leaves them showing what they did
    gather(connection_, alsoRead, texts, binds, true);
    QSqlQuery q = connection_.execWrite(texts, binds, statements.size() - 1);
    Rows written;
    readRows(q, written);
    std::vector<Rows> read = readAfter(q, alsoRead.size());
    take(written);
    // shown again as refresh() does, at the record number where it still exists
    for (qsizetype i = 0; i < alsoRead.size(); ++i) {
        Query* q = alsoRead[i];
        const int rec = q->active() ? q->recNo() : 0;
        q->take(read[size_t(i)]);
        if (rec >= 1 && rec <= q->recordCount()) q->setRecNo(rec);
    }
}

void Query::gather(const Connection& connection, const QList<Query*>& queries, QStringList& texts,
                   QVariantList& binds, bool keepShown) {
    for (Query* q : queries) {
        if (&q->connection_ != &connection)
            throw DbError(QStringLiteral("Запросы одного обращения к серверу должны быть на "
                                         "одном подключении"));
        if (!keepShown) q->close();
        QStringList names;
        texts << Params::positional(sql::read(q->statement()), names);
        binds << bindsFor(names, q->params_);
    }
}

std::vector<Rows> Query::readAfter(QSqlQuery& result, qsizetype count) {
    std::vector<Rows> all(static_cast<size_t>(count));
    for (qsizetype i = 0; i < count; ++i) {
        if (!result.nextResult())
            throw DbError(
                QStringLiteral("Сервер не вернул результат запроса %1 из %2").arg(i + 1).arg(count));
        readRows(result, all[size_t(i)]);
    }
    return all;
}

void Query::take(QSqlQuery& q) {
    Rows rows;
    readRows(q, rows);
    take(rows);
}

void Query::take(Rows& rows) {
    fields_ = std::move(rows.fields);
    decimal_ = std::move(rows.decimal);
    rows_ = std::move(rows.values);
    state_ = State::Browse;
    modified_ = false;
    rebuildVisible();
    emit reset();
    setCurrent(visible_.isEmpty() ? -1 : 0);
}

void openTogether(const QList<Query*>& queries) {
    if (queries.isEmpty()) return;
    Connection& connection = queries.first()->connection_;
    QStringList texts;
    QVariantList binds;
    Query::gather(connection, queries, texts, binds);
    QSqlQuery result = connection.exec(texts.join(QStringLiteral(";\n")), binds);
    std::vector<Rows> all(size_t(queries.size()));
    readRows(result, all[0]);
    std::vector<Rows> rest = Query::readAfter(result, queries.size() - 1);
    std::move(rest.begin(), rest.end(), all.begin() + 1);
    // the windows see every query opened, or none
    for (qsizetype i = 0; i < queries.size(); ++i)
        queries[i]->take(all[size_t(i)]);
}

void Query::close() {
    if (!active()) return;
    state_ = State::Inactive;
    rows_.clear();
    visible_.clear();
    fields_.clear();
    decimal_.clear();
    buffer_.clear();
    modified_ = false;
    cur_ = -1;
    eof_ = bof_ = true;
    emit reset();
    emit moved(-1);
}

void Query::refresh() {
    const int rec = recNo();
    close();
    open();
    if (rec >= 1 && rec <= recordCount()) setRecNo(rec);
}

void Query::requireActive() const {
    if (!active()) throw DbError(QStringLiteral("Набор данных закрыт"));
}

bool Query::putRow(const QString& keyField, const QVariant& key, const Query& read,
                   const RowBefore& before) {
    const int k = fieldIndex(keyField);
    if (state_ != State::Browse || k < 0 || !read.active()) return false;
    const bool placing = !read.rows_.isEmpty();
    if (placing && read.fields_ != fields_) return false;
    const int rec = recNo();
    const qint64 id = key.toLongLong();
    for (int i = 0; i < rows_.size(); ++i)
        if (!rows_[i][k].isNull() && rows_[i][k].toLongLong() == id) {
            rows_.remove(i);
            break;
        }
    if (placing) {
        const Row& row = read.rows_.first();
        auto fieldsOf = [this](const Row& r) -> FieldOf {
            return [this, &r](const QString& f) {
                const int i = fieldIndex(f);
                return i < 0 ? QVariant() : r[i];
            };
        };
        const FieldOf put = fieldsOf(row);
        int at = int(rows_.size());
        for (int i = 0; i < rows_.size(); ++i)
            if (before(put, fieldsOf(rows_[i]))) {
                at = i;
                break;
            }
        rows_.insert(at, row);
    }
    rebuildVisible();
    emit reset();
    // the user's place, as a reading again keeps it
    setCurrent(visible_.isEmpty() ? -1 : qBound(0, rec - 1, int(visible_.size()) - 1));
    return true;
}

void Query::rebuildVisible() {
    visible_.clear();
    visible_.reserve(rows_.size());
    const bool use = filtered_ && !filter_.empty();
    for (int i = 0; i < rows_.size(); ++i) {
        if (rowTest_) {
            const Row& r = rows_[i];
            const bool ok = rowTest_([&](const QString& f) {
                const int idx = fieldIndex(f);
                return idx < 0 ? QVariant() : r[idx];
            });
            if (!ok) continue;
        }
        if (use) {
            const Row& r = rows_[i];
            const bool ok = filter_.matches([&](const QString& f, QVariant& v, QString& text) {
                const int idx = fieldIndex(f);
                if (idx < 0) return false;
                v = r[idx];
                text = displayText(v, decimal_[idx]);
                return true;
            });
            if (!ok) continue;
        }
        visible_.push_back(i);
    }
}

void Query::setCurrent(int row, bool notify) {
    if (visible_.isEmpty()) {
        cur_ = -1;
        eof_ = bof_ = true;
    } else {
        cur_ = qBound(0, row, int(visible_.size()) - 1);
        eof_ = bof_ = false;
    }
    if (notify) emit moved(cur_);
}

void Query::first() {
    if (state_ == State::Edit || state_ == State::Insert) post();
    setCurrent(0);
    bof_ = true;
}

void Query::last() {
    if (state_ == State::Edit || state_ == State::Insert) post();
    setCurrent(int(visible_.size()) - 1);
    eof_ = true;
}

void Query::next() {
    if (state_ == State::Edit || state_ == State::Insert) post();
    if (visible_.isEmpty() || cur_ >= visible_.size() - 1) {
        eof_ = true;
        return;
    }
    setCurrent(cur_ + 1);
}

void Query::prior() {
    if (state_ == State::Edit || state_ == State::Insert) post();
    if (visible_.isEmpty() || cur_ <= 0) {
        bof_ = true;
        return;
    }
    setCurrent(cur_ - 1);
}

int Query::recNo() const {
    return cur_ < 0 ? 0 : cur_ + 1;
}

void Query::setRecNo(int recNo) {
    if (visible_.isEmpty()) return;
    if (state_ == State::Edit || state_ == State::Insert) post();
    setCurrent(recNo - 1);
}

bool Query::locate(const QString& field, const QVariant& value) {
    requireActive();
    const int idx = fieldIndex(field);
    if (idx < 0) throw DbError(QStringLiteral("Поле %1 не найдено").arg(field));
    bool numeric = false;
    const double x = value.toString().toDouble(&numeric);
    const QString text = displayText(value);
    for (int i = 0; i < visible_.size(); ++i) {
        const QVariant& v = rows_[visible_[i]][idx];
        if (v.isNull()) continue;
        const QString t = displayText(v, decimal_[idx]);
        bool ok = false;
        const double y = numeric ? t.toDouble(&ok) : 0;
        if ((numeric && ok && x == y) || t == text) {
            setRecNo(i + 1);
            return true;
        }
    }
    return false;
}

void Query::setFilter(const QString& text) {
    Filter parsed = Filter::parse(text);
    filterText_ = text;
    filter_ = std::move(parsed);
    if (filtered_ && active()) {
        rebuildVisible();
        emit reset();
        setCurrent(0);
    }
}

void Query::setFiltered(bool on) {
    if (filtered_ == on) return;
    filtered_ = on;
    if (active()) {
        rebuildVisible();
        emit reset();
        setCurrent(0);
    }
}

void Query::setRowTest(RowTest test) {
    rowTest_ = std::move(test);
    if (active()) {
        rebuildVisible();
        emit reset();
        setCurrent(visible_.isEmpty() ? -1 : 0);
    }
}

int Query::fieldIndex(const QString& name) const {
    const QString lower = name.toLower();
    for (int i = 0; i < fields_.size(); ++i)
        if (fields_[i] == lower) return i;
    return -1;
}

const Query::Row* Query::currentValues() const {
    if (state_ == State::Edit || state_ == State::Insert) return &buffer_;
    if (cur_ < 0 || cur_ >= visible_.size()) return nullptr;
    return &rows_[visible_[cur_]];
}

QVariant Query::value(const QString& name) const {
    requireActive();
    const int idx = fieldIndex(name);
    if (idx < 0) throw DbError(QStringLiteral("Поле %1 не найдено").arg(name));
    const Row* r = currentValues();
    return r ? (*r)[idx] : QVariant();
}

QString Query::asText(const QString& name) const {
    const QVariant v = value(name);
    return displayText(v, decimal_[fieldIndex(name)]);
}

qint64 Query::asInt(const QString& name) const {
    const QVariant v = value(name);
    if (v.isNull()) return 0;
    bool ok = false;
    const QString t = displayText(v).trimmed();
    qint64 n = t.toLongLong(&ok);
    if (ok) return n;
    const double d = t.toDouble(&ok);
    if (ok) return qint64(std::llround(d));
    throw DbError(QStringLiteral("'%1' не является целым числом").arg(t));
}

double Query::asFloat(const QString& name) const {
    const QVariant v = value(name);
    if (v.isNull()) return 0;
    bool ok = false;
    const QString t = displayText(v).trimmed();
    const double d = v.typeId() == QMetaType::Double ? v.toDouble() : t.toDouble(&ok);
    if (v.typeId() != QMetaType::Double && !ok)
        throw DbError(QStringLiteral("'%1' не является числом").arg(t));
    return d;
}

QDate Query::asDate(const QString& name) const {
    const QVariant v = value(name);
    if (v.typeId() == QMetaType::QDateTime) return v.toDateTime().date();
    return v.toDate();
}

bool Query::isNull(const QString& name) const {
    return value(name).isNull();
}

QVariant Query::valueAt(int row, int field) const {
    if (row < 0 || row >= visible_.size() || field < 0 || field >= fields_.size()) return {};
    if (row == cur_ && (state_ == State::Edit || state_ == State::Insert)) return buffer_[field];
    return rows_[visible_[row]][field];
}

QString Query::textAt(int row, int field) const {
    if (field < 0 || field >= fields_.size()) return {};
    return displayText(valueAt(row, field), decimal_[field]);
}

QString Query::displayText(const QVariant& v, bool decimal) {
    if (v.isNull()) return {};
    switch (v.typeId()) {
    case QMetaType::QDate:
        return text::date(v.toDate());
    case QMetaType::QDateTime:
        return text::dateTime(v.toDateTime());
    case QMetaType::Double:
    case QMetaType::Float:
        return text::general(v.toDouble());
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QString:
        return decimal ? trimmedDecimal(v.toString()) : v.toString();
    default:
        return v.toString();
    }
}

// ---- editing ----

void Query::insert() {
    requireActive();
    if (state_ == State::Edit || state_ == State::Insert) post();
    if (updateTable_.isEmpty()) throw DbError(QStringLiteral("Набор данных нельзя изменять"));
    if (fields_.isEmpty()) {
        // no statement has told the column names yet (an empty result still has them)
        throw DbError(QStringLiteral("Неизвестны поля набора данных"));
    }
    buffer_ = Row(fields_.size());
    changed_ = QVector<bool>(fields_.size(), false);
    // the new row stands at the end until it is posted
    rows_.push_back(buffer_);
    visible_.push_back(int(rows_.size()) - 1);
    state_ = State::Insert;
    modified_ = false;
    emit reset();
    setCurrent(int(visible_.size()) - 1);
}

void Query::edit() {
    requireActive();
    if (state_ == State::Edit || state_ == State::Insert) return;
    if (updateTable_.isEmpty()) throw DbError(QStringLiteral("Набор данных нельзя изменять"));
    if (cur_ < 0) {
        insert();
        return;
    }
    buffer_ = rows_[visible_[cur_]];
    changed_ = QVector<bool>(fields_.size(), false);
    state_ = State::Edit;
    modified_ = false;
}

void Query::setField(const QString& name, const QVariant& value) {
    requireActive();
    if (state_ != State::Edit && state_ != State::Insert)
        throw DbError(QStringLiteral("Набор данных не в режиме правки"));
    const int idx = fieldIndex(name);
    if (idx < 0) throw DbError(QStringLiteral("Поле %1 не найдено").arg(name));
    buffer_[idx] = value;
    changed_[idx] = true;
    modified_ = true;
    emit rowChanged(cur_);
}

QString Query::keyCondition(const Row& original, QVariantList& binds) const {
    const int id = fieldIndex(QStringLiteral("id"));
    if (id >= 0 && !original[id].isNull()) {
        binds << original[id];
        return QStringLiteral("id=?");
    }
    QStringList parts;
    for (int i = 0; i < fields_.size(); ++i) {
        if (original[i].isNull()) {
            parts << QStringLiteral("%1 is null").arg(fields_[i]);
        } else {
            parts << QStringLiteral("%1=?").arg(fields_[i]);
            binds << original[i];
        }
    }
    return parts.join(QStringLiteral(" and "));
}

void Query::post() {
    if (state_ != State::Edit && state_ != State::Insert) return;
    if (beforePost) beforePost(*this);
    const int rowIndex = visible_[cur_];
    if (state_ == State::Insert) {
        QStringList cols, marks;
        QVariantList binds;
        for (int i = 0; i < fields_.size(); ++i) {
            if (!changed_[i]) continue;
            cols << fields_[i];
            marks << QStringLiteral("?");
            binds << buffer_[i];
        }
        const QString sql =
            cols.isEmpty()
                ? QStringLiteral("insert into %1 default values returning *").arg(updateTable_)
                : QStringLiteral("insert into %1(%2) values(%3) returning *")
                      .arg(updateTable_, cols.join(u','), marks.join(u','));
        QSqlQuery q = connection_.exec(sql, binds);
        Rows stored;
        readByCell(q, stored);
        if (!stored.values.isEmpty()) {
            for (int i = 0; i < stored.fields.size(); ++i) {
                const int idx = fieldIndex(stored.fields[i]);
                if (idx >= 0) buffer_[idx] = stored.values[0][i];
            }
        }
    } else if (modified_ && checkedEdits_) {
        // the row as the list showed it, compared and written in one write of the engine
        const int id = fieldIndex(QStringLiteral("id"));
        WritePlan plan;
        plan.row = SeenTarget{updateTable_, id >= 0 ? rows_[rowIndex][id].toLongLong() : 0, {},
                              SeenRow{fields_, rows_[rowIndex]}};
        QStringList sets;
        for (int i = 0; i < fields_.size(); ++i)
            if (changed_[i]) sets << fields_[i] + u'=' + literal(buffer_[i]);
        plan.parts = {WritePart::update(updateTable_, sets.join(QStringLiteral(", ")),
                                        QStringLiteral("id=") + sql::integer(plan.row->id))};
        Query control(connection_);
        const WriteOutcome out = write(control, plan);
        if (out.status == WriteOutcome::Status::Gone ||
            out.status == WriteOutcome::Status::Changed) {
            cancel();
            if (onConflict) onConflict(*this, out.status == WriteOutcome::Status::Gone);
            return;
        }
        if (!out.written()) throw DbError(lostCommitText(LostCommit::Unknown));
    } else if (modified_) {
        QStringList sets;
        QVariantList binds;
        for (int i = 0; i < fields_.size(); ++i) {
            if (!changed_[i]) continue;
            sets << QStringLiteral("%1=?").arg(fields_[i]);
            binds << buffer_[i];
        }
        const QString where = keyCondition(rows_[rowIndex], binds);
        connection_.exec(QStringLiteral("update %1 set %2 where %3")
                             .arg(updateTable_, sets.join(QStringLiteral(", ")), where),
                         binds);
    }
    rows_[rowIndex] = buffer_;
    buffer_.clear();
    state_ = State::Browse;
    modified_ = false;
    emit rowChanged(cur_);
}

void Query::cancel() {
    if (state_ == State::Insert) {
        rows_.removeLast();
        visible_.removeLast();
        state_ = State::Browse;
        buffer_.clear();
        modified_ = false;
        emit reset();
        setCurrent(cur_);
        return;
    }
    if (state_ == State::Edit) {
        state_ = State::Browse;
        buffer_.clear();
        modified_ = false;
        emit rowChanged(cur_);
    }
}

void Query::remove() {
    requireActive();
    if (state_ == State::Insert) {
        cancel();
        return;
    }
    if (state_ == State::Edit) cancel();
    if (cur_ < 0) return;
    if (updateTable_.isEmpty()) throw DbError(QStringLiteral("Набор данных нельзя изменять"));
    const int rowIndex = visible_[cur_];
    QVariantList binds;
    const QString where = keyCondition(rows_[rowIndex], binds);
    connection_.exec(QStringLiteral("delete from %1 where %2").arg(updateTable_, where), binds);
    rows_.remove(rowIndex);
    rebuildVisible();
    emit reset();
    setCurrent(cur_);
}

// ---- Table, Command ----

Table::Table(Connection& connection, const QString& table, QObject* parent)
    : Query(connection, parent) {
    setTableName(table);
}

QString Table::statement() const {
    QString sql = QStringLiteral("select * from ") + table_;
    if (!order_.isEmpty()) sql += QStringLiteral(" order by ") + order_;
    return sql;
}

int Command::execute() {
    QStringList names;
    const QString sql = Params::positional(sql_, names);
    return connection_.exec(sql, bindsFor(names, params_)).numRowsAffected();
}

QVariant lookupIn(Query& query, const QString& sql, const QString& field) {
    query.close();
    query.setSql(sql);
    query.open();
    const QVariant v = query.isEmpty() ? QVariant() : query.value(field);
    query.close();
    return v;
}

} // namespace data

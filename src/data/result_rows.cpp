#include "data/result_rows.h"

#include "data/db_error.h"

#include <QDate>
#include <QDateTime>
#include <QSqlField>
#include <QSqlRecord>
#include <QSqlResult>
#include <QTime>
#include <sql.h>
#include <sqlext.h>
#include <optional>
#include <vector>

namespace data {

namespace {

// Rows the driver fills in one call, and the room a cell gets in them. A text longer than
// its room, or a number written longer, is read whole on its row (readWhole).
constexpr SQLULEN BlockRows = 64;
constexpr SQLLEN TextUnits = 256; // UTF-16 code units, the terminating zero included
constexpr SQLLEN NumberBytes = 128;

void describe(const QSqlRecord& rec, Rows& rows) {
    rows.fields.clear();
    rows.decimal.clear();
    for (int i = 0; i < rec.count(); ++i) {
        rows.fields << rec.fieldName(i).toLower();
        rows.decimal << (rec.field(i).metaType().id() == QMetaType::Double);
    }
    rows.values.clear();
}

// One bound column: its buffer holds BlockRows cells of width bytes each.
struct Column {
    QVariant null; // a null cell, as Qt's driver gives it
    SQLSMALLINT cType = 0;
    SQLLEN width = 0;
    bool decimal = false; // written without trailing zeros
    std::vector<char> cells;
    std::vector<SQLLEN> lengths;

    const char* cell(SQLULEN row) const { return cells.data() + row * width; }
};

// The driver's messages about the statement's last call.
QString diagnostics(SQLHSTMT statement) {
    QStringList texts;
    SQLWCHAR state[6], text[1024];
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    for (SQLSMALLINT i = 1; SQL_SUCCEEDED(SQLGetDiagRecW(SQL_HANDLE_STMT, statement, i, state,
                                                         &native, text, 1024, &length));
         ++i)
        texts << QString(reinterpret_cast<const QChar*>(text), qMin<int>(length, 1023));
    return texts.isEmpty() ? QStringLiteral("Ошибка чтения строк результата")
                           : texts.join(u'\n');
}

// How a column of Qt's type is bound; false for types read only cell by cell.
bool bindingFor(QMetaType type, Column& c) {
    c.null = QVariant(type);
    switch (type.id()) {
    case QMetaType::Short:
    case QMetaType::Int:
        c.null = QVariant(QMetaType::fromType<int>());
        c.cType = SQL_C_SLONG;
        c.width = sizeof(SQLINTEGER);
        return true;
    case QMetaType::LongLong:
        c.cType = SQL_C_SBIGINT;
        c.width = sizeof(SQLBIGINT);
        return true;
    case QMetaType::Double: // exact decimals and floats, kept as the text the server wrote
    case QMetaType::Float:
        c.decimal = type.id() == QMetaType::Double;
        c.null = QVariant();
        c.cType = SQL_C_CHAR;
        c.width = NumberBytes;
        return true;
    case QMetaType::QString:
        c.null = QVariant();
        c.cType = SQL_C_WCHAR;
        c.width = TextUnits * SQLLEN(sizeof(SQLWCHAR));
        return true;
    case QMetaType::QDate:
        c.cType = SQL_C_TYPE_DATE;
        c.width = sizeof(SQL_DATE_STRUCT);
        return true;
    case QMetaType::QTime:
        c.cType = SQL_C_TYPE_TIME;
        c.width = sizeof(SQL_TIME_STRUCT);
        return true;
    case QMetaType::QDateTime:
        c.cType = SQL_C_TYPE_TIMESTAMP;
        c.width = sizeof(SQL_TIMESTAMP_STRUCT);
        return true;
    default:
        return false;
    }
}

// The value of a cell that is not null; false when it did not fit its room in the block.
bool valueOf(const Column& c, SQLULEN row, QVariant& v) {
    const char* p = c.cell(row);
    const SQLLEN length = c.lengths[row];
    switch (c.cType) {
    case SQL_C_SLONG: {
        SQLINTEGER x;
        memcpy(&x, p, sizeof x);
        v = int(x);
        return true;
    }
    case SQL_C_SBIGINT: {
        SQLBIGINT x;
        memcpy(&x, p, sizeof x);
        v = qlonglong(x);
        return true;
    }
    case SQL_C_CHAR:
        if (length == SQL_NO_TOTAL || length >= c.width) return false;
        v = c.decimal ? trimmedDecimal(QString::fromLatin1(p, length))
                      : QString::fromLatin1(p, length);
        return true;
    case SQL_C_WCHAR:
        if (length == SQL_NO_TOTAL || length >= c.width) return false;
        v = QString(reinterpret_cast<const QChar*>(p), length / qsizetype(sizeof(SQLWCHAR)));
        return true;
    case SQL_C_TYPE_DATE: {
        SQL_DATE_STRUCT d;
        memcpy(&d, p, sizeof d);
        v = QDate(d.year, d.month, d.day);
        return true;
    }
    case SQL_C_TYPE_TIME: {
        SQL_TIME_STRUCT t;
        memcpy(&t, p, sizeof t);
        v = QTime(t.hour, t.minute, t.second);
        return true;
    }
    case SQL_C_TYPE_TIMESTAMP: {
        SQL_TIMESTAMP_STRUCT t;
        memcpy(&t, p, sizeof t);
        v = QDateTime(QDate(t.year, t.month, t.day),
                      QTime(t.hour, t.minute, t.second, int(t.fraction / 1000000)));
        return true;
    }
    }
    return false;
}

// Binds the columns and the block size on the statement, and leaves it as it found it.
class Binding {
public:
    explicit Binding(SQLHSTMT statement) : statement_(statement) {}
    ~Binding() {
        SQLFreeStmt(statement_, SQL_UNBIND);
        SQLSetStmtAttr(statement_, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
        SQLSetStmtAttr(statement_, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
    }
    Binding(const Binding&) = delete;
    Binding& operator=(const Binding&) = delete;

    bool bind(std::vector<Column>& columns, SQLULEN* fetched) {
        if (!SQL_SUCCEEDED(SQLSetStmtAttr(statement_, SQL_ATTR_ROW_BIND_TYPE,
                                          reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0)) ||
            !SQL_SUCCEEDED(SQLSetStmtAttr(statement_, SQL_ATTR_ROW_ARRAY_SIZE,
                                          reinterpret_cast<SQLPOINTER>(BlockRows), 0)) ||
            !SQL_SUCCEEDED(SQLSetStmtAttr(statement_, SQL_ATTR_ROWS_FETCHED_PTR, fetched, 0)))
            return false;
        for (size_t i = 0; i < columns.size(); ++i) {
            Column& c = columns[i];
            c.cells.resize(size_t(c.width) * BlockRows);
            c.lengths.resize(BlockRows);
            if (!SQL_SUCCEEDED(SQLBindCol(statement_, SQLUSMALLINT(i + 1), c.cType,
                                          c.cells.data(), c.width, c.lengths.data())))
                return false;
        }
        return true;
    }

private:
    SQLHSTMT statement_;
};

// A value longer than its room in the block, read whole by itself: the statement is set on
// its row and the driver gives the value in parts.
QVariant readWhole(SQLHSTMT statement, SQLULEN row, SQLUSMALLINT number, const Column& c) {
    if (!SQL_SUCCEEDED(SQLSetPos(statement, SQLSETPOSIROW(row + 1), SQL_POSITION,
                                 SQL_LOCK_NO_CHANGE)))
        throw DbError(diagnostics(statement));
    const SQLLEN terminator = c.cType == SQL_C_WCHAR ? SQLLEN(sizeof(SQLWCHAR)) : 1;
    char part[4096];
    QByteArray bytes;
    for (;;) {
        SQLLEN length = 0;
        const SQLRETURN r = SQLGetData(statement, number, c.cType, part, sizeof part, &length);
        if (r == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(r)) throw DbError(diagnostics(statement));
        const SQLLEN room = SQLLEN(sizeof part) - terminator;
        bytes.append(part, length == SQL_NO_TOTAL || length > room ? room : length);
        if (r == SQL_SUCCESS) break;
    }
    if (c.cType == SQL_C_WCHAR)
        return QString(reinterpret_cast<const QChar*>(bytes.constData()),
                       bytes.size() / qsizetype(sizeof(SQLWCHAR)));
    const QString text = QString::fromLatin1(bytes);
    return c.decimal ? trimmedDecimal(text) : text;
}

} // namespace

QString trimmedDecimal(QString s) {
    if (s.contains(u'.') && !s.contains(u'e') && !s.contains(u'E')) {
        while (s.endsWith(u'0'))
            s.chop(1);
        if (s.endsWith(u'.')) s.chop(1);
    }
    if (s == QLatin1String("-0")) s = QStringLiteral("0");
    return s;
}

bool readRows(QSqlQuery& query, Rows& rows) {
    const QSqlRecord rec = query.record();
    const QVariant handle = query.result() ? query.result()->handle() : QVariant();
    const SQLHSTMT statement = handle.metaType() == QMetaType::fromType<SQLHANDLE>()
                                   ? *static_cast<const SQLHANDLE*>(handle.constData())
                                   : nullptr;
    std::vector<Column> columns(size_t(rec.count()));
    bool blocks = statement != nullptr && rec.count() > 0;
    for (int i = 0; blocks && i < rec.count(); ++i)
        blocks = bindingFor(rec.field(i).metaType(), columns[size_t(i)]);
    SQLULEN fetched = 0;
    std::optional<Binding> binding;
    if (blocks) {
        binding.emplace(statement);
        blocks = binding->bind(columns, &fetched);
    }
    if (!blocks) { // nothing has been fetched yet
        binding.reset();
        readByCell(query, rows);
        return false;
    }

    describe(rec, rows);
    for (;;) {
        const SQLRETURN r = SQLFetchScroll(statement, SQL_FETCH_NEXT, 0);
        if (r == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(r)) throw DbError(diagnostics(statement));
        for (SQLULEN row = 0; row < fetched; ++row) {
            QVector<QVariant> line(rec.count());
            for (size_t i = 0; i < columns.size(); ++i) {
                const Column& c = columns[i];
                QVariant& v = line[qsizetype(i)];
                if (c.lengths[row] == SQL_NULL_DATA)
                    v = c.null;
                else if (!valueOf(c, row, v))
                    v = readWhole(statement, row, SQLUSMALLINT(i + 1), c);
            }
            rows.values.push_back(std::move(line));
        }
    }
    return true;
}

void readByCell(QSqlQuery& query, Rows& rows) {
    const QSqlRecord rec = query.record();
    describe(rec, rows);
    while (query.next()) {
        QVector<QVariant> line(rec.count());
        for (int i = 0; i < rec.count(); ++i) {
            QVariant v = query.value(i);
            // exact decimals arrive as text; keep them exact but without trailing zeros
            if (rows.decimal[i] && !v.isNull() && v.typeId() == QMetaType::QString)
                v = trimmedDecimal(v.toString());
            line[i] = std::move(v);
        }
        rows.values.push_back(std::move(line));
    }
}

} // namespace data

#include "platform/db/query.h"

#include "platform/db/sqlrewrite.h"
#include "platform/db/tablestore.h"
#include "platform/error.h"
#include "platform/text.h"

#include <QDate>
#include <QHash>
#include <QRegularExpression>

#include <sqlite3.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <unordered_map>

namespace kv {

namespace {

// ------------------------------------------------------------ value mapping

void resultValue(sqlite3_context *ctx, FieldType type, const QVariant &v)
{
    if (!v.isValid() || v.isNull()) {
        sqlite3_result_null(ctx);
        return;
    }
    switch (type) {
    case FieldType::SmallInt: case FieldType::Integer: case FieldType::Word:
    case FieldType::AutoInc: case FieldType::LargeInt:
        if (v.metaType().id() == QMetaType::Double) sqlite3_result_double(ctx, v.toDouble());
        else sqlite3_result_int64(ctx, v.toLongLong());
        return;
    case FieldType::Float: case FieldType::Currency:
        sqlite3_result_double(ctx, v.toDouble());
        return;
    case FieldType::Boolean:
        sqlite3_result_int(ctx, v.toBool() ? 1 : 0);
        return;
    case FieldType::Date: {
        const QByteArray b = v.toDate().toString(QStringLiteral("yyyy-MM-dd")).toUtf8();
        sqlite3_result_text(ctx, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        return;
    }
    default: {
        const QByteArray b = v.toString().toUtf8();
        sqlite3_result_text(ctx, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        return;
    }
    }
}

QVariant fromSqlite(sqlite3_value *v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return QVariant(qlonglong(sqlite3_value_int64(v)));
    case SQLITE_FLOAT: return QVariant(sqlite3_value_double(v));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(v)), sqlite3_value_bytes(v)));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char *>(sqlite3_value_blob(v)), sqlite3_value_bytes(v)));
    default: return QVariant();
    }
}

QString declType(const DbfField &f)
{
    switch (toFieldDef(f).type) {
    case FieldType::String: return QStringLiteral("CHAR(%1) COLLATE KVCP1251").arg(f.length);
    case FieldType::SmallInt: return QStringLiteral("SMALLINT");
    case FieldType::Integer: return QStringLiteral("INTEGER");
    case FieldType::Float: return QStringLiteral("FLOAT");
    case FieldType::Date: return QStringLiteral("DATE");
    case FieldType::Boolean: return QStringLiteral("BOOLEAN");
    case FieldType::Memo: return QStringLiteral("MEMO COLLATE KVCP1251");
    default: return QStringLiteral("TEXT");
    }
}

// Key of a value for the equality index of a column (a superset match; SQLite
// checks the constraint again).
QString indexKey(FieldType t, const QVariant &v, bool *ok)
{
    *ok = true;
    if (!v.isValid() || v.isNull()) { *ok = false; return {}; }
    if (isNumericType(t)) {
        bool good = false;
        const double d = v.toDouble(&good);
        if (!good || v.metaType().id() == QMetaType::QString) { *ok = false; return {}; }
        return formatShortest(d);
    }
    if (isStringType(t)) {
        if (v.metaType().id() != QMetaType::QString) { *ok = false; return {}; }
        return upperCase(trimRight(v.toString()));
    }
    *ok = false;
    return {};
}

// ----------------------------------------------------------- the collation

// cp1251 order with letter case folded (Ё with Е), ties broken by the bytes;
// trailing blanks do not count. Works on the UTF-8 text directly: sorting
// and grouping call it very often.
struct CollationKeys
{
    // Per code point below 0x500 (Latin and Cyrillic): folded key and the
    // plain cp1251 byte.
    int folded[0x500];
    int plain[0x500];
    CollationKeys()
    {
        for (int cp = 0; cp < 0x500; ++cp) {
            const QChar c(static_cast<char16_t>(cp));
            const QChar u = upperCase(QString(c)).at(0);
            plain[cp] = uchar(toCp1251Char(c));
            folded[cp] = u == QChar(0x0401) ? ((0xC5 << 1) | 1) : (int(uchar(toCp1251Char(u))) << 1);
        }
    }
};

const CollationKeys &collationKeys()
{
    static const CollationKeys k;
    return k;
}

// Next code point of UTF-8 text; p advances.
int nextCodePoint(const unsigned char *&p, const unsigned char *end)
{
    const unsigned c = *p++;
    if (c < 0x80) return int(c);
    int n = c >= 0xF0 ? 3 : (c >= 0xE0 ? 2 : 1);
    unsigned cp = c & (0x3F >> n);
    while (n-- > 0 && p < end) cp = (cp << 6) | (*p++ & 0x3F);
    return int(cp);
}

int trimmedLength(const unsigned char *p, int n)
{
    while (n > 0 && p[n - 1] == ' ') --n;
    return n;
}

int collateCp1251(void *, int n1, const void *p1, int n2, const void *p2)
{
    const CollationKeys &k = collationKeys();
    const auto *a0 = static_cast<const unsigned char *>(p1);
    const auto *b0 = static_cast<const unsigned char *>(p2);
    const unsigned char *aEnd = a0 + trimmedLength(a0, n1);
    const unsigned char *bEnd = b0 + trimmedLength(b0, n2);
    auto keys = [&](int cp, bool folded) -> int {
        if (cp >= 0 && cp < 0x500) return folded ? k.folded[cp] : k.plain[cp];
        const int b = uchar(toCp1251Char(QChar(static_cast<char16_t>(cp > 0xFFFF ? 0xFFFD : cp))));
        return folded ? (b << 1) : b;
    };
    // Identical leading bytes compare equal either way: start where they part.
    const long la = aEnd - a0, lb = bEnd - b0;
    long same = 0;
    while (same < la && same < lb && a0[same] == b0[same]) ++same;
    if (same == la && same == lb) return 0;
    while (same > 0 && ((same < la && (a0[same] & 0xC0) == 0x80) || (same < lb && (b0[same] & 0xC0) == 0x80))) --same;
    a0 += same;
    b0 += same;
    for (int pass = 0; pass < 2; ++pass) {
        const bool folded = pass == 0;
        const unsigned char *a = a0, *b = b0;
        while (a < aEnd && b < bEnd) {
            const int x = keys(nextCodePoint(a, aEnd), folded), y = keys(nextCodePoint(b, bEnd), folded);
            if (x != y) return x < y ? -1 : 1;
        }
        if ((a < aEnd) != (b < bEnd)) return a < aEnd ? 1 : -1;
    }
    return 0;
}

// ------------------------------------------------------- the virtual table

struct DbfVtab
{
    sqlite3_vtab base;
    std::shared_ptr<TableStore> store;
    QList<FieldDef> defs;
    // Equality indexes per column, valid for one store generation.
    quint64 indexGen = ~quint64(0);
    std::unordered_map<int, QHash<QString, std::vector<int>>> indexes;
};

struct DbfCursor
{
    sqlite3_vtab_cursor base;
    std::vector<int> positions;   // rows to visit, or empty with `all`
    bool all = true;
    int count = 0;                // rows at the start of the scan (appends stay unseen)
    int at = 0;
};

DbfVtab *vt(sqlite3_vtab *p) { return reinterpret_cast<DbfVtab *>(p); }
DbfCursor *cur(sqlite3_vtab_cursor *p) { return reinterpret_cast<DbfCursor *>(p); }

void setError(sqlite3_vtab *tab, const QString &msg)
{
    sqlite3_free(tab->zErrMsg);
    tab->zErrMsg = sqlite3_mprintf("%s", msg.toUtf8().constData());
}

int xCreate(sqlite3 *db, void *, int argc, const char *const *argv, sqlite3_vtab **out, char **err)
{
    if (argc < 4) {
        *err = sqlite3_mprintf("no table path");
        return SQLITE_ERROR;
    }
    QString path = QString::fromUtf8(argv[3]).trimmed();
    if (path.size() >= 2 && path.startsWith(QLatin1Char('\'')) && path.endsWith(QLatin1Char('\''))) {
        path = path.mid(1, path.size() - 2);
        path.replace(QLatin1String("''"), QLatin1String("'"));
    }
    std::shared_ptr<TableStore> store;
    try {
        store = TableStore::get(path);
    } catch (const Error &e) {
        *err = sqlite3_mprintf("%s", e.message().toUtf8().constData());
        return SQLITE_ERROR;
    }
    QStringList cols;
    for (const DbfField &f : store->fields()) {
        QString n = f.name;
        n.replace(QLatin1Char('"'), QLatin1String("\"\""));
        cols << QStringLiteral("\"%1\" %2").arg(n, declType(f));
    }
    const QByteArray ddl = QStringLiteral("CREATE TABLE x(%1)").arg(cols.join(QStringLiteral(", "))).toUtf8();
    const int rc = sqlite3_declare_vtab(db, ddl.constData());
    if (rc != SQLITE_OK) {
        *err = sqlite3_mprintf("%s", sqlite3_errmsg(db));
        return rc;
    }
    auto *t = new DbfVtab;
    std::memset(&t->base, 0, sizeof t->base);
    t->store = store;
    t->defs = store->fieldDefs();
    *out = &t->base;
    return SQLITE_OK;
}

int xDisconnect(sqlite3_vtab *p)
{
    delete vt(p);
    return SQLITE_OK;
}

int xBestIndex(sqlite3_vtab *p, sqlite3_index_info *info)
{
    const double rows = std::max(1, vt(p)->store->count());
    info->estimatedCost = rows;
    info->estimatedRows = sqlite3_int64(rows);
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto &c = info->aConstraint[i];
        if (!c.usable || c.op != SQLITE_INDEX_CONSTRAINT_EQ || c.iColumn < 0) continue;
        const FieldType t = vt(p)->defs.value(c.iColumn).type;
        if (!isNumericType(t) && !isStringType(t)) continue;
        info->aConstraintUsage[i].argvIndex = 1;
        info->aConstraintUsage[i].omit = 0;   // SQLite checks it again
        info->idxNum = c.iColumn + 1;
        info->estimatedCost = std::log2(rows + 1) + 1;
        info->estimatedRows = 4;
        break;
    }
    return SQLITE_OK;
}

int xOpen(sqlite3_vtab *, sqlite3_vtab_cursor **out)
{
    auto *c = new DbfCursor;
    std::memset(&c->base, 0, sizeof c->base);
    *out = &c->base;
    return SQLITE_OK;
}

int xClose(sqlite3_vtab_cursor *p)
{
    delete cur(p);
    return SQLITE_OK;
}

int xFilter(sqlite3_vtab_cursor *p, int idxNum, const char *, int argc, sqlite3_value **argv)
{
    DbfCursor *c = cur(p);
    DbfVtab *t = vt(p->pVtab);
    c->at = 0;
    c->count = t->store->count();
    c->all = true;
    c->positions.clear();
    if (idxNum > 0 && argc >= 1) {
        const int col = idxNum - 1;
        const FieldType type = t->defs.value(col).type;
        bool ok = false;
        const QString key = indexKey(type, fromSqlite(argv[0]), &ok);
        if (ok) {
            if (t->indexGen != t->store->generation()) {
                t->indexes.clear();
                t->indexGen = t->store->generation();
            }
            auto it = t->indexes.find(col);
            if (it == t->indexes.end()) {
                QHash<QString, std::vector<int>> idx;
                for (int pos = 0; pos < c->count; ++pos) {
                    bool good = false;
                    const QString k = indexKey(type, t->store->valuesAt(pos).value(col), &good);
                    if (good) idx[k].push_back(pos);
                }
                it = t->indexes.emplace(col, std::move(idx)).first;
            }
            c->all = false;
            auto hit = it->second.find(key);
            if (hit != it->second.end()) c->positions = hit.value();
        } else if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
            c->all = false;   // "= NULL" matches nothing
        }
    }
    return SQLITE_OK;
}

int xNext(sqlite3_vtab_cursor *p)
{
    ++cur(p)->at;
    return SQLITE_OK;
}

int xEof(sqlite3_vtab_cursor *p)
{
    const DbfCursor *c = cur(p);
    return c->all ? c->at >= c->count : c->at >= int(c->positions.size());
}

int currentPos(const DbfCursor *c) { return c->all ? c->at : c->positions[size_t(c->at)]; }

int xColumn(sqlite3_vtab_cursor *p, sqlite3_context *ctx, int col)
{
    DbfVtab *t = vt(p->pVtab);
    const int pos = currentPos(cur(p));
    if (pos >= t->store->count()) {
        sqlite3_result_null(ctx);
        return SQLITE_OK;
    }
    resultValue(ctx, t->defs.value(col).type, t->store->valuesAt(pos).value(col));
    return SQLITE_OK;
}

int xRowid(sqlite3_vtab_cursor *p, sqlite3_int64 *rowid)
{
    DbfVtab *t = vt(p->pVtab);
    const int pos = currentPos(cur(p));
    *rowid = pos < t->store->count() ? t->store->idAt(pos) : -1;
    return SQLITE_OK;
}

int xUpdate(sqlite3_vtab *p, int argc, sqlite3_value **argv, sqlite3_int64 *rowid)
{
    DbfVtab *t = vt(p);
    TableStore &s = *t->store;
    try {
        if (argc == 1) {   // delete
            const int pos = s.findId(sqlite3_value_int64(argv[0]));
            if (pos >= 0) s.remove(pos);
            return SQLITE_OK;
        }
        QVariantList values;
        for (int i = 2; i < argc; ++i) values << fromSqlite(argv[i]);
        if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {   // insert
            *rowid = s.append(values);
            return SQLITE_OK;
        }
        const int pos = s.findId(sqlite3_value_int64(argv[0]));
        if (pos >= 0) s.update(pos, values);
        return SQLITE_OK;
    } catch (const Error &e) {
        setError(p, e.message());
        return SQLITE_ERROR;
    }
}

int xBegin(sqlite3_vtab *p)
{
    vt(p)->store->beginBatch();
    return SQLITE_OK;
}

int xSync(sqlite3_vtab *p)
{
    try {
        vt(p)->store->commitBatch();
    } catch (const Error &e) {
        setError(p, e.message());
        return SQLITE_ERROR;
    }
    return SQLITE_OK;
}

int xCommit(sqlite3_vtab *p)
{
    if (vt(p)->store->inBatch()) {
        try {
            vt(p)->store->commitBatch();
        } catch (const Error &) {
            // xSync commits and reports; SQLite ignores what xCommit returns.
        }
    }
    return SQLITE_OK;
}

int xRollback(sqlite3_vtab *p)
{
    vt(p)->store->rollbackBatch();
    return SQLITE_OK;
}

sqlite3_module makeModule()
{
    sqlite3_module m;
    std::memset(&m, 0, sizeof m);
    m.iVersion = 1;
    m.xCreate = xCreate;
    m.xConnect = xCreate;
    m.xBestIndex = xBestIndex;
    m.xDisconnect = xDisconnect;
    m.xDestroy = xDisconnect;
    m.xOpen = xOpen;
    m.xClose = xClose;
    m.xFilter = xFilter;
    m.xNext = xNext;
    m.xEof = xEof;
    m.xColumn = xColumn;
    m.xRowid = xRowid;
    m.xUpdate = xUpdate;
    m.xBegin = xBegin;
    m.xSync = xSync;
    m.xCommit = xCommit;
    m.xRollback = xRollback;
    return m;
}

sqlite3 *connection()
{
    static sqlite3 *db = nullptr;
    static sqlite3_module module = makeModule();
    if (db) return db;
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
        throw Error(QStringLiteral("Не удаётся запустить обработчик запросов."));
    sqlite3_create_module(db, "kvdbf", &module, nullptr);
    sqlite3_create_collation(db, "KVCP1251", SQLITE_UTF8, nullptr, collateCp1251);
    return db;
}

QString sqlError(sqlite3 *db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

// Virtual tables of one statement, dropped when it ends.
class Tables
{
public:
    explicit Tables(sqlite3 *db) : m_db(db) {}
    ~Tables()
    {
        for (const QString &n : m_names) {
            const QByteArray sql = QStringLiteral("DROP TABLE IF EXISTS temp.\"%1\"").arg(n).toUtf8();
            sqlite3_exec(m_db, sql.constData(), nullptr, nullptr, nullptr);
        }
    }
    QString nameFor(const QString &path)
    {
        const QString key = TableStore::canonicalPath(path);
        auto it = m_byPath.find(key);
        if (it != m_byPath.end()) return it.value();
        static int counter = 0;
        const QString name = QStringLiteral("kvt_%1").arg(++counter);
        QString lit = key;
        lit.replace(QLatin1Char('\''), QLatin1String("''"));
        const QByteArray sql =
            QStringLiteral("CREATE VIRTUAL TABLE temp.\"%1\" USING kvdbf('%2')").arg(name, lit).toUtf8();
        char *err = nullptr;
        if (sqlite3_exec(m_db, sql.constData(), nullptr, nullptr, &err) != SQLITE_OK) {
            const QString msg = QString::fromUtf8(err ? err : "");
            sqlite3_free(err);
            throw Error(msg);
        }
        m_names << name;
        m_byPath.insert(key, name);
        return name;
    }

private:
    sqlite3 *m_db;
    QStringList m_names;
    QHash<QString, QString> m_byPath;
};

void bindValue(sqlite3_stmt *st, int idx, const QVariant &v)
{
    if (!v.isValid() || v.isNull()) {
        sqlite3_bind_null(st, idx);
        return;
    }
    switch (v.metaType().id()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Short: case QMetaType::UShort: case QMetaType::Long: case QMetaType::ULong:
        sqlite3_bind_int64(st, idx, v.toLongLong());
        return;
    case QMetaType::Bool:
        sqlite3_bind_int(st, idx, v.toBool() ? 1 : 0);
        return;
    case QMetaType::Double: case QMetaType::Float:
        sqlite3_bind_double(st, idx, v.toDouble());
        return;
    case QMetaType::QDate: {
        const QByteArray b = v.toDate().toString(QStringLiteral("yyyy-MM-dd")).toUtf8();
        sqlite3_bind_text(st, idx, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        return;
    }
    default: {
        const QByteArray b = v.toString().toUtf8();
        sqlite3_bind_text(st, idx, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        return;
    }
    }
}

struct StmtGuard
{
    sqlite3_stmt *st = nullptr;
    ~StmtGuard() { sqlite3_finalize(st); }
};

FieldDef defFromDecl(const QString &name, const char *decl)
{
    FieldDef d;
    d.name = name;
    const QString t = QString::fromUtf8(decl ? decl : "").toUpper();
    static const QRegularExpression charRe(QStringLiteral("^CHAR\\((\\d+)\\)"));
    const auto m = charRe.match(t);
    if (m.hasMatch()) { d.type = FieldType::String; d.size = m.captured(1).toInt(); }
    else if (t.startsWith(QLatin1String("SMALLINT"))) d.type = FieldType::SmallInt;
    else if (t.startsWith(QLatin1String("INTEGER"))) d.type = FieldType::Integer;
    else if (t.startsWith(QLatin1String("FLOAT"))) d.type = FieldType::Float;
    else if (t.startsWith(QLatin1String("DATE"))) d.type = FieldType::Date;
    else if (t.startsWith(QLatin1String("BOOLEAN"))) d.type = FieldType::Boolean;
    else if (t.startsWith(QLatin1String("MEMO"))) d.type = FieldType::Memo;
    else d.type = FieldType::Unknown;
    return d;
}

} // namespace

// ==================================================================== Query

Query::Query(QObject *parent) : DataSet(parent) {}

Query::~Query() { Close(); }

void Query::SetSQL(const QString &text)
{
    Close();
    m_sql = text;
    ClearParams();
}

void Query::AddSQL(const QString &line)
{
    Close();
    if (!m_sql.isEmpty()) m_sql += QStringLiteral("\r\n");
    m_sql += line;
}

void Query::ClearSQL() { SetSQL(QString()); }

void Query::SetParam(const QString &name, const QVariant &value)
{
    QString n = name.startsWith(QLatin1Char(':')) ? name : QLatin1Char(':') + name;
    for (auto &p : m_named) {
        if (p.first.compare(n, Qt::CaseInsensitive) == 0) {
            p.second = value;
            return;
        }
    }
    m_named.append({n, value});
}

void Query::SetParams(const QVariantList &values) { m_positional = values; }

void Query::ClearParams()
{
    m_named.clear();
    m_positional.clear();
}

QString Query::QuotePath(const QString &path) { return quoteTablePath(path); }

void Query::run(bool wantRows)
{
    sqlite3 *db = connection();
    // Cursors on the tables hear of the changes once the statement is over.
    TableStore::NotificationHold hold;
    Tables tables(db);
    const QString text = rewriteSql(m_sql, [&](const QString &path) { return tables.nameFor(path); });
    StmtGuard g;
    const QByteArray utf = text.toUtf8();
    if (sqlite3_prepare_v2(db, utf.constData(), int(utf.size()), &g.st, nullptr) != SQLITE_OK)
        throw Error(QStringLiteral("Ошибка в запросе: %1").arg(sqlError(db)));
    if (!g.st) throw Error(QStringLiteral("Ошибка в запросе: пустой текст запроса"));
    const int nParams = sqlite3_bind_parameter_count(g.st);
    int positional = 0;
    for (int i = 1; i <= nParams; ++i) {
        const char *pn = sqlite3_bind_parameter_name(g.st, i);
        if (!pn || pn[0] == '?') {
            if (positional >= m_positional.size())
                throw Error(QStringLiteral("Параметр %1 не задан").arg(positional + 1));
            bindValue(g.st, i, m_positional.value(positional++));
            continue;
        }
        const QString name = QString::fromUtf8(pn);
        bool found = false;
        for (const auto &p : m_named) {
            if (p.first.compare(name, Qt::CaseInsensitive) == 0) {
                bindValue(g.st, i, p.second);
                found = true;
                break;
            }
        }
        if (!found) throw Error(QStringLiteral("Параметр '%1' не задан").arg(name.mid(1)));
    }
    const int cols = sqlite3_column_count(g.st);
    if (wantRows) {
        m_defs.clear();
        m_rows.clear();
        QStringList names;
        for (int c = 0; c < cols; ++c) {
            QString name = QString::fromUtf8(sqlite3_column_name(g.st, c));
            QString unique = name;
            for (int k = 1; names.contains(unique, Qt::CaseInsensitive); ++k)
                unique = QStringLiteral("%1_%2").arg(name).arg(k);
            names << unique;
            m_defs << defFromDecl(unique, sqlite3_column_decltype(g.st, c));
        }
    }
    for (;;) {
        const int rc = sqlite3_step(g.st);
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) {
            const QString msg = sqlError(db);
            throw Error(msg);
        }
        if (!wantRows) continue;
        QVariantList row;
        row.reserve(cols);
        for (int c = 0; c < cols; ++c) {
            sqlite3_value *v = sqlite3_column_value(g.st, c);
            row << fromSqlite(v);
        }
        m_rows.push_back(std::move(row));
    }
    m_rowsAffected = wantRows ? 0 : sqlite3_changes(db);
    if (!wantRows) return;
    // Columns of expressions take their type from the values.
    for (int c = 0; c < cols; ++c) {
        FieldDef &d = m_defs[c];
        if (d.type == FieldType::Unknown) {
            bool anyReal = false, anyText = false, anyInt = false, big = false;
            int len = 1;
            for (const QVariantList &r : m_rows) {
                const QVariant &v = r[c];
                switch (v.metaType().id()) {
                case QMetaType::Double: anyReal = true; break;
                case QMetaType::LongLong: {
                    anyInt = true;
                    const qint64 x = v.toLongLong();
                    if (x < std::numeric_limits<int>::min() || x > std::numeric_limits<int>::max()) big = true;
                    break;
                }
                case QMetaType::QString: anyText = true; len = std::max(len, int(v.toString().size())); break;
                default: break;
                }
            }
            if (anyText) { d.type = FieldType::String; d.size = len; }
            else if (anyReal) d.type = FieldType::Float;
            else if (anyInt) d.type = big ? FieldType::LargeInt : FieldType::Integer;
            else { d.type = FieldType::Float; }
        }
        // Values in the storage form of the column type.
        for (QVariantList &r : m_rows) {
            QVariant &v = r[c];
            if (!v.isValid() || v.isNull()) continue;
            bool ok = true;
            QVariant conv = coerceValue(d.type, v, &ok);
            if (ok) v = conv;
        }
    }
}

void Query::InternalOpen()
{
    if (m_sql.trimmed().isEmpty()) throw Error(QStringLiteral("Ошибка в запросе: пустой текст запроса"));
    run(true);
}

void Query::InternalRefresh()
{
    const QList<FieldDef> before = m_defs;
    run(true);
    // The same statement gives the same columns; keep the fields bound.
    if (m_defs.size() != before.size()) throw Error(QStringLiteral("Ошибка в запросе: изменился состав полей"));
}

void Query::InternalClose()
{
    m_rows.clear();
    m_defs.clear();
}

void Query::ExecSQL()
{
    Close();
    if (m_sql.trimmed().isEmpty()) throw Error(QStringLiteral("Ошибка в запросе: пустой текст запроса"));
    run(false);
}

int Query::Exec(const QString &sql, const QVariantList &params)
{
    Query q;
    q.SetSQL(sql);
    q.SetParams(params);
    q.ExecSQL();
    return q.RowsAffected();
}

qint64 Query::InternalInsert(int, const QVariantList &)
{
    throw Error(QStringLiteral("Невозможно изменить набор данных, открытый только для чтения"));
}

void Query::InternalUpdate(int, const QVariantList &)
{
    throw Error(QStringLiteral("Невозможно изменить набор данных, открытый только для чтения"));
}

void Query::InternalDelete(int)
{
    throw Error(QStringLiteral("Невозможно изменить набор данных, открытый только для чтения"));
}

Query *OpenQuery(const QString &sql, const QVariantList &params)
{
    auto *q = new Query;
    try {
        q->SetSQL(sql);
        q->SetParams(params);
        q->Open();
        return q;
    } catch (...) {
        delete q;
        return nullptr;
    }
}

} // namespace kv

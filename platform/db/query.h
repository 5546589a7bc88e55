#pragma once
// The program's SQL statements over dBASE files, executed by SQLite. Each
// double-quoted table path maps to its file's shared store (TableStore)
// through a virtual table, so statements and cursors see the same rows.
// Open runs a select and gives a read-only data set of its rows; ExecSQL runs
// insert, update and delete (one statement; all of it or nothing reaches the
// files).
//
// Text from a user or a file never goes into the statement: write a
// parameter (":Name" or "?") and bind the value with SetParam/SetParams.
#include "platform/db/dataset.h"

#include <QString>
#include <QVariantList>

#include <vector>

namespace kv {

class Query : public DataSet
{
public:
    explicit Query(QObject *parent = nullptr);
    ~Query() override;

    // The statement text; lines added with AddSQL are joined by CR LF.
    // Changing the text closes the query and forgets the parameters.
    void SetSQL(const QString &text);
    void AddSQL(const QString &line);
    void ClearSQL();
    QString SQL() const { return m_sql; }

    void SetParam(const QString &name, const QVariant &value);   // ":name"
    void SetParams(const QVariantList &values);                  // "?" in order
    void ClearParams();

    void ExecSQL();
    int RowsAffected() const { return m_rowsAffected; }

    // Runs one statement that needs no result (a convenience for callers).
    static int Exec(const QString &sql, const QVariantList &params = {});
    // "<folder>/<name>" quoted for a statement.
    static QString QuotePath(const QString &path);

protected:
    QList<FieldDef> InternalFieldDefs() const override { return m_defs; }
    void InternalOpen() override;
    void InternalClose() override;
    int InternalRecordCount() const override { return int(m_rows.size()); }
    qint64 InternalRecordId(int pos) const override { return pos + 1; }
    int InternalFindId(qint64 id) const override
    {
        return id >= 1 && id <= qint64(m_rows.size()) ? int(id - 1) : -1;
    }
    void InternalReadRecord(int pos, QVariantList &values) const override { values = m_rows[size_t(pos)]; }
    qint64 InternalInsert(int, const QVariantList &) override;
    void InternalUpdate(int, const QVariantList &) override;
    void InternalDelete(int) override;
    bool InternalCanModify() const override { return false; }
    void InternalRefresh() override;   // runs the select again

private:
    void run(bool wantRows);

    QString m_sql;
    QList<QPair<QString, QVariant>> m_named;
    QVariantList m_positional;
    QList<FieldDef> m_defs;
    std::vector<QVariantList> m_rows;
    int m_rowsAffected = 0;
};

// Creates a query holding the one statement and opens it; null when opening
// fails. The caller owns the query.
Query *OpenQuery(const QString &sql, const QVariantList &params = {});

} // namespace kv

#pragma once
// A data set held in memory for tests: field definitions and rows, each row
// with an id that stays with it, nothing on disk. Tests reach into `recs` to
// check what was written or to change rows behind the cursor's back.
#include "platform/db/dataset.h"
#include "platform/error.h"

#include <QList>
#include <QVariantList>

#include <utility>

namespace kv::test {

class MemDataSet : public DataSet
{
public:
    struct Rec { qint64 id; QVariantList v; };

    QList<FieldDef> defs;
    QList<Rec> recs;
    qint64 next = 1;
    bool failWrites = false;   // changes of rows throw, as a locked file would
    bool refuses = false;      // takes no changes at all (read-only)

    explicit MemDataSet(QList<FieldDef> fields = {}, const QList<QVariantList> &rows = {}, QObject *parent = nullptr)
        : DataSet(parent), defs(std::move(fields))
    {
        for (const QVariantList &r : rows) addRow(r);
    }
    ~MemDataSet() override { Close(); }

    // A row put straight into the store, past the cursor and its events.
    void addRow(QVariantList values) { recs.append({next++, std::move(values)}); }

protected:
    QList<FieldDef> InternalFieldDefs() const override { return defs; }
    void InternalOpen() override {}
    void InternalClose() override {}
    int InternalRecordCount() const override { return int(recs.size()); }
    qint64 InternalRecordId(int pos) const override { return recs[pos].id; }
    int InternalFindId(qint64 id) const override
    {
        for (int i = 0; i < recs.size(); ++i)
            if (recs[i].id == id) return i;
        return -1;
    }
    void InternalReadRecord(int pos, QVariantList &values) const override { values = recs[pos].v; }
    qint64 InternalInsert(int before, const QVariantList &values) override
    {
        const Rec r{next++, values};
        if (before < 0) recs.append(r);
        else recs.insert(before, r);
        return r.id;
    }
    void InternalUpdate(int pos, const QVariantList &values) override
    {
        if (failWrites) throw Error(QStringLiteral("запись невозможна"));
        recs[pos].v = values;
    }
    void InternalDelete(int pos) override { recs.removeAt(pos); }
    bool InternalCanModify() const override { return !refuses; }
};

} // namespace kv::test

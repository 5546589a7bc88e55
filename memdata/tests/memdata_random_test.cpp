// A long random run of edits, sorting, filtering and searching, checked after
// every step against a plain model of what the table must show.
#include "memdata/tests/memtest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace kv;

namespace {

struct ModelRec {
    qint64 recId;
    QVariant code;
    QVariant name;
};

class Model
{
public:
    std::vector<ModelRec> recs;       // table order
    qint64 counter = 0;
    QString sortField;
    TMemSortOptions options;
    bool filtered = false;
    int cur = -1;                     // visible row

    bool accepts(const ModelRec &r) const
    {
        return !filtered || (r.code.isValid() && r.code.toInt() % 2 != 0);
    }
    std::vector<int> visible() const
    {
        std::vector<int> v;
        for (size_t i = 0; i < recs.size(); ++i)
            if (accepts(recs[i])) v.push_back(int(i));
        return v;
    }
    int rowOfRecId(qint64 id) const
    {
        const std::vector<int> v = visible();
        for (size_t r = 0; r < v.size(); ++r)
            if (recs[size_t(v[r])].recId == id) return int(r);
        return -1;
    }
    qint64 currentRecId() const
    {
        const std::vector<int> v = visible();
        return cur >= 0 && cur < int(v.size()) ? recs[size_t(v[size_t(cur)])].recId : -1;
    }
    int compare(const ModelRec &a, const ModelRec &b) const
    {
        int c = sortField == QLatin1String("Code")
            ? memCompareValues(MemFieldType::Integer, a.code, b.code, false)
            : memCompareValues(MemFieldType::String, a.name, b.name, options.testFlag(soCaseInsensitive));
        if (c == 0) c = a.recId < b.recId ? -1 : (a.recId > b.recId ? 1 : 0);
        return options.testFlag(soDesc) ? -c : c;
    }
    void sort()
    {
        if (sortField.isEmpty()) return;
        std::stable_sort(recs.begin(), recs.end(),
                         [this](const ModelRec &a, const ModelRec &b) { return compare(a, b) < 0; });
    }
    // Where the cursor goes after a change: the record when it is still
    // visible, else the same row as near as there is one.
    void follow(qint64 id, int oldCur)
    {
        const int row = rowOfRecId(id);
        const int n = int(visible().size());
        cur = row >= 0 ? row : (n == 0 ? -1 : std::clamp(oldCur, 0, n - 1));
    }
};

bool nameMatches(const QVariant &stored, const QVariant &key, LocateOptions o)
{
    if (!key.isValid()) return !stored.isValid();
    if (!stored.isValid()) return false;
    const QString s = stored.toString(), k = key.toString();
    if (o.partialKey) return s.size() >= k.size() && memCompareText(s.left(k.size()), k, o.caseInsensitive) == 0;
    return memCompareText(s, k, o.caseInsensitive) == 0;
}

const QVariant kNames[] = {QStringLiteral("Арбуз"), QStringLiteral("арбуз"), QStringLiteral("Борис"),
                           QStringLiteral("ёлка"), QStringLiteral("Елена"), QStringLiteral("яблоко"),
                           QStringLiteral("Abc"), QStringLiteral("abd"), QStringLiteral("ab"),
                           QStringLiteral("AB"), QVariant()};
const QVariant kKeys[] = {QStringLiteral("а"), QStringLiteral("Ар"), QStringLiteral("ab"), QStringLiteral("A"),
                          QStringLiteral("ё"), QStringLiteral("Е"), QStringLiteral("яблоко"),
                          QStringLiteral("арбуз"), QStringLiteral("z"), QVariant()};

// How the odd codes are kept: a filter handler or a filter text.
enum class FilterBy { Handler, Text };

// growth (0..3): share of extra appends and inserts, so tables grow to
// hundreds of rows and posts land between many visible and hidden rows.
void runSequence(unsigned seed, int steps, FilterBy by = FilterBy::Handler, int growth = 0)
{
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    auto randomCode = [&]() { return pick(8) == 0 ? QVariant() : QVariant(pick(12)); };
    auto randomName = [&]() { return kNames[pick(int(std::size(kNames)))]; };

    TMemData md;
    makeCodeName(md, false);
    md.Indexes().Add()->SetFieldName(QStringLiteral("Code"));
    md.Indexes().Add()->SetFieldName(QStringLiteral("Name"));
    if (by == FilterBy::Handler) {
        md.OnFilterRecord = [](DataSet &ds, bool &accept) {
            const QVariant v = ds.FieldByName(QStringLiteral("Code"))->Value();
            accept = v.isValid() && v.toInt() % 2 != 0;
        };
    } else {
        md.SetFilter(QStringLiteral("Code=1 or Code=3 or Code=5 or Code=7 or Code=9 or Code=11"));
    }
    md.Open();
    Model m;

    for (int step = 0; step < steps; ++step) {
        // Few inserts once there are rows, so that searches often meet an
        // index that is already built and has to follow edits and deletes.
        const int roll = pick(20);
        static const int kOps[20] = {0, 2, 3, 4, 4, 5, 5, 6, 7, 8, 9, 9, 9, 9, 10, 10, 10, 11, 12, 1};
        const int op = m.recs.size() < 6 ? 0 : (growth > 0 && pick(4) < growth) ? 2 * pick(2) : kOps[roll];
        QString what;
        const int oldCur = m.cur;
        const int n = int(m.visible().size());
        if (op <= 2) {                                        // append / insert
            const bool append = op != 2;
            const QVariant code = randomCode(), name = randomName();
            what = QStringLiteral("%1 %2 %3").arg(append ? "append" : "insert", code.toString(), name.toString());
            if (append) md.Append(); else md.Insert();
            md.FieldByName(QStringLiteral("Code"))->SetValue(code);
            md.FieldByName(QStringLiteral("Name"))->SetValue(name);
            md.Post();
            ModelRec r{++m.counter, code, name};
            if (!m.sortField.isEmpty() || append || oldCur < 0) {
                m.recs.push_back(r);
            } else {
                const int at = m.visible()[size_t(oldCur)];
                m.recs.insert(m.recs.begin() + at, r);
            }
            m.sort();
            m.follow(r.recId, oldCur);
        } else if (op <= 4 && n > 0) {                        // edit
            const QVariant code = randomCode(), name = randomName();
            const int field = pick(3);
            what = QStringLiteral("edit %1 %2 %3").arg(field).arg(code.toString(), name.toString());
            md.Edit();
            ModelRec &r = m.recs[size_t(m.visible()[size_t(m.cur)])];
            if (field != 1) { md.FieldByName(QStringLiteral("Code"))->SetValue(code); r.code = code; }
            if (field != 0) { md.FieldByName(QStringLiteral("Name"))->SetValue(name); r.name = name; }
            md.Post();
            const qint64 id = r.recId;
            m.sort();
            m.follow(id, oldCur);
        } else if (op == 5 && n > 0) {                        // delete
            what = QStringLiteral("delete");
            md.Delete();
            m.recs.erase(m.recs.begin() + m.visible()[size_t(m.cur)]);
            const int left = int(m.visible().size());
            m.cur = left == 0 ? -1 : std::min(oldCur, left - 1);
        } else if (op == 6) {                                 // sort field
            const QString f = QStringList{QString(), QStringLiteral("Code"), QStringLiteral("Name")}[pick(3)];
            what = QStringLiteral("sort by '%1'").arg(f);
            const qint64 id = m.currentRecId();
            md.SetSortedField(f);
            if (f != m.sortField) {
                m.sortField = f;
                m.sort();
                m.follow(id, oldCur);
            }
        } else if (op == 7) {                                 // sort options
            const TMemSortOptions o = TMemSortOptions::fromInt(pick(4));
            what = QStringLiteral("options %1").arg(o.toInt());
            const qint64 id = m.currentRecId();
            md.SetSortOptions(o);
            if (o != m.options) {
                m.options = o;
                m.sort();
                m.follow(id, oldCur);
            }
        } else if (op == 8) {                                 // filter on/off
            const bool on = !m.filtered;
            what = on ? QStringLiteral("filter on") : QStringLiteral("filter off");
            const qint64 id = m.currentRecId();
            md.SetFiltered(on);
            m.filtered = on;
            const int vis = int(m.visible().size());
            const int row = m.rowOfRecId(id);
            m.cur = vis == 0 ? -1 : (on || row < 0 ? 0 : row);
        } else if (op == 9) {                                 // locate a code
            const QVariant key = randomCode();
            what = QStringLiteral("locate code %1").arg(key.toString());
            const std::vector<int> v = m.visible();
            int found = -1;
            for (size_t r = 0; r < v.size() && found < 0; ++r) {
                const QVariant c = m.recs[size_t(v[r])].code;
                if (key.isValid() ? c.isValid() && c.toInt() == key.toInt() : !c.isValid()) found = int(r);
            }
            EXPECT_EQ(md.Locate(QStringLiteral("Code"), key), found >= 0) << what.toStdString();
            if (found >= 0) m.cur = found;
        } else if (op == 10) {                                // locate a name
            const QVariant key = kKeys[pick(int(std::size(kKeys)))];
            const LocateOptions o{pick(2) == 0, pick(2) == 0};
            what = QStringLiteral("locate name %1 ci=%2 partial=%3").arg(key.toString()).arg(o.caseInsensitive).arg(o.partialKey);
            const std::vector<int> v = m.visible();
            int found = -1;
            for (size_t r = 0; r < v.size() && found < 0; ++r)
                if (nameMatches(m.recs[size_t(v[r])].name, key, o)) found = int(r);
            EXPECT_EQ(md.Locate(QStringLiteral("Name"), key, o), found >= 0) << what.toStdString();
            if (found >= 0) m.cur = found;
        } else if (op == 11 && n > 0) {                       // move
            const int to = pick(n + 2);                       // sometimes out of range
            what = QStringLiteral("recno %1").arg(to);
            md.SetRecNo(to);
            if (to >= 1 && to <= n) m.cur = to - 1;
        } else if (op == 12) {                                // position by value
            const QVariant key = randomCode();
            what = QStringLiteral("recno of code %1").arg(key.toString());
            int expected = -1;
            for (size_t i = 0; i < m.recs.size() && expected < 0; ++i) {
                const QVariant c = m.recs[i].code;
                if (key.isValid() ? c.isValid() && c.toInt() == key.toInt() : !c.isValid()) expected = int(i) + 1;
            }
            EXPECT_EQ(md.GetRecNoByFieldValue(key, QStringLiteral("Code")), expected) << what.toStdString();
        } else {
            continue;
        }

        QStringList codes, names, ids;
        for (int i : m.visible()) {
            const ModelRec &r = m.recs[size_t(i)];
            codes << (r.code.isValid() ? r.code.toString() : QStringLiteral("<null>"));
            names << (r.name.isValid() ? r.name.toString() : QStringLiteral("<null>"));
            ids << QString::number(r.recId);
        }
        const std::string ctx = QStringLiteral("seed %1 step %2: %3").arg(seed).arg(step).arg(what).toStdString();
        ASSERT_EQ(column(md, QStringLiteral("RecId")), ids) << ctx;
        ASSERT_EQ(column(md, QStringLiteral("Code")), codes) << ctx;
        ASSERT_EQ(column(md, QStringLiteral("Name")), names) << ctx;
        ASSERT_EQ(md.RecordCount(), int(ids.size())) << ctx;
        ASSERT_EQ(md.RecNo(), m.cur + 1) << ctx;
        if (m.cur >= 0) {
            ASSERT_EQ(md.RecIdField()->Value().toLongLong(), m.currentRecId()) << ctx;
        }
    }
}

} // namespace

TEST(MemDataRandom, MatchesAPlainModel)
{
    for (unsigned seed = 1; seed <= 40; ++seed) {
        runSequence(seed, 400);
        if (testing::Test::HasFatalFailure()) return;
    }
}

TEST(MemDataRandom, LargerTablesWithAFilterTextFollowEveryPost)
{
    // Posts move one row of the visible list; hundreds of rows, half of them
    // hidden, let a wrong shift of the rows after it show.
    for (unsigned seed = 1; seed <= 10; ++seed) {
        runSequence(seed, 700, FilterBy::Text, 2);
        if (testing::Test::HasFatalFailure()) return;
    }
}

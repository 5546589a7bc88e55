#include "data/materials/borders.h"

#include "data/maps/mapdoc.h"
#include "data/paths.h"
#include "data/settings.h"
#include "platform/db/dataset.h"
#include "platform/db/query.h"
#include "platform/error.h"

#include <QRandomGenerator>
#include <QSet>

#include <cmath>
#include <limits>

namespace kv {

namespace {

constexpr qint64 kMax = std::numeric_limits<qint64>::max();
constexpr qint64 kMin = std::numeric_limits<qint64>::min();

int wholeInt(double v)
{
    if (!std::isfinite(v)) return 0;
    const double r = std::nearbyint(v);
    if (r > 2147483647.0) return 2147483647;
    if (r < -2147483648.0) return -2147483647 - 1;
    return int(r);
}

qint64 wholeInt64(double v)
{
    if (!std::isfinite(v)) return 0;
    const double r = std::nearbyint(v);
    if (r >= 9.2e18) return kMax;
    if (r <= -9.2e18) return kMin;
    return qint64(r);
}

quint32 colorOf(double v)
{
    // Colours are 32-bit values; system colours (0x800000nn) exceed int.
    return quint32(qint64(std::isfinite(v) ? std::nearbyint(v) : 0) & 0xFFFFFFFF);
}

qint64 fieldInt(const DataSet &ds, const char *name)
{
    Field *f = ds.FindField(QString::fromLatin1(name));
    if (!f || f->IsNull()) return 0;
    return wholeInt64(f->AsFloat());
}

} // namespace

qint64 SatAdd(qint64 a, qint64 b)
{
    qint64 r;
    if (__builtin_add_overflow(a, b, &r)) return b > 0 ? kMax : kMin;
    return r;
}

qint64 SatMul(qint64 a, qint64 b)
{
    qint64 r;
    if (__builtin_mul_overflow(a, b, &r)) return ((a < 0) != (b < 0)) ? kMin : kMax;
    return r;
}

// --- BorderTotals -------------------------------------------------------------

void BorderTotals::add(int code, qint64 mm)
{
    for (auto &line : m_lines) {
        if (line.first == code) {
            line.second = SatAdd(line.second, mm);
            return;
        }
    }
    m_lines.append({code, mm});
}

qint64 BorderTotals::total(int code) const
{
    for (const auto &line : m_lines)
        if (line.first == code) return line.second;
    return 0;
}

bool BorderTotals::contains(int code) const
{
    for (const auto &line : m_lines)
        if (line.first == code) return true;
    return false;
}

QStringList BorderTotals::toStrings() const
{
    QStringList out;
    for (const auto &line : m_lines) out << QStringLiteral("%1=%2").arg(line.first).arg(line.second);
    return out;
}

// --- BordersService -----------------------------------------------------------

BordersService::BordersService(Paths &paths, Settings &settings, QObject *parent)
    : QObject(parent), m_paths(paths), m_settings(settings)
{
    m_entries.append({0, kNoBorderColor, QString::fromUtf8(kNoBorderName), 0});
}

QString BordersService::BordersTable() const
{
    return m_paths.BordersTable();
}

void BordersService::LoadBorders()
{
    m_entries.clear();
    m_entries.append({0, kNoBorderColor, QString::fromUtf8(kNoBorderName), 0});
    struct Emit { BordersService *s; ~Emit() { emit s->BordersChanged(); } } notify{this};
    Query q;
    q.AddSQL(QStringLiteral("Select * from %1 b").arg(Query::QuotePath(BordersTable())));
    q.AddSQL(QStringLiteral("Order by b.\"Name\""));
    q.Open();
    Field *code = q.FieldByName(QStringLiteral("Code"));
    Field *color = q.FieldByName(QStringLiteral("Color"));
    Field *name = q.FieldByName(QStringLiteral("Name"));
    Field *pripusk = q.FieldByName(QStringLiteral("Pripusk"));
    for (q.First(); !q.Eof(); q.Next()) {
        BorderEntry e;
        e.code = code->IsNull() ? 0 : wholeInt(code->AsFloat());
        e.color = color->IsNull() ? 0 : colorOf(color->AsFloat());
        e.name = name->AsString();
        e.pripusk = pripusk->IsNull() ? 0 : wholeInt(pripusk->AsFloat());
        m_entries.append(e);
    }
}

QStringList BordersService::Codes() const
{
    QStringList out;
    for (const BorderEntry &e : m_entries) out << QString::number(e.code);
    return out;
}

QStringList BordersService::Colors() const
{
    QStringList out;
    for (const BorderEntry &e : m_entries) out << QString::number(e.color);
    return out;
}

QStringList BordersService::Names() const
{
    QStringList out;
    for (const BorderEntry &e : m_entries) out << e.name;
    return out;
}

QStringList BordersService::Pripusks() const
{
    QStringList out;
    for (const BorderEntry &e : m_entries) out << QString::number(e.pripusk);
    return out;
}

const BorderEntry *BordersService::find(int code) const
{
    for (const BorderEntry &e : m_entries)
        if (e.code == code) return &e;
    return nullptr;
}

QString BordersService::GetBorderName(int code) const
{
    const BorderEntry *e = find(code);
    return e ? e->name : QString();
}

quint32 BordersService::GetBorderColor(int code, quint32 def) const
{
    const BorderEntry *e = find(code);
    return e ? e->color : def;
}

int BordersService::GetBorderPripusk(int code) const
{
    const BorderEntry *e = find(code);
    return e ? e->pripusk : 0;
}

qint64 BordersService::AddBorderPripusk(qint64 length, int code) const
{
    return SatAdd(length, GetBorderPripusk(code));
}

QStringList BordersService::GetBordersList() const
{
    QStringList out;
    Query q;
    q.AddSQL(QStringLiteral("select * from %1 b").arg(Query::QuotePath(BordersTable())));
    q.AddSQL(QStringLiteral("order by b.\"Name\""));
    q.Open();
    Field *code = q.FieldByName(QStringLiteral("Code"));
    Field *name = q.FieldByName(QStringLiteral("Name"));
    for (q.First(); !q.Eof(); q.Next())
        out << QStringLiteral("%1=%2").arg(code->IsNull() ? 0 : wholeInt(code->AsFloat())).arg(name->AsString());
    return out;
}

void BordersService::LoadDefBorder()
{
    m_settings.LoadDefBorder();
}

int BordersService::DefBorder() const
{
    return m_settings.DefBorder();
}

void BordersService::AddBorderLength(BorderTotals &totals, qint64 length, int code, qint64 count) const
{
    totals.add(code, SatMul(count, AddBorderPripusk(length, code)));
}

BorderTotals BordersService::GetGroupBordersLength(DataSet &parts) const
{
    BorderTotals totals;
    if (!parts.Active() || parts.IsEmpty()) return totals;
    DataSet::ControlsLock lock(parts);
    const Bookmark here = parts.GetBookmark();
    for (parts.First(); !parts.Eof(); parts.Next()) {
        const qint64 count = fieldInt(parts, "Many");
        const qint64 length = fieldInt(parts, "Length");
        const qint64 width = fieldInt(parts, "Width");
        AddBorderLength(totals, length, int(fieldInt(parts, "TBorder")), count);
        AddBorderLength(totals, length, int(fieldInt(parts, "BBorder")), count);
        AddBorderLength(totals, width, int(fieldInt(parts, "LBorder")), count);
        AddBorderLength(totals, width, int(fieldInt(parts, "RBorder")), count);
    }
    if (!here.isNull() && parts.BookmarkValid(here)) parts.GotoBookmark(here);
    return totals;
}

BorderTotals BordersService::GetMapsBordersLength(const QList<BandedMap> &maps) const
{
    BorderTotals totals;
    for (const BandedMap &m : maps) {
        for (const BandedPart &p : m.parts) {
            AddBorderLength(totals, p.width, p.top, m.sheets);
            AddBorderLength(totals, p.width, p.bottom, m.sheets);
            AddBorderLength(totals, p.height, p.left, m.sheets);
            AddBorderLength(totals, p.height, p.right, m.sheets);
        }
    }
    return totals;
}

QList<BandedMap> BordersService::BandedMapsOf(const MapDocument &doc)
{
    QList<BandedMap> maps;
    for (const MapTab &tab : doc.Tabs) {
        if (!tab.Visible) continue;
        BandedMap m;
        m.sheets = tab.Quantity;
        for (const MapPart &p : tab.Parts)
            m.parts.append({p.RealWidth, p.RealHeight, p.TopBorder, p.BottomBorder, p.LeftBorder, p.RightBorder});
        maps.append(m);
    }
    return maps;
}

BorderTotals BordersService::GetMapsBordersLength(const MapDocument &doc) const
{
    return GetMapsBordersLength(BandedMapsOf(doc));
}

QStringList BordersService::FormatBordersLength(const BorderTotals &totals) const
{
    QStringList out;
    for (const auto &line : totals.lines()) {
        if (line.first == 0) continue;
        out << QStringLiteral("%1: %2 м").arg(GetBorderName(line.first), FormatLength(double(line.second) / 1000.0));
    }
    return out;
}

int BordersService::NextBorderCode(const QList<int> &used)
{
    const QSet<int> set(used.begin(), used.end());
    int c = 1;
    while (set.contains(c)) ++c;
    return c;
}

QString BordersService::CheckBorderCode(const QString &text, int currentCode, const QList<int> &used, int *code)
{
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok, 10);
    if (!ok) return QString::fromUtf8(bordertext::NotInteger);
    if (v < 1 || v > kMaxBorderCode) return QString::fromUtf8(bordertext::OutOfRange);
    if (int(v) != currentCode && used.contains(int(v))) return QString::fromUtf8(bordertext::InUse);
    if (code) *code = int(v);
    return QString();
}

int BordersService::RandomUnusedCode(const QString &tablePath, const QString &fieldName, int limit)
{
    if (limit < 2) throw Error(QStringLiteral("Нет свободного кода кромки."));
    QSet<int> used;
    {
        Query q;
        q.SetSQL(QStringLiteral("Select b.\"%1\" from %2 b").arg(fieldName, Query::QuotePath(tablePath)));
        q.Open();
        Field *f = q.FieldCount() > 0 ? q.Fields(0) : nullptr;
        for (q.First(); f && !q.Eof(); q.Next())
            if (!f->IsNull()) used.insert(wholeInt(f->AsFloat()));
    }
    const int free = [&] {
        int n = 0;
        for (int c = 1; c < limit; ++c) n += used.contains(c) ? 0 : 1;
        return n;
    }();
    if (free == 0) throw Error(QStringLiteral("Нет свободного кода кромки."));
    // A random free code, as the original drew them; counted so it always ends.
    int pick = int(QRandomGenerator::global()->bounded(free));
    for (int c = 1; c < limit; ++c) {
        if (used.contains(c)) continue;
        if (pick-- == 0) return c;
    }
    return 1;
}

} // namespace kv

#include "print/stats/sums.h"

#include <QCollator>
#include <QLocale>

#include "data/settings.h"

#include <algorithm>

namespace kv {

namespace {

const QChar CR(13);

} // namespace

StatLookups StatLookups::FromBorders(const BordersService &borders, std::function<QString(int code)> materialName)
{
    StatLookups l;
    l.materialName = std::move(materialName);
    const BordersService *b = &borders;
    l.borderName = [b](int code) { return b->GetBorderName(code); };
    l.borderAllowance = [b](int code) { return b->GetBorderPripusk(code); };
    l.borderKnown = [b](int code) {
        for (const BorderEntry &e : b->Entries())
            if (e.code == code) return true;
        return false;
    };
    return l;
}

QString SheetPartGroup::edges() const { return BordersToText(left, top, right, bottom); }

QString BordersToText(int left, int top, int right, int bottom)
{
    return QStringLiteral("%1,%2,%3,%4").arg(left).arg(top).arg(right).arg(bottom);
}

std::vector<SheetPartGroup> GetSheetDetals(const MapTab &tab)
{
    std::vector<SheetPartGroup> out;
    for (const MapPart &p : tab.Parts) {
        SheetPartGroup g{p.Title, p.RealWidth, p.RealHeight, 1, p.LeftBorder, p.TopBorder, p.RightBorder,
                         p.BottomBorder};
        auto same = std::find_if(out.begin(), out.end(), [&g](const SheetPartGroup &o) {
            return o.name == g.name && o.width == g.width && o.height == g.height && o.left == g.left &&
                   o.top == g.top && o.right == g.right && o.bottom == g.bottom;
        });
        if (same != out.end())
            ++same->count;
        else
            out.push_back(std::move(g));
    }
    return out;
}

namespace {

void addSide(BorderTotals &t, int code, int64_t side, int64_t count, const StatLookups &l)
{
    t.add(code, SatMul(count, SatAdd(side, l.BorderAllowance(code))));
}

BorderTotals knownOnly(const BorderTotals &t, const StatLookups &l)
{
    BorderTotals out;
    for (const auto &[code, mm] : t.lines())
        if (l.BorderKnown(code)) out.add(code, mm);
    return out;
}

} // namespace

BorderTotals SumBordersLength(const std::vector<SheetPartGroup> &parts, const StatLookups &lookups)
{
    BorderTotals t;
    for (const SheetPartGroup &g : parts) {
        addSide(t, g.left, g.height, g.count, lookups);
        addSide(t, g.top, g.width, g.count, lookups);
        addSide(t, g.right, g.height, g.count, lookups);
        addSide(t, g.bottom, g.width, g.count, lookups);
    }
    return knownOnly(t, lookups);
}

BorderTotals MapsBordersLength(const MapDocument &doc, const StatLookups &lookups)
{
    BorderTotals t;
    for (const MapTab &tab : doc.Tabs) {
        if (!CountsInStatistics(tab)) continue;
        const int64_t n = std::max<int64_t>(tab.Quantity, 0);
        for (const MapPart &p : tab.Parts) {
            addSide(t, p.TopBorder, p.RealWidth, n, lookups);
            addSide(t, p.BottomBorder, p.RealWidth, n, lookups);
            addSide(t, p.LeftBorder, p.RealHeight, n, lookups);
            addSide(t, p.RightBorder, p.RealHeight, n, lookups);
        }
    }
    return knownOnly(t, lookups);
}

BorderTotals WithoutNoBorder(const BorderTotals &t)
{
    BorderTotals out;
    for (const auto &[code, mm] : t.lines())
        if (code != 0) out.add(code, mm);
    return out;
}

QList<MaterialData> BuildScrapsInfo(const MapDocument &doc, const StatLookups &lookups)
{
    QList<MaterialData> out;
    for (const MapTab &tab : doc.Tabs) {
        const double s = double(tab.Quantity) * tab.ScrapSquare;
        const double l = double(tab.Quantity) * tab.LostSquare;
        auto it = std::find_if(out.begin(), out.end(), [&tab](const MaterialData &m) { return m.code == tab.MaterialCode; });
        if (it != out.end()) {
            it->scrap += s;
            it->lost += l;
        } else {
            out.append({tab.MaterialCode, lookups.MaterialName(tab.MaterialCode), s, l});
        }
    }
    // Names as the workshop's Windows sorted them, whatever the user's locale:
    // digits, then Latin, then Cyrillic in dictionary order with "Ё" beside
    // "Е" and capitals after small letters. (The Russian collation of ICU puts
    // Cyrillic before Latin; its root order is the one.) The exchange order
    // keeps equal names as the program always listed them.
    QCollator collator{QLocale(QLocale::English, QLocale::UnitedStates)};
    collator.setCaseSensitivity(Qt::CaseSensitive);
    for (qsizetype i = 0; i + 1 < out.size(); ++i)
        for (qsizetype j = i + 1; j < out.size(); ++j)
            if (collator.compare(out[i].name, out[j].name) > 0) std::swap(out[i], out[j]);
    return out;
}

// --- texts -----------------------------------------------------------------

QString AreaText(double mm2) { return FormatSquare(mm2 / 1000000.0) + QStringLiteral(" кв м"); }
QString LengthText(double mm) { return FormatLength(mm / 1000.0) + QStringLiteral(" м"); }
QString ShareText(double part, double whole) { return FormatLength(Percent(part, whole)); }   // the length digits
QString ScrapsInfoArea(double mm2) { return FormatWithDigits(mm2 / 1000000.0, 3); }

VariantFigures FiguresOf(const MapTotals &t)
{
    return {AreaText(t.LostSquare), AreaText(t.ScrapSquare), AreaText(t.TotalSquare), AreaText(t.DetalsSquare),
            QString::number(t.MillCount), LengthText(t.MillLength)};
}

QString BordersLines(const BorderTotals &t, const StatLookups &lookups)
{
    QString s;
    for (const auto &[code, mm] : t.lines())
        s += QStringLiteral("%1: %2").arg(lookups.BorderName(code), LengthText(double(mm))) + CR;
    return s;
}

namespace {

QString bordersBlock(const BorderTotals &t, const StatLookups &lookups)
{
    if (t.isEmpty()) return QString();
    return CR + QStringLiteral("Расход кромки: ") + CR + BordersLines(t, lookups);
}

} // namespace

QString TotalDataText(const MapDocument &doc, const BorderTotals &variantBorders, const StatLookups &lookups)
{
    const MapTotals t = doc.Totals();
    const VariantFigures f = FiguresOf(t);
    auto share = [&t](const QString &label, const QString &area, double value) {
        return QStringLiteral("%1 %2 (%3%)").arg(label, area, ShareText(value, t.SheetArea)) + CR;
    };
    QString s = share(QStringLiteral("Бесполезный отход:"), f.lost, t.LostSquare) +
                share(QStringLiteral("Полезный отход:"), f.scrap, t.ScrapSquare) +
                share(QStringLiteral("Полный отход:"), f.total, t.TotalSquare) +
                share(QStringLiteral("Площадь деталей:"), f.detals, t.DetalsSquare) +
                QStringLiteral("Общее кол-во резов: ") + f.millCount + CR + QStringLiteral("Общая длина резов: ") +
                f.millLength + CR;
    s += bordersBlock(WithoutNoBorder(variantBorders), lookups);
    if (!s.trimmed().isEmpty()) s = QStringLiteral("---------") + CR + s;
    return s;
}

SheetReportTexts SheetTexts(const MapTab &tab, const StatLookups &lookups)
{
    const double a = double(tab.SheetArea());
    auto area = [a](const QString &label, double v) {
        return QStringLiteral("%1%2%3 (%4%)").arg(label, FormatSquare(v / 1000000.0), QStringLiteral(" кв м"),
                                                   ShareText(v, a));
    };
    SheetReportTexts r;
    const QString title = tab.SheetName.isEmpty() ? QString() : QStringLiteral(" (") + tab.SheetName + QLatin1Char(')');
    r.sheetInfo = QStringLiteral("Лист%1: %2 x %3").arg(title, QString::number(tab.RealWidth),
                                                        QString::number(tab.RealHeight)) +
                  CR + QStringLiteral(" (%1)").arg(lookups.MaterialName(tab.MaterialCode)) +
                  (tab.Quantity >= 2 ? QStringLiteral("; Кол-во: %1").arg(tab.Quantity) : QString());
    r.lostScrap = area(QStringLiteral("Бесполезный отход: "), tab.LostSquare);
    r.scrap = area(QStringLiteral("Полезный отход: "), tab.ScrapSquare);
    r.totalScrap = area(QStringLiteral("Полный отход: "), tab.TotalSquare);
    r.millLinesCount = QStringLiteral("Количество резов: %1").arg(tab.MillLinesCount);
    r.millLinesLength = QStringLiteral("Длина резов: ") + LengthText(tab.MillLinesLength);
    r.bordersList = bordersBlock(WithoutNoBorder(SumBordersLength(GetSheetDetals(tab), lookups)), lookups);
    return r;
}

} // namespace kv

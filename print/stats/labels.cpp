#include "print/stats/labels.h"

#include "platform/db/dataset.h"
#include "platform/ini.h"

#include <cmath>

namespace kv {

namespace {

const QChar CR(13);

QString sizeText(int64_t w, int64_t h) { return QStringLiteral("%1 x %2").arg(w).arg(h); }

} // namespace

QString EdgeLabelText(int left, int right, int top, int bottom, const StatLookups &lookups)
{
    const struct { int code; const char *prefix; } sides[] = {{left, "л: "}, {right, "пр: "}, {top, "в: "}, {bottom, "н: "}};
    QString s;
    for (const auto &side : sides)
        if (side.code > 0) s += QString::fromUtf8(side.prefix) + lookups.BorderName(side.code) + CR;
    return s;
}

DetalLabelLists GetDetalsLabels(const MapDocument &doc, const StatLookups &lookups)
{
    DetalLabelLists l;
    for (const MapTab &tab : doc.Tabs) {
        if (!CountsInStatistics(tab)) continue;
        const QString material = lookups.MaterialName(tab.MaterialCode);
        for (const MapPart &p : tab.Parts) {
            const QString size = sizeText(p.RealWidth, p.RealHeight);
            const QString edges = EdgeLabelText(p.LeftBorder, p.RightBorder, p.TopBorder, p.BottomBorder, lookups);
            for (int n = 0; n < tab.Quantity; ++n) {
                l.names << p.Title;
                l.sizes << size;
                l.materials << material;
                l.comments << tab.Remark;
                l.edges << edges;
            }
        }
    }
    return l;
}

ScrapsLabelLists GetScrapsLabels(const MapDocument &doc, const StatLookups &lookups)
{
    ScrapsLabelLists l;
    for (const MapTab &tab : doc.Tabs) {
        if (!CountsInStatistics(tab)) continue;
        const QString material = lookups.MaterialName(tab.MaterialCode);
        for (const MapScrap &s : tab.Scraps) {
            if (s.ScrapType != stNormalScrap) continue;   // waste gets no sticker
            const QString size = sizeText(s.RealWidth, s.RealHeight);
            for (int n = 0; n < tab.Quantity; ++n) {
                l.names << s.ScrapName;
                l.sizes << size;
                l.materials << material;
                l.comments << tab.Remark;
            }
        }
    }
    return l;
}

DetalLabelLists PartBaseLabels(DataSet &t, const StatLookups &lookups)
{
    DetalLabelLists l;
    if (!t.Active()) return l;
    DataSet::ControlsLock lock(t);
    const Bookmark here = t.GetBookmark();
    auto num = [&t](const char *field) { return int64_t(std::llround(t.FieldByName(QString::fromLatin1(field))->AsFloat())); };
    for (t.First(); !t.Eof(); t.Next()) {
        const QString name = t.FieldByName(QStringLiteral("NAME"))->AsString();
        const QString size = sizeText(num("LENGTH"), num("WIDTH"));
        const QString material = lookups.MaterialName(int(num("MATERIAL")));
        const QString edges =
            EdgeLabelText(int(num("LBORDER")), int(num("RBORDER")), int(num("TBORDER")), int(num("BBORDER")), lookups);
        for (int64_t n = num("MANY"); n > 0; --n) {
            l.names << name;
            l.sizes << size;
            l.materials << material;
            l.comments << QString();
            l.edges << edges;
        }
    }
    if (here && t.BookmarkValid(here)) t.GotoBookmark(here);
    return l;
}

LabelSettings ReadLabelSettings(const TIniFile &ini, const QString &s, bool parts)
{
    LabelSettings d, r;
    r.width = ini.ReadInteger(s, QStringLiteral("Width"), d.width);
    r.height = ini.ReadInteger(s, QStringLiteral("Height"), d.height);
    r.name = ini.ReadBool(s, QStringLiteral("cbxName"), d.name);
    r.dim = ini.ReadBool(s, QStringLiteral("cbxDim"), d.dim);
    r.material = ini.ReadBool(s, QStringLiteral("cbxMaterial"), d.material);
    r.comment = ini.ReadBool(s, QStringLiteral("cbxComment"), d.comment);
    if (parts) r.borders = ini.ReadBool(s, QStringLiteral("cbxBorders"), d.borders);
    r.drawBorder = ini.ReadBool(s, QStringLiteral("cbxDrawBorder"), d.drawBorder);
    r.wordWrap = ini.ReadBool(s, QStringLiteral("cbxWordWrap"), d.wordWrap);
    r.alignment = ini.ReadInteger(s, QStringLiteral("rgrAlignment"), d.alignment);
    if (r.alignment < 0 || r.alignment > 2) r.alignment = 0;
    r.fontName = ini.ReadString(s, QStringLiteral("Font_Name"), d.fontName);
    r.fontSize = ini.ReadInteger(s, QStringLiteral("Font_Size"), d.fontSize);
    r.bold = ini.ReadBool(s, QStringLiteral("Font_Style_Bold"), d.bold);
    r.italic = ini.ReadBool(s, QStringLiteral("Font_Style_Italic"), d.italic);
    r.charset = ini.ReadInteger(s, QStringLiteral("Font_Charset"), d.charset);
    return r;
}

void WriteLabelSettings(TIniFile &ini, const QString &s, bool parts, const LabelSettings &r)
{
    ini.Update([&] {
        ini.WriteInteger(s, QStringLiteral("Width"), r.width);
        ini.WriteInteger(s, QStringLiteral("Height"), r.height);
        ini.WriteBool(s, QStringLiteral("cbxName"), r.name);
        ini.WriteBool(s, QStringLiteral("cbxDim"), r.dim);
        ini.WriteBool(s, QStringLiteral("cbxMaterial"), r.material);
        ini.WriteBool(s, QStringLiteral("cbxComment"), r.comment);
        if (parts) ini.WriteBool(s, QStringLiteral("cbxBorders"), r.borders);
        ini.WriteBool(s, QStringLiteral("cbxDrawBorder"), r.drawBorder);
        ini.WriteBool(s, QStringLiteral("cbxWordWrap"), r.wordWrap);
        ini.WriteInteger(s, QStringLiteral("rgrAlignment"), r.alignment);
        ini.WriteString(s, QStringLiteral("Font_Name"), r.fontName);
        ini.WriteInteger(s, QStringLiteral("Font_Size"), r.fontSize);
        ini.WriteBool(s, QStringLiteral("Font_Style_Bold"), r.bold);
        ini.WriteBool(s, QStringLiteral("Font_Style_Italic"), r.italic);
        ini.WriteInteger(s, QStringLiteral("Font_Charset"), r.charset);
    });
}

QString DetalLabelText(const DetalLabelLists &l, int i, const LabelSettings &s)
{
    if (i < 0 || i >= l.count()) return QString();
    QString t;
    if (s.name) t += l.names.value(i) + CR;
    if (s.dim) t += l.sizes.value(i) + CR;
    if (s.material) t += l.materials.value(i) + CR;
    if (s.comment) t += l.comments.value(i) + CR;
    if (s.borders) t += l.edges.value(i);
    return t;
}

QString ScrapLabelText(const ScrapsLabelLists &l, int i, const LabelSettings &s)
{
    if (i < 0 || i >= l.count()) return QString();
    QString t;
    if (s.name) t += l.names.value(i) + CR;
    if (s.dim) t += l.sizes.value(i) + CR;
    if (s.material) t += l.materials.value(i) + CR;
    if (s.comment) t += l.comments.value(i);
    return t;
}

double LabelUnits(int mm) { return double(mm) / 5.0 * 18.0; }

LabelGrid LabelLayout(int widthMm, int heightMm, int printableWidth, int printableHeight)
{
    LabelGrid g;
    if (widthMm <= 0 || heightMm <= 0) {
        g.error = QString::fromUtf8(labeltext::ZeroSize);
        return g;
    }
    g.cellWidth = int(std::lround(LabelUnits(widthMm)));
    g.cellHeight = int(std::lround(LabelUnits(heightMm)));
    g.columns = printableWidth > 0 ? printableWidth / g.cellWidth : 0;
    g.rows = printableHeight > 0 ? printableHeight / g.cellHeight : 0;
    if (g.columns < 1 || g.rows < 1) g.error = QString::fromUtf8(labeltext::TooLarge);
    return g;
}

} // namespace kv

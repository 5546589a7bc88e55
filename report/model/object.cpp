#include "report/model/object.h"

#include <algorithm>
#include <cmath>

#include "platform/error.h"
#include "platform/text.h"
#include "report/core/utils.h"
#include "report/model/page.h"
#include "report/model/views.h"
#include "report/script/scriptengine.h"

namespace {

TrpReportLink &nullReport()
{
    static TrpReportLink r;
    return r;
}

QString up(const QString &s) { return kv::upperCase(s); }

} // namespace

TrpValue TrpReportLink::Calculate(const QString &expression) { return rpEngine().Calculate(expression); }

TrpObjectState &rpObjects()
{
    static TrpObjectState s;
    return s;
}

TrpReportLink &rpReport()
{
    TrpReportLink *r = rpObjects().Report;
    return r ? *r : nullReport();
}

int rpRound(double v) { return rpSaturate(std::nearbyint(v)); }

// ---------------------------------------------------------------- TrpObject

void TrpObject::AddProperty(const QString &name, int kind, std::function<void(TrpObject *)> editor,
                            TrpObject *editorObject)
{
    TrpPropertyRecord r;
    r.Name = name.left(32);
    r.Kind = kind;
    r.Editor = std::move(editor);
    r.EditorObject = editorObject;
    m_props.push_back(std::move(r));
}

void TrpObject::AddEnumProperty(const QString &name, const QString &valueNames, const QList<TrpValue> &values)
{
    TrpPropertyRecord r;
    r.Name = name.left(32);
    r.Kind = rpkEnum;
    r.EnumNames = SplitList(valueNames);
    r.EnumValues = values;
    if (r.EnumValues.isEmpty())
        for (qsizetype i = 0; i < r.EnumNames.size(); ++i) r.EnumValues << TrpValue::null();
    m_props.push_back(std::move(r));
}

const std::vector<TrpPropertyRecord> &TrpObject::PropertyTable()
{
    if (m_props.empty()) BuildPropertyTable();
    return m_props;
}

const TrpPropertyRecord *TrpObject::FindProperty(const QString &name)
{
    for (const TrpPropertyRecord &r : PropertyTable())
        if (kv::sameText(r.Name, name)) return &r;
    return nullptr;
}

// ---------------------------------------------------------------- font and list helpers

bool SetFontProperty(TrpFont &font, const QString &upperName, const TrpValue &value)
{
    if (upperName == QLatin1String("FONT.NAME")) font.name = value.toText();
    else if (upperName == QLatin1String("FONT.SIZE")) font.size = rpFontSize(value.toInt32());
    else if (upperName == QLatin1String("FONT.STYLE")) font.style = StreamToFontStyle(value.toInt32());
    else if (upperName == QLatin1String("FONT.COLOR")) font.color = value.toInt32();
    else return false;
    return true;
}

bool GetFontProperty(const TrpFont &font, const QString &upperName, TrpValue &value)
{
    if (upperName == QLatin1String("FONT.NAME")) value = font.name;
    else if (upperName == QLatin1String("FONT.SIZE")) value = font.size;
    else if (upperName == QLatin1String("FONT.STYLE")) value = FontStyleToStream(font.style);
    else if (upperName == QLatin1String("FONT.COLOR")) value = int(font.color);
    else return false;
    return true;
}

TrpValue TrpView::CallListMethod(QStringList &list, const QString &method, const QString &listName,
                                 const TrpValue &p1, const TrpValue &p2, const TrpValue &p3)
{
    const QString ln = up(listName);
    auto evaluated = [](const TrpValue &v) { return rpReport().Calculate(v.toText()); };
    if (method == QLatin1String("SETINDEXPROPERTY")) {
        if (up(p1.toText()) == ln) {
            const int i = p2.toInt32();
            if (i >= 0 && i < list.size()) list[i] = p3.toText();
        }
        return TrpValue::null();
    }
    if (method == QLatin1String("GETINDEXPROPERTY")) {
        if (up(p1.toText()) == ln) {
            const int i = p2.toInt32();
            if (i >= 0 && i < list.size()) return list[i];
            return QString();
        }
        return TrpValue::null();
    }
    if (method == ln + QLatin1String(".ADD")) {
        list << evaluated(p1).toText();
    } else if (method == ln + QLatin1String(".CLEAR")) {
        list.clear();
    } else if (method == ln + QLatin1String(".DELETE")) {
        const int i = evaluated(p1).toInt32();
        if (i >= 0 && i < list.size()) list.removeAt(i);
    } else if (method == ln + QLatin1String(".INDEXOF")) {
        return int(list.indexOf(evaluated(p1).toText()));
    }
    return TrpValue::null();
}

// ---------------------------------------------------------------- TrpView

TrpView::TrpView()
{
    DisplayFormat = (2 << 8) | '.';
    ObjectID = ++rpObjects().NextObjectID;
}

TrpView::~TrpView()
{
    TrpObjectState &st = rpObjects();
    if (st.CurView == this) st.CurView = nullptr;
}

QString TrpView::JoinLines(const QStringList &lines) { return lines.join(QStringLiteral("\r\n")); }

QStringList TrpView::SplitLines(const QString &text)
{
    if (text.isEmpty()) return {};
    if (!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n'))) return {text};
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (t.endsWith(QLatin1Char('\n'))) t.chop(1);
    return t.split(QLatin1Char('\n'));
}

QString TrpView::memoPropertyName() const { return QStringLiteral("Memo"); }

void TrpView::SetProperty(const QString &name, const TrpValue &value)
{
    const QString n = up(name);
    if (n == QLatin1String("NAME")) Name = value.toText();
    else if (n == QLatin1String("LEFT")) Left = rpCoord(value.toInt32());
    else if (n == QLatin1String("TOP")) Top = rpCoord(value.toInt32());
    else if (n == QLatin1String("WIDTH")) Width = rpCoord(value.toInt32());
    else if (n == QLatin1String("HEIGHT")) Height = rpCoord(value.toInt32());
    else if (n == QLatin1String("FLAGS")) Flags = quint16(value.toInt32());
    else if (n == QLatin1String("FRAMETYP")) FrameTyp = quint16(value.toInt32());
    else if (n == QLatin1String("FRAMEWIDTH")) FrameWidth = std::clamp(value.toFloat(), 0.0, kMaxFrameWidth);
    else if (n == QLatin1String("FRAMECOLOR")) FrameColor = value.toInt32();
    else if (n == QLatin1String("FRAMESTYLE")) FrameStyle = quint16(std::clamp(value.toInt32(), int(rppsSolid), int(rppsDouble)));
    else if (n == QLatin1String("FILLCOLOR")) FillColor = value.toInt32();
    else if (n == QLatin1String("VISIBLE")) Visible = value.toBool();
    else if (n == QLatin1String("MEMO")) Memo = SplitLines(value.toText());
    else if (n == QLatin1String("GAPX")) GapX = rpCoord(value.toInt32());
    else if (n == QLatin1String("GAPY")) GapY = rpCoord(value.toInt32());
    else if (n == QLatin1String("STRETCHED")) Flags = quint16(value.toBool() ? (Flags | rpflStretched) : (Flags & ~rpflStretched));
    else if (n == QLatin1String("BANDALIGN")) BandAlign = quint8(value.toInt32());
    else if (n == QLatin1String("DATAFIELD")) Memo = SplitLines(value.toText());
    else if (n == QLatin1String("TAG")) Tag = value.toText();
}

TrpValue TrpView::GetProperty(const QString &name)
{
    const QString n = up(name);
    if (n == QLatin1String("NAME")) return Name;
    if (n == QLatin1String("LEFT")) return int(Left);
    if (n == QLatin1String("TOP")) return int(Top);
    if (n == QLatin1String("WIDTH")) return int(Width);
    if (n == QLatin1String("HEIGHT")) return int(Height);
    if (n == QLatin1String("FLAGS")) return int(Flags);
    if (n == QLatin1String("FRAMETYP")) return int(FrameTyp);
    if (n == QLatin1String("FRAMEWIDTH")) return FrameWidth;
    if (n == QLatin1String("FRAMECOLOR")) return int(FrameColor);
    if (n == QLatin1String("FRAMESTYLE")) return int(FrameStyle);
    if (n == QLatin1String("FILLCOLOR")) return int(FillColor);
    if (n == QLatin1String("VISIBLE")) return Visible;
    if (n == QLatin1String("MEMO")) return JoinLines(Memo);
    if (n == QLatin1String("GAPX")) return int(GapX);
    if (n == QLatin1String("GAPY")) return int(GapY);
    if (n == QLatin1String("STRETCHED")) return bool(Flags & rpflStretched);
    if (n == QLatin1String("BANDALIGN")) return int(BandAlign);
    if (n == QLatin1String("DATAFIELD")) return Memo.isEmpty() ? QString() : Memo.first();
    if (n == QLatin1String("TAG")) return Tag;
    if (n == QLatin1String("MEMO.COUNT")) return int(Memo.size());
    return TrpValue::null();
}

TrpValue TrpView::CallMethod(const QString &name, const TrpValue &p1, const TrpValue &p2, const TrpValue &p3)
{
    const QString n = up(name);
    if (n == QLatin1String("HIDE")) { SetProperty(QStringLiteral("VISIBLE"), false); return TrpValue::null(); }
    if (n == QLatin1String("SHOW")) { SetProperty(QStringLiteral("VISIBLE"), true); return TrpValue::null(); }
    return CallListMethod(Memo, n, QStringLiteral("MEMO"), p1, p2, p3);
}

void TrpView::BuildPropertyTable()
{
    ClearPropertyTable();
    AddProperty(QStringLiteral("Name"), 257);
    AddProperty(QStringLiteral("Left"), rpkPosition);
    AddProperty(QStringLiteral("Top"), rpkPosition);
    AddProperty(QStringLiteral("Width"), rpkPosition);
    AddProperty(QStringLiteral("Height"), rpkPosition);
    AddProperty(QStringLiteral("Flags"), rpkScriptOnly);
    if (hasFrameProperties()) {
        AddProperty(QStringLiteral("FrameTyp"), rpkInteger);
        AddProperty(QStringLiteral("FrameWidth"), rpkFloat | rpkPosition);
        AddProperty(QStringLiteral("FrameColor"), rpkColor);
        AddEnumProperty(QStringLiteral("FrameStyle"), QStringLiteral("psSolid;psDash;psDot;psDashDot;psDashDotDot;psDouble"),
                        {0, 1, 2, 3, 4, 5});
        AddProperty(QStringLiteral("FillColor"), rpkColor);
        AddProperty(QStringLiteral("Tag"), 320);
        AddEnumProperty(QStringLiteral("BandAlign"),
                        QStringLiteral("baNone;baLeft;baRight;baCenter;baWidth;baBottom;baTop;baRest"),
                        {0, 1, 2, 3, 4, 5, 6, 7});
    }
    AddProperty(QStringLiteral("Visible"), rpkBoolean);
    AddProperty(memoPropertyName(), 320);
    AddProperty(QStringLiteral("Memo.Count"), rpkScriptOnly);
    AddProperty(QStringLiteral("Restrictions"), rpkEditor);
}

void TrpView::SetBounds(int left, int top, int width, int height)
{
    Left = left;
    Top = top;
    Width = width;
    Height = height;
}

void TrpView::CreateUniqueName()
{
    TrpReportLink &r = rpReport();
    for (int i = 1; i <= 10000; ++i) {
        const QString candidate = BaseName + QString::number(i);
        bool taken = r.NameExists(candidate);
        if (!taken && OwnerPage) {
            const TrpView *v = OwnerPage->FindView(candidate);
            taken = v && v != this;
        }
        if (!taken) {
            Name = candidate;
            return;
        }
    }
    Name.clear();
}

QString TrpView::ExpandBrackets(const QString &text) { return rpReport().ExpandBrackets(text, this); }

qint32 TrpView::EncodeFrameWidth(double width)
{
    // A whole width up to 10 is stored as is; anything else (a fraction, or a
    // whole width above 10 that a reader would take for thousandths) as
    // thousandths, so every width reads back as it was.
    const bool whole = width == std::floor(width);
    if (whole && width >= 0 && width <= 10) return qint32(width);
    const double v = std::nearbyint(width * 1000.0);
    if (v > 2147483647.0 || v < -2147483648.0) throw kv::Error(QStringLiteral("Frame width %1 cannot be saved").arg(width));
    const qint32 stored = qint32(v);
    if (stored <= 10 && width > 0)   // too thin to be told from a whole width: the smallest fraction kept
        return 11;
    return stored;
}

double TrpView::DecodeFrameWidth(qint32 stored)
{
    // A damaged file may hold any number: no frame is thinner than nothing or
    // wider than a page.
    const double w = stored > 10 ? stored / 1000.0 : double(stored);
    return std::clamp(w, 0.0, kMaxFrameWidth);
}

void TrpView::readViewRecord(QIODevice &s)
{
    const int version = rpObjects().Version;
    const bool prepared = InPreparedPage;
    if (version > 23 || (version == 23 && !prepared)) Name = ReadStreamString(s, version);
    else CreateUniqueName();
    if (version > 23) {
        RecordMajor = ReadStreamByte(s);
        RecordMinor = ReadStreamByte(s);
    } else {
        RecordMajor = 0;
        RecordMinor = 0;
    }
    Left = rpCoord(ReadStreamInteger(s));
    Top = rpCoord(ReadStreamInteger(s));
    Width = rpCoord(ReadStreamInteger(s));
    Height = rpCoord(ReadStreamInteger(s));
    Flags = quint16(ReadStreamWord(s));
    FrameTyp = quint16(ReadStreamWord(s));
    FrameWidth = DecodeFrameWidth(ReadStreamInteger(s));
    FrameColor = ReadStreamInteger(s);
    FrameStyle = quint16(ReadStreamWord(s));
    if (FrameStyle > rppsDouble) FrameStyle = rppsSolid;   // no such style: a damaged record
    FillColor = ReadStreamInteger(s);
    if (!prepared) {
        DisplayFormat = ReadStreamInteger(s);
        DisplayFormatText = ReadStreamString(s, version);
    }
    Memo = ReadStreamMemo(s, version);
    if (version > 22 && !prepared) {
        PrintScript = ReadStreamMemo(s, version);
        Visible = ReadStreamWord(s) != 0;
    }
    if (version > 23) {
        Restrictions = quint16(ReadStreamWord(s));
        Tag = ReadStreamString(s, version);
        GapX = rpCoord(ReadStreamInteger(s));
        GapY = rpCoord(ReadStreamInteger(s));
    }
    if (RecordMajor > 1) BandAlign = ReadStreamByte(s);
}

void TrpView::writeViewRecord(QIODevice &s)
{
    const bool prepared = InPreparedPage;
    RecordMajor = 2;
    WriteStreamString(s, Name);
    WriteStreamByte(s, RecordMajor);
    WriteStreamByte(s, RecordMinor);
    WriteStreamInteger(s, Left);
    WriteStreamInteger(s, Top);
    WriteStreamInteger(s, Width);
    WriteStreamInteger(s, Height);
    WriteStreamWord(s, qint16(Flags));
    WriteStreamWord(s, qint16(FrameTyp));
    WriteStreamInteger(s, EncodeFrameWidth(FrameWidth));
    WriteStreamInteger(s, FrameColor);
    WriteStreamWord(s, qint16(FrameStyle));
    WriteStreamInteger(s, FillColor);
    if (!prepared) {
        WriteStreamInteger(s, DisplayFormat);
        WriteStreamString(s, DisplayFormatText);
    }
    WriteStreamMemo(s, prepared ? ExpandedMemo : Memo);
    if (!prepared) {
        WriteStreamMemo(s, PrintScript);
        WriteStreamWord(s, Visible ? -1 : 0);
    }
    WriteStreamWord(s, qint16(Restrictions));
    WriteStreamString(s, Tag);
    WriteStreamInteger(s, GapX);
    WriteStreamInteger(s, GapY);
    WriteStreamByte(s, BandAlign);
}

void TrpView::LoadFromStream(QIODevice &stream) { readViewRecord(stream); }
void TrpView::SaveToStream(QIODevice &stream) { writeViewRecord(stream); }

void TrpView::WriteObject(QIODevice &stream)
{
    WriteStreamByte(stream, TypeCode);
    if (TypeCode == rpgtAddIn) WriteStreamString(stream, ClassName());
    SaveToStream(stream);
}

void TrpView::GetBlob(TrpFieldSource *source, const QString &field) { (void)source; (void)field; }

void TrpView::BeginDraw()
{
    SavedBounds = {Left, Top, Width, Height, GapX, GapY, FrameWidth};
    double sx = DrawScaleX, sy = DrawScaleY;
    int ox = DrawOffsetX, oy = DrawOffsetY;
    if (rpObjects().Designing) {
        sx = sy = 1;
        ox = oy = 0;
    }
    Left = rpRound(Left * sx) + ox;
    Top = rpRound(Top * sy) + oy;
    Width = rpRound(sx * Width);
    Height = rpRound(sy * Height);
    FrameWidth = sx * SavedBounds.FrameWidth;
    const int halfX = rpRound(sx * SavedBounds.FrameWidth / 2);
    const int halfY = rpRound(sy * SavedBounds.FrameWidth / 2);
    GapX = halfX + rpRound(sx * SavedBounds.GapX);
    GapY = rpRound(sy * SavedBounds.GapY) + halfY / 2;
    DrawRect.Left = Left + ((FrameTyp & rpftLeft) ? rpRound((FrameWidth - 1) / 2) : 0);
    DrawRect.Top = Top + ((FrameTyp & rpftTop) ? rpRound((FrameWidth - 1) / 2) : 0);
    DrawRect.Right = rpRound(sx * (SavedBounds.Left + SavedBounds.Width) + ox) + 1
                     - ((FrameTyp & rpftRight) ? halfX : 0);
    DrawRect.Bottom = rpRound(sy * (SavedBounds.Top + SavedBounds.Height) + oy) + 1
                      - ((FrameTyp & rpftBottom) ? halfY : 0);
}

void TrpView::EndDraw()
{
    Left = SavedBounds.Left;
    Top = SavedBounds.Top;
    Width = SavedBounds.Width;
    Height = SavedBounds.Height;
    GapX = SavedBounds.GapX;
    GapY = SavedBounds.GapY;
    FrameWidth = SavedBounds.FrameWidth;
}

QRegion TrpView::GetClipRegion(bool enlarged)
{
    int h, e;
    if (FrameStyle == rppsDouble) {
        h = rpRound(1.5 * FrameWidth);
        e = rpRound(FrameWidth + (FrameWidth - 1) / 2);
    } else {
        h = rpRound(FrameWidth / 2);
        e = rpRound((FrameWidth - 1) / 2);
    }
    int l = Left - ((FrameTyp & rpftLeft) ? h : 0);
    int t = Top - ((FrameTyp & rpftTop) ? h : 0);
    int r = Left + Width + 1 + ((FrameTyp & rpftRight) ? e : 0);
    int b = Top + Height + 1 + ((FrameTyp & rpftBottom) ? e : 0);
    if (enlarged) {
        l -= 10;
        t -= 10;
        r += 10;
        b += 10;
    }
    return QRegion(QRect(l, t, r - l, b - t));
}

void TrpView::Print(QIODevice &stream)
{
    ApplyBandAlign(nullptr);
    ExpandedMemo = Memo;
    if (FieldDataSet && !FieldName.isEmpty()) GetBlob(FieldDataSet, FieldName);
    TrpReportLink &r = rpReport();
    r.BeforePrint(ExpandedMemo, this);
    if (!PrintScript.isEmpty()) r.RunScript(PrintScript, this);
    if (!Visible) return;
    const QString savedTag = Tag;
    const quint8 savedAlign = BandAlign;
    const int savedWidth = Width;
    Tag = ExpandBrackets(Tag);
    if (AlignToPrintingBand()) BandAlign = baNone;
    const bool wasPrepared = InPreparedPage;
    InPreparedPage = true;
    try {
        WriteObject(stream);
    } catch (...) {
        InPreparedPage = wasPrepared;
        Tag = savedTag;
        BandAlign = savedAlign;
        Width = savedWidth;
        throw;
    }
    InPreparedPage = wasPrepared;
    Tag = savedTag;
    BandAlign = savedAlign;
    Width = savedWidth;
}

TrpBandView *TrpView::FindBandUnder() const
{
    TrpPage *page = OwnerPage ? OwnerPage : rpObjects().CurPage;
    if (!page) return nullptr;
    TrpBandView *found = nullptr;
    for (const auto &o : page->Views())
        if (auto *b = dynamic_cast<TrpBandView *>(o.get());
            b && Left >= b->Left && Left <= b->Left + b->Width && Top >= b->Top && Top <= b->Top + b->Height)
            found = b;
    return found;
}

bool TrpView::AlignToPrintingBand()
{
    if (BandAlign != baTop && BandAlign != baBottom && BandAlign != baWidth) return false;
    TrpReportLink &report = rpReport();
    TrpBandPlace place;
    // a split band places its views part by part itself
    if (!report.IsBuilding() || !OwnerBand || !report.PrintingBandPlace(this, place) || place.Split) return false;
    switch (BandAlign) {
    case baTop:
        Top = place.Top;
        return false;
    case baBottom:
        Top = place.Top + place.Height - Height;
        return false;
    default:
        if (!place.Cross) return false;
        // the strip's width is final: drawn prepared pages must not widen it to the page
        Left = place.CellLeft;
        Width = place.CellWidth;
        return true;
    }
}

void TrpView::ExportData() { rpReport().ExportObject(this); }

void TrpView::ApplyBandAlign(TrpCanvas *canvas)
{
    CurCanvas = canvas;
    TrpObjectState &st = rpObjects();
    st.CurView = this;
    if (BandAlign == baNone) return;
    TrpPage *page = OwnerPage ? OwnerPage : st.CurPage;
    if (!page) return;
    TrpReportLink &report = rpReport();
    const bool building = report.IsBuilding();
    const int pageLeft = page->LeftMarginUsed();
    const int pageRight = page->RightEdge();
    // While a report is built the views of a band hold tops relative to it, and
    // the one being printed has been moved onto the page: rows are compared as
    // designed, among the views of the same band.
    TrpBandPlace place;
    const bool inBand = building && OwnerBand && report.PrintingBandPlace(this, place);
    const int myTop = inBand ? Top - place.ShiftY : Top;
    const int myLeft = inBand ? Left - place.ShiftX : Left;
    auto peer = [&](const TrpView *o) {
        if (o == this || o->TypeCode == rpgtBand) return false;
        if (!inBand) return true;
        if (o->OwnerBand != OwnerBand) return false;
        return !place.Views || std::find(place.Views->begin(), place.Views->end(), o) != place.Views->end();
    };
    // Nearest peer on the row with the given alignment, left of or right of `left`.
    auto neighbour = [&](int rowTop, int left, quint8 align, bool toLeft) -> const TrpView * {
        const TrpView *best = nullptr;
        for (const auto &o : page->Views()) {
            if (!peer(o.get()) || o->BandAlign != align || o->Top != rowTop) continue;
            if (toLeft ? (o->Left < left && (!best || o->Left > best->Left))
                       : (o->Left > left && (!best || o->Left < best->Left)))
                best = o.get();
        }
        return best;
    };
    // Where an aligned peer itself goes: after (or before) its own neighbours,
    // so that a row of baLeft views packs from the left edge. Each step moves
    // strictly outwards, so the chain ends.
    std::function<int(const TrpView *, int, int)> placedLeft = [&](const TrpView *v, int rowTop, int left) -> int {
        if (v->BandAlign == baLeft) {
            const TrpView *n = neighbour(rowTop, left, baLeft, true);
            return n ? placedLeft(n, rowTop, n->Left) + n->Width : pageLeft;
        }
        const TrpView *n = neighbour(rowTop, left, baRight, false);
        return n ? placedLeft(n, rowTop, n->Left) - v->Width - 1 : pageRight - v->Width;
    };
    auto leftNeighbourEnd = [&]() {
        const TrpView *n = neighbour(myTop, myLeft, baLeft, true);
        return n ? placedLeft(n, myTop, n->Left) + n->Width : pageLeft;
    };
    auto rightNeighbourLeft = [&]() {
        const TrpView *n = neighbour(myTop, myLeft, baRight, false);
        return n ? placedLeft(n, myTop, n->Left) : pageRight;
    };
    switch (BandAlign) {
    case baLeft:
        Left = leftNeighbourEnd();
        break;
    case baRight:
        Left = placedLeft(this, myTop, myLeft);
        break;
    case baCenter:
        Left = pageLeft + (pageRight - pageLeft - Width) / 2;
        break;
    case baWidth:
        if (building && report.PrintingBand()) break;
        if (!st.DrawingPrepared) {
            // a view on a cross band spans the strip, not the page (and so stays on it)
            const TrpView *strip = nullptr;
            for (const auto &o : page->Views())
                if (o->TypeCode == rpgtBand && o->FrameTyp >= 18 && o->FrameTyp <= 20 && Left >= o->Left
                    && Left <= o->Left + o->Width && Top >= o->Top && Top <= o->Top + o->Height)
                    strip = o.get();
            if (strip) {
                Left = strip->Left;
                Width = strip->Width;
                break;
            }
        }
        Left = pageLeft;
        Width = pageRight - pageLeft - (st.DrawingPrepared ? 1 : 0);
        break;
    case baRest: {
        Left = leftNeighbourEnd();
        Width = rightNeighbourLeft() - Left;
        break;
    }
    default:
        break;
    }
}


// ---------------------------------------------------------------- TrpStretcheable

TrpValue TrpStretcheable::CallMethod(const QString &name, const TrpValue &p1, const TrpValue &p2, const TrpValue &p3)
{
    if (up(name) == QLatin1String("CALCHEIGHT")) return CalcHeight();
    return TrpView::CallMethod(name, p1, p2, p3);
}

// ---------------------------------------------------------------- controls

TrpControl::TrpControl()
{
    FillColor = rpClBtnFace;
    FrameTyp = rpftNone;
}

void TrpControl::SetProperty(const QString &name, const TrpValue &value)
{
    TrpView::SetProperty(name, value);
    if (ShownControl && up(name) == QLatin1String("VISIBLE")) ShownControl->setProperty("visible", bool(Visible));
}

void TrpControl::BuildPropertyTable()
{
    ClearPropertyTable();
    AddProperty(QStringLiteral("Name"), 257);
    AddProperty(QStringLiteral("Left"), rpkPosition);
    AddProperty(QStringLiteral("Top"), rpkPosition);
    AddProperty(QStringLiteral("Width"), rpkPosition);
    AddProperty(QStringLiteral("Height"), rpkPosition);
    AddProperty(QStringLiteral("Visible"), rpkBoolean);
    AddProperty(QStringLiteral("Restrictions"), rpkEditor);
}

TrpNonVisualControl::TrpNonVisualControl() : IconBitmap(rpNonVisualIcon())
{
    Width = 28;
    Height = 28;
}

void TrpNonVisualControl::SetProperty(const QString &name, const TrpValue &value)
{
    TrpControl::SetProperty(name, value);
    if (HostedComponent && up(name) == QLatin1String("NAME")) HostedComponent->setObjectName(Name);
}

void TrpNonVisualControl::BuildPropertyTable()
{
    ClearPropertyTable();
    AddProperty(QStringLiteral("Name"), 257);
    AddProperty(QStringLiteral("Restrictions"), rpkEditor);
}

// ---------------------------------------------------------------- name resolution

bool ResolveObjectProperty(const QString &qualifiedName, TrpObject *&object, QString &propertyName)
{
    TrpObjectState &st = rpObjects();
    const int dot = int(qualifiedName.indexOf(QLatin1Char('.')));
    if (dot < 0) {
        object = st.CurView;
        propertyName = qualifiedName;
        return object != nullptr;
    }
    const QString objName = qualifiedName.left(dot);
    const QString prop = qualifiedName.mid(dot + 1).left(255);
    TrpReportLink &r = rpReport();
    object = nullptr;
    if (objName.size() > 4 && objName.left(4).compare(QLatin1String("PAGE"), Qt::CaseInsensitive) == 0
        && objName[4].isDigit()) {
        bool ok = false;
        const int n = objName.mid(4).toInt(&ok);
        if (ok) object = r.PageAt(n - 1);
        propertyName = prop;
    } else if (TrpView *v = r.FindObject(objName)) {
        object = v;
        propertyName = prop;
    } else if (st.CurView && st.CurView->FindProperty(qualifiedName)) {
        object = st.CurView;
        propertyName = qualifiedName;
    }
    if (object) object->PropertyTable();
    return object != nullptr;
}

#include "report/model/memo.h"


#include "platform/error.h"
#include "platform/text.h"
#include "report/core/utils.h"

namespace {

QString up(const QString &s) { return kv::upperCase(s); }

void setBit(quint16 &flags, int bit, bool on) { flags = quint16(on ? (flags | bit) : (flags & ~bit)); }

struct FlagName { const char *name; int bit; };
const FlagName kMemoFlags[] = {
    {"WORDWRAP", rpmfWordWrap}, {"WORDBREAK", rpmfWordBreak}, {"AUTOWIDTH", rpmfAutoWidth},
    {"TEXTONLY", rpmfTextOnly}, {"SUPPRESS", rpmfSuppress}, {"HIDEZEROS", rpmfHideZeros},
    {"UNDERLINES", rpmfUnderlines}, {"RTLREADING", rpmfRTLReading}};

const QString kVowels = QStringLiteral(u"ЁАЕИОУЫЭЮЯ");
const QString kSigns = QStringLiteral(u"ЪЬ");
const QString kDelims = QStringLiteral(" ,-.");

QString withoutMarks(const QStringList &lines)
{
    QString t = lines.join(QLatin1Char('\n'));
    t.remove(QChar(1));
    return t;
}

} // namespace

QList<int> HyphenPoints(const QString &word)
{
    QList<int> points;
    const QString w = kv::upperCase(word);
    const int n = int(w.size());
    if (n < 4) return points;
    auto at = [&](int i) { return i >= 1 && i <= n ? w[i - 1] : QChar(' '); };
    auto isV = [&](QChar c) { return kVowels.contains(c); };
    auto isS = [&](QChar c) { return kSigns.contains(c); };
    auto isD = [&](QChar c) { return kDelims.contains(c); };
    for (int i = 2; i <= n - 2; ++i) {
        const QChar c = at(i), c1 = at(i + 1), c2 = at(i + 2);
        bool ok;
        if (isV(c)) ok = isV(c1) || isV(c2);
        else if (isS(c)) ok = !isD(c2);
        else ok = !isV(c1) && !isS(c1) && isV(c2);
        if (ok) points << i;
    }
    return points;
}

QStringList &TrpMemoView::SharedLines()
{
    static QStringList l;
    return l;
}

TrpMemoView::TrpMemoView()
{
    BaseName = QStringLiteral("Memo");
    TypeCode = rpgtMemo;
    Flags = rpmfStretched | rpmfWordWrap;
}

// ---------------------------------------------------------------- properties

void TrpMemoView::SetProperty(const QString &name, const TrpValue &value)
{
    const QString n = up(name);
    if (SetFontProperty(Font, n, value)) return;
    if (n == QLatin1String("ALIGNMENT")) Alignment = value.toInt32();
    else if (n == QLatin1String("LINESPACING")) LineSpacing = rpSpacing(value.toInt32());
    else if (n == QLatin1String("CHARSPACING")) CharSpacing = rpSpacing(value.toInt32());
    else {
        for (const FlagName &f : kMemoFlags)
            if (n == QLatin1String(f.name)) {
                setBit(Flags, f.bit, value.toBool());
                return;
            }
        TrpView::SetProperty(name, value);
    }
}

TrpValue TrpMemoView::GetProperty(const QString &name)
{
    const QString n = up(name);
    TrpValue v;
    if (GetFontProperty(Font, n, v)) return v;
    if (n == QLatin1String("ALIGNMENT")) return int(Alignment);
    if (n == QLatin1String("LINESPACING")) return int(LineSpacing);
    if (n == QLatin1String("CHARSPACING")) return int(CharSpacing);
    if (n == QLatin1String("LINES.COUNT")) return int(Memo.size());
    for (const FlagName &f : kMemoFlags)
        if (n == QLatin1String(f.name)) return bool(Flags & f.bit);
    return TrpView::GetProperty(name);
}

TrpValue TrpMemoView::CallMethod(const QString &name, const TrpValue &p1, const TrpValue &p2, const TrpValue &p3)
{
    const QString n = up(name);
    const bool indexed = n == QLatin1String("SETINDEXPROPERTY") || n == QLatin1String("GETINDEXPROPERTY");
    if (n.startsWith(QLatin1String("LINES.")) || (indexed && up(p1.toText()) == QLatin1String("LINES")))
        return CallListMethod(Memo, n, QStringLiteral("LINES"), p1, p2, p3);
    return TrpStretcheable::CallMethod(name, p1, p2, p3);
}

void TrpMemoView::BuildPropertyTable()
{
    TrpView::BuildPropertyTable();
    for (const char *n : {"Font.Name", "Font.Size", "Font.Style", "Font.Color"})
        AddProperty(QString::fromLatin1(n), rpkScriptOnly);
    AddProperty(QStringLiteral("Font"), rpkEditor);
    AddProperty(QStringLiteral("Alignment"), rpkScriptOnly);
    AddProperty(QStringLiteral("DisplayFormat"), rpkEditor);
    AddProperty(QStringLiteral("Highlight"), rpkEditor);
    for (const char *n : {"LineSpacing", "CharSpacing", "GapX", "GapY"}) AddProperty(QString::fromLatin1(n), rpkInteger);
    for (const char *n : {"Stretched", "WordWrap", "WordBreak", "AutoWidth", "TextOnly", "Suppress", "HideZeros"})
        AddProperty(QString::fromLatin1(n), rpkBoolean);
    AddProperty(QStringLiteral("Lines.Count"), rpkScriptOnly);
    AddProperty(QStringLiteral("Underlines"), rpkBoolean);
    AddProperty(QStringLiteral("RTLReading"), rpkBoolean);
}

void TrpMemoView::GetBlob(TrpFieldSource *source, const QString &field)
{
    if (!source) return;
    const TrpValue v = source->fieldValue(field);
    ExpandedMemo = (v.isNull() || v.isEmpty()) ? QStringList() : SplitLines(v.toText());
}

// ---------------------------------------------------------------- record

void TrpMemoView::LoadFromStream(QIODevice &s)
{
    readViewRecord(s);
    const int version = rpObjects().Version;
    Font.name = ReadStreamString(s, version);
    Font.size = rpFontSize(ReadStreamInteger(s));
    Font.style = StreamToFontStyle(ReadStreamWord(s));
    Font.color = ReadStreamInteger(s);
    Alignment = ReadStreamInteger(s);
    const int charset = quint8(ReadStreamWord(s));
    Font.charset = version < 23 ? TrpFont().charset : charset;
    if (!InPreparedPage) {
        HighlightFontStyle = ReadStreamWord(s);
        HighlightFontColor = ReadStreamInteger(s);
        HighlightFillColor = ReadStreamInteger(s);
        HighlightCondition = ReadStreamString(s, version);
    }
    if (version > 23) {
        LineSpacing = rpSpacing(ReadStreamInteger(s));
        CharSpacing = rpSpacing(ReadStreamInteger(s));
    }
    if (version == 21) Flags |= rpmfWordWrap;
}

void TrpMemoView::SaveToStream(QIODevice &s)
{
    writeViewRecord(s);
    WriteStreamString(s, Font.name);
    WriteStreamInteger(s, Font.size);
    WriteStreamWord(s, qint16(FontStyleToStream(Font.style)));
    WriteStreamInteger(s, Font.color);
    WriteStreamInteger(s, Alignment);
    WriteStreamWord(s, qint16(Font.charset & 0xFF));
    if (!InPreparedPage) {
        WriteStreamWord(s, qint16(HighlightFontStyle));
        WriteStreamInteger(s, HighlightFontColor);
        WriteStreamInteger(s, HighlightFillColor);
        WriteStreamString(s, HighlightCondition);
    }
    WriteStreamInteger(s, LineSpacing);
    WriteStreamInteger(s, CharSpacing);
}

// ---------------------------------------------------------------- layout

int TrpMemoView::textWidth(const QString &text) const
{
    if (Measure) return Measure(text);
    TrpCanvas &c = rpMeasuringCanvas();
    c.SetFont(Font);
    c.CharExtra = CharSpacing;
    const int w = c.TextWidth(text);
    c.CharExtra = 0;
    return w;
}

void TrpMemoView::ExpandMemo()
{
    ExpandedMemo.clear();
    for (const QString &line : Memo) {
        const QString s = (Flags & rpmfTextOnly) ? line : ExpandBrackets(line);
        if (s.isEmpty()) ExpandedMemo << QString();
        else ExpandedMemo << SplitLines(s);
    }
}

QStringList TrpMemoView::WrapLine(const QString &text, int w) const
{
    const QChar mark(1);
    QStringList out;
    const bool hasBreak = text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
    if (!hasBreak && (text.size() <= 1 || textWidth(text) <= w)) return {text + mark};
    const int n = int(text.size());
    int start = 0, space = 0;
    bool spaceSeen = false;
    int i = 0;
    while (i < n) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            out << text.mid(start, i - start) + mark;
            while (i < n && (text[i] == QLatin1Char('\r') || text[i] == QLatin1Char('\n'))) ++i;
            if (i >= n) return out;
            start = space = i;
            spaceSeen = false;
            continue;
        }
        if (c == QLatin1Char(' ')) {
            space = i;
            spaceSeen = true;
            ++i;
            continue;
        }
        if (i > start && textWidth(text.mid(start, i - start + 1)) > w) {
            bool broken = false;
            if (Flags & rpmfWordBreak) {
                const int wordStart = spaceSeen ? space + 1 : start;
                int wordEnd = wordStart;
                while (wordEnd < n && !kDelims.contains(text[wordEnd]) && text[wordEnd] != QLatin1Char('\r')
                       && text[wordEnd] != QLatin1Char('\n'))
                    ++wordEnd;
                const QList<int> points = HyphenPoints(text.mid(wordStart, wordEnd - wordStart));
                for (qsizetype k = points.size() - 1; k >= 0; --k) {
                    const int cut = wordStart + points[k];
                    if (cut <= start || cut > i) continue;
                    const QString part = text.mid(start, cut - start) + QLatin1Char('-');
                    if (textWidth(part) <= w) {
                        out << part;
                        start = space = cut;
                        spaceSeen = false;
                        broken = true;
                        break;
                    }
                }
            }
            if (!broken) {
                if (!spaceSeen) {
                    out << text.mid(start, i - start);
                    start = space = i;
                } else {
                    out << text.mid(start, space - start);
                    start = space + 1;
                    space = start;
                    spaceSeen = false;
                }
            }
            continue;   // the current character is looked at again on the new line
        }
        ++i;
    }
    out << text.mid(start) + mark;
    return out;
}

QStringList TrpMemoView::LayoutText()
{
    QStringList &lines = SharedLines();
    lines.clear();
    const int fontPx = rpFontPixelHeight(Font.size);
    LineHeight = LineSpacing + fontPx;
    const bool vertical = Alignment & rptaVertical;
    const int avail = vertical ? Height - 2 * GapY : Width - 2 * GapX;
    for (const QString &l : ExpandedMemo) {
        if (PreWrapped) lines << l;
        else if (Flags & rpmfWordWrap) lines << WrapLine(l, avail);
        else lines << l + QChar(1);
    }
    const int gap = vertical ? GapX : GapY;
    TextHeight = rpBounded(2 * qint64(gap) + qint64(lines.size()) * LineHeight, -rpMaxExtent, rpMaxExtent);
    return lines;
}

int TrpMemoView::CalcAutoWidth(const QStringList &lines, TrpCanvas *canvas)
{
    QString t = lines.join(QLatin1Char('\n'));
    t.remove(QChar(1));
    if (t.endsWith(QLatin1Char('\n'))) t.chop(1);
    int widest = 0;
    if (canvas) {
        // measured as the text will be drawn: the font at the drawing's scale
        const TrpCanvasFont savedFont = canvas->Font;
        const int savedExtra = canvas->CharExtra;
        canvas->SetFont(Font, ToPrinter ? 1.0 : DrawScaleY);
        canvas->CharExtra = rpRound(CharSpacing * DrawScaleX);
        for (const QString &l : t.split(QLatin1Char('\n'))) widest = std::max(widest, canvas->TextWidth(l));
        canvas->Font = savedFont;
        canvas->CharExtra = savedExtra;
        const double sx = DrawScaleX > 0 ? DrawScaleX : 1;
        return rpRound(widest / sx + FrameWidth + 2 * GapX + 1);
    }
    for (const QString &l : t.split(QLatin1Char('\n'))) widest = std::max(widest, textWidth(l));
    return rpRound(widest + FrameWidth + 2 * GapX + 1);
}

// ---------------------------------------------------------------- printing and measuring

void TrpMemoView::runBeforePrint()
{
    TrpReportLink &r = rpReport();
    ExpandedMemo = Memo;
    if (FieldDataSet && !FieldName.isEmpty()) GetBlob(FieldDataSet, FieldName);
    const QStringList before = ExpandedMemo;
    if (!r.BeforePrint(ExpandedMemo, this) || ExpandedMemo == before) ExpandMemo();
}

void TrpMemoView::applyHighlight(TrpFont &savedFont, qint32 &savedFill)
{
    savedFont = Font;
    savedFill = FillColor;
    if (HighlightCondition.isEmpty()) return;
    TrpValue v;
    try {
        v = rpReport().Calculate(HighlightCondition);
    } catch (const kv::Error &) {
        return;
    }
    if (!rpEqualsZero(v)) {
        Font.style = StreamToFontStyle(HighlightFontStyle);
        Font.color = HighlightFontColor;
        FillColor = HighlightFillColor;
    }
}

int TrpMemoView::CalcHeight()
{
    LayoutMode = 1;
    ApplyBandAlign(nullptr);
    TrpReportLink &r = rpReport();
    if (!PrintScript.isEmpty()) r.RunScript(PrintScript, this);
    if (!Visible) return 0;
    runBeforePrint();
    TrpFont savedFont;
    qint32 savedFill;
    applyHighlight(savedFont, savedFill);
    int result = 0;
    BeginDraw();
    if (!ExpandedMemo.isEmpty()) {
        EndDraw();   // layout runs at scale 1
        ExpandedMemo = LayoutText();
        BeginDraw();
        result = TextHeight;
        if (Flags & rpmfSuppress) {
            const QString t = withoutMarks(ExpandedMemo);
            if (t == LastValue) result = 0;
            if (r.IsFirstPass()) LastValue = t;
        }
    }
    EndDraw();
    Font = savedFont;
    FillColor = savedFill;
    return result;
}

int TrpMemoView::MinHeight()
{
    LineHeight = LineSpacing + rpFontPixelHeight(Font.size);
    return rpRound(2 * FrameWidth) + LineHeight + 2 * GapY;
}

int TrpMemoView::RemainHeight()
{
    if (LineHeight <= 0) LineHeight = LineSpacing + rpFontPixelHeight(Font.size);
    const int fw2 = rpRound(2 * FrameWidth);
    // Lines of no height (a font of size 0 without spacing) leave no part over.
    if (LineHeight <= 0) return 2 * GapY + fw2;
    return 2 * GapY + fw2 + ((Height - fw2 - 2 * GapY) % LineHeight);
}

void TrpMemoView::Print(QIODevice &stream)
{
    ApplyBandAlign(nullptr);
    StopAtBottom = true;
    TrpReportLink &r = rpReport();
    if (LayoutMode == 0 && !PrintScript.isEmpty()) r.RunScript(PrintScript, this);
    if (LayoutMode == 0) runBeforePrint();
    if (!Visible) {
        LayoutMode = 0;
        return;
    }
    TrpFont savedFont;
    qint32 savedFill;
    applyHighlight(savedFont, savedFill);
    const QString savedTag = Tag;
    const quint8 savedAlign = BandAlign;
    const int savedWidth = Width;
    QStringList whole;
    auto restore = [&] {
        Width = savedWidth;
        Font = savedFont;
        FillColor = savedFill;
        Tag = savedTag;
        BandAlign = savedAlign;
        LayoutMode = 0;
    };
    try {
        if (LayoutMode == 2) {
            BeginDraw();
            const int step = rpRound(LineSpacing * DrawScaleY) + rpFontPixelHeight(Font.size);
            const int clipBottom = DrawRect.Bottom - 1;
            int y = Top + GapY;
            LinesDrawn = 0;
            for (qsizetype k = 0; k < ExpandedMemo.size(); ++k) {
                if (y + step > clipBottom) break;
                ++LinesDrawn;
                y += step;
            }
            whole = ExpandedMemo;
            SharedLines() = whole;
            ExpandedMemo = whole.mid(0, LinesDrawn);
            if (!ExpandedMemo.join(QString()).contains(QChar(1))) ExpandedMemo << QString(QChar(1));
            EndDraw();
        }
        Tag = ExpandBrackets(Tag);
        if (AlignToPrintingBand() || BandAlign == baBottom) BandAlign = baNone;
        const bool suppress = Flags & rpmfSuppress;
        const QString text = suppress ? withoutMarks(ExpandedMemo) : QString();
        if (!(suppress && text == LastValue)) {
            const bool wasPrepared = InPreparedPage;
            InPreparedPage = true;
            try {
                WriteObject(stream);
            } catch (...) {
                InPreparedPage = wasPrepared;
                throw;
            }
            InPreparedPage = wasPrepared;
            Written = true;
            if (suppress) LastValue = text;
        }
        if (LayoutMode == 2) ExpandedMemo = whole.mid(LinesDrawn);
    } catch (...) {
        restore();
        throw;
    }
    restore();
}


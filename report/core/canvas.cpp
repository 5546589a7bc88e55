#include "report/core/canvas.h"
#include "report/core/bounds.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/colors.h"
#include "platform/text.h"
#include "platform/ui.h"

// ---------------------------------------------------------------- colours

TrpColor rpColorToRGB(TrpColor c)
{
    return TrpColor(kv::ResolveColorBGR(quint32(c)).value_or(quint32(clNone)));
}

QColor rpToQColor(TrpColor c)
{
    const TrpColor rgb = rpColorToRGB(c);
    if (rgb == clNone) return QColor();
    return QColor(rpRed(rgb), rpGreen(rgb), rpBlue(rgb));
}

TrpColor rpFromQColor(const QColor &c)
{
    if (!c.isValid()) return clNone;
    return rpRGB(c.red(), c.green(), c.blue());
}

int rpFontPixelHeight(int pointSize, double scaleY)
{
    const double h = pointSize * 96.0 / 72.0 * scaleY;
    if (scaleY == 1.0) return rpSaturate(kv::roundHalfEven(h));
    return rpSaturate(std::trunc(h));
}

// ---------------------------------------------------------------- measurers
namespace {

int pixelSizeOf(const QFont &font)
{
    if (font.pixelSize() > 0) return font.pixelSize();
    return rpSaturate(kv::roundHalfEven(font.pointSizeF() * 96.0 / 72.0));
}

} // namespace

int TrpFixedPitchMeasurer::TextWidth(const QFont &font, const QString &text)
{
    (void)font;
    return m_w * int(text.size());
}

int TrpFixedPitchMeasurer::CellHeight(const QFont &font) { return m_h > 0 ? m_h : pixelSizeOf(font); }

int TrpFixedPitchMeasurer::Ascent(const QFont &font) { return CellHeight(font) * 4 / 5; }

TrpQtMeasurer::Entry &TrpQtMeasurer::entry(const QFont &font)
{
    for (const auto &e : m_entries)
        if (e->font == font) return *e;
    // A handful of fonts serve a report; past that the list starts again.
    if (m_entries.size() >= 16) m_entries.clear();
    m_entries.push_back(std::unique_ptr<Entry>(
        new Entry{font, m_device ? QFontMetrics(font, m_device) : QFontMetrics(font), {}, {}}));
    return *m_entries.back();
}

int TrpQtMeasurer::TextWidth(const QFont &font, const QString &text)
{
    Entry &e = entry(font);
    const auto it = e.widths.constFind(text);
    if (it != e.widths.constEnd()) return *it;
    // Two generations: a full one becomes the older and a text met again in
    // it comes back, so values that recur through a long report stay while
    // texts seen once fall out.
    const auto old = e.older.constFind(text);
    const int w = old != e.older.constEnd() ? *old : e.metrics.horizontalAdvance(text);
    if (e.widths.size() >= kGeneration) {
        e.older = std::move(e.widths);
        e.widths = QHash<QString, int>();
    }
    e.widths.insert(text, w);
    return w;
}

int TrpQtMeasurer::CellHeight(const QFont &font)
{
    const QFontMetrics &fm = entry(font).metrics;
    return fm.ascent() + fm.descent();
}

int TrpQtMeasurer::Ascent(const QFont &font) { return entry(font).metrics.ascent(); }

// ---------------------------------------------------------------- canvas
TrpCanvas::TrpCanvas(QPaintDevice *device, TrpCanvasKind kind)
    : m_kind(kind), m_device(device)
{
    m_painter = new QPainter(device);
    m_ownsPainter = true;
    m_measurer = std::make_shared<TrpQtMeasurer>(device);
}

TrpCanvas::TrpCanvas(QPainter *painter, TrpCanvasKind kind)
    : m_kind(kind), m_device(painter->device()), m_painter(painter)
{
    m_painter->save();
    m_measurer = std::make_shared<TrpQtMeasurer>(m_device);
}

TrpCanvas::TrpCanvas(std::shared_ptr<TrpTextMeasurer> measurer)
    : m_kind(TrpCanvasKind::Recording), m_measurer(measurer ? std::move(measurer) : std::make_shared<TrpQtMeasurer>())
{
}

TrpCanvas::~TrpCanvas()
{
    if (!m_painter) return;
    if (m_ownsPainter) {
        m_painter->end();
        delete m_painter;
    } else {
        m_painter->restore();
    }
}

int TrpCanvas::DpiX() const { return m_device && m_kind == TrpCanvasKind::Printer ? m_device->logicalDpiX() : 96; }
int TrpCanvas::DpiY() const { return m_device && m_kind == TrpCanvasKind::Printer ? m_device->logicalDpiY() : 96; }

void TrpCanvas::SetMeasurer(std::shared_ptr<TrpTextMeasurer> measurer)
{
    m_measurer = measurer ? std::move(measurer) : std::make_shared<TrpQtMeasurer>(m_device);
}

void TrpCanvas::SetFont(const TrpFont &font, double scaleY)
{
    Font.Name = font.name;
    Font.Size = font.size;
    Font.Style = font.style;
    Font.Color = font.color;
    Font.Charset = font.charset;
    Font.Height = IsPrinter() ? 0 : -rpFontPixelHeight(font.size, scaleY);
}

QFont TrpCanvas::QtFont() const
{
    if (m_qtFontValid && m_qtFontOf.Height == Font.Height && m_qtFontOf.Style == Font.Style &&
        (Font.Height != 0 || m_qtFontOf.Size == Font.Size) && m_qtFontOf.Name == Font.Name)
        return m_qtFont;
    QFont f(Font.Name);
    f.setStyleStrategy(QFont::NoSubpixelAntialias);
    f.setHintingPreference(QFont::PreferFullHinting);
    if (Font.Height != 0)
        f.setPixelSize(std::max(1, std::abs(Font.Height)));
    else
        f.setPointSize(std::max(1, Font.Size));
    f.setBold(Font.Style & TrpFont::Bold);
    f.setItalic(Font.Style & TrpFont::Italic);
    f.setUnderline(Font.Style & TrpFont::Underline);
    f.setStrikeOut(Font.Style & TrpFont::StrikeOut);
    f.setKerning(false);
    m_qtFont = f;
    m_qtFontOf = Font;
    m_qtFontValid = true;
    return f;
}

int TrpCanvas::FontPixelHeight() const
{
    if (Font.Height != 0) return std::abs(Font.Height);
    return int(kv::roundHalfEven(Font.Size * double(DpiY()) / 72.0));
}

int TrpCanvas::TextWidth(const QString &text) const
{
    return m_measurer->TextWidth(QtFont(), text) + CharExtra * int(text.size());
}

int TrpCanvas::TextHeight(const QString &text) const
{
    (void)text;
    return m_measurer->CellHeight(QtFont());
}

void TrpCanvas::record(TrpCanvasRecord rec)
{
    if (m_kind == TrpCanvasKind::Recording) m_records.append(std::move(rec));
}

QStringList TrpCanvas::RecordedTexts() const
{
    QStringList out;
    for (const TrpCanvasRecord &r : m_records)
        if (r.Kind == TrpCanvasRecord::Text) out << r.Str;
    return out;
}

namespace {

Qt::PenStyle qtPenStyle(TrpPenStyle s)
{
    switch (s) {
    case psDash: return Qt::DashLine;
    case psDot: return Qt::DotLine;
    case psDashDot: return Qt::DashDotLine;
    case psDashDotDot: return Qt::DashDotDotLine;
    case psClear: return Qt::NoPen;
    case psSolid: break;
    }
    return Qt::SolidLine;
}

} // namespace

void TrpCanvas::applyPen()
{
    if (!m_painter) return;
    const QColor color = rpToQColor(Pen.Color);
    if (Pen.Style == psClear || !color.isValid()) {
        m_painter->setPen(Qt::NoPen);
        return;
    }
    QPen pen(color);
    pen.setWidth(std::max(1, Pen.Width));
    pen.setStyle(qtPenStyle(Pen.Style));
    // Wide pens end round, like the platform's geometric pens.
    // (one-pixel lines are shortened by hand, so both of their ends are drawn here)
    pen.setCapStyle(Pen.Width > 1 ? Qt::RoundCap : Qt::SquareCap);
    pen.setJoinStyle(Pen.Width > 1 ? Qt::RoundJoin : Qt::MiterJoin);
    m_painter->setPen(pen);
    applyBrushBackground();
}

// The gaps of styled pens and the cells of opaque text take the brush colour.
void TrpCanvas::applyBrushBackground()
{
    if (!m_painter) return;
    const QColor bk = rpToQColor(Brush.Color);
    if (BkMode == bkOpaque && Brush.Style == bsSolid && bk.isValid()) {
        m_painter->setBackgroundMode(Qt::OpaqueMode);
        m_painter->setBackground(QBrush(bk));
    } else {
        m_painter->setBackgroundMode(Qt::TransparentMode);
    }
}

void TrpCanvas::FillRect(const TrpRect &r)
{
    TrpCanvasRecord rec;
    rec.Kind = TrpCanvasRecord::Fill;
    rec.Rect = r;
    rec.Color = Brush.Style == bsClear ? clNone : Brush.Color;
    record(rec);
    if (!m_painter || r.isEmpty() || Brush.Style == bsClear) return;
    const QColor c = rpToQColor(Brush.Color);
    if (!c.isValid()) return;
    m_painter->fillRect(r.toQRect(), c);
}

void TrpCanvas::Rectangle(const TrpRect &r)
{
    TrpCanvasRecord rec;
    rec.Kind = TrpCanvasRecord::Rectangle;
    rec.Rect = r;
    rec.Color = Pen.Color;
    rec.FillColor = Brush.Style == bsClear ? clNone : Brush.Color;
    rec.PenWidth = Pen.Width;
    rec.PenStyle = Pen.Style;
    record(rec);
    if (!m_painter || r.isEmpty()) return;
    // Inside first, then the outline over the outermost pixels.
    const QColor fill = rpToQColor(Brush.Color);
    if (Brush.Style == bsSolid && fill.isValid()) m_painter->fillRect(r.toQRect(), fill);
    if (Pen.Style == psClear) return;
    applyPen();
    m_painter->setBrush(Qt::NoBrush);
    const int w = std::max(1, Pen.Width);
    if (w == 1) {
        m_painter->drawRect(QRect(r.Left, r.Top, r.width() - 1, r.height() - 1));
    } else {
        // A wide outline is centred on the rectangle's edge.
        const double h = w / 2.0;
        m_painter->drawRect(QRectF(r.Left + h - 0.5, r.Top + h - 0.5, r.width() - w, r.height() - w));
    }
}

void TrpCanvas::MoveTo(int x, int y) { m_pos = QPoint(x, y); }

void TrpCanvas::LineTo(int x, int y)
{
    const QPoint from = m_pos;
    const QPoint to(x, y);
    m_pos = to;
    TrpCanvasRecord rec;
    rec.Kind = TrpCanvasRecord::Line;
    rec.P1 = from;
    rec.P2 = to;
    rec.Color = Pen.Color;
    rec.PenWidth = Pen.Width;
    rec.PenStyle = Pen.Style;
    rec.Opaque = BkMode == bkOpaque;
    record(rec);
    if (!m_painter || from == to || Pen.Style == psClear) return;
    applyPen();
    if (Pen.Width <= 1) {
        // The last pixel is left out: step back one pixel along the longer axis.
        const int dx = to.x() - from.x(), dy = to.y() - from.y();
        QPoint end = to;
        if (std::abs(dx) >= std::abs(dy)) {
            end.rx() -= dx > 0 ? 1 : -1;
            end.ry() = from.y() + int(std::lround(double(dy) * (std::abs(dx) - 1) / std::abs(dx)));
        } else {
            end.ry() -= dy > 0 ? 1 : -1;
            end.rx() = from.x() + int(std::lround(double(dx) * (std::abs(dy) - 1) / std::abs(dy)));
        }
        m_painter->drawLine(from, end);
    } else {
        m_painter->drawLine(QPointF(from) + QPointF(0.5, 0.5), QPointF(to) + QPointF(0.5, 0.5));
    }
}

void TrpCanvas::drawTextAt(int x, int y, const QString &text, const TrpRect *clip)
{
    const QFont font = QtFont();
    const int w = TextWidth(text);
    const int h = m_measurer->CellHeight(font);
    const bool turned = Font.Orientation == 900;
    TrpCanvasRecord rec;
    rec.Kind = TrpCanvasRecord::Text;
    rec.Str = text;
    rec.Font = Font;
    rec.Color = Font.Color;
    rec.CharExtra = CharExtra;
    rec.Opaque = BkMode == bkOpaque;
    rec.RightToLeft = RightToLeft;
    rec.Rect = turned ? TrpRect{x, y - w, x + h, y} : TrpRect{x, y, x + w, y + h};
    if (clip) rec.Clip = *clip;
    record(rec);
    if (!m_painter) return;

    m_painter->save();
    if (clip) m_painter->setClipRect(clip->toQRect(), m_hasClip ? Qt::IntersectClip : Qt::ReplaceClip);
    QFont f = font;
    if (CharExtra != 0) f.setLetterSpacing(QFont::AbsoluteSpacing, CharExtra);
    m_painter->setFont(f);
    const QColor fc = rpToQColor(Font.Color);
    m_painter->setPen(fc.isValid() ? fc : QColor(Qt::black));
    m_painter->translate(x, y);
    if (turned) m_painter->rotate(-90);
    const QColor bk = rpToQColor(Brush.Color);
    if (BkMode == bkOpaque && Brush.Style == bsSolid && bk.isValid())
        m_painter->fillRect(QRect(0, 0, w, h), bk);
    m_painter->setBackgroundMode(Qt::TransparentMode);
    if (RightToLeft) {
        m_painter->setLayoutDirection(Qt::RightToLeft);
        m_painter->drawText(QRect(0, 0, w, h), Qt::AlignRight | Qt::AlignTop | Qt::TextDontClip, text);
    } else {
        m_painter->drawText(QPoint(0, m_measurer->Ascent(font)), text);
    }
    m_painter->restore();
}

void TrpCanvas::TextOut(int x, int y, const QString &text) { drawTextAt(x, y, text, nullptr); }

void TrpCanvas::TextRect(const TrpRect &clip, int x, int y, const QString &text)
{
    if (m_painter && BkMode == bkOpaque && Brush.Style == bsSolid) {
        const QColor bk = rpToQColor(Brush.Color);
        if (bk.isValid()) m_painter->fillRect(clip.toQRect(), bk);
    }
    const TrpBkMode keep = BkMode;
    BkMode = bkTransparent;        // the rectangle is already painted
    drawTextAt(x, y, text, &clip);
    BkMode = keep;
}

void TrpCanvas::TextOutJustified(const TrpRect &clip, int x, int y, const QString &text, int extra)
{
    const bool clipped = !(clip == TrpRect{});
    int blanks = 0;
    for (QChar c : text)
        if (c.unicode() == 32 || c.unicode() == 160) ++blanks;
    if (blanks == 0 || extra <= 0) {
        if (clipped)
            TextRect(clip, x, y, text);
        else
            TextOut(x, y, text);
        return;
    }
    if (RightToLeft) {
        justifyRightToLeft(clipped ? &clip : nullptr, x, y, text, extra, blanks);
        return;
    }
    // Word by word, each blank widened by its share.
    const int share = extra / blanks, rest = extra % blanks;
    int pos = x, seen = 0, start = 0;
    const bool turned = Font.Orientation == 900;
    auto put = [&](const QString &piece) {
        if (piece.isEmpty()) return;
        const int px = turned ? x : pos, py = turned ? y - (pos - x) : y;
        if (clipped)
            drawTextAt(px, py, piece, &clip);
        else
            drawTextAt(px, py, piece, nullptr);
        pos += TextWidth(piece);
    };
    for (int i = 0; i < text.size(); ++i) {
        const ushort u = text.at(i).unicode();
        if (u != 32 && u != 160) continue;
        put(text.mid(start, i - start + 1));
        pos += share + (seen < rest ? 1 : 0);
        ++seen;
        start = i + 1;
    }
    put(text.mid(start));
}

namespace {

bool isBlank(QChar c) { return c.unicode() == 32 || c.unicode() == 160; }

// Direction of a word by its first strong character: 'L', 'R', a number 'N'
// or neutral 'O'.
char wordDirection(const QString &word)
{
    bool digits = false;
    for (QChar c : word) {
        switch (c.direction()) {
        case QChar::DirL: return 'L';
        case QChar::DirR: case QChar::DirAL: return 'R';
        case QChar::DirEN: case QChar::DirAN: digits = true; break;
        default: break;
        }
    }
    return digits ? 'N' : 'O';
}

} // namespace

// The bidirectional rules applied to whole words and blanks of a line read
// right to left: left-to-right words and numbers go one level up, blanks and
// neutral words between two of the same kind join them, every other blank
// stays with the line; then the runs are turned as the levels say.
void TrpCanvas::justifyRightToLeft(const TrpRect *clip, int x, int y, const QString &text, int extra, int blanks)
{
    struct Token { QString text; bool blank; int blankNo; char dir; int level; };
    std::vector<Token> tokens;
    int blankNo = 0;
    for (int i = 0; i < text.size();) {
        if (isBlank(text.at(i))) {
            tokens.push_back({text.mid(i, 1), true, blankNo++, 'O', 1});
            ++i;
            continue;
        }
        int j = i;
        while (j < text.size() && !isBlank(text.at(j))) ++j;
        const QString word = text.mid(i, j - i);
        tokens.push_back({word, false, -1, wordDirection(word), 1});
        i = j;
    }
    // numbers after a left-to-right word count as left to right
    char lastStrong = 'R';
    for (Token &t : tokens) {
        if (t.dir == 'L' || t.dir == 'R') lastStrong = t.dir;
        else if (t.dir == 'N' && lastStrong == 'L') t.dir = 'L';
    }
    // the side a neutral takes: numbers stand with right-to-left text
    auto side = [](char d) { return d == 'L' ? 'L' : 'R'; };
    const int n = int(tokens.size());
    for (int i = 0; i < n; ++i) {
        Token &t = tokens[size_t(i)];
        if (t.dir == 'L' || t.dir == 'N') {
            t.level = 2;
            continue;
        }
        if (t.dir == 'R') continue;
        int before = i - 1, after = i + 1;
        while (before >= 0 && tokens[size_t(before)].dir == 'O') --before;
        while (after < n && tokens[size_t(after)].dir == 'O') ++after;
        const char b = before >= 0 ? side(tokens[size_t(before)].dir) : 'R';
        const char a = after < n ? side(tokens[size_t(after)].dir) : 'R';
        if (a == 'L' && b == 'L') t.level = 2;
    }
    std::vector<int> order(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) order[size_t(i)] = i;
    for (int level = 2; level >= 1; --level)
        for (int i = 0; i < n;) {
            if (tokens[size_t(order[size_t(i)])].level < level) {
                ++i;
                continue;
            }
            int j = i;
            while (j < n && tokens[size_t(order[size_t(j)])].level >= level) ++j;
            std::reverse(order.begin() + i, order.begin() + j);
            i = j;
        }

    const int share = extra / blanks, rest = extra % blanks;
    const bool turned = Font.Orientation == 900;
    int pos = x;
    for (int k : order) {
        const Token &t = tokens[size_t(k)];
        if (!t.blank) {
            if (turned) drawTextAt(x, y - (pos - x), t.text, clip);
            else drawTextAt(pos, y, t.text, clip);
        }
        pos += TextWidth(t.text);
        if (t.blank) pos += share + (t.blankNo < rest ? 1 : 0);
    }
}

void TrpCanvas::StretchDraw(const TrpRect &target, const QImage &image)
{
    TrpCanvasRecord rec;
    rec.Kind = TrpCanvasRecord::Picture;
    rec.Rect = target;
    record(rec);
    if (!m_painter || image.isNull() || target.isEmpty()) return;
    m_painter->drawImage(target.toQRect(), image);
}

void TrpCanvas::SetClipRect(const TrpRect &r)
{
    if (r == TrpRect{}) {
        ResetClip();
        return;
    }
    m_hasClip = true;
    m_clip = r;
    if (m_painter) m_painter->setClipRect(r.toQRect());
}

void TrpCanvas::ResetClip()
{
    m_hasClip = false;
    m_clip = {};
    if (m_painter) m_painter->setClipping(false);
}

bool TrpCanvas::RectVisible(const TrpRect &r) const
{
    QRect area;
    if (m_hasClip)
        area = m_clip.toQRect();
    else if (m_painter && m_painter->hasClipping())
        area = m_painter->clipBoundingRect().toAlignedRect();
    else if (m_device)
        area = QRect(0, 0, m_device->width(), m_device->height());
    else
        return true;
    return area.intersects(r.toQRect());
}

// ---------------------------------------------------------------- measuring canvas
namespace {

struct MeasuringCanvas
{
    QImage image;
    std::unique_ptr<TrpCanvas> canvas;
    MeasuringCanvas() : image(8, 8, QImage::Format_RGB32)
    {
        image.setDotsPerMeterX(3780);   // 96 dpi
        image.setDotsPerMeterY(3780);
        image.fill(Qt::white);
        canvas = std::make_unique<TrpCanvas>(&image, TrpCanvasKind::Measuring);
    }
};

MeasuringCanvas &measuring()
{
    static MeasuringCanvas m;
    return m;
}

} // namespace

TrpCanvas &rpMeasuringCanvas() { return *measuring().canvas; }

void rpSetMeasuringMeasurer(std::shared_ptr<TrpTextMeasurer> measurer)
{
    measuring().canvas->SetMeasurer(std::move(measurer));
}

// ---------------------------------------------------------------- links
bool rpIsOpenableLink(const QString &link)
{
    const QUrl url(link.trimmed(), QUrl::StrictMode);
    if (!url.isValid()) return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("mailto")) return !url.path().isEmpty();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) return !url.host().isEmpty();
    return false;
}

bool rpOpenLink(kv::Ui &ui, const QString &link)
{
    return rpIsOpenableLink(link) && ui.openLink(link.trimmed());
}

#include "widgets/gwutils.h"

#include "platform/error.h"
#include "platform/text.h"
#include "widgets/imagelist.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMetaObject>
#include <QPainter>
#include <QThread>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace kv::gw {

bool InheritsFromName(const QMetaObject *cls, const QString &name)
{
    const QString wanted = kv::upperCase(name);
    for (; cls; cls = cls->superClass())
        if (kv::upperCase(QString::fromLatin1(cls->className())) == wanted)
            return true;
    return false;
}

bool InheritsFromName(const QObject *obj, const QString &name)
{
    return obj && InheritsFromName(obj->metaObject(), name);
}

bool InGrid(const QWidget *control)
{
    return control && control->parentWidget() &&
           InheritsFromName(control->parentWidget(), QStringLiteral("TCustomGrid"));
}

const char *const kDataGridClassName = "TgwDBGrid";
const char *const kInspectorClassName = "TgwDBInspector";

bool InFocusedDBGrid(const QWidget *control)
{
    const QWidget *p = control ? control->parentWidget() : nullptr;
    return p && InheritsFromName(p, QString::fromLatin1(kDataGridClassName)) && p->hasFocus();
}

bool InDataInspector(const QWidget *control)
{
    const QWidget *p = control ? control->parentWidget() : nullptr;
    return p && InheritsFromName(p, QString::fromLatin1(kInspectorClassName));
}

bool InDataInspectorPaintCopy(const QWidget *)
{
    return false;   // controls here never paint copies of themselves into a host
}

int GridOptionsByte(const QWidget *control)
{
    const QWidget *p = control ? control->parentWidget() : nullptr;
    if (!p || !InheritsFromName(p, QString::fromLatin1(kDataGridClassName)))
        return 0;
    return OrdPropByName(p, "Options") & 0xFF;
}

int OrdPropByName(const QObject *obj, const char *name)
{
    if (!obj)
        return 0;
    const QVariant v = obj->property(name);
    bool ok = false;
    const int i = v.toInt(&ok);
    return ok ? i : 0;
}

static bool isBlankOrTab(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

QString TrimLeftTabs(const QString &s)
{
    int i = 0;
    while (i < s.size() && isBlankOrTab(s[i]))
        ++i;
    return s.mid(i);
}

QString TrimRightTabs(const QString &s)
{
    int n = int(s.size());
    while (n > 0 && isBlankOrTab(s[n - 1]))
        --n;
    return s.left(n);
}

QString TrimTabs(const QString &s) { return TrimLeftTabs(TrimRightTabs(s)); }

ColorParts SplitColor(Color c)
{
    const quint32 v = quint32(colorToRGB(c));
    return {int(v >> 24), int((v >> 16) & 0xFF), int((v >> 8) & 0xFF), int(v & 0xFF)};
}

QString HexRGB(int r, int g, int b)
{
    return QString::asprintf("%2.2x%2.2x%2.2x", r & 0xFF, g & 0xFF, b & 0xFF);
}

QString ColorToRGBText(Color c)
{
    const ColorParts p = SplitColor(c);
    return QStringLiteral("RGB: %1, %2, %3").arg(p.red).arg(p.green).arg(p.blue);
}

QString NameAt(const QStringList &list, int index)
{
    if (index < 0 || index >= list.size())
        return QString();
    const QString &line = list[index];
    const int eq = int(line.indexOf(QLatin1Char('=')));
    return eq < 0 ? line : line.left(eq);
}

QString ValueAt(const QStringList &list, int index)
{
    if (index < 0 || index >= list.size())
        return QString();
    const QString &line = list[index];
    const int eq = int(line.indexOf(QLatin1Char('=')));
    return eq < 0 ? QString() : TrimTabs(line.mid(eq + 1));
}

Color ColorValueAt(const QStringList &list, int index)
{
    bool ok = false;
    const quint32 v = ValueAt(list, index).toUInt(&ok, 16);
    return ok ? Color(v) : clNone;
}

int IndexOfValue(const QString &text, const QStringList &list)
{
    for (int i = 0; i < list.size(); ++i)
        if (ValueAt(list, i) == text)
            return i;
    return -1;
}

int IndexOfNameText(const QString &text, const QStringList &list)
{
    for (int i = 0; i < list.size(); ++i)
        if (kv::sameText(NameAt(list, i), text))
            return i;
    return -1;
}

void SortStrings(QStringList &list, int low, int high,
                 const std::function<bool(const QString &, const QString &)> &less)
{
    if (low < 0 || high >= list.size() || low >= high)
        return;
    std::stable_sort(list.begin() + low, list.begin() + high + 1, less);
}

QString CopyBetween(const QString &s, int from, int upto)
{
    if (from < 1)
        from = 1;
    if (upto == 0)
        return s.mid(from - 1);
    if (upto <= from)
        return QString();
    return s.mid(from - 1, upto - from);
}

int PosFrom(const QString &sub, const QString &s, int start)
{
    if (sub.isEmpty())
        return 0;
    start = std::max(1, start);
    const qsizetype p = s.indexOf(sub, start - 1);
    return p < 0 ? 0 : int(p) + 1;
}

int PosOfOccurrence(const QString &sub, const QString &s, int k)
{
    int pos = 0;
    for (int i = 0; i <= k; ++i) {
        pos = PosFrom(sub, s, pos + 1);
        if (pos == 0)
            return 0;
    }
    return pos;
}

int PieceCount(const QString &s, const QString &delim)
{
    if (s.isEmpty())
        return 0;
    if (delim.isEmpty())
        return 1;
    return 1 + int(s.count(delim));
}

QString Piece(const QString &s, const QString &delim, int k)
{
    if (k < 0 || k >= PieceCount(s, delim))
        return QString();
    if (delim.isEmpty())
        return s;
    return s.split(delim).value(k);
}

int PieceIndex(const QString &s, const QString &delim, const QString &text)
{
    const int n = PieceCount(s, delim);
    for (int k = 0; k < n; ++k)
        if (Piece(s, delim, k) == text)
            return k;
    return -1;
}

QString StripAccelerators(const QString &s)
{
    QString out;
    out.reserve(s.size());
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('&')) {
            if (i + 1 < s.size() && s[i + 1] == QLatin1Char('&')) {
                out += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        out += s[i];
    }
    return out;
}

QString UniqueComponentName(const QObject *owner, const QString &base)
{
    for (int n = 1;; ++n) {
        const QString name = base + QString::number(n);
        bool used = false;
        if (owner)
            for (const QObject *o : owner->findChildren<QObject *>())
                if (o->objectName() == name) {
                    used = true;
                    break;
                }
        if (!used)
            return name;
    }
}

void SetFlagBit(bool on, int &flags, int bit)
{
    if (on)
        flags |= bit;
    else
        flags &= ~bit;
}

int BrightestChannel(Color c)
{
    const ColorParts p = SplitColor(c);
    return std::max({p.red, p.green, p.blue});
}

QRect FitProportional(const QRect &r, int w, int h)
{
    if (w <= 0 || h <= 0 || r.width() <= 0 || r.height() <= 0)
        return QRect(r.topLeft(), QSize(0, 0));
    // R relatively wider than w:h -> full height.
    if (qint64(r.width()) * h > qint64(r.height()) * w)
        return QRect(r.left(), r.top(), int(qint64(r.height()) * w / h), r.height());
    return QRect(r.left(), r.top(), r.width(), int(qint64(r.width()) * h / w));
}

QSize MultiLineExtent(const QFont &font, const QString &text, int lineSpacing, int wrapWidth)
{
    if (text.isEmpty())
        return QSize(0, 0);
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QStringList lines = t.split(QLatin1Char('\n'));
    const QFontMetrics fm(font);
    int w = 0, h = 0;
    for (int i = 0; i < lines.size(); ++i) {
        QSize sz;
        if (wrapWidth > 0)
            sz = fm.boundingRect(QRect(0, 0, wrapWidth, 100000), Qt::TextWordWrap, lines[i]).size();
        else
            sz = QSize(fm.horizontalAdvance(lines[i]), fm.height());
        w = std::max(w, sz.width());
        h += sz.height();
        if (i > 0)
            h += lineSpacing;
    }
    return QSize(w, h);
}

int KeyShiftState()
{
    const Qt::KeyboardModifiers m = QApplication::queryKeyboardModifiers();
    int s = 0;
    if (m & Qt::ShiftModifier) s |= 1;
    if (m & Qt::AltModifier) s |= 2;
    if (m & Qt::ControlModifier) s |= 4;
    return s;
}

Color StepColor(Color c, int amount, bool percent)
{
    const ColorParts p = SplitColor(c);
    int ch[3] = {p.red, p.blue, p.green};   // adjusted in this order
    for (int i = 0; i < 3; ++i) {
        int &v = ch[i];
        const int other = std::max(ch[(i + 1) % 3], ch[(i + 2) % 3]);
        if (v == 0 && other == 255 && amount > 0)
            v = percent ? amount * 255 / 100 : amount;
        else if (percent)
            v = amount > 0 ? v + (255 - v) * amount / 100 : v + v * amount / 100;
        else
            v = v + amount;
        v = std::clamp(v, 0, 255);
    }
    return rgb(ch[0], ch[2], ch[1]);
}

void ButtonLayout(const QPoint &centre, QRect &textR, QRect &glyphR, int spacing,
                  TButtonLayout layout, const QSize &glyphSize, const QSize &textSize)
{
    if (glyphSize.width() == 0 || glyphSize.height() == 0)
        spacing = (spacing - 6) / 2;
    // Flags per axis: 1 the glyph takes part, 2 the text, 4 after the other item.
    auto pos = [&](int f, bool vertical, bool forText) {
        const int g = vertical ? glyphSize.height() + 1 : glyphSize.width();
        const int t = vertical ? textSize.height() : textSize.width();
        int extent = 0;
        if ((f & 3) == 3)
            extent += spacing;
        if (f & 1)
            extent += g;
        if (f & 2)
            extent += t;
        int p = (vertical ? centre.y() : centre.x()) - extent / 2;
        if (f & 4)
            p += (forText ? (vertical ? glyphSize.height() : glyphSize.width()) : t) + spacing;
        return p;
    };
    int th = 0, tv = 0, gh = 0, gv = 0;
    switch (layout) {
    case blGlyphLeft: th = 7; tv = 2; gh = 3; gv = 1; break;
    case blGlyphRight: th = 3; tv = 2; gh = 7; gv = 1; break;
    case blGlyphTop: th = 2; tv = 7; gh = 1; gv = 3; break;
    case blGlyphBottom: th = 2; tv = 3; gh = 1; gv = 7; break;
    }
    textR = QRect(QPoint(pos(th, false, true), pos(tv, true, true)), textSize);
    glyphR = QRect(QPoint(pos(gh, false, false), pos(gv, true, false)), glyphSize);
}

static QImage ditherPattern(Color color1, Color color2)
{
    QImage pat(8, 8, QImage::Format_ARGB32_Premultiplied);
    const QRgb c1 = color1 == clNone ? 0 : toQColor(color1).rgba();
    const QRgb c2 = toQColor(color2).rgba();
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            pat.setPixel(x, y, ((x + y) & 1) ? c2 : c1);
    return pat;
}

void DitherFill(QPainter &p, const QRect &r, Color color1, Color color2)
{
    if (color2 == clNone)
        throw kv::Error(QStringLiteral("Color2 cannot be clNone"));
    p.save();
    p.setBrushOrigin(0, 0);
    p.fillRect(r, QBrush(ditherPattern(color1, color2)));
    p.restore();
}

void DitherFill(QImage &image, const QRect &r, Color color1, Color color2)
{
    QPainter p(&image);
    DitherFill(p, r, color1, color2);
}

void DrawImageListItem(const kv::ImageList *list, int index, QPainter &p, bool enabled, int x, int y)
{
    if (list)
        list->draw(p, index, x, y, enabled);
}

QRegion RegionFromBitmap(const QImage &image, Color color)
{
    QRegion region;
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return region;
    const QImage img = image.convertToFormat(QImage::Format_RGB32);
    const QRgb key = color == -1 ? (img.pixel(0, 0) & 0xFFFFFF)
                                 : (toQColor(color).rgb() & 0xFFFFFF);
    for (int y = 0; y < img.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        int x = 0;
        while (x < img.width()) {
            while (x < img.width() && (row[x] & 0xFFFFFF) == key)
                ++x;
            const int start = x;
            while (x < img.width() && (row[x] & 0xFFFFFF) != key)
                ++x;
            if (x > start)
                region += QRect(start, y, x - start, 1);
        }
    }
    return region;
}

void Frame3D(QPainter &p, QRect &r, const QColor &topLeft, const QColor &bottomRight, int width)
{
    p.save();
    for (int i = 0; i < width; ++i) {
        p.setPen(topLeft);
        p.drawLine(r.left(), r.bottom(), r.left(), r.top());
        p.drawLine(r.left(), r.top(), r.right(), r.top());
        p.setPen(bottomRight);
        p.drawLine(r.right(), r.top(), r.right(), r.bottom());
        p.drawLine(r.right(), r.bottom(), r.left(), r.bottom());
        r.adjust(1, 1, -1, -1);
    }
    p.restore();
}

static void raisedEdge(QPainter &p, const QRect &r, bool flat)
{
    p.fillRect(r, toQColor(clBtnFace));
    QRect e = r;
    if (flat) {
        Frame3D(p, e, toQColor(clBtnShadow), toQColor(clBtnShadow), 1);
        return;
    }
    Frame3D(p, e, toQColor(cl3DLight), toQColor(cl3DDkShadow), 1);
    Frame3D(p, e, toQColor(clBtnHighlight), toQColor(clBtnShadow), 1);
}

void DrawEllipsisButton(QPainter &p, const QRect &r, int state, int flags)
{
    raisedEdge(p, r, state == 2 && !(flags & 0x80));
    const int w = std::max(1, (r.width() + 1) / 8);
    const int g = (r.width() - 1) / 2 - (state == 2 ? 0 : 1);
    const int d = r.height() / 2 - (state == 2 ? 0 : 1);
    for (int i = -1; i <= 1; ++i)
        p.fillRect(r.left() + g + i * 2 * w, r.top() + d, w, w, Qt::black);
}

void DrawComboArrow(QPainter &p, const QRect &r, bool pressed, int flags, bool enabled)
{
    const bool down = enabled && pressed && !(flags & 0x80);
    raisedEdge(p, r, down);
    const QColor c = enabled ? Qt::black : toQColor(clBtnShadow);
    const int cx = r.left() + r.width() / 2 + (down ? 1 : 0);
    const int cy = r.top() + r.height() / 2 - 1 + (down ? 1 : 0);
    p.save();
    p.setPen(c);
    for (int i = 0; i < 4; ++i)
        p.drawLine(cx - 3 + i, cy - 1 + i, cx + 3 - i, cy - 1 + i);
    if (!enabled) {
        p.setPen(toQColor(clBtnHighlight));
        p.drawPoint(cx + 1, cy + 3);
    }
    p.restore();
}

QRect AnimationStep(const QRect &start, const QRect &end, int k, int steps)
{
    if (steps <= 0 || k >= steps)
        return end;
    const double f = double(k) / steps;
    auto lerp = [f](int a, int b) { return a + int(std::trunc((b - a) * f)); };
    // Left/top/right/bottom as edges (right and bottom exclusive).
    const int l = lerp(start.left(), end.left());
    const int t = lerp(start.top(), end.top());
    const int rr = lerp(start.left() + start.width(), end.left() + end.width());
    const int b = lerp(start.top() + start.height(), end.top() + end.height());
    return QRect(l, t, rr - l, b - t);
}

void AnimateControls(QList<TgwAnimationEntry> &list, const TgwAnimateCallback &callback,
                     int steps, int interval)
{
    if (list.isEmpty() || steps <= 0)
        return;
    auto place = [&](TgwAnimatedItem &it, int k) {
        if (!it.Control)
            return;
        it.Before = it.Control->geometry();
        const QRect r = AnimationStep(it.Start, it.End, k, steps);
        if (callback)
            callback(it.Control, r);
        else
            it.Control->setGeometry(r);
    };
    for (int k = 1; k <= steps; ++k) {
        for (TgwAnimationEntry &e : list) {
            place(e.Primary, k);
            place(e.Partner, k);
        }
        for (TgwAnimationEntry &e : list) {
            if (e.Primary.Control)
                e.Primary.Control->repaint();
            if (e.Partner.Control)
                e.Partner.Control->update();
        }
        QCoreApplication::processEvents();
        if (interval > 0)
            QThread::msleep(ulong(interval));
        QCoreApplication::processEvents();
    }
}

} // namespace kv::gw

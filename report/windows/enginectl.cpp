#include "report/windows/enginectl.h"

#include <QEnterEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcutEvent>

#include "platform/colors.h"
#include "report/core/canvas.h"

namespace {

QColor sysColor(TrpColor c) { return rpToQColor(c); }
const QColor kFace() { return sysColor(clBtnFace); }
const QColor kShadow() { return sysColor(clBtnShadow); }
const QColor kHighlight() { return sysColor(qint32(0x80000014u)); }   // button highlight
constexpr QRgb kOlive = qRgb(0, 128, 128);

// The 8 x 8 pattern of a button held down: face with white where row and
// column are both even or both odd.
const QImage &downPattern()
{
    static const QImage pattern = [] {
        QImage img(8, 8, QImage::Format_RGB32);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                img.setPixel(x, y, ((x % 2) == (y % 2)) ? qRgb(255, 255, 255) : kFace().rgb());
        return img;
    }();
    return pattern;
}

} // namespace

int rpGrayLevel(QRgb c) { return (qRed(c) * 77 + qGreen(c) * 150 + qBlue(c) * 29) / 256; }

// ---------------------------------------------------------------- glyph

TrpButtonGlyph::TrpButtonGlyph() : m_transparent(kOlive) {}

void TrpButtonGlyph::invalidate()
{
    for (QImage &i : m_prepared) i = QImage();
}

void TrpButtonGlyph::SetGlyph(const QImage &image)
{
    invalidate();
    m_source = image.convertToFormat(QImage::Format_RGB32);
    if (m_source.isNull()) {
        m_transparent = kOlive;
        return;
    }
    m_transparent = m_source.pixel(0, m_source.height() - 1) & 0xFFFFFF;
    if (m_source.height() > 0 && m_source.width() % m_source.height() == 0) {
        const int n = m_source.width() / m_source.height();
        if (n > 0 && n < 5) m_numGlyphs = n;
    }
}

void TrpButtonGlyph::SetNumGlyphs(int n)
{
    if (n < 1) n = 1;
    if (n > 4) n = 4;
    if (n == m_numGlyphs) return;
    m_numGlyphs = n;
    invalidate();
}

const QImage &TrpButtonGlyph::StateImage(TrpButtonState state)
{
    QImage &out = m_prepared[state];
    if (!out.isNull() || m_source.isNull()) return out;
    const int w = m_source.width() / m_numGlyphs, h = m_source.height();
    if (w <= 0 || h <= 0) return out;
    int index = int(state);
    if (state == rbsInactive) index = 0;
    if (state == rbsDown && m_numGlyphs < 3) index = 0;
    if (index >= m_numGlyphs) index = 0;
    const QImage src = m_source.copy(index * w, 0, w, h);
    const QRgb face = kFace().rgb() & 0xFFFFFF;
    auto isClear = [&](QRgb p) { return (p & 0xFFFFFF) == m_transparent; };
    if (state == rbsDisabled && m_numGlyphs < 3) {
        // Light pixels stay out of the shape, as a mask of dark ones would.
        const auto inShape = [&](int x, int y) {
            const QRgb p = src.pixel(x, y);
            return !isClear(p) && (p & 0xFFFFFF) != face && rpGrayLevel(p) < 192;
        };
        return out = kv::EmbossedImage(src.size(), inShape, src.size(), Qt::transparent, kShadow(), kHighlight());
    }
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb p = src.pixel(x, y);
            if (isClear(p)) continue;
            QRgb c = p | 0xFF000000u;
            if (state == rbsInactive && (p & 0xFFFFFF) != face) {
                const int g = rpGrayLevel(p);
                c = qRgb(g, g, g);
            } else if (state == rbsDisabled) {
                // A disabled image of its own is recoloured to the three button colours.
                const int g = rpGrayLevel(p);
                c = (g < 96 ? kShadow() : g > 200 ? kHighlight() : kFace()).rgb();
            }
            img.setPixel(x, y, c);
        }
    return out = img;
}

// ---------------------------------------------------------------- speed button

TrpSpeedButton::TrpSpeedButton(QWidget *parent) : QWidget(parent)
{
    resize(22, 22);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
}

void TrpSpeedButton::SetAllowAllUp(bool v)
{
    if (m_allowAllUp == v) return;
    m_allowAllUp = v;
    updateExclusive();
}

void TrpSpeedButton::SetGroupIndex(int v)
{
    if (m_groupIndex == v) return;
    m_groupIndex = v;
    updateExclusive();
}

void TrpSpeedButton::SetDown(bool v)
{
    if (m_groupIndex == 0) v = false;
    if (v == m_down) return;
    if (m_down && !m_allowAllUp) return;
    m_down = v;
    update();
    if (v) updateExclusive();
}

void TrpSpeedButton::SetFlat(bool v) { m_flat = v; update(); }
void TrpSpeedButton::SetGrayedInactive(bool v) { m_grayedInactive = v; update(); }
void TrpSpeedButton::SetLayout(TrpButtonLayout v) { m_layout = v; update(); }
void TrpSpeedButton::SetSpacing(int v) { m_spacing = v; update(); }
void TrpSpeedButton::SetGlyph(const QImage &image) { m_glyph.SetGlyph(image); update(); }
void TrpSpeedButton::SetNumGlyphs(int n) { m_glyph.SetNumGlyphs(n); update(); }

void TrpSpeedButton::SetMargin(int v)
{
    if (v < -1 || v == m_margin) return;
    m_margin = v;
    update();
}

void TrpSpeedButton::SetCaption(const QString &caption)
{
    m_caption = caption;
    if (m_shortcutId) releaseShortcut(m_shortcutId);
    m_shortcutId = 0;
    const QKeySequence mnemonic = QKeySequence::mnemonic(caption);
    if (!mnemonic.isEmpty()) m_shortcutId = grabShortcut(mnemonic);
    update();
}

TrpButtonState TrpSpeedButton::State() const
{
    if (!isEnabled()) return rbsDisabled;
    if (m_pressedState) return m_down ? rbsExclusive : rbsDown;
    if (m_down) return rbsExclusive;
    if (m_flat && m_grayedInactive && !m_mouseIn) return rbsInactive;
    return rbsUp;
}

void TrpSpeedButton::updateExclusive()
{
    if (m_groupIndex == 0 || !parentWidget()) return;
    for (QObject *o : parentWidget()->children()) {
        auto *b = qobject_cast<TrpSpeedButton *>(o);
        if (!b || b == this || b->m_groupIndex != m_groupIndex) continue;
        b->buttonPressed(this);
    }
}

void TrpSpeedButton::buttonPressed(TrpSpeedButton *sender)
{
    if (sender->m_down && m_down) {
        m_down = false;
        update();
    }
    m_allowAllUp = sender->m_allowAllUp;
}

void TrpSpeedButton::Click()
{
    if (!isEnabled()) return;
    if (m_groupIndex != 0) SetDown(!m_down);
    if (OnClick) OnClick();
    emit clicked();
}

void TrpSpeedButton::mousePressEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton || !isEnabled()) return;
    if (!m_down || m_allowAllUp || m_groupIndex == 0) {
        m_pressedState = true;
        update();
    }
    m_dragging = true;
}

void TrpSpeedButton::mouseMoveEvent(QMouseEvent *e)
{
    if (!m_dragging) return;
    const bool inside = rect().contains(e->position().toPoint());
    if (inside != m_pressedState) {
        m_pressedState = inside;
        update();
    }
}

void TrpSpeedButton::mouseReleaseEvent(QMouseEvent *e)
{
    if (!m_dragging || e->button() != Qt::LeftButton) return;
    m_dragging = false;
    m_pressedState = false;
    const bool inside = rect().contains(e->position().toPoint());
    if (m_groupIndex != 0 && inside) SetDown(!m_down);
    update();
    if (inside) {
        if (OnClick) OnClick();
        emit clicked();
    }
}

void TrpSpeedButton::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (m_down && OnDblClick) OnDblClick();
    else mousePressEvent(e);
}

void TrpSpeedButton::enterEvent(QEnterEvent *)
{
    if (m_mouseIn) return;
    m_mouseIn = true;
    if (isEnabled() && m_flat) {
        update();
        if (OnMouseEnter) OnMouseEnter();
    }
}

void TrpSpeedButton::leaveEvent(QEvent *)
{
    if (!m_mouseIn) return;
    m_mouseIn = false;
    if (isEnabled() && m_flat) {
        update();
        if (OnMouseLeave) OnMouseLeave();
    }
}

void TrpSpeedButton::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::EnabledChange || e->type() == QEvent::FontChange) update();
    QWidget::changeEvent(e);
}

bool TrpSpeedButton::event(QEvent *e)
{
    if (e->type() == QEvent::Shortcut && static_cast<QShortcutEvent *>(e)->shortcutId() == m_shortcutId) {
        Click();
        return true;
    }
    return QWidget::event(e);
}

void TrpSpeedButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect r = rect();
    const TrpButtonState state = State();
    p.fillRect(r, kFace());
    QPoint shift(0, 0);
    if (m_flat) {
        if (state == rbsDown || state == rbsExclusive) shift = QPoint(1, 1);
    } else {
        // The button frame, pushed in while pressed or down.
        const bool in = state == rbsDown || state == rbsExclusive;
        p.setPen(in ? QColor(Qt::black) : QColor(Qt::white));
        p.drawLine(r.left(), r.top(), r.right() - 1, r.top());
        p.drawLine(r.left(), r.top(), r.left(), r.bottom() - 1);
        p.setPen(in ? QColor(Qt::white) : QColor(Qt::black));
        p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
        p.drawLine(r.right(), r.top(), r.right(), r.bottom());
        p.setPen(kShadow());
        if (!in) {
            p.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
            p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
        } else {
            p.drawLine(r.left() + 1, r.top() + 1, r.right() - 1, r.top() + 1);
            p.drawLine(r.left() + 1, r.top() + 1, r.left() + 1, r.bottom() - 1);
        }
        shift = in ? QPoint(1, 1) : QPoint(0, 0);
    }
    if (state == rbsExclusive && (!m_flat || !m_mouseIn)) {
        const QRect inner = m_flat ? r.adjusted(1, 1, -1, -1) : r.adjusted(2, 2, -2, -2);
        p.fillRect(inner, QBrush(downPattern()));
    }

    // Glyph and caption, laid out as a speed button lays them.
    const QImage &img = m_glyph.StateImage(state);
    const QSize gs = img.isNull() ? QSize(0, 0) : img.size();
    const QSize ts = m_caption.isEmpty() ? QSize(0, 0) : p.fontMetrics().size(Qt::TextSingleLine | Qt::TextShowMnemonic, m_caption);
    const bool horizontal = m_layout == rblGlyphLeft || m_layout == rblGlyphRight;
    const int spacing = (gs.isEmpty() || ts.isEmpty()) ? 0 : m_spacing;
    const int total = horizontal ? gs.width() + spacing + ts.width() : gs.height() + spacing + ts.height();
    const int avail = horizontal ? r.width() : r.height();
    const int start = m_margin == -1 ? (avail - total) / 2 : m_margin;
    QPoint gp, tp;
    if (horizontal) {
        const int gy = (r.height() - gs.height()) / 2, ty = (r.height() - ts.height()) / 2;
        if (m_layout == rblGlyphLeft) {
            gp = QPoint(start, gy);
            tp = QPoint(start + gs.width() + spacing, ty);
        } else {
            tp = QPoint(r.width() - start - total, ty);
            gp = QPoint(tp.x() + ts.width() + spacing, gy);
        }
    } else {
        const int gx = (r.width() - gs.width()) / 2, tx = (r.width() - ts.width()) / 2;
        if (m_layout == rblGlyphTop) {
            gp = QPoint(gx, start);
            tp = QPoint(tx, start + gs.height() + spacing);
        } else {
            tp = QPoint(tx, r.height() - start - total);
            gp = QPoint(gx, tp.y() + ts.height() + spacing);
        }
    }
    if (!img.isNull()) p.drawImage(gp + shift, img);
    if (!m_caption.isEmpty()) {
        const QRect tr(tp + shift, ts);
        const int flags = Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
        if (state == rbsDisabled) {
            p.setPen(Qt::white);
            p.drawText(tr.translated(1, 1), flags, m_caption);
            p.setPen(QColor(128, 128, 128));
        } else {
            p.setPen(Qt::black);
        }
        p.drawText(tr, flags, m_caption);
    }
    // A flat button under the mouse (or down) gets a one-pixel frame.
    if (m_flat && isEnabled() && (m_mouseIn || m_down)) {
        const bool sunk = state == rbsDown || state == rbsExclusive;
        p.setPen(sunk ? kShadow() : kHighlight());
        p.drawLine(r.left(), r.top(), r.right(), r.top());
        p.drawLine(r.left(), r.top(), r.left(), r.bottom());
        p.setPen(sunk ? kHighlight() : kShadow());
        p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
        p.drawLine(r.right(), r.top(), r.right(), r.bottom());
    }
}

// ---------------------------------------------------------------- toolbar items

TrpAlign rpPanelAlign(const QWidget *panel)
{
    if (!panel) return raNone;
    const QVariant v = panel->property("rpAlign");
    return v.isValid() ? TrpAlign(v.toInt()) : raNone;
}

void rpSetPanelAlign(QWidget *panel, TrpAlign align)
{
    if (panel) panel->setProperty("rpAlign", int(align));
}

TrpAlign rpToolbarItemAlign(const QWidget *toolbarPanel)
{
    const QWidget *outer = toolbarPanel ? toolbarPanel->parentWidget() : nullptr;
    const TrpAlign a = rpPanelAlign(outer);
    return (a == raLeft || a == raRight) ? raTop : raLeft;
}

void rpLayoutToolbar(QWidget *toolbarPanel)
{
    if (!toolbarPanel) return;
    int x = 0, y = 0;
    for (QObject *o : toolbarPanel->children()) {
        auto *w = qobject_cast<QWidget *>(o);
        if (!w || w->isHidden()) continue;
        TrpAlign a = raNone;
        if (auto *b = qobject_cast<TrpTBButton *>(w)) a = b->Align();
        else if (auto *s = qobject_cast<TrpTBSeparator *>(w)) a = s->Align();
        else continue;
        if (a == raTop) {
            w->setGeometry(0, y, toolbarPanel->width(), w->height());
            y += w->height();
        } else {
            w->setGeometry(x, 0, w->width(), toolbarPanel->height());
            x += w->width();
        }
    }
}

TrpTBButton::TrpTBButton(QWidget *parent) : TrpSpeedButton(parent)
{
    m_flat = true;
    if (parent) AlignToParent();
}

void TrpTBButton::AlignToParent() { m_align = rpToolbarItemAlign(parentWidget()); }

TrpTBSeparator::TrpTBSeparator(QWidget *parent) : QWidget(parent)
{
    resize(8, 8);
    if (parent) AlignToParent();
}

void TrpTBSeparator::AlignToParent() { SetAlign(rpToolbarItemAlign(parentWidget())); }

void TrpTBSeparator::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), kFace());
    if (!m_drawBevel) return;
    const int w = width(), h = height();
    if (m_align == raTop || m_align == raBottom) {
        const int y = h / 2;
        p.setPen(kShadow());
        p.drawLine(2, y, w - 2 - 1, y);
        p.setPen(kHighlight());
        p.drawLine(2, y + 1, w - 2 - 1, y + 1);
    } else {
        const int x = w / 2;
        p.setPen(kShadow());
        p.drawLine(x, 2, x, h - 2 - 1);
        p.setPen(kHighlight());
        p.drawLine(x + 1, 2, x + 1, h - 2 - 1);
    }
}

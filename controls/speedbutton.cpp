#include "controls/speedbutton.h"

#include "controls/extimer.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QEnterEvent>
#include <QIcon>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

using namespace kv;

TExSpeedButton::TExSpeedButton(QWidget *parent) : QToolButton(parent)
{
    setGeometry(0, 0, 25, 25);
    setAutoRaise(false);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(false);
}

TExSpeedButton::~TExSpeedButton() = default;

// ---- pure layout -------------------------------------------------------

int TExSpeedButton::GlyphCountForStrip(int width, int height, int current)
{
    if (width <= 0 || height <= 0) return current;
    if (width % height != 0) return current;
    const int n = width / height;
    return n > 5 ? 1 : n;
}

TExSpeedButton::GlyphLayout TExSpeedButton::ComputeLayout(const QRect &client, QSize glyph,
                                                          const QString &caption, int margin,
                                                          int spacing, TButtonLayout layout,
                                                          bool drawMark, bool wordWrap,
                                                          const ExTextMetrics &metrics)
{
    GlyphLayout out;
    const int cw = client.width(), ch = client.height();
    QSize g = glyph;
    const int m0 = margin == -1 ? 0 : margin, s0 = spacing == -1 ? 0 : spacing;
    QSize room;
    if (layout == blGlyphTop || layout == blGlyphBottom)
        room = QSize(cw, ch - g.height() - m0 - s0);
    else
        room = QSize(cw - g.width() - m0 - s0 - (drawMark ? 9 : 0), ch);
    room = room.expandedTo(QSize(0, 0));

    QString text = caption;
    if (!wordWrap) {
        QStringList lines = caption.split(QLatin1Char('\n'));
        for (QString &l : lines) l = ShortenTextToWidth(l, metrics, room.width());
        text = lines.join(QLatin1Char('\n'));
        while (text.endsWith(QLatin1Char(' '))) text.chop(1);
        text = text.left(255);
    }
    QSize t(0, 0);
    if (!text.isEmpty()) {
        t = metrics.textSize(text, room.width(), wordWrap);
        t = t.boundedTo(room);
    }
    if (drawMark) {
        if (g.width() == 0 || g.height() == 0 || layout == blGlyphLeft) t.rwidth() += 9;
        else g.rwidth() += 6;
    }
    QPoint gp, tp;
    const bool horiz = layout == blGlyphLeft || layout == blGlyphRight;
    if (horiz) {
        gp.setY(ch / 2 - g.height() / 2);
        tp.setY(ch / 2 - t.height() / 2);
    } else {
        gp.setX(cw / 2 - g.width() / 2);
        tp.setX(cw / 2 - t.width() / 2);
    }
    int m = margin, s = spacing;
    if (t.width() == 0 || g.width() == 0) s = 0;
    const int c = horiz ? cw : ch;
    const int ga = horiz ? g.width() : g.height();
    const int ta = horiz ? t.width() : t.height();
    if (m == -1 && s == -1) {
        m = s = (c - (ga + ta)) / 3;
    } else if (m == -1) {
        m = c / 2 - (ga + s + ta) / 2;
    } else if (s == -1) {
        s = (c - m - ga) / 2 - ta / 2;
    }
    int gAlong = 0, tAlong = 0;
    switch (layout) {
    case blGlyphLeft:
    case blGlyphTop:
        gAlong = m;
        tAlong = m + ga + s;
        break;
    case blGlyphRight:
    case blGlyphBottom:
        gAlong = c - m - ga;
        tAlong = gAlong - s - ta;
        break;
    }
    if (horiz) {
        gp.setX(gAlong);
        tp.setX(tAlong);
    } else {
        gp.setY(gAlong);
        tp.setY(tAlong);
    }
    out.glyphPos = gp + client.topLeft();
    out.glyphSize = g;
    out.textRect = QRect(tp + client.topLeft(), t);
    out.caption = text;
    return out;
}

QPoint TExSpeedButton::DropDownPoint() const
{
    if (!m_menu) return QPoint(0, 0);
    // Menus here always open left-aligned to their point.
    if (m_menuPos == dmpBottom) return QPoint(-1, height());
    return QPoint(width(), -1);
}

// ---- properties ---------------------------------------------------------

void TExSpeedButton::setAllowAllUp(bool v)
{
    if (m_allowAllUp == v) return;
    m_allowAllUp = v;
    BroadcastGroup();
}

void TExSpeedButton::setAllowTimer(bool v)
{
    m_allowTimer = v;
    if (!v) {
        delete m_repeat;
        m_repeat = nullptr;
    }
}

void TExSpeedButton::setGroupIndex(int v)
{
    if (m_groupIndex == v) return;
    m_groupIndex = v;
    BroadcastGroup();
}

void TExSpeedButton::setDown(bool v)
{
    if (m_groupIndex == 0) v = false;
    if (v == m_down) return;
    if (m_down && !m_allowAllUp) return;   // a latched button is not released by itself
    m_down = v;
    m_state = v ? bfsExclusive : bfsUp;
    repaint();
    if (v) BroadcastGroup();
    update();
}

void TExSpeedButton::setDropDownMenu(QMenu *menu)
{
    m_menu = menu;
    if (m_markDropDown) update();
}

void TExSpeedButton::setCaption(const QString &c)
{
    setText(c);
    update();
}

#define KV_SETTER(name, field)          \
    void TExSpeedButton::name(bool v)   \
    {                                   \
        if (field == v) return;         \
        field = v;                      \
        update();                       \
    }
KV_SETTER(setFlat, m_flat)
KV_SETTER(setFlatStandard, m_flatStandard)
KV_SETTER(setGrayedInactive, m_grayedInactive)
KV_SETTER(setMarkDropDown, m_markDropDown)
KV_SETTER(setTransparent, m_transparent)
KV_SETTER(setWordWrap, m_wordWrap)
#undef KV_SETTER

void TExSpeedButton::setGlyph(const QImage &img)
{
    InvalidateImages();
    m_glyph = img;
    if (img.height() > 0 && img.width() > 0) {
        m_transparentColor = BottomLeftColor(img);
        m_numGlyphs = GlyphCountForStrip(img.width(), img.height(), m_numGlyphs);
    }
    update();
}

void TExSpeedButton::setButtonLayout(TButtonLayout l)
{
    if (m_layout == l) return;
    m_layout = l;
    update();
}

void TExSpeedButton::setMargin(int m)
{
    if (m < -1 || m == m_margin) return;
    m_margin = m;
    update();
}

void TExSpeedButton::setNumGlyphs(int n)
{
    if (n <= 0) return;
    n = MinInt(n, 5);
    if (n == m_numGlyphs) return;
    InvalidateImages();
    m_numGlyphs = n;
    update();
}

void TExSpeedButton::setSpacing(int s)
{
    if (s == m_spacing) return;
    m_spacing = s;
    update();
}

void TExSpeedButton::setStyle(TButtonStyle s)
{
    if (s == m_style) return;
    m_style = s;
    update();
}

void TExSpeedButton::setAlignment(Qt::Alignment a)
{
    if (a == m_alignment) return;
    m_alignment = a;
    update();
}

void TExSpeedButton::setAction(QAction *a)
{
    if (m_action) disconnect(m_action, nullptr, this, nullptr);
    m_action = a;
    if (a) {
        connect(a, &QAction::changed, this, &TExSpeedButton::ActionChange);
        ActionChange();
    }
}

void TExSpeedButton::ActionChange()
{
    if (!m_action) return;
    setEnabled(m_action->isEnabled());
    setVisible(m_action->isVisible());
    setToolTip(m_action->toolTip());
    if (m_action->isCheckable() && m_groupIndex != 0) setDown(m_action->isChecked());
    if (m_glyph.isNull() && !m_action->icon().isNull()) {
        // The action's image on fuchsia, which then keys out.
        QImage img(16, 16, QImage::Format_RGB32);
        img.fill(QColor(0xFF, 0x00, 0xFF));
        QPainter p(&img);
        m_action->icon().paint(&p, img.rect());
        p.end();
        setGlyph(img);
        m_transparentColor = QColor(0xFF, 0x00, 0xFF);
    }
}

// ---- images ------------------------------------------------------------

void TExSpeedButton::InvalidateImages()
{
    for (int i = 0; i < 5; ++i) {
        m_images[i] = QImage();
        m_made[i] = false;
    }
}

QImage TExSpeedButton::StateImage(TButtonFaceState s)
{
    int idx = int(s);
    if ((s == bfsDown || s == bfsExclusive) && m_numGlyphs < 3) idx = bfsUp;
    if (m_made[idx]) return m_images[idx];
    m_made[idx] = true;
    if (m_glyph.isNull() || m_glyph.width() == 0 || m_glyph.height() == 0) return m_images[idx] = QImage();
    const int w = m_glyph.width() / m_numGlyphs, h = m_glyph.height();
    if (w <= 0) return m_images[idx] = QImage();
    const int pick = idx < m_numGlyphs ? idx : 0;
    const QImage glyph = m_glyph.copy(pick * w, 0, w, h);
    if (idx == bfsDisabled && m_numGlyphs < 2) {
        m_images[idx] = KeyedImage(MakeDisabledGlyph(m_glyph.copy(0, 0, w, h)), BtnFaceColor());
    } else if (idx == bfsInactive && m_numGlyphs < 5) {
        QImage work = m_glyph.copy(0, 0, w, h).convertToFormat(QImage::Format_RGB32);
        const QRgb key = m_transparentColor.rgb() & 0xFFFFFF, face = BtnFaceColor().rgb() & 0xFFFFFF;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const QRgb c = work.pixel(x, y) & 0xFFFFFF;
                if (c == key || c == face) continue;
                const int g = (77 * qRed(c) + 150 * qGreen(c) + 29 * qBlue(c)) / 256;
                work.setPixel(x, y, qRgb(g, g, g));
            }
        m_images[idx] = KeyedImage(work, m_transparentColor);
    } else {
        m_images[idx] = KeyedImage(glyph, m_transparentColor);
    }
    return m_images[idx];
}

// ---- painting ----------------------------------------------------------

void TExSpeedButton::DrawButtonFace(QPainter &p, QRect &r, bool pressed, bool newLook, bool flat)
{
    auto frame = [&](const QColor &tl, const QColor &br) {
        p.setPen(tl);
        p.drawLine(r.left(), r.bottom(), r.left(), r.top());
        p.drawLine(r.left(), r.top(), r.right(), r.top());
        p.setPen(br);
        p.drawLine(r.right(), r.top(), r.right(), r.bottom());
        p.drawLine(r.right(), r.bottom(), r.left(), r.bottom());
        r.adjust(1, 1, -1, -1);
    };
    const QColor hi = BtnHighlightColor(), sh = BtnShadowColor(), fr = WindowFrameColor(), face = BtnFaceColor();
    if (!pressed) {
        if (flat) frame(hi, newLook ? sh : fr);
        else if (newLook) { frame(hi, fr); frame(face, sh); }
        else { frame(fr, fr); frame(hi, sh); }
    } else {
        if (flat) frame(newLook ? sh : fr, hi);
        else if (newLook) { frame(fr, hi); frame(sh, face); }
        else {
            frame(fr, fr);
            p.setPen(sh);
            p.drawLine(r.left(), r.bottom(), r.left(), r.top());
            p.drawLine(r.left(), r.top(), r.right(), r.top());
        }
    }
    r.adjust(1, 1, -1, -1);
}

void TExSpeedButton::paintEvent(QPaintEvent *)
{
    if (!isEnabled()) {
        m_state = bfsDisabled;
        m_dragging = false;
    } else if (m_state == bfsDisabled) {
        m_state = (m_down && m_groupIndex != 0) ? bfsExclusive : bfsUp;
    }
    TButtonFaceState paintState = m_state;
    if (m_flat && !m_mouseInControl) paintState = bfsInactive;

    QPainter p(this);
    if (!m_transparent) p.fillRect(rect(), BtnFaceColor());
    QRect r = rect();
    if (!(paintState == bfsInactive && m_state != bfsExclusive)) {
        const bool pressed = m_state == bfsDown || m_state == bfsExclusive;
        DrawButtonFace(p, r, pressed, m_style != bsWin31, m_flat);
    } else {
        r.adjust(2, 2, -2, -2);
    }
    if (m_state == bfsExclusive && !m_transparent && (!m_flat || paintState == bfsInactive)) {
        QImage checker(2, 2, QImage::Format_RGB32);
        checker.setPixel(0, 0, BtnFaceColor().rgb());
        checker.setPixel(1, 1, BtnFaceColor().rgb());
        checker.setPixel(1, 0, BtnHighlightColor().rgb());
        checker.setPixel(0, 1, BtnHighlightColor().rgb());
        p.fillRect(r.adjusted(-1, -1, 1, 1), QBrush(checker));
    }
    if (m_state == bfsDown || m_state == bfsExclusive) r.translate(1, 1);
    TButtonFaceState glyphState = m_state;
    if (m_grayedInactive && m_state != bfsDisabled) glyphState = paintState;
    DrawGlyphAndCaption(p, r, m_markDropDown && m_menu, glyphState);
}

void TExSpeedButton::DrawGlyphAndCaption(QPainter &p, const QRect &r, bool drawMark, TButtonFaceState state)
{
    if (m_flatStandard && state == bfsInactive) state = bfsExclusive;
    QSize g(0, 0);
    if (!m_glyph.isNull() && m_numGlyphs > 0) g = QSize(m_glyph.width() / m_numGlyphs, m_glyph.height());
    p.setFont(font());
    const ExFontMetrics fm(font());
    const GlyphLayout lay = ComputeLayout(r, g, text().remove(QLatin1Char('&')), m_margin, m_spacing,
                                          m_layout, drawMark, m_wordWrap, fm);
    const QImage img = StateImage(state);
    if (!img.isNull()) p.drawImage(lay.glyphPos, img);
    if (!lay.caption.isEmpty()) {
        const int flags = int(m_alignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter |
                          (m_wordWrap ? Qt::TextWordWrap : 0);
        QRect tr = lay.textRect;
        if (drawMark && (g.width() == 0 || g.height() == 0 || m_layout == blGlyphLeft)) tr.setWidth(tr.width() - 9);
        if (state == bfsDisabled) {
            p.setPen(BtnHighlightColor());
            p.drawText(tr.translated(1, 1), flags, lay.caption);
            p.setPen(BtnShadowColor());
        } else {
            p.setPen(BtnTextColor());
        }
        p.drawText(tr, flags, lay.caption);
    }
    if (drawMark) {
        int x, y;
        const bool glyphDrawn = !img.isNull();
        if (m_layout != blGlyphLeft && glyphDrawn) {
            x = lay.glyphPos.x() + img.width() + 1;
            y = lay.glyphPos.y() + img.height() / 2;
        } else {
            const QRect tr = lay.textRect;
            x = lay.caption.isEmpty() ? (r.left() + r.left() + r.width() - 7) / 2
                                      : tr.left() + tr.width() - 9 + 3;
            y = tr.top() + tr.height() / 2;
        }
        DrawDropMark(p, x, y, state);
    }
}

void TExSpeedButton::DrawDropMark(QPainter &p, int x, int y, TButtonFaceState s)
{
    auto tri = [&](int ox, int oy, const QColor &c) {
        p.setPen(c);
        p.drawLine(ox, oy - 1, ox + 6, oy - 1);
        p.drawLine(ox + 1, oy, ox + 5, oy);
        p.drawLine(ox + 2, oy + 1, ox + 4, oy + 1);
        p.drawPoint(ox + 3, oy + 2);
    };
    if (s == bfsDisabled) {
        tri(x + 1, y + 1, BtnHighlightColor());
        tri(x, y, BtnShadowColor());
    } else {
        tri(x, y, BtnTextColor());
    }
}

// ---- mouse -------------------------------------------------------------

bool TExSpeedButton::inside(const QPoint &pos) const
{
    return pos.x() >= 0 && pos.x() < width() && pos.y() >= 0 && pos.y() <= height();
}

void TExSpeedButton::mousePressEvent(QMouseEvent *e)
{
    if (m_menuTracking) return;   // the press that closes our own menu
    if (m_skipPress) {
        m_skipPress = false;
        return;
    }
    if (!m_mouseInControl && isEnabled()) {
        m_mouseInControl = true;
        repaint();
    }
    if (e->button() != Qt::LeftButton || !isEnabled()) return;
    if (!m_down) {
        m_state = bfsDown;
        repaint();
    }
    m_dragging = true;
    m_menuTracking = true;
    const QPoint pressPos = e->position().toPoint();
    try {
        if (m_menu) {
            PopupDropDown();
            FinishPress(pressPos);
            // The click that closed the menu over this button must not press it again.
            if ((QGuiApplication::mouseButtons() & Qt::LeftButton) && inside(mapFromGlobal(QCursor::pos())))
                m_skipPress = true;
        }
    } catch (...) {
        m_menuTracking = false;
        throw;
    }
    m_menuTracking = false;
    if (m_allowTimer && m_dragging) {
        if (!m_repeat) {
            m_repeat = new ExTimer(this);
            connect(m_repeat, &ExTimer::timeout, this, &TExSpeedButton::RepeatTick);
        }
        m_repeat->start(m_initPause);
    }
}

void TExSpeedButton::PopupDropDown()
{
    if (!m_menu) return;
    QMenu *menu = m_menu;
    menu->exec(mapToGlobal(DropDownPoint()));
}

void TExSpeedButton::mouseMoveEvent(QMouseEvent *e)
{
    if (!m_dragging) return;
    TButtonFaceState ns = m_down ? bfsExclusive : (inside(e->position().toPoint()) ? bfsDown : bfsUp);
    if (ns != m_state) {
        m_state = ns;
        repaint();
    }
}

void TExSpeedButton::mouseReleaseEvent(QMouseEvent *e)
{
    m_skipPress = false;
    if (e->button() == Qt::LeftButton) FinishPress(e->position().toPoint());
    if (m_repeat) m_repeat->stop();
}

void TExSpeedButton::FinishPress(const QPoint &pos)
{
    if (!m_dragging) return;
    m_dragging = false;
    const bool in = inside(pos);
    if (m_groupIndex == 0) {
        m_state = bfsUp;
        m_mouseInControl = false;
        if (in) repaint();
        else update();
    } else if (in) {
        setDown(!m_down);
        if (m_down) {
            m_state = bfsExclusive;
            repaint();
        }
    } else {
        if (m_down) m_state = bfsExclusive;
        else m_state = bfsUp;
        repaint();
    }
    if (in && !m_menuTracking) Click();
    RefreshHover();
}

void TExSpeedButton::RepeatTick()
{
    m_repeat->setInterval(m_repeatInterval);
    if (m_state == bfsDown && m_dragging) {
        try {
            Click();
        } catch (...) {
            m_repeat->stop();
            throw;
        }
    }
}

void TExSpeedButton::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (m_menuTracking) return;
    mousePressEvent(e);
    if (m_down) emit doubleClicked();
}

void TExSpeedButton::Click()
{
    QDialog *dlg = nullptr;
    if (m_modalResult != 0) dlg = qobject_cast<QDialog *>(window());
    emit clicked(false);
    if (m_action) m_action->trigger();
    if (dlg) dlg->done(m_modalResult);
}

void TExSpeedButton::RefreshHover()
{
    const bool over = isEnabled() && isVisible() && underMouse() && QApplication::activeWindow() != nullptr;
    if (over == m_mouseInControl) return;
    m_mouseInControl = over;
    if (over) {
        if (m_flat) repaint();
        emit mouseEntered();
    } else {
        if (m_flat) update();
        emit mouseLeft();
    }
}

void TExSpeedButton::enterEvent(QEnterEvent *)
{
    if (!isEnabled() || m_mouseInControl) return;
    m_mouseInControl = true;
    if (m_flat) repaint();
    emit mouseEntered();
}

void TExSpeedButton::leaveEvent(QEvent *)
{
    if (!isEnabled() || m_dragging || !m_mouseInControl) return;
    m_mouseInControl = false;
    if (m_flat) update();
    emit mouseLeft();
}

void TExSpeedButton::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::EnabledChange) {
        if (!isEnabled()) m_state = bfsDisabled;
        update();
    } else if (e->type() == QEvent::PaletteChange || e->type() == QEvent::StyleChange) {
        InvalidateImages();
        update();
    } else if (e->type() == QEvent::FontChange) {
        update();
    }
    QToolButton::changeEvent(e);
}

bool TExSpeedButton::event(QEvent *e)
{
    if (e->type() == QEvent::Shortcut) {
        if (isEnabled()) Click();
        return true;
    }
    return QToolButton::event(e);
}

void TExSpeedButton::keyPressEvent(QKeyEvent *e) { QWidget::keyPressEvent(e); }
void TExSpeedButton::keyReleaseEvent(QKeyEvent *e) { QWidget::keyReleaseEvent(e); }

void TExSpeedButton::BroadcastGroup()
{
    if (m_groupIndex == 0 || !parentWidget()) return;
    const auto siblings = parentWidget()->findChildren<TExSpeedButton *>(Qt::FindDirectChildrenOnly);
    for (TExSpeedButton *b : siblings)
        if (b != this) b->GroupMessage(this);
}

void TExSpeedButton::GroupMessage(TExSpeedButton *sender)
{
    if (sender->m_groupIndex != m_groupIndex) return;
    if (sender->m_down && m_down) {
        m_down = false;
        m_state = bfsUp;
        repaint();
    }
    m_allowAllUp = sender->m_allowAllUp;
}

TExTimerSpeedButton::TExTimerSpeedButton(QWidget *parent) : TExSpeedButton(parent)
{
    setStyle(bsWin31);
    setAllowTimer(true);
}

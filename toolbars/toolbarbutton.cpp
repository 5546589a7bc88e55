#include "toolbars/toolbarbutton.h"

#include "platform/colors.h"
#include "toolbars/common.h"
#include "widgets/imagelist.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcutEvent>
#include <QTimer>

#include <algorithm>

using namespace kv::tb;
using kv::gw::toQColor;

namespace kv::tb {

int NumGlyphsOfStrip(int width, int height)
{
    if (height <= 0 || width <= 0 || width % height != 0)
        return 1;
    const int q = width / height;
    return (q >= 1 && q < 6) ? q : 1;
}

ButtonContentLayout CalcButtonContentLayout(const ButtonContentParams &p)
{
    ButtonContentLayout out;
    const int W = p.box.width(), H = p.box.height();
    const bool hasGlyph = p.glyph.width() > 0 && p.glyph.height() > 0;
    const bool hasText = p.text.width() > 0 && p.text.height() > 0;
    TButtonLayout layout = p.layout;
    if (!hasGlyph && (layout == blGlyphTop || layout == blGlyphBottom))
        layout = blGlyphLeft;
    const bool side = layout == blGlyphLeft || layout == blGlyphRight;
    const QSize g = hasGlyph ? p.glyph : QSize(0, 0);
    const QSize t = hasText ? p.text : QSize(0, 0);
    const int A = p.arrowWidth;

    QPoint gp, tp;
    if (side) {
        gp.setY((H - g.height() + 1) / 2);
        tp.setY((H - t.height() + 1) / 2);
    } else {
        gp.setX((W - g.width() - A + 1) / 2);
        tp.setX((W - t.width() + 1) / 2);
    }
    int spacing = p.spacing, margin = p.margin;
    if (!hasText || !hasGlyph)
        spacing = 0;
    const int len = side ? W : H;
    const int gl = side ? g.width() : g.height();
    const int tl = side ? t.width() : t.height();
    const int al = side ? A : 0;
    if (margin == -1) {
        const int free = len - gl - tl - al;
        if (spacing == -1)
            margin = spacing = free / 3;
        else
            margin = (free - spacing + 1) / 2;
    } else if (spacing == -1) {
        spacing = (len - margin - gl - al - tl) / 2;
    }
    QPoint ap;
    switch (layout) {
    case blGlyphLeft:
        gp.setX(margin);
        tp.setX(margin + g.width() + spacing);
        ap.setX(tp.x() + t.width());
        break;
    case blGlyphRight:
        ap.setX(W - margin - A);
        gp.setX(ap.x() - g.width());
        tp.setX(gp.x() - spacing - t.width());
        break;
    case blGlyphTop:
        gp.setY(margin);
        tp.setY(margin + g.height() + spacing);
        ap.setX(gp.x() + g.width());
        break;
    case blGlyphBottom:
        gp.setY(H - margin - g.height());
        tp.setY(gp.y() - spacing - t.height());
        ap.setX(gp.x() + g.width());
        break;
    }
    ap.setX(ap.x() + 1);
    if (hasGlyph)
        ap.setY(gp.y() + (g.height() - 3) / 2);
    else
        ap.setY(tp.y() + (t.height() - 3) / 2);
    out.glyphPos = gp;
    out.textRect = QRect(tp, t);
    out.arrowPos = ap;
    return out;
}

} // namespace kv::tb

// ---------------------------------------------------------------- glyph

void TButtonGlyph::Invalidate()
{
    for (auto &c : m_cache)
        c.reset();
}

void TButtonGlyph::SetGlyph(const QImage &glyph)
{
    m_glyph = glyph;
    Invalidate();
}

void TButtonGlyph::SetGlyphMask(const QImage &mask)
{
    m_mask = mask;
    Invalidate();
}

void TButtonGlyph::SetNumGlyphs(int n)
{
    m_numGlyphs = std::clamp(n, 1, 5);
    Invalidate();
}

void TButtonGlyph::SetImageList(kv::ImageList *list, int index)
{
    m_list = list;
    m_index = index;
    Invalidate();
}

void TButtonGlyph::SetOldDisabledStyle(bool v)
{
    m_oldDisabledStyle = v;
    Invalidate();
}

QSize TButtonGlyph::GlyphSize() const
{
    if (m_list)
        return m_list->isValidIndex(m_index) ? m_list->size() : QSize(0, 0);
    if (m_glyph.isNull())
        return QSize(0, 0);
    return QSize(m_glyph.width() / std::max(1, m_numGlyphs), m_glyph.height());
}

QImage TButtonGlyph::cell(int index) const
{
    const QSize s = GlyphSize();
    QImage c = m_glyph.copy(index * s.width(), 0, s.width(), s.height()).convertToFormat(QImage::Format_ARGB32);
    if (!m_mask.isNull()) {
        QImage m = m_mask.copy(index * s.width(), 0, s.width(), s.height()).convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < c.height(); ++y)
            for (int x = 0; x < c.width(); ++x)
                if (qGray(m.pixel(x, y)) > 127)   // white in the mask: transparent
                    c.setPixel(x, y, 0);
    } else {
        const QRgb key = m_glyph.pixel(0, m_glyph.height() - 1) | 0xFF000000u;
        for (int y = 0; y < c.height(); ++y)
            for (int x = 0; x < c.width(); ++x)
                if ((c.pixel(x, y) | 0xFF000000u) == key)
                    c.setPixel(x, y, 0);
    }
    return c;
}

QImage TButtonGlyph::sourceImage() const
{
    if (m_list)
        return m_list->image(m_index).convertToFormat(QImage::Format_ARGB32);
    return cell(0);
}

QImage TButtonGlyph::derivedDisabled() const
{
    const QImage src = sourceImage();
    auto inShape = [&](int x, int y) {
        const QRgb p = src.pixel(x, y);
        if (qAlpha(p) < 128)
            return false;
        const QRgb rgb = p & 0xFFFFFFu;
        if (m_oldDisabledStyle)
            return m_list ? rgb != 0xFFFFFFu : rgb == 0;
        return rgb != 0xFFFFFFu && rgb != 0xC0C0C0u;
    };
    return kv::DisabledGlyph(src.size(), inShape, src.size() + QSize(1, 1));
}

QImage TButtonGlyph::suppliedDisabled() const
{
    QImage src = cell(int(dsDisabled));
    QImage out(src.width() + 1, src.height() + 1, QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    const QRgb hi = toQColor(kv::gw::clBtnHighlight).rgb();
    const QRgb sh = toQColor(kv::gw::clBtnShadow).rgb();
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) {
            QRgb p = src.pixel(x, y);
            if (qAlpha(p) < 128)
                continue;
            const QRgb rgb = p & 0xFFFFFFu;
            out.setPixel(x, y, rgb == 0xFFFFFFu ? hi : (rgb == 0x808080u ? sh : p));
        }
    for (int x = 0; x <= src.width(); ++x)
        out.setPixel(x, src.height(), hi);
    for (int y = 0; y <= src.height(); ++y)
        out.setPixel(src.width(), y, hi);
    return out;
}

QPixmap TButtonGlyph::Image(TButtonDrawState look)
{
    if (GlyphSize().isEmpty())
        return QPixmap();
    auto &slot = m_cache[size_t(look)];
    if (!slot) {
        QImage img;
        const int n = NumGlyphs();
        if (look == dsDisabled && n < 2)
            img = derivedDisabled();
        else if (look == dsDisabled)
            img = suppliedDisabled();
        else if (m_list)
            img = sourceImage();
        else
            img = cell(int(look) < n ? int(look) : 0);
        slot = QPixmap::fromImage(img);
    }
    return *slot;
}

// ---------------------------------------------------------------- shared state

namespace {
TToolbarButton *g_hot = nullptr;
QTimer *g_hotTimer = nullptr;
int g_instances = 0;
bool g_stayDown = true;
QPixmap *g_dither = nullptr;

const QPixmap &dither()
{
    if (!g_dither) {
        QImage img(8, 8, QImage::Format_RGB32);
        const QRgb face = toQColor(kv::gw::clBtnFace).rgb(), hi = toQColor(kv::gw::clBtnHighlight).rgb();
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                img.setPixel(x, y, (x % 2) == (y % 2) ? hi : face);
        g_dither = new QPixmap(QPixmap::fromImage(img));
    }
    return *g_dither;
}
} // namespace

void ButtonHookProc(int kind, QWidget *window, bool appActive);

static void buttonHook(THookEventKind kind, QWidget *window, QEvent *event)
{
    bool active = true;
    if (kind == hkActivateApp) {
        if (event && event->type() == QEvent::ApplicationStateChange)
            active = static_cast<QApplicationStateChangeEvent *>(event)->applicationState() == Qt::ApplicationActive;
        else
            active = ApplicationIsActive();
    }
    ButtonHookProc(int(kind), window, active);
}

void ButtonHookProc(int kind, QWidget *window, bool appActive)
{
    if (!g_hot)
        return;
    if (kind == hkMouseMoveFetched) {
        if (window != g_hot)
            g_hot->MouseLeft();
    } else if (kind == hkActivateApp) {
        // Switching to another application clears the hot button.
        if (!appActive && !g_hot->m_showBorderWhenInactive)
            g_hot->MouseLeft();
    }
}

TToolbarButton *TToolbarButton::HotButton()
{
    return g_hot;
}

QTimer *TToolbarButton::HotTimer()
{
    return g_hotTimer;
}

void TToolbarButton::SetButtonsStayDown(bool v)
{
    g_stayDown = v;
}

// ---------------------------------------------------------------- button

TToolbarButton::TToolbarButton(QWidget *parent)
    : QWidget(parent)
{
    if (g_instances++ == 0 || !g_hotTimer) {
        g_hotTimer = new QTimer;
        g_hotTimer->setInterval(125);
        QObject::connect(g_hotTimer, &QTimer::timeout, [] {
            if (!g_hot)
                return;
            QWidget *under = QApplication::widgetAt(QCursor::pos());
            if (under != g_hot)
                g_hot->MouseLeft();
        });
    }
    RegisterHookProc(&buttonHook, hookKind(hkActivateApp) | hookKind(hkMouseMoveFetched));
    resize(22, 23);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    UpdateOpacity();
    // Controls are visible unless hidden, also when added to a shown toolbar.
    if (parent && parent->isVisible())
        show();
}

TToolbarButton::~TToolbarButton()
{
    m_destroying = true;
    if (g_hot == this) {
        g_hot = nullptr;
        if (g_hotTimer)
            g_hotTimer->stop();
    }
    UnregisterHookProc(&buttonHook);
    if (--g_instances == 0) {
        delete g_hotTimer;
        g_hotTimer = nullptr;
        delete g_dither;
        g_dither = nullptr;
    }
}

QString TToolbarButton::Version() const
{
    return QStringLiteral("Korvalt docking toolbars 1.0");
}

void TToolbarButton::relayoutParent()
{
    if (parentWidget())
        QCoreApplication::postEvent(parentWidget(), new QEvent(QEvent::LayoutRequest));
}

void TToolbarButton::SetAlignment(Qt::Alignment a)
{
    m_alignment = a;
    update();
}

void TToolbarButton::SetAllowAllUp(bool v)
{
    m_allowAllUp = v;
    ApplyGroupUp();
}

void TToolbarButton::SetGroupIndex(int v)
{
    m_groupIndex = v;
    if (v == 0 && m_down) {
        m_down = false;
        m_state = isEnabled() ? dsUp : dsDisabled;
        update();
    }
    ApplyGroupUp();
}

void TToolbarButton::ApplyGroupUp()
{
    // Keep one down button per group, and one AllowAllUp value for the group.
    if (m_groupIndex == 0 || !parentWidget())
        return;
    for (QObject *o : parentWidget()->children()) {
        auto *b = qobject_cast<TToolbarButton *>(o);
        if (!b || b == this || b->m_groupIndex != m_groupIndex)
            continue;
        b->m_allowAllUp = m_allowAllUp;
        if (m_down && b->m_down) {
            b->m_down = false;
            b->m_state = b->isEnabled() ? dsUp : dsDisabled;
            b->update();
        }
    }
}

void TToolbarButton::SetDown(bool v)
{
    if (m_groupIndex == 0)
        v = false;
    if (v == m_down)
        return;
    if (m_down && !m_allowAllUp)
        return;
    m_down = v;
    m_state = !isEnabled() ? dsDisabled : (v ? dsDown : dsUp);
    update();
    if (v)
        ApplyGroupUp();
    if (m_action && m_action->isCheckable() && m_action->isChecked() != v)
        m_action->setChecked(v);
}

void TToolbarButton::SetCancel(bool v)
{
    m_cancel = v;
    UpdateShortcuts();
}

void TToolbarButton::SetDefault(bool v)
{
    m_default = v;
    UpdateShortcuts();
}

void TToolbarButton::SetDisplayMode(TButtonDisplayMode m)
{
    m_displayMode = m;
    UpdateShortcuts();
    update();
}

void TToolbarButton::SetDropdownMenu(QMenu *m)
{
    m_menu = m;
    UpdateUsesDropDown();
}

void TToolbarButton::SetDropdownAlways(bool v)
{
    m_dropdownAlways = v;
    UpdateUsesDropDown();
}

void TToolbarButton::UpdateUsesDropDown()
{
    m_usesDropDown = m_dropdownAlways || m_menu;
    update();
}

void TToolbarButton::SetDropdownArrow(bool v)
{
    m_dropdownArrow = v;
    update();
}

void TToolbarButton::SetDropdownArrowWidth(int v)
{
    v = std::max(7, v);
    if (v == m_arrowWidth)
        return;
    const int diff = v - m_arrowWidth;
    m_arrowWidth = v;
    if (m_dropdownCombo) {
        resize(std::max(1, width() + diff), height());
        relayoutParent();
    }
    update();
}

void TToolbarButton::SetDropdownCombo(bool v)
{
    if (v == m_dropdownCombo)
        return;
    m_dropdownCombo = v;
    const int d = m_arrowWidth + 2;
    resize(v ? width() + d : std::max(1, width() - d), height());
    relayoutParent();
    update();
}

void TToolbarButton::SetFlat(bool v)
{
    m_flat = v;
    UpdateOpacity();
    update();
}

void TToolbarButton::SetOpaque(bool v)
{
    m_opaque = v;
    UpdateOpacity();
    update();
}

void TToolbarButton::UpdateOpacity()
{
    setAttribute(Qt::WA_OpaquePaintEvent, m_opaque || !m_flat);
}

void TToolbarButton::SetGlyph(const QImage &g)
{
    m_glyph.SetGlyph(g);
    m_numGlyphs = m_images ? 1 : NumGlyphsOfStrip(g.width(), g.height());
    m_glyph.SetNumGlyphs(m_numGlyphs);
    update();
}

void TToolbarButton::SetGlyphMask(const QImage &m)
{
    m_glyph.SetGlyphMask(m);
    update();
}

void TToolbarButton::SetHighlightWhenDown(bool v)
{
    m_highlightWhenDown = v;
    update();
}

void TToolbarButton::SetImageIndex(int i)
{
    m_imageIndex = i;
    if (m_images)
        m_glyph.SetImageList(m_images, i);
    update();
}

void TToolbarButton::SetImages(kv::ImageList *list)
{
    if (m_images)
        disconnect(m_images, nullptr, this, nullptr);
    m_images = list;
    if (list) {
        connect(list, &kv::ImageList::changed, this, [this] {
            m_glyph.Invalidate();
            update();
        });
        m_numGlyphs = 1;
    }
    m_glyph.SetImageList(list, m_imageIndex);
    update();
}

void TToolbarButton::SetLayout(TButtonLayout l)
{
    m_layout = l;
    update();
}

void TToolbarButton::SetMargin(int v)
{
    if (v < -1)
        return;
    m_margin = v;
    update();
}

void TToolbarButton::SetSpacing(int v)
{
    m_spacing = v;
    update();
}

void TToolbarButton::SetNoBorder(bool v)
{
    m_noBorder = v;
    update();
}

void TToolbarButton::SetNumGlyphs(int n)
{
    if (n <= 0)
        n = 1;
    if (n > 5)
        n = 5;
    m_numGlyphs = m_images ? 1 : n;
    m_glyph.SetNumGlyphs(m_numGlyphs);
    update();
}

void TToolbarButton::SetOldDisabledStyle(bool v)
{
    m_oldDisabledStyle = v;
    m_glyph.SetOldDisabledStyle(v);
    update();
}

void TToolbarButton::SetWordWrap(bool v)
{
    m_wordWrap = v;
    update();
}

void TToolbarButton::SetCaption(const QString &c)
{
    m_caption = c;
    UpdateShortcuts();
    update();
}

void TToolbarButton::SetColor(kv::gw::Color c)
{
    m_color = c;
    update();
}

void TToolbarButton::UpdateShortcuts()
{
    for (int *id : {&m_mnemonicId, &m_defaultId, &m_cancelId})
        if (*id) {
            releaseShortcut(*id);
            *id = 0;
        }
    const QKeySequence mnemonic = QKeySequence::mnemonic(m_caption);
    if (!mnemonic.isEmpty() && m_displayMode != dmGlyphOnly)
        m_mnemonicId = grabShortcut(mnemonic, Qt::WindowShortcut);
    if (m_default)
        m_defaultId = grabShortcut(QKeySequence(Qt::Key_Return), Qt::WindowShortcut);
    if (m_cancel)
        m_cancelId = grabShortcut(QKeySequence(Qt::Key_Escape), Qt::WindowShortcut);
}

// ---------------------------------------------------------------- action link

void TToolbarButton::SetAction(QAction *a)
{
    if (m_action)
        disconnect(m_action, nullptr, this, nullptr);
    m_action = a;
    if (!a)
        return;
    connect(a, &QAction::changed, this, &TToolbarButton::ActionChanged);
    connect(a, &QAction::toggled, this, [this](bool on) { SetDown(on); });
    // A checkable action takes the button's state when it is linked.
    if (a->isCheckable() && m_down != a->isChecked() && m_groupIndex != 0)
        a->setChecked(m_down);
    ActionChanged();
}

void TToolbarButton::ActionChanged()
{
    if (!m_action)
        return;
    SetCaption(m_action->text());
    const QString tip = m_action->toolTip();
    setToolTip(tip);
    setEnabled(m_action->isEnabled());
    setVisible(m_action->isVisible());
    if (m_action->isCheckable())
        SetDown(m_action->isChecked());
    const QVariant idx = m_action->property("ImageIndex");
    if (idx.isValid())
        SetImageIndex(idx.toInt());
    relayoutParent();
}

// ---------------------------------------------------------------- hot tracking

void TToolbarButton::MouseEntering()
{
    if (g_hot == this)
        return;
    if (g_hot)
        g_hot->MouseLeft();
    if (!m_showBorderWhenInactive && !ApplicationIsActive())
        return;
    g_hot = this;
    if (g_hotTimer)
        g_hotTimer->start(125);
    if (isEnabled() && !m_mouseIn) {
        m_mouseIn = true;
        if (m_state == dsUp)
            m_state = dsHot;
        if (m_flat || m_numGlyphs == 5)
            update();
        emit MouseEnter();
    }
}

void TToolbarButton::MouseLeft()
{
    if (g_hot == this && (!isEnabled() || !m_mouseIn)) {
        g_hot = nullptr;
        if (g_hotTimer)
            g_hotTimer->stop();
    }
    if (!isEnabled() || !m_mouseIn || m_mouseDown)
        return;
    m_mouseIn = false;
    if (g_hot == this) {
        g_hot = nullptr;
        if (g_hotTimer)
            g_hotTimer->stop();
    }
    const TButtonDrawState old = m_state;
    if (m_state == dsHot || (m_state == dsPressed && !m_inClick))
        m_state = (m_down && m_groupIndex != 0) ? dsDown : dsUp;
    if (m_flat || m_numGlyphs == 5 || (old != m_state && old != dsHot))
        update();
    emit MouseExit();
}

void TToolbarButton::leaveEvent(QEvent *e)
{
    if (g_hot == this && !m_mouseDown)
        MouseLeft();
    QWidget::leaveEvent(e);
}

// ---------------------------------------------------------------- mouse

bool TToolbarButton::InArrowPart(int x) const
{
    return x >= width() - m_arrowWidth - 2;
}

bool TToolbarButton::InMainPart(const QPoint &p) const
{
    if (!rect().contains(p))
        return false;
    return !(m_dropdownCombo && m_usesDropDown && InArrowPart(p.x()));
}

void TToolbarButton::mousePressEvent(QMouseEvent *e)
{
    if (m_menuShown)
        return;   // the press that closed our own menu must not open it again
    if (!isEnabled())
        return;
    MouseEntering();
    if (e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    const bool combo = m_dropdownCombo && m_usesDropDown;
    m_menuIsDown = m_usesDropDown && (!combo || InArrowPart(e->position().toPoint().x()));
    if (m_state == dsUp || m_state == dsHot)
        m_state = dsPressed;
    if (!m_menuIsDown)
        m_mouseDown = true;
    update();
    if (m_menuIsDown) {
        Click();
        return;
    }
    if (m_repeating) {
        Click();
        if (!m_repeatTimer) {
            m_repeatTimer = new QTimer(this);
            connect(m_repeatTimer, &QTimer::timeout, this, &TToolbarButton::RepeatTick);
        }
        m_repeatTimer->start(m_repeatDelay);
    }
}

void TToolbarButton::RepeatTick()
{
    m_repeatTimer->setInterval(m_repeatInterval);
    const QPoint p = mapFromGlobal(QCursor::pos());
    if (m_repeating && m_mouseDown && InMainPart(p))
        Click();
    else
        m_repeatTimer->stop();
}

void TToolbarButton::mouseMoveEvent(QMouseEvent *e)
{
    const QPoint p = e->position().toPoint();
    if (!m_mouseDown) {
        if (rect().contains(p))
            MouseEntering();
        return;
    }
    const bool inside = InMainPart(p);
    if (inside && m_repeating && m_repeatTimer && !m_repeatTimer->isActive())
        m_repeatTimer->start(m_repeatInterval);
    TButtonDrawState s = m_down && m_groupIndex != 0 ? dsDown : (inside ? dsPressed : dsUp);
    if (!isEnabled())
        s = dsDisabled;
    if (s != m_state) {
        m_state = s;
        update();
    }
}

void TToolbarButton::mouseReleaseEvent(QMouseEvent *e)
{
    delete m_repeatTimer;
    m_repeatTimer = nullptr;
    if (e->button() == Qt::RightButton) {
        if (isEnabled()) {
            m_mouseDown = false;
            if (!rect().contains(e->position().toPoint()))
                MouseLeft();
        }
        return;
    }
    if (e->button() != Qt::LeftButton || !m_mouseDown)
        return;
    m_mouseDown = false;
    const bool inside = InMainPart(e->position().toPoint());
    if (inside && !m_repeating) {
        Click();
    } else {
        if (m_state == dsPressed)
            m_state = (m_down && m_groupIndex != 0) ? dsDown : dsUp;
        update();
        if (!rect().contains(e->position().toPoint()))
            MouseLeft();
    }
}

void TToolbarButton::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (m_down && m_groupIndex != 0)
        emit doubleClicked();
    else
        mousePressEvent(e);
}

void TToolbarButton::PlatformClick()
{
    QPointer<TToolbarButton> self(this);
    emit clicked();
    if (self && m_action)
        m_action->trigger();
}

void TToolbarButton::Click()
{
    QPointer<TToolbarButton> self(this);
    if (m_repeating && !m_menuIsDown) {
        PlatformClick();
        return;
    }
    m_inClick = true;
    if (m_groupIndex != 0 && !m_menuIsDown)
        SetDown(!m_down);
    if (g_stayDown) {
        if (m_state == dsUp || m_state == dsHot)
            m_state = dsPressed;
    } else if (m_state == dsPressed) {
        m_state = m_down ? dsDown : dsUp;
    }
    update();
    const bool combo = m_dropdownCombo && m_usesDropDown;
    if (m_usesDropDown && (!combo || m_menuIsDown)) {
        if (!combo)
            PlatformClick();
        if (!self)
            return;
        m_mouseDown = false;
        bool show = m_menu != nullptr, removeClicks = true;
        if (OnDropdown)
            OnDropdown(this, show, removeClicks);
        if (show && m_menu) {
            const int dockPos = DockPositionOfControl(this);
            QPoint at;
            if (dockPos == dpLeft)
                at = mapToGlobal(QPoint(width(), 0));
            else if (dockPos == dpRight)
                at = mapToGlobal(QPoint(0, 0)) - QPoint(m_menu->sizeHint().width(), 0);
            else
                at = mapToGlobal(QPoint(0, height()));
            m_menuShown = removeClicks;
            m_menu->exec(at);
            if (!self)
                return;
            m_menuShown = false;
        }
        m_menuIsDown = false;
    } else {
        if (m_modalResult != 0)
            if (auto *dlg = qobject_cast<QDialog *>(window()))
                dlg->done(m_modalResult);
        PlatformClick();
        if (!self)
            return;
    }
    m_inClick = false;
    if (m_state == dsPressed)
        m_state = (m_down && m_groupIndex != 0) ? dsDown : (isEnabled() ? dsUp : dsDisabled);
    if (!m_destroying) {
        update();
        if (m_mouseIn && !rect().contains(mapFromGlobal(QCursor::pos())) && g_hot != this)
            MouseLeft();
    }
}

// ---------------------------------------------------------------- state changes

void TToolbarButton::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::EnabledChange) {
        if (!isEnabled()) {
            m_state = dsDisabled;
            m_mouseIn = false;
            m_mouseDown = false;
            if (g_hot == this) {
                g_hot = nullptr;
                if (g_hotTimer)
                    g_hotTimer->stop();
            }
        } else if (m_state == dsDisabled) {
            m_state = (m_down && m_groupIndex != 0) ? dsDown : dsUp;
        }
        update();
    }
    QWidget::changeEvent(e);
}

bool TToolbarButton::event(QEvent *e)
{
    if (e->type() == QEvent::Shortcut) {
        auto *se = static_cast<QShortcutEvent *>(e);
        if (isEnabled() && isVisible()
            && (se->shortcutId() == m_mnemonicId || se->shortcutId() == m_defaultId || se->shortcutId() == m_cancelId))
            Click();
        return true;
    }
    return QWidget::event(e);
}

// ---------------------------------------------------------------- painting

void TToolbarButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    if (m_opaque || !m_flat)
        p.fillRect(rect(), toQColor(m_color));
    const QColor hi = toQColor(kv::gw::clBtnHighlight), sh = toQColor(kv::gw::clBtnShadow);
    const QColor dk = toQColor(kv::gw::cl3DDkShadow), lt = toQColor(kv::gw::cl3DLight);
    const bool pressedish = m_state == dsPressed || m_state == dsDown;
    const bool combo = m_dropdownCombo && m_usesDropDown;
    const bool pushed = pressedish && !(combo && m_menuIsDown);
    const bool border = !m_noBorder && (!m_flat || pressedish || (m_mouseIn && m_state != dsDisabled));

    QRect main = rect();
    QRect arrowPart;
    if (combo) {
        arrowPart = QRect(width() - m_arrowWidth - 2, 0, m_arrowWidth + 2, height());
        main.setRight(arrowPart.left() - 1);
    }
    auto edge = [&](const QRect &r, bool down) {
        if (m_flat) {
            p.setPen(down ? sh : hi);
            p.drawLine(r.topLeft(), r.topRight());
            p.drawLine(r.topLeft(), r.bottomLeft());
            p.setPen(down ? hi : sh);
            p.drawLine(r.bottomLeft(), r.bottomRight());
            p.drawLine(r.topRight(), r.bottomRight());
        } else {
            p.setPen(down ? dk : lt);
            p.drawLine(r.topLeft(), r.topRight());
            p.drawLine(r.topLeft(), r.bottomLeft());
            p.setPen(down ? hi : dk);
            p.drawLine(r.bottomLeft(), r.bottomRight());
            p.drawLine(r.topRight(), r.bottomRight());
            QRect in = r.adjusted(1, 1, -1, -1);
            p.setPen(down ? sh : hi);
            p.drawLine(in.topLeft(), in.topRight());
            p.drawLine(in.topLeft(), in.bottomLeft());
            p.setPen(down ? lt : sh);
            p.drawLine(in.bottomLeft(), in.bottomRight());
            p.drawLine(in.topRight(), in.bottomRight());
        }
    };
    if (border) {
        edge(main.adjusted(0, 0, -1, -1), pushed);
        if (combo)
            edge(arrowPart.adjusted(0, 0, -1, -1), m_menuIsDown);
    }
    const int inset = m_noBorder ? 0 : (m_flat ? 1 : 2);
    QRect box = main.adjusted(inset, inset, -inset, -inset);
    QPoint offset(0, 0);
    if (pushed) {
        if (m_state == dsDown && m_highlightWhenDown && (!m_mouseIn || !m_flat))
            p.fillRect(box, QBrush(dither()));
        offset = QPoint(1, 1);
    }

    const bool showGlyph = m_displayMode != dmTextOnly;
    const bool showText = m_displayMode != dmGlyphOnly && !m_caption.isEmpty();
    QSize gsize = showGlyph ? m_glyph.GlyphSize() : QSize(0, 0);
    if (gsize.width() == 0 || gsize.height() == 0)
        gsize = QSize(0, 0);
    const bool plainArrow = m_usesDropDown && !combo && m_dropdownArrow;
    const int arrowW = plainArrow ? m_arrowWidth : 0;
    const bool side = m_layout == blGlyphLeft || m_layout == blGlyphRight || gsize.isEmpty();
    QSize tsize(0, 0);
    QString text = m_caption;
    const QFontMetrics fm(font());
    if (showText) {
        int w = box.width() - (side ? arrowW : 0);
        if (m_wordWrap) {
            if (side && !gsize.isEmpty())
                w -= gsize.width() + (m_spacing == -1 ? 4 : m_spacing);
            w -= 2 * (m_margin != -1 ? m_margin : (m_spacing != -1 ? m_spacing : 4));
            tsize = fm.boundingRect(QRect(0, 0, std::max(1, w), 10000), Qt::TextWordWrap | Qt::TextShowMnemonic, text).size();
        } else {
            tsize = fm.boundingRect(QRect(0, 0, std::max(1, w), 10000), Qt::TextSingleLine | Qt::TextShowMnemonic, text).size();
            tsize.setWidth(std::min(tsize.width(), std::max(1, w)));
        }
    }
    ButtonContentParams prm;
    prm.box = box.size();
    prm.glyph = gsize;
    prm.text = tsize;
    prm.arrowWidth = arrowW;
    prm.layout = m_layout;
    prm.margin = m_margin;
    prm.spacing = m_spacing;
    const ButtonContentLayout lay = CalcButtonContentLayout(prm);
    const QPoint origin = box.topLeft() + offset;
    const bool disabled = m_state == dsDisabled;
    if (!gsize.isEmpty()) {
        QPixmap img = m_glyph.Image(m_state);
        if (!img.isNull())
            p.drawPixmap(origin + lay.glyphPos, img);
    }
    if (showText) {
        int align = Qt::AlignVCenter | Qt::TextShowMnemonic | (m_wordWrap ? Qt::TextWordWrap : Qt::TextSingleLine);
        align |= int(m_alignment & Qt::AlignHorizontal_Mask);
        QRect tr = lay.textRect.translated(origin);
        if (disabled) {
            p.setPen(hi);
            p.drawText(tr.translated(1, 1), align, text);
            p.setPen(sh);
        } else {
            p.setPen(palette().color(QPalette::ButtonText));
        }
        p.drawText(tr, align, text);
    }
    auto drawArrow = [&](QPoint at) {
        auto tri = [&](QPoint a, const QColor &c) {
            p.setPen(c);
            for (int i = 0; i < 3; ++i)
                p.drawLine(a.x() + i, a.y() + i, a.x() + 4 - i, a.y() + i);
        };
        if (disabled) {
            tri(at + QPoint(1, 1), hi);
            tri(at, sh);
        } else {
            tri(at, palette().color(QPalette::ButtonText));
        }
    };
    if (plainArrow)
        drawArrow(origin + lay.arrowPos);
    if (combo) {
        const int ax = width() - m_arrowWidth - 2 + (m_arrowWidth - 5) / 2 + (m_menuIsDown ? 1 : 0);
        drawArrow(QPoint(ax, height() / 2 - 1 + (m_menuIsDown ? 1 : 0)));
    }
}

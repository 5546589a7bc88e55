#include "widgets/bitbtn.h"

#include "widgets/imagelist.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QKeyEvent>
#include <QPainter>
#include <QtEndian>

using namespace kv::gw;

// --- region data ---------------------------------------------------------------

QByteArray kv::gw::RegionToData(const QRegion &region)
{
    if (region.isEmpty())
        return QByteArray();
    QByteArray d;
    auto put = [&d](qint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        d.append(b, 4);
    };
    const int n = region.rectCount();
    const QRect bound = region.boundingRect();
    put(32);
    put(1);
    put(n);
    put(n * 16);
    put(bound.left()); put(bound.top()); put(bound.right() + 1); put(bound.bottom() + 1);
    for (const QRect &r : region) {
        put(r.left()); put(r.top()); put(r.right() + 1); put(r.bottom() + 1);
    }
    return d;
}

QRegion kv::gw::RegionFromData(const QByteArray &data)
{
    QRegion region;
    if (data.size() < 32)
        return region;
    auto get = [&data](int off) { return qFromLittleEndian<qint32>(data.constData() + off); };
    const int header = get(0);
    const int n = get(8);
    if (header < 32 || n < 0 || qint64(header) + qint64(n) * 16 > data.size())
        return region;
    for (int i = 0; i < n; ++i) {
        const int o = header + i * 16;
        const int l = get(o), t = get(o + 4), r = get(o + 8), b = get(o + 12);
        if (r > l && b > t)
            region += QRect(l, t, r - l, b - t);
    }
    return region;
}

QByteArray TgwCustomBitBtn::WriteRegionStream(const QByteArray &block)
{
    QByteArray out(4, '\0');
    qToLittleEndian(qint32(block.size()), out.data());
    return out + block;
}

QByteArray TgwCustomBitBtn::ReadRegionStream(const QByteArray &stream)
{
    if (stream.size() < 4)
        return QByteArray();
    const qint32 n = qFromLittleEndian<qint32>(stream.constData());
    if (n <= 0 || n > stream.size() - 4)
        return QByteArray();
    return stream.mid(4, n);
}

// --- kinds -------------------------------------------------------------------------

QString TgwCustomBitBtn::KindCaption(TBitBtnKind k)
{
    switch (k) {
    case bkOK: return QStringLiteral("OK");
    case bkCancel: return QStringLiteral("Отмена");
    case bkHelp: return QStringLiteral("&Справка");
    case bkYes: return QStringLiteral("&Да");
    case bkNo: return QStringLiteral("&Нет");
    case bkClose: return QStringLiteral("&Закрыть");
    case bkAbort: return QStringLiteral("Прервать");
    case bkRetry: return QStringLiteral("&Повторить");
    case bkIgnore: return QStringLiteral("Про&должить");
    case bkAll: return QStringLiteral("&Все");
    default: return QString();
    }
}

int TgwCustomBitBtn::KindResult(TBitBtnKind k)
{
    switch (k) {
    case bkOK: return mrOk;
    case bkCancel: return mrCancel;
    case bkYes: return mrYes;
    case bkNo: return mrNo;
    case bkAbort: return mrAbort;
    case bkRetry: return mrRetry;
    case bkIgnore: return mrIgnore;
    case bkAll: return mrAll;
    default: return mrNone;
    }
}

namespace {
// Two cells (up, disabled) of 18 x 18 on an olive background, which the
// lower-left pixel makes transparent.
QImage kindGlyph(TBitBtnKind k)
{
    static QImage cache[11];
    if (!cache[k].isNull() || k == bkCustom)
        return cache[k];
    QImage img(36, 18, QImage::Format_RGB32);
    img.fill(toQColor(clOlive));
    QColor c;
    QString sym;
    switch (k) {
    case bkOK: case bkYes: case bkAll: c = QColor(0, 128, 0); sym = QStringLiteral("✓"); break;
    case bkCancel: case bkNo: case bkAbort: c = QColor(192, 0, 0); sym = QStringLiteral("✗"); break;
    case bkHelp: c = QColor(0, 0, 128); sym = QStringLiteral("?"); break;
    case bkClose: c = QColor(0, 0, 0); sym = QStringLiteral("⊠"); break;
    case bkRetry: c = QColor(0, 0, 128); sym = QStringLiteral("↻"); break;
    case bkIgnore: c = QColor(0, 0, 128); sym = QStringLiteral("»"); break;
    default: break;
    }
    QPainter p(&img);
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(14);
    f.setBold(true);
    p.setFont(f);
    p.setPen(c);
    p.drawText(QRect(0, 0, 18, 16), Qt::AlignCenter, sym);
    p.setPen(toQColor(clBtnShadow));
    p.drawText(QRect(18, 0, 18, 16), Qt::AlignCenter, sym);
    p.end();
    cache[k] = img;
    return img;
}
} // namespace

// --- construction ----------------------------------------------------------------

TgwCustomBitBtn::TgwCustomBitBtn(QWidget *parent) : QWidget(parent)
{
    resize(75, 25);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    m_text.Alignment = taCenter;
    m_text.VAlignment = vaVCenter;
    m_text.OnInvalidate = [this] { update(); };
    m_text.IsEnabled = [this] { return isEnabled(); };
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (auto *b = qobject_cast<TgwCustomBitBtn *>(now))
            m_activeDefault = (b == this);
        else
            m_activeDefault = m_default;
    });
}

TgwCustomBitBtn::~TgwCustomBitBtn()
{
    if (m_watchedWindow)
        m_watchedWindow->removeEventFilter(this);
}

void TgwCustomBitBtn::SetCaption(const QString &c)
{
    if (c == m_caption)
        return;
    m_caption = c;
    update();
}

void TgwCustomBitBtn::SetDefault(bool v)
{
    m_default = v;
    QWidget *f = QApplication::focusWidget();
    auto *b = qobject_cast<TgwCustomBitBtn *>(f);
    m_activeDefault = b ? (b == this) : m_default;
    watchWindow();
}

void TgwCustomBitBtn::SetGlyph(const QImage &g)
{
    m_glyph = g.isNull() ? QImage() : g.convertToFormat(QImage::Format_RGB32);
    update();
}

TBitBtnKind TgwCustomBitBtn::Kind()
{
    if (m_kind != bkCustom) {
        const bool dflt = m_kind == bkOK || m_kind == bkYes;
        const bool cncl = m_kind == bkCancel || m_kind == bkNo;
        if (m_default != dflt || m_cancel != cncl || m_modalResult != KindResult(m_kind))
            m_kind = bkCustom;
    }
    return m_kind;
}

void TgwCustomBitBtn::SetKind(TBitBtnKind k)
{
    if (k != bkCustom) {
        SetDefault(k == bkOK || k == bkYes);
        m_cancel = (k == bkCancel || k == bkNo);
        m_caption = KindCaption(k);
        m_modalResult = KindResult(k);
        m_glyph = kindGlyph(k);
        m_numGlyphs = 2;
    }
    m_kind = k;
    update();
}

bool TgwCustomBitBtn::StoreCaption() const { return m_caption != KindCaption(m_kind); }

void TgwCustomBitBtn::SetOptions(int v)
{
    const bool boldChanged = (v ^ m_options) & boAutoBold;
    m_options = v;
    setFocusPolicy((v & boFocusable) ? Qt::StrongFocus : Qt::NoFocus);
    if (boldChanged)
        SetDownState(m_down, false, false);
    update();
}

void TgwCustomBitBtn::SetShadeStyle(TgwShadeStyle s)
{
    m_shadeStyle = s;
    RegionData.clear();
    DownRegionData.clear();
    ApplyRegion();
    update();
}

void TgwCustomBitBtn::DeriveShadeColors(kv::gw::Color c)
{
    m_shade.BtnShadow = StepColor(c, -50, true);
    m_shade.BtnBlack = StepColor(m_shade.BtnShadow, -50, true);
    m_shade.Btn3DLight = StepColor(c, 50, true);
    m_shade.BtnHighlight = StepColor(m_shade.Btn3DLight, 50, true);
    update();
}

void TgwCustomBitBtn::AssignTo(TgwCustomBitBtn *dest) const
{
    if (dest)
        dest->AssignFrom(this);
}

void TgwCustomBitBtn::AssignFrom(const TgwCustomBitBtn *src)
{
    m_color = src->m_color;
    m_offsets = src->m_offsets;
    m_layout = src->m_layout;
    m_margin = src->m_margin;
    m_numGlyphs = src->m_numGlyphs;
    SetOptions(src->m_options);
    m_shade = src->m_shade;
    m_spacing = src->m_spacing;
    setFocusPolicy(src->focusPolicy());
    const auto invalidate = m_text.OnInvalidate;
    const auto en = m_text.IsEnabled;
    const auto sz = m_text.OnSizeChanged;
    m_text = src->m_text;
    m_text.OnInvalidate = invalidate;
    m_text.IsEnabled = en;
    m_text.OnSizeChanged = sz;
    m_text.Painter = nullptr;
    update();
}

// --- state ---------------------------------------------------------------------------

void TgwCustomBitBtn::SetDown(bool v)
{
    if (m_groupIndex == 0)
        v = false;
    if (v == m_down)
        return;
    SetDownState(v, true, true);
    if (m_down == v)
        SelChange();
}

void TgwCustomBitBtn::SetDownState(bool value, bool repaintNow, bool exclusive)
{
    if (value != m_down) {
        m_down = value;
        UpdateShape();
        if (value)
            m_links.NotifyDown(this);
        if (exclusive)
            UpdateExclusive();
        if (repaintNow)
            update();
    }
    if (m_groupIndex > 0 && (m_options & boAutoBold)) {
        QFont f = font();
        f.setBold(m_down);
        setFont(f);
    }
}

void TgwCustomBitBtn::SelChange()
{
    m_selectedState = m_down;
    if (OnSelChange)
        OnSelChange(this);
    m_links.NotifyChange(this);
}

void TgwCustomBitBtn::UpdateExclusive()
{
    if (m_groupIndex == 0 || !parentWidget())
        return;
    const auto siblings = parentWidget()->findChildren<TgwCustomBitBtn *>(Qt::FindDirectChildrenOnly);
    for (TgwCustomBitBtn *b : siblings)
        b->ButtonPressed(m_groupIndex, this);
}

void TgwCustomBitBtn::ButtonPressed(int groupIndex, TgwCustomBitBtn *sender)
{
    if (sender == this || groupIndex != m_groupIndex || !sender->Down() || !m_down)
        return;
    SetDownState(false, true, false);
    SelChange();
}

bool TgwCustomBitBtn::MouseOver() const
{
    return PtInButton(-1, -1, false);
}

bool TgwCustomBitBtn::PtInButton(int x, int y, bool requireCapture) const
{
    const QPoint pt = (x == -1 && y == -1) ? mapFromGlobal(QCursor::pos()) : QPoint(x, y);
    bool hit;
    if (HasDownShape()) {
        QRegion r = const_cast<TgwCustomBitBtn *>(this)->CreateRegion(true, !m_down);
        if (m_hasSavedRegion)
            r += m_savedRegion;
        hit = r.contains(pt);
    } else {
        hit = rect().contains(pt) && (mask().isEmpty() || mask().contains(pt));
    }
    return hit && (!requireCapture || m_dragging);
}

void TgwCustomBitBtn::Click()
{
    if (ClickLocked)
        return;
    m_inClick = true;
    const TBitBtnKind k = Kind();
    if (k == bkClose && window() != this) {
        window()->close();
    } else {
        if (OnClick)
            OnClick(this);
        emit clicked();
        if (m_modalResult != 0)
            if (auto *dlg = qobject_cast<QDialog *>(window()))
                dlg->done(m_modalResult);
    }
    m_inClick = false;
    update();
}

void TgwCustomBitBtn::Loaded()
{
    setFocusPolicy((m_options & boFocusable) ? Qt::StrongFocus : Qt::NoFocus);
    ApplyRegion();
    m_links.NotifyLoaded(this);
}

void TgwCustomBitBtn::ActionChange(const kv::ImageList *images, int imageIndex)
{
    if (!m_glyph.isNull() || !images || !images->isValidIndex(imageIndex))
        return;
    QImage g(images->width(), images->height(), QImage::Format_RGB32);
    g.fill(toQColor(clFuchsia));
    {
        QPainter p(&g);
        images->draw(p, imageIndex, 0, 0, true);
    }
    SetGlyph(g);
}

void TgwCustomBitBtn::BeginPress()
{
    if (ClickLocked)
        return;
    m_downAtPress = m_down;
    if (!(m_groupIndex != 0 && (m_options & boToggleOnUp))) {
        if (m_options & boFocusable)
            setFocus(Qt::MouseFocusReason);
        SetDownState(true, false, false);
    }
    if (m_down != m_downAtPress)
        PaintNow();
}

void TgwCustomBitBtn::EndPress(bool, bool inside)
{
    if (ClickLocked)
        return;
    if (m_groupIndex != 0) {
        UpdateExclusive();
        if ((inside || (m_options & boToggleOnUp)) && (!m_downAtPress || m_allowAllUp)) {
            SetDownState(!m_downAtPress, false, true);
            PaintNow();
            SelChange();
        }
    } else {
        SetDownState(false, false, false);
        PaintNow();
    }
}

// --- regions -------------------------------------------------------------------------

QRegion TgwCustomBitBtn::CreateRegion(bool, bool down)
{
    return RegionFromData(down ? DownRegionData : RegionData);
}

void TgwCustomBitBtn::StoreRegion(const QRegion &region, bool down)
{
    (down ? DownRegionData : RegionData) = RegionToData(region);
}

void TgwCustomBitBtn::DestroyRegions()
{
    clearMask();
    m_savedRegion = QRegion();
    m_hasSavedRegion = false;
}

void TgwCustomBitBtn::ApplyRegion()
{
    if (!UseRegions()) {
        if (!mask().isEmpty())
            clearMask();
        return;
    }
    const QRegion r = CreateRegion(true, m_down);
    if (m_hasSavedRegion && !r.isEmpty() && HasDownShape() && parentWidget())
        parentWidget()->update((m_savedRegion ^ r).translated(pos()));
    if (HasDownShape()) {
        m_savedRegion = r;
        m_hasSavedRegion = true;
    }
    if (r.isEmpty())
        clearMask();
    else
        setMask(r);
}

// --- painting ------------------------------------------------------------------------

void TgwCustomBitBtn::DrawFace(TgwBitmap &, bool, TgwShadeStyle, bool) {}

int TgwCustomBitBtn::GlyphWidth() const
{
    return m_numGlyphs == 0 ? m_glyph.width() : m_glyph.width() / m_numGlyphs;
}

void TgwCustomBitBtn::CalcLayout(const QRect &client, QRect &content, const QSize &textSize,
                                 QRect &glyphR, QRect &textR)
{
    content = client.adjusted(m_margin, m_margin, -m_margin, -m_margin);
    const int m = m_margin == -1 ? 4 : m_margin;
    glyphR = QRect();
    const QSize g = m_glyph.isNull() ? QSize(0, 0) : QSize(GlyphWidth(), m_glyph.height());
    const int s = (!m_caption.isEmpty() && !m_glyph.isNull()) ? m_spacing : 0;
    const int a = textSize.width() + g.width() + s;
    QPoint c(width() / 2, height() / 2);
    if (m_text.Alignment == taLeftJustify)
        c = QPoint(a / 2 + m, height() / 2);
    else if (m_text.Alignment == taRightJustify)
        c = QPoint(width() - m - a / 2, height() / 2);
    ButtonLayout(c, textR, glyphR, s, m_layout, g, textSize);
    textR.translate(m_offsets.TextX, m_offsets.TextY);
    glyphR.translate(m_offsets.GlyphX, m_offsets.GlyphY);
    if (m_down) {
        textR.translate(m_offsets.TextDownX, m_offsets.TextDownY);
        glyphR.translate(m_offsets.TextDownX, m_offsets.TextDownY);
    }
}

void TgwCustomBitBtn::DrawGlyph(QPainter &p, const QRect &glyphR)
{
    int index = 0;
    if (!isEnabled() && m_numGlyphs >= 2)
        index = 1;
    else if (m_down && m_numGlyphs > 2)
        index = 2;
    else if (m_numGlyphs > 3 && MouseOver())
        index = 3;
    const int gw = GlyphWidth();
    if (gw <= 0 || m_glyph.height() <= 0)
        return;
    kv::ImageList list(gw, m_glyph.height());
    if (isEnabled() || m_numGlyphs > 1) {
        const QImage cell = m_glyph.copy(index * gw, 0, gw, m_glyph.height());
        list.add(cell, kv::ImageList::autoTransparentColor(cell));
        list.draw(p, 0, glyphR.left(), glyphR.top(), true);
    } else {
        list.add(m_glyph, kv::ImageList::autoTransparentColor(m_glyph));
        list.draw(p, 0, glyphR.left(), glyphR.top(), false);
    }
}

void TgwCustomBitBtn::DrawCaption(QPainter &p, const QRect &textR)
{
    m_text.Painter = &p;
    m_text.Area = textR;
    m_text.Draw();
}

void TgwCustomBitBtn::DrawContents(QPainter &p, QRect &r, const QSize &)
{
    r = rect().adjusted(2, 2, -2, -2);
    m_text.Painter = &p;
    m_text.Font = font();
    m_text.FontColor = m_fontColor;
    m_text.SetText(m_caption);
    m_text.Area = r;
    const QRect tr = m_text.CalcRectWithFont(true);
    QRect content;
    CalcLayout(r, content, tr.size(), m_glyphRect, m_captionRect);
    m_captionRect = QRect(QPoint(std::max(0, m_captionRect.left()), std::max(0, m_captionRect.top())),
                          QPoint(std::min(width(), m_captionRect.right() + 1) - 1,
                                 std::min(height(), m_captionRect.bottom() + 1) - 1));
    if (!m_glyph.isNull())
        DrawGlyph(p, m_glyphRect);
    DrawCaption(p, m_captionRect);
    if ((m_options & boFocusRect) && (m_options & boFocusable) && hasFocus()) {
        const QRect f = m_captionRect.united(m_glyphRect).adjusted(-2, -2, 2, 2);
        p.save();
        QPen pen(Qt::black, 1, Qt::DotLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(f.adjusted(0, 0, -1, -1));
        p.restore();
    }
    m_text.Painter = nullptr;
}

QImage TgwCustomBitBtn::RenderFace()
{
    TgwBitmap face;
    const TgwShadeStyle style = m_inClick && m_shadeStyle == fbsNormal ? fbsNormal : m_shadeStyle;
    DrawFace(face, false, style, m_down);
    if (face.Empty())
        return QImage();
    {
        QPainter p(&face.Image());
        QRect r;
        DrawContents(p, r, face.Image().size());
    }
    return face.ToImage();
}

void TgwCustomBitBtn::paintEvent(QPaintEvent *)
{
    const QImage face = RenderFace();
    QPainter p(this);
    if (!face.isNull())
        p.drawImage(0, 0, face);
    if (m_smoothFont) {
        m_text.Font = font();
        DrawCaption(p, m_captionRect);
        m_text.Painter = nullptr;
    }
}

void TgwCustomBitBtn::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    RegionData.clear();
    DownRegionData.clear();
    DestroyRegions();
    ApplyRegion();
    update();
    if (parentWidget())
        parentWidget()->update(geometry());
}

void TgwCustomBitBtn::showEvent(QShowEvent *e)
{
    QWidget::showEvent(e);
    watchWindow();
    ApplyRegion();
}

void TgwCustomBitBtn::watchWindow()
{
    QWidget *w = window();
    if (w == this || w == m_watchedWindow)
        return;
    if (m_watchedWindow)
        m_watchedWindow->removeEventFilter(this);
    m_watchedWindow = w;
    w->installEventFilter(this);
}

bool TgwCustomBitBtn::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_watchedWindow && event->type() == QEvent::KeyPress && isEnabled() && isVisible()) {
        auto *ke = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers mods = ke->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
        const bool enter = ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter;
        if (mods == Qt::NoModifier && ((enter && m_activeDefault) || (ke->key() == Qt::Key_Escape && m_cancel))) {
            Click();
            return true;
        }
        if ((mods & Qt::AltModifier) && (m_options & boFocusable) && !ke->text().isEmpty()) {
            const QKeySequence mn = QKeySequence::mnemonic(m_caption);
            if (!mn.isEmpty() && QKeySequence(ke->key() | Qt::AltModifier) == mn) {
                SetDown(!m_down);
                Click();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TgwCustomBitBtn::mousePressEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton || ClickLocked) {
        QWidget::mousePressEvent(e);
        return;
    }
    m_dragging = true;
    BeginPress();
}

void TgwCustomBitBtn::mouseMoveEvent(QMouseEvent *e)
{
    if (ClickLocked || !m_dragging || !(e->buttons() & Qt::LeftButton) || (m_options & boToggleOnUp))
        return;
    const bool inside = PtInButton(e->position().toPoint().x(), e->position().toPoint().y(), true);
    if (inside && !m_down) {
        SetDownState(true, false, false);
        PaintNow();
    } else if (!inside && m_down && !m_downAtPress) {
        SetDownState(false, false, false);
        PaintNow();
    }
}

void TgwCustomBitBtn::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton || ClickLocked || !m_dragging) {
        m_dragging = false;
        return;
    }
    const QPoint pt = e->position().toPoint();
    const bool onBar = InheritsFromName(parentWidget(), QStringLiteral("TgwCustomOutlookBar"));
    const bool inside = onBar || PtInButton(pt.x(), pt.y(), true);
    EndPress(m_dragging, inside);
    const bool click = PtInButton(pt.x(), pt.y(), true) || (m_options & boToggleOnUp);
    m_dragging = false;
    if (click)
        Click();
}

void TgwCustomBitBtn::keyPressEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_Space && !ClickLocked) {
        BeginPress();
        EndPress(true, true);
        Click();
        return;
    }
    QWidget::keyPressEvent(e);
}

void TgwCustomBitBtn::enterEvent(QEnterEvent *e)
{
    QWidget::enterEvent(e);
    if (m_shadeStyle == fbsFlat || m_numGlyphs == 4)
        update();
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TgwCustomBitBtn::leaveEvent(QEvent *e)
{
    QWidget::leaveEvent(e);
    if (m_shadeStyle == fbsFlat || m_numGlyphs == 4)
        update();
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void TgwCustomBitBtn::changeEvent(QEvent *e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::EnabledChange || e->type() == QEvent::FontChange)
        update();
}

void TgwCustomBitBtn::focusInEvent(QFocusEvent *e)
{
    QWidget::focusInEvent(e);
    update();
}

void TgwCustomBitBtn::focusOutEvent(QFocusEvent *e)
{
    QWidget::focusOutEvent(e);
    update();
}

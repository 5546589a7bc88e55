#include "widgets/outlooklist.h"

#include "platform/error.h"
#include "widgets/imager.h"
#include "widgets/outlookbar.h"

#include <QChildEvent>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

using namespace kv::gw;

// --- item ---------------------------------------------------------------------------

TgwOutlookListItem::TgwOutlookListItem(TgwCollection *items) : TgwCollectionItem(items) {}

TgwOutlookListItem::~TgwOutlookListItem()
{
    if (TgwCustomOutlookList *l = List())
        l->ForgetItem(this);
}

TgwCustomOutlookList *TgwOutlookListItem::List() const
{
    auto *items = static_cast<TgwOutlookListItems *>(Collection());
    return items ? items->GetOwner() : nullptr;
}

void TgwOutlookListItem::changed()
{
    Invalidate(true);
}

void TgwOutlookListItem::SetImageIndex(int v)
{
    if (v == m_imageIndex) return;
    m_imageIndex = v;
    changed();
}

void TgwOutlookListItem::SetSeparation(int v)
{
    if (v == m_separation) return;
    m_separation = v;
    changed();
}

void TgwOutlookListItem::SetText(const QString &t)
{
    if (t == m_text) return;
    NotifyChange();
    m_text = t;
    changed();
}

void TgwOutlookListItem::SetTextAlignment(TAlignment a)
{
    if (a == m_alignment) return;
    NotifyChange();
    m_alignment = a;
    changed();
}

void TgwOutlookListItem::SetGlyphOffset(int v)
{
    if (v == m_glyphOffset) return;
    NotifyChange();
    m_glyphOffset = v;
    changed();
}

bool TgwOutlookListItem::GetSelected() const
{
    TgwCustomOutlookList *l = List();
    return m_selected && l && l->ClickStyle == csSelect;
}

void TgwOutlookListItem::SetSelected(bool v)
{
    auto *items = static_cast<TgwOutlookListItems *>(Collection());
    if (v && items)
        for (int i = 0; i < items->Count(); ++i) {
            TgwOutlookListItem *o = items->Item(i);
            if (o != this && o->m_selected) {
                o->m_selected = false;
                o->Invalidate(true);
            }
        }
    const bool was = m_selected;
    m_selected = v;
    Invalidate(was && !v);
}

bool TgwOutlookListItem::IsVisible(bool full) const
{
    TgwCustomOutlookList *l = List();
    if (!l)
        return false;
    TgwOutlookListItem *top = l->GetTopItem();
    TgwOutlookListItem *bottom = l->GetBottomItem();
    if (!top || !bottom)
        return false;
    const int i = Index();
    if (i < top->Index() || i > bottom->Index())
        return false;
    if (full)
        return ItemRect.left() + ItemRect.width() <= l->width() && ItemRect.top() + ItemRect.height() <= l->height();
    return true;
}

int TgwOutlookListItem::GetSize() const
{
    TgwCustomOutlookList *l = List();
    if (!l)
        return 0;
    const QSize s = l->MeasureItem(this, true);
    return l->Layout() == loVertical ? s.height() : s.width();
}

void TgwOutlookListItem::Invalidate(bool)
{
    if (TgwCustomOutlookList *l = List())
        l->update(ItemRect.adjusted(0, -1, 0, 0));
}

void TgwOutlookListItem::Paint(QPainter &p)
{
    TgwCustomOutlookList *l = List();
    const bool whole = l->IsItemHilite();
    kv::ImageList *images = l->Images();
    int offset = 0;
    {
        TgwOutlookListItem *top = l->GetTopItem();
        for (int i = top->Index(); i < Index(); ++i)
            offset += static_cast<TgwOutlookListItems *>(Collection())->Item(i)->GetSize();
    }
    ItemRect = l->GetItemRect(this, 0, offset);
    QRect textR = l->GetItemRect(this, 2, offset);
    QRect glyphR = l->GetItemRect(this, 1, offset);
    Color textColor = l->FontColor();
    if ((whole && Hot) || GetSelected())
        textColor = l->HotTextColor;
    const bool down = whole && IsDown();
    if (down)
        textR.translate(1, 1);
    QPoint glyphPos = glyphR.topLeft(), textPos = textR.topLeft();
    const int itemRight = ItemRect.left() + ItemRect.width();
    if (m_glyphOffset > 0 && images) {
        if (l->ItemLayout() == blGlyphLeft) {
            glyphPos.setX(ItemRect.left() + m_glyphOffset);
            textPos.setX(ItemRect.left() + images->width() + m_glyphOffset + m_separation + 4 + (down ? 1 : 0));
        } else if (l->ItemLayout() == blGlyphRight) {
            glyphPos.setX(itemRight - images->width() - m_glyphOffset - 1);
            textPos.setX(ItemRect.left() + 3 + (down ? 1 : 0));
        }
    }
    bool defaultDrawing = true;
    l->DoDrawItem(this, glyphPos, textPos, defaultDrawing);
    glyphR.moveTopLeft(glyphPos);
    textR.moveTopLeft(textPos);
    if (l->Layout() == loVertical && !whole)
        HitRect = glyphR.united(textR);
    if (whole)
        HitRect = ItemRect;
    if (!defaultDrawing)
        return;
    PaintGlyphArea(p, glyphR);
    if (m_glyphOffset > 0 && (l->ItemLayout() == blGlyphLeft || l->ItemLayout() == blGlyphRight)) {
        int left = ItemRect.left() + 3, right = itemRight - 4;
        if (images) {
            if (l->ItemLayout() == blGlyphLeft)
                left = glyphR.left() + glyphR.width() + m_separation;
            else
                right = glyphR.left() - m_separation;
        }
        if (down) {
            ++left;
            ++right;
        }
        textR = QRect(left, textR.top(), std::max(0, right - left), textR.height());
    }
    if (l->Layout() == loHorizontal && !whole)
        HitRect = glyphR.united(textR);
    int flags = Qt::TextWordWrap | Qt::AlignTop;
    flags |= m_alignment == taLeftJustify ? Qt::AlignLeft : m_alignment == taRightJustify ? Qt::AlignRight : Qt::AlignHCenter;
    p.save();
    // A word wider than the list stops at the entry's edge, as the
    // platform's text drawing clipped it.
    p.setClipRect(ItemRect, Qt::IntersectClip);
    p.setPen(toQColor(textColor));
    p.setFont(l->font());
    const QFontMetrics fm(l->font());
    // End ellipsis on a single line that does not fit.
    QString text = m_text;
    if (fm.horizontalAdvance(text) > textR.width() && fm.boundingRect(textR, flags, text).height() > textR.height())
        text = fm.elidedText(text, Qt::ElideRight, std::max(0, textR.width()));
    p.drawText(textR, flags, text, &DrawnTextRect);
    p.restore();
}

void TgwOutlookListItem::PaintGlyphArea(QPainter &p, const QRect &glyphArea)
{
    TgwCustomOutlookList *l = List();
    const bool whole = l->IsItemHilite();
    const QRect area = whole ? HitRect : glyphArea;
    if (GetSelected() && l->ItemSelectedDitherColor != clNone)
        DitherFill(p, area, l->Color(), l->ItemSelectedDitherColor);
    else if (Hot && l->ItemHotTrackColor != l->Color() && l->ItemHotTrackColor != clNone)
        p.fillRect(area, toQColor(l->ItemHotTrackColor));
    const bool sunken = GetSelected() || (Hot && Pressed);
    if (sunken || Hot) {
        const QColor tl = toQColor(sunken ? l->ItemShadowColor() : l->ItemHighlightColor());
        const QColor br = toQColor(sunken ? l->ItemHighlightColor() : l->ItemShadowColor());
        const int L = area.left(), T = area.top(), R = area.left() + area.width(), B = area.top() + area.height();
        p.save();
        p.setPen(tl);
        p.drawLine(L, B - 1, L, T);
        p.drawLine(L, T, R - 1, T);
        p.setPen(br);
        p.drawLine(L, B - 1, R - 1, B - 1);
        p.drawLine(R - 1, B - 1, R - 1, T);
        p.restore();
    }
    if (kv::ImageList *images = l->Images()) {
        int x = glyphArea.left() + glyphArea.width() / 2 - images->width() / 2;
        int y = glyphArea.top() + glyphArea.height() / 2 - images->height() / 2;
        if (whole && IsDown()) {
            ++x;
            ++y;
        }
        DrawImageListItem(images, m_imageIndex, p, true, x, y);
    }
    if (this == l->GetTopItem())
        l->PaintScrollButton(p, 1);
    if (this == l->GetBottomItem())
        l->PaintScrollButton(p, 2);
}

// --- items ------------------------------------------------------------------------------

void TgwOutlookListItems::Update(TgwCollectionItem *)
{
    if (m_list)
        m_list->update();
}

void TgwOutlookListItems::ItemRemoved(TgwCollectionItem *item)
{
    if (m_list)
        m_list->ForgetItem(item);
}

// --- panel --------------------------------------------------------------------------------

TgwOutlookPanel::TgwOutlookPanel(QWidget *parent) : QWidget(parent) {}

void TgwOutlookPanel::SetTransparent(bool v)
{
    if (v == m_transparent)
        return;
    m_transparent = v;
    if (parentWidget())
        parentWidget()->update(geometry());
    update();
}

TgwCustomOutlookBar *TgwOutlookPanel::Bar() const
{
    for (QWidget *w = parentWidget(); w; w = w->parentWidget())
        if (auto *bar = qobject_cast<TgwCustomOutlookBar *>(w))
            return bar;
    return nullptr;
}

bool TgwOutlookPanel::PaintBarPicture(QPainter &p)
{
    TgwCustomOutlookBar *bar = Bar();
    TgwCustomImager *imager = bar ? bar->Imager() : nullptr;
    if (!imager || imager->WorkingBitmap().Empty())
        return false;
    const QPoint off = mapTo(bar, QPoint(0, 0));
    p.save();
    p.translate(-off);
    if (imager->DrawStyle() == TgwCustomImager::dsTile)
        imager->WorkingBitmap().TileDraw(p, bar->rect());
    else
        imager->WorkingBitmap().Draw(p, bar->rect());
    p.restore();
    return true;
}

void TgwOutlookPanel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    if (m_transparent && PaintBarPicture(p))
        return;
    TgwCustomOutlookBar *bar = Bar();
    p.fillRect(rect(), toQColor(m_transparent && bar ? bar->Color() : m_color));
}

// --- list ------------------------------------------------------------------------------------

TgwCustomOutlookList::TgwCustomOutlookList(QWidget *parent)
    : TgwOutlookPanel(parent), m_items(new TgwOutlookListItems(this))
{
    m_transparent = false;
    m_color = clBtnShadow;
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_timer.setSingleShot(false);
    connect(&m_timer, &QTimer::timeout, this, &TgwCustomOutlookList::ScrollTimerTick);
    PositionScrollButtons();
}

QString TgwCustomOutlookList::NoChildControlsMessage()
{
    return QStringLiteral("TgwCustomOutlookList does not accept child controls.  Delete TgwCustomOutlookList and/or "
                          "set the options property of the TgwControlBar, \"cboAutoCreateOutlookList\", to False");
}

void TgwCustomOutlookList::InsertControl(QWidget *control)
{
    if (control)
        throw kv::Error(NoChildControlsMessage());
}

void TgwCustomOutlookList::childEvent(QChildEvent *e)
{
    TgwOutlookPanel::childEvent(e);
    // A widget made with the list as its parent cannot be refused from
    // inside Qt's event delivery: it is kept hidden and the fault is told.
    // Pop-up windows (its menu) are not controls of the list.
    if (e->added() && e->child()->isWidgetType() && !static_cast<QWidget *>(e->child())->isWindow()) {
        auto *w = static_cast<QWidget *>(e->child());
        w->setAttribute(Qt::WA_DontShowOnScreen);
        w->hide();
        qWarning("%s", qPrintable(NoChildControlsMessage()));
    }
}

TgwCustomOutlookList::~TgwCustomOutlookList()
{
    TgwOutlookListItems *items = m_items;
    m_items = nullptr;
    delete items;
}

void TgwCustomOutlookList::AssignItems(const TgwOutlookListItems &other)
{
    m_items->BeginUpdate();
    m_items->Clear();
    for (int i = 0; i < other.Count(); ++i) {
        const TgwOutlookListItem *s = other.Item(i);
        TgwOutlookListItem *d = m_items->Add();
        d->SetText(s->Text());
        d->SetImageIndex(s->ImageIndex());
        d->SetSeparation(s->Separation());
        d->SetTextAlignment(s->TextAlignment());
        d->SetGlyphOffset(s->GlyphOffset());
        d->Tag = s->Tag;
        d->OnClick = s->OnClick;
    }
    m_items->EndUpdate();
}

void TgwCustomOutlookList::ForgetItem(const TgwCollectionItem *item)
{
    if (item == m_topItem)
        m_topItem = nullptr;
}

void TgwCustomOutlookList::SetImages(kv::ImageList *images)
{
    if (images == m_images)
        return;
    disconnect(m_imagesConn);
    disconnect(m_imagesDestroyedConn);
    m_images = images;
    if (images) {
        m_imagesConn = connect(images, &kv::ImageList::changed, this, [this] { update(); });
        m_imagesDestroyedConn = connect(images, &QObject::destroyed, this, [this] {
            m_images = nullptr;
            update();
        });
    }
    update();
}

TgwOutlookListItem *TgwCustomOutlookList::GetTopItem()
{
    if (!m_items || m_items->Count() == 0)
        return nullptr;
    if (!m_topItem)
        m_topItem = m_items->Item(0);
    return m_topItem;
}

void TgwCustomOutlookList::SetTopItem(TgwOutlookListItem *item)
{
    if (item == m_topItem)
        return;
    m_topItem = item;
    update();
}

TgwOutlookListItem *TgwCustomOutlookList::GetBottomItem()
{
    TgwOutlookListItem *top = GetTopItem();
    if (!top)
        return nullptr;
    const int limit = m_layout == loVertical ? height() : width();
    int sum = 0;
    for (int i = top->Index(); i < m_items->Count(); ++i) {
        sum += m_items->Item(i)->GetSize();
        if (sum > limit)
            return m_items->Item(i);
    }
    return m_items->Item(m_items->Count() - 1);
}

TgwOutlookListItem *TgwCustomOutlookList::GetSelectedItem() const
{
    if (!m_items)
        return nullptr;
    for (int i = 0; i < m_items->Count(); ++i)
        if (m_items->Item(i)->GetSelected())
            return m_items->Item(i);
    return nullptr;
}

TgwOutlookListItem *TgwCustomOutlookList::ItemAtPos(int x, int y) const
{
    for (int i = 0; i < m_items->Count(); ++i)
        if (m_items->Item(i)->ItemRect.contains(x, y))
            return m_items->Item(i);
    return nullptr;
}

void TgwCustomOutlookList::MakeVisible(TgwOutlookListItem *item)
{
    if (!item || item->Collection() != m_items)
        return;
    TgwOutlookListItem *top = GetTopItem();
    if (item->Index() < top->Index()) {
        SetTopItem(item);
        return;
    }
    const int limit = m_layout == loVertical ? height() : width();
    for (;;) {
        int sum = 0;
        for (int i = GetTopItem()->Index(); i <= item->Index(); ++i)
            sum += m_items->Item(i)->GetSize();
        if (sum <= limit || GetTopItem() == item)
            break;
        m_topItem = m_items->Item(GetTopItem()->Index() + 1);
    }
    update();
}

// The text is painted word-wrapped; an entry measured for one line let a
// long material name run over the entries below it. A down-running list
// measures the text as it wraps in the width it is painted in.
int TgwCustomOutlookList::TextWidth(const TgwOutlookListItem *item) const
{
    int w = width();
    const bool aside = item->GlyphOffset() > 0 && (m_itemLayout == blGlyphLeft || m_itemLayout == blGlyphRight);
    if (m_images) {
        const int glyph = m_images->width() + item->GlyphOffset() + item->Separation();
        if (aside)
            w -= m_itemLayout == blGlyphLeft ? glyph + 8 : glyph + 4;   // the rectangle painting rebuilds
        else if (m_itemLayout == blGlyphLeft)
            w -= glyph + 4;
        else
            w -= 4;
    } else {
        // Painting keeps 3 px left and 4 px right of the text; a centred
        // text keeps 2 px a side, so that a name as wide as the list does
        // not run into its border.
        w -= aside ? 7 : 4;
    }
    return std::max(1, w);
}

int TgwCustomOutlookList::TextHeight(const TgwOutlookListItem *item) const
{
    if (item->Text().isEmpty()) return 0;
    const QFontMetrics fm(font());
    const int width = TextWidth(item);
    if (fm.horizontalAdvance(item->Text()) <= width) return fm.height();   // the text extent of one line
    return fm.boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap | Qt::AlignLeft, item->Text()).height();
}

QSize TgwCustomOutlookList::MeasureItem(const TgwOutlookListItem *item, bool withSpacing) const
{
    const QFontMetrics fm(font());
    const QString text = item->Text();
    QSize s(text.isEmpty() ? 0 : fm.horizontalAdvance(text), text.isEmpty() ? 0 : fm.height());
    if (m_layout == loVertical) s.setHeight(TextHeight(item));
    if (withSpacing) {
        if (m_layout == loVertical)
            s.rheight() += m_itemSpacing;
        else
            s.rwidth() += m_itemSpacing;
    }
    if (m_images) {
        if (m_itemLayout == blGlyphLeft || m_itemLayout == blGlyphRight)
            s.rwidth() += m_images->width() + item->GlyphOffset() + item->Separation() + 8;
        else
            s.rheight() += m_images->height() + item->Separation();
    }
    if (m_layout == loHorizontal && m_itemsWidth > 0)
        s.setWidth(m_itemsWidth);
    return s;
}

QRect TgwCustomOutlookList::GetItemRect(const TgwOutlookListItem *item, int part, int offset)
{
    if (!item->IsVisible(false))
        return QRect();
    if (offset == -1) {
        offset = 0;
        for (int i = GetTopItem()->Index(); i < item->Index(); ++i)
            offset += m_items->Item(i)->GetSize();
    }
    const QSize m = MeasureItem(item, true);
    QRect r = m_layout == loVertical ? QRect(0, offset, width(), m.height())
                                     : QRect(offset, 0, m.width(), height());
    if (part == 0)
        return r;
    QRect calc = r;
    if (m_itemLayout == blGlyphLeft && m_images)
        calc.setLeft(calc.left() + m_images->width() + item->GlyphOffset() + item->Separation() + 4);
    const QFontMetrics fm(font());
    QSize textSize(0, 0);
    if (!item->Text().isEmpty()) {
        const int wrapAt = std::min(std::max(1, calc.width()), TextWidth(item));
        const QRect b = fm.boundingRect(QRect(0, 0, wrapAt, 100000), Qt::TextWordWrap | Qt::AlignHCenter, item->Text());
        textSize = QSize(std::min(b.width(), std::max(0, calc.width())), b.height());
    }
    const QSize glyph = m_images ? m_images->size() : QSize(0, 0);
    QRect textR, glyphR;
    ButtonLayout(QPoint(r.left() + r.width() / 2, r.top() + r.height() / 2),
                 textR, glyphR, item->Separation(), m_itemLayout, glyph, textSize);
    return part == 1 ? glyphR.adjusted(-2, -2, 2, 2) : textR;
}

void TgwCustomOutlookList::UpdateHitRects()
{
    TgwOutlookListItem *top = GetTopItem(), *bottom = GetBottomItem();
    if (!top)
        return;
    for (int i = top->Index(); i <= bottom->Index(); ++i) {
        TgwOutlookListItem *it = m_items->Item(i);
        it->ItemRect = GetItemRect(it, 0);
        it->HitRect = IsItemHilite() ? it->ItemRect : GetItemRect(it, 1);
    }
}

bool TgwCustomOutlookList::CanScroll(int button)
{
    TgwOutlookListItem *top = GetTopItem();
    if (button == 1)
        return top && top->Index() != 0;
    if (button == 2) {
        TgwOutlookListItem *b = GetBottomItem();
        if (!top || !b)
            return false;
        if (b != top) {
            // The bottom item's rectangle as it would be laid out now.
            int off = 0;
            for (int i = top->Index(); i < b->Index(); ++i)
                off += m_items->Item(i)->GetSize();
            const int limit = m_layout == loVertical ? height() : width();
            if (off + b->GetSize() > limit)
                b = m_items->Item(b->Index() - 1);
        }
        return b->Index() < m_items->Count() - 1;
    }
    return false;
}

void TgwCustomOutlookList::Scroll()
{
    TgwOutlookListItem *top = GetTopItem();
    if (!top)
        return;
    if (m_pressedScroll == 1 && top->Index() > 0)
        SetTopItem(m_items->Item(top->Index() - 1));
    else if (m_pressedScroll == 2 && top->Index() < m_items->Count() - 1)
        SetTopItem(m_items->Item(top->Index() + 1));
    UpdateHitRects();
    UpdateHotItem();
}

void TgwCustomOutlookList::UpdateHotItem()
{
    updateHot(m_lastPos);
}

void TgwCustomOutlookList::updateHot(const QPoint &pt)
{
    TgwOutlookListItem *top = GetTopItem(), *bottom = GetBottomItem();
    if (!top)
        return;
    for (int i = top->Index(); i <= bottom->Index(); ++i) {
        TgwOutlookListItem *it = m_items->Item(i);
        const bool hot = it->HitRect.contains(pt) && pt.x() < width() && pt.y() < height() && pt.x() >= 0 && pt.y() >= 0;
        if (hot != it->Hot) {
            it->Hot = hot;
            if (!hot)
                it->Pressed = false;
            it->Invalidate(false);
        }
    }
}

void TgwCustomOutlookList::PositionScrollButtons()
{
    const int W = width(), H = height();
    if (m_layout == loVertical) {
        m_scrollRects[0] = QRect(QPoint(W - 25, 10), QPoint(W - 10 - 1, 25 - 1));
        m_scrollRects[1] = QRect(QPoint(W - 25, H - 25), QPoint(W - 10 - 1, H - 10 - 1));
    } else {
        m_scrollRects[0] = QRect(QPoint(10, 10), QPoint(25 - 1, 25 - 1));
        m_scrollRects[1] = QRect(QPoint(W - 25, 10), QPoint(W - 10 - 1, 25 - 1));
    }
}

void TgwCustomOutlookList::PaintScrollButton(QPainter &p, int button)
{
    if (!m_scrollButtonsVisible || !CanScroll(button))
        return;
    const QRect r = ScrollRect(button);
    const bool pushed = m_hotScroll == button && m_pressedScroll == button;
    QRect e = r;
    p.fillRect(r, toQColor(clBtnFace));
    if (pushed) {
        Frame3D(p, e, toQColor(cl3DDkShadow), toQColor(clBtnHighlight), 1);
        Frame3D(p, e, toQColor(clBtnShadow), toQColor(cl3DLight), 1);
    } else {
        Frame3D(p, e, toQColor(clBtnHighlight), toQColor(cl3DDkShadow), 1);
        Frame3D(p, e, toQColor(cl3DLight), toQColor(clBtnShadow), 1);
    }
    // Small black arrow in the middle of the button.
    const int d = pushed ? 1 : 0;
    const int cx = r.left() + r.width() / 2 + d, cy = r.top() + r.height() / 2 + d;
    QPolygon tri;
    const bool vertical = m_layout == loVertical;
    if (vertical && button == 1) tri << QPoint(cx - 3, cy + 1) << QPoint(cx + 3, cy + 1) << QPoint(cx, cy - 2);
    else if (vertical) tri << QPoint(cx - 3, cy - 2) << QPoint(cx + 3, cy - 2) << QPoint(cx, cy + 1);
    else if (button == 1) tri << QPoint(cx + 1, cy - 3) << QPoint(cx + 1, cy + 3) << QPoint(cx - 2, cy);
    else tri << QPoint(cx - 2, cy - 3) << QPoint(cx - 2, cy + 3) << QPoint(cx + 1, cy);
    p.save();
    p.setPen(Qt::black);
    p.setBrush(Qt::black);
    p.drawPolygon(tri);
    p.restore();
}

void TgwCustomOutlookList::DoDrawItem(TgwOutlookListItem *item, QPoint &glyphPos, QPoint &textPos, bool &defaultDrawing)
{
    if (OnDrawItem)
        OnDrawItem(this, item, glyphPos, textPos, defaultDrawing);
}

void TgwCustomOutlookList::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    if (!m_transparent)
        p.fillRect(rect(), toQColor(m_color));
    else if (!PaintBarPicture(p)) {
        TgwCustomOutlookBar *bar = Bar();
        p.fillRect(rect(), toQColor(bar ? bar->Color() : m_color));
    }
    p.setFont(font());
    TgwOutlookListItem *top = GetTopItem();
    if (!top) {
        if (m_borderStyle == bsSingle) {
            QRect r = rect();
            Frame3D(p, r, toQColor(clBtnShadow), toQColor(clBtnHighlight), 1);
            Frame3D(p, r, toQColor(cl3DDkShadow), toQColor(cl3DLight), 1);
        }
        return;
    }
    TgwOutlookListItem *bottom = GetBottomItem();
    for (int i = top->Index(); i <= bottom->Index(); ++i)
        m_items->Item(i)->Paint(p);
    PaintScrollButton(p, 1);
    PaintScrollButton(p, 2);
    if (m_borderStyle == bsSingle) {
        // The sunken client edge of a standalone list.
        QRect r = rect();
        Frame3D(p, r, toQColor(clBtnShadow), toQColor(clBtnHighlight), 1);
        Frame3D(p, r, toQColor(cl3DDkShadow), toQColor(cl3DLight), 1);
    }
}

void TgwCustomOutlookList::resizeEvent(QResizeEvent *e)
{
    TgwOutlookPanel::resizeEvent(e);
    PositionScrollButtons();
    UpdateHitRects();
}

void TgwCustomOutlookList::mousePressEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton) {
        TgwOutlookPanel::mousePressEvent(e);
        return;
    }
    const QPoint pt = e->position().toPoint();
    m_lastPos = pt;
    m_pressedScroll = ScrollRect(1).contains(pt) ? 1 : ScrollRect(2).contains(pt) ? 2 : 0;
    if (m_pressedScroll != 0 && m_scrollButtonsVisible && CanScroll(m_pressedScroll)) {
        m_hotScroll = m_pressedScroll;
        update(ScrollRect(m_pressedScroll));
        m_timer.start(std::max(1, ScrollInterval));
        return;
    }
    m_pressedScroll = 0;
    UpdateHitRects();
    TgwOutlookListItem *top = GetTopItem();
    if (!top)
        return;
    TgwOutlookListItem *bottom = GetBottomItem();
    for (int i = top->Index(); i <= bottom->Index(); ++i) {
        TgwOutlookListItem *it = m_items->Item(i);
        if (it->HitRect.contains(pt)) {
            it->Pressed = true;
            it->Hot = true;
            it->Invalidate(false);
            break;
        }
    }
}

void TgwCustomOutlookList::mouseMoveEvent(QMouseEvent *e)
{
    const QPoint pt = e->position().toPoint();
    m_lastPos = pt;
    updateHot(pt);
    const int under = ScrollRect(1).contains(pt) ? 1 : ScrollRect(2).contains(pt) ? 2 : 0;
    if (under != m_hotScroll && under != 0 && CanScroll(under)) {
        const int old = m_hotScroll;
        m_hotScroll = under;
        if (old)
            update(ScrollRect(old));
        update(ScrollRect(under));
    }
    TgwOutlookPanel::mouseMoveEvent(e);
}

void TgwCustomOutlookList::stopScrolling()
{
    m_timer.stop();
    if (m_pressedScroll) {
        const int b = m_pressedScroll;
        m_pressedScroll = 0;
        update(ScrollRect(b));
    }
}

void TgwCustomOutlookList::mouseReleaseEvent(QMouseEvent *e)
{
    const QPoint pt = e->position().toPoint();
    m_lastPos = pt;
    if (e->button() == Qt::LeftButton) {
        TgwOutlookListItem *top = GetTopItem();
        if (top) {
            TgwOutlookListItem *bottom = GetBottomItem();
            QList<TgwOutlookListItem *> clicked;
            for (int i = top->Index(); i <= bottom->Index(); ++i) {
                TgwOutlookListItem *it = m_items->Item(i);
                if (it->Pressed && it->HitRect.contains(pt))
                    clicked << it;
            }
            for (int i = top->Index(); i <= bottom->Index(); ++i)
                m_items->Item(i)->Pressed = false;
            update();
            // A handler may clear the list: click through pointers still held by it.
            for (TgwOutlookListItem *it : clicked)
                if (m_items->IndexOf(it) >= 0)
                    ItemClicked(it);
        }
        if (m_pressedScroll && CanScroll(m_pressedScroll) && ScrollRect(m_pressedScroll).contains(pt))
            Scroll();
    }
    // Any release ends the repeat, whichever button it was.
    stopScrolling();
    TgwOutlookPanel::mouseReleaseEvent(e);
}

void TgwCustomOutlookList::leaveEvent(QEvent *e)
{
    if (m_pressedScroll == 0) {
        m_lastPos = QPoint(-1, -1);
        updateHot(m_lastPos);
    }
    TgwOutlookPanel::leaveEvent(e);
}

void TgwCustomOutlookList::hideEvent(QHideEvent *e)
{
    stopScrolling();
    TgwOutlookPanel::hideEvent(e);
}

void TgwCustomOutlookList::contextMenuEvent(QContextMenuEvent *e)
{
    if (PopupMenu)
        PopupMenu->exec(e->globalPos());
    else
        TgwOutlookPanel::contextMenuEvent(e);
}

void TgwCustomOutlookList::ScrollTimerTick()
{
    if (m_pressedScroll == 0) {
        m_timer.stop();
        return;
    }
    if (ScrollRect(m_pressedScroll).contains(m_lastPos) && CanScroll(m_pressedScroll))
        Scroll();
}

void TgwCustomOutlookList::ItemClicked(TgwOutlookListItem *item)
{
    if (ClickStyle == csSelect && !item->GetSelected()) {
        item->SetSelected(true);
        if (OnItemChange)
            OnItemChange(this, item);
    }
    if (OnItemClick)
        OnItemClick(this, item);
    if (m_items->IndexOf(item) >= 0 && item->OnClick)
        item->OnClick(this, item);
    UpdateHotItem();
}


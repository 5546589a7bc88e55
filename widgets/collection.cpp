#include "widgets/collection.h"

#include <QPainter>
#include <algorithm>

TgwCollectionItem::TgwCollectionItem(TgwCollection *collection) : m_collection(collection) {}

TgwCollectionItem::~TgwCollectionItem()
{
    if (m_collection)
        m_collection->detach(this);
}

int TgwCollectionItem::Index() const { return m_collection ? m_collection->IndexOf(this) : -1; }

void TgwCollectionItem::SetIndex(int index)
{
    if (m_collection)
        m_collection->move(this, index);
}

QString TgwCollectionItem::GetDisplayName() const { return QString(); }

TgwCollection::~TgwCollection()
{
    // Items are owned here; they must not try to detach themselves.
    m_clearing = true;
    for (TgwCollectionItem *item : m_items) {
        item->m_collection = nullptr;
        delete item;
    }
    m_items.clear();
}

int TgwCollection::IndexOf(const TgwCollectionItem *item) const
{
    auto it = std::find(m_items.begin(), m_items.end(), item);
    return it == m_items.end() ? -1 : int(it - m_items.begin());
}

TgwCollectionItem *TgwCollection::AddItem()
{
    TgwCollectionItem *item = CreateItem();
    if (item && IndexOf(item) < 0)
        attach(item);
    Changed();
    return item;
}

void TgwCollection::attach(TgwCollectionItem *item)
{
    item->m_collection = this;
    m_items.push_back(item);
}

void TgwCollection::detach(TgwCollectionItem *item)
{
    auto it = std::find(m_items.begin(), m_items.end(), item);
    if (it == m_items.end())
        return;
    m_items.erase(it);
    ItemRemoved(item);
    if (!m_clearing)
        Changed();
}

void TgwCollection::move(TgwCollectionItem *item, int index)
{
    const int from = IndexOf(item);
    if (from < 0)
        return;
    index = std::clamp(index, 0, Count() - 1);
    if (index == from)
        return;
    m_items.erase(m_items.begin() + from);
    m_items.insert(m_items.begin() + index, item);
    Changed();
}

void TgwCollection::Delete(int index)
{
    delete GetItem(index);
}

void TgwCollection::Clear()
{
    if (m_items.empty())
        return;
    BeginUpdate();
    // Last to first, as the button group frees its buttons.
    while (!m_items.empty())
        delete m_items.back();
    EndUpdate();
}

// --- transparent panel -----------------------------------------------------

TgwCustomTransparentPanel::TgwCustomTransparentPanel(QWidget *parent) : QWidget(parent) {}

void TgwCustomTransparentPanel::SetTransparent(bool value)
{
    if (value == m_transparent)
        return;
    m_transparent = value;
    if (parentWidget())
        parentWidget()->update(geometry());
    update();
}

void TgwCustomTransparentPanel::SetColor(kv::gw::Color c)
{
    if (c == m_color)
        return;
    m_color = c;
    update();
}

QRect TgwCustomTransparentPanel::InnerRect() const
{
    int inset = m_borderWidth;
    if (m_borderStyle == kv::gw::bsSingle)
        inset += 2;
    if (m_bevelOuter != kv::gw::bvNone)
        inset += m_bevelWidth;
    if (m_bevelInner != kv::gw::bvNone)
        inset += m_bevelWidth;
    return rect().adjusted(inset, inset, -inset, -inset);
}

namespace {
void frame3D(QPainter &p, QRect &r, const QColor &topLeft, const QColor &bottomRight, int width)
{
    for (int i = 0; i < width; ++i) {
        p.setPen(topLeft);
        p.drawLine(r.left(), r.bottom(), r.left(), r.top());
        p.drawLine(r.left(), r.top(), r.right(), r.top());
        p.setPen(bottomRight);
        p.drawLine(r.right(), r.top(), r.right(), r.bottom());
        p.drawLine(r.right(), r.bottom(), r.left(), r.bottom());
        r.adjust(1, 1, -1, -1);
    }
}
} // namespace

void TgwCustomTransparentPanel::PaintFrame(QPainter &p)
{
    using namespace kv::gw;
    QRect r = rect();
    const QColor hi = toQColor(clBtnHighlight), sh = toQColor(clBtnShadow);
    if (m_borderStyle == bsSingle) {
        frame3D(p, r, sh, hi, 1);
        frame3D(p, r, toQColor(cl3DDkShadow), toQColor(cl3DLight), 1);
    }
    if (m_bevelOuter != bvNone)
        frame3D(p, r, m_bevelOuter == bvLowered ? sh : hi, m_bevelOuter == bvLowered ? hi : sh, m_bevelWidth);
    if (m_borderWidth > 0) {
        p.fillRect(QRect(r.left(), r.top(), r.width(), m_borderWidth), toQColor(m_color));
        p.fillRect(QRect(r.left(), r.bottom() - m_borderWidth + 1, r.width(), m_borderWidth), toQColor(m_color));
        p.fillRect(QRect(r.left(), r.top(), m_borderWidth, r.height()), toQColor(m_color));
        p.fillRect(QRect(r.right() - m_borderWidth + 1, r.top(), m_borderWidth, r.height()), toQColor(m_color));
        r.adjust(m_borderWidth, m_borderWidth, -m_borderWidth, -m_borderWidth);
    }
    if (m_bevelInner != bvNone)
        frame3D(p, r, m_bevelInner == bvLowered ? sh : hi, m_bevelInner == bvLowered ? hi : sh, m_bevelWidth);
}

void TgwCustomTransparentPanel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    if (!GetTransparent())
        p.fillRect(rect(), kv::gw::toQColor(m_color));
    PaintFrame(p);
}

void TgwCustomTransparentPanel::moveEvent(QMoveEvent *e)
{
    QWidget::moveEvent(e);
    if (GetTransparent())
        update();
}

#include "widgets/buttongroup.h"

#include "widgets/imagebtn.h"
#include "widgets/shapebtn.h"

#include <QKeyEvent>
#include <QMap>
#include <QPainter>

using namespace kv::gw;

namespace {
QMap<QString, TgwCustomButtonGroup::ButtonFactory> &registry()
{
    static QMap<QString, TgwCustomButtonGroup::ButtonFactory> r{
        {QStringLiteral("TgwShapeBtn"), [](QWidget *p) -> TgwCustomBitBtn * { return new TgwShapeBtn(p); }},
        {QStringLiteral("TgwImageBtn"), [](QWidget *p) -> TgwCustomBitBtn * { return new TgwImageBtn(p); }},
    };
    return r;
}
} // namespace

// --- item -----------------------------------------------------------------------------

TgwButtonGroupItem::TgwButtonGroupItem(TgwButtonGroupItems *items) : TgwCollectionItem(items)
{
    TgwCustomButtonGroup *g = items->GetGroup();
    items->BeginUpdate();
    Button = g->CreateButton();
    if (Button) {
        Button->move(0, g->height());
        g->AttachButton(Button);
        SetGroupIndex(1);
        Button->show();
    }
    items->EndUpdate();
}

TgwButtonGroupItem::~TgwButtonGroupItem()
{
    auto *items = static_cast<TgwButtonGroupItems *>(Collection());
    if (Button) {
        TgwCustomBitBtn *b = Button;
        Button = nullptr;
        if (items) {
            items->Removing = true;
            items->GetGroup()->DetachButton(b);
        }
        delete b;
        if (items)
            items->Removing = false;
    }
}

TgwCustomButtonGroup *TgwButtonGroupItem::GetGroup() const
{
    auto *items = static_cast<TgwButtonGroupItems *>(Collection());
    return items ? items->GetGroup() : nullptr;
}

QString TgwButtonGroupItem::GetDisplayName() const { return Button ? Button->objectName() : QString(); }

void TgwButtonGroupItem::SetIndex(int index)
{
    TgwCollectionItem::SetIndex(index);
    if (Button)
        Button->raise();
}

void TgwButtonGroupItem::SetSelected(bool value)
{
    if (!Button)
        return;
    Button->SetDown(value);
    if (auto *items = static_cast<TgwButtonGroupItems *>(Collection()))
        items->ArrangeButtons();
}

// --- items ------------------------------------------------------------------------------

TgwCollectionItem *TgwButtonGroupItems::AddItem()
{
    Adding = true;
    auto *item = static_cast<TgwButtonGroupItem *>(TgwCollection::AddItem());
    if (item && item->Button) {
        if (Count() > 1 && Item(0)->Button && Item(0)->Button != item->Button)
            item->Button->AssignFrom(Item(0)->Button);
        if (!m_group->ExclusiveButtons) {
            int maxIndex = 0;
            for (int i = 0; i < Count(); ++i)
                maxIndex = std::max(maxIndex, Item(i)->GetGroupIndex());
            item->SetGroupIndex(maxIndex + 1);
            item->Button->SetAllowAllUp(true);
        }
    }
    Adding = false;
    ArrangeButtons();
    return item;
}

TgwButtonGroupItem *TgwButtonGroupItems::FindByButton(const TgwCustomBitBtn *button) const
{
    for (int i = 0; i < Count(); ++i)
        if (Item(i)->Button == button)
            return Item(i);
    return nullptr;
}

TgwButtonGroupItem *TgwButtonGroupItems::FindByKey(int value) const
{
    for (int i = 0; i < Count(); ++i)
        if (Item(i)->Key == value)
            return Item(i);
    return nullptr;
}

void TgwButtonGroupItems::Update(TgwCollectionItem *)
{
    ArrangeButtons();
}

void TgwButtonGroupItems::ArrangeButtons()
{
    const int n = Count();
    if (n == 0 || IsUpdating() || Adding)
        return;
    TgwCustomButtonGroup *g = m_group;
    const bool transparent = g->GetTransparent();
    const int per = std::max(1, g->ButtonsPerRow());   // 0 buttons per row would divide by zero
    const bool vertical = g->Layout() == loVertical;
    // Along the grid: "lines" are columns (vertical) or rows (horizontal).
    const int lines = std::min(per, n);
    const int full = n / per, rem = n % per;
    const int longest = full + (rem ? 1 : 0);
    const QRect inner = g->InnerRect();
    const int crossTotal = (vertical ? inner.width() : inner.height());
    const int alongTotal = (vertical ? inner.height() : inner.width());
    int cross = (crossTotal - (lines - 1) * g->Spacing) / lines;
    int along = (alongTotal - (longest - 1) * g->Spacing) / std::max(1, longest);
    if (g->ButtonExtent() > 0)
        along = std::min(along, g->ButtonExtent());
    // Share out the leftover pixels, the first lines and positions first.
    std::vector<int> crossSize(size_t(lines), cross), alongSize(size_t(longest), along);
    auto share = [](std::vector<int> &sizes, int leftover) {
        const int k = int(sizes.size());
        for (int i = 0; i < k && leftover > 0; ++i) {
            const int extra = std::min(leftover, (leftover + k - 1) / k);
            sizes[size_t(i)] += extra;
            leftover -= extra;
        }
    };
    share(crossSize, crossTotal - (lines - 1) * g->Spacing - lines * cross);
    if (g->ButtonExtent() <= 0)
        share(alongSize, alongTotal - (longest - 1) * g->Spacing - longest * along);
    // The inner rectangle already lies inside the border.
    int index = 0;
    int crossPos = 0;
    for (int line = 0; line < lines; ++line) {
        const int count = full + (line < rem ? 1 : 0);
        int alongPos = 0;
        for (int k = 0; k < count && index < n; ++k, ++index) {
            TgwCustomBitBtn *b = Item(index)->Button;
            if (b) {
                const int a = (vertical ? inner.top() : inner.left()) + alongPos;
                const int c = (vertical ? inner.left() : inner.top()) + crossPos;
                if (vertical)
                    b->setGeometry(c, a, crossSize[size_t(line)], alongSize[size_t(k)]);
                else
                    b->setGeometry(a, c, alongSize[size_t(k)], crossSize[size_t(line)]);
            }
            alongPos += alongSize[size_t(k)] + g->Spacing;
        }
        crossPos += crossSize[size_t(line)] + g->Spacing;
    }
    g->SetTransparent(transparent);
}

// --- group ---------------------------------------------------------------------------------

TgwCustomButtonGroup::TgwCustomButtonGroup(QWidget *parent)
    : TgwCustomButtonGroup(parent, nullptr)
{
}

TgwCustomButtonGroup::TgwCustomButtonGroup(QWidget *parent, TgwButtonGroupItems *items)
    : TgwCustomTransparentPanel(parent), m_items(items ? items : new TgwButtonGroupItems(this))
{
    init();
}

void TgwCustomButtonGroup::init()
{
    m_link.OnChange = [this](const void *s) { ButtonChanged(static_cast<TgwCustomBitBtn *>(const_cast<void *>(s))); };
    m_link.OnDown = [this](const void *s) { ButtonChanging(static_cast<TgwCustomBitBtn *>(const_cast<void *>(s))); };
    SetBevelInner(bvNone);
    SetBevelOuter(bvNone);
    // In the Tab order, but a click leaves the keyboard where it was: a
    // material picked in the navigator keeps the typing in the grid.
    setFocusPolicy(Qt::TabFocus);
    SetTransparent(false);
    resize(75, 100);
}

TgwCustomButtonGroup::~TgwCustomButtonGroup()
{
    m_destroying = true;
    m_items->BeginUpdate();
    delete m_items;
    m_items = nullptr;
}

void TgwCustomButtonGroup::RegisterButtonClass(const QString &name, ButtonFactory factory)
{
    registry().insert(name, std::move(factory));
}

TgwCustomBitBtn *TgwCustomButtonGroup::CreateButton()
{
    const auto f = registry().value(m_buttonClassName);
    return f ? f(this) : new TgwShapeBtn(this);
}

void TgwCustomButtonGroup::SetButtonClassName(const QString &name)
{
    if (name == m_buttonClassName || !registry().contains(name))
        return;
    m_buttonClassName = name;
    m_items->BeginUpdate();
    m_items->Clear();
    m_items->EndUpdate();
}

void TgwCustomButtonGroup::AttachButton(TgwCustomBitBtn *b)
{
    b->RegisterChanges(&m_link);
}

void TgwCustomButtonGroup::DetachButton(TgwCustomBitBtn *b)
{
    b->UnRegisterChanges(&m_link);
    if (PreviousSelection && PreviousSelection->Button == b)
        PreviousSelection = nullptr;
    if (!m_destroying)
        update();
}

void TgwCustomButtonGroup::SetLayout(TgwLayout l)
{
    if (l == m_layout)
        return;
    m_layout = l;
    m_items->ArrangeButtons();
}

TgwButtonGroupItem *TgwCustomButtonGroup::GetSelected() const
{
    if (!m_items)
        return nullptr;
    for (int i = 0; i < m_items->Count(); ++i)
        if (m_items->Item(i)->GetSelected())
            return m_items->Item(i);
    return nullptr;
}

QSize TgwCustomButtonGroup::GetGroupSize(TgwCustomBitBtn *button, bool setSize)
{
    const int n = m_items->Count();
    if (n == 0)
        return size();
    if (!button)
        button = m_items->Item(0)->Button;
    if (!button)
        return size();
    const int per = std::max(1, m_buttonsPerRow);
    const int lines = (n + per - 1) / per;
    QSize s;
    if (m_layout == loVertical)
        s = QSize((button->width() + Spacing) * per - Spacing, lines * (button->height() + Spacing) - Spacing);
    else
        s = QSize(lines * (button->width() + Spacing) - Spacing, (button->height() + Spacing) * per - Spacing);
    if (setSize)
        resize(s);
    return s;
}

void TgwCustomButtonGroup::ButtonChanging(TgwCustomBitBtn *sender)
{
    TgwButtonGroupItem *cur = GetSelected();
    if (cur)
        PreviousSelection = cur;
    DoChanging(PreviousSelection, m_items->FindByButton(sender));
}

void TgwCustomButtonGroup::ButtonChanged(TgwCustomBitBtn *sender)
{
    if (!sender || !sender->SelectedState())
        return;
    m_items->ArrangeButtons();
    UpdateBoldFonts(m_autoBold);
    TgwButtonGroupItem *item = m_items->FindByButton(sender);
    if (item != PreviousSelection) {
        TgwButtonGroupItem *old = PreviousSelection;
        PreviousSelection = item;
        DoChange(old, item);
    }
}

void TgwCustomButtonGroup::UpdateBoldFonts(bool flag)
{
    if (!flag || !m_items)
        return;
    TgwButtonGroupItem *sel = GetSelected();
    for (int i = 0; i < m_items->Count(); ++i) {
        TgwCustomBitBtn *b = m_items->Item(i)->Button;
        if (!b)
            continue;
        QFont f = b->font();
        f.setBold(m_autoBold && ExclusiveButtons && m_items->Item(i) == sel);
        b->setFont(f);
    }
}

void TgwCustomButtonGroup::keyPressEvent(QKeyEvent *e)
{
    const int n = m_items->Count();
    int index;
    TgwButtonGroupItem *sel = GetSelected();
    switch (e->key()) {
    case Qt::Key_End: index = sel ? n - 1 : 0; break;
    case Qt::Key_Home: index = 0; break;
    case Qt::Key_Left: case Qt::Key_Up: index = sel ? sel->Index() - 1 : 0; break;
    case Qt::Key_Right: case Qt::Key_Down: index = sel ? sel->Index() + 1 : 0; break;
    default: TgwCustomTransparentPanel::keyPressEvent(e); return;
    }
    if (n == 0)
        return;
    if (index < 0) index = n - 1;
    if (index >= n) index = 0;
    m_items->Item(index)->SetSelected(true);
}

void TgwCustomButtonGroup::resizeEvent(QResizeEvent *e)
{
    TgwCustomTransparentPanel::resizeEvent(e);
    if (!m_destroying && m_items)
        m_items->ArrangeButtons();
}

void TgwCustomButtonGroup::paintEvent(QPaintEvent *e)
{
    TgwCustomTransparentPanel::paintEvent(e);
}

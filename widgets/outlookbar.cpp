#include "widgets/outlookbar.h"

#include "widgets/imager.h"

#include <QLayout>
#include <QPaintEvent>
#include <QPainter>

using namespace kv::gw;

// --- page -------------------------------------------------------------------------------

TgwOutlookPage::TgwOutlookPage(TgwOutlookPages *pages) : TgwButtonGroupItem(pages)
{
    TgwCustomOutlookBar *bar = pages->GetOutlookBar();
    pages->BeginUpdate();
    Panel = new TgwOutlookPanel(bar);
    Panel->hide();
    Panel->lower();
    Panel->move(0, -Panel->height() - 10);
    Panel->Page = this;
    if (bar->Options() & cboAutoCreateOutlookList)
        CreateOutlookList();
    pages->EndUpdate();
}

TgwOutlookPage::~TgwOutlookPage()
{
    auto *pages = static_cast<TgwOutlookPages *>(Collection());
    if (pages)
        pages->Removing = true;
    delete Panel;
    Panel = nullptr;
    List = nullptr;
    if (pages)
        pages->Removing = false;
}

TgwCustomOutlookBar *TgwOutlookPage::GetOutlookBar() const
{
    auto *pages = static_cast<TgwOutlookPages *>(Collection());
    return pages ? pages->GetOutlookBar() : nullptr;
}

void TgwOutlookPage::CreateOutlookList()
{
    if (List || !Panel)
        return;
    TgwCustomOutlookBar *bar = GetOutlookBar();
    List = new TgwOutlookList(Panel);
    List->SetBorderStyle(bsNone);
    QWidget *form = bar->window();
    List->setObjectName(UniqueComponentName(form, bar->objectName() + QStringLiteral("OutlookList")));
    List->Page = this;
    List->setGeometry(Panel->rect());
    List->show();
    QObject::connect(List, &QObject::destroyed, Panel, [this] { List = nullptr; });
    // The list fills its panel.
    auto *lay = new QVBoxLayout(Panel);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    lay->addWidget(List);
}

void TgwOutlookPage::Select()
{
    if (!Button)
        return;
    Button->SetDown(true);
    if (auto *pages = static_cast<TgwOutlookPages *>(Collection()))
        pages->ArrangeButtons();
}

void TgwOutlookPage::SetIndex(int index)
{
    TgwButtonGroupItem::SetIndex(index);
    if (Panel)
        Panel->lower();
}

// --- pages ------------------------------------------------------------------------------

TgwOutlookPages::TgwOutlookPages(TgwCustomOutlookBar *bar) : TgwButtonGroupItems(bar), m_bar(bar) {}

TgwCollectionItem *TgwOutlookPages::AddItem()
{
    auto *page = static_cast<TgwOutlookPage *>(TgwButtonGroupItems::AddItem());
    if (page && Count() == 1)
        page->Select();
    return page;
}

void TgwOutlookPages::SetControlBounds(QWidget *control, const QRect &r)
{
    control->setGeometry(r);
    if (!qobject_cast<TgwOutlookPanel *>(control))
        control->update();
}

void TgwOutlookPages::ArrangeButtons()
{
    if (IsUpdating() || Adding || !m_bar)
        return;
    TgwCustomOutlookBar *bar = m_bar;
    const QRect client = bar->InnerRect();
    const bool vertical = bar->Layout() == loVertical;
    const int n = Count();
    int shown = 0;
    for (int i = 0; i < n; ++i)
        if (Page(i)->Button && !Page(i)->Button->isHidden())
            ++shown;
    // The free extent for the selected panel; a bar smaller than its buttons has none.
    const int F = std::max(0, (vertical ? client.height() : client.width()) - bar->ButtonSize() * shown);
    int O = bar->PanelAlignment() == paTop ? F : 0;
    for (int i = 0; i < n; ++i)
        if (Page(i)->List)
            Page(i)->List->SetScrollButtonsVisible(false);
    TgwOutlookPage *remembered = nullptr;
    for (int i = 0; i < n; ++i)
        if (Page(i)->Panel && !Page(i)->Panel->isHidden())
            remembered = Page(i);
    for (int i = 0; i < n; ++i) {
        TgwOutlookPanel *panel = Page(i)->Panel;
        if (panel && Page(i) != remembered) {
            panel->hide();
            panel->move(panel->x(), -panel->height());
        }
    }
    TgwOutlookPage *selected = nullptr;
    for (int i = 0; i < n; ++i)
        if (Page(i)->Button && Page(i)->Button->Down())
            selected = Page(i);
    int steps = 0;
    if (!bar->ShowButtons()) {
        if (remembered && remembered->Panel)
            remembered->Panel->hide();
        if (selected && selected->Panel) {
            selected->Panel->setGeometry(client);
            selected->Panel->show();
        }
    } else {
        QList<TgwAnimationEntry> entries;
        for (int i = 0; i < n; ++i) {
            TgwOutlookPage *page = Page(i);
            TgwCustomBitBtn *b = page->Button;
            if (!b || b->isHidden())
                continue;
            TgwAnimationEntry e;
            const int bs = bar->ButtonSize();
            const QRect B = vertical ? QRect(client.left(), client.top() + O, client.width(), bs)
                                     : QRect(client.left() + O, client.top(), bs, client.height());
            e.Primary = {b, b->geometry(), B, b->geometry()};
            TgwOutlookPanel *panel = page->Panel;
            if (page == selected && panel) {
                QRect start, end;
                const QRect cur = panel->geometry();
                switch (bar->PanelAlignment()) {
                case paDynamic:
                    start = vertical ? QRect(cur.left(), cur.top() + cur.height(), cur.width(), 0)
                                     : QRect(cur.left() + cur.width(), cur.top(), 0, cur.height());
                    end = vertical ? QRect(B.left(), B.top() + B.height(), B.width(), F)
                                   : QRect(B.left() + B.width(), B.top(), F, B.height());
                    O += F;
                    break;
                case paTop:
                    start = vertical ? QRect(B.left(), client.top(), B.width(), 0) : QRect(client.left(), B.top(), 0, B.height());
                    end = vertical ? QRect(B.left(), client.top(), B.width(), F) : QRect(client.left(), B.top(), F, B.height());
                    break;
                case paBottom:
                    start = vertical ? QRect(B.left(), client.top() + client.height() - F, B.width(), 0)
                                     : QRect(client.left() + client.width() - F, B.top(), 0, B.height());
                    end = vertical ? QRect(B.left(), client.top() + client.height() - F, B.width(), F)
                                   : QRect(client.left() + client.width() - F, B.top(), F, B.height());
                    break;
                }
                panel->setGeometry(start);
                panel->show();
                e.Partner = {panel, start, end, start};
            } else if (page == remembered && panel) {
                const QRect cur = panel->geometry();
                const QRect end = vertical ? QRect(B.left(), B.top() + B.height(), B.width(), 0)
                                           : QRect(B.left() + B.width(), B.top(), 0, B.height());
                panel->show();
                e.Partner = {panel, cur, end, cur};
            }
            O += bs;
            entries << e;
        }
        bool animate = bar->IsChangingPage() && bar->Animation.Enabled && bar->Animation.Steps > 0;
        for (int i = 0; i < n && animate; ++i)
            if (!Page(i)->List && Page(i)->Panel && Page(i)->Panel->layout())
                animate = false;
        steps = animate ? bar->Animation.Steps : 1;
        const int interval = animate ? bar->Animation.Interval : 0;
        for (int i = 0; i < n; ++i)
            if (Page(i)->Button)
                Page(i)->Button->ClickLocked = true;
        if (animate) {
            AnimateControls(entries, [this](QWidget *c, const QRect &r) { SetControlBounds(c, r); }, steps, interval);
        } else {
            // A layout from a resize, a show or a setting lands at once: letting
            // events through here would run them in the middle of the caller's
            // own show or layout (a widget could go while Qt still walks it).
            for (TgwAnimationEntry &e : entries)
                for (TgwAnimatedItem *it : {&e.Primary, &e.Partner})
                    if (it->Control)
                        SetControlBounds(it->Control, it->End);
        }
        if (remembered && remembered != selected && remembered->Panel) {
            remembered->Panel->hide();
            remembered->Panel->move(remembered->Panel->x(), -bar->height());
        }
        for (int i = 0; i < n; ++i)
            if (Page(i)->Button)
                Page(i)->Button->ClickLocked = false;
    }
    for (int i = 0; i < n; ++i)
        if (Page(i)->List)
            Page(i)->List->SetScrollButtonsVisible(true);
    if (steps >= 1 && remembered && selected) {
        const int lo = std::min(remembered->Index(), selected->Index());
        const int hi = std::max(remembered->Index(), selected->Index());
        for (int i = lo + 1; i <= hi && i < n; ++i)
            if (Page(i)->Button && bar->IsShapedButton(Page(i)->Button))
                Page(i)->Button->update();
    }
}

// --- bar ------------------------------------------------------------------------------------

TgwCustomOutlookBar::TgwCustomOutlookBar(QWidget *parent)
    : TgwCustomButtonGroup(parent, new TgwOutlookPages(this))
{
    SetAutoBold(false);
    SetBorderStyle(bsSingle);
    m_imagerLink.OnChange = [this](const void *) { update(); };
}

TgwCustomOutlookBar::~TgwCustomOutlookBar()
{
    if (m_imager)
        m_imager->UnRegisterChanges(&m_imagerLink);
}

TgwCustomBitBtn *TgwCustomOutlookBar::ActivePage() const
{
    TgwButtonGroupItem *sel = GetSelected();
    return sel ? sel->Button : nullptr;
}

void TgwCustomOutlookBar::SetActivePage(TgwCustomBitBtn *button)
{
    if (TgwButtonGroupItem *item = OutlookItems()->FindByButton(button))
        item->Select();
}

void TgwCustomOutlookBar::SetImager(TgwCustomImager *imager)
{
    if (imager == m_imager)
        return;
    if (m_imager)
        m_imager->UnRegisterChanges(&m_imagerLink);
    m_imager = imager;
    if (imager) {
        imager->RegisterChanges(&m_imagerLink);
        imager->setParent(this);
        imager->SetDrawStyle(TgwCustomImager::dsTile);
        imager->setGeometry(0, 0, 25, 25);
        imager->SetPictureTransparent(false);
        imager->hide();
    }
    update();
}

void TgwCustomOutlookBar::SetPanelAlignment(TgwPanelAlignment a)
{
    if (a == m_panelAlignment)
        return;
    m_panelAlignment = a;
    OutlookItems()->ArrangeButtons();
}

void TgwCustomOutlookBar::SetShowButtons(bool v)
{
    if (v == m_showButtons)
        return;
    m_showButtons = v;
    for (int i = 0; i < OutlookItems()->Count(); ++i)
        if (TgwCustomBitBtn *b = OutlookItems()->Page(i)->Button) {
            b->setVisible(v);
            if (v)
                b->raise();
            else
                b->lower();
        }
    OutlookItems()->ArrangeButtons();
}

bool TgwCustomOutlookBar::IsShapedButton(const QWidget *control) const
{
    if (auto *s = qobject_cast<const TgwCustomShapeBtn *>(control))
        return s->Shape() != bsRect;
    if (auto *i = qobject_cast<const TgwCustomImageBtn *>(control))
        return i->TransparentColor() != clNoTransparency;
    return false;
}

void TgwCustomOutlookBar::ButtonChanged(TgwCustomBitBtn *sender)
{
    ++m_pageChangeCount;
    if (OutlookItems()->IsUpdating()) {
        if (PreviousSelection && PreviousSelection->Button)
            PreviousSelection->Button->SetDown(true);
    } else {
        TgwCustomButtonGroup::ButtonChanged(sender);
    }
    --m_pageChangeCount;
}

void TgwCustomOutlookBar::PaintBackground(QPainter &p, const QRect &r)
{
    if (m_imager && !m_imager->WorkingBitmap().Empty()) {
        if (m_imager->DrawStyle() == TgwCustomImager::dsTile)
            m_imager->WorkingBitmap().TileDraw(p, rect());
        else
            m_imager->WorkingBitmap().Draw(p, rect());
        return;
    }
    p.fillRect(r, toQColor(Color()));
}

void TgwCustomOutlookBar::paintEvent(QPaintEvent *e)
{
    QPainter p(this);
    PaintBackground(p, e->rect());
    PaintFrame(p);
}

void TgwCustomOutlookBar::changeEvent(QEvent *e)
{
    TgwCustomButtonGroup::changeEvent(e);
    if (e->type() == QEvent::FontChange)
        repaint();
}

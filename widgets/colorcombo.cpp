#include "widgets/colorcombo.h"

#include "platform/db/dataset.h"
#include "platform/text.h"
#include "platform/ui.h"

#include <QApplication>
#include <QColorDialog>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QRegularExpression>
#include <QStyledItemDelegate>
#include <QWindow>
#include <algorithm>

using namespace kv::gw;

// --- colour values ---------------------------------------------------------------------

QString kv::gw::ColorValueText(Color c)
{
    return QStringLiteral("%1").arg(quint32(c), 6, 16, QLatin1Char('0')).toUpper();
}

const QList<QPair<QString, Color>> &kv::gw::ColorIdents()
{
    static const QList<QPair<QString, Color>> idents{
        {QStringLiteral("clBlack"), clBlack}, {QStringLiteral("clMaroon"), clMaroon},
        {QStringLiteral("clGreen"), clGreen}, {QStringLiteral("clOlive"), clOlive},
        {QStringLiteral("clNavy"), clNavy}, {QStringLiteral("clPurple"), clPurple},
        {QStringLiteral("clTeal"), clTeal}, {QStringLiteral("clGray"), clGray},
        {QStringLiteral("clSilver"), clSilver}, {QStringLiteral("clRed"), clRed},
        {QStringLiteral("clLime"), clLime}, {QStringLiteral("clYellow"), clYellow},
        {QStringLiteral("clBlue"), clBlue}, {QStringLiteral("clFuchsia"), clFuchsia},
        {QStringLiteral("clAqua"), clAqua}, {QStringLiteral("clWhite"), clWhite},
        {QStringLiteral("clMoneyGreen"), clMoneyGreen}, {QStringLiteral("clSkyBlue"), clSkyBlue},
        {QStringLiteral("clCream"), clCream}, {QStringLiteral("clMedGray"), clMedGray},
        {QStringLiteral("clActiveBorder"), clActiveBorder}, {QStringLiteral("clActiveCaption"), clActiveCaption},
        {QStringLiteral("clAppWorkSpace"), clAppWorkSpace}, {QStringLiteral("clBackground"), clBackground},
        {QStringLiteral("clBtnFace"), clBtnFace}, {QStringLiteral("clBtnHighlight"), clBtnHighlight},
        {QStringLiteral("clBtnShadow"), clBtnShadow}, {QStringLiteral("clBtnText"), clBtnText},
        {QStringLiteral("clCaptionText"), clCaptionText},
        {QStringLiteral("clGradientActiveCaption"), clGradientActiveCaption},
        {QStringLiteral("clGradientInactiveCaption"), clGradientInactiveCaption},
        {QStringLiteral("clGrayText"), clGrayText}, {QStringLiteral("clHighlight"), clHighlight},
        {QStringLiteral("clHighlightText"), clHighlightText}, {QStringLiteral("clHotLight"), sysColor(26)},
        {QStringLiteral("clInactiveBorder"), clInactiveBorder}, {QStringLiteral("clInactiveCaption"), clInactiveCaption},
        {QStringLiteral("clInactiveCaptionText"), clInactiveCaptionText}, {QStringLiteral("clInfoBk"), clInfoBk},
        {QStringLiteral("clInfoText"), clInfoText}, {QStringLiteral("clMenu"), clMenu},
        {QStringLiteral("clMenuText"), clMenuText}, {QStringLiteral("clNone"), clNone},
        {QStringLiteral("clScrollBar"), clScrollBar}, {QStringLiteral("cl3DDkShadow"), cl3DDkShadow},
        {QStringLiteral("cl3DLight"), cl3DLight}, {QStringLiteral("clWindow"), clWindow},
        {QStringLiteral("clWindowFrame"), clWindowFrame}, {QStringLiteral("clWindowText"), clWindowText},
    };
    return idents;
}

int kv::gw::HueClass(Color c)
{
    const Color v = colorToRGB(c);
    const int R = redOf(v), G = greenOf(v), B = blueOf(v);
    const int mx = std::max({R, G, B});
    auto close = [mx](int x) { return (mx - x) * 100 < 16 * mx; };
    auto weak = [mx](int x) { return x * 100 < 16 * mx; };
    if (R == G && G == B) return 15;
    if (R > G && G > B) return close(G) ? 2 : !weak(G) ? 1 : 14;
    if (R == G && G > B) return 2;
    if (R == B && B > G) return 12;
    if (R > B && B > G) return close(B) ? 12 : !weak(B) ? 13 : 14;
    if (R > G && G == B) return 14;
    if (G > B && B > R) return close(B) ? 7 : weak(B) ? 4 : 6;
    if (G > R && R > B) return (weak(R) && !close(R)) ? 4 : 3;
    if (G > R && R == B) return 5;
    if (G == B && B > R) return 7;
    if (B > G && G > R) return close(G) ? 7 : weak(G) ? 9 : 8;
    if (B > R && R == G) return 10;
    if (B > R && R > G) return close(R) ? 12 : weak(R) ? 9 : 11;
    return 15;
}

int kv::gw::ColorSortKey(Color c, TgwColorSortBy by, bool groupSystem)
{
    if (c == clNone)
        return 0;
    int key = 0;
    if (by == csoByRGB)
        key = HueClass(c);
    else if (by == csoByIntensity) {
        const Color v = colorToRGB(c);
        key = (redOf(v) == greenOf(v) && greenOf(v) == blueOf(v)) ? 2 : 1;
    } else if (by == csoByName)
        key = isSystemColor(c) ? 2 : 1;
    if (groupSystem && isSystemColor(c) && by != csoByName)
        key += 16;
    return key;
}

bool kv::gw::ParseRGBText(const QString &text, Color &c)
{
    static const QRegularExpression re(QStringLiteral("^\\s*RGB:\\s*(\\d{1,3})\\s*,\\s*(\\d{1,3})\\s*,\\s*(\\d{1,3})\\s*$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(text);
    if (!m.hasMatch())
        return false;
    const int r = m.captured(1).toInt(), g = m.captured(2).toInt(), b = m.captured(3).toInt();
    if (r > 255 || g > 255 || b > 255)
        return false;
    c = rgb(r, g, b);
    return true;
}

namespace {
Color lineColor(const QStringList &l, int i)
{
    bool ok = false;
    const quint32 v = ValueAt(l, i).toUInt(&ok, 16);
    return ok ? Color(v) : clNoColorSelected;
}

class ColorItemDelegate : public QStyledItemDelegate {
public:
    explicit ColorItemDelegate(TgwCustomColorList *list) : QStyledItemDelegate(list), m_list(list) {}
    void paint(QPainter *p, const QStyleOptionViewItem &opt, const QModelIndex &index) const override
    {
        m_list->DrawColorItem(*p, opt.rect, Color(index.data(Qt::UserRole).toUInt()), index.data().toString(),
                              opt.state & QStyle::State_Selected);
    }
    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return QSize(100, m_list->ItemHeight());
    }

private:
    TgwCustomColorList *m_list;
};
} // namespace

// --- list ----------------------------------------------------------------------------------

TgwCustomColorList::TgwCustomColorList(QWidget *parent) : QListWidget(parent)
{
    setItemDelegate(new ColorItemDelegate(this));
    setUniformItemSizes(true);
    setMouseTracking(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    OnWarning = [this](const QString &text) {
        kv::ShowWarning(text, kv::MsgButtons::Ok, this);
    };
    BuildColorList();
}

bool TgwCustomColorList::SetGreyScaleIncrement(int v)
{
    if (v < 1 || v > 255)
        return false;
    m_opt.GreyScaleIncrement = v;
    BuildColorList();
    return true;
}

void TgwCustomColorList::SetItemHeight(int v)
{
    m_opt.ItemHeight = std::max(1, v);
    doItemsLayout();
}

bool TgwCustomColorList::SetCustomColors(const QStringList &list)
{
    // The list is kept as given; building adds a name only once, and the
    // user is told of the first name given twice.
    m_custom = list;
    BuildColorList();
    for (int i = 0; i < list.size(); ++i)
        for (int j = 0; j < i; ++j)
            if (kv::sameText(NameAt(list, i), NameAt(list, j))) {
                if (OnWarning)
                    OnWarning(QStringLiteral("Duplicate Color Name Not Allowed: ") + NameAt(list, i));
                return false;
            }
    return true;
}

void TgwCustomColorList::ApplyOptions(const TgwColorListOptions &o)
{
    m_opt = o;
    if (m_opt.GreyScaleIncrement < 1 || m_opt.GreyScaleIncrement > 255)
        m_opt.GreyScaleIncrement = 10;
    QPalette pal = palette();
    pal.setColor(QPalette::Base, toQColor(o.Color));
    setPalette(pal);
    setFont(o.Font);
    BuildColorList();
}

bool TgwCustomColorList::AddColor(const QString &nameIn, Color value)
{
    QString name = nameIn;
    bool accept = true;
    const bool unnamed = name.startsWith(QLatin1String("RGB:"));
    if (unnamed && OnAddNewColor && !m_building)
        OnAddNewColor(this, value, name, accept);
    if (!accept)
        return false;
    for (int i = 0; i < m_master.size(); ++i)
        if (lineColor(m_master, i) == value || kv::sameText(NameAt(m_master, i), name))
            return false;
    m_master << name + QLatin1Char('=') + ColorValueText(value);
    if (unnamed && !m_building) {
        m_rgb << m_master.last();
        SortColorList();
    }
    return true;
}

void TgwCustomColorList::BuildColorList()
{
    const Color keep = SelectedColor();
    m_building = true;
    m_master.clear();
    const int o = m_opt.Options;
    if (o & ccoShowColorNone)
        AddColor(kv::uiText(m_opt.NoneString), clNone);
    for (const auto &id : ColorIdents()) {
        const QString name = kv::uiText(id.first.mid(2));
        if (id.second == clNone)
            continue;
        if (id.second == clBlack) {
            if (o & ccoShowStandardColors)
                AddColor(name, id.second);
            continue;
        }
        const bool standard = (quint32(id.second) & 0xFFFFFF) > 28;
        if ((standard && (o & ccoShowStandardColors)) || (!standard && (o & ccoShowSystemColors)))
            AddColor(name, id.second);
    }
    if (o & ccoShowCustomColors)
        for (int i = 0; i < m_custom.size(); ++i)
            AddColor(NameAt(m_custom, i), lineColor(m_custom, i));
    for (int i = 0; i < m_rgb.size(); ++i)
        AddColor(NameAt(m_rgb, i), lineColor(m_rgb, i));
    if (o & ccoShowGreyScale) {
        int n = 1;
        for (int v = 0; v < 256; v += m_opt.GreyScaleIncrement)
            if (AddColor(kv::uiText("Grey") + QString::number(n), rgb(v, v, v)))
                ++n;
    }
    m_building = false;
    SortColorList();
    if (keep != clNoColorSelected)
        SetSelectedColor(keep);
}

void TgwCustomColorList::SortColorList()
{
    const TgwColorSortBy by = m_opt.SortBy;
    const bool group = m_opt.Options & ccoGroupSystemColors;
    if (by == csoByName && !group) {
        std::stable_sort(m_master.begin(), m_master.end(), [](const QString &a, const QString &b) {
            return kv::compareText(a.section(QLatin1Char('='), 0, 0), b.section(QLatin1Char('='), 0, 0)) < 0;
        });
    } else if (by != csoNone) {
        auto colorOf = [](const QString &line) {
            bool ok = false;
            const quint32 v = line.section(QLatin1Char('='), 1).trimmed().toUInt(&ok, 16);
            return ok ? Color(v) : clNoColorSelected;
        };
        std::stable_sort(m_master.begin(), m_master.end(), [&](const QString &a, const QString &b) {
            const Color ca = colorOf(a), cb = colorOf(b);
            const int ka = ColorSortKey(ca, by, group), kb = ColorSortKey(cb, by, group);
            if (ka != kb)
                return ka < kb;
            if (by == csoByName)
                return kv::compareText(a.section(QLatin1Char('='), 0, 0), b.section(QLatin1Char('='), 0, 0)) < 0;
            const Color va = colorToRGB(ca), vb = colorToRGB(cb);
            const int ba = (redOf(va) + greenOf(va) + blueOf(va)) / 3;
            const int bb = (redOf(vb) + greenOf(vb) + blueOf(vb)) / 3;
            const bool brighterFirst = by == csoByRGB && (ka % 2 == 0);
            return brighterFirst ? ba > bb : ba < bb;
        });
    }
    ShowColorList();
}

void TgwCustomColorList::ShowColorList()
{
    const Color keep = SelectedColor();
    blockSignals(true);
    clear();
    for (int i = 0; i < m_master.size(); ++i) {
        const QString name = NameAt(m_master, i);
        const Color c = lineColor(m_master, i);
        bool accept = true;
        if (OnFilterColor)
            OnFilterColor(this, c, name, accept);
        if (!accept)
            continue;
        auto *item = new QListWidgetItem(name, this);
        item->setData(Qt::UserRole, quint32(c));
    }
    blockSignals(false);
    if (keep != clNoColorSelected)
        SetSelectedColor(keep);
}

Color TgwCustomColorList::GetItemColor(int index) const
{
    const QListWidgetItem *it = item(index);
    return it ? Color(it->data(Qt::UserRole).toUInt()) : clNoColorSelected;
}

QString TgwCustomColorList::GetItemName(int index) const
{
    const QListWidgetItem *it = item(index);
    return it ? it->text() : QString();
}

int TgwCustomColorList::IndexOfColor(Color c) const
{
    // By value: "0000FF" and "FF" name the same colour.
    for (int i = 0; i < count(); ++i)
        if (GetItemColor(i) == c)
            return i;
    return -1;
}

int TgwCustomColorList::IndexOfName(const QString &name) const
{
    for (int i = 0; i < count(); ++i)
        if (kv::sameText(GetItemName(i), name))
            return i;
    return -1;
}

Color TgwCustomColorList::SelectedColor() const
{
    return currentRow() >= 0 ? GetItemColor(currentRow()) : clNoColorSelected;
}

void TgwCustomColorList::SetSelectedColor(Color c)
{
    const int i = IndexOfColor(c);
    setCurrentRow(i);
    if (i >= 0)
        scrollToItem(item(i));
}

void TgwCustomColorList::DrawColorItem(QPainter &p, const QRect &r, Color c, const QString &name, bool selected) const
{
    p.save();
    const bool highlight = hasFocus() || DroppedFromCombo;
    const Color bg = selected ? (highlight ? clHighlight : clBtnFace) : m_opt.Color;
    p.fillRect(r, toQColor(bg));
    const int h = r.height() - 4;
    const int w = m_opt.ColorWidth > 0 ? m_opt.ColorWidth : h;
    const bool names = m_opt.Options & ccoShowColorNames;
    QRect box;
    if (!names)
        box = r.adjusted(2, 2, -2, -2);
    else if (!ColorOnRight)
        box = QRect(r.left() + 2, r.top() + (r.height() - h) / 2, std::min(w, std::max(0, r.width() - 4)), h);
    else
        box = QRect(r.right() - 1 - std::min(w, r.width() - 4), r.top() + (r.height() - h) / 2, std::min(w, r.width() - 4), h);
    if (c == clNone) {
        p.fillRect(box, Qt::white);
        p.setPen(Qt::black);
        p.drawRect(box.adjusted(0, 0, -1, -1));
        p.drawLine(box.topLeft(), box.bottomRight());
        p.drawLine(box.bottomLeft(), box.topRight());
        if (!names) {
            p.drawText(box, Qt::AlignCenter, kv::uiText(m_opt.NoneString.isEmpty() ? QStringLiteral("None") : m_opt.NoneString));
        }
    } else {
        p.fillRect(box, toQColor(c));
        p.setPen(Qt::black);
        p.drawRect(box.adjusted(0, 0, -1, -1));
    }
    if (names) {
        const Color bgv = colorToRGB(bg);
        const int bright = (redOf(bgv) + greenOf(bgv) + blueOf(bgv)) / 3;
        p.setPen(toQColor(selected && bright <= 128 ? clHighlightText : clWindowText));
        QRect tr = ColorOnRight ? QRect(r.left() + 2, r.top(), box.left() - r.left() - 6, r.height())
                                : QRect(box.right() + 5, r.top(), r.right() - box.right() - 5, r.height());
        p.setFont(font());
        const int align = Alignment == taCenter ? Qt::AlignHCenter : Alignment == taRightJustify ? Qt::AlignRight : Qt::AlignLeft;
        p.drawText(tr, align | Qt::AlignVCenter, name);
    }
    p.restore();
}

void TgwCustomColorList::mouseMoveEvent(QMouseEvent *e)
{
    if (DroppedFromCombo) {
        const QModelIndex i = indexAt(e->position().toPoint());
        if (i.isValid())
            setCurrentRow(i.row());
        return;
    }
    QListWidget::mouseMoveEvent(e);
}

bool TgwCustomColorList::event(QEvent *e)
{
    // The open pop-up gets every press on the screen; one outside the list
    // reaches the list itself, not its viewport.
    if (DroppedFromCombo && isWindow() && e->type() == QEvent::MouseButtonPress) {
        auto *me = static_cast<QMouseEvent *>(e);
        if (!rect().contains(me->position().toPoint())) {
            emit pressedOutside(me);
            return true;
        }
    }
    return QListWidget::event(e);
}

void TgwCustomColorList::mousePressEvent(QMouseEvent *e)
{
    m_pressedInside = viewport()->rect().contains(e->position().toPoint());
    QListWidget::mousePressEvent(e);
}

void TgwCustomColorList::mouseReleaseEvent(QMouseEvent *e)
{
    if (DroppedFromCombo) {
        const QPoint pt = e->position().toPoint();
        const QModelIndex i = indexAt(pt);
        if (viewport()->rect().contains(pt) && i.isValid()) {
            setCurrentRow(i.row());
            emit itemAccepted();
        } else if (m_pressedInside) {
            // Dragged out of the list: no change. (The release that follows
            // the opening click on the combo's button keeps the list open.)
            emit itemRejected();
        }
        m_pressedInside = false;
        return;
    }
    QListWidget::mouseReleaseEvent(e);
}

// --- combo ------------------------------------------------------------------------------------

namespace {

// Hands the next release that reaches a window, and no control, to `target`;
// gone after the next release either way.
class ReleaseForwarder : public QObject {
public:
    explicit ReleaseForwarder(QWidget *target) : m_target(target) { qApp->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *e) override
    {
        if (e->type() != QEvent::MouseButtonRelease)
            return false;
        deleteLater();
        qApp->removeEventFilter(this);
        if (!m_target || watched->isWidgetType() || !qobject_cast<QWindow *>(watched))
            return false;
        auto *me = static_cast<QMouseEvent *>(e);
        QMouseEvent release(QEvent::MouseButtonRelease, m_target->mapFromGlobal(me->globalPosition()),
                            me->scenePosition(), me->globalPosition(), me->button(), me->buttons(), me->modifiers());
        QApplication::sendEvent(m_target, &release);
        return true;
    }

private:
    QPointer<QWidget> m_target;
};

} // namespace

TgwCustomColorCombo::TgwCustomColorCombo(QWidget *parent) : TgwCustomCombo(parent)
{
    SetStyle(csDropDownList);
    m_listOptions.Font = font();
    setTextMargins(GetLeftIndent(), 0, 0, 0);
    SetEditRect();
}

TgwCustomColorCombo::~TgwCustomColorCombo()
{
    delete m_list;   // before the base class's link and button go
}

TgwCustomColorList *TgwCustomColorCombo::ColorList()
{
    if (!m_list) {
        m_list = new TgwColorList(this);
        m_list->setWindowFlags(Qt::Popup);
        m_list->DroppedFromCombo = true;
        m_list->OnAddNewColor = [this](QObject *s, kv::gw::Color c, QString &n, bool &a) { if (OnAddNewColor) OnAddNewColor(s, c, n, a); };
        m_list->OnFilterColor = [this](QObject *s, kv::gw::Color c, const QString &n, bool &a) { if (OnFilterColor) OnFilterColor(s, c, n, a); };
        m_list->ApplyOptions(m_listOptions);
        m_list->SetCustomColors(m_custom);
        m_list->ColorOnRight = ColorOnRight;
        connect(m_list, &TgwCustomColorList::itemAccepted, this, [this] { CloseUp(true); });
        connect(m_list, &TgwCustomColorList::itemRejected, this, [this] { CloseUp(false); });
        // Presses outside the open list are handled here, never replayed by
        // the platform: one on the combo would open the list again.
        m_list->setAttribute(Qt::WA_NoMouseReplay);
        connect(m_list, &TgwCustomColorList::pressedOutside, this, [this](QMouseEvent *press) {
            // On the combo (its text or its button) the press closes the list
            // taking the item. Elsewhere the list closes without a change and
            // the press goes on to the control of the form that was clicked.
            const QPoint at = press->globalPosition().toPoint();
            const bool onCombo = rect().contains(mapFromGlobal(at));
            CloseUp(onCombo);
            if (onCombo)
                return;
            QPointer<QWidget> target = QApplication::widgetAt(at);
            if (!target || target->window() != window() || !target->isEnabled())
                return;
            const QPointF local = target->mapFromGlobal(press->globalPosition());
            QMouseEvent replay(QEvent::MouseButtonPress, local, press->scenePosition(), press->globalPosition(),
                               press->button(), press->buttons(), press->modifiers());
            QApplication::sendEvent(target, &replay);
            // The window drops the release of a press that closed a pop-up:
            // it is handed to the control that got the press.
            new ReleaseForwarder(target);
        });
    }
    return m_list;
}

void TgwCustomColorCombo::SetColorListOptions(const TgwColorListOptions &o)
{
    m_listOptions = o;
    if (m_list)
        m_list->ApplyOptions(o);
    if (m_color != clNoColorSelected)
        SetSelectedColor(m_color);
    SetEditRect();
    update();
}

void TgwCustomColorCombo::SetCustomColors(const QStringList &l)
{
    m_custom = l;
    ColorList()->SetCustomColors(l);
}

QString TgwCustomColorCombo::ColorToName(kv::gw::Color c)
{
    const int i = ColorList()->IndexOfColor(c);
    return i >= 0 ? ColorList()->GetItemName(i) : ColorToRGBText(c);
}

void TgwCustomColorCombo::SetSelectedColor(kv::gw::Color c)
{
    m_color = c;
    TgwCustomColorList *l = ColorList();
    if (c == clNoColorSelected) {
        l->setCurrentRow(-1);
        setText(QString());
    } else {
        if (l->IndexOfColor(c) < 0)
            l->AddColor(ColorToRGBText(c), c);
        l->SetSelectedColor(c);
        setText((ShowMatchText || (m_listOptions.Options & ccoShowColorNames)) ? ColorToName(c) : QString());
    }
    m_savedText = text();
    m_modified = false;
    update();
}

void TgwCustomColorCombo::changeTo(kv::gw::Color c)
{
    if (c == m_color)
        return;
    if (BoundField() && !EditCanModify())
        return;   // a field that cannot change keeps its colour
    SetSelectedColor(c);
    if (BoundField())
        UpdateData();
    if (OnChange)
        OnChange(this);
}

void TgwCustomColorCombo::DataChange()
{
    kv::Field *f = BoundField();
    if (!f)
        return;
    if (!f->GetDataSet()->Active() || f->IsNull()) {
        SetSelectedColor(clNoColorSelected);
        return;
    }
    const kv::FieldType t = f->DataType();
    if (t == kv::FieldType::Integer || t == kv::FieldType::SmallInt || t == kv::FieldType::LargeInt) {
        SetSelectedColor(f->AsInteger());
        return;
    }
    // A text field holds the colour's name (or its "RGB:" text).
    const QString text = f->AsString();
    kv::gw::Color c;
    const int i = ColorList()->IndexOfName(text);
    if (i >= 0)
        SetSelectedColor(ColorList()->GetItemColor(i));
    else if (ParseRGBText(text, c))
        SetSelectedColor(c);
    else
        SetSelectedColor(clNoColorSelected);
}

void TgwCustomColorCombo::UpdateData()
{
    kv::Field *f = BoundField();
    if (!f)
        return;
    const kv::FieldType t = f->DataType();
    if (t == kv::FieldType::Integer || t == kv::FieldType::SmallInt || t == kv::FieldType::LargeInt) {
        if (m_color == clNoColorSelected)
            f->Clear();
        else if (f->IsNull() || f->AsInteger() != m_color)
            f->SetAsInteger(m_color);
    } else if (f->AsString() != text()) {
        f->SetAsString(text());
    }
}

QSize TgwCustomColorCombo::GetItemSize()
{
    return QSize(width(), m_listOptions.ItemHeight);
}

QRect TgwCustomColorCombo::GetColorBoxRect() const
{
    const int itemH = m_listOptions.ItemHeight;
    const int w = m_listOptions.ColorWidth > 0 ? m_listOptions.ColorWidth : itemH - 4;
    const int h = std::min(itemH, height()) - 4;
    const int frame = hasFrame() ? 2 : 1;
    const int right = ShowButton() ? Button()->x() - 2 : width() - frame - 1;
    const int bw = std::min(w, std::max(0, right - frame - 2));
    const int y = AlignmentVertical() == gwavCenter ? (height() - h) / 2 : std::max(0, std::min(frame + 1, height() - h));
    if (ColorOnRight)
        return QRect(right - bw, y, bw, h);
    return QRect(frame + 1, y, bw, h);
}

int TgwCustomColorCombo::GetLeftIndent() const
{
    if (ColorOnRight)
        return 0;
    const int itemH = m_listOptions.ItemHeight;
    const int w = m_listOptions.ColorWidth > 0 ? m_listOptions.ColorWidth : itemH - 4;
    return std::min(w, std::max(0, width() - 30)) + 4;
}

void TgwCustomColorCombo::AfterPaint(QPainter &p)
{
    if (m_color == clNoColorSelected)
        return;
    const QRect box = GetColorBoxRect();
    if (box.width() <= 0 || box.height() <= 0)
        return;
    p.save();
    if (m_color == clNone) {
        p.fillRect(box, Qt::white);
    } else {
        p.fillRect(box, toQColor(m_color));
    }
    p.setPen(hasFocus() && !IsDroppedDown() ? Qt::white : Qt::black);
    p.drawRect(box.adjusted(0, 0, -1, -1));
    if (m_color == clNone && (m_listOptions.Options & ccoShowColorNames)) {
        p.setPen(Qt::black);
        p.drawLine(box.topLeft(), box.bottomRight());
        p.drawLine(box.bottomLeft(), box.topRight());
    }
    p.restore();
}

bool TgwCustomColorCombo::IsDroppedDown() const
{
    return m_list && m_list->isVisible();
}

bool TgwCustomColorCombo::IsTextEditable() const
{
    return !(Style() == csDropDownList && !ShowMatchText && !IsDroppedDown());
}

void TgwCustomColorCombo::ButtonMouseDown()
{
    if (ButtonStyle() == cbsEllipsis) {
        ExecuteColorDialog();
        return;
    }
    TgwCustomCombo::ButtonMouseDown();
}

void TgwCustomColorCombo::DropDown()
{
    TgwCustomColorList *l = ColorList();
    l->ApplyOptions(m_listOptions);
    l->ColorOnRight = ColorOnRight;
    m_colorAtDrop = m_color;
    if (m_color != clNoColorSelected && l->IndexOfColor(m_color) < 0)
        l->AddColor(ColorToRGBText(m_color), m_color);
    l->SetSelectedColor(m_color);
    TgwCustomCombo::DropDown();
}

void TgwCustomColorCombo::CloseUp(bool accept)
{
    const bool was = IsDroppedDown();
    TgwCustomCombo::CloseUp(accept);
    if (!m_list)
        return;
    if (accept && was) {
        const kv::gw::Color c = m_list->SelectedColor();
        if (c != clNoColorSelected)
            changeTo(c);
    } else if (!accept) {
        // Escape or a release outside: back to the colour of the opening.
        m_list->SetSelectedColor(m_colorAtDrop);
        changeTo(m_colorAtDrop);
    }
    DoCloseUp(accept);
}

bool TgwCustomColorCombo::ExecuteColorDialog()
{
    kv::gw::Color c = m_color == clNoColorSelected || m_color == clNone ? clBlack : m_color;
    bool ok;
    if (ColorDialogRunner) {
        ok = ColorDialogRunner(this, c);
    } else {
        QPointer<TgwCustomColorCombo> self(this);
        kv::Owned<QColorDialog> dlg(new QColorDialog(toQColor(c), this));
        dlg->setObjectName(QStringLiteral("ColorDialog"));
        for (int i = 0; i < std::min<int>(16, int(m_custom.size())); ++i) {
            bool valid = false;
            const quint32 v = ValueAt(m_custom, i).toUInt(&valid, 16);
            if (valid)
                QColorDialog::setCustomColor(i, toQColor(Color(v)));
        }
        // The platform's dialog always shows its full form: the full-open,
        // solid and any-colour switches have nothing to act on.
        if (OnInitColorDialog)
            OnInitColorDialog(this, dlg.get());
        const int result = kv::UiOf(this).runModal(*dlg);
        // A combo closed inside the dialog's loop took the dialog along.
        if (!self || !dlg)
            return false;
        ok = result == QDialog::Accepted;
        if (OnCloseColorDialog)
            OnCloseColorDialog(this, dlg.get(), ok, result);
        c = fromQColor(dlg->selectedColor().isValid() ? dlg->selectedColor() : dlg->currentColor());
    }
    if (ok)
        changeTo(c);
    return ok;
}

void TgwCustomColorCombo::RefreshColorList()
{
    ColorList()->BuildColorList();
}

void TgwCustomColorCombo::step(int delta, bool toEdge)
{
    TgwCustomColorList *l = ColorList();
    const int n = l->count();
    if (n == 0)
        return;
    int row = l->IndexOfColor(m_color);
    if (toEdge)
        row = delta < 0 ? 0 : n - 1;
    else if (row < 0)
        row = delta > 0 ? 0 : n - 1;
    else
        row = std::clamp(row + delta, 0, n - 1);
    l->setCurrentRow(row);
    changeTo(l->GetItemColor(row));
}

void TgwCustomColorCombo::keyPressEvent(QKeyEvent *e)
{
    const int key = e->key();
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    const bool alt = e->modifiers() & Qt::AltModifier;
    const int page = std::max(1, DropDownCount() - 1);
    if (!shift && !alt) {
        switch (key) {
        case Qt::Key_Up: step(-1, false); return;
        case Qt::Key_Down: step(1, false); return;
        case Qt::Key_PageUp: step(-page, false); return;
        case Qt::Key_PageDown: step(page, false); return;
        case Qt::Key_Home: if (IsDroppedDown()) { step(-1, true); return; } break;
        case Qt::Key_End: if (IsDroppedDown()) { step(1, true); return; } break;
        default: break;
        }
    }
    if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter ||
        ((key == Qt::Key_Up || key == Qt::Key_Down) && alt) || key == Qt::Key_Tab) {
        if (key == Qt::Key_Return && IsDroppedDown()) {
            TgwCustomCombo::keyPressEvent(e);
            return;
        }
        TgwCustomCombo::keyPressEvent(e);
        return;
    }
    const QString t = e->text();
    const bool listOnly = Style() == csDropDownList;
    if (key == Qt::Key_Backspace) {
        if (listOnly && AllowClearKey && selectedText() == text() && !text().isEmpty()) {
            changeTo(clNoColorSelected);
            return;
        }
        if (listOnly && ShowMatchText) {
            const int start = selectionStart() >= 0 ? selectionStart() : cursorPosition();
            const int from = std::max(0, start - 1);
            setSelection(int(text().size()), from - int(text().size()));
            return;
        }
        if (!ShowMatchText) {
            changeTo(clNoColorSelected);
            return;
        }
    }
    if (key == Qt::Key_Delete && !ShowMatchText) {
        changeTo(clNoColorSelected);
        return;
    }
    if (!t.isEmpty() && t[0].isPrint() && !alt) {
        if (AutoDropDown && ButtonStyle() != cbsEllipsis && !IsDroppedDown() && t != QLatin1String("."))
            DropDown();
        if (ShowMatchText) {
            const int upto = selectionStart() >= 0 ? selectionStart() : cursorPosition();
            const QString typed = text().left(upto) + t;
            TgwCustomColorList *l = ColorList();
            const int n = l->count();
            const int from = std::max(0, l->IndexOfColor(m_color));
            for (int k = 0; k < n; ++k) {
                const int i = (from + k) % n;
                if (l->GetItemName(i).startsWith(typed, Qt::CaseInsensitive)) {
                    changeTo(l->GetItemColor(i));
                    const QString name = l->GetItemName(i);
                    setText(name);
                    setSelection(int(name.size()), int(typed.size()) - int(name.size()));
                    return;
                }
            }
            if (listOnly)
                return;   // no match: the key is refused
            TgwCustomCombo::keyPressEvent(e);
            kv::gw::Color c;
            if (ParseRGBText(text(), c))
                changeTo(c);
            else if (m_color != clNoColorSelected) {
                m_color = clNoColorSelected;
                if (OnChange)
                    OnChange(this);
            }
            return;
        }
        if (listOnly)
            return;
    }
    TgwCustomCombo::keyPressEvent(e);
    if (!listOnly) {
        kv::gw::Color c;
        if (text().isEmpty())
            changeTo(clNoColorSelected);
        else if (ParseRGBText(text(), c))
            changeTo(c);
    }
}

void TgwCustomColorCombo::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (ColorDialogOptions & cdoEnabled) {
        ExecuteColorDialog();
        return;
    }
    TgwCustomCombo::mouseDoubleClickEvent(e);
}

void TgwCustomColorCombo::focusInEvent(QFocusEvent *e)
{
    TgwCustomCombo::focusInEvent(e);
    update();
}

void TgwCustomColorCombo::focusOutEvent(QFocusEvent *e)
{
    TgwCustomCombo::focusOutEvent(e);
    update();
}

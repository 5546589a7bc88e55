#include "widgets/combo.h"

#include "platform/db/dataset.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>

using namespace kv::gw;

TgwDropDownButton::TgwDropDownButton(TgwCustomCombo *combo) : QWidget(combo), m_combo(combo)
{
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::NoFocus);
}

void TgwDropDownButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    m_combo->DrawButton(p, rect(), m_pressed);
}

void TgwDropDownButton::mousePressEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton)
        return;
    m_pressed = true;
    repaint();
    m_combo->ButtonMouseDown();
}

void TgwDropDownButton::mouseReleaseEvent(QMouseEvent *)
{
    m_pressed = false;
    update();
}

class TgwCustomCombo::Link : public kv::DataLink {
public:
    explicit Link(TgwCustomCombo *c) : combo(c) {}
    TgwCustomCombo *combo;
    void ActiveChanged() override { combo->DataChange(); }
    void DataSetChanged() override { combo->DataChange(); }
    void DataSetScrolled(int) override { combo->DataChange(); }
    void RecordChanged(kv::Field *f) override { if (!f || f == combo->BoundField()) combo->DataChange(); }
    void EditingChanged() override { combo->EditingChange(); }
    void UpdateData() override { combo->UpdateData(); }
};

TgwCustomCombo::TgwCustomCombo(QWidget *parent)
    : QLineEdit(parent), m_button(new TgwDropDownButton(this)), m_link(new Link(this))
{
    const int sb = qApp->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    m_button->resize(std::max(sb, 15), 17);
    resize(121, 21);
    UpdateButtonPosition();
    connect(this, &QLineEdit::textEdited, this, [this] { m_modified = true; });
}

TgwCustomCombo::~TgwCustomCombo()
{
    delete m_link;
}

kv::DataSource *TgwCustomCombo::DataSource() const { return m_link->GetDataSource(); }

void TgwCustomCombo::SetDataSource(kv::DataSource *src)
{
    m_link->SetDataSource(src);
    DataChange();
}

void TgwCustomCombo::SetDataField(const QString &name)
{
    m_dataField = name;
    DataChange();
}

bool TgwCustomCombo::IsDataBound() const
{
    return m_link->GetDataSet() && !m_dataField.isEmpty();
}

kv::Field *TgwCustomCombo::BoundField() const
{
    kv::DataSet *ds = m_link->GetDataSet();
    return ds && !m_dataField.isEmpty() ? ds->FindField(m_dataField) : nullptr;
}

bool TgwCustomCombo::IsReadOnly() const
{
    if (m_readOnly)
        return true;
    kv::Field *f = BoundField();
    return f && (!f->CanModify() || !m_link->GetDataSet()->CanModify());
}

bool TgwCustomCombo::EditCanModify()
{
    if (IsReadOnly())
        return false;
    if (BoundField())
        return m_link->Edit();
    return true;
}

void TgwCustomCombo::EditingChange()
{
    kv::DataSet *ds = m_link->GetDataSet();
    if (!BoundField() || !ds)
        return;
    const bool editing = ds->State() == kv::DataSetState::Edit || ds->State() == kv::DataSetState::Insert;
    setReadOnly(!editing || m_readOnly || m_style == kv::gw::csDropDownList);
}

void TgwCustomCombo::SetStyle(TgwComboStyle s)
{
    m_style = s;
    // A list-only combo shows the arrow over its text.
    if (s == csDropDownList)
        setCursor(Qt::ArrowCursor);
    else
        setCursor(Qt::IBeamCursor);
    setReadOnly(m_readOnly || s == csDropDownList);
}

void TgwCustomCombo::SetShowButton(bool v)
{
    m_button->setVisible(v);
    UpdateButtonPosition();
    update();
}

QRect TgwCustomCombo::EditRect() const
{
    const int left = (hasFrame() ? 0 : 1) + GetLeftIndent();
    const int right = ShowButton() ? m_button->x() - 1 : width() - 2;
    return QRect(QPoint(left, 0), QPoint(right - 1, height() - 1));
}

void TgwCustomCombo::SetEditRect()
{
    const QRect r = EditRect();
    setTextMargins(r.left(), 0, width() - r.right() - 1 - (hasFrame() ? 2 : 0), 0);
}

void TgwCustomCombo::UpdateButtonPosition()
{
    const int fw = hasFrame() ? 2 : 0;
    m_button->setGeometry(width() - m_button->width() - fw, fw, m_button->width(), std::max(1, height() - 2 * fw));
    SetEditRect();
}

void TgwCustomCombo::resizeEvent(QResizeEvent *e)
{
    QLineEdit::resizeEvent(e);
    UpdateButtonPosition();
}

QRect TgwCustomCombo::ScreenRect() const
{
    QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? s->geometry() : QRect(0, 0, 1024, 768);
}

QRect TgwCustomCombo::DropDownGeometry(const QRect &combo, int w, int h, const QRect &screen)
{
    int x = combo.left(), y = combo.top();
    if (screen.left() + screen.width() < x + w)
        x = x + combo.width() - w;
    if (y + combo.height() + h > screen.top() + screen.height())
        y = y - combo.height() - h;
    return QRect(x, y + combo.height(), w, h);
}

QSize TgwCustomCombo::DropDownSize() const
{
    auto *self = const_cast<TgwCustomCombo *>(this);
    const int count = self->GetItemCount();
    const QSize item = self->GetItemSize();
    const int border = 2;
    int h = count > 0 ? item.height() * std::min(m_dropDownCount, count) : height();
    h += 2 * border;
    const int sb = qApp->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int w = std::max(width(), 2 * sb + 2 * border + item.width());
    return QSize(w, h);
}

bool TgwCustomCombo::IsDroppedDown() const
{
    auto *self = const_cast<TgwCustomCombo *>(this);
    QWidget *c = self->GetDropDownContainer();
    return c && c->isVisible();
}

void TgwCustomCombo::DropDown()
{
    if (OnDropDown)
        OnDropDown(this);
    QWidget *container = GetDropDownContainer();
    if (!container)
        return;
    const QSize s = DropDownSize();
    const QRect g = DropDownGeometry(QRect(mapToGlobal(QPoint(0, 0)), size()), s.width(), s.height(), ScreenRect());
    container->setGeometry(g);
    container->installEventFilter(this);
    container->show();
    container->raise();
}

void TgwCustomCombo::CloseUp(bool)
{
    selectAll();
    QWidget *container = GetDropDownContainer();
    if (container && container->isVisible()) {
        container->removeEventFilter(this);
        container->hide();
        update();
        if (!hasFocus() && isVisible())
            setFocus(Qt::PopupFocusReason);
    }
}

void TgwCustomCombo::Reset()
{
    setText(m_savedText);
    selectAll();
    m_modified = false;
}

void TgwCustomCombo::ButtonMouseDown()
{
    if (IsDroppedDown()) {
        CloseUp(true);
        return;
    }
    if (focusPolicy() != Qt::NoFocus)
        setFocus(Qt::MouseFocusReason);
    DropDown();
}

void TgwCustomCombo::DrawButton(QPainter &p, const QRect &r, bool pressed)
{
    if (m_buttonStyle == cbsEllipsis)
        DrawEllipsisButton(p, r, pressed ? 2 : 0, 0);
    else
        DrawComboArrow(p, r, pressed, 0, isEnabled());
}

void TgwCustomCombo::keyPressEvent(QKeyEvent *e)
{
    const bool alt = e->modifiers() & Qt::AltModifier;
    const int key = e->key();
    if (key == Qt::Key_Escape && m_modified && !IsDroppedDown()) {
        Reset();
        e->accept();
        return;
    }
    if (IsDroppedDown() && !alt && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape)) {
        CloseUp(key != Qt::Key_Escape);
        e->accept();
        return;
    }
    if (alt && (key == Qt::Key_Up || key == Qt::Key_Down)) {
        ToggleDropDown();
        e->accept();
        return;
    }
    if (key == Qt::Key_Tab && IsDroppedDown())
        CloseUp(true);
    // Enter and Esc of a closed combo belong to the dialog.
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) && !IsDroppedDown()) {
        e->ignore();
        return;
    }
    if (m_readOnly && !e->text().isEmpty() && e->text()[0].isPrint()) {
        e->accept();
        return;
    }
    QLineEdit::keyPressEvent(e);
}

bool TgwCustomCombo::eventFilter(QObject *watched, QEvent *event)
{
    QWidget *container = GetDropDownContainer();
    if (watched == container) {
        if (event->type() == QEvent::KeyPress) {
            // The open list hands its keys to the combo.
            keyPressEvent(static_cast<QKeyEvent *>(event));
            return true;
        }
        if (event->type() == QEvent::Hide) {
            // Closed by a click outside: no change.
            QMetaObject::invokeMethod(this, [this] { if (!IsDroppedDown()) CloseUp(false); }, Qt::QueuedConnection);
        }
    }
    return QLineEdit::eventFilter(watched, event);
}

void TgwCustomCombo::focusOutEvent(QFocusEvent *e)
{
    QWidget *container = GetDropDownContainer();
    // Opening the drop-down as a pop-up takes the focus from the combo: that
    // is the drop-down getting it, not the focus going elsewhere.
    const bool toDropDown = (e->reason() == Qt::PopupFocusReason && QApplication::activePopupWidget() == container) ||
                            (container && container->isAncestorOf(QApplication::focusWidget())) ||
                            QApplication::focusWidget() == container;
    if (IsDroppedDown() && !toDropDown)
        CloseUp(true);
    QLineEdit::focusOutEvent(e);
}

void TgwCustomCombo::mousePressEvent(QMouseEvent *e)
{
    if (m_style == csDropDownList) {
        if (IsDroppedDown() || e->button() != Qt::LeftButton)
            CloseUp(true);
        else
            DropDown();
        return;
    }
    QLineEdit::mousePressEvent(e);
}

void TgwCustomCombo::paintEvent(QPaintEvent *e)
{
    QLineEdit::paintEvent(e);
    QPainter p(this);
    AfterPaint(p);
}

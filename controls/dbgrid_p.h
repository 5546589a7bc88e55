#pragma once
// The grid's own model, pictures, header and delegate, shared by the grid's source files.
#include "controls/dbgrid.h"
#include "controls/findrecord.h"
#include "controls/layoutstore.h"
#include "controls/vclutils.h"
#include "controls/winlayout.h"
#include "platform/db/datasetmodel.h"
#include "platform/error.h"
#include "platform/ini.h"
#include "platform/text.h"
#include "platform/ui.h"
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <algorithm>
#include <cmath>

using namespace kv;

// ======================================================================= model

class TExDBGridModel : public DataSetModel
{
public:
    explicit TExDBGridModel(TExDBGrid *grid) : DataSetModel(grid), m_grid(grid) {}

    Field *gridField(int col) const
    {
        if (!m_grid->m_persistent) return fieldAt(col);
        if (col < 0 || col >= int(m_grid->m_columns.size())) return nullptr;
        return m_grid->m_columns[size_t(col)]->Field();
    }
    void relayout()
    {
        beginResetModel();
        endResetModel();
    }
    QString error() const { return m_error; }

    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        if (parent.isValid()) return 0;
        return m_grid->m_persistent ? int(m_grid->m_columns.size()) : DataSetModel::columnCount();
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        DataSet *ds = GetDataSet();
        Field *f = gridField(index.column());
        if (!ds || !ds->Active() || !f || index.row() < 0 || index.row() >= ds->ViewRowCount()) return QVariant();
        if (role == Qt::TextAlignmentRole) return QVariant(int(f->Alignment() | Qt::AlignVCenter));
        if (role != Qt::DisplayRole && role != Qt::EditRole) return QVariant();
        QString t;
        try {
            ds->WithViewRow(index.row(), [&]() { t = role == Qt::DisplayRole ? f->DisplayText() : f->Text(); });
        } catch (const Error &) {
        }
        return t;
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override
    {
        if (o != Qt::Horizontal || role != Qt::DisplayRole) return QVariant();
        TColumn *c = m_grid->Columns(section);
        return c ? QVariant(c->Caption()) : QVariant();
    }
    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        Qt::ItemFlags fl = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (m_grid->canShowEditorAt(index.column())) fl |= Qt::ItemIsEditable;
        return fl;
    }
    bool setData(const QModelIndex &index, const QVariant &value, int role) override
    {
        DataSet *ds = GetDataSet();
        Field *f = gridField(index.column());
        if (role != Qt::EditRole || !ds || !f) return false;
        m_error.clear();
        try {
            if (index.row() != ds->ViewCurrentRow()) return false;
            if (ds->State() != DataSetState::Edit && ds->State() != DataSetState::Insert) ds->Edit();
            f->SetText(value.toString());
            return true;
        } catch (const Error &e) {
            m_error = e.message();
            return false;
        }
    }

private:
    TExDBGrid *m_grid;
    QString m_error;
};

// ===================================================================== pictures

namespace dbgrid_detail {

// The small pictures shown instead of a field's text, drawn once.
inline const QImage &fieldPicture(FieldType t)
{
    static QImage memo, blob;
    QImage &img = kv::isMemoType(t) ? memo : blob;
    if (img.isNull()) {
        img = QImage(22, 12, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setPen(QColor(0x80, 0x80, 0x80));
        p.setBrush(QColor(0xFF, 0xFF, 0xF0));
        p.drawRect(0, 0, 21, 11);
        p.setPen(QColor(0, 0, 0x80));
        if (kv::isMemoType(t)) {
            for (int y = 3; y <= 8; y += 2) p.drawLine(3, y, y == 7 ? 12 : 18, y);
        } else {
            for (int x = 3; x < 19; x += 4) p.drawRect(x, 3, 2, 5);
        }
    }
    return img;
}

inline void drawMark(QPainter &p, const QRect &r, int kind)
{
    // kind: 0 arrow, 1 edit beam, 2 insert star, 3 selection dot, 4 selection arrow
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    const int cx = r.center().x(), cy = r.center().y();
    const QColor ink = kind >= 3 ? QColor(0, 0, 0x80) : QColor(0, 0, 0);
    p.setPen(ink);
    p.setBrush(ink);
    switch (kind) {
    case 0:
    case 4: {
        QPolygon tri;
        tri << QPoint(cx - 2, cy - 4) << QPoint(cx + 2, cy) << QPoint(cx - 2, cy + 4);
        p.drawPolygon(tri);
        if (kind == 4) p.drawRect(cx - 5, cy - 1, 1, 2);
        break;
    }
    case 1:
        p.drawLine(cx, cy - 4, cx, cy + 4);
        p.drawLine(cx - 2, cy - 4, cx + 2, cy - 4);
        p.drawLine(cx - 2, cy + 4, cx + 2, cy + 4);
        break;
    case 2:
        p.drawLine(cx - 3, cy, cx + 3, cy);
        p.drawLine(cx, cy - 3, cx, cy + 3);
        p.drawLine(cx - 2, cy - 2, cx + 2, cy + 2);
        p.drawLine(cx - 2, cy + 2, cx + 2, cy - 2);
        break;
    case 3:
        p.drawEllipse(QPoint(cx, cy), 2, 2);
        break;
    }
    p.restore();
}

inline void drawEdge(QPainter &p, const QRect &r, bool sunken)
{
    const QColor light = BtnHighlightColor(), dark = BtnShadowColor();
    p.setPen(sunken ? light : dark);
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
    p.setPen(sunken ? dark : light);
    p.drawLine(r.left(), r.top(), r.right(), r.top());
    p.drawLine(r.left(), r.top(), r.left(), r.bottom());
}

inline bool isEditingState(DataSetState s) { return s == DataSetState::Edit || s == DataSetState::Insert; }

} // namespace
using namespace dbgrid_detail;

// ===================================================================== headers

class TExDBGridHeader : public QHeaderView
{
public:
    explicit TExDBGridHeader(TExDBGrid *grid) : QHeaderView(Qt::Horizontal, grid), m_grid(grid)
    {
        setSectionsClickable(true);
        setHighlightSections(false);
        setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }

    bool tracking = false, pressed = false, swapped = false;
    int pressedCol = -1;

    void endTracking()
    {
        if (!tracking) return;
        tracking = false;
        pressed = false;
        pressedCol = -1;
        viewport()->update();
    }

protected:
    void paintSection(QPainter *p, const QRect &rect, int logical) const override
    {
        TColumn *c = m_grid->Columns(logical);
        p->save();
        QRect r = rect;
        const bool isPressed = pressed && m_grid->m_titleButtons && logical == pressedCol;
        QColor bg = BtnFaceColor();
        QFont font = m_grid->font();
        QColor fontColor = BtnTextColor();
        TSortMarker marker = TSortMarker::smNone;
        Field *f = c ? c->Field() : nullptr;
        if (m_grid->m_titleButtons && f && m_grid->OnGetBtnParams)
            m_grid->OnGetBtnParams(*m_grid, f, font, fontColor, bg, marker, isPressed);
        p->fillRect(r, bg);
        const TDBGridOptions o = m_grid->Options();
        if (m_grid->m_titleButtons || ((o & dgColLines) && (o & dgRowLines))) {
            p->setPen(WindowFrameColor());
            p->drawLine(r.right(), r.top(), r.right(), r.bottom());
            p->drawLine(r.left(), r.bottom(), r.right(), r.bottom());
            drawEdge(*p, r.adjusted(0, 0, -1, -1), isPressed);
            r.adjust(1, 1, -2, -2);
        }
        if (isPressed) r.adjust(1, 1, 0, 0);
        if (c) {
            const QImage mark = markerImage(marker);
            const int reserved = mark.isNull() ? 1 : mark.width() + 6;
            p->setFont(font);
            p->setPen(fontColor);
            ExFontMetrics fm(font);
            const QString text = ShortenTextToWidth(c->Caption(), fm, r.width() - reserved);
            DrawGridCellText(*p, r, text, c->TitleAlignment, CellVAlign::Center);
            if (!mark.isNull()) {
                const int x = r.right() - mark.width() - 3 + (isPressed ? 1 : 0);
                if (x > r.left() && x + mark.width() < r.right())
                    p->drawImage(x, r.top() + (r.height() - mark.height()) / 2, mark);
            }
        }
        p->restore();
    }

    void mousePressEvent(QMouseEvent *e) override
    {
        const int logical = logicalIndexAt(e->position().toPoint());
        if (m_grid->m_titleButtons && m_grid->LinkActive() && logical >= 0 && !onHandle(e->position().toPoint())) {
            if (e->button() == Qt::RightButton && (m_grid->Options() & dgColumnResize)) {
                swapped = true;
                QMouseEvent left(e->type(), e->position(), e->globalPosition(), Qt::LeftButton, Qt::LeftButton,
                                 e->modifiers());
                QHeaderView::mousePressEvent(&left);
                return;
            }
            if (e->button() == Qt::LeftButton) {
                bool enabled = true;
                m_grid->TitleButtonEnabled(logical, 0, enabled);
                if (enabled) {
                    tracking = true;
                    pressedCol = logical;
                    pressed = true;
                    viewport()->update();
                } else {
                    QApplication::beep();
                }
                return;
            }
        }
        QHeaderView::mousePressEvent(e);
    }
    void mouseMoveEvent(QMouseEvent *e) override
    {
        if (tracking) {
            const bool now = overPressed(e->position().toPoint());
            if (now != pressed) {
                pressed = now;
                viewport()->update();
            }
            return;
        }
        QHeaderView::mouseMoveEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent *e) override
    {
        if (tracking) {
            const int col = pressedCol;
            const bool over = overPressed(e->position().toPoint());
            endTracking();
            if (over && m_grid->LinkActive() && col >= 0 && col < m_grid->ColumnCount()) {
                TColumn *c = m_grid->Columns(col);
                m_grid->TitleButtonClicked(col, c ? c->Field() : nullptr);
            }
            return;
        }
        if (swapped) {
            swapped = false;
            QMouseEvent left(e->type(), e->position(), e->globalPosition(), Qt::LeftButton, Qt::NoButton,
                             e->modifiers());
            QHeaderView::mouseReleaseEvent(&left);
            return;
        }
        QHeaderView::mouseReleaseEvent(e);
    }

private:
    bool overPressed(const QPoint &pt) const
    {
        return rect().contains(pt) && logicalIndexAt(pt) == pressedCol;
    }
    bool onHandle(const QPoint &pt) const
    {
        if (count() == 0 || sectionResizeMode(0) == QHeaderView::Fixed) return false;
        const int l = logicalIndexAt(pt);
        if (l < 0) return false;
        const int left = sectionViewportPosition(l), right = left + sectionSize(l);
        return pt.x() - left < 3 || right - pt.x() < 4;
    }
    static QImage markerImage(TSortMarker m)
    {
        if (m == TSortMarker::smNone) return QImage();
        QImage img(9, 5, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setPen(Qt::NoPen);
        p.setBrush(BtnShadowColor());
        QPolygon tri;
        if (m == TSortMarker::smDown) tri << QPoint(0, 0) << QPoint(8, 0) << QPoint(4, 4);
        else tri << QPoint(4, 0) << QPoint(8, 4) << QPoint(0, 4);
        p.drawPolygon(tri);
        return img;
    }

    TExDBGrid *m_grid;
};

// The indicator column: the current row's mark and the marks of selected rows.
class TExDBGridIndicator : public QHeaderView
{
public:
    explicit TExDBGridIndicator(TExDBGrid *grid) : QHeaderView(Qt::Vertical, grid), m_grid(grid)
    {
        setSectionResizeMode(QHeaderView::Fixed);
        setFixedWidth(12);
        setHighlightSections(false);
    }

protected:
    QSize sizeHint() const override { return QSize(12, QHeaderView::sizeHint().height()); }
    void paintSection(QPainter *p, const QRect &rect, int logical) const override
    {
        p->save();
        p->fillRect(rect, BtnFaceColor());
        drawEdge(*p, rect.adjusted(0, 0, -1, -1), false);
        p->setPen(WindowFrameColor());
        p->drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
        p->drawLine(rect.right(), rect.top(), rect.right(), rect.bottom());
        DataSet *ds = m_grid->DataSet();
        if (ds && ds->Active()) {
            const bool current = logical == ds->ViewCurrentRow();
            const bool selected = m_grid->m_multiSelect && m_grid->RowSelected(logical);
            if (current) {
                if (ds->State() == DataSetState::Edit) drawMark(*p, rect, 1);
                else if (ds->State() == DataSetState::Insert) drawMark(*p, rect, 2);
                else drawMark(*p, rect, selected ? 4 : 0);
            } else if (selected) {
                drawMark(*p, rect, 3);
            }
        }
        p->restore();
    }
    void mousePressEvent(QMouseEvent *e) override
    {
        m_grid->fixedPress(logicalIndexAt(e->position().toPoint()), e);
    }
    // The header's own drag-selection of rows stays off: the grid moves its
    // cursor on the press alone.
    void mouseMoveEvent(QMouseEvent *) override {}
    void mouseReleaseEvent(QMouseEvent *) override {}

private:
    TExDBGrid *m_grid;
};

// ===================================================================== delegate

class TExDBGridDelegate : public QStyledItemDelegate
{
public:
    explicit TExDBGridDelegate(TExDBGrid *grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    QPointer<QWidget> editor;
    QPersistentModelIndex editIndex;

    static QString textOf(QWidget *w)
    {
        if (auto *c = qobject_cast<QComboBox *>(w)) return c->currentText();
        if (auto *e = qobject_cast<QLineEdit *>(w)) return e->text();
        return QString();
    }
    static void setTextOf(QWidget *w, const QString &t)
    {
        if (auto *c = qobject_cast<QComboBox *>(w)) c->setEditText(t);
        else if (auto *e = qobject_cast<QLineEdit *>(w)) e->setText(t);
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const override
    {
        TColumn *col = m_grid->Columns(index.column());
        Field *f = col ? col->Field() : nullptr;
        QWidget *w = nullptr;
        QLineEdit *line = nullptr;
        if (col && !col->PickList.isEmpty()) {
            auto *cb = new QComboBox(parent);
            cb->setObjectName(QStringLiteral("InplaceEditor"));
            cb->setEditable(true);
            cb->setInsertPolicy(QComboBox::NoInsert);
            cb->addItems(col->PickList);
            line = cb->lineEdit();
            QObject::connect(cb, &QComboBox::activated, m_grid, [this]() { m_grid->editorChanged(); });
            w = cb;
        } else {
            line = new QLineEdit(parent);
            line->setObjectName(QStringLiteral("InplaceEditor"));
            line->setFrame(false);
            w = line;
            if (col && col->ButtonStyle == TColumnButtonStyle::cbsEllipsis) {
                QAction *a = line->addAction(ellipsisIcon(), QLineEdit::TrailingPosition);
                a->setObjectName(QStringLiteral("EditButton"));
                QObject::connect(a, &QAction::triggered, m_grid, [this]() { m_grid->editButtonClicked(); });
            }
        }
        if (f && f->DataType() == FieldType::String && f->Size() > 0) line->setMaxLength(f->Size());
        if (f) line->setAlignment((f->Alignment() & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter);
        QObject::connect(line, &QLineEdit::textEdited, m_grid, [this]() { m_grid->editorChanged(); });
        line->installEventFilter(const_cast<TExDBGridDelegate *>(this));
        w->installEventFilter(const_cast<TExDBGridDelegate *>(this));
        const_cast<TExDBGridDelegate *>(this)->editor = w;
        const_cast<TExDBGridDelegate *>(this)->editIndex = index;
        return w;
    }
    void setEditorData(QWidget *w, const QModelIndex &index) const override
    {
        // What the user typed stays until it is written or thrown away.
        if (w == editor && m_grid->m_editorModified) return;
        setTextOf(w, index.data(Qt::EditRole).toString());
        if (auto *c = qobject_cast<QComboBox *>(w)) c->lineEdit()->selectAll();
        else if (auto *e = qobject_cast<QLineEdit *>(w)) e->selectAll();
    }
    void setModelData(QWidget *w, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        model->setData(index, textOf(w), Qt::EditRole);
    }
    void updateEditorGeometry(QWidget *w, const QStyleOptionViewItem &option, const QModelIndex &) const override
    {
        w->setGeometry(option.rect.adjusted(0, 0, -1, -1));
    }
    void destroyEditor(QWidget *w, const QModelIndex &index) const override
    {
        if (w == editor) const_cast<TExDBGridDelegate *>(this)->editor = nullptr;
        QStyledItemDelegate::destroyEditor(w, index);
    }
    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        m_grid->paintCell(*p, option.rect, index);
    }

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::KeyPress) {
            auto *k = static_cast<QKeyEvent *>(e);
            const int key = k->key();
            const bool ctrl = k->modifiers() & Qt::ControlModifier;
            switch (key) {
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
            case Qt::Key_Escape:
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Tab:
            case Qt::Key_Backtab:
                if (auto *cb = qobject_cast<QComboBox *>(editor.data()); cb && cb->view() && cb->view()->isVisible())
                    return false;
                // Keys the grid does not take (Tab without dgTabs) go on as usual.
                return m_grid->handleKey(key, k->modifiers());
            case Qt::Key_Delete:
            case Qt::Key_Home:
            case Qt::Key_End:
                if (ctrl) {
                    m_grid->handleKey(key, k->modifiers());
                    return true;
                }
                return false;
            default:
                return false;
            }
        }
        if (e->type() == QEvent::ShortcutOverride) {
            auto *k = static_cast<QKeyEvent *>(e);
            if (k->key() == Qt::Key_Escape) {
                e->accept();
                return true;
            }
        }
        Q_UNUSED(o);
        return false;
    }

private:
    static QIcon ellipsisIcon()
    {
        QPixmap pm(16, 16);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        for (int x = 3; x <= 11; x += 4) p.drawRect(x, 10, 2, 2);
        return QIcon(pm);
    }
    TExDBGrid *m_grid;
};


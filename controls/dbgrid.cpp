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

namespace {

// The small pictures shown instead of a field's text, drawn once.
const QImage &fieldPicture(FieldType t)
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

void drawMark(QPainter &p, const QRect &r, int kind)
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

void drawEdge(QPainter &p, const QRect &r, bool sunken)
{
    const QColor light = BtnHighlightColor(), dark = BtnShadowColor();
    p.setPen(sunken ? light : dark);
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
    p.setPen(sunken ? dark : light);
    p.drawLine(r.left(), r.top(), r.right(), r.top());
    p.drawLine(r.left(), r.top(), r.left(), r.bottom());
}

bool isEditingState(DataSetState s) { return s == DataSetState::Edit || s == DataSetState::Insert; }

} // namespace

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

// ======================================================================= TColumn

Field *TColumn::Field() const
{
    DataSet *ds = m_grid ? m_grid->DataSet() : nullptr;
    return ds && !FieldName.isEmpty() ? ds->FindField(FieldName) : nullptr;
}

QString TColumn::Caption() const
{
    if (!Title.isEmpty()) return Title;
    if (kv::Field *f = Field()) return f->DisplayLabel();
    return FieldName;
}

int TColumn::Index() const
{
    if (!m_grid) return -1;
    for (size_t i = 0; i < m_grid->m_columns.size(); ++i)
        if (m_grid->m_columns[i].get() == this) return int(i);
    return -1;
}

void TColumn::SetIndex(int index)
{
    if (!m_grid) return;
    const int from = Index();
    auto &v = m_grid->m_columns;
    index = std::clamp(index, 0, int(v.size()) - 1);
    if (from < 0 || from == index) return;
    if (!m_grid->m_persistent) {
        // Default columns follow the data set's field order.
        kv::Field *f = Field();
        kv::Field *target = v[size_t(index)]->Field();
        if (f && target) f->SetIndex(target->Index());
        return;
    }
    auto owned = std::move(v[size_t(from)]);
    v.erase(v.begin() + from);
    v.insert(v.begin() + index, std::move(owned));
    m_grid->m_model->relayout();
}

int TColumn::Width() const
{
    if (m_width >= 0) return m_width;
    return m_grid ? m_grid->defaultColumnWidth(Field()) : 64;
}

void TColumn::SetWidth(int w)
{
    m_width = std::max(0, w);
    if (m_grid) m_grid->applyColumns();
}

void TColumn::SetVisible(bool v)
{
    if (m_visible == v) return;
    m_visible = v;
    if (m_grid) m_grid->applyColumns();
}

bool TColumn::Showing() const { return m_visible && Width() > 0; }

// ================================================================= TBookmarkList

bool TBookmarkList::CurrentRowSelected() const
{
    DataSet *ds = m_grid ? m_grid->DataSet() : nullptr;
    if (!ds || !ds->Active()) return false;
    const Bookmark b = ds->GetBookmark();
    return !b.isNull() && m_items.contains(b);
}

void TBookmarkList::SetCurrentRowSelected(bool v)
{
    DataSet *ds = m_grid ? m_grid->DataSet() : nullptr;
    if (!ds || !ds->Active()) return;
    const Bookmark b = ds->GetBookmark();
    if (b.isNull()) return;
    const int row = ds->RecNo() - 1;
    if (v && !m_items.contains(b)) {
        m_items << b;
        m_grid->m_selectedRows << row;
    } else if (!v && m_items.contains(b)) {
        m_items.removeAll(b);
        m_grid->m_selectedRows.removeAll(row);
    } else {
        return;
    }
    m_grid->rowSelectedChanged();
}

void TBookmarkList::Clear()
{
    if (m_items.isEmpty()) return;
    m_items.clear();
    if (m_grid) {
        m_grid->m_selectedRows.clear();
        m_grid->rowSelectedChanged();
    }
}

bool TBookmarkList::Refresh()
{
    DataSet *ds = m_grid ? m_grid->DataSet() : nullptr;
    const int before = m_items.size();
    QList<Bookmark> kept;
    for (const Bookmark &b : m_items)
        if (ds && ds->BookmarkValid(b)) kept << b;
    m_items = kept;
    if (m_items.size() != before && m_grid) {
        m_grid->m_selectionStale = true;
        m_grid->rowSelectedChanged();
    }
    return m_items.size() != before;
}

void TBookmarkList::Delete()
{
    DataSet *ds = m_grid ? m_grid->DataSet() : nullptr;
    if (!ds || !ds->Active() || m_items.isEmpty()) return;
    {
        DataSet::ControlsLock lock(*ds);
        for (int i = int(m_items.size()) - 1; i >= 0; --i) {
            const Bookmark b = m_items[i];
            if (ds->BookmarkValid(b)) {
                ds->GotoBookmark(b);
                ds->Delete();
            }
            m_items.removeAt(i);
        }
    }
    m_grid->m_selectedRows.clear();
    m_grid->rowSelectedChanged();
}

// ===================================================================== TExDBGrid

TExDBGrid::TExDBGrid(QWidget *parent)
    : QTableView(parent), m_model(new TExDBGridModel(this)), m_delegate(new TExDBGridDelegate(this)),
      m_header(new TExDBGridHeader(this)), m_indicator(new TExDBGridIndicator(this)),
      m_iniLink(std::make_unique<TIniLink>())
{
    m_selected.m_grid = this;
    setHorizontalHeader(m_header);
    setVerticalHeader(m_indicator);
    setModel(m_model);
    setItemDelegate(m_delegate);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setFocusPolicy(Qt::StrongFocus);
    setAutoScroll(false);

    connect(m_model, &DataSetModel::currentRowChanged, this, [this](int) { syncCurrent(); });
    connect(m_model, &DataSetModel::editingChanged, this, [this](bool) {
        if (!m_resolving && m_selected.Count() > 0) scheduleResolve();
        refreshView();
    });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this]() { afterReset(); });
    connect(m_model, &QAbstractItemModel::dataChanged, this, [this]() {
        refreshView();
    });
    connect(m_header, &QHeaderView::sectionResized, this, [this](int logical, int, int size) {
        if (m_resolving || logical < 0 || logical >= int(m_columns.size())) return;
        if (m_applying) return;
        m_columns[size_t(logical)]->m_width = size;
    });
    connect(m_header, &QHeaderView::sectionMoved, this, [this](int logical, int, int newVisual) {
        if (m_applying) return;
        // The grid keeps its own column order: put the header back and move the column.
        m_applying = true;
        m_header->blockSignals(true);
        for (int i = 0; i < m_header->count(); ++i) m_header->moveSection(m_header->visualIndex(i), i);
        m_header->blockSignals(false);
        m_applying = false;
        TColumn *c = Columns(logical);
        if (c) QTimer::singleShot(0, this, [this, name = c->FieldName, newVisual]() {
                if (TColumn *cc = ColumnByField(name)) cc->SetIndex(newVisual);
            });
    });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *old, QWidget *now) {
        // Popups of the editor (a pick list) are other windows but still the grid's.
        auto inside = [this](QWidget *w) {
            for (QWidget *p = w; p; p = p->parentWidget())
                if (p == this) return true;
            return false;
        };
        if (inside(old) && now && !inside(now)) onExit();
        if (inside(old) != inside(now)) viewport()->update();
    });

    m_iniLink->OnSave = [this](TIniLink &l) { storeLayout(l, true); };
    m_iniLink->OnLoad = [this](TIniLink &l) { storeLayout(l, false); };

    m_indicator->setDefaultSectionSize(QFontMetrics(font()).height() + 4);
    m_indicator->setMinimumSectionSize(4);
    applyOptions();
}

TExDBGrid::~TExDBGrid()
{
    m_iniLink->OnSave = nullptr;
    m_iniLink->OnLoad = nullptr;
    m_iniLink->SetStore(nullptr);
    disconnect(qApp, nullptr, this, nullptr);
    disconnect(m_model, nullptr, this, nullptr);
    m_model->SetDataSet(nullptr);
}

void TExDBGrid::refreshView()
{
    viewport()->update();
    m_indicator->viewport()->update();
    if (m_frozen) {
        m_frozen->viewport()->update();
        m_frozen->verticalHeader()->viewport()->update();
    }
}

void TExDBGrid::SetDataSource(DataSource *src) { m_model->SetDataSource(src); }
void TExDBGrid::SetDataSet(kv::DataSet *ds) { m_model->SetDataSet(ds); }
DataSet *TExDBGrid::DataSet() const { return m_model->GetDataSet(); }
bool TExDBGrid::LinkActive() const { return DataSet() && DataSet()->Active(); }

// ---- columns

TColumn *TExDBGrid::AddColumn(const QString &fieldName, const QString &title, int width)
{
    if (!m_persistent) {
        m_columns.clear();
        m_persistent = true;
    }
    auto c = std::make_unique<TColumn>();
    c->m_grid = this;
    c->FieldName = fieldName;
    c->Title = title;
    c->m_width = width;
    TColumn *r = c.get();
    m_columns.push_back(std::move(c));
    m_model->relayout();
    return r;
}

void TExDBGrid::ClearColumns()
{
    m_persistent = false;
    m_columns.clear();
    m_model->relayout();
}

int TExDBGrid::ColumnCount() const { return m_model->columnCount(); }

TColumn *TExDBGrid::Columns(int i) const
{
    if (!m_persistent) {
        // Default columns mirror the visible fields.
        auto *self = const_cast<TExDBGrid *>(this);
        const int n = m_model->columnCount();
        bool same = int(m_columns.size()) == n;
        for (int k = 0; same && k < n; ++k) {
            kv::Field *f = m_model->fieldAt(k);
            same = f && m_columns[size_t(k)]->FieldName == f->FieldName();
        }
        if (!same) {
            std::vector<std::unique_ptr<TColumn>> old = std::move(self->m_columns);
            self->m_columns.clear();
            for (int k = 0; k < n; ++k) {
                auto c = std::make_unique<TColumn>();
                c->m_grid = self;
                c->FieldName = m_model->fieldAt(k)->FieldName();
                for (const auto &o : old)
                    if (o->FieldName == c->FieldName) c->m_width = o->m_width;
                self->m_columns.push_back(std::move(c));
            }
        }
    }
    return i >= 0 && i < int(m_columns.size()) ? m_columns[size_t(i)].get() : nullptr;
}

TColumn *TExDBGrid::ColumnByField(const QString &fieldName) const
{
    for (int i = 0; i < ColumnCount(); ++i)
        if (TColumn *c = Columns(i); c && sameText(c->FieldName, fieldName)) return c;
    return nullptr;
}

int TExDBGrid::columnOfField(const kv::Field *f) const
{
    for (int i = 0; i < ColumnCount(); ++i)
        if (Columns(i)->Field() == f) return i;
    return -1;
}

void TExDBGrid::SetSelectedIndex(int col)
{
    if (col < 0 || col >= ColumnCount()) return;
    if (col == m_selectedCol) return;
    if (!HideEditor(true)) return;
    m_selectedCol = col;
    syncCurrent();
}

Field *TExDBGrid::SelectedField() const
{
    TColumn *c = Columns(m_selectedCol);
    return c ? c->Field() : nullptr;
}

int TExDBGrid::defaultColumnWidth(const kv::Field *f) const
{
    const QFontMetrics fm(font());
    const int chars = f ? f->DisplayWidth() : 10;
    const int text = std::max(fm.horizontalAdvance(QStringLiteral("0")) * chars + 4,
                              f ? fm.horizontalAdvance(f->DisplayLabel()) + 6 : 0);
    return std::min(text, 400);
}

void TExDBGrid::applyColumns()
{
    m_applying = true;
    for (int i = 0; i < ColumnCount(); ++i) {
        TColumn *c = Columns(i);
        const bool show = c->Showing();
        setColumnHidden(i, !show);
        if (show && columnWidth(i) != c->Width()) setColumnWidth(i, c->Width());
    }
    m_applying = false;
    updateFrozen();
}

int TExDBGrid::frozenWidth() const
{
    int w = (m_options & dgIndicator) ? m_indicator->width() : 0;
    for (int i = 0; i < std::min(m_fixedCols, ColumnCount()); ++i)
        if (!isColumnHidden(i)) w += columnWidth(i);
    return w;
}

void TExDBGrid::updateFrozen()
{
    if (m_fixedCols <= 0 || ColumnCount() == 0) {
        if (m_frozen) m_frozen->hide();
        return;
    }
    if (!m_frozen) {
        m_frozen = new QTableView(this);
        m_frozen->setObjectName(QStringLiteral("FixedColumns"));
        m_frozen->setHorizontalHeader(new TExDBGridHeader(this));
        m_frozen->setVerticalHeader(new TExDBGridIndicator(this));
        m_frozen->setModel(m_model);
        m_frozen->setItemDelegate(m_delegate);
        m_frozen->setFocusPolicy(Qt::NoFocus);
        m_frozen->setEditTriggers(QAbstractItemView::NoEditTriggers);
        m_frozen->setSelectionMode(QAbstractItemView::NoSelection);
        m_frozen->setShowGrid(false);
        m_frozen->setWordWrap(false);
        m_frozen->setCornerButtonEnabled(false);
        m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_frozen->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
        m_frozen->setFrameShape(QFrame::NoFrame);
        m_frozen->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        m_frozen->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        m_frozen->viewport()->installEventFilter(this);
        connect(verticalScrollBar(), &QAbstractSlider::valueChanged, m_frozen->verticalScrollBar(),
                &QAbstractSlider::setValue);
    }
    m_frozen->horizontalHeader()->setVisible(m_options & dgTitles);
    m_frozen->verticalHeader()->setVisible(m_options & dgIndicator);
    m_frozen->verticalHeader()->setDefaultSectionSize(RowsHeight());
    m_frozen->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
    for (int i = 0; i < ColumnCount(); ++i) {
        const bool show = i < m_fixedCols && !isColumnHidden(i);
        m_frozen->setColumnHidden(i, !show);
        if (show) m_frozen->setColumnWidth(i, columnWidth(i));
    }
    m_frozen->setGeometry(frameWidth(), frameWidth(), frozenWidth(),
                          viewport()->height() + ((m_options & dgTitles) ? horizontalHeader()->height() : 0));
    m_frozen->verticalScrollBar()->setValue(verticalScrollBar()->value());
    m_frozen->show();
    m_frozen->raise();
}

void TExDBGrid::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    QTableView::scrollTo(index, hint);
    if (!m_frozen || !m_frozen->isVisible() || !index.isValid() || index.column() < m_fixedCols) return;
    // Keep the cell clear of the fixed columns laid over the left edge.
    const int covered = frozenWidth() - ((m_options & dgIndicator) ? m_indicator->width() : 0);
    const QRect r = visualRect(index);
    if (r.left() < covered)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - (covered - r.left()));
}

bool TExDBGrid::eventFilter(QObject *o, QEvent *e)
{
    if (m_frozen && o == m_frozen->viewport()) {
        switch (e->type()) {
        case QEvent::MouseButtonPress: {
            auto *me = static_cast<QMouseEvent *>(e);
            fixedPress(m_frozen->rowAt(me->position().toPoint().y()), me);
            return true;
        }
        case QEvent::MouseButtonDblClick:
            if (OnDblClick) OnDblClick(*this);
            return true;
        case QEvent::Wheel:
            wheelEvent(static_cast<QWheelEvent *>(e));
            return true;
        default:
            break;
        }
    }
    return QTableView::eventFilter(o, e);
}

// A press in the indicator or in a fixed column moves to the row only.
void TExDBGrid::fixedPress(int row, QMouseEvent *e)
{
    setFocus(Qt::MouseFocusReason);
    if (row < 0 || !LinkActive()) return;
    if (!HideEditor(true)) return;
    guarded([&]() { moveToViewRow(row); });
    if (e->button() == Qt::LeftButton && m_multiSelect) {
        m_selecting = false;
        if (e->modifiers() & Qt::ControlModifier) {
            m_selected.SetCurrentRowSelected(!m_selected.CurrentRowSelected());
        } else {
            m_selected.Clear();
            if (m_clearSelection) m_selected.SetCurrentRowSelected(true);
        }
    }
}

// ---- properties

TDBGridOptions TExDBGrid::Options() const
{
    return m_multiSelect ? (m_options | dgMultiSelect) : (m_options & ~dgMultiSelect);
}

void TExDBGrid::SetOptions(TDBGridOptions o)
{
    m_options = o & ~dgMultiSelect;
    applyOptions();
    SetMultiSelect(o & dgMultiSelect);
}

void TExDBGrid::applyOptions()
{
    m_header->setVisible(m_options & dgTitles);
    m_indicator->setVisible(m_options & dgIndicator);
    m_header->setSectionResizeMode((m_options & dgColumnResize) ? QHeaderView::Interactive : QHeaderView::Fixed);
    m_header->setSectionsMovable((m_options & dgColumnResize) != 0);
    setTabKeyNavigation(m_options & dgTabs);
    refreshView();
}

void TExDBGrid::SetMultiSelect(bool v)
{
    if (m_multiSelect == v) return;
    m_multiSelect = v;
    if (!v) {
        m_selected.Clear();
        m_selecting = false;
    }
    refreshView();
}

void TExDBGrid::SetFixedCols(int n)
{
    m_fixedCols = std::max(0, n);
    if (LinkActive() && ColumnCount() > 1) m_fixedCols = std::min(m_fixedCols, ColumnCount() - 1);
    updateFrozen();
    if (m_selectedCol < m_fixedCols) {
        const int first = firstScrollableColumn();
        if (first >= 0) {
            m_selectedCol = first;
            syncCurrent();
        }
    }
    refreshView();
}

void TExDBGrid::SetDefaultDrawing(bool v)
{
    m_defaultDrawing = v;
    refreshView();
}

void TExDBGrid::SetShowGlyphs(bool v)
{
    if (m_showGlyphs == v) return;
    m_showGlyphs = v;
    refreshView();
}

void TExDBGrid::SetTitleButtons(bool v)
{
    if (m_titleButtons == v) return;
    m_titleButtons = v;
    SetOptions(Options());
    m_header->viewport()->update();
}

int TExDBGrid::RowsHeight() const { return m_indicator->defaultSectionSize(); }

void TExDBGrid::SetRowsHeight(int h)
{
    if (h <= 0 || h == RowsHeight()) return;
    m_rowsHeight = h;
    m_indicator->setDefaultSectionSize(h);
    if (m_options & dgTitles) m_header->setFixedHeight(h + 2);
    updateGeometries();
}

void TExDBGrid::SetReadOnly(bool v)
{
    if (m_readOnly == v) return;
    if (v) HideEditor(false);
    m_readOnly = v;
    refreshView();
}

TFormLayoutStore *TExDBGrid::IniStorage() const { return m_iniLink->Store(); }
void TExDBGrid::SetIniStorage(TFormLayoutStore *store) { m_iniLink->SetStore(store); }

void TExDBGrid::GoToSelectedRow(int index)
{
    if (!m_multiSelect || !LinkActive() || index < 0 || index >= m_selected.Count()) return;
    guarded([&]() { DataSet()->GotoBookmark(m_selected.Items(index)); });
}

// ---- layout

void TExDBGrid::SaveColumnLayout(LayoutStorage &s, const QString &section)
{
    kv::DataSet *ds = DataSet();
    if (!m_persistent) {
        if (!ds) return;
        // Widths the user dragged become the fields' display widths.
        const int cw = std::max(1, QFontMetrics(font()).horizontalAdvance(QStringLiteral("0")));
        for (int i = 0; i < ColumnCount(); ++i) {
            TColumn *c = Columns(i);
            kv::Field *f = c->Field();
            if (f && c->m_width >= 0) f->SetDisplayWidth(std::max(1, (c->m_width - 4 + cw / 2) / cw));
        }
        StoreFieldLayout(ds, s, section);
        return;
    }
    const QString sec = section.isEmpty() ? DefaultSectionOf(this) : section;
    LayoutEraseSection(s, sec);
    for (int i = 0; i < ColumnCount(); ++i) {
        TColumn *c = Columns(i);
        LayoutWriteString(s, sec, QStringLiteral("%1.%2").arg(objectName(), c->FieldName),
                          QStringLiteral("%1,%2").arg(i).arg(c->Width()));
    }
}

void TExDBGrid::LoadColumnLayout(const LayoutStorage &s, const QString &section)
{
    kv::DataSet *ds = DataSet();
    if (!ds) return;
    if (!m_persistent) {
        LoadFieldLayout(ds, s, section, false);
        for (int i = 0; i < ColumnCount(); ++i) Columns(i)->m_width = -1;
        applyColumns();
        return;
    }
    const QString sec = section.isEmpty() ? DefaultSectionOf(this) : section;
    std::vector<std::pair<TColumn *, int>> stored;
    for (int i = 0; i < ColumnCount(); ++i) {
        TColumn *c = Columns(i);
        int index = i;
        const QString value =
            LayoutReadString(s, sec, QStringLiteral("%1.%2").arg(objectName(), c->FieldName), QString());
        if (!value.isEmpty()) {
            const QStringList w = LayoutWords(value);
            bool ok = false;
            const int v = w.value(0).toInt(&ok);
            if (ok) index = v;
            const int width = w.value(1).toInt(&ok);
            if (ok) c->m_width = std::max(0, width);
        }
        stored.push_back({c, index});
    }
    std::vector<std::unique_ptr<TColumn>> &v = m_columns;
    for (int i = 0; i < int(stored.size()); ++i) {
        for (const auto &e : stored) {
            if (e.second != i) continue;
            const int from = e.first->Index();
            if (from != i && i < int(v.size())) {
                auto owned = std::move(v[size_t(from)]);
                v.erase(v.begin() + from);
                v.insert(v.begin() + i, std::move(owned));
            }
            break;
        }
    }
    m_model->relayout();
}

void TExDBGrid::SaveColumnLayout(TIniFile &ini, const QString &section)
{
    IniLayoutStorage s(ini);
    SaveColumnLayout(s, section);
}

void TExDBGrid::LoadColumnLayout(TIniFile &ini, const QString &section)
{
    IniLayoutStorage s(ini);
    LoadColumnLayout(s, section);
}

void TExDBGrid::storeLayout(TIniLink &link, bool save)
{
    LayoutStorage *s = link.IniObject();
    if (objectName().isEmpty() || !s) return;
    const QString root = link.RootSection();
    QString sec;
    if (m_persistent) sec = root + DefaultSectionOf(this);
    else if (!root.isEmpty() && DataSet()) sec = root + DataSetLayoutSection(DataSet(), QString());
    if (save) SaveColumnLayout(*s, sec);
    else LoadColumnLayout(*s, sec);
}

// ---- events

void TExDBGrid::TitleButtonClicked(int col, kv::Field *field)
{
    if (OnTitleBtnClick) OnTitleBtnClick(*this, col, field);
}

void TExDBGrid::TitleButtonEnabled(int col, int, bool &enabled)
{
    if (col < 0 || col >= ColumnCount()) {
        enabled = false;
        return;
    }
    if (OnCheckButton) OnCheckButton(*this, col, Columns(col)->Field(), enabled);
}

void TExDBGrid::EditorTextChanged()
{
    if (OnEditChange) OnEditChange(*this);
}

void TExDBGrid::QueryCellColors(kv::Field *field, QFont &font, QColor &fontColor, QColor &background,
                                bool highlight)
{
    if (OnGetCellParams) {
        OnGetCellParams(*this, field, font, fontColor, background, highlight);
        return;
    }
    if (!OnGetCellProps) return;
    if (highlight) {
        // Under the highlight the handler cannot change the colours.
        const QColor savedFont = fontColor;
        QColor scratch = background;
        OnGetCellProps(*this, field, font, fontColor, scratch);
        fontColor = savedFont;
    } else {
        OnGetCellProps(*this, field, font, fontColor, background);
    }
}

// ---- selection

bool TExDBGrid::RowSelected(int row) const
{
    kv::DataSet *ds = DataSet();
    if (!m_multiSelect || !ds || !ds->Active() || m_selected.Count() == 0) return false;
    int dataRow = row;
    if (ds->State() == DataSetState::Insert) {
        const int ins = ds->ViewCurrentRow();
        if (row == ins) return false;
        if (row > ins) --dataRow;
    } else if (row == ds->ViewCurrentRow()) {
        return m_selected.CurrentRowSelected();
    }
    if (m_selectionStale) const_cast<TExDBGrid *>(this)->scheduleResolve();
    return m_selectedRows.contains(dataRow);
}

void TExDBGrid::rowSelectedChanged()
{
    refreshView();
}

void TExDBGrid::scheduleResolve()
{
    m_selectionStale = true;
    if (m_resolveQueued) return;
    m_resolveQueued = true;
    QTimer::singleShot(0, this, [this]() {
        m_resolveQueued = false;
        resolveSelectionRows();
    });
}

// The data set tells no row's bookmark without moving to it, so the rows of
// the selected bookmarks are found again by visiting them after the rows
// changed.
void TExDBGrid::resolveSelectionRows()
{
    kv::DataSet *ds = DataSet();
    if (!m_selectionStale) return;
    if (!ds || !ds->Active() || m_selected.Count() == 0) {
        m_selectedRows.clear();
        m_selectionStale = false;
        return;
    }
    if (ds->State() != DataSetState::Browse || EditorMode()) return;
    QList<int> rows;
    m_resolving = true;
    try {
        const Bookmark here = ds->GetBookmark();
        {
            DataSet::ControlsLock lock(*ds);
            QList<Bookmark> kept;
            for (const Bookmark &b : m_selected.m_items) {
                if (!ds->BookmarkValid(b)) continue;
                ds->GotoBookmark(b);
                rows << ds->RecNo() - 1;
                kept << b;
            }
            m_selected.m_items = kept;
            if (!here.isNull() && ds->BookmarkValid(here)) ds->GotoBookmark(here);
        }
    } catch (const Error &) {
    }
    m_resolving = false;
    m_selectedRows = rows;
    m_selectionStale = false;
    rowSelectedChanged();
}

void TExDBGrid::dropSelection()
{
    if (m_clearSelection) m_selected.Clear();
    m_selecting = false;
}

// ---- editing

bool TExDBGrid::canEditGrid() const
{
    kv::DataSet *ds = DataSet();
    return ds && ds->Active() && (m_options & dgEditing) && !m_readOnly && ds->CanModify();
}

bool TExDBGrid::canAppend() const { return canEditGrid(); }

bool TExDBGrid::FieldHasPicture(const kv::Field *f) const
{
    if (!m_showGlyphs || !f) return false;
    if (!kv::isBlobType(f->DataType())) return false;
    return !(!m_readOnly && f->CanModify() && f->OnGetText && f->OnSetText);
}

bool TExDBGrid::canShowEditorAt(int col) const
{
    if (!canEditGrid() || (m_options & dgRowSelect)) return false;
    TColumn *c = Columns(col);
    kv::Field *f = c ? c->Field() : nullptr;
    if (!c || !f || c->ReadOnly || !f->CanModify() || !c->Showing()) return false;
    if (col < m_fixedCols) return false;
    return !FieldHasPicture(f);
}

bool TExDBGrid::EditorMode() const
{
    return m_delegate->editor && state() == QAbstractItemView::EditingState;
}

QWidget *TExDBGrid::InplaceEditor() const { return EditorMode() ? m_delegate->editor.data() : nullptr; }

bool TExDBGrid::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    if (!m_openingEditor) return false;
    return QTableView::edit(index, trigger, event);
}

void TExDBGrid::ShowEditor()
{
    if (EditorMode() || !canShowEditorAt(m_selectedCol)) return;
    kv::DataSet *ds = DataSet();
    bool allow = true;
    if (OnShowEditor) OnShowEditor(*this, Columns(m_selectedCol)->Field(), allow);
    if (!allow) return;
    if (ds->ViewRowCount() == 0 && !guarded([&]() { ds->Append(); })) return;
    const QModelIndex idx = m_model->index(ds->ViewCurrentRow(), m_selectedCol);
    if (!idx.isValid()) return;
    m_openingEditor = true;
    QTableView::edit(idx);
    m_openingEditor = false;
    m_editorModified = false;
    if (QWidget *w = InplaceEditor()) w->setFocus(Qt::OtherFocusReason);
}

bool TExDBGrid::HideEditor(bool commit)
{
    QWidget *w = InplaceEditor();
    if (!w) {
        m_editorModified = false;
        return true;
    }
    if (commit && m_editorModified) {
        const QModelIndex idx = m_delegate->editIndex;
        m_delegate->setModelData(w, m_model, idx);
        if (!m_model->error().isEmpty()) {
            const QString msg = m_model->error();
            ShowError(msg, this);
            if (QWidget *e = InplaceEditor()) e->setFocus(Qt::OtherFocusReason);
            return false;
        }
    }
    m_editorModified = false;
    if (QWidget *e = InplaceEditor()) {
        const bool hadFocus = e->hasFocus() || e->isAncestorOf(QApplication::focusWidget());
        closeEditor(e, QAbstractItemDelegate::NoHint);
        if (hadFocus) setFocus(Qt::OtherFocusReason);
    }
    return true;
}

void TExDBGrid::editorChanged()
{
    kv::DataSet *ds = DataSet();
    if (!ds || !EditorMode()) return;
    m_editorModified = true;
    if (ds->State() == DataSetState::Browse) {
        if (!guarded([&]() { ds->Edit(); })) {
            HideEditor(false);
            return;
        }
    }
    EditorTextChanged();
    m_indicator->viewport()->update();
}

void TExDBGrid::editButtonClicked()
{
    if (OnEditButtonClick) OnEditButtonClick(*this);
}

bool TExDBGrid::guarded(const std::function<void()> &action)
{
    try {
        action();
        return true;
    } catch (const std::exception &e) {
        ShowException(e, this);
        return false;
    }
}

// ---- moves

int TExDBGrid::visibleRowCount() const
{
    const int h = std::max(1, rowHeight(0) > 0 ? rowHeight(0) : RowsHeight());
    return std::max(1, viewport()->height() / h);
}

int TExDBGrid::firstScrollableColumn() const
{
    for (int i = m_fixedCols; i < ColumnCount(); ++i)
        if (Columns(i)->Showing()) return i;
    return -1;
}

void TExDBGrid::moveWithSelection(int distance, bool shift)
{
    kv::DataSet *ds = DataSet();
    bool add = false;
    if (m_multiSelect && ds && ds->Active()) {
        if (!shift) {
            dropSelection();
        } else if (m_selecting) {
            const Bookmark anchor = Bookmark::fromString(m_anchor);
            add = ds->CompareBookmarks(ds->GetBookmark(), anchor) != -distance;
            if (!add) m_selected.SetCurrentRowSelected(false);
        } else {
            m_anchor = ds->GetBookmark().toString();
            m_selected.SetCurrentRowSelected(true);
            m_selecting = true;
            add = true;
        }
    }
    if (distance != 0) ds->MoveBy(distance);
    if (add) m_selected.SetCurrentRowSelected(true);
}

void TExDBGrid::nextRow(bool shift)
{
    kv::DataSet *ds = DataSet();
    if (ds->State() == DataSetState::Insert && !ds->Modified()) {
        if (ds->ViewCurrentRow() >= ds->ViewRowCount() - 1) return;
        ds->Cancel();
        return;
    }
    moveWithSelection(1, shift);
    if (ds->Eof() && canAppend()) ds->Append();
}

void TExDBGrid::priorRow(bool shift)
{
    kv::DataSet *ds = DataSet();
    if (ds->State() == DataSetState::Insert && !ds->Modified() && ds->ViewCurrentRow() >= ds->ViewRowCount() - 1) {
        ds->Cancel();
        return;
    }
    moveWithSelection(-1, shift);
}

void TExDBGrid::moveToViewRow(int viewRow)
{
    kv::DataSet *ds = DataSet();
    if (!ds || !ds->Active()) return;
    const bool inserting = ds->State() == DataSetState::Insert;
    int dataRow = viewRow;
    if (inserting) {
        const int ins = ds->ViewCurrentRow();
        if (viewRow == ins) return;
        if (viewRow > ins) --dataRow;
    } else if (viewRow == ds->ViewCurrentRow()) {
        return;
    }
    const int before = ds->RecordCount();
    const int editedRow = inserting ? -1 : ds->RecNo() - 1;
    ds->CheckBrowseMode();
    const int after = ds->RecordCount();
    if (inserting && after == before + 1) {
        // The posted row landed somewhere; rows at or after it moved down.
        if (ds->RecNo() - 1 <= dataRow) ++dataRow;
    } else if (!inserting && after == before - 1 && editedRow >= 0 && editedRow < dataRow) {
        --dataRow;   // the edited row left the filter
    }
    ds->SetRecNo(std::clamp(dataRow + 1, 1, std::max(1, after)));
}

void TExDBGrid::tab(bool forward)
{
    const int n = ColumnCount();
    if (n == 0) return;
    int col = m_selectedCol;
    const int original = col;
    for (int guard = 0; guard < 2 * n + 2; ++guard) {
        col += forward ? 1 : -1;
        if (col >= n) {
            nextRow(false);
            col = 0;
        } else if (col < 0) {
            priorRow(false);
            col = n - 1;
        }
        if (col == original) return;
        if (col >= m_fixedCols && Columns(col)->Showing()) {
            m_selectedCol = col;
            syncCurrent();
            return;
        }
    }
}

void TExDBGrid::escape()
{
    kv::DataSet *ds = DataSet();
    if (EditorMode() && m_editorModified) {
        HideEditor(false);
        if (ds->State() == DataSetState::Edit && !ds->Modified()) ds->Cancel();
    } else {
        HideEditor(false);
        if (isEditingState(ds->State())) ds->Cancel();
    }
}

void TExDBGrid::deleteRecords()
{
    kv::DataSet *ds = DataSet();
    const int n = m_selected.Count();
    bool yes = true;
    if (m_options & dgConfirmDelete)
        yes = ShowConfirmation(n <= 1 ? QStringLiteral("Удалить запись?") : QStringLiteral("Удалить все выбранные записи?"),
                               MsgButtons::YesNo, this) == ModalResult::Yes;
    if (!yes) return;
    HideEditor(false);
    if (n > 0) m_selected.Delete();
    else ds->Delete();
    m_selecting = false;
}

bool TExDBGrid::handleKey(int key, Qt::KeyboardModifiers mods)
{
    if (OnKeyDown) {
        OnKeyDown(*this, key, mods);
        if (key == 0) return true;
    }
    kv::DataSet *ds = DataSet();
    if (!ds || !ds->Active()) return false;
    const bool ctrl = mods & Qt::ControlModifier, shift = mods & Qt::ShiftModifier;
    const int n = ColumnCount();

    if (ctrl) {
        switch (key) {
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_End:
        case Qt::Key_Home:
        case Qt::Key_Up:
        case Qt::Key_Down:
            dropSelection();
            if (!HideEditor(true)) return true;
            guarded([&]() {
                const int top = rowAt(0) < 0 ? 0 : rowAt(0);
                if (key == Qt::Key_Home) ds->First();
                else if (key == Qt::Key_End) ds->Last();
                else if (key == Qt::Key_Up) priorRow(false);
                else if (key == Qt::Key_Down) nextRow(false);
                else if (key == Qt::Key_PageUp) moveToViewRow(top);
                else moveToViewRow(std::min(ds->ViewRowCount() - 1, top + visibleRowCount() - 1));
            });
            return true;
        case Qt::Key_Left:
            if (m_fixedCols >= 1) {
                if (int f = firstScrollableColumn(); f >= 0) SetSelectedIndex(f);
                return true;
            }
            break;
        case Qt::Key_Delete:
            if (!m_readOnly && ds->CanModify() && !ds->IsEmpty()) {
                guarded([&]() { deleteRecords(); });
                return true;
            }
            return false;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (EditorMode() && Columns(m_selectedCol)->ButtonStyle == TColumnButtonStyle::cbsEllipsis) {
                editButtonClicked();
                return true;
            }
            break;
        default:
            break;
        }
    }

    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (!HideEditor(true)) return true;
        guarded([&]() {
            if (key == Qt::Key_Up) priorRow(shift);
            else nextRow(shift);
        });
        if ((m_options & dgAlwaysShowEditor) && !EditorMode()) ShowEditor();
        return true;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        dropSelection();
        if (!HideEditor(true)) return true;
        guarded([&]() { ds->MoveBy(key == Qt::Key_PageUp ? -visibleRowCount() : visibleRowCount()); });
        return true;
    case Qt::Key_Home:
    case Qt::Key_End: {
        if (EditorMode()) return false;
        if (n <= 1 || (m_options & dgRowSelect)) dropSelection();
        int col = -1;
        if (key == Qt::Key_Home) {
            col = m_fixedCols >= 1 ? firstScrollableColumn() : 0;
            while (col >= 0 && col < n && !Columns(col)->Showing()) ++col;
        } else {
            col = n - 1;
            while (col >= 0 && !Columns(col)->Showing()) --col;
        }
        if (col >= 0 && col < n) SetSelectedIndex(col);
        return true;
    }
    case Qt::Key_Left:
    case Qt::Key_Right: {
        if (EditorMode()) return false;
        if (m_options & dgRowSelect) {
            dropSelection();
            return true;
        }
        const int step = key == Qt::Key_Left ? -1 : 1;
        const int first = m_fixedCols >= 1 ? firstScrollableColumn() : 0;
        int col = m_selectedCol + step;
        while (col >= 0 && col < n && !Columns(col)->Showing()) col += step;
        if (col >= std::max(0, first) && col < n) SetSelectedIndex(col);
        return true;
    }
    case Qt::Key_Escape:
        dropSelection();
        guarded([&]() { escape(); });
        return true;
    case Qt::Key_Insert:
        if (!canAppend() || ctrl || shift) return false;
        dropSelection();
        if (!HideEditor(true)) return true;
        guarded([&]() { ds->Insert(); });
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (!(m_options & dgTabs) || (mods & Qt::AltModifier)) return false;
        if (!HideEditor(true)) return true;
        guarded([&]() { tab(key == Qt::Key_Tab && !shift); });
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (EditorMode()) {
            if (!HideEditor(true)) return true;
            if (m_options & dgAlwaysShowEditor) ShowEditor();
        } else {
            ShowEditor();
        }
        return true;
    case Qt::Key_F2:
        if (!EditorMode()) ShowEditor();
        return true;
    default:
        return false;
    }
}

void TExDBGrid::handleChar(QChar c)
{
    if (OnKeyPress) {
        OnKeyPress(*this, c);
        if (c.isNull()) return;
    }
    if (!c.isPrint() || EditorMode() || !canShowEditorAt(m_selectedCol)) return;
    ShowEditor();
    if (QWidget *w = InplaceEditor()) {
        TExDBGridDelegate::setTextOf(w, QString(c));
        editorChanged();
    }
}

void TExDBGrid::keyPressEvent(QKeyEvent *e)
{
    if (handleKey(e->key(), e->modifiers())) {
        e->accept();
        return;
    }
    const QString t = e->text();
    if (t.size() == 1 && t[0].isPrint() && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        handleChar(t[0]);
        e->accept();
        return;
    }
    if (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) {
        QAbstractScrollArea::keyPressEvent(e);   // focus chain
        return;
    }
    e->ignore();
}

void TExDBGrid::mousePressEvent(QMouseEvent *e)
{
    setFocus(Qt::MouseFocusReason);
    if (!LinkActive()) return;
    const QModelIndex idx = indexAt(e->position().toPoint());
    kv::DataSet *ds = DataSet();
    if (!idx.isValid()) {
        HideEditor(true);
        return;
    }
    const int row = idx.row(), col = idx.column();
    if (col < m_fixedCols) {
        fixedPress(row, e);
        return;
    }
    const bool onCurrent = row == ds->ViewCurrentRow() && col == m_selectedCol;
    if (onCurrent && e->button() == Qt::LeftButton && !EditorMode() && !(e->modifiers() & Qt::ControlModifier)) {
        if (!m_multiSelect) {
            ShowEditor();
            return;
        }
    }
    if (!HideEditor(true)) return;
    if (!guarded([&]() { moveToViewRow(row); })) return;
    m_selectedCol = col;
    syncCurrent();
    if (e->button() == Qt::LeftButton && m_multiSelect) {
        m_selecting = false;
        if (e->modifiers() & Qt::ControlModifier) {
            m_selected.SetCurrentRowSelected(!m_selected.CurrentRowSelected());
        } else {
            m_selected.Clear();
            if (m_clearSelection) m_selected.SetCurrentRowSelected(true);
        }
    }
}

void TExDBGrid::mouseMoveEvent(QMouseEvent *) {}
void TExDBGrid::mouseReleaseEvent(QMouseEvent *) {}

void TExDBGrid::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton && OnDblClick) OnDblClick(*this);
}

void TExDBGrid::wheelEvent(QWheelEvent *e)
{
    kv::DataSet *ds = DataSet();
    const int dy = e->angleDelta().y();
    if (!ds || !ds->Active() || dy == 0) {
        e->ignore();
        return;
    }
    if (!HideEditor(true)) return;
    guarded([&]() { ds->MoveBy(dy < 0 ? 1 : -1); });
    e->accept();
}

void TExDBGrid::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    if (dy != 0) m_header->endTracking();
    if (OnTopLeftChanged) OnTopLeftChanged(*this);
}

void TExDBGrid::resizeEvent(QResizeEvent *e)
{
    QTableView::resizeEvent(e);
    if (m_frozen && m_frozen->isVisible()) updateFrozen();
}

void TExDBGrid::updateGeometries()
{
    QTableView::updateGeometries();
    if (m_frozen && m_frozen->isVisible()) updateFrozen();
}

void TExDBGrid::currentChanged(const QModelIndex &, const QModelIndex &)
{
    refreshView();
}

void TExDBGrid::syncCurrent()
{
    kv::DataSet *ds = DataSet();
    const int row = ds && ds->Active() ? ds->ViewCurrentRow() : -1;
    if (m_selectedCol >= ColumnCount()) m_selectedCol = std::max(0, ColumnCount() - 1);
    if (row < 0 || ColumnCount() == 0) {
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    } else {
        const QModelIndex idx = m_model->index(row, m_selectedCol);
        if (idx != currentIndex()) selectionModel()->setCurrentIndex(idx, QItemSelectionModel::NoUpdate);
        scrollTo(idx);
    }
    refreshView();
}

void TExDBGrid::afterReset()
{
    m_editorModified = m_editorModified && EditorMode();
    if (!m_resolving && m_selected.Count() > 0) scheduleResolve();
    applyColumns();
    if (m_selectedCol < m_fixedCols || (Columns(m_selectedCol) && !Columns(m_selectedCol)->Showing())) {
        const int first = firstScrollableColumn();
        if (first >= 0) m_selectedCol = first;
    }
    syncCurrent();
}

void TExDBGrid::onExit()
{
    if (m_inExit) return;
    kv::DataSet *ds = DataSet();
    if (!ds || !ds->Active()) return;
    m_inExit = true;
    if (HideEditor(true) && (m_options & dgCancelOnExit) && ds->State() == DataSetState::Insert && !ds->Modified())
        guarded([&]() { ds->Cancel(); });
    m_inExit = false;
}

// ---- drawing

void TExDBGrid::paintCell(QPainter &p, const QRect &rect, const QModelIndex &index)
{
    kv::DataSet *ds = DataSet();
    if (!ds || !ds->Active()) return;
    const int row = index.row(), col = index.column();
    TColumn *c = Columns(col);
    kv::Field *f = c ? c->Field() : nullptr;
    const bool focused = hasFocus() || (InplaceEditor() && InplaceEditor()->hasFocus());
    const bool currentRow = row == ds->ViewCurrentRow();
    const bool rowSelect = m_options & dgRowSelect;
    const bool selectedCell = currentRow && (rowSelect || col == m_selectedCol);
    const bool highlight = selectedCell && ((m_options & dgAlwaysShowSelection) || focused);
    const bool rowMarked = RowSelected(row);

    QColor bg = c && c->Color.isValid() ? c->Color : palette().color(QPalette::Base);
    QColor fg = palette().color(QPalette::Text);
    if (highlight || rowMarked) {
        bg = palette().color(QPalette::Highlight);
        fg = palette().color(QPalette::HighlightedText);
    }
    QFont font = this->font();
    QColor fontColor = fg;
    {
        // The handlers read the row being drawn.
        ds->WithViewRow(row, [&]() { QueryCellColors(f, font, fontColor, bg, highlight || rowMarked); });
    }
    p.save();
    p.fillRect(rect, bg);
    if (m_defaultDrawing && f) {
        if (FieldHasPicture(f)) {
            const QImage &img = fieldPicture(f->DataType());
            p.drawImage((rect.left() + rect.right() - img.width()) / 2, (rect.top() + rect.bottom() - img.height()) / 2,
                        img);
        } else {
            p.setFont(font);
            p.setPen(fontColor);
            const QString text = m_model->data(index, Qt::DisplayRole).toString();
            Qt::Alignment a = f->Alignment() & Qt::AlignHorizontal_Mask;
            DrawGridCellText(p, rect.adjusted(0, 0, -1, -1), text, a ? a : Qt::AlignLeft, CellVAlign::Center, false);
        }
    }
    p.setPen(QColor(0xC0, 0xC0, 0xC0));
    if (m_options & dgColLines) p.drawLine(rect.right(), rect.top(), rect.right(), rect.bottom());
    if (m_options & dgRowLines) p.drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
    if (m_defaultDrawing && highlight && !rowSelect && hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::HighlightedText), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect.adjusted(0, 0, -2, -2));
    }
    p.restore();
}

#include "controls/dbgrid_p.h"

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


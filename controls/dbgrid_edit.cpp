#include "controls/dbgrid_p.h"

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
    ini.Update([&] { SaveColumnLayout(s, section); });
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
            // A grid that edits nothing leaves Enter to its window: the
            // dialog's default button chooses the current row.
            if (!canEditGrid() || (m_options & dgRowSelect)) return false;
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
    const bool written = HideEditor(true);
    if (written && (m_options & dgCancelOnExit) && ds->State() == DataSetState::Insert && !ds->Modified())
        guarded([&]() { ds->Cancel(); });
    if (written && OnExit) guarded([&]() { OnExit(*this); });
    m_inExit = false;
}


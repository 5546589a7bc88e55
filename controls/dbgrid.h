#pragma once
// The data grid of the list windows: a table view over any data set, with
// several rows selectable (kept as bookmarks, marked in the indicator column),
// title cells that act as buttons with a sort marker, non-scrolling data
// columns on the left, a row height, pictures instead of the text of memo and
// blob fields, cell colours from events, Ctrl+Delete of the selected rows and
// the column layout kept in an INI object.
//
// Editing, as users of the classic data grid rely on it:
// - Typing a character on a cell (or F2, Enter, a click on the current cell)
//   opens the in-place editor; the first change in it puts the data set into
//   edit mode (the indicator shows "I"). Typing into an empty grid appends a
//   row first.
// - The editor's text is written to the field when the user leaves the cell;
//   a text the field refuses is reported and the editor stays open.
// - Leaving a row (Up, Down, Page keys, Tab past the last column, a click on
//   another row, the mouse wheel) posts a changed row; a post that fails is
//   reported and the user stays on the row.
// - With dgTabs, Tab and Shift+Tab move between cells and past the row's end
//   to the next or previous row; without it Tab moves on to the next control.
// - Insert adds a new row before the current one; Down on the last row
//   appends one (when the data set can be modified, the grid is not read-only
//   and editing is on). Down on a new row that is still untouched does not
//   append another.
// - Escape with a changed editor puts the cell's text back; otherwise it
//   cancels the row's edit (a new row disappears).
// - A new row the user has not touched is cancelled when the user leaves it,
//   by moving to another row or, with dgCancelOnExit, by leaving the grid.
// - Calculated and lookup columns, read-only columns and read-only fields
//   never open the editor, nor do fields shown as a picture; OnShowEditor may
//   forbid a column too.
// - A column with a pick list edits in a combo box offering the list; a
//   column with the ellipsis button style shows a "..." button in its editor
//   (and Ctrl+Enter) that fires OnEditButtonClick.
// - Ctrl+Delete asks "Удалить запись?" (one row) or "Удалить все выбранные
//   записи?" (several selected rows) with dgConfirmDelete and deletes the
//   selected rows, or the current one when none is selected.
// - Shift+Up/Down extend the selection from an anchor row and shrink it again
//   when moving back; plain moves drop it (ClearSelection); Ctrl+click
//   toggles a row.
#include "platform/db/dataset.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTableView>

#include <functional>
#include <memory>
#include <vector>

class QHeaderView;
class TFormLayoutStore;
class TIniLink;
class TExDBGrid;
class TExDBGridModel;
class TExDBGridDelegate;
class TExDBGridHeader;
class TExDBGridIndicator;

namespace kv {
class DataSource;
class LayoutStorage;
class TIniFile;
}

enum TDBGridOption : int {
    dgEditing = 0x1,
    dgAlwaysShowEditor = 0x2,
    dgTitles = 0x4,
    dgIndicator = 0x8,
    dgColumnResize = 0x10,
    dgColLines = 0x20,
    dgRowLines = 0x40,
    dgTabs = 0x80,
    dgRowSelect = 0x100,
    dgAlwaysShowSelection = 0x200,
    dgConfirmDelete = 0x400,
    dgCancelOnExit = 0x800,
    dgMultiSelect = 0x1000,
};
using TDBGridOptions = int;

enum class TSortMarker : quint8 { smNone = 0, smDown = 1, smUp = 2 };
enum class TColumnButtonStyle { cbsAuto, cbsEllipsis, cbsNone };

// A column of the grid: a field shown under a title. Persistent columns are
// defined by the window; default columns follow the data set's visible fields.
class TColumn
{
public:
    QString FieldName;
    QString Title;          // empty: the field's display label
    bool ReadOnly = false;
    QStringList PickList;
    TColumnButtonStyle ButtonStyle = TColumnButtonStyle::cbsAuto;
    QColor Color;           // invalid: the grid's base colour
    Qt::Alignment TitleAlignment = Qt::AlignLeft;

    kv::Field *Field() const;
    QString Caption() const;
    int Index() const;       // position among the grid's columns
    void SetIndex(int index);
    int Width() const;
    void SetWidth(int w);
    bool Visible() const { return m_visible; }
    void SetVisible(bool v);
    bool Showing() const;    // visible and of a width

private:
    friend class TExDBGrid;
    TExDBGrid *m_grid = nullptr;
    int m_width = -1;        // -1: from the field's display width
    bool m_visible = true;
};

// The selected rows, kept as bookmarks in the order they were selected.
class TBookmarkList
{
public:
    int Count() const { return int(m_items.size()); }
    kv::Bookmark Items(int i) const { return m_items.value(i); }
    bool CurrentRowSelected() const;
    void SetCurrentRowSelected(bool v);
    int IndexOf(const kv::Bookmark &b) const { return int(m_items.indexOf(b)); }
    bool Contains(const kv::Bookmark &b) const { return m_items.contains(b); }
    void Clear();
    // Deletes every selected record; the list is emptied.
    void Delete();
    // Drops bookmarks of records that no longer exist; true when any went.
    bool Refresh();

private:
    friend class TExDBGrid;
    TExDBGrid *m_grid = nullptr;
    QList<kv::Bookmark> m_items;
};

class TExDBGrid : public QTableView
{
    Q_OBJECT
public:
    static constexpr TDBGridOptions DefaultOptions = dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines |
                                                     dgRowLines | dgConfirmDelete | dgCancelOnExit;

    explicit TExDBGrid(QWidget *parent = nullptr);
    ~TExDBGrid() override;

    void SetDataSource(kv::DataSource *src);
    void SetDataSet(kv::DataSet *ds);
    kv::DataSet *DataSet() const;
    bool LinkActive() const;

    // ---- columns
    // Adds a persistent column (the grid then shows only persistent columns).
    TColumn *AddColumn(const QString &fieldName, const QString &title = QString(), int width = -1);
    void ClearColumns();     // back to default columns
    bool PersistentColumns() const { return m_persistent; }
    int ColumnCount() const;
    TColumn *Columns(int i) const;
    TColumn *ColumnByField(const QString &fieldName) const;
    int SelectedIndex() const { return m_selectedCol; }   // current column
    void SetSelectedIndex(int col);
    kv::Field *SelectedField() const;

    // ---- properties
    TDBGridOptions Options() const;
    void SetOptions(TDBGridOptions o);
    int FixedCols() const { return m_fixedCols; }
    void SetFixedCols(int n);
    bool ClearSelection() const { return m_clearSelection; }
    void SetClearSelection(bool v) { m_clearSelection = v; }
    bool DefaultDrawing() const { return m_defaultDrawing; }
    void SetDefaultDrawing(bool v);
    bool MultiSelect() const { return m_multiSelect; }
    void SetMultiSelect(bool v);
    bool ShowGlyphs() const { return m_showGlyphs; }
    void SetShowGlyphs(bool v);
    bool TitleButtons() const { return m_titleButtons; }
    void SetTitleButtons(bool v);
    int RowsHeight() const;
    void SetRowsHeight(int h);
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool v);
    TFormLayoutStore *IniStorage() const;
    void SetIniStorage(TFormLayoutStore *store);

    TBookmarkList &SelectedRows() { return m_selected; }
    const TBookmarkList &SelectedRows() const { return m_selected; }
    // Moves the data set to the Index-th selected row.
    void GoToSelectedRow(int index);

    // ---- layout
    void SaveColumnLayout(kv::LayoutStorage &s, const QString &section = QString());
    void LoadColumnLayout(const kv::LayoutStorage &s, const QString &section = QString());
    void SaveColumnLayout(kv::TIniFile &ini, const QString &section = QString());
    void LoadColumnLayout(kv::TIniFile &ini, const QString &section = QString());

    // ---- editing
    bool EditorMode() const;
    void ShowEditor();
    // Writes the editor's text to the field (when changed) and closes it;
    // false when the field refused the text (the editor stays open).
    bool HideEditor(bool commit = true);
    QWidget *InplaceEditor() const;
    // Whether a field is drawn as a picture instead of its text.
    bool FieldHasPicture(const kv::Field *f) const;

    // ---- events (all optional)
    std::function<void(TExDBGrid &, int col, kv::Field *, bool &enabled)> OnCheckButton;
    // Cell and title colours: the font, its colour and the background.
    std::function<void(TExDBGrid &, kv::Field *, QFont &, QColor &fontColor, QColor &background)> OnGetCellProps;
    std::function<void(TExDBGrid &, kv::Field *, QFont &, QColor &fontColor, QColor &background, bool highlight)>
        OnGetCellParams;
    std::function<void(TExDBGrid &, kv::Field *, QFont &, QColor &fontColor, QColor &background,
                       TSortMarker &marker, bool isDown)>
        OnGetBtnParams;
    std::function<void(TExDBGrid &)> OnEditChange;
    std::function<void(TExDBGrid &, kv::Field *, bool &allowEdit)> OnShowEditor;
    std::function<void(TExDBGrid &, int col, kv::Field *)> OnTitleBtnClick;
    // The character may be changed or cleared (a null QChar stops it).
    std::function<void(TExDBGrid &, QChar &key)> OnKeyPress;
    // Runs before the grid handles a key; set key to 0 to consume it.
    std::function<void(TExDBGrid &, int &key, Qt::KeyboardModifiers)> OnKeyDown;
    std::function<void(TExDBGrid &)> OnTopLeftChanged;
    std::function<void(TExDBGrid &)> OnEditButtonClick;
    std::function<void(TExDBGrid &)> OnDblClick;
    // Focus left the grid (and its editor and pick lists); the editor's text
    // is in the field by then and an untouched new row is gone.
    std::function<void(TExDBGrid &)> OnExit;

    // Redefinable steps; the defaults fire the events above.
    virtual void TitleButtonClicked(int col, kv::Field *field);
    virtual void TitleButtonEnabled(int col, int row, bool &enabled);
    virtual void EditorTextChanged();
    virtual void QueryCellColors(kv::Field *field, QFont &font, QColor &fontColor, QColor &background,
                                 bool highlight);

    // For drawing and tests: whether view row `row` is among the selected rows.
    bool RowSelected(int row) const;
    // The view of the fixed columns laid over the left edge (none without them).
    QTableView *FixedColumnsView() const { return m_frozen; }
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void wheelEvent(QWheelEvent *e) override;
    void scrollContentsBy(int dx, int dy) override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    QModelIndex moveCursor(CursorAction, Qt::KeyboardModifiers) override { return currentIndex(); }
    void resizeEvent(QResizeEvent *e) override;
    void updateGeometries() override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    friend class TColumn;
    friend class TBookmarkList;
    friend class TExDBGridModel;
    friend class TExDBGridDelegate;
    friend class TExDBGridHeader;
    friend class TExDBGridIndicator;

    // keys and moves
    bool handleKey(int key, Qt::KeyboardModifiers mods);
    void handleChar(QChar c);
    bool guarded(const std::function<void()> &action);
    void moveWithSelection(int distance, bool shift);
    void nextRow(bool shift);
    void priorRow(bool shift);
    void dropSelection();
    bool canAppend() const;
    bool canEditGrid() const;
    bool canShowEditorAt(int col) const;
    void deleteRecords();
    void escape();
    void tab(bool forward);
    void moveToViewRow(int row);
    int firstScrollableColumn() const;
    int visibleRowCount() const;
    void syncCurrent();
    void afterReset();
    void onExit();
    void editorChanged();
    void editButtonClicked();
    void applyColumns();
    void applyOptions();
    void rowSelectedChanged();
    void resolveSelectionRows();
    void scheduleResolve();
    int defaultColumnWidth(const kv::Field *f) const;
    void titlePressed(int col, Qt::MouseButton button);
    void storeLayout(TIniLink &link, bool save);
    void paintCell(QPainter &p, const QRect &rect, const QModelIndex &index);
    void refreshView();
    void updateFrozen();
    int frozenWidth() const;
    void fixedPress(int row, QMouseEvent *e);

    TExDBGridModel *m_model;
    TExDBGridDelegate *m_delegate;
    TExDBGridHeader *m_header;
    TExDBGridIndicator *m_indicator;
    // The fixed columns: a view over the same model laid over the left edge.
    QTableView *m_frozen = nullptr;
    std::vector<std::unique_ptr<TColumn>> m_columns;
    bool m_persistent = false;
    int m_selectedCol = 0;
    TDBGridOptions m_options = DefaultOptions;
    int m_fixedCols = 0;
    bool m_clearSelection = true, m_defaultDrawing = true, m_multiSelect = false, m_showGlyphs = true;
    bool m_titleButtons = false, m_readOnly = false;
    int m_rowsHeight = -1;
    TBookmarkList m_selected;
    bool m_selecting = false;
    QString m_anchor;
    // Rows of the selected bookmarks as last resolved (data rows, 0-based).
    QList<int> m_selectedRows;
    bool m_selectionStale = false, m_resolving = false, m_resolveQueued = false;
    bool m_inExit = false, m_applying = false, m_openingEditor = false;
    bool m_editorModified = false;
    std::unique_ptr<TIniLink> m_iniLink;
};

#pragma once
// The one cursor abstraction of the program. A DataSet holds fields, a current
// record, a state (browse, edit, insert) and the events windows hook into.
// Back-ends (a dBASE table, the result of an SQL statement, a table in memory)
// derive from it and implement the small record-store contract at the end of
// the class; everything the windows see (navigation, editing, filters,
// bookmarks, Locate/Lookup, calculated and lookup fields, data links) lives
// here once.
//
// Values are QVariant: QString for strings and memos, int for the integer
// types, qint64 for large integers, double for floats, bool, QDate, QTime,
// QDateTime, QByteArray for blobs. A null QVariant is a null value.
#include <QDate>
#include <QDateTime>
#include <QFlags>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>
#include <memory>
#include <vector>

namespace kv {

class DataSet;
class DataSource;
class FilterExpr;

enum class FieldType {
    Unknown,
    String,
    SmallInt,
    Integer,
    Word,
    AutoInc,
    LargeInt,
    Boolean,
    Float,
    Currency,
    Date,
    Time,
    DateTime,
    Memo,
    Blob,
    // Kinds that only some back-ends hold (the table in memory). BCD is a
    // decimal kept as a double; WideString is held as a QString like String;
    // FmtMemo is a text like Memo; the rest are bytes like Blob.
    BCD,
    WideString,
    FmtMemo,
    Graphic,
    ParadoxOle,
    DBaseOle,
    TypedBinary,
};

// Data: stored by the back-end. Calculated: filled by OnCalcFields for every
// record read. Lookup: the value of LookupResultField of the record of
// LookupDataSet whose LookupKeyFields equal this record's KeyFields.
// InternalCalc: computed by the back-end but stored like data.
enum class FieldKind { Data, Calculated, Lookup, InternalCalc };

enum class DataSetState { Inactive, Browse, Edit, Insert, CalcFields, Filter };

// What an OnPostError/OnEditError/OnDeleteError handler answers.
enum class DataAction { Fail, Abort, Retry };

// The data set's events, for a back-end that holds some back while it fills
// itself (DataSet::EventHold).
enum class DataSetEvent : unsigned {
    BeforeOpen = 1u << 0,
    AfterOpen = 1u << 1,
    BeforeClose = 1u << 2,
    AfterClose = 1u << 3,
    BeforeInsert = 1u << 4,
    AfterInsert = 1u << 5,
    BeforeEdit = 1u << 6,
    AfterEdit = 1u << 7,
    BeforePost = 1u << 8,
    AfterPost = 1u << 9,
    BeforeCancel = 1u << 10,
    AfterCancel = 1u << 11,
    BeforeDelete = 1u << 12,
    AfterDelete = 1u << 13,
    BeforeScroll = 1u << 14,
    AfterScroll = 1u << 15,
    OnNewRecord = 1u << 16,
};
Q_DECLARE_FLAGS(DataSetEvents, DataSetEvent)
Q_DECLARE_OPERATORS_FOR_FLAGS(DataSetEvents)

struct LocateOptions
{
    bool caseInsensitive = false;
    bool partialKey = false;
};

// A column as the back-end describes it.
struct FieldDef
{
    QString name;
    FieldType type = FieldType::String;
    int size = 0;      // characters of a string field; width of a number
    int decimals = 0;  // digits after the point of a number
    bool required = false;
};

bool isStringType(FieldType t);    // String, WideString, Memo, FmtMemo
bool isIntegerType(FieldType t);   // SmallInt, Integer, Word, AutoInc, LargeInt
bool isNumericType(FieldType t);   // integers, Float, Currency, BCD
bool isMemoType(FieldType t);      // Memo, FmtMemo
bool isBlobType(FieldType t);      // memos, Blob, Graphic, the OLE kinds, TypedBinary
// The value converted to the field type's storage form; an invalid QVariant
// when the conversion fails (ok=false) or the value is null (ok=true).
QVariant coerceValue(FieldType t, const QVariant &v, bool *ok = nullptr);

// A column of a data set, with typed access to the value in the active record.
class Field
{
public:
    Field(const QString &name, FieldType type, int size = 0, FieldKind kind = FieldKind::Data);
    ~Field();
    Field(const Field &) = delete;
    Field &operator=(const Field &) = delete;

    const QString &FieldName() const { return m_name; }
    FieldType DataType() const { return m_type; }
    FieldKind Kind() const { return m_kind; }
    bool Calculated() const { return m_kind == FieldKind::Calculated; }
    bool IsLookup() const { return m_kind == FieldKind::Lookup; }
    bool IsStored() const { return m_kind == FieldKind::Data || m_kind == FieldKind::InternalCalc; }
    int Size() const { return m_size; }
    void SetSize(int size);
    int Decimals() const { return m_decimals; }
    void SetDecimals(int decimals);
    bool Required() const { return m_required; }
    void SetRequired(bool r) { m_required = r; }

    // Position among the data set's fields; setting it reorders the fields.
    int Index() const;
    void SetIndex(int index);
    bool Visible() const { return m_visible; }
    void SetVisible(bool v);
    // Width in characters for grids; by default from the size or the type.
    int DisplayWidth() const;
    void SetDisplayWidth(int w);
    QString DisplayLabel() const { return m_label.isEmpty() ? m_name : m_label; }
    void SetDisplayLabel(const QString &label);
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool r) { m_readOnly = r; }
    Qt::Alignment Alignment() const;
    // Decimals shown by DisplayText for Float/Currency fields; -1 (default)
    // shows the shortest exact form.
    int DisplayDecimals() const { return m_displayDecimals; }
    void SetDisplayDecimals(int d) { m_displayDecimals = d; }
    int Tag = 0;

    // Lookup field definition (Kind() == Lookup).
    DataSet *LookupDataSet = nullptr;
    QString KeyFields;          // fields of this data set, ';'-separated
    QString LookupKeyFields;    // fields of LookupDataSet, ';'-separated
    QString LookupResultField;  // field of LookupDataSet

    // Text handlers: OnGetText gives Text (displayText false) or DisplayText
    // (true); OnSetText replaces the text conversion of SetText.
    std::function<void(Field &, QString &text, bool displayText)> OnGetText;
    std::function<void(Field &, const QString &text)> OnSetText;
    // Called after a value was written to the field.
    std::function<void(Field &)> OnChange;

    kv::DataSet *GetDataSet() const { return m_ds; }

    // Value of the active record.
    QVariant Value() const;
    void SetValue(const QVariant &v);
    bool IsNull() const;
    void Clear();

    int AsInteger() const;
    qint64 AsLargeInt() const;
    double AsFloat() const;
    QString AsString() const;
    bool AsBoolean() const;
    QDateTime AsDateTime() const;
    QDate AsDate() const;
    void SetAsInteger(int v);
    void SetAsLargeInt(qint64 v);
    void SetAsFloat(double v);
    void SetAsString(const QString &v);
    void SetAsBoolean(bool v);
    void SetAsDateTime(const QDateTime &v);
    void SetAsDate(const QDate &v);

    // Text as edited (Text) and as shown (DisplayText); both go through
    // OnGetText when it is set.
    QString Text() const;
    QString DisplayText() const;
    void SetText(const QString &text);

    bool CanModify() const;

    // Plain conversions used by the accessors above and by grids.
    static QString valueToText(FieldType type, const QVariant &v);
    QString valueToDisplayText(const QVariant &v) const;

private:
    friend class DataSet;
    void checkWritable() const;
    // The value as `t`; null reads as 0; a value that does not convert raises
    // "'value' - <what> для поля '<display label>'".
    QVariant numberAs(FieldType t, const char *what) const;

    QString m_name;
    FieldType m_type;
    FieldKind m_kind;
    int m_size = 0;
    int m_decimals = 0;
    bool m_required = false;
    bool m_visible = true;
    int m_displayWidth = -1;
    int m_displayDecimals = -1;
    QString m_label;
    bool m_readOnly = false;
    kv::DataSet *m_ds = nullptr;
    int m_index = -1;     // position in the data set's field list
    int m_slot = -1;      // position of the value in a record buffer (stable)
    int m_column = -1;    // column of the back-end for stored fields
    bool m_default = false;   // made by Open, dropped by Close
};

// An opaque position in a data set that survives changes of other rows.
class Bookmark
{
public:
    Bookmark() = default;
    bool isNull() const { return m_id < 0; }
    explicit operator bool() const { return m_id >= 0; }
    bool operator==(const Bookmark &o) const { return m_id == o.m_id; }
    bool operator!=(const Bookmark &o) const { return m_id != o.m_id; }
    // Text form for lists of selected rows and the like.
    QString toString() const { return QString::number(m_id); }
    static Bookmark fromString(const QString &s);

private:
    friend class DataSet;
    explicit Bookmark(qint64 id) : m_id(id) {}
    qint64 m_id = -1;
};

// Observer of a data set: grids, edits, lookup lists, report sources.
// Notifications are held back while the data set's controls are disabled;
// EnableControls then sends one DataSetChanged.
class DataLink
{
public:
    DataLink() = default;
    virtual ~DataLink();
    DataLink(const DataLink &) = delete;
    DataLink &operator=(const DataLink &) = delete;

    // Links either to a data set directly or through a data source (which
    // may change its data set later).
    void SetDataSet(DataSet *ds);
    void SetDataSource(DataSource *src);
    DataSet *GetDataSet() const { return m_ds; }
    DataSource *GetDataSource() const { return m_src; }
    bool Active() const;
    // Puts the data set into edit mode when it can; false when it cannot.
    bool Edit();

    virtual void ActiveChanged() {}            // opened or closed
    virtual void LayoutChanged() {}            // fields changed (visibility, order, labels)
    virtual void DataSetChanged() {}           // rows changed: post, delete, refresh, filter
    virtual void DataSetScrolled(int /*distance*/) {}
    virtual void RecordChanged(Field * /*field, null: whole record*/) {}
    virtual void EditingChanged() {}           // state entered or left edit/insert
    virtual void UpdateData() {}               // before post: write pending control edits

private:
    friend class DataSet;
    friend class DataSource;
    void attach(DataSet *ds);
    DataSet *m_ds = nullptr;
    DataSource *m_src = nullptr;
};

// Indirection between controls and a data set ("srcSheets").
class DataSource : public QObject
{
public:
    explicit DataSource(QObject *parent = nullptr) : QObject(parent) {}
    ~DataSource() override;
    DataSet *GetDataSet() const { return m_ds; }
    void SetDataSet(DataSet *ds);

private:
    friend class DataLink;
    friend class DataSet;
    DataSet *m_ds = nullptr;
    QList<DataLink *> m_links;
};

class DataSet : public QObject
{
public:
    explicit DataSet(QObject *parent = nullptr);
    ~DataSet() override;

    QString Name() const { return objectName(); }
    int Tag = 0;

    // ---- fields
    // Persistent fields are added while the data set is closed; without them
    // Open creates one field per back-end column.
    Field *AddField(const QString &name, FieldType type, int size = 0,
                    FieldKind kind = FieldKind::Data);
    Field *AddField(std::unique_ptr<Field> field);
    void RemoveField(Field *field);
    void ClearFields();
    int FieldCount() const { return int(m_fields.size()); }
    Field *Fields(int index) const;
    QList<Field *> FieldList() const;
    Field *FindField(const QString &name) const;       // case-insensitive; null when absent
    Field *FieldByName(const QString &name) const;     // raises "Поле '%s' не найдено"
    QStringList FieldNames() const;
    // Back-end columns; valid when open (or for back-ends that know them closed).
    QList<FieldDef> FieldDefs() const { return InternalFieldDefs(); }

    // ---- open and close
    void Open();
    void Close();
    bool Active() const { return m_state != DataSetState::Inactive; }
    void SetActive(bool active);
    DataSetState State() const { return m_state; }

    // ---- navigation
    void First();
    void Last();
    void Next();
    void Prior();
    int MoveBy(int distance);   // rows actually moved, signed
    bool Bof() const { return m_bof; }
    bool Eof() const { return m_eof; }
    bool IsEmpty() const;
    int RecordCount() const;    // visible (filtered) rows
    int RecNo() const;          // 1-based; 0 when empty or inserting a new row
    void SetRecNo(int recNo);
    void Refresh();             // re-reads the back-end, keeps the position

    // ---- editing
    void Edit();
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    void CheckBrowseMode();     // posts a pending edit
    bool Modified() const { return m_modified; }
    // False when closed, read-only (unless the back-end is loading itself)
    // or refused by the back-end.
    bool CanModify() const;
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool r) { m_readOnly = r; }
    void AppendRecord(const QVariantList &values);   // in field order; null skips
    void InsertRecord(const QVariantList &values);

    // ---- bookmarks
    Bookmark GetBookmark() const;
    void GotoBookmark(const Bookmark &b);     // raises "Bookmark not found"
    bool BookmarkValid(const Bookmark &b) const;
    int CompareBookmarks(const Bookmark &a, const Bookmark &b) const;  // -1, 0, 1

    // ---- search. keyFields is a ';'-separated list; keyValues a single value
    // or a QVariantList with one value per key field.
    virtual bool Locate(const QString &keyFields, const QVariant &keyValues,
                        LocateOptions options = {});
    virtual QVariant Lookup(const QString &keyFields, const QVariant &keyValues,
                            const QString &resultFields);

    // ---- filters: a filter text ("Code=5 and Many>0", "[Length]=10",
    // "Date>=01.03.2024", "Code = null") and/or OnFilterRecord.
    QString Filter() const { return m_filterText; }
    void SetFilter(const QString &text);      // raises on a malformed text
    bool Filtered() const { return m_filtered; }
    void SetFiltered(bool on);
    bool CaseInsensitiveFilter = false;      // filter texts compare strings without case
    // Assigns OnFilterRecord; while filtering is on the rows are filtered
    // again at once (assigning the member directly waits for the next
    // SetFiltered or refresh).
    void SetOnFilterRecord(std::function<void(DataSet &, bool &accept)> handler);
    // Moves to the first/next row that satisfies the filter, whether
    // filtering is switched on or not.
    bool FindFirst();
    bool FindNext();

    // ---- order: a ';'-separated list of fields ("Name;Length") the visible
    // rows are kept sorted by (nulls first, texts without regard to case);
    // empty keeps the back-end's order. Raises when a field is unknown.
    QString IndexFieldNames() const { return m_indexFieldNames; }
    void SetIndexFieldNames(const QString &names);

    // ---- controls
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }
    // Keeps controls disabled for a scope, balanced on exceptions.
    class ControlsLock
    {
    public:
        explicit ControlsLock(DataSet &ds) : m_ds(ds) { m_ds.DisableControls(); }
        ~ControlsLock() { m_ds.EnableControls(); }
        ControlsLock(const ControlsLock &) = delete;
        ControlsLock &operator=(const ControlsLock &) = delete;

    private:
        DataSet &m_ds;
    };

    // ---- rows for views (grids, lists, report sources): 0-based rows as
    // shown, including a row being inserted. The current row shows the edit
    // buffer. Reading never moves the cursor and fires no events.
    int ViewRowCount() const;
    int ViewCurrentRow() const;               // -1 when there is none
    QVariant ViewValue(int row, int fieldIndex) const;
    QString ViewDisplayText(int row, int fieldIndex) const;
    // Runs fn with the fields reading row `row`; for drawing code that wants
    // several fields or handlers of one row.
    void WithViewRow(int row, const std::function<void()> &fn) const;

    // ---- events
    using Event = std::function<void(DataSet &)>;
    Event BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    Event BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    Event BeforePost, AfterPost, BeforeCancel, AfterCancel;
    Event BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    Event OnNewRecord, OnCalcFields;
    std::function<void(DataSet &, bool &accept)> OnFilterRecord;
    using ErrorEvent = std::function<void(DataSet &, const QString &message, DataAction &action)>;
    ErrorEvent OnPostError, OnEditError, OnDeleteError;

protected:
    // ---- record-store contract of a back-end (which calls Close() in its
    // own destructor, while its overrides still exist). Positions are 0-based in the
    // back-end's own order; ids are stable for the life of the open store.
    virtual QList<FieldDef> InternalFieldDefs() const = 0;
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    virtual int InternalRecordCount() const = 0;
    virtual qint64 InternalRecordId(int pos) const = 0;
    virtual int InternalFindId(qint64 id) const = 0;   // -1 when gone
    // values: one per column of InternalFieldDefs().
    virtual void InternalReadRecord(int pos, QVariantList &values) const = 0;
    // Stores a new record (insertBefore = position it was inserted before, -1
    // to append) and returns its id; the back-end decides where it lands.
    virtual qint64 InternalInsert(int insertBefore, const QVariantList &values) = 0;
    virtual void InternalUpdate(int pos, const QVariantList &values) = 0;
    virtual void InternalDelete(int pos) = 0;
    virtual bool InternalCanModify() const { return true; }
    // True while the back-end fills itself (from a stream, a file): its own
    // writes go through even when the data set is read-only.
    virtual bool InternalLoading() const { return false; }
    virtual void InternalRefresh() {}
    // Default values of a new record (nulls by default).
    virtual void InternalInitRecord(QVariantList &values) const;
    // Number of back-end columns (the size of InternalFieldDefs()).
    virtual int InternalColumnCount() const { return int(InternalFieldDefs().size()); }
    // True when a post moves one record alone: an insert lands at one
    // position and an update moves only its own record, every other record
    // keeping its order. The visible rows then follow a post without being
    // built again.
    virtual bool InternalKeepsOrder() const { return false; }

    // A back-end calls this when its records changed behind the cursor (a
    // statement on the same file, a file copied over it).
    void BackendChanged();
    // Column index of a stored field (for back-ends that need it).
    static int columnOf(const Field *f) { return f->m_column; }
    void NotifyLayoutChanged();
    // Reads the current record again from the back-end and shows it to the
    // data links (for a back-end that was asked to go where it already is).
    // Does nothing outside browse state, so no pending edit is lost.
    void RedisplayCurrent();

    // Holds events back for a scope while the back-end fills itself: they do
    // not fire, nor are they made up afterwards. Scopes nest.
    class EventHold
    {
    public:
        EventHold(DataSet &ds, DataSetEvents events) : m_ds(ds), m_saved(ds.m_heldEvents)
        {
            m_ds.m_heldEvents |= events;
        }
        ~EventHold() { m_ds.m_heldEvents = m_saved; }
        EventHold(const EventHold &) = delete;
        EventHold &operator=(const EventHold &) = delete;

    private:
        DataSet &m_ds;
        DataSetEvents m_saved;
    };
    DataSetEvents HeldEvents() const { return m_heldEvents; }

private:
    // Fills the stored fields of the new row from `values` and posts it; a failure cancels the row.
    void postNewRecord(const QVariantList &values);
    friend class Field;
    friend class DataLink;
    friend class DataSource;
    struct Record
    {
        QVariantList values;   // one per field, by the field's slot
        qint64 id = -1;
    };

    void checkActive() const;
    void checkInactive() const;
    void bindFields();
    void unbindFields();
    void rebuildRows();
    // rebuildRows, then the row of the current record (-1 when it is gone or filtered out).
    int rebuildKeepingCurrent();
    int firstRow() const { return m_rows.empty() ? -1 : 0; }
    int nearestRow(int row) const;   // row clamped into the rows, -1 when there are none
    // The cursor settles on `row`: Bof at the start (or with no rows), Eof
    // with no rows; the record is read and the links told `what`.
    void showRow(int row, bool atStart, int what);
    // The visible rows after a post or delete of one record (oldPos: where it
    // was, -1 for a new one; newPos: where it is now, -1 when deleted);
    // returns the record's row, -1 when it is not visible.
    int followChange(int oldPos, int newPos);
    bool filtering() const { return m_filtered && (m_filterExpr || OnFilterRecord); }
    bool acceptPosition(int pos) const;
    bool acceptRecord(const Record &r) const;
    void readRow(int row, Record &r) const;     // row of m_rows into r (with calc fields)
    void readPosition(int pos, Record &r) const;   // back-end position into r (with calc fields)
    // The record of `row`: the current buffer in browse state, else read into scratch.
    const Record &rowRecord(int row, Record &scratch) const;
    // Points the filter's field names at the slots of the fields now open.
    void bindFilter() const;
    void calcFields(Record &r) const;
    void loadCurrent();
    void setState(DataSetState s);
    void moveTo(int row, bool fireScroll);
    void doPost();
    void beginInsert(bool append);
    void doDelete();
    void renumberFields();
    // Runs step again while it fails and the error event asks for a retry.
    void retrying(const ErrorEvent &ev, const std::function<void()> &step);
    void notify(int what, Field *f = nullptr, int distance = 0);
    void fireEvent(DataSetEvent which);
    const Event &eventHandler(DataSetEvent which) const;
    QVariantList toColumns(const Record &r) const;
    int locateRow(const QString &keyFields, const QVariant &keyValues,
                  LocateOptions options) const;
    const QVariant &activeValue(int fieldIndex) const;
    void setActiveValue(Field *f, const QVariant &v);
    int rowOfId(qint64 id) const;

    std::vector<std::unique_ptr<Field>> m_fields;
    // FindField's answers by the name asked for (calculated fields look up
    // theirs for every record); emptied whenever the fields change.
    mutable QHash<QString, Field *> m_fieldByName;
    QList<DataLink *> m_links;
    QList<DataSource *> m_sources;

    DataSetState m_state = DataSetState::Inactive;
    std::vector<int> m_rows;      // back-end positions of the visible rows
    int m_cur = -1;               // index into m_rows
    bool m_bof = true;
    bool m_eof = true;
    Record m_buf;                 // current record (or the one being edited)
    mutable const Record *m_active = nullptr;   // buffer the fields read
    bool m_appending = false;     // insert state came from Append
    bool m_modified = false;
    // AppendRecord or InsertRecord setting a whole record: the calculated
    // fields follow it once at the end, not each of its values.
    bool m_settingWholeRecord = false;
    bool m_readOnly = false;
    bool m_stale = false;         // back-end changed while editing

    QString m_indexFieldNames;
    void sortRows();

    QString m_filterText;
    std::shared_ptr<FilterExpr> m_filterExpr;
    bool m_filtered = false;

    DataSetEvents m_heldEvents;
    int m_disableCount = 0;
    int m_pendingNotify = 0;      // bit set of held-back notifications

    mutable int m_cacheRow = -1;  // last row read for views
    mutable Record m_cacheRec;
    mutable quint64 m_cacheGen = 0;
    quint64 m_gen = 0;            // bumps on every change of rows
    mutable DataSetState m_calcSaved = DataSetState::Inactive;
};

// "Поле '%s' не найдено" with the name filled in.
QString fieldNotFoundMessage(const QString &name);

} // namespace kv

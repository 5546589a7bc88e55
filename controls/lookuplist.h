#pragma once
// A list of the records of a lookup data set from which the user picks one
// by its key. The chosen key is written into a field of an edited data set,
// or only kept as LookupValue. The list searches as the user types (the
// letters of the last two seconds, at most 32), scrolls with the keys, the
// wheel, an indicator scroll bar of five positions and by dragging beyond
// its edges, and can show a first row that stands for no value.
#include "platform/db/dataset.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class TLocateObject;

enum class TLookupListStyle { lsFixed, lsDelimited };

class TExLookupControl : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit TExLookupControl(QWidget *parent = nullptr);
    ~TExLookupControl() override;

    // ---- the edited data set
    kv::DataSource *DataSource() const { return m_dataLink.GetDataSource(); }
    void SetDataSource(kv::DataSource *src);
    QString DataField() const { return m_dataFieldName; }
    void SetDataField(const QString &name);
    // ---- the lookup data set
    kv::DataSource *LookupSource() const;
    void SetLookupSource(kv::DataSource *src);
    QString LookupField() const;
    void SetLookupField(const QString &name);
    QString LookupDisplay() const { return m_lookupDisplay; }
    void SetLookupDisplay(const QString &fields);
    int LookupDisplayIndex() const { return m_displayIndex; }
    void SetLookupDisplayIndex(int i);

    QString DisplayEmpty() const { return m_displayEmpty; }
    void SetDisplayEmpty(const QString &text);
    QString EmptyValue() const { return m_emptyValue; }
    void SetEmptyValue(const QString &v) { m_emptyValue = v; }
    bool EmptyStrIsNull() const { return m_emptyStrIsNull; }
    void SetEmptyStrIsNull(bool v) { m_emptyStrIsNull = v; }
    QColor EmptyItemColor() const { return m_emptyItemColor; }
    void SetEmptyItemColor(const QColor &c);
    TLookupListStyle ListStyle() const { return m_listStyle; }
    virtual void SetListStyle(TLookupListStyle s);
    QChar FieldsDelimiter() const { return m_delimiter; }
    virtual void SetFieldsDelimiter(QChar c);
    bool IgnoreCase() const { return m_ignoreCase; }
    void SetIgnoreCase(bool v) { m_ignoreCase = v; }
    bool IndexSwitch() const { return m_indexSwitch; }
    void SetIndexSwitch(bool v) { m_indexSwitch = v; }
    int ItemHeight() const;
    void SetItemHeight(int h);
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool v) { m_readOnly = v; }

    // A picture and a text margin for a row (none and 0 by default).
    std::function<void(TExLookupControl &, bool isEmpty, QImage &graphic, int &textMargin)> OnGetImage;

    QString LookupValue() const { return m_value; }
    void SetLookupValue(const QString &text);
    QString DisplayText() const { return m_displayText; }
    QString SearchText() const { return m_searchText; }

    kv::Field *KeyField() const { return m_keyField; }
    kv::Field *DisplayField() const { return m_displayField; }
    kv::Field *MasterField() const { return m_masterField; }
    bool LookupMode() const { return m_lookupMode; }
    bool ListActive() const { return m_listActive; }
    // Whether the user may change the value.
    bool CanEdit() const;

    // The clock of the incremental search, in milliseconds; one for all lists.
    static void SetSearchClock(std::function<qint64()> clock);

signals:
    void Click();
    void DblClick();
    void NotifyChange();

protected:
    virtual void KeyValueChanged() {}
    virtual void DisplayValueChanged() {}
    virtual void LookupLinkActiveChanged();
    virtual void LookupDataChanged() {}
    virtual QImage GetItemImage(bool isEmpty, int &textMargin);
    virtual void DisplayEmptyChanged(const QString &) {}
    virtual void ResetToEmpty();

    void SelectKeyValue(const QString &text);
    void WriteFieldValue(kv::Field *f, const QString &text);
    void AssignKeyValue(const QString &text);
    bool LocateKey(kv::Field *field, const QString &text, bool exact);
    void RefreshDisplayText();
    QString KeyText() const;   // the key of the lookup data set's current record
    kv::DataSet *LookupDataSet() const { return m_lookupLink.GetDataSet(); }
    void keyPressEvent(QKeyEvent *e) override;
    int EmptyRows() const { return m_displayEmpty.isEmpty() ? 0 : 1; }

    bool m_lock = false;              // the list itself is selecting
    QList<kv::Field *> m_displayFields;
    QString m_searchText;

private:
    class SourceLink : public kv::DataLink
    {
    public:
        explicit SourceLink(TExLookupControl *c) : m_c(c) {}
        void ActiveChanged() override { m_c->dataLinkChanged(); }
        void LayoutChanged() override { m_c->dataLinkChanged(); }
        void RecordChanged(kv::Field *f) override { m_c->recordChanged(f); }
        void DataSetChanged() override { m_c->recordChanged(nullptr); }
        void DataSetScrolled(int) override { m_c->recordChanged(nullptr); }

    private:
        TExLookupControl *m_c;
    };
    class LookupLink : public kv::DataLink
    {
    public:
        explicit LookupLink(TExLookupControl *c) : m_c(c) {}
        void ActiveChanged() override { m_c->lookupActiveChanged(); }
        void LayoutChanged() override { m_c->lookupActiveChanged(); }
        void DataSetChanged() override { m_c->LookupDataChanged(); }
        void DataSetScrolled(int) override { m_c->LookupDataChanged(); }

    private:
        TExLookupControl *m_c;
    };
    void dataLinkChanged();
    void recordChanged(kv::Field *f);
    void lookupActiveChanged();
    void setLookupMode(bool on);
    void checkNotCircular() const;
    void incrementalSearch(QKeyEvent *e);

    SourceLink m_dataLink{this};
    LookupLink m_lookupLink{this};
    kv::DataSource *m_lookupSource = nullptr;
    std::unique_ptr<kv::DataSource> m_internalSource;
    QString m_dataFieldName, m_lookupFieldName, m_lookupDisplay;
    int m_displayIndex = 0;
    QString m_displayEmpty, m_emptyValue;
    bool m_emptyStrIsNull = true;
    QColor m_emptyItemColor;
    TLookupListStyle m_listStyle = TLookupListStyle::lsFixed;
    QChar m_delimiter = QLatin1Char(',');
    bool m_ignoreCase = true, m_indexSwitch = true, m_readOnly = false;
    int m_itemHeight = -1;
    kv::Field *m_dataField = nullptr;
    kv::Field *m_masterField = nullptr;
    kv::Field *m_keyField = nullptr;
    kv::Field *m_displayField = nullptr;
    bool m_lookupMode = false, m_listActive = false;
    QString m_value, m_displayText;
    std::unique_ptr<TLocateObject> m_locate;
};

class TExDBLookupList : public TExLookupControl
{
    Q_OBJECT
public:
    explicit TExDBLookupList(QWidget *parent = nullptr);
    ~TExDBLookupList() override;

    void SetListStyle(TLookupListStyle s) override;
    void SetFieldsDelimiter(QChar c) override;

    int RowCount() const;             // visible rows
    void SetRowCount(int n);          // 1..50, sets the height
    int RecordIndex() const;          // the current record's row among the record rows
    int RecordCount() const;          // record rows filled
    // Interval of the drag auto-scroll for a distance beyond the edge; never
    // 0, so the timer cannot flood the event queue.
    static int AutoScrollInterval(int distance);
    bool AutoScrolling() const { return m_timer.isActive(); }
    int AutoScrollTimerInterval() const { return m_timer.interval(); }
    QSize sizeHint() const override;

protected:
    void KeyValueChanged() override;
    void DisplayValueChanged() override;
    void LookupLinkActiveChanged() override;
    void LookupDataChanged() override;
    void DisplayEmptyChanged(const QString &text) override;
    void ResetToEmpty() override;
    virtual void DrawItemText(QPainter &p, const QRect &r, bool selected, bool isEmpty);

    void keyPressEvent(QKeyEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void wheelEvent(QWheelEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void scrollContentsBy(int, int) override {}
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;

private:
    void syncBuffer();
    void updateScrollBar();
    void scrollAction(int action);
    void thumbReleased();
    void moveBy(int distance);
    void selectCurrent();
    void selectRowAt(int y);
    void autoScrollStep();
    void stopTracking();
    int bufferSize() const;
    int totalRecords() const;
    int currentRow() const;
    bool keySelected() const;

    int m_top = 0;            // data row shown in the first record row
    bool m_tracking = false, m_selectEmpty = false;
    int m_lastY = 0;
    QTimer m_timer;
};

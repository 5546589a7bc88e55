#pragma once
// Record sources of report bands: the base with its range settings and
// handlers, the source driven by the application's handlers, the source that
// walks a data set of the database layer, the few database routines the rest of
// the engine uses, and the lookup of sources by the names templates give them.
#include <QIODevice>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "platform/db/dataset.h"
#include "platform/error.h"
#include "report/core/utils.h"

// A data source that cannot give its data set.
class EDataSetError : public kv::Error
{
public:
    using kv::Error::Error;
};

// A name that resolves to something else than a report data source.
class EInvalidCast : public kv::Error
{
public:
    using kv::Error::Error;
};

enum TRangeBegin { rbFirst = 0, rbCurrent = 1 };
enum TRangeEnd { reLast = 0, reCurrent = 1, reCount = 2 };

class TrpDataset : public QObject, public TrpFieldSource
{
public:
    explicit TrpDataset(QObject *owner = nullptr);
    ~TrpDataset() override;

    QString Name() const { return objectName(); }
    void SetName(const QString &name) { setObjectName(name); }

    TRangeBegin RangeBegin = rbFirst;
    TRangeEnd RangeEnd = reLast;
    qint32 RangeEndCount = 0;
    qint32 RecordIndex = 0;

    using NotifyEvent = std::function<void(TrpDataset &sender)>;
    using CheckEOFEvent = std::function<void(TrpDataset &sender, bool &eof)>;
    NotifyEvent OnFirst, OnNext, OnPrior;
    CheckEOFEvent OnCheckEOF;

    virtual void Init() {}
    virtual void Exit() {}
    virtual void First();
    virtual void Next();
    virtual void Prior();
    virtual bool Eof();
    // Whether Prior really goes back a record (a source driven by handlers
    // can only when it has an OnPrior handler).
    virtual bool CanStepBack() const { return bool(OnPrior); }
    // False for a source that runs to the end of its data but has nothing
    // that could ever tell it the data ended (no OnCheckEOF handler).
    virtual bool CanEnd() const { return RangeEnd != reLast || bool(OnCheckEOF); }

    // Fields of the current record (none for a source without a data set).
    bool hasField(const QString &name) const override { (void)name; return false; }
    TrpValue fieldValue(const QString &name) const override { (void)name; return TrpValue::null(); }
};

// Records produced by the application's handlers.
class TrpUserDataset : public TrpDataset
{
public:
    explicit TrpUserDataset(QObject *owner = nullptr) : TrpDataset(owner) {}
};

// Walks a data set of the database layer.
class TrpDBDataSet : public TrpDataset
{
public:
    explicit TrpDBDataSet(QObject *owner = nullptr);
    ~TrpDBDataSet() override;

    kv::DataSet *DataSet() const { return m_dataSet; }
    kv::DataSource *DataSource() const { return m_dataSource; }
    // Setting the data set clears the data source; a non-empty data source
    // clears the data set.
    void SetDataSet(kv::DataSet *dataSet);
    void SetDataSource(kv::DataSource *source);

    bool OpenDataSource = true;
    bool CloseDataSource = false;
    NotifyEvent OnOpen, OnClose;

    // The data set in use; EDataSetError "Unable to open dataset <name>" without one.
    kv::DataSet *GetDataSet() const;

    void Init() override;
    void Exit() override;
    void First() override;
    void Next() override;
    void Prior() override;
    bool Eof() override;
    bool CanStepBack() const override { return true; }
    bool CanEnd() const override { return true; }

    bool hasField(const QString &name) const override;
    TrpValue fieldValue(const QString &name) const override;
    void openIfClosed() override;

private:
    kv::DataSet *currentDataSet() const;

    QPointer<kv::DataSet> m_dataSet;
    QPointer<kv::DataSource> m_dataSource;
    std::unique_ptr<kv::Bookmark> m_bookmark;
    bool m_rangeEndReached = false;
};

// ---- database routines used by the views and the dictionary
bool IsBlobField(const kv::Field *field);
// A field's value for a report, Null-safe: the display text of a field with a
// text handler, the text of a large integer; a Null is "" for texts (and
// memos and dates), false for Booleans and 0 otherwise. The field's data set
// is opened when it is closed.
TrpValue GetFieldValue(kv::Field *field);
// The field's bytes into the stream, which is then set back to its start.
void CopyBlobField(const kv::Field *field, QIODevice &target);
void CopyBlobField(const kv::Field *field, QByteArray &target);
// The field names of the data set (its defined columns when it has no fields);
// a failure leaves the list unchanged.
void ListFieldNames(kv::DataSet *dataSet, QStringList &list);
kv::Bookmark TakeBookmark(kv::DataSet *dataSet);
void GoToBookmark(kv::DataSet *dataSet, const kv::Bookmark &bookmark);
inline void ReleaseBookmark(kv::DataSet *, kv::Bookmark &bookmark) { bookmark = kv::Bookmark(); }
bool BookmarksEqual(kv::DataSet *dataSet, const kv::Bookmark &a, const kv::Bookmark &b);

// ---- lookup of sources by name
// Finds the components templates name: a bare name among the children of the
// owner (the window holding the report), "form.name" and "form.frame.name"
// among the registered forms. Names compare without regard to case.
class TrpDataSourceHost : public TrpComponentHost
{
public:
    QPointer<QObject> Owner;
    void AddForm(QObject *form) { m_forms.append(QPointer<QObject>(form)); }
    void RemoveForm(QObject *form);

    // The component the path names, or nullptr.
    QObject *FindComponent(const QStringList &path) const;
    TrpFieldSource *findDataSource(const QStringList &path) override;

    // A band's data source text: a leading digit 1-9 is a record count (a new
    // owned source, `owned` true); otherwise a component name, which must be a
    // TrpDataset ("Missing <name>" / a type error). Init is called either way.
    TrpDataset *Resolve(const QString &text, bool &owned, QObject *virtualOwner = nullptr);

private:
    static QObject *findChildNamed(QObject *parent, const QString &name);
    QList<QPointer<QObject>> m_forms;
};

// A count-limited source that yields `count` records without handlers.
std::unique_ptr<TrpUserDataset> MakeVirtualDataset(int count);

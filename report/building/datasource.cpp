#include "report/building/datasource.h"

#include <QBuffer>
#include <climits>

// ---- TrpDataset

TrpDataset::TrpDataset(QObject *owner) : QObject(owner) {}

TrpDataset::~TrpDataset() = default;

void TrpDataset::First()
{
    RecordIndex = 0;
    if (OnFirst) OnFirst(*this);
}

void TrpDataset::Next()
{
    ++RecordIndex;
    if (RangeEnd == reCount && RecordIndex >= RangeEndCount) return;
    if (OnNext) OnNext(*this);
}

void TrpDataset::Prior()
{
    --RecordIndex;
    if (OnPrior) OnPrior(*this);
}

bool TrpDataset::Eof()
{
    bool eof = RangeEnd == reCount && RecordIndex >= RangeEndCount;
    if (OnCheckEOF) OnCheckEOF(*this, eof);
    return eof;
}

// ---- TrpDBDataSet

TrpDBDataSet::TrpDBDataSet(QObject *owner) : TrpDataset(owner) {}

TrpDBDataSet::~TrpDBDataSet() = default;

void TrpDBDataSet::SetDataSet(kv::DataSet *dataSet)
{
    m_dataSet = dataSet;
    m_dataSource = nullptr;
}

void TrpDBDataSet::SetDataSource(kv::DataSource *source)
{
    m_dataSource = source;
    if (source) m_dataSet = nullptr;
}

kv::DataSet *TrpDBDataSet::currentDataSet() const
{
    if (m_dataSource && m_dataSource->GetDataSet()) return m_dataSource->GetDataSet();
    return m_dataSet.data();
}

kv::DataSet *TrpDBDataSet::GetDataSet() const
{
    kv::DataSet *ds = currentDataSet();
    if (!ds) throw EDataSetError(QStringLiteral("Unable to open dataset ") + Name());
    return ds;
}

void TrpDBDataSet::Init()
{
    kv::DataSet *ds = GetDataSet();
    if (OpenDataSource) ds->Open();
    if (OnOpen) OnOpen(*this);
    m_bookmark.reset();
    if (RangeBegin == rbCurrent || RangeEnd == reCurrent)
        m_bookmark = std::make_unique<kv::Bookmark>(TakeBookmark(ds));
    m_rangeEndReached = false;
}

void TrpDBDataSet::Exit()
{
    if (m_bookmark) {
        std::unique_ptr<kv::Bookmark> held = std::move(m_bookmark);
        kv::DataSet *ds = currentDataSet();
        if (ds && ds->Active() && !held->isNull()) GoToBookmark(ds, *held);
    }
    if (OnClose) OnClose(*this);
    if (CloseDataSource) {
        if (kv::DataSet *ds = currentDataSet()) ds->Close();
    }
}

void TrpDBDataSet::First()
{
    kv::DataSet *ds = GetDataSet();
    if (RangeBegin == rbFirst || !m_bookmark || m_bookmark->isNull())
        ds->First();
    else
        GoToBookmark(ds, *m_bookmark);
    m_rangeEndReached = false;
    TrpDataset::First();
}

void TrpDBDataSet::Next()
{
    kv::DataSet *ds = GetDataSet();
    m_rangeEndReached = false;
    // A range that ends at the record current at the start stops right after
    // that record; from the first record it walks up to it (the record is
    // passed only once, so the range always ends).
    if (RangeEnd == reCurrent && m_bookmark) {
        const kv::Bookmark here = TakeBookmark(ds);
        if (m_bookmark->isNull() || BookmarksEqual(ds, here, *m_bookmark)) {
            m_rangeEndReached = true;
            return;
        }
    }
    ds->Next();
    TrpDataset::Next();
}

void TrpDBDataSet::Prior()
{
    GetDataSet()->Prior();
    TrpDataset::Prior();
}

bool TrpDBDataSet::Eof()
{
    const bool base = TrpDataset::Eof();
    return base || GetDataSet()->Eof() || m_rangeEndReached;
}

bool TrpDBDataSet::hasField(const QString &name) const
{
    kv::DataSet *ds = currentDataSet();
    if (!ds) return false;
    // A closed data set has no fields yet: it is opened to read its field.
    if (!ds->Active()) ds->Open();
    return ds->FindField(name) != nullptr;
}

TrpValue TrpDBDataSet::fieldValue(const QString &name) const
{
    kv::DataSet *ds = currentDataSet();
    if (!ds) return TrpValue::null();
    // A field of a closed data set: the data set is opened for it.
    if (!ds->Active()) ds->Open();
    kv::Field *f = ds->FindField(name);
    return f ? GetFieldValue(f) : TrpValue::null();
}

void TrpDBDataSet::openIfClosed()
{
    kv::DataSet *ds = currentDataSet();
    if (ds && !ds->Active()) ds->Open();
}

// ---- database routines

TrpValue GetFieldValue(kv::Field *field)
{
    if (!field) return TrpValue::null();
    if (kv::DataSet *ds = field->GetDataSet(); ds && !ds->Active()) ds->Open();
    if (field->OnGetText) return TrpValue(field->DisplayText());
    using kv::FieldType;
    const FieldType type = field->DataType();
    if (field->IsNull()) {
        switch (type) {
        case FieldType::String:
        case FieldType::WideString:
        // An empty memo or date prints nothing, not "0" or the first day of
        // the calendar.
        case FieldType::Memo:
        case FieldType::FmtMemo:
        case FieldType::Date:
        case FieldType::Time:
        case FieldType::DateTime: return TrpValue(QString());
        case FieldType::Boolean: return TrpValue(false);
        default: return TrpValue(0);
        }
    }
    if (type == FieldType::LargeInt) return TrpValue(field->AsString());
    return TrpValue::fromVariant(field->Value());
}

bool IsBlobField(const kv::Field *field)
{
    return field && kv::isBlobType(field->DataType());
}

void CopyBlobField(const kv::Field *field, QByteArray &target)
{
    target.clear();
    if (!field || field->IsNull()) return;
    const QVariant v = field->Value();
    if (v.typeId() == QMetaType::QByteArray)
        target = v.toByteArray();
    else
        target = v.toString().toUtf8();
}

void CopyBlobField(const kv::Field *field, QIODevice &target)
{
    QByteArray bytes;
    CopyBlobField(field, bytes);
    target.write(bytes);
    target.seek(0);
}

void ListFieldNames(kv::DataSet *dataSet, QStringList &list)
{
    if (!dataSet) return;
    try {
        QStringList names;
        if (dataSet->FieldCount() == 0) {
            for (const kv::FieldDef &def : dataSet->FieldDefs()) names << def.name;
        } else {
            names = dataSet->FieldNames();
        }
        list = names;
    } catch (...) {
        // a data set that cannot describe itself offers no names
    }
}

kv::Bookmark TakeBookmark(kv::DataSet *dataSet) { return dataSet->GetBookmark(); }

void GoToBookmark(kv::DataSet *dataSet, const kv::Bookmark &bookmark) { dataSet->GotoBookmark(bookmark); }

bool BookmarksEqual(kv::DataSet *dataSet, const kv::Bookmark &a, const kv::Bookmark &b)
{
    return dataSet->CompareBookmarks(a, b) == 0;
}

// ---- lookup

void TrpDataSourceHost::RemoveForm(QObject *form)
{
    for (qsizetype i = m_forms.size() - 1; i >= 0; --i)
        if (m_forms[i] == form || m_forms[i].isNull()) m_forms.removeAt(i);
}

QObject *TrpDataSourceHost::findChildNamed(QObject *parent, const QString &name)
{
    if (!parent || name.isEmpty()) return nullptr;
    const QList<QObject *> all = parent->findChildren<QObject *>();
    for (QObject *o : all)
        if (o->objectName().compare(name, Qt::CaseInsensitive) == 0) return o;
    return nullptr;
}

QObject *TrpDataSourceHost::FindComponent(const QStringList &path) const
{
    if (path.isEmpty() || path.size() > 3) return nullptr;
    if (path.size() == 1) return findChildNamed(Owner.data(), path[0].trimmed());
    QObject *form = nullptr;
    for (const QPointer<QObject> &f : m_forms)
        if (f && f->objectName().compare(path[0].trimmed(), Qt::CaseInsensitive) == 0) {
            form = f.data();
            break;
        }
    if (!form && Owner && Owner->objectName().compare(path[0].trimmed(), Qt::CaseInsensitive) == 0)
        form = Owner.data();
    if (!form) return nullptr;
    QObject *scope = form;
    if (path.size() == 3) {
        scope = findChildNamed(form, path[1].trimmed());
        if (!scope) return nullptr;
    }
    return findChildNamed(scope, path.last().trimmed());
}

TrpFieldSource *TrpDataSourceHost::findDataSource(const QStringList &path)
{
    return dynamic_cast<TrpDataset *>(FindComponent(path));
}

std::unique_ptr<TrpUserDataset> MakeVirtualDataset(int count)
{
    auto ds = std::make_unique<TrpUserDataset>();
    ds->RangeEnd = reCount;
    ds->RangeEndCount = count < 0 ? 0 : count;
    return ds;
}

TrpDataset *TrpDataSourceHost::Resolve(const QString &text, bool &owned, QObject *virtualOwner)
{
    owned = false;
    const QString t = text.trimmed();
    if (!t.isEmpty() && t[0] >= QLatin1Char('1') && t[0] <= QLatin1Char('9')) {
        qint64 n = 0;
        for (QChar c : t) {
            if (!c.isDigit()) break;
            n = n * 10 + (c.unicode() - '0');
            if (n > INT_MAX) { n = INT_MAX; break; }
        }
        auto ds = MakeVirtualDataset(int(n));
        TrpDataset *raw = ds.release();
        raw->setParent(virtualOwner);
        owned = true;
        raw->Init();
        return raw;
    }
    QObject *o = FindComponent(t.split(QLatin1Char('.')));
    if (!o) throw kv::Error(QStringLiteral("Missing ") + t);
    auto *ds = dynamic_cast<TrpDataset *>(o);
    if (!ds) throw EInvalidCast(QStringLiteral("Invalid class typecast"));
    ds->Init();
    return ds;
}

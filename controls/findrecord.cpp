#include "controls/findrecord.h"
#include "platform/ui.h"

#include "controls/vclutils.h"
#include "controls/winlayout.h"
#include "platform/error.h"
#include "platform/ini.h"
#include "platform/text.h"

#include <QRegularExpression>
#include <QWidget>

using namespace kv;

namespace {

TLocateFactory &factorySlot()
{
    static TLocateFactory f;
    return f;
}

} // namespace

// ------------------------------------------------------------ TLocateObject

bool TLocateObject::ValueMatches(const Field *field) const
{
    if (!field) return false;
    QString s = field->Text();
    if (!m_exact) s = s.left(m_text.size());
    return m_caseSensitive ? s == m_text : sameText(s, m_text);
}

void TLocateObject::ValidateLookupValue(Field *) {}

bool TLocateObject::CanUseFilter() const
{
    return m_field && (m_field->Kind() == FieldKind::Data || m_field->Kind() == FieldKind::InternalCalc);
}

bool TLocateObject::FindByLocate()
{
    kv::BusyCursor busy;
    LocateOptions o;
    o.caseInsensitive = !m_caseSensitive;
    o.partialKey = !m_exact;
    const QVariant key = m_text.isEmpty() ? QVariant() : QVariant(m_text);
    return DataSet->Locate(m_field->FieldName(), key, o);
}

bool TLocateObject::FindByScan()
{
    DataSet->First();
    while (!DataSet->Eof()) {
        if (ValueMatches(m_field)) return true;
        const int moved = DataSet->MoveBy(1);
        if (moved == 0) break;
    }
    return false;
}

bool TLocateObject::FindRecord(const QString &keyField, const QString &keyValue, bool exact, bool caseSensitive)
{
    if (!DataSet) return false;
    DataSet->CheckBrowseMode();
    Field *field = DataSet->FieldByName(keyField);
    // An empty data set has no record whose text could match, not even an
    // empty one.
    if (DataSetHasNoRows(DataSet)) return false;

    struct SearchState
    {
        TLocateObject &o;
        ~SearchState()
        {
            o.m_text.clear();
            o.m_field = nullptr;
        }
    } state{*this};
    m_field = field;
    m_text = keyValue;
    m_exact = exact;
    m_caseSensitive = caseSensitive;
    if (field->DataType() != FieldType::String) {
        m_caseSensitive = true;
        try {
            ValidateLookupValue(field);
        } catch (const Error &) {
            return false;
        }
    }

    const Bookmark saved = DataSet->GetBookmark();
    DataSet::ControlsLock lock(*DataSet);
    if (ValueMatches(field)) return true;
    DataSetChanging();
    bool found = false;
    try {
        if (CanUseIndex()) found = FindByIndex();
        else if (CanUseFilter()) found = FindByLocate();
        else found = FindByScan();
    } catch (const Error &) {
        found = false;
    }
    if (!found) ReturnToBookmark(DataSet, saved);
    return found;
}

// ---------------------------------------------------------------- TDBLocate

void TDBLocate::ValidateLookupValue(Field *field)
{
    const QString text = LookupText().trimmed();
    switch (field->DataType()) {
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::DateTime:
    case FieldType::Boolean:
    case FieldType::String:
    case FieldType::WideString:
        return;
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::Word:
    case FieldType::AutoInc:
    case FieldType::LargeInt: {
        bool ok = text.isEmpty();
        if (!ok) text.toLongLong(&ok);
        if (!ok)
            throw Error(QStringLiteral("'%1' - неверное целое значение для поля '%2'")
                            .arg(LookupText(), field->FieldName()));
        return;
    }
    case FieldType::Float:
    case FieldType::BCD:
    case FieldType::Currency: {
        bool ok = text.isEmpty();
        if (!ok) parseFloat(text, &ok);
        if (!ok)
            throw Error(QStringLiteral("'%1' - неверное число для поля '%2'").arg(LookupText(), field->FieldName()));
        return;
    }
    default:
        // Memos and blobs cannot be searched by a key text.
        throw Error(QStringLiteral("Поле '%1' не может быть ключом поиска").arg(field->FieldName()));
    }
}

// ------------------------------------------------------------------- routines

TLocateFactory SetLocateFactory(TLocateFactory factory)
{
    TLocateFactory old = std::move(factorySlot());
    factorySlot() = std::move(factory);
    return old;
}

std::unique_ptr<TLocateObject> NewLocateObject(DataSet *ds)
{
    if (factorySlot()) {
        std::unique_ptr<TLocateObject> o = factorySlot()(ds);
        if (o) {
            o->DataSet = ds;
            return o;
        }
    }
    return std::make_unique<TDBLocate>(ds);
}

bool ReturnToBookmark(DataSet *ds, const Bookmark &bookmark)
{
    if (!ds || !ds->Active() || bookmark.isNull() || DataSetHasNoRows(ds) || !ds->BookmarkValid(bookmark))
        return false;
    try {
        ds->GotoBookmark(bookmark);
        return true;
    } catch (const Error &) {
        return false;
    }
}

bool DataSetHasNoRows(const DataSet *ds)
{
    return !ds || !ds->Active() || ds->IsEmpty();
}

QString DataSetLayoutSection(const DataSet *ds, const QString &section)
{
    if (!section.isEmpty()) return section;
    if (!ds) return QString();
    for (QObject *p = ds->parent(); p; p = p->parent())
        if (auto *w = qobject_cast<QWidget *>(p)) return FormClassName(w->window());
    return ds->Name();
}

QStringList LayoutWords(const QString &value)
{
    static const QRegularExpression sep(QStringLiteral("[ ,]+"));
    return value.split(sep, Qt::SkipEmptyParts);
}

void StoreFieldLayout(DataSet *ds, LayoutStorage &s, const QString &section)
{
    if (!ds) return;
    const QString sec = DataSetLayoutSection(ds, section);
    for (Field *f : ds->FieldList())
        LayoutWriteString(s, sec, ds->Name() + f->FieldName(),
                          QStringLiteral("%1,%2,%3").arg(f->Index()).arg(f->DisplayWidth()).arg(f->Visible() ? 1 : 0));
}

void LoadFieldLayout(DataSet *ds, const LayoutStorage &s, const QString &section, bool restoreVisible)
{
    if (!ds) return;
    const QString sec = DataSetLayoutSection(ds, section);
    struct Entry { Field *field; int index; };
    QList<Entry> entries;
    for (Field *f : ds->FieldList()) {
        Entry e{f, f->Index()};
        const QString value = LayoutReadString(s, sec, ds->Name() + f->FieldName(), QString());
        if (!value.isEmpty()) {
            const QStringList w = LayoutWords(value);
            bool ok = false;
            int v = w.value(0).toInt(&ok);
            if (ok) e.index = v;
            v = w.value(1).toInt(&ok);
            if (ok && v != f->DisplayWidth()) f->SetDisplayWidth(v);
            if (restoreVisible && w.size() > 2) {
                v = w.value(2).toInt(&ok);
                if (ok) f->SetVisible(v != 0);
            }
        }
        entries << e;
    }
    for (int i = 0; i < entries.size(); ++i)
        for (const Entry &e : entries)
            if (e.index == i) {
                e.field->SetIndex(i);
                break;
            }
}

void StoreFieldLayout(DataSet *ds, TIniFile &ini, const QString &section)
{
    IniLayoutStorage s(ini);
    StoreFieldLayout(ds, s, section);
}

void LoadFieldLayout(DataSet *ds, TIniFile &ini, const QString &section, bool restoreVisible)
{
    IniLayoutStorage s(ini);
    LoadFieldLayout(ds, s, section, restoreVisible);
}

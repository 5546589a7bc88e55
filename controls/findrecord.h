#pragma once
// Record search and small data set routines: the search object the lookup
// lists use to find a key or a typed text, going back to a bookmark, the
// empty test, and the field layout (order, display widths, visibility) of a
// data set kept in an INI object, which grids without their own columns use.
//
// A search that fails leaves the data set where it stood. Errors before the
// search begins (a pending edit that cannot be posted, an unknown field) reach
// the caller; a text that does not convert for the field's type makes the
// search fail instead.
#include "platform/db/dataset.h"

#include <QString>

#include <functional>
#include <memory>

namespace kv {
class LayoutStorage;
class TIniFile;
}

class TLocateObject
{
public:
    explicit TLocateObject(kv::DataSet *ds = nullptr) : DataSet(ds) {}
    virtual ~TLocateObject() = default;
    TLocateObject(const TLocateObject &) = delete;
    TLocateObject &operator=(const TLocateObject &) = delete;

    kv::DataSet *DataSet = nullptr;
    bool IndexSwitch = true;   // another index may be used (no indexes here)

    // True when the data set now stands on a matching record; false leaves it
    // where it was. Exact: whole text; otherwise the field text only has to
    // begin with keyValue. Non-string fields always compare with case.
    bool FindRecord(const QString &keyField, const QString &keyValue, bool exact, bool caseSensitive);
    // Whether the field's text matches the text searched for.
    bool ValueMatches(const kv::Field *field) const;

    bool Exact() const { return m_exact; }
    bool CaseSensitive() const { return m_caseSensitive; }
    const QString &LookupText() const { return m_text; }
    kv::Field *LookupField() const { return m_field; }

protected:
    // Raises kv::Error when the text cannot be a value of the field.
    virtual void ValidateLookupValue(kv::Field *field);
    virtual void DataSetChanging() {}
    virtual bool FindByLocate();
    virtual bool FindByIndex() { return false; }
    virtual bool FindByScan();
    virtual bool CanUseIndex() const { return false; }
    virtual bool CanUseFilter() const;

private:
    kv::Field *m_field = nullptr;
    QString m_text;
    bool m_exact = false;
    bool m_caseSensitive = false;
};

// The program's search object: checks the text against the field type first,
// so "12а" in an integer field fails at once instead of scanning.
class TDBLocate : public TLocateObject
{
public:
    using TLocateObject::TLocateObject;

protected:
    void ValidateLookupValue(kv::Field *field) override;
};

// Makes the search objects; by default a TDBLocate. A test or a caller may
// install another (an empty function restores the default).
using TLocateFactory = std::function<std::unique_ptr<TLocateObject>(kv::DataSet *)>;
TLocateFactory SetLocateFactory(TLocateFactory factory);
std::unique_ptr<TLocateObject> NewLocateObject(kv::DataSet *ds);

// True when the data set moved to the bookmark; errors are swallowed.
bool ReturnToBookmark(kv::DataSet *ds, const kv::Bookmark &bookmark);
// True when closed or without rows.
bool DataSetHasNoRows(const kv::DataSet *ds);
// The section when not empty; else the class name of the form that owns the
// data set; else the data set's name.
QString DataSetLayoutSection(const kv::DataSet *ds, const QString &section);
// Key: data set name followed by the field name; value "index,width,visible".
void StoreFieldLayout(kv::DataSet *ds, kv::LayoutStorage &s, const QString &section);
void LoadFieldLayout(kv::DataSet *ds, const kv::LayoutStorage &s, const QString &section, bool restoreVisible);
void StoreFieldLayout(kv::DataSet *ds, kv::TIniFile &ini, const QString &section);
void LoadFieldLayout(kv::DataSet *ds, kv::TIniFile &ini, const QString &section, bool restoreVisible);
// Words of a stored layout value: separated by blanks and commas.
QStringList LayoutWords(const QString &value);

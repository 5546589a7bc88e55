#pragma once
// Small helpers shared by the in-memory table tests.
#include "memdata/memdata.h"

#include <QStringList>

#include <ostream>

// Readable values in failure messages.
inline void PrintTo(const QVariant &v, std::ostream *os)
{
    *os << (v.isValid() ? QStringLiteral("%1(%2)").arg(QString::fromLatin1(v.typeName()), v.toString())
                        : QStringLiteral("null")).toStdString();
}

// A table with "Code" (integer) and "Name" (string of 20), opened.
inline void makeCodeName(TMemData &md, bool open = true)
{
    md.AddField(QStringLiteral("Code"), kv::FieldType::Integer);
    md.AddField(QStringLiteral("Name"), kv::FieldType::String, 20);
    if (open) md.Open();
}

inline void addRow(TMemData &md, const QVariant &code, const QVariant &name)
{
    md.Append();
    md.FieldByName(QStringLiteral("Code"))->SetValue(code);
    md.FieldByName(QStringLiteral("Name"))->SetValue(name);
    md.Post();
}

// The visible rows of one field as text ("<null>" for a missing value).
inline QStringList column(const TMemData &md, const QString &field)
{
    QStringList out;
    const int idx = md.FindField(field)->Index();
    for (int r = 0; r < md.ViewRowCount(); ++r) {
        const QVariant v = md.ViewValue(r, idx);
        out << (v.isValid() ? v.toString() : QStringLiteral("<null>"));
    }
    return out;
}

#pragma once
// The in-memory table the stored-stream harness loads into; its seed is
// written from the same layout, so the seed reaches every field.
#include "memdata/memdata.h"

namespace kvfuzz {

inline void addMemStreamFields(TMemData &t)
{
    using kv::FieldType;
    using kv::MemFieldType;
    t.AddField(QStringLiteral("Code"), FieldType::Integer);
    t.AddField(QStringLiteral("Name"), FieldType::String, 20);
    t.AddMemField(QStringLiteral("Wide"), MemFieldType::WideString, 10);
    t.AddMemField(QStringLiteral("Price"), MemFieldType::BCD);
    t.AddField(QStringLiteral("Many"), FieldType::Float);
    t.AddField(QStringLiteral("Day"), FieldType::Date);
    t.AddField(QStringLiteral("Ok"), FieldType::Boolean);
    t.AddField(QStringLiteral("Note"), FieldType::Memo);
    t.AddMemField(QStringLiteral("Small"), MemFieldType::Smallint);
    t.AddMemField(QStringLiteral("Big"), MemFieldType::Largeint);
}

} // namespace kvfuzz

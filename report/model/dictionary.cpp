#include "report/model/dictionary.h"

#include "platform/error.h"
#include "platform/text.h"
#include "report/core/stream.h"
#include "report/core/utils.h"

namespace {

const char *const kOldIndexNames[] = {"PAGE#", "", "DATE", "TIME", "LINE#", "LINETHROUGH#", "COLUMN#",
                                      "CURRENT#", "TOTALPAGES", "REPORTCOMMENT", "REPORTNAME", "REPORTAUTOR",
                                      "VMAJOR", "VMINOR", "VRELEASE", "VBUILD", "REPORTDATE", "REPORTLASTCHANGE"};

QString readShortString(QIODevice &s)
{
    const int n = ReadStreamByte(s);
    return kv::fromCp1251(ReadStreamBytes(s, n));
}

// A count read from a stream must fit in the bytes left (each entry takes at
// least `minEntry` bytes).
qint32 checkedCount(QIODevice &s, qint32 count, int minEntry)
{
    if (count < 0 || qint64(count) * minEntry > s.bytesAvailable())
        throw kv::Error(QStringLiteral("The data dictionary of the report is damaged"));
    return count;
}

void readList(QIODevice &s, TrpVariables &list)
{
    const qint32 n = checkedCount(s, ReadStreamInteger(s), 6);
    for (qint32 i = 0; i < n; ++i) {
        const QString name = ReadStreamString(s);
        const QString value = ReadStreamString(s);
        list.SetValue(name, value);
    }
}

void writeList(QIODevice &s, const TrpVariables &list)
{
    WriteStreamInteger(s, list.Count());
    for (int i = 0; i < list.Count(); ++i) {
        WriteStreamString(s, list.Name(i));
        const TrpValue v = list.Value(i);
        WriteStreamString(s, v.isNull() || v.isEmpty() ? QString() : v.toText());
    }
}

} // namespace

void TrpDataDictionary::Clear()
{
    VariableList.Clear();
    FieldAliasList.Clear();
    BandSourceList.Clear();
}

void TrpDataDictionary::CacheField(const QString &name, TrpFieldSource *source, const QString &field)
{
    m_cache[kv::upperCase(name)] = Cached{source, field};
}

bool TrpDataDictionary::CachedField(const QString &name, TrpFieldSource *&source, QString &field) const
{
    const auto it = m_cache.find(kv::upperCase(name));
    if (it == m_cache.end() || !it->second.source) return false;
    source = it->second.source;
    field = it->second.field;
    return true;
}

bool TrpDataDictionary::SplitFieldName(const QString &text, QString &dataSet, QString &field)
{
    int cut = -1;
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('"')) quoted = !quoted;
        else if (text[i] == QLatin1Char('.') && !quoted) cut = i;
    }
    if (cut < 0) return false;
    dataSet = text.left(cut);
    field = text.mid(cut + 1);
    if (field.size() >= 2 && field.startsWith(QLatin1Char('"')) && field.endsWith(QLatin1Char('"')))
        field = field.mid(1, field.size() - 2);
    return true;
}

QString TrpDataDictionary::AliasedDataSetName(const QString &alias) const
{
    for (int i = 0; i < FieldAliasList.Count(); ++i) {
        const TrpValue v = FieldAliasList.Value(i);
        if (!v.isNull() && kv::sameText(v.toText(), alias)) return FieldAliasList.Name(i);
    }
    return alias;
}

bool TrpDataDictionary::resolveAndCache(const QString &name, const QString &reference)
{
    if (!ResolveField) return false;
    QString field;
    TrpFieldSource *src = ResolveField(reference, field);
    if (!src || field.isEmpty()) return false;
    CacheField(name, src, field);
    return true;
}

bool TrpDataDictionary::HasVariable(const QString &name)
{
    if (m_cache.count(kv::upperCase(name))) return true;
    const int idx = VariableList.IndexOf(name);
    if (idx >= 0) {
        const TrpValue v = VariableList.Value(idx);
        if (v.type() == TrpValue::Text && v.toText().contains(QLatin1Char('.'))) resolveAndCache(name, v.toText());
        return true;
    }
    if (!name.contains(QLatin1Char('.'))) return false;
    QString ds, field;
    QString text = name;
    if (SplitFieldName(name, ds, field)) {
        ds = AliasedDataSetName(ds);
        for (int i = 0; i < FieldAliasList.Count(); ++i) {
            const TrpValue v = FieldAliasList.Value(i);
            if (!v.isNull() && kv::sameText(v.toText(), field)
                && FieldAliasList.Name(i).startsWith(ds, Qt::CaseInsensitive)) {
                QString d2, f2;
                if (SplitFieldName(FieldAliasList.Name(i), d2, f2)) field = f2;
                break;
            }
        }
        text = ds + QStringLiteral(".\"") + field + QLatin1Char('"');
    }
    return resolveAndCache(name, text);
}

TrpValue TrpDataDictionary::VariableValue(const QString &name)
{
    const auto it = m_cache.find(kv::upperCase(name));
    if (it != m_cache.end()) {
        if (!it->second.source) return TrpValue::null();
        it->second.source->openIfClosed();
        return it->second.source->fieldValue(it->second.field);
    }
    const int idx = VariableList.IndexOf(name);
    if (idx < 0) return TrpValue::null();
    TrpValue g;
    if (GlobalValue && GlobalValue(name, g)) return g;
    const TrpValue v = VariableList.Value(idx);
    if (v.type() == TrpValue::Text && !v.toText().isEmpty() && Evaluate) return Evaluate(v.toText());
    if (v.type() == TrpValue::Text && v.toText().isEmpty()) return TrpValue::null();
    return v;
}

void TrpDataDictionary::SaveToStream(QIODevice &s) const
{
    WriteStreamWord(s, -2);
    writeList(s, VariableList);
    writeList(s, FieldAliasList);
    writeList(s, BandSourceList);
}

void TrpDataDictionary::LoadFromStream(QIODevice &s, int version)
{
    Clear();
    ClearCache();
    const qint16 marker = ReadStreamWord(s);
    if (marker == -1 || marker == -2) {
        readList(s, VariableList);
        readList(s, FieldAliasList);
        readList(s, BandSourceList);
    } else {
        s.seek(s.pos() - 2);
        const qint32 n = checkedCount(s, ReadStreamInteger(s), 8);
        for (qint32 i = 0; i < n; ++i) {
            const int kind = ReadStreamByte(s);
            const qint32 index = ReadStreamInteger(s);
            const QString s1 = readShortString(s), s2 = readShortString(s), s3 = readShortString(s);
            QString value;
            if (kind == 2) {
                if (index == 1) value = s2;
                else if (index >= 0 && index < int(std::size(kOldIndexNames))) value = QString::fromLatin1(kOldIndexNames[index]);
            } else if (kind == 1) {
                value = s1 + QStringLiteral(".\"") + s2 + QLatin1Char('"');
            }
            FieldAliasList.SetValue(QLatin1Char(' ') + s3, value);
        }
        for (const QString &line : ReadStreamMemo(s, version)) {
            if (!line.isEmpty() && !line.startsWith(QLatin1Char(' '))) {
                VariableList.SetValue(line, QString());
            } else {
                const int k = FieldAliasList.IndexOf(line);
                VariableList.SetValue(line, k >= 0 ? FieldAliasList.Value(k) : TrpValue(QString()));
            }
        }
        FieldAliasList.Clear();
    }
    // Older blocks marked variables, not categories, with the blank. A block
    // of this layout (-2) already names them so, and one that begins with a
    // variable would lose every variable to the conversion.
    if (marker != -2 && VariableList.Count() > 0 && !VariableList.Name(0).isEmpty()
        && !VariableList.Name(0).startsWith(QLatin1Char(' '))) {
        for (int i = 0; i < VariableList.Count(); ++i) {
            const QString n = VariableList.Name(i);
            VariableList.Rename(i, n.startsWith(QLatin1Char(' ')) ? n.mid(1) : QLatin1Char(' ') + n);
        }
    }
    if (marker == -1) {
        for (int i = FieldAliasList.Count() - 1; i >= 0; --i) {
            const TrpValue v = FieldAliasList.Value(i);
            if (v.isNull() || v.toText().isEmpty()) {
                QString field;
                if (!ResolveField || !ResolveField(FieldAliasList.Name(i), field)) FieldAliasList.Delete(i);
            }
        }
        for (int i = BandSourceList.Count() - 1; i >= 0; --i) {
            const TrpValue v = BandSourceList.Value(i);
            if (v.isNull() || v.toText().isEmpty()) BandSourceList.Delete(i);
        }
    }
}
